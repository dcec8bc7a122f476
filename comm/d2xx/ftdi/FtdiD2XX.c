/* A D2XX library over libftdi1: the FT_* functions the program binds, for bridge chips
 * reached through Debian's libftdi1 instead of the vendor's closed library.
 *
 * Each open handle has a reader thread that keeps pulling from the chip into a queue, so
 * FT_GetQueueStatus can answer at once and the event given to FT_SetEventNotification is
 * signalled as bytes arrive. The reader is the only thread that calls ftdi_read_data; calls
 * that touch libftdi1's read buffer (chunk size, reset, purge) take the handle's usb lock
 * so they never run beside it. */
#define _GNU_SOURCE
#include "comm/d2xx/ftdi/FtdiCalls.h"

#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define EXPORT __attribute__((visibility("default")))

/* The C side of the program's D2XX declarations (same values, same record layout). */
typedef uint32_t FT_STATUS;
typedef void* FT_HANDLE;
enum {
    FT_OK = 0, FT_INVALID_HANDLE = 1, FT_DEVICE_NOT_FOUND = 2, FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4, FT_INSUFFICIENT_RESOURCES = 5, FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    /* What this library answers for a function it does not provide. */
    FT_NOT_SUPPORTED = 17,
};
enum { OPEN_BY_SERIAL_NUMBER = 1, EVENT_RXCHAR = 1, PURGE_RX = 1, PURGE_TX = 2, FLAG_OPENED = 1 };

struct EventHandle { /* the program's condition variable and mutex; the rest is not ours */
    pthread_cond_t Cond;
    pthread_mutex_t Mutex;
};

