#pragma once
// A fake libftdi1 for the provider's tests, answering as libftdi1's documentation says:
// ftdi_usb_find_all lists the devices of one VID:PID, ftdi_usb_get_strings fails with -4
// for a device it cannot open, ftdi_read_data returns 0 when nothing arrived and a
// negative libusb code once the device is gone, ftdi_usb_close re-attaches ftdi_sio in
// AUTO_DETACH_REATACH_SIO_MODULE mode.
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
    int baudResult = 0, latencyResult = 0, writeResult = 0;
};

class FakeFtdi {
public:
    FakeFtdi();   // installs itself as the provider's table
    ~FakeFtdi();  // puts libftdi1 back
    FakeFtdiDevice& Add(int product, const std::string& serial, const std::string& description);
    // The gauge sends; the provider's reader picks the bytes up.
    void Send(FakeFtdiDevice& d, const std::vector<uint8_t>& bytes);
    void Unplug(FakeFtdiDevice& d);
    std::recursive_mutex& Lock() { return lock_; }
    int OpenContexts();

    static FakeFtdi* current;
    std::recursive_mutex lock_;
    std::vector<std::unique_ptr<FakeFtdiDevice>> devices;
    struct Context { ftdi_context* ftdi; FakeFtdiDevice* open = nullptr; int iface = 0; int detachMode = 0; };
    std::vector<Context> contexts;
};

} // namespace dabrix::test
