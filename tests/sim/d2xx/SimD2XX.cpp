// A simulated D2XX library: the FT_* exports the program binds, answered from a table of
// simulated bridge devices that a test or the gauge simulator fills through the
// dabrix_sim_d2xx_* control calls (SimD2XXControl.h).
//
// The event given to FT_SetEventNotification is treated as the vendor documents it for
// Linux: a condition variable with its mutex that the library signals, nothing more. The
// record's third field is never touched, so a waiter that looks for a flag there waits in
// vain, as it would with the vendor's library.
//
// One mutex guards all state; FT_Read waits on a condition variable for its bytes up to
// the read time-out. Built three times: complete; with DABRIX_SIM_D2XX_PARTIAL, which
// leaves out FT_SetBaudRate and FT_GetLatencyTimer; and with DABRIX_SIM_D2XX_LOST_WAKEUP,
// whose signals always come while the program is not waiting (see LandInFlight).
#include "comm/d2xx/D2XXApi.h"
#include "tests/sim/d2xx/SimD2XXControl.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Device {
    std::string serial;
    std::string description;
    uint32_t id = 0;
    uint32_t locId = 0;
    bool inUseElsewhere = false;
    FT_HANDLE handle = nullptr;  // while the program holds it open
    std::deque<uint8_t> rx;      // gauge -> program
    std::deque<uint8_t> inFlight;  // sent by the gauge, not yet in rx (lost-wake-up variant)
    std::vector<uint8_t> tx;     // program -> gauge
    std::vector<std::string> lines;
    DabrixSimD2XXSettings settings{};
    D2XXEventHandle* event = nullptr;
};

struct Failure {
    FT_STATUS status = FT_OK;
    int times = 0;  // < 0: every call
};

constexpr std::size_t kMaxLoggedCalls = 100000;

struct Sim {
    std::mutex lock;
    std::condition_variable rxArrived;
    std::vector<std::unique_ptr<Device>> devices;
    std::set<FT_HANDLE> liveHandles;            // handles given out and not closed
    std::map<FT_HANDLE, std::string> handleSerial;
    std::map<std::string, Failure> failures;
    std::vector<std::string> calls;
    std::string lastOpenSerial;
    uint32_t readLimit = 0;
    uint32_t writeLimit = 0;
    uint32_t listOverstatement = 0;
    uint32_t nextLocId = 0x1001;
};

Sim& S()
{
    static Sim sim;
    return sim;
}

Device* FindBySerial(Sim& s, const std::string& serial)
{
    for (auto& d : s.devices) {
        if (d->serial == serial)
            return d.get();
    }
    return nullptr;
}

// The device behind a live handle; nullptr with *status set when there is none.
Device* FindByHandle(Sim& s, FT_HANDLE handle, FT_STATUS* status)
{
    if (!s.liveHandles.count(handle)) {
        *status = FT_INVALID_HANDLE;
        return nullptr;
    }
    Device* d = FindBySerial(s, s.handleSerial[handle]);
    if (!d || d->handle != handle) {
        *status = FT_IO_ERROR;  // unplugged while open
        return nullptr;
    }
    *status = FT_OK;
    return d;
}

// Records the call; returns the injected failure status or FT_OK. Caller holds the lock.
FT_STATUS Enter(Sim& s, const char* function)
{
    if (s.calls.size() < kMaxLoggedCalls)
        s.calls.emplace_back(function);
    auto it = s.failures.find(function);
    if (it == s.failures.end())
        return FT_OK;
    const FT_STATUS status = it->second.status;
    if (it->second.times > 0 && --it->second.times == 0)
        s.failures.erase(it);
    return status;
}

// The common start of FT_Read and FT_Write: clears the byte count, records the call and
// finds the device. nullptr with *status set when the transfer cannot go ahead.
Device* BeginTransfer(Sim& s, const char* function, FT_HANDLE handle, bool bufferOk,
                      uint32_t* moved, FT_STATUS* status)
{
    if (moved)
        *moved = 0;
    *status = Enter(s, function);
    if (*status != FT_OK)
        return nullptr;
    Device* d = FindByHandle(s, handle, status);
    if (d && (!bufferOk || !moved)) {
        *status = FT_INVALID_PARAMETER;
        return nullptr;
    }
    return d;
}

