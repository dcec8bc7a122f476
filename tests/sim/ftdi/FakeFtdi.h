#pragma once
// A fake libftdi1 bus, answering as libftdi1's documentation says: ftdi_usb_find_all lists
// the devices of one VID:PID, ftdi_usb_get_strings fails with -4 for a device it cannot
// open, ftdi_usb_open_dev fails with -5 when the interface is claimed already,
// ftdi_read_data returns 0 when nothing arrived and a negative libusb code once the device
// is gone, ftdi_usb_close re-attaches ftdi_sio in AUTO_DETACH_REATACH_SIO_MODULE mode (read
// from the context's own field, as libftdi1 does).
//
// The provider's own tests put Calls() into the provider in-process; the fake libftdi1.so.2
// (FakeLibftdi1.cpp) exports the same answers under libftdi1's names.
#include "comm/d2xx/ftdi/FtdiCalls.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dabrix::test {

struct FakeFtdiDevice {
    int product = 0x6001;
    std::string serial, description;
    bool unreadable = false;       // get_strings: -4
    int openResult = 0;            // what ftdi_usb_open_dev answers
    bool kernelDriver = true;      // ftdi_sio bound
    bool unplugged = false;
    int openCount = 0;
    std::vector<int> interfaces;   // ftdi_set_interface before each open
    std::deque<uint8_t> toHost;    // what the gauge sent, not read yet
    std::vector<uint8_t> fromHost; // what the provider wrote
    int baudrate = 0, latency = 0, dtr = -1, rts = -1, breakState = 0, bits = 0;
    int stopBits = 0, parity = 0;
    unsigned readChunk = 0, writeChunk = 0;
    int resets = 0;
    // Line changes in order, as the wire sees them: "DTR=1", "RTS=0", "BREAK=1".
    std::vector<std::string> lineChanges;
    int baudResult = 0, latencyResult = 0, writeResult = 0;
};

class FakeFtdi {
public:
    FakeFtdi();   // the calls below answer from this bus from now on
    ~FakeFtdi();
    // libftdi1's calls as the provider makes them.
    static const DabrixFtdiCalls& Calls();

    FakeFtdiDevice& Add(int product, const std::string& serial, const std::string& description);
    FakeFtdiDevice* Find(const std::string& serial);
    // The gauge sends; the provider's reader picks the bytes up.
    void Send(FakeFtdiDevice& d, const std::vector<uint8_t>& bytes);
    void Unplug(FakeFtdiDevice& d);
    // Forgets every device; one still open stays behind, unplugged, for its handle.
    void Clear();
    std::recursive_mutex& Lock() { return lock_; }
    int OpenContexts();

    static FakeFtdi* current;
    std::recursive_mutex lock_;
    std::vector<std::unique_ptr<FakeFtdiDevice>> devices;
    std::vector<std::unique_ptr<FakeFtdiDevice>> forgotten;
    struct Context { ftdi_context* ftdi; FakeFtdiDevice* open = nullptr; int iface = 0; };
    std::vector<Context> contexts;
};

} // namespace dabrix::test
