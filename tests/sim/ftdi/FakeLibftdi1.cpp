// libftdi1.so.2 for tests: the libftdi1 functions the D2XX provider links, answered by the
// fake bus, plus the gauge-side control calls of the simulated D2XX library. A test that
// loads this file before the provider makes the provider's libftdi1 dependency resolve to
// it (the loader matches the soname of an object already loaded), so the binding's tests
// drive the real provider with the gauge on the other side, as they drive the simulated
// library. The control calls it leaves out (call log, failure injection, read and write
// limits) are the simulated library's own: a provider has nothing of the kind.
#include "tests/sim/d2xx/SimD2XXControl.h"
#include "tests/sim/ftdi/FakeFtdi.h"

#include <algorithm>
#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using dabrix::test::FakeFtdi;
using dabrix::test::FakeFtdiDevice;

namespace {

FakeFtdi& Bus()
{
    // Destroyed only when this file is unloaded, which the provider linking it prevents
    // while the provider is loaded.
    static FakeFtdi bus;
    return bus;
}

const DabrixFtdiCalls& Calls()
{
    Bus();
    return FakeFtdi::Calls();
}

uint32_t CopyText(const std::string& text, char* buffer, uint32_t size)
{
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
    }
    return static_cast<uint32_t>(text.size());
}

} // namespace

// ---- libftdi1 ----

FAKE_EXPORT struct ftdi_context* ftdi_new(void) { return Calls().New(); }
FAKE_EXPORT void ftdi_free(struct ftdi_context* ftdi) { Calls().Free(ftdi); }
FAKE_EXPORT int ftdi_usb_find_all(struct ftdi_context* ftdi, struct ftdi_device_list** devlist,
                                  int vendor, int product)
{
    return Calls().FindAll(ftdi, devlist, vendor, product);
}
FAKE_EXPORT void ftdi_list_free(struct ftdi_device_list** devlist) { Calls().ListFree(devlist); }
FAKE_EXPORT int ftdi_usb_get_strings(struct ftdi_context* ftdi, struct libusb_device* dev,
                                     char* manufacturer, int mnf_len, char* description,
                                     int desc_len, char* serial, int serial_len)
{
    return Calls().GetStrings(ftdi, dev, manufacturer, mnf_len, description, desc_len, serial, serial_len);
}
FAKE_EXPORT int ftdi_set_interface(struct ftdi_context* ftdi, enum ftdi_interface interface)
{
    return Calls().SetInterface(ftdi, interface);
}
FAKE_EXPORT int ftdi_usb_open_dev(struct ftdi_context* ftdi, struct libusb_device* dev)
{
    return Calls().OpenDev(ftdi, dev);
}
FAKE_EXPORT int ftdi_usb_close(struct ftdi_context* ftdi) { return Calls().Close(ftdi); }
FAKE_EXPORT int ftdi_usb_reset(struct ftdi_context* ftdi) { return Calls().Reset(ftdi); }
FAKE_EXPORT int ftdi_set_baudrate(struct ftdi_context* ftdi, int baudrate)
{
    return Calls().SetBaudrate(ftdi, baudrate);
}
FAKE_EXPORT int ftdi_set_line_property2(struct ftdi_context* ftdi, enum ftdi_bits_type bits,
                                        enum ftdi_stopbits_type sbit, enum ftdi_parity_type parity,
                                        enum ftdi_break_type break_type)
{
    return Calls().SetLineProperty2(ftdi, bits, sbit, parity, break_type);
}
FAKE_EXPORT int ftdi_set_latency_timer(struct ftdi_context* ftdi, unsigned char latency)
{
    return Calls().SetLatencyTimer(ftdi, latency);
}
FAKE_EXPORT int ftdi_read_data_set_chunksize(struct ftdi_context* ftdi, unsigned int chunksize)
{
    return Calls().ReadChunksize(ftdi, chunksize);
}
FAKE_EXPORT int ftdi_write_data_set_chunksize(struct ftdi_context* ftdi, unsigned int chunksize)
{
    return Calls().WriteChunksize(ftdi, chunksize);
}
FAKE_EXPORT int ftdi_setdtr(struct ftdi_context* ftdi, int state) { return Calls().SetDtr(ftdi, state); }
FAKE_EXPORT int ftdi_setrts(struct ftdi_context* ftdi, int state) { return Calls().SetRts(ftdi, state); }
FAKE_EXPORT int ftdi_read_data(struct ftdi_context* ftdi, unsigned char* buf, int size)
{
    return Calls().ReadData(ftdi, buf, size);
}
FAKE_EXPORT int ftdi_write_data(struct ftdi_context* ftdi, const unsigned char* buf, int size)
{
    return Calls().WriteData(ftdi, buf, size);
}
FAKE_EXPORT int ftdi_tciflush(struct ftdi_context* ftdi) { return Calls().FlushRx(ftdi); }
FAKE_EXPORT int ftdi_tcoflush(struct ftdi_context* ftdi) { return Calls().FlushTx(ftdi); }