// Signals the device's registered event when its mask asks for received characters.
void SignalReceived(const Device& d)
{
    if (!d.event || !(d.settings.EventMask & FT_EVENT_RXCHAR))
        return;
    pthread_mutex_lock(&d.event->Mutex);
    pthread_cond_signal(&d.event->Cond);
    pthread_mutex_unlock(&d.event->Mutex);
}

#ifdef DABRIX_SIM_D2XX_LOST_WAKEUP
// The lost-wake-up variant: the gauge's bytes land in the queue, with their signal, from
// inside the program's next FT_GetQueueStatus, after its answer was taken. The caller is
// then busy in the library, so nobody waits on the event and the signal is lost, exactly
// the race a real device runs when bytes arrive between a queue query and the wait.
void LandInFlight(Sim& s, Device& d)
{
    if (d.inFlight.empty())
        return;
    d.rx.insert(d.rx.end(), d.inFlight.begin(), d.inFlight.end());
    d.inFlight.clear();
    s.rxArrived.notify_all();
    SignalReceived(d);
}
#endif

uint32_t CopyText(const std::string& text, char* buffer, uint32_t size)
{
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string text;
    for (const auto& p : parts) {
        if (!text.empty())
            text += ',';
        text += p;
    }
    return text;
}

// The common shape of the calls that take only a handle and change one thing.
template <typename Change>
FT_STATUS OnDevice(const char* function, FT_HANDLE handle, Change change)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    FT_STATUS status = Enter(s, function);
    if (status != FT_OK)
        return status;
    Device* d = FindByHandle(s, handle, &status);
    if (!d)
        return status;
    change(*d);
    return FT_OK;
}

FT_STATUS LineChange(const char* function, FT_HANDLE handle, const char* record)
{
    return OnDevice(function, handle, [&](Device& d) { d.lines.emplace_back(record); });
}

FT_STATUS Unsupported(const char* function)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    const FT_STATUS status = Enter(s, function);
    return status != FT_OK ? status : FT_OTHER_ERROR;
}

} // namespace

// ---- the library's exports ----------------------------------------------------------

SIM_EXPORT FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    if (handle)
        *handle = nullptr;
    const FT_STATUS injected = Enter(s, "FT_OpenEx");
    if (!arg || !handle || flags != FT_OPEN_BY_SERIAL_NUMBER)
        return FT_INVALID_PARAMETER;
    s.lastOpenSerial = static_cast<const char*>(arg);
    if (injected != FT_OK)
        return injected;
    Device* d = FindBySerial(s, s.lastOpenSerial);
    if (!d)
        return FT_DEVICE_NOT_FOUND;
    if (d->inUseElsewhere || d->handle)
        return FT_DEVICE_NOT_OPENED;
    // A fresh heap address per open, so a stale handle never names a later open.
    auto* token = new char(0);
    d->handle = token;
    d->rx.clear();
    d->inFlight.clear();
    d->event = nullptr;
    d->settings.Open = 1;
    d->settings.EventMask = 0;
    d->settings.EventSet = 0;
    s.liveHandles.insert(token);
    s.handleSerial[token] = d->serial;
    *handle = token;
    return FT_OK;
}

SIM_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    const FT_STATUS injected = Enter(s, "FT_Close");
    if (!s.liveHandles.count(handle))
        return FT_INVALID_HANDLE;
    if (injected != FT_OK)
        return injected;
    if (Device* d = FindBySerial(s, s.handleSerial[handle]); d && d->handle == handle) {
        d->handle = nullptr;
        d->event = nullptr;
        d->settings.Open = 0;
        d->settings.EventSet = 0;
    }
    s.liveHandles.erase(handle);
    s.handleSerial.erase(handle);
    delete static_cast<char*>(handle);
    s.rxArrived.notify_all();
    return FT_OK;
}

