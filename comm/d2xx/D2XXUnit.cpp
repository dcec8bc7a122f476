#include "comm/d2xx/D2XXUnit.h"

#include "platform/UserMessage.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <set>

namespace dabrix::comm::d2xx {
namespace {

constexpr std::array<const char*, kLookupCount> kLookups = {
    "FT_Open", "FT_Close", "FT_Read", "FT_Write", "FT_SetBaudRate", "FT_SetDivisor",
    "FT_SetDataCharacteristics", "FT_SetFlowControl", "FT_ResetDevice", "FT_SetDtr",
    "FT_ClrDtr", "FT_SetRts", "FT_ClrRts", "FT_SetBreakOn", "FT_SetBreakOff",
    "FT_GetModemStatus", "FT_SetChars", "FT_Purge", "FT_SetTimeouts", "FT_GetQueueStatus",
    "FT_ListDevices", "FT_ListDevices", "FT_OpenEx", "FT_SetEventNotification",
    "FT_GetStatus", "FT_SetLatencyTimer", "FT_SetUSBParameters", "FT_SetBitMode",
    "FT_GetBitMode", "FT_GetDeviceInfo", "FT_SetResetPipeRetryCount", "FT_StopInTask",
    "FT_RestartInTask", "FT_ResetPort", "FT_CyclePort", "FT_CreateDeviceInfoList",
    "FT_GetDeviceInfoList", "FT_GetDeviceInfoDetail", "FT_GetDriverVersion",
    "FT_GetLibraryVersion", "FT_EE_Read", "FT_EE_Program", "FT_ReadEE", "FT_WriteEE",
    "FT_EraseEE", "FT_EE_UARead", "FT_EE_UAWrite", "FT_EE_UASize", "FT_GetLatencyTimer",
};

constexpr std::size_t SlotOf(std::string_view name)
{
    for (std::size_t i = 0; i < kLookups.size(); ++i) {
        if (name == kLookups[i])
            return i;
    }
    return kLookups.size();
}

#ifndef DABRIX_FTDI_PROVIDER_DIR
#define DABRIX_FTDI_PROVIDER_DIR "lib/dabrix"
#endif
constexpr const char* kProviderFile = "libdabrix-ftd2xx.so";

// A device count beyond this is taken as garbage; the list is never sized larger.
constexpr uint32_t kMaxListedDevices = 1024;
// Spare records behind the counted ones, for a device that arrives between
// FT_CreateDeviceInfoList and FT_GetDeviceInfoList (the library fills all it knows).
constexpr uint32_t kSpareRecords = 16;

struct Binding {
    std::array<std::atomic<void*>, kLookupCount> entries{};
    std::mutex loadLock;        // serialises LoadD2XX / UnloadD2XX / the deferred unload
    void* library = nullptr;    // guarded by loadLock
    std::set<FT_HANDLE> openHandles;  // guarded by loadLock
    std::atomic<bool> unloadPending{false};
    std::atomic<bool> showErrors{false};
    std::atomic<FT_STATUS> lastTransferStatus{FT_OK};

    std::mutex listLock;
    uint32_t deviceCount = 0;
    std::vector<FT_DEVICE_LIST_INFO_NODE> deviceList;
};

Binding& State()
{
    static Binding binding;
    return binding;
}

template <typename Fn>
Fn Entry(std::string_view name)
{
    const std::size_t slot = SlotOf(name);
    if (slot >= kLookupCount)
        return nullptr;
    return reinterpret_cast<Fn>(State().entries[slot].load(std::memory_order_acquire));
}

void ClearEntries(Binding& b)
{
    for (auto& e : b.entries)
        e.store(nullptr, std::memory_order_release);
}

// Caller holds loadLock.
void FreeLibrary(Binding& b)
{
    ClearEntries(b);
    if (b.library)
        dlclose(b.library);
    b.library = nullptr;
    b.unloadPending = false;
}

FT_STATUS Report(const char* messageName, FT_STATUS status)
{
    if (status != FT_OK && State().showErrors.load())
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error,
                                          ErrorText(messageName, status));
    return status;
}

bool IsClosedMarker(FT_HANDLE handle)
{
    return handle == nullptr || handle == reinterpret_cast<FT_HANDLE>(~uintptr_t{0});
}

FT_STATUS CallHandleOnly(std::string_view exportName, const char* messageName, FT_HANDLE handle)
{
    auto fn = Entry<PFT_HandleOnly>(exportName);
    if (!fn)
        return FT_INVALID_HANDLE;
    return Report(messageName, fn(handle));
}

// Opening and listing are refused while an unload waits for the last open handle.
bool AcceptsNewWork()
{
    return !State().unloadPending.load();
}

bool IsUntouched(const FT_DEVICE_LIST_INFO_NODE& node)
{
    static const FT_DEVICE_LIST_INFO_NODE zero{};
    return std::memcmp(&node, &zero, sizeof node) == 0;
}

std::string FieldText(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

} // namespace

const char* LookupName(std::size_t index)
{
    return index < kLookups.size() ? kLookups[index] : nullptr;
}

std::string LibraryPath()
{
    return LibraryCandidates().front();
}

std::vector<std::string> LibraryCandidates()
{
    const char* path = std::getenv("DABRIX_D2XX_LIBRARY");
    if (path && *path)
        return {std::string(path)};
    std::vector<std::string> candidates{"libftd2xx.so"};
    // The provider over libftdi1 that ships with the program, found from the program's
    // own folder: <prefix>/bin -> <prefix>/<libdir>/dabrix, or lib/dabrix in a build tree.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path prefix = exe.parent_path().parent_path();
        for (const char* dir : {DABRIX_FTDI_PROVIDER_DIR, "lib/dabrix"})
            candidates.push_back((prefix / dir / kProviderFile).string());
    }
    return candidates;
}

