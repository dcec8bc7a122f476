#pragma once
// The control side of the simulated D2XX library (libdabrix_sim_d2xx.so): the calls a
// test or the gauge simulator uses to plug in bridge devices, play the gauge's part and
// look at what the program did. The library also exports the FT_* functions the program
// binds, so the program loads it through DABRIX_D2XX_LIBRARY like the vendor's library.
//
// A test reaches these calls with dlsym on the handle of a dlopen of the same file;
// SimD2XX below does that. Every call is thread-safe.
#include <stdint.h>

extern "C" {

struct DabrixSimD2XXSettings {
    int Open;                 // 1 while the program holds the device open
    uint32_t BaudRate;
    uint32_t Latency;         // ms
    uint32_t WordLength, StopBits, Parity;
    uint32_t ReadTimeout, WriteTimeout;   // ms
    uint32_t UsbIn, UsbOut;               // transfer sizes
    uint32_t EventMask;
    int EventSet;             // 1 while an event is registered
    uint32_t ResetCount;      // FT_ResetDevice calls since the device was added
};

// Forgets every device, handle, failure and recorded call.
typedef void (*DabrixSimD2XXReset)(void);
// `id` is vendor ID << 16 | product ID. A device `in_use` is open in another program:
// it lists with ID 0 and no strings and cannot be opened. 0, or -1 for a serial already present.
typedef int (*DabrixSimD2XXAddDevice)(const char* serial, const char* description, uint32_t id,
                                      int in_use);
typedef int (*DabrixSimD2XXRemoveDevice)(const char* serial);
// The gauge sends: bytes join the receive queue and, with mask bit 0, the registered
// event's condition variable is signalled (nothing else in the event is touched). In the
// lost-wake-up variant they join it, signalled, during the program's next queue query.
// -1 unknown device, -2 device not open (bytes dropped).
typedef int (*DabrixSimD2XXGaugeSend)(const char* serial, const uint8_t* data, uint32_t size);
// Everything the program wrote to the device since it was added; returns the full count
// and copies up to `size` bytes.
typedef uint32_t (*DabrixSimD2XXGaugeReceived)(const char* serial, uint8_t* buffer, uint32_t size);
// Bytes still waiting in the receive queue (or on their way to it).
typedef uint32_t (*DabrixSimD2XXPending)(const char* serial);
// Text calls: return the full length and copy a NUL-terminated prefix into `buffer`.
// Line changes in order, e.g. "DTR=1,RTS=0,BREAK=1".
typedef uint32_t (*DabrixSimD2XXLines)(const char* serial, char* buffer, uint32_t size);
// Every FT_* call in order, comma-separated.
typedef uint32_t (*DabrixSimD2XXCalls)(char* buffer, uint32_t size);
// The serial-number argument of the latest FT_OpenEx.
typedef uint32_t (*DabrixSimD2XXLastOpenSerial)(char* buffer, uint32_t size);
// 0, or -1 for an unknown device.
typedef int (*DabrixSimD2XXGetSettings)(const char* serial, DabrixSimD2XXSettings* out);
// Makes the next `times` calls of the FT_* function fail with `status` (times < 0: every
// call; status 0 removes the failure).
typedef void (*DabrixSimD2XXFail)(const char* function, uint32_t status, int times);
// FT_Read returns at most this many bytes per call (0: no limit), as after a time-out.
typedef void (*DabrixSimD2XXSetReadLimit)(uint32_t maxBytes);
// FT_Write takes at most this many bytes per call (0: no limit), as after a time-out.
typedef void (*DabrixSimD2XXSetWriteLimit)(uint32_t maxBytes);
// FT_GetDeviceInfoList reports this many devices more than the records it writes.
typedef void (*DabrixSimD2XXSetListOverstatement)(uint32_t extra);

} // extern "C"

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace dabrix::test {

// Opens the simulated library at `path` and resolves its control calls. The fake libftdi1
// under the D2XX provider offers the same gauge-side calls, but not the call log, the
// failures on request or the read and write limits (SeesTheCalls() is false there).
class SimD2XX {
public:
    explicit SimD2XX(const std::string& path)
    {
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_)
            throw std::runtime_error("cannot load " + path);
        Resolve(reset_, "dabrix_sim_d2xx_reset");
        Resolve(addDevice_, "dabrix_sim_d2xx_add_device");
        Resolve(removeDevice_, "dabrix_sim_d2xx_remove_device");
        Resolve(gaugeSend_, "dabrix_sim_d2xx_gauge_send");
        Resolve(gaugeReceived_, "dabrix_sim_d2xx_gauge_received");
        Resolve(pending_, "dabrix_sim_d2xx_pending");
        Resolve(lines_, "dabrix_sim_d2xx_lines");
        ResolveOptional(calls_, "dabrix_sim_d2xx_calls");
        ResolveOptional(lastOpenSerial_, "dabrix_sim_d2xx_last_open_serial");
        Resolve(settings_, "dabrix_sim_d2xx_settings");
        ResolveOptional(fail_, "dabrix_sim_d2xx_fail");
        ResolveOptional(readLimit_, "dabrix_sim_d2xx_set_read_limit");
        ResolveOptional(writeLimit_, "dabrix_sim_d2xx_set_write_limit");
        ResolveOptional(overstatement_, "dabrix_sim_d2xx_set_list_overstatement");
    }
    ~SimD2XX() { dlclose(handle_); }
    SimD2XX(const SimD2XX&) = delete;
    SimD2XX& operator=(const SimD2XX&) = delete;

    // Whether the library answers the FT_* calls itself: only then can it list them, fail
    // them on request and cut reads and writes short.
    bool SeesTheCalls() const { return calls_ != nullptr; }

    void Reset() { reset_(); }
    int AddDevice(const std::string& serial, const std::string& description, uint32_t id,
                  bool inUse = false)
    {
        return addDevice_(serial.c_str(), description.c_str(), id, inUse ? 1 : 0);
    }
    int RemoveDevice(const std::string& serial) { return removeDevice_(serial.c_str()); }
    int GaugeSend(const std::string& serial, const std::vector<uint8_t>& bytes)
    {
        return gaugeSend_(serial.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    std::vector<uint8_t> GaugeReceived(const std::string& serial)
    {
        std::vector<uint8_t> bytes(gaugeReceived_(serial.c_str(), nullptr, 0));
        gaugeReceived_(serial.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
        return bytes;
    }
    uint32_t Pending(const std::string& serial) { return pending_(serial.c_str()); }
    std::string Lines(const std::string& serial)
    {
        return Text([&](char* b, uint32_t n) { return lines_(serial.c_str(), b, n); });
    }
    std::string Calls() { return Text([&](char* b, uint32_t n) { return Need(calls_)(b, n); }); }
    std::string LastOpenSerial()
    {
        return Text([&](char* b, uint32_t n) { return Need(lastOpenSerial_)(b, n); });
    }
    DabrixSimD2XXSettings Settings(const std::string& serial)
    {
        DabrixSimD2XXSettings s{};
        if (settings_(serial.c_str(), &s) != 0)
            throw std::runtime_error("no simulated device " + serial);
        return s;
    }
    void Fail(const std::string& function, uint32_t status, int times = -1)
    {
        Need(fail_)(function.c_str(), status, times);
    }
    void SetReadLimit(uint32_t maxBytes) { Need(readLimit_)(maxBytes); }
    void SetWriteLimit(uint32_t maxBytes) { Need(writeLimit_)(maxBytes); }
    void SetListOverstatement(uint32_t extra) { Need(overstatement_)(extra); }

private:
    template <typename Fn>
    void Resolve(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(dlsym(handle_, name));
        if (!fn)
            throw std::runtime_error(std::string("simulated D2XX library lacks ") + name);
    }

    template <typename Fn>
    void ResolveOptional(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(dlsym(handle_, name));
    }

    template <typename Fn>
    static Fn Need(Fn fn)
    {
        if (!fn)
            throw std::logic_error("this D2XX library does not see the FT_* calls");
        return fn;
    }

    template <typename Get>
    static std::string Text(Get get)
    {
        std::string text(get(nullptr, 0), '\0');
        std::vector<char> buffer(text.size() + 1);
        get(buffer.data(), static_cast<uint32_t>(buffer.size()));
        return std::string(buffer.data());
    }

    void* handle_ = nullptr;
    DabrixSimD2XXReset reset_ = nullptr;
    DabrixSimD2XXAddDevice addDevice_ = nullptr;
    DabrixSimD2XXRemoveDevice removeDevice_ = nullptr;
    DabrixSimD2XXGaugeSend gaugeSend_ = nullptr;
    DabrixSimD2XXGaugeReceived gaugeReceived_ = nullptr;
    DabrixSimD2XXPending pending_ = nullptr;
    DabrixSimD2XXLines lines_ = nullptr;
    DabrixSimD2XXCalls calls_ = nullptr;
    DabrixSimD2XXLastOpenSerial lastOpenSerial_ = nullptr;
    DabrixSimD2XXGetSettings settings_ = nullptr;
    DabrixSimD2XXFail fail_ = nullptr;
    DabrixSimD2XXSetReadLimit readLimit_ = nullptr;
    DabrixSimD2XXSetWriteLimit writeLimit_ = nullptr;
    DabrixSimD2XXSetListOverstatement overstatement_ = nullptr;
};

} // namespace dabrix::test