SIM_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t toRead, uint32_t* read)
{
    Sim& s = S();
    std::unique_lock guard(s.lock);
    FT_STATUS status = FT_OK;
    Device* d = BeginTransfer(s, "FT_Read", handle, buffer != nullptr, read, &status);
    if (!d)
        return status;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(d->settings.ReadTimeout);
    // Wait for the bytes up to the read time-out. The device may be closed or unplugged
    // meanwhile, so it is looked up again after every wait.
    while (d->rx.size() < toRead) {
        const bool timedOut = s.rxArrived.wait_until(guard, deadline) == std::cv_status::timeout;
        d = FindByHandle(s, handle, &status);
        if (!d)
            return status;
        if (timedOut)
            break;
    }
    std::size_t n = std::min<std::size_t>(toRead, d->rx.size());
    if (s.readLimit > 0)
        n = std::min<std::size_t>(n, s.readLimit);
    std::copy_n(d->rx.begin(), n, static_cast<uint8_t*>(buffer));
    d->rx.erase(d->rx.begin(), d->rx.begin() + static_cast<std::ptrdiff_t>(n));
    *read = static_cast<uint32_t>(n);
    return FT_OK;
}

SIM_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, uint32_t toWrite, uint32_t* written)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    FT_STATUS status = FT_OK;
    Device* d = BeginTransfer(s, "FT_Write", handle, buffer != nullptr || toWrite == 0, written, &status);
    if (!d)
        return status;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    const uint32_t n = s.writeLimit > 0 ? std::min(toWrite, s.writeLimit) : toWrite;
    d->tx.insert(d->tx.end(), bytes, bytes + n);
    *written = n;
    return FT_OK;
}

#ifndef DABRIX_SIM_D2XX_PARTIAL
SIM_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t rate)
{
    return OnDevice("FT_SetBaudRate", handle, [&](Device& d) { d.settings.BaudRate = rate; });
}
#endif

SIM_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, uint8_t wordLength,
                                               uint8_t stopBits, uint8_t parity)
{
    return OnDevice("FT_SetDataCharacteristics", handle, [&](Device& d) {
        d.settings.WordLength = wordLength;
        d.settings.StopBits = stopBits;
        d.settings.Parity = parity;
    });
}

SIM_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return OnDevice("FT_ResetDevice", handle, [](Device& d) { ++d.settings.ResetCount; });
}

SIM_EXPORT FT_STATUS FT_SetDtr(FT_HANDLE handle) { return LineChange("FT_SetDtr", handle, "DTR=1"); }
SIM_EXPORT FT_STATUS FT_ClrDtr(FT_HANDLE handle) { return LineChange("FT_ClrDtr", handle, "DTR=0"); }
SIM_EXPORT FT_STATUS FT_SetRts(FT_HANDLE handle) { return LineChange("FT_SetRts", handle, "RTS=1"); }
SIM_EXPORT FT_STATUS FT_ClrRts(FT_HANDLE handle) { return LineChange("FT_ClrRts", handle, "RTS=0"); }
SIM_EXPORT FT_STATUS FT_SetBreakOn(FT_HANDLE handle) { return LineChange("FT_SetBreakOn", handle, "BREAK=1"); }
SIM_EXPORT FT_STATUS FT_SetBreakOff(FT_HANDLE handle) { return LineChange("FT_SetBreakOff", handle, "BREAK=0"); }

SIM_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    return OnDevice("FT_SetTimeouts", handle, [&](Device& d) {
        d.settings.ReadTimeout = readMs;
        d.settings.WriteTimeout = writeMs;
    });
}

SIM_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    if (!rxBytes)
        return FT_INVALID_PARAMETER;
    *rxBytes = 0;
    return OnDevice("FT_GetQueueStatus", handle, [&](Device& d) {
        *rxBytes = static_cast<uint32_t>(d.rx.size());
#ifdef DABRIX_SIM_D2XX_LOST_WAKEUP
        LandInFlight(S(), d);
#endif
    });
}