struct DeviceNode {
    uint32_t Flags, Type, ID, LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

enum { kVendor = 0x0403, kQueueSize = 65536, kMaxHandles = 64, kMaxDevices = 128 };
/* FT232R, FT2232, FT4232, FT232H, FT-X, with their number of serial interfaces. */
static const struct { int product; int interfaces; } kProducts[] = {
    {0x6001, 1}, {0x6010, 2}, {0x6011, 4}, {0x6014, 1}, {0x6015, 1},
};

struct Handle {
    struct ftdi_context* ftdi;
    struct libusb_device* dev;
    int interfaceIndex;
    struct DeviceNode node;
    pthread_t reader;
    pthread_mutex_t usbLock;
    pthread_mutex_t lock; /* guards everything below */
    pthread_cond_t arrived;
    int stop, lost;
    unsigned char queue[kQueueSize];
    size_t head, count;
    struct EventHandle* event;
    uint32_t mask;
    uint32_t readTimeoutMs;
    enum ftdi_bits_type bits;
    enum ftdi_stopbits_type stopBits;
    enum ftdi_parity_type parity;
    enum ftdi_break_type breakState;
};

static const struct DabrixFtdiCalls* g_calls = &DabrixFtdiLibftdi;
static pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER; /* handles and device snapshot */
static struct Handle* g_handles[kMaxHandles];
static struct DeviceNode g_nodes[kMaxDevices];
static uint32_t g_nodeCount;

void DabrixFtdiUseCalls(const struct DabrixFtdiCalls* calls)
{
    g_calls = calls ? calls : &DabrixFtdiLibftdi;
}

/* ---- handles ---- */

static int Registered(struct Handle* h)
{
    int found = 0;
    pthread_mutex_lock(&g_lock);
    for (int i = 0; i < kMaxHandles && h; ++i)
        found |= g_handles[i] == h;
    pthread_mutex_unlock(&g_lock);
    return found;
}

static void Unregister(struct Handle* h)
{
    pthread_mutex_lock(&g_lock);
    for (int i = 0; i < kMaxHandles; ++i) {
        if (g_handles[i] == h)
            g_handles[i] = NULL;
    }
    pthread_mutex_unlock(&g_lock);
}

/* Caller holds h->lock. */
static void SignalEvent(struct Handle* h)
{
    pthread_cond_broadcast(&h->arrived);
    if (h->event && (h->mask & EVENT_RXCHAR)) {
        pthread_mutex_lock(&h->event->Mutex);
        pthread_cond_broadcast(&h->event->Cond);
        pthread_mutex_unlock(&h->event->Mutex);
    }
}

static void* ReaderMain(void* arg)
{
    struct Handle* h = arg;
    unsigned char chunk[512];
    for (;;) {
        pthread_mutex_lock(&h->lock);
        const int stop = h->stop;
        pthread_mutex_unlock(&h->lock);
        if (stop)
            break;
        pthread_mutex_lock(&h->usbLock);
        const int n = g_calls->ReadData(h->ftdi, chunk, (int)sizeof chunk);
        pthread_mutex_unlock(&h->usbLock);
        if (n < 0) {
            /* Unplugged or broken: every later call on the handle fails. */
            pthread_mutex_lock(&h->lock);
            h->lost = 1;
            SignalEvent(h);
            pthread_mutex_unlock(&h->lock);
            break;
        }
        if (n == 0) {
            /* The chip answers an empty read at once when nothing came; don't spin. */
            const struct timespec pause = {0, 1000000};
            nanosleep(&pause, NULL);
            continue;
        }
        pthread_mutex_lock(&h->lock);
        for (int i = 0; i < n && h->count < kQueueSize; ++i) {
            h->queue[(h->head + h->count) % kQueueSize] = chunk[i];
            ++h->count;
        }
        SignalEvent(h);
        pthread_mutex_unlock(&h->lock);
    }
    return NULL;
}

static void ClearQueue(struct Handle* h)
{
    pthread_mutex_lock(&h->lock);
    h->head = h->count = 0;
    pthread_mutex_unlock(&h->lock);
}

/* A control call's libftdi1 result as a status; a lost device answers FT_IO_ERROR. */
static FT_STATUS Control(int result, FT_STATUS onMinusOne)
{
    if (result >= 0)
        return FT_OK;
    return result == -1 ? onMinusOne : FT_IO_ERROR;
}

/* ---- device list ---- */

/* Copies text into a record's field, cut to fit and always ended. */
static void Field(char* field, size_t size, const char* text)
{
    const size_t length = strnlen(text, size - 1);
    memcpy(field, text, length);
    field[length] = 0;
}

/* Fills g_nodes from the bus. Caller holds g_lock. */
static void Enumerate(void)
{
    g_nodeCount = 0;
    for (size_t p = 0; p < sizeof kProducts / sizeof kProducts[0]; ++p) {
        struct ftdi_context* ftdi = g_calls->New();
        if (!ftdi)
            return;
        struct ftdi_device_list* list = NULL;
        if (g_calls->FindAll(ftdi, &list, kVendor, kProducts[p].product) > 0) {
            for (struct ftdi_device_list* d = list; d; d = d->next) {
                char description[64] = "", serial[64] = "";
                struct Handle* own[4] = {NULL, NULL, NULL, NULL};
                for (int i = 0; i < kMaxHandles; ++i) {
                    struct Handle* h = g_handles[i];
                    if (h && h->dev == d->dev && h->interfaceIndex < 4)
                        own[h->interfaceIndex] = h;
                }
                const int strings = g_calls->GetStrings(ftdi, d->dev, NULL, 0, description,
                                                        sizeof description, serial, sizeof serial);
                for (int i = 0; i < kProducts[p].interfaces && g_nodeCount < kMaxDevices; ++i) {
                    struct DeviceNode* node = &g_nodes[g_nodeCount++];
                    memset(node, 0, sizeof *node);
                    if (own[i]) {
                        *node = own[i]->node;
                        node->Flags = FLAG_OPENED;
                        node->ftHandle = own[i];
                    } else if (strings < 0) {
                        /* Unreadable: open in another program (or not ours to open). */
                        node->Flags = FLAG_OPENED;
                    } else {
                        node->ID = (uint32_t)kVendor << 16 | (uint32_t)kProducts[p].product;
                        const int multi = kProducts[p].interfaces > 1;
                        char suffixed[80];
                        snprintf(suffixed, sizeof suffixed, multi ? "%s%c" : "%s", serial, 'A' + i);
                        Field(node->SerialNumber, sizeof node->SerialNumber, suffixed);
                        snprintf(suffixed, sizeof suffixed, multi ? "%s %c" : "%s", description, 'A' + i);
                        Field(node->Description, sizeof node->Description, suffixed);
                    }
                }
            }
        }
        g_calls->ListFree(&list);
        g_calls->Free(ftdi);
    }
}

EXPORT FT_STATUS FT_CreateDeviceInfoList(uint32_t* count)
{
    if (!count)
        return FT_INVALID_PARAMETER;
    pthread_mutex_lock(&g_lock);
    Enumerate();
    *count = g_nodeCount;
    pthread_mutex_unlock(&g_lock);
    return FT_OK;
}

/* Writes the records of the latest FT_CreateDeviceInfoList; the caller sized the list by
 * its count. */
EXPORT FT_STATUS FT_GetDeviceInfoList(struct DeviceNode* list, uint32_t* count)
{
    if (!count)
        return FT_INVALID_PARAMETER;
    pthread_mutex_lock(&g_lock);
    if (!list && g_nodeCount) {
        pthread_mutex_unlock(&g_lock);
        return FT_INVALID_PARAMETER;
    }
    if (g_nodeCount)
        memcpy(list, g_nodes, g_nodeCount * sizeof *list);
    *count = g_nodeCount;
    pthread_mutex_unlock(&g_lock);
    return FT_OK;
}

/* ---- open and close ---- */

static FT_STATUS OpenStatus(int result)
{
    switch (result) {
    case -4: case -5: case -11: return FT_DEVICE_NOT_OPENED; /* no access, claimed, driver */
    default: return FT_IO_ERROR;
    }
}

EXPORT FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle)
{
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = NULL;
    if (flags != OPEN_BY_SERIAL_NUMBER)
        return FT_NOT_SUPPORTED;
    if (!arg)
        return FT_INVALID_PARAMETER;
    const char* wanted = arg;

    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    pthread_mutex_lock(&g_lock);
    for (size_t p = 0; p < sizeof kProducts / sizeof kProducts[0] && status == FT_DEVICE_NOT_FOUND; ++p) {
        struct ftdi_context* lister = g_calls->New();
        if (!lister) {
            status = FT_INSUFFICIENT_RESOURCES;
            break;
        }
        struct ftdi_device_list* list = NULL;
        if (g_calls->FindAll(lister, &list, kVendor, kProducts[p].product) > 0) {
            for (struct ftdi_device_list* d = list; d && status == FT_DEVICE_NOT_FOUND; d = d->next) {
                char description[64] = "", serial[64] = "";
                if (g_calls->GetStrings(lister, d->dev, NULL, 0, description, sizeof description,
                                        serial, sizeof serial) < 0)
                    continue;
                const int multi = kProducts[p].interfaces > 1;
                const size_t length = strlen(serial);
                int index = -1;
                if (!multi && strcmp(serial, wanted) == 0)
                    index = 0;
                else if (multi && strlen(wanted) == length + 1 && strncmp(serial, wanted, length) == 0
                         && wanted[length] >= 'A' && wanted[length] < 'A' + kProducts[p].interfaces)
                    index = wanted[length] - 'A';
                if (index < 0)
                    continue;

                struct Handle* h = calloc(1, sizeof *h);
                struct ftdi_context* ftdi = h ? g_calls->New() : NULL;
                if (!ftdi) {
                    free(h);
                    status = FT_INSUFFICIENT_RESOURCES;
                    break;
                }
                if (multi)
                    g_calls->SetInterface(ftdi, (enum ftdi_interface)(INTERFACE_A + index));
                /* ftdi_sio goes while we hold the device and comes back with the close, so
                 * the gauge is a serial port again for other programs. */
                g_calls->SetDetachMode(ftdi, AUTO_DETACH_REATACH_SIO_MODULE);
                const int opened = g_calls->OpenDev(ftdi, d->dev);
                if (opened < 0) {
                    g_calls->Free(ftdi);
                    free(h);
                    status = OpenStatus(opened);
                    break;
                }
                h->ftdi = ftdi;
                h->dev = d->dev;
                h->interfaceIndex = index;
                h->node.ID = (uint32_t)kVendor << 16 | (uint32_t)kProducts[p].product;
                Field(h->node.SerialNumber, sizeof h->node.SerialNumber, wanted);
                snprintf(h->node.Description, sizeof h->node.Description, multi ? "%s %c" : "%s",
                         description, 'A' + index);
                h->bits = BITS_8;
                h->stopBits = STOP_BIT_1;
                h->parity = NONE;
                h->breakState = BREAK_OFF;
                pthread_mutex_init(&h->usbLock, NULL);
                pthread_mutex_init(&h->lock, NULL);
                pthread_cond_init(&h->arrived, NULL);
                int slot = 0;
                for (; slot < kMaxHandles && g_handles[slot]; ++slot) {}
                if (slot == kMaxHandles || pthread_create(&h->reader, NULL, ReaderMain, h) != 0) {
                    g_calls->Close(ftdi);
                    g_calls->Free(ftdi);
                    free(h);
                    status = FT_INSUFFICIENT_RESOURCES;
                    break;
                }
                g_handles[slot] = h;
                *handle = h;
                status = FT_OK;
            }
        }
        g_calls->ListFree(&list);
        g_calls->Free(lister);
    }
    pthread_mutex_unlock(&g_lock);
    return status;
}

EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    struct Handle* h = handle;
    if (!Registered(h))
        return FT_INVALID_HANDLE;
    Unregister(h);
    pthread_mutex_lock(&h->lock);
    h->stop = 1;
    h->event = NULL;
    pthread_cond_broadcast(&h->arrived);
    pthread_mutex_unlock(&h->lock);
    pthread_join(h->reader, NULL);
    const int closed = g_calls->Close(h->ftdi);
    g_calls->Free(h->ftdi);
    pthread_cond_destroy(&h->arrived);
    pthread_mutex_destroy(&h->lock);
    pthread_mutex_destroy(&h->usbLock);
    free(h);
    return closed < 0 ? FT_IO_ERROR : FT_OK;
}

/* ---- settings and lines ---- */

#define HANDLE_OR_FAIL(h, handle)              \
    struct Handle* h = (handle);               \
    if (!Registered(h))                        \
        return FT_INVALID_HANDLE;              \
    if (Lost(h))                               \
        return FT_IO_ERROR

static int Lost(struct Handle* h)
{
    pthread_mutex_lock(&h->lock);
    const int lost = h->lost;
    pthread_mutex_unlock(&h->lock);
    return lost;
}

EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    HANDLE_OR_FAIL(h, handle);
    pthread_mutex_lock(&h->usbLock);
    const int result = g_calls->Reset(h->ftdi);
    pthread_mutex_unlock(&h->usbLock);
    ClearQueue(h);
    return Control(result, FT_IO_ERROR);
}

EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask)
{
    HANDLE_OR_FAIL(h, handle);
    int result = 0;
    pthread_mutex_lock(&h->usbLock);
    if (mask & PURGE_RX)
        result = g_calls->FlushRx(h->ftdi);
    if ((mask & PURGE_TX) && result >= 0)
        result = g_calls->FlushTx(h->ftdi);
    pthread_mutex_unlock(&h->usbLock);
    if (mask & PURGE_RX)
        ClearQueue(h);
    return Control(result, FT_IO_ERROR);
}

EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t rate)
{
    HANDLE_OR_FAIL(h, handle);
    if (rate == 0 || rate > 12000000)
        return FT_INVALID_BAUD_RATE;
    return Control(g_calls->SetBaudrate(h->ftdi, (int)rate), FT_INVALID_BAUD_RATE);
}

static FT_STATUS ApplyLine(struct Handle* h)
{
    return Control(g_calls->SetLineProperty2(h->ftdi, h->bits, h->stopBits, h->parity,
                                                h->breakState), FT_IO_ERROR);
}

EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, uint8_t wordLength, uint8_t stopBits,
                                           uint8_t parity)
{
    HANDLE_OR_FAIL(h, handle);
    if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4)
        return FT_INVALID_PARAMETER;
    h->bits = wordLength == 7 ? BITS_7 : BITS_8;
    h->stopBits = stopBits == 2 ? STOP_BIT_2 : STOP_BIT_1;
    h->parity = (enum ftdi_parity_type)parity;
    return ApplyLine(h);
}