bool Loaded()
{
    Binding& b = State();
    std::lock_guard lock(b.loadLock);
    return b.library != nullptr && !b.unloadPending;
}

bool IsBound(std::string_view exportName)
{
    const std::size_t slot = SlotOf(exportName);
    return slot < kLookupCount && State().entries[slot].load() != nullptr;
}

void SetShowErrors(bool show)
{
    State().showErrors = show;
}

bool ShowErrors()
{
    return State().showErrors;
}

QString ErrorText(const char* messageName, FT_STATUS status)
{
    static const std::array<const char*, 18> texts = {
        "",
        QT_TRANSLATE_NOOP("D2XXUnit", " - Invalid handle..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Device not found..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Device not opened..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - General IO error..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Insufficient resources..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Invalid parameter..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Invalid baud rate..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " Device not opened for erase..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " Device not opened for write..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Failed to write..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - EEPROM read failed..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - EEPROM write failed..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - EEPROM erase failed..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - EEPROM not present..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - EEPROM not programmed..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Invalid arguments..."),
        QT_TRANSLATE_NOOP("D2XXUnit", " - Other error ..."),
    };
    QString text = QString::fromLatin1(messageName);
    if (status >= 1 && status < texts.size())
        text += QCoreApplication::translate("D2XXUnit", texts[status]);
    else
        text += QCoreApplication::translate("D2XXUnit", " - Unknown error (status %1)...").arg(status);
    return text;
}

FT_STATUS LastTransferStatus()
{
    return State().lastTransferStatus;
}

FT_STATUS OpenBySerialNumber(const std::string& serialNo, FT_HANDLE* handle)
{
    *handle = nullptr;
    auto fn = Entry<PFT_OpenEx>("FT_OpenEx");
    if (!fn || !AcceptsNewWork())
        return FT_INVALID_HANDLE;
    char buffer[kSerialNumberMax + 1] = {};
    const std::size_t length = std::min(strnlen(serialNo.c_str(), serialNo.size()), kSerialNumberMax);
    std::memcpy(buffer, serialNo.data(), length);
    buffer[length] = '\0';
    FT_STATUS status = fn(buffer, FT_OPEN_BY_SERIAL_NUMBER, handle);
    if (status == FT_OK && IsClosedMarker(*handle)) {
        // A library that claims success without a handle gave us nothing to work with.
        *handle = nullptr;
        status = FT_INVALID_HANDLE;
    }
    if (status == FT_OK) {
        Binding& b = State();
        std::lock_guard lock(b.loadLock);
        b.openHandles.insert(*handle);
    }
    return Report("Open_USB_Device_By_Serial_Number", status);
}

FT_STATUS Close(FT_HANDLE handle)
{
    if (IsClosedMarker(handle))
        return FT_OK;
    auto fn = Entry<PFT_Close>("FT_Close");
    if (!fn)
        return FT_INVALID_HANDLE;
    const FT_STATUS status = fn(handle);
    {
        // The handle is gone whatever the library answered; the last one lets a waiting
        // unload free the library.
        Binding& b = State();
        std::lock_guard lock(b.loadLock);
        b.openHandles.erase(handle);
        if (b.unloadPending && b.openHandles.empty())
            FreeLibrary(b);
    }
    return Report("FT_Close", status);
}