SIM_EXPORT FT_STATUS FT_SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event)
{
    return OnDevice("FT_SetEventNotification", handle, [&](Device& d) {
        d.settings.EventMask = mask;
        d.event = static_cast<D2XXEventHandle*>(event);
        d.settings.EventSet = (mask != 0 && event) ? 1 : 0;
    });
}

SIM_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t milliseconds)
{
    return OnDevice("FT_SetLatencyTimer", handle, [&](Device& d) { d.settings.Latency = milliseconds; });
}

SIM_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, uint32_t inSize, uint32_t outSize)
{
    return OnDevice("FT_SetUSBParameters", handle, [&](Device& d) {
        d.settings.UsbIn = inSize;
        d.settings.UsbOut = outSize;
    });
}

SIM_EXPORT FT_STATUS FT_CreateDeviceInfoList(uint32_t* count)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    const FT_STATUS status = Enter(s, "FT_CreateDeviceInfoList");
    if (status != FT_OK)
        return status;
    if (!count)
        return FT_INVALID_PARAMETER;
    *count = static_cast<uint32_t>(s.devices.size());
    return FT_OK;
}

// Like the vendor's, it writes a record for every device it knows, whatever the caller
// counted before.
SIM_EXPORT FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* list, uint32_t* count)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    const FT_STATUS status = Enter(s, "FT_GetDeviceInfoList");
    if (status != FT_OK)
        return status;
    if (!list || !count)
        return FT_INVALID_PARAMETER;
    for (std::size_t i = 0; i < s.devices.size(); ++i) {
        const Device& d = *s.devices[i];
        FT_DEVICE_LIST_INFO_NODE& node = list[i];
        std::memset(&node, 0, sizeof node);
        node.Flags = (d.inUseElsewhere || d.handle) ? 1 : 0;
        node.Type = 5;
        node.LocId = d.locId;
        node.ftHandle = d.handle;
        if (d.inUseElsewhere)
            continue;  // details are not reported for a device open elsewhere
        node.ID = d.id;
        // Full-length strings fill the field without a terminating NUL.
        std::memcpy(node.SerialNumber, d.serial.data(),
                    std::min(d.serial.size(), sizeof node.SerialNumber));
        std::memcpy(node.Description, d.description.data(),
                    std::min(d.description.size(), sizeof node.Description));
    }
    *count = static_cast<uint32_t>(s.devices.size()) + s.listOverstatement;
    return FT_OK;
}

