#pragma once
// D2XXUnit: the binding to the USB bridge vendor's D2XX library (libftd2xx.so, the file
// named by DABRIX_D2XX_LIBRARY, or the program's own provider over libftdi1). It loads
// the library at run time, binds its entry points, wraps the calls the program makes
// and turns failure statuses into error boxes.
//
// Every wrapper works the same way: an unbound entry point returns 1 (FT_INVALID_HANDLE)
// without calling anything; otherwise the function is called and a non-zero status is
// shown in an error box "<message name><status text>" when the show-errors flag is set
// (through dabrix::platform::ShowUserMessage, on the calling thread's behalf).
//
// There is one binding per process.
//
// Threading contract:
//  - LoadD2XX and UnloadD2XX run on the user-interface thread. They are the only writers
//    of the bindings table. Each entry is an atomic pointer, so a wrapper on another
//    thread sees either the function or nothing.
//  - The library is never unmapped under an open handle: UnloadD2XX while a handle opened
//    through OpenBySerialNumber is still open only marks the unload. The open links keep
//    working, new opens and device lists fail with 1, and the library is freed when the
//    last of those handles goes through Close.
//  - The wrappers may be called from any thread. A USB link's receive thread queries and
//    reads while the user-interface thread writes to the same handle or drives its
//    lines; the library itself must allow that (the vendor's does), this unit adds no lock.
//  - The show-errors flag and the last transfer status are atomics shared by all threads.
//  - The device count and the device information list are guarded by a mutex; readers
//    get copies.
#include "comm/d2xx/D2XXApi.h"

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Loads the library and binds every entry point. True only if the library loaded and
// every look-up succeeded; the entry points that were found stay bound either way, and
// each missing one is named in a log warning.
bool LoadD2XX();

// Frees the library (see the threading contract for open handles) and forgets every
// binding; every wrapper then returns 1.
void UnloadD2XX();

namespace dabrix::comm::d2xx {

// Longest serial number passed to FT_OpenEx; longer ones are cut.
inline constexpr std::size_t kSerialNumberMax = 49;

// Look-ups made by LoadD2XX, in order (FT_ListDevices twice).
inline constexpr std::size_t kLookupCount = 49;
const char* LookupName(std::size_t index);

// The first file LoadD2XX tries: $DABRIX_D2XX_LIBRARY when set and not empty, else
// libftd2xx.so.
std::string LibraryPath();
// Every file LoadD2XX tries, in order, binding the first that loads: only
// $DABRIX_D2XX_LIBRARY when set; else the vendor's libftd2xx.so, then the program's own
// provider over libftdi1 (libdabrix-ftd2xx.so beside the program's libraries).
std::vector<std::string> LibraryCandidates();

// Whether the library is loaded and not waiting to be freed.
bool Loaded();
// Whether the entry point of that export name is bound now.
bool IsBound(std::string_view exportName);

void SetShowErrors(bool show);
bool ShowErrors();

// The error box text for a message name and a non-zero status.
QString ErrorText(const char* messageName, FT_STATUS status);

// The status of the latest FT_Read or FT_Write made through the wrappers (1 when the
// entry point was missing). Process-wide: with a receive thread reading, the status of a
// write must be taken from Write's own `status` argument instead.
FT_STATUS LastTransferStatus();

// Opens by serial number (at most kSerialNumberMax characters are used). `handle` is set
// to 0 first and holds the opened handle on success.
FT_STATUS OpenBySerialNumber(const std::string& serialNo, FT_HANDLE* handle);
// Returns 0 without calling for a null handle or the closed marker (all bits set).
FT_STATUS Close(FT_HANDLE handle);
FT_STATUS ResetDevice(FT_HANDLE handle);
FT_STATUS SetRts(FT_HANDLE handle);
FT_STATUS ClrRts(FT_HANDLE handle);
FT_STATUS SetDtr(FT_HANDLE handle);
FT_STATUS ClrDtr(FT_HANDLE handle);
FT_STATUS SetBreakOn(FT_HANDLE handle);
FT_STATUS SetBreakOff(FT_HANDLE handle);
FT_STATUS SetBaudRate(FT_HANDLE handle, uint32_t rate);
FT_STATUS SetDataCharacteristics(FT_HANDLE handle, uint8_t wordLength, uint8_t stopBits,
                                 uint8_t parity);
FT_STATUS SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs);
FT_STATUS GetQueueStatus(FT_HANDLE handle, uint32_t* waiting);
// Read and Write return the number of bytes moved (never more than `count`); the status
// goes to the last transfer status and, when given, to *status.
uint32_t Write(FT_HANDLE handle, const void* data, uint32_t count, FT_STATUS* status = nullptr);
uint32_t Read(FT_HANDLE handle, void* buffer, uint32_t count, FT_STATUS* status = nullptr);
FT_STATUS SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event);
FT_STATUS SetLatencyTimer(FT_HANDLE handle, uint8_t milliseconds);
FT_STATUS SetUSBParameters(FT_HANDLE handle, uint32_t inSize, uint32_t outSize);

// Straight to the entry point, no error box (1 when unbound).
FT_STATUS SetLatencyTimerDirect(FT_HANDLE handle, uint8_t milliseconds);
FT_STATUS SetEventNotificationDirect(FT_HANDLE handle, uint32_t mask, void* event);

// FT_CreateDeviceInfoList into the device count (0 after a failure).
FT_STATUS CreateDeviceInfoList();
// Sizes the list to the device count, lets FT_GetDeviceInfoList fill it and takes the
// count it reports, never more than the records the list holds. Empty after a failure.
FT_STATUS GetDeviceInfoList();
uint32_t DeviceCount();
std::vector<FT_DEVICE_LIST_INFO_NODE> DeviceInfoList();

// A record's strings, up to the first NUL and never past their field.
std::string NodeSerialNumber(const FT_DEVICE_LIST_INFO_NODE& node);
std::string NodeDescription(const FT_DEVICE_LIST_INFO_NODE& node);

} // namespace dabrix::comm::d2xx
