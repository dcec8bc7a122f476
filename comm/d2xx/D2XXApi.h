#pragma once
// Our own declarations of the D2XX library's exported C functions (the USB bridge chip
// vendor's libftd2xx.so), written from the names and argument lists the program uses.
// Both the binding (D2XXUnit) and the simulated library in the test tree include this
// header, so they agree on every type below.
//
// Plain C types only: the library may come from another compiler, so nothing here may
// depend on the C++ standard library's layout.
#include <pthread.h>
#include <stdint.h>

extern "C" {

typedef uint32_t FT_STATUS;
typedef void* FT_HANDLE;

// Statuses the program tells apart (the error box has a text for 1..17).
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_OTHER_ERROR = 17,
};

// FT_OpenEx: the first argument is a zero-terminated serial number.
enum : uint32_t { FT_OPEN_BY_SERIAL_NUMBER = 1 };

// FT_SetEventNotification mask bit: a character was received.
enum : uint32_t { FT_EVENT_RXCHAR = 1 };

// FT_SetDataCharacteristics values the program uses.
enum : uint8_t { FT_BITS_8 = 8, FT_STOP_BITS_1 = 0, FT_PARITY_NONE = 0 };

// What FT_SetEventNotification gets as its event argument on Linux: a condition variable
// with its mutex, which the library signals when an event of the mask occurs. It sets
// nothing else: the third field only gives the record the size the library expects and
// is never read or written.
struct D2XXEventHandle {
    pthread_cond_t Cond;
    pthread_mutex_t Mutex;
    int Unused;
};

// One record of the device information list as FT_GetDeviceInfoList fills it.
// Strings are NUL-terminated when they fit; readers must not rely on it.
struct FT_DEVICE_LIST_INFO_NODE {
    uint32_t Flags;
    uint32_t Type;
    uint32_t ID;       // vendor ID << 16 | product ID; 0 while the device is open elsewhere
    uint32_t LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

// Signatures of the entry points the program calls.
typedef FT_STATUS (*PFT_OpenEx)(void* arg, uint32_t flags, FT_HANDLE* handle);
typedef FT_STATUS (*PFT_Close)(FT_HANDLE handle);
typedef FT_STATUS (*PFT_Read)(FT_HANDLE handle, void* buffer, uint32_t toRead, uint32_t* read);
typedef FT_STATUS (*PFT_Write)(FT_HANDLE handle, void* buffer, uint32_t toWrite, uint32_t* written);
typedef FT_STATUS (*PFT_HandleOnly)(FT_HANDLE handle);  // reset, DTR, RTS, break
typedef FT_STATUS (*PFT_SetBaudRate)(FT_HANDLE handle, uint32_t rate);
typedef FT_STATUS (*PFT_SetDataCharacteristics)(FT_HANDLE handle, uint8_t wordLength,
                                                uint8_t stopBits, uint8_t parity);
typedef FT_STATUS (*PFT_SetTimeouts)(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs);
typedef FT_STATUS (*PFT_GetQueueStatus)(FT_HANDLE handle, uint32_t* rxBytes);
typedef FT_STATUS (*PFT_SetEventNotification)(FT_HANDLE handle, uint32_t mask, void* event);
typedef FT_STATUS (*PFT_SetLatencyTimer)(FT_HANDLE handle, uint8_t milliseconds);
typedef FT_STATUS (*PFT_SetUSBParameters)(FT_HANDLE handle, uint32_t inSize, uint32_t outSize);
typedef FT_STATUS (*PFT_CreateDeviceInfoList)(uint32_t* count);
typedef FT_STATUS (*PFT_GetDeviceInfoList)(FT_DEVICE_LIST_INFO_NODE* list, uint32_t* count);

} // extern "C"