// Bound by the program but never called: they answer like a device without the feature.
SIM_EXPORT FT_STATUS FT_Open(int, FT_HANDLE* handle)
{
    if (handle)
        *handle = nullptr;
    return Unsupported("FT_Open");
}
SIM_EXPORT FT_STATUS FT_SetDivisor(FT_HANDLE, uint16_t) { return Unsupported("FT_SetDivisor"); }
SIM_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE, uint16_t, uint8_t, uint8_t) { return Unsupported("FT_SetFlowControl"); }
SIM_EXPORT FT_STATUS FT_GetModemStatus(FT_HANDLE, uint32_t*) { return Unsupported("FT_GetModemStatus"); }
SIM_EXPORT FT_STATUS FT_SetChars(FT_HANDLE, uint8_t, uint8_t, uint8_t, uint8_t) { return Unsupported("FT_SetChars"); }
SIM_EXPORT FT_STATUS FT_Purge(FT_HANDLE, uint32_t) { return Unsupported("FT_Purge"); }
SIM_EXPORT FT_STATUS FT_ListDevices(void*, void*, uint32_t) { return Unsupported("FT_ListDevices"); }
SIM_EXPORT FT_STATUS FT_GetStatus(FT_HANDLE, uint32_t*, uint32_t*, uint32_t*) { return Unsupported("FT_GetStatus"); }
SIM_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE, uint8_t, uint8_t) { return Unsupported("FT_SetBitMode"); }
SIM_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE, uint8_t*) { return Unsupported("FT_GetBitMode"); }
SIM_EXPORT FT_STATUS FT_GetDeviceInfo(FT_HANDLE, uint32_t*, uint32_t*, char*, char*, void*) { return Unsupported("FT_GetDeviceInfo"); }
SIM_EXPORT FT_STATUS FT_SetResetPipeRetryCount(FT_HANDLE, uint32_t) { return Unsupported("FT_SetResetPipeRetryCount"); }
SIM_EXPORT FT_STATUS FT_StopInTask(FT_HANDLE) { return Unsupported("FT_StopInTask"); }
SIM_EXPORT FT_STATUS FT_RestartInTask(FT_HANDLE) { return Unsupported("FT_RestartInTask"); }
SIM_EXPORT FT_STATUS FT_ResetPort(FT_HANDLE) { return Unsupported("FT_ResetPort"); }
SIM_EXPORT FT_STATUS FT_CyclePort(FT_HANDLE) { return Unsupported("FT_CyclePort"); }
SIM_EXPORT FT_STATUS FT_GetDeviceInfoDetail(uint32_t, uint32_t*, uint32_t*, uint32_t*, uint32_t*,
                                            void*, void*, FT_HANDLE*) { return Unsupported("FT_GetDeviceInfoDetail"); }
SIM_EXPORT FT_STATUS FT_GetDriverVersion(FT_HANDLE, uint32_t*) { return Unsupported("FT_GetDriverVersion"); }
SIM_EXPORT FT_STATUS FT_GetLibraryVersion(uint32_t*) { return Unsupported("FT_GetLibraryVersion"); }
SIM_EXPORT FT_STATUS FT_EE_Read(FT_HANDLE, void*) { return Unsupported("FT_EE_Read"); }
SIM_EXPORT FT_STATUS FT_EE_Program(FT_HANDLE, void*) { return Unsupported("FT_EE_Program"); }
SIM_EXPORT FT_STATUS FT_ReadEE(FT_HANDLE, uint32_t, uint16_t*) { return Unsupported("FT_ReadEE"); }
SIM_EXPORT FT_STATUS FT_WriteEE(FT_HANDLE, uint32_t, uint16_t) { return Unsupported("FT_WriteEE"); }
SIM_EXPORT FT_STATUS FT_EraseEE(FT_HANDLE) { return Unsupported("FT_EraseEE"); }
SIM_EXPORT FT_STATUS FT_EE_UARead(FT_HANDLE, uint8_t*, uint32_t, uint32_t*) { return Unsupported("FT_EE_UARead"); }
SIM_EXPORT FT_STATUS FT_EE_UAWrite(FT_HANDLE, uint8_t*, uint32_t) { return Unsupported("FT_EE_UAWrite"); }
SIM_EXPORT FT_STATUS FT_EE_UASize(FT_HANDLE, uint32_t*) { return Unsupported("FT_EE_UASize"); }
#ifndef DABRIX_SIM_D2XX_PARTIAL
SIM_EXPORT FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, uint8_t* milliseconds)
{
    if (!milliseconds)
        return FT_INVALID_PARAMETER;
    return OnDevice("FT_GetLatencyTimer", handle,
                    [&](Device& d) { *milliseconds = static_cast<uint8_t>(d.settings.Latency); });
}
#endif

// ---- the control calls --------------------------------------------------------------

SIM_EXPORT void dabrix_sim_d2xx_reset(void)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    for (FT_HANDLE h : s.liveHandles)
        delete static_cast<char*>(h);
    s.liveHandles.clear();
    s.handleSerial.clear();
    s.devices.clear();
    s.failures.clear();
    s.calls.clear();
    s.lastOpenSerial.clear();
    s.readLimit = 0;
    s.writeLimit = 0;
    s.listOverstatement = 0;
    s.rxArrived.notify_all();
}