FT_STATUS ResetDevice(FT_HANDLE handle) { return CallHandleOnly("FT_ResetDevice", "FT_ResetDevice", handle); }
FT_STATUS SetRts(FT_HANDLE handle) { return CallHandleOnly("FT_SetRts", "FT_SetRTS", handle); }
FT_STATUS ClrRts(FT_HANDLE handle) { return CallHandleOnly("FT_ClrRts", "FT_ClrRTS", handle); }
FT_STATUS SetDtr(FT_HANDLE handle) { return CallHandleOnly("FT_SetDtr", "FT_SetDTR", handle); }
FT_STATUS ClrDtr(FT_HANDLE handle) { return CallHandleOnly("FT_ClrDtr", "FT_ClrDTR", handle); }
FT_STATUS SetBreakOn(FT_HANDLE handle) { return CallHandleOnly("FT_SetBreakOn", "FT_SetBreakOn", handle); }
FT_STATUS SetBreakOff(FT_HANDLE handle) { return CallHandleOnly("FT_SetBreakOff", "FT_SetBreakOff", handle); }

FT_STATUS SetBaudRate(FT_HANDLE handle, uint32_t rate)
{
    auto fn = Entry<PFT_SetBaudRate>("FT_SetBaudRate");
    return fn ? Report("FT_SetBaudRate", fn(handle, rate)) : FT_INVALID_HANDLE;
}

FT_STATUS SetDataCharacteristics(FT_HANDLE handle, uint8_t wordLength, uint8_t stopBits,
                                 uint8_t parity)
{
    auto fn = Entry<PFT_SetDataCharacteristics>("FT_SetDataCharacteristics");
    return fn ? Report("FT_SetDataCharacteristics", fn(handle, wordLength, stopBits, parity))
              : FT_INVALID_HANDLE;
}

FT_STATUS SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    auto fn = Entry<PFT_SetTimeouts>("FT_SetTimeouts");
    return fn ? Report("FT_SetTimeouts", fn(handle, readMs, writeMs)) : FT_INVALID_HANDLE;
}

FT_STATUS GetQueueStatus(FT_HANDLE handle, uint32_t* waiting)
{
    *waiting = 0;
    auto fn = Entry<PFT_GetQueueStatus>("FT_GetQueueStatus");
    return fn ? Report("FT_GetQueueStatus", fn(handle, waiting)) : FT_INVALID_HANDLE;
}

uint32_t Write(FT_HANDLE handle, const void* data, uint32_t count, FT_STATUS* status)
{
    FT_STATUS result = FT_INVALID_HANDLE;
    uint32_t written = 0;
    if (auto fn = Entry<PFT_Write>("FT_Write")) {
        result = Report("FT_Write", fn(handle, const_cast<void*>(data), count, &written));
        written = std::min(written, count);
    }
    State().lastTransferStatus = result;
    if (status)
        *status = result;
    return written;
}

uint32_t Read(FT_HANDLE handle, void* buffer, uint32_t count, FT_STATUS* status)
{
    FT_STATUS result = FT_INVALID_HANDLE;
    uint32_t read = 0;
    if (auto fn = Entry<PFT_Read>("FT_Read")) {
        result = Report("FT_Read", fn(handle, buffer, count, &read));
        read = std::min(read, count);
    }
    State().lastTransferStatus = result;
    if (status)
        *status = result;
    return read;
}

FT_STATUS SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event)
{
    auto fn = Entry<PFT_SetEventNotification>("FT_SetEventNotification");
    return fn ? Report("FT_SetEventNotifikation", fn(handle, mask, event)) : FT_INVALID_HANDLE;
}

FT_STATUS SetLatencyTimer(FT_HANDLE handle, uint8_t milliseconds)
{
    auto fn = Entry<PFT_SetLatencyTimer>("FT_SetLatencyTimer");
    return fn ? Report("FT_SetLatencyTimer", fn(handle, milliseconds)) : FT_INVALID_HANDLE;
}

FT_STATUS SetUSBParameters(FT_HANDLE handle, uint32_t inSize, uint32_t outSize)
{
    auto fn = Entry<PFT_SetUSBParameters>("FT_SetUSBParameters");
    return fn ? Report("FT_SetUSBParameters", fn(handle, inSize, outSize)) : FT_INVALID_HANDLE;
}

FT_STATUS SetLatencyTimerDirect(FT_HANDLE handle, uint8_t milliseconds)
{
    auto fn = Entry<PFT_SetLatencyTimer>("FT_SetLatencyTimer");
    return fn ? fn(handle, milliseconds) : FT_INVALID_HANDLE;
}

