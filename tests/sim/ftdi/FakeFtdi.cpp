#include "tests/sim/ftdi/FakeFtdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace dabrix::test {

FakeFtdi* FakeFtdi::current = nullptr;

namespace {

FakeFtdi& F() { return *FakeFtdi::current; }

FakeFtdi::Context* Ctx(ftdi_context* ftdi)
{
    for (auto& c : F().contexts) {
        if (c.ftdi == ftdi)
            return &c;
    }
    return nullptr;
}

// The device an open context drives, or null after an unplug.
FakeFtdiDevice* Open(ftdi_context* ftdi)
{
    FakeFtdi::Context* c = Ctx(ftdi);
    return c && c->open && !c->open->unplugged ? c->open : nullptr;
}

ftdi_context* New()
{
    std::lock_guard g(F().Lock());
    auto* ftdi = static_cast<ftdi_context*>(std::calloc(1, sizeof(ftdi_context)));
    F().contexts.push_back({ftdi});
    return ftdi;
}

void Free(ftdi_context* ftdi)
{
    std::lock_guard g(F().Lock());
    auto& cs = F().contexts;
    cs.erase(std::remove_if(cs.begin(), cs.end(), [&](auto& c) { return c.ftdi == ftdi; }), cs.end());
    std::free(ftdi);
}

int FindAll(ftdi_context*, ftdi_device_list** list, int vendor, int product)
{
    std::lock_guard g(F().Lock());
    *list = nullptr;
    int n = 0;
    for (auto& d : F().devices) {
        if (vendor != 0x0403 || d->product != product || d->unplugged)
            continue;
        auto* node = static_cast<ftdi_device_list*>(std::calloc(1, sizeof(ftdi_device_list)));
        node->dev = reinterpret_cast<libusb_device*>(d.get());
        node->next = *list;
        *list = node;
        ++n;
    }
    return n;
}

void ListFree(ftdi_device_list** list)
{
    while (*list) {
        ftdi_device_list* next = (*list)->next;
        std::free(*list);
        *list = next;
    }
}

int GetStrings(ftdi_context*, libusb_device* dev, char* m, int, char* desc, int descLen,
               char* serial, int serialLen)
{
    std::lock_guard g(F().Lock());
    auto* d = reinterpret_cast<FakeFtdiDevice*>(dev);
    if (d->unreadable || d->unplugged)
        return -4;
    if (m)
        *m = 0;
    if (desc)
        std::snprintf(desc, descLen, "%s", d->description.c_str());
    if (serial)
        std::snprintf(serial, serialLen, "%s", d->serial.c_str());
    return 0;
}

int SetInterface(ftdi_context* ftdi, enum ftdi_interface iface)
{
    std::lock_guard g(F().Lock());
    Ctx(ftdi)->iface = iface;
    return 0;
}

// Plain fields of the context in libftdi1, read back at open and close.
void SetDetachMode(ftdi_context* ftdi, enum ftdi_module_detach_mode mode)
{
    ftdi->module_detach_mode = mode;
}

void SetUsbTimeouts(ftdi_context* ftdi, int readMs, int writeMs)
{
    ftdi->usb_read_timeout = readMs;
    ftdi->usb_write_timeout = writeMs;
}

int OpenDev(ftdi_context* ftdi, libusb_device* dev)
{
    std::lock_guard g(F().Lock());
    auto* d = reinterpret_cast<FakeFtdiDevice*>(dev);
    FakeFtdi::Context* c = Ctx(ftdi);
    if (d->openResult < 0)
        return d->openResult;
    if (d->openCount > 0 && std::find(d->interfaces.begin(), d->interfaces.end(), c->iface) != d->interfaces.end())
        return -5;  // that interface is claimed already
    d->interfaces.push_back(c->iface);
    if (ftdi->module_detach_mode != DONT_DETACH_SIO_MODULE)
        d->kernelDriver = false;
    ++d->openCount;
    c->open = d;
    return 0;
}

int Close(ftdi_context* ftdi)
{
    std::lock_guard g(F().Lock());
    FakeFtdi::Context* c = Ctx(ftdi);
    if (!c || !c->open)
        return -3;
    FakeFtdiDevice* d = c->open;
    c->open = nullptr;
    --d->openCount;
    if (d->unplugged)
        return -1;  // usb_release failed
    if (ftdi->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE && d->openCount == 0)
        d->kernelDriver = true;
    return 0;
}

#define ON_OPEN(ftdi, missing) \
    std::lock_guard g(F().Lock()); \
    FakeFtdiDevice* d = Open(ftdi); \
    if (!d) \
        return missing

int Reset(ftdi_context* ftdi)
{
    ON_OPEN(ftdi, -2);
    d->toHost.clear();
    ++d->resets;
    return 0;
}
int SetBaudrate(ftdi_context* ftdi, int rate)
{
    ON_OPEN(ftdi, -3);
    if (d->baudResult < 0)
        return d->baudResult;
    d->baudrate = rate;
    return 0;
}
int SetLine(ftdi_context* ftdi, enum ftdi_bits_type bits, enum ftdi_stopbits_type stopBits,
            enum ftdi_parity_type parity, enum ftdi_break_type brk)
{
    ON_OPEN(ftdi, -2);
    d->bits = bits;
    d->stopBits = stopBits;
    d->parity = parity;
    if (d->breakState != brk)
        d->lineChanges.push_back(brk == BREAK_ON ? "BREAK=1" : "BREAK=0");
    d->breakState = brk;
    return 0;
}
int SetLatency(ftdi_context* ftdi, unsigned char latency)
{
    ON_OPEN(ftdi, -3);
    if (latency < 1)
        return -1;
    if (d->latencyResult < 0)
        return d->latencyResult;
    d->latency = latency;
    return 0;
}
// Only the context's own setting: libftdi1 fails these for a missing context alone.
int Chunksize(ftdi_context* ftdi, unsigned int size, unsigned FakeFtdiDevice::*field)
{
    std::lock_guard g(F().Lock());
    if (!Ctx(ftdi))
        return -1;
    if (FakeFtdiDevice* d = Open(ftdi))
        d->*field = size;
    return 0;
}
int ReadChunksize(ftdi_context* ftdi, unsigned int size) { return Chunksize(ftdi, size, &FakeFtdiDevice::readChunk); }
int WriteChunksize(ftdi_context* ftdi, unsigned int size) { return Chunksize(ftdi, size, &FakeFtdiDevice::writeChunk); }
int SetDtr(ftdi_context* ftdi, int state)
{
    ON_OPEN(ftdi, -2);
    d->dtr = state;
    d->lineChanges.push_back(state ? "DTR=1" : "DTR=0");
    return 0;
}
int SetRts(ftdi_context* ftdi, int state)
{
    ON_OPEN(ftdi, -2);
    d->rts = state;
    d->lineChanges.push_back(state ? "RTS=1" : "RTS=0");
    return 0;
}
int ReadData(ftdi_context* ftdi, unsigned char* buf, int size)
{
    ON_OPEN(ftdi, -4);  // LIBUSB_ERROR_NO_DEVICE from the bulk transfer
    int n = 0;
    while (n < size && !d->toHost.empty()) {
        buf[n++] = d->toHost.front();
        d->toHost.pop_front();
    }
    return n;
}
int WriteData(ftdi_context* ftdi, const unsigned char* buf, int size)
{
    ON_OPEN(ftdi, -666);
    if (d->writeResult < 0)
        return d->writeResult;
    d->fromHost.insert(d->fromHost.end(), buf, buf + size);
    return size;
}
int Flush(ftdi_context* ftdi) { ON_OPEN(ftdi, -2); return 0; }

const DabrixFtdiCalls kFake = {
    New, Free, FindAll, ListFree, GetStrings, SetInterface, SetDetachMode, SetUsbTimeouts,
    OpenDev, Close, Reset, SetBaudrate, SetLine, SetLatency, ReadChunksize, WriteChunksize, SetDtr,
    SetRts, ReadData, WriteData, Flush, Flush,
};

} // namespace

