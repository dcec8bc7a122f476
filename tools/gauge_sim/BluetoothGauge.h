#pragma once
// A Bluetooth gauge on the simulated Bluetooth stack (DABRIX_BT_SIM), made by hand from
// the stack's published folder layout, as any outside program would: the device file
// <address>.device (name, class, one SPP service on a channel) and the RFCOMM endpoint
// <address>.<channel>, a listening Unix-domain stream socket. The bytes on a connection
// are the link's bytes.
//
// It can answer empty names: the first N reads of its device file (each question the
// stack asks about the device reads it once) find an empty name; a watcher thread then
// writes the real name in.
//
// Threads: one thread uses an object; the name watcher runs on a thread of its own and
// only rewrites the device file.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace dabrix::tools {

struct BluetoothGaugeSettings {
    std::string folder;                      // the stack's folder
    std::uint64_t address = 0x0011223344AAULL;
    std::string name = "Gauge_2600";
    std::uint32_t classOfDevice = 0x001F00;  // uncategorised
    int channel = 1;
    int emptyNames = 0;                      // reads that find an empty name first
};

class BluetoothGauge {
public:
    BluetoothGauge() = default;
    ~BluetoothGauge() { Remove(); }
    BluetoothGauge(const BluetoothGauge&) = delete;
    BluetoothGauge& operator=(const BluetoothGauge&) = delete;

    // Writes the device file and listens on the channel's endpoint. False with `error`
    // set when the folder is missing or the endpoint cannot be set up.
    bool Create(const BluetoothGaugeSettings& settings, std::string& error);
    // The endpoint and the device file go: the device leaves range. Safe to call twice.
    void Remove();

    // The listening socket (non-blocking), -1 before Create.
    int ListenFd() const { return listen_; }
    // A connection the program opened, non-blocking; -1 when none waits.
    int Accept() const;
    // "(00:11:22:33:44:AA)"
    std::string Address() const;

    static constexpr const char* kSerialPortUuid = "00001101-0000-1000-8000-00805F9B34FB";

private:
    bool WriteDeviceFile(bool withName, std::string& error) const;
    std::string Path(const std::string& suffix) const;
    void WatchNameReads(int inotifyFd, int reads);

    BluetoothGaugeSettings settings_;
    int listen_ = -1;
    bool created_ = false;
    int watchStop_ = -1;
    std::thread nameWatcher_;
};

} // namespace dabrix::tools