FT_STATUS SetEventNotificationDirect(FT_HANDLE handle, uint32_t mask, void* event)
{
    auto fn = Entry<PFT_SetEventNotification>("FT_SetEventNotification");
    return fn ? fn(handle, mask, event) : FT_INVALID_HANDLE;
}

FT_STATUS CreateDeviceInfoList()
{
    auto fn = Entry<PFT_CreateDeviceInfoList>("FT_CreateDeviceInfoList");
    if (!fn || !AcceptsNewWork())
        return FT_INVALID_HANDLE;
    uint32_t count = 0;
    const FT_STATUS status = fn(&count);
    {
        Binding& b = State();
        std::lock_guard lock(b.listLock);
        b.deviceCount = status == FT_OK ? count : 0;
    }
    return Report("FT_CreateDeviceInfoList", status);
}

FT_STATUS GetDeviceInfoList()
{
    auto fn = Entry<PFT_GetDeviceInfoList>("FT_GetDeviceInfoList");
    if (!fn || !AcceptsNewWork())
        return FT_INVALID_HANDLE;
    Binding& b = State();
    uint32_t counted = 0;
    {
        std::lock_guard lock(b.listLock);
        counted = std::min(b.deviceCount, kMaxListedDevices);
    }
    // The library is called without the lock; the list is swapped in afterwards.
    std::vector<FT_DEVICE_LIST_INFO_NODE> list(counted + kSpareRecords, FT_DEVICE_LIST_INFO_NODE{});
    uint32_t reported = counted;
    const FT_STATUS status = fn(list.data(), &reported);
    if (status == FT_OK) {
        list.resize(std::min<std::size_t>(reported, list.size()));
        // A count above the records written leaves spare records untouched (all zero);
        // they are not devices.
        while (list.size() > counted && IsUntouched(list.back()))
            list.pop_back();
    } else {
        list.clear();
    }
    {
        std::lock_guard lock(b.listLock);
        b.deviceCount = static_cast<uint32_t>(list.size());
        b.deviceList = std::move(list);
    }
    return Report("FT_GetDeviceInfoList", status);
}

uint32_t DeviceCount()
{
    Binding& b = State();
    std::lock_guard lock(b.listLock);
    return b.deviceCount;
}

std::vector<FT_DEVICE_LIST_INFO_NODE> DeviceInfoList()
{
    Binding& b = State();
    std::lock_guard lock(b.listLock);
    return b.deviceList;
}

std::string NodeSerialNumber(const FT_DEVICE_LIST_INFO_NODE& node)
{
    return FieldText(node.SerialNumber, sizeof node.SerialNumber);
}

std::string NodeDescription(const FT_DEVICE_LIST_INFO_NODE& node)
{
    return FieldText(node.Description, sizeof node.Description);
}

} // namespace dabrix::comm::d2xx

using namespace dabrix::comm::d2xx;

bool LoadD2XX()
{
    Binding& b = State();
    std::lock_guard lock(b.loadLock);
    // Opening before letting go of a library loaded earlier keeps the same file mapped
    // for any link that is still open on it.
    std::string path;
    void* library = nullptr;
    for (const std::string& candidate : LibraryCandidates()) {
        library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library) {
            path = candidate;
            break;
        }
        const char* why = dlerror();
        qWarning().noquote() << "D2XX: cannot load" << QString::fromStdString(candidate) << "-"
                             << (why ? why : "unknown reason");
    }
    if (library)
        qInfo().noquote() << "D2XX: bound" << QString::fromStdString(path);
    if (!library) {
        // A library loaded earlier goes now, or with the last handle still open on it.
        if (b.openHandles.empty())
            FreeLibrary(b);
        else
            b.unloadPending = true;
        return false;
    }
    void* previous = b.library;
    b.library = library;
    b.unloadPending = false;

    bool complete = true;
    std::set<std::string_view> reported;
    for (std::size_t i = 0; i < kLookups.size(); ++i) {
        void* entry = dlsym(library, kLookups[i]);
        b.entries[i].store(entry, std::memory_order_release);
        if (!entry) {
            complete = false;
            if (reported.insert(kLookups[i]).second)
                qWarning().noquote() << "D2XX: entry point" << kLookups[i] << "not found in"
                                     << QString::fromStdString(path);
        }
    }
    if (previous)
        dlclose(previous);
    return complete;
}

void UnloadD2XX()
{
    Binding& b = State();
    std::lock_guard lock(b.loadLock);
    if (!b.library)
        return;
    if (!b.openHandles.empty()) {
        qWarning() << "D2XX: unload postponed until" << b.openHandles.size()
                   << "open device(s) are closed";
        b.unloadPending = true;
        return;
    }
    FreeLibrary(b);
}