static FT_STATUS Break(FT_HANDLE handle, enum ftdi_break_type state)
{
    HANDLE_OR_FAIL(h, handle);
    h->breakState = state;
    return ApplyLine(h);
}

EXPORT FT_STATUS FT_SetBreakOn(FT_HANDLE handle) { return Break(handle, BREAK_ON); }
EXPORT FT_STATUS FT_SetBreakOff(FT_HANDLE handle) { return Break(handle, BREAK_OFF); }

static FT_STATUS Dtr(FT_HANDLE handle, int state)
{
    HANDLE_OR_FAIL(h, handle);
    return Control(g_calls->SetDtr(h->ftdi, state), FT_IO_ERROR);
}

static FT_STATUS Rts(FT_HANDLE handle, int state)
{
    HANDLE_OR_FAIL(h, handle);
    return Control(g_calls->SetRts(h->ftdi, state), FT_IO_ERROR);
}

EXPORT FT_STATUS FT_SetDtr(FT_HANDLE handle) { return Dtr(handle, 1); }
EXPORT FT_STATUS FT_ClrDtr(FT_HANDLE handle) { return Dtr(handle, 0); }
EXPORT FT_STATUS FT_SetRts(FT_HANDLE handle) { return Rts(handle, 1); }
EXPORT FT_STATUS FT_ClrRts(FT_HANDLE handle) { return Rts(handle, 0); }

EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    HANDLE_OR_FAIL(h, handle);
    pthread_mutex_lock(&h->lock);
    h->readTimeoutMs = readMs;
    pthread_mutex_unlock(&h->lock);
    /* The reader's own USB reads keep libftdi1's default; writes wait as asked (0: default). */
    pthread_mutex_lock(&h->usbLock);
    g_calls->SetUsbTimeouts(h->ftdi, 5000, writeMs ? (int)(writeMs > 60000 ? 60000 : writeMs) : 5000);
    pthread_mutex_unlock(&h->usbLock);
    return FT_OK;
}

EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t milliseconds)
{
    HANDLE_OR_FAIL(h, handle);
    return Control(g_calls->SetLatencyTimer(h->ftdi, milliseconds), FT_INVALID_PARAMETER);
}

EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, uint32_t inSize, uint32_t outSize)
{
    HANDLE_OR_FAIL(h, handle);
    if (inSize < 64 || inSize > 65536 || (outSize != 0 && (outSize < 64 || outSize > 65536)))
        return FT_INVALID_PARAMETER;
    pthread_mutex_lock(&h->usbLock);
    int result = g_calls->ReadChunksize(h->ftdi, inSize);
    if (result >= 0 && outSize)
        result = g_calls->WriteChunksize(h->ftdi, outSize);
    pthread_mutex_unlock(&h->usbLock);
    return Control(result, FT_IO_ERROR);
}

EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event)
{
    struct Handle* h = handle;
    if (!Registered(h))
        return FT_INVALID_HANDLE;
    if (mask && !event)
        return FT_INVALID_PARAMETER;
    pthread_mutex_lock(&h->lock);
    h->mask = mask;
    h->event = mask ? event : NULL;
    const int pending = h->count > 0 || h->lost;
    if (pending)
        SignalEvent(h); /* bytes that came before the event was given are not left waiting */
    pthread_mutex_unlock(&h->lock);
    return FT_OK;
}

/* ---- data ---- */

EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* waiting)
{
    struct Handle* h = handle;
    if (!waiting)
        return FT_INVALID_PARAMETER;
    *waiting = 0;
    if (!Registered(h))
        return FT_INVALID_HANDLE;
    pthread_mutex_lock(&h->lock);
    const int lost = h->lost;
    *waiting = lost ? 0 : (uint32_t)h->count;
    pthread_mutex_unlock(&h->lock);
    return lost ? FT_IO_ERROR : FT_OK;
}

EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t toRead, uint32_t* read)
{
    struct Handle* h = handle;
    if (!read)
        return FT_INVALID_PARAMETER;
    *read = 0;
    if (!Registered(h))
        return FT_INVALID_HANDLE;
    if (!buffer && toRead)
        return FT_INVALID_PARAMETER;
    pthread_mutex_lock(&h->lock);
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += h->readTimeoutMs / 1000;
    deadline.tv_nsec += (long)(h->readTimeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    /* Time-out 0 waits until all bytes came, as with the vendor's library. */
    while (h->count < toRead && !h->lost && !h->stop) {
        const int waited = h->readTimeoutMs ? pthread_cond_timedwait(&h->arrived, &h->lock, &deadline)
                                            : pthread_cond_wait(&h->arrived, &h->lock);
        if (waited == ETIMEDOUT)
            break;
    }
    uint32_t n = h->count < toRead ? (uint32_t)h->count : toRead;
    for (uint32_t i = 0; i < n; ++i)
        ((unsigned char*)buffer)[i] = h->queue[(h->head + i) % kQueueSize];
    h->head = (h->head + n) % kQueueSize;
    h->count -= n;
    *read = n;
    const int lost = h->lost;
    pthread_mutex_unlock(&h->lock);
    return lost && n == 0 ? FT_IO_ERROR : FT_OK;
}

EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, uint32_t toWrite, uint32_t* written)
{
    if (!written)
        return FT_INVALID_PARAMETER;
    *written = 0;
    HANDLE_OR_FAIL(h, handle);
    if (!buffer && toWrite)
        return FT_INVALID_PARAMETER;
    if (toWrite == 0)
        return FT_OK;
    const int result = g_calls->WriteData(h->ftdi, buffer, toWrite > 0x7FFFFFFF ? 0x7FFFFFFF : (int)toWrite);
    if (result < 0)
        return FT_IO_ERROR;
    *written = (uint32_t)result > toWrite ? toWrite : (uint32_t)result;
    return FT_OK;
}

/* ---- the rest of the vendor's table: present so the binding finds every name ---- */

#define NOT_SUPPORTED(name) \
    EXPORT FT_STATUS name(void) { return FT_NOT_SUPPORTED; }
NOT_SUPPORTED(FT_Open)
NOT_SUPPORTED(FT_SetDivisor)
NOT_SUPPORTED(FT_SetFlowControl)
NOT_SUPPORTED(FT_GetModemStatus)
NOT_SUPPORTED(FT_SetChars)
NOT_SUPPORTED(FT_ListDevices)
NOT_SUPPORTED(FT_GetStatus)
NOT_SUPPORTED(FT_SetBitMode)
NOT_SUPPORTED(FT_GetBitMode)
NOT_SUPPORTED(FT_GetDeviceInfo)
NOT_SUPPORTED(FT_SetResetPipeRetryCount)
NOT_SUPPORTED(FT_StopInTask)
NOT_SUPPORTED(FT_RestartInTask)
NOT_SUPPORTED(FT_ResetPort)
NOT_SUPPORTED(FT_CyclePort)
NOT_SUPPORTED(FT_GetDeviceInfoDetail)
NOT_SUPPORTED(FT_GetDriverVersion)
NOT_SUPPORTED(FT_GetLibraryVersion)
NOT_SUPPORTED(FT_EE_Read)
NOT_SUPPORTED(FT_EE_Program)
NOT_SUPPORTED(FT_ReadEE)
NOT_SUPPORTED(FT_WriteEE)
NOT_SUPPORTED(FT_EraseEE)
NOT_SUPPORTED(FT_EE_UARead)
NOT_SUPPORTED(FT_EE_UAWrite)
NOT_SUPPORTED(FT_EE_UASize)
NOT_SUPPORTED(FT_GetLatencyTimer)