// ---- the gauge side ----

FAKE_EXPORT void dabrix_sim_d2xx_reset(void)
{
    Bus().Clear();
}

// `in_use`: another program holds the chip's interface, so claiming it fails (-5).
FAKE_EXPORT int dabrix_sim_d2xx_add_device(const char* serial, const char* description, uint32_t id,
                                           int in_use)
{
    std::lock_guard g(Bus().Lock());
    if (!serial || Bus().Find(serial) || id >> 16 != 0x0403)
        return -1;
    FakeFtdiDevice& d = Bus().Add(static_cast<int>(id & 0xFFFF), serial, description ? description : "");
    if (in_use)
        d.openResult = -5;
    return 0;
}

FAKE_EXPORT int dabrix_sim_d2xx_remove_device(const char* serial)
{
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    if (!d)
        return -1;
    Bus().Unplug(*d);
    return 0;
}

FAKE_EXPORT int dabrix_sim_d2xx_gauge_send(const char* serial, const uint8_t* data, uint32_t size)
{
    std::lock_guard g(Bus().Lock());
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    if (!d)
        return -1;
    if (d->openCount == 0)
        return -2;
    Bus().Send(*d, std::vector<uint8_t>(data, data + size));
    return 0;
}

FAKE_EXPORT uint32_t dabrix_sim_d2xx_gauge_received(const char* serial, uint8_t* buffer, uint32_t size)
{
    std::lock_guard g(Bus().Lock());
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    if (!d)
        return 0;
    if (buffer)
        std::copy_n(d->fromHost.begin(), std::min<std::size_t>(size, d->fromHost.size()), buffer);
    return static_cast<uint32_t>(d->fromHost.size());
}

// Bytes the chip holds that the provider has not pulled yet.
FAKE_EXPORT uint32_t dabrix_sim_d2xx_pending(const char* serial)
{
    std::lock_guard g(Bus().Lock());
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    return d ? static_cast<uint32_t>(d->toHost.size()) : 0;
}

FAKE_EXPORT uint32_t dabrix_sim_d2xx_lines(const char* serial, char* buffer, uint32_t size)
{
    std::lock_guard g(Bus().Lock());
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    std::string text;
    for (const auto& change : d ? d->lineChanges : std::vector<std::string>{})
        text += (text.empty() ? "" : ",") + change;
    return CopyText(text, buffer, size);
}

// What the chip itself was told. The event and the read time-out stay inside the provider,
// so they read 0 here.
FAKE_EXPORT int dabrix_sim_d2xx_settings(const char* serial, DabrixSimD2XXSettings* out)
{
    std::lock_guard g(Bus().Lock());
    FakeFtdiDevice* d = serial ? Bus().Find(serial) : nullptr;
    if (!d || !out)
        return -1;
    *out = DabrixSimD2XXSettings{};
    out->Open = d->openCount > 0 ? 1 : 0;
    out->BaudRate = static_cast<uint32_t>(d->baudrate);
    out->Latency = static_cast<uint32_t>(d->latency);
    out->WordLength = static_cast<uint32_t>(d->bits);
    out->StopBits = static_cast<uint32_t>(d->stopBits);
    out->Parity = static_cast<uint32_t>(d->parity);
    out->UsbIn = d->readChunk;
    out->UsbOut = d->writeChunk;
    out->ResetCount = static_cast<uint32_t>(d->resets);
    return 0;
}