SIM_EXPORT int dabrix_sim_d2xx_add_device(const char* serial, const char* description,
                                          uint32_t id, int in_use)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    if (!serial || FindBySerial(s, serial))
        return -1;
    auto d = std::make_unique<Device>();
    d->serial = serial;
    d->description = description ? description : "";
    d->id = id;
    d->locId = s.nextLocId++;
    d->inUseElsewhere = in_use != 0;
    s.devices.push_back(std::move(d));
    return 0;
}

SIM_EXPORT int dabrix_sim_d2xx_remove_device(const char* serial)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    auto it = std::find_if(s.devices.begin(), s.devices.end(),
                           [&](const auto& d) { return serial && d->serial == serial; });
    if (it == s.devices.end())
        return -1;
    s.devices.erase(it);
    // A reader waiting for bytes of this device must notice that it went.
    s.rxArrived.notify_all();
    return 0;
}

SIM_EXPORT int dabrix_sim_d2xx_gauge_send(const char* serial, const uint8_t* data, uint32_t size)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    Device* d = serial ? FindBySerial(s, serial) : nullptr;
    if (!d)
        return -1;
    if (!d->handle)
        return -2;
    if (size == 0)
        return 0;
#ifdef DABRIX_SIM_D2XX_LOST_WAKEUP
    d->inFlight.insert(d->inFlight.end(), data, data + size);
#else
    d->rx.insert(d->rx.end(), data, data + size);
    s.rxArrived.notify_all();
    SignalReceived(*d);
#endif
    return 0;
}

SIM_EXPORT uint32_t dabrix_sim_d2xx_gauge_received(const char* serial, uint8_t* buffer, uint32_t size)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    Device* d = serial ? FindBySerial(s, serial) : nullptr;
    if (!d)
        return 0;
    if (buffer)
        std::copy_n(d->tx.begin(), std::min<std::size_t>(size, d->tx.size()), buffer);
    return static_cast<uint32_t>(d->tx.size());
}

SIM_EXPORT uint32_t dabrix_sim_d2xx_pending(const char* serial)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    Device* d = serial ? FindBySerial(s, serial) : nullptr;
    return d ? static_cast<uint32_t>(d->rx.size() + d->inFlight.size()) : 0;
}

SIM_EXPORT uint32_t dabrix_sim_d2xx_lines(const char* serial, char* buffer, uint32_t size)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    Device* d = serial ? FindBySerial(s, serial) : nullptr;
    return CopyText(d ? Join(d->lines) : std::string(), buffer, size);
}

SIM_EXPORT uint32_t dabrix_sim_d2xx_calls(char* buffer, uint32_t size)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    return CopyText(Join(s.calls), buffer, size);
}

SIM_EXPORT uint32_t dabrix_sim_d2xx_last_open_serial(char* buffer, uint32_t size)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    return CopyText(s.lastOpenSerial, buffer, size);
}

SIM_EXPORT int dabrix_sim_d2xx_settings(const char* serial, DabrixSimD2XXSettings* out)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    Device* d = serial ? FindBySerial(s, serial) : nullptr;
    if (!d || !out)
        return -1;
    *out = d->settings;
    return 0;
}

SIM_EXPORT void dabrix_sim_d2xx_fail(const char* function, uint32_t status, int times)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    if (!function)
        return;
    if (status == FT_OK || times == 0)
        s.failures.erase(function);
    else
        s.failures[function] = Failure{status, times};
}

SIM_EXPORT void dabrix_sim_d2xx_set_read_limit(uint32_t maxBytes)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    s.readLimit = maxBytes;
}

SIM_EXPORT void dabrix_sim_d2xx_set_list_overstatement(uint32_t extra)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    s.listOverstatement = extra;
}

SIM_EXPORT void dabrix_sim_d2xx_set_write_limit(uint32_t maxBytes)
{
    Sim& s = S();
    std::lock_guard guard(s.lock);
    s.writeLimit = maxBytes;
}