FakeFtdi::FakeFtdi()
{
    current = this;
}

FakeFtdi::~FakeFtdi()
{
    current = nullptr;
}

const DabrixFtdiCalls& FakeFtdi::Calls()
{
    return kFake;
}

FakeFtdiDevice* FakeFtdi::Find(const std::string& serial)
{
    std::lock_guard g(lock_);
    for (auto& d : devices) {
        if (d->serial == serial)
            return d.get();
    }
    return nullptr;
}

void FakeFtdi::Clear()
{
    std::lock_guard g(lock_);
    for (auto& d : devices) {
        if (d->openCount > 0) {
            d->unplugged = true;
            forgotten.push_back(std::move(d));
        }
    }
    devices.clear();
}

FakeFtdiDevice& FakeFtdi::Add(int product, const std::string& serial, const std::string& description)
{
    std::lock_guard g(lock_);
    devices.push_back(std::make_unique<FakeFtdiDevice>());
    FakeFtdiDevice& d = *devices.back();
    d.product = product;
    d.serial = serial;
    d.description = description;
    return d;
}

void FakeFtdi::Send(FakeFtdiDevice& d, const std::vector<uint8_t>& bytes)
{
    std::lock_guard g(lock_);
    d.toHost.insert(d.toHost.end(), bytes.begin(), bytes.end());
}

void FakeFtdi::Unplug(FakeFtdiDevice& d)
{
    std::lock_guard g(lock_);
    d.unplugged = true;
}

int FakeFtdi::OpenContexts()
{
    std::lock_guard g(lock_);
    return static_cast<int>(contexts.size());
}

} // namespace dabrix::test
