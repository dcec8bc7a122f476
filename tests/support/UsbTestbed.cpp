#include "tests/support/UsbTestbed.h"

#include <umockdev.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace dabrix::test {

namespace {

namespace fs = std::filesystem;

const std::string kBus = "/devices/pci0000:00/0000:00:14.0/usb1";

// Device nodes get a byte of contents: they are then plain files in the testbed, whose
// paths resolve as on a real machine (a node without contents is a link to a pty).
const char* const kNodeContents = "00";

} // namespace

std::string RootHubAndHubDescription()
{
    return "P: " + kBus + "\n"
           "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: PRODUCT=1d6b/2/601\nE: TYPE=9/0/1\n"
           "E: BUSNUM=001\nE: DEVNUM=001\nE: SUBSYSTEM=usb\nE: ID_MODEL_FROM_DATABASE=2.0 root hub\n"
           "A: idVendor=1d6b\nA: idProduct=0002\nA: bcdDevice=0601\nA: bDeviceClass=09\n"
           "A: manufacturer=Linux 6.1.0-18-amd64 xhci-hcd\nA: product=xHCI Host Controller\n"
           "A: serial=0000:00:14.0\nA: busnum=1\nA: devnum=1\n"
           "\n"
           "P: " + kBus + "/1-1\n"
           "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: PRODUCT=5e3/610/9226\nE: TYPE=9/0/1\n"
           "E: BUSNUM=001\nE: DEVNUM=002\nE: SUBSYSTEM=usb\nE: ID_MODEL_FROM_DATABASE=Hub\n"
           "A: idVendor=05e3\nA: idProduct=0610\nA: bcdDevice=9226\nA: bDeviceClass=09\n"
           "A: manufacturer=GenesysLogic\nA: product=USB2.0 Hub\nA: busnum=1\nA: devnum=2\n";
}

// ---- FTDI FT232R --------------------------------------------------------------------------

std::string FtdiAdapter::SanitisedSerial() const
{
    std::string s = serial;
    for (char& c : s)
        if (c == ' ' || c == '/')
            c = '_';
    return s;
}

std::string FtdiAdapter::UsbPath() const
{
    return "/sys" + kBus + "/1-1/" + port;
}

std::string FtdiAdapter::TtyPath() const
{
    return UsbPath() + "/" + port + ":1.0/" + tty + "/tty/" + tty;
}

std::string FtdiAdapter::ByIdName() const
{
    return "usb-FTDI_FT232R_USB_UART_" + SanitisedSerial() + "-if00-port0";
}

std::string FtdiAdapter::UsbDescription() const
{
    const std::string path = kBus + "/1-1/" + port;
    return "P: " + path + "\n"
           "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: PRODUCT=403/6001/600\nE: TYPE=0/0/0\n"
           "E: BUSNUM=001\nE: SUBSYSTEM=usb\nE: ID_VENDOR_ID=0403\nE: ID_MODEL_ID=6001\n"
           "E: ID_SERIAL=FTDI_FT232R_USB_UART_" + SanitisedSerial() + "\n"
           "E: ID_SERIAL_SHORT=" + SanitisedSerial() + "\n"
           "E: ID_MODEL_FROM_DATABASE=FT232 Serial (UART) IC\n"
           "A: idVendor=0403\nA: idProduct=6001\nA: bcdDevice=0600\nA: bDeviceClass=00\n"
           "A: manufacturer=FTDI\nA: product=FT232R USB UART\nA: serial=" + serial + "\n"
           "A: busnum=1\nA: devnum=" + devnum + "\n"
           "\n"
           "P: " + path + "/" + port + ":1.0\n"
           "E: DEVTYPE=usb_interface\nE: DRIVER=ftdi_sio\nE: PRODUCT=403/6001/600\n"
           "E: INTERFACE=255/255/255\nE: SUBSYSTEM=usb\n"
           "A: bInterfaceClass=ff\nA: bInterfaceNumber=00\nA: interface=FT232R USB UART\n";
}

std::string FtdiAdapter::TtyDescription() const
{
    const std::string port_ = kBus + "/1-1/" + port + "/" + port + ":1.0/" + tty;
    return "P: " + port_ + "\n"
           "E: DRIVER=ftdi_sio\nE: SUBSYSTEM=usb-serial\nA: port_number=0\n"
           "\n"
           "P: " + port_ + "/tty/" + tty + "\n"
           "N: " + tty + "=" + kNodeContents + "\n"
           "L: device=../../../" + tty + "\n"
           "E: DEVNAME=/dev/" + tty + "\nE: MAJOR=188\nE: MINOR=0\nE: SUBSYSTEM=tty\n"
           "E: ID_BUS=usb\nE: ID_VENDOR_ID=0403\nE: ID_MODEL_ID=6001\n"
           "E: ID_SERIAL=FTDI_FT232R_USB_UART_" + SanitisedSerial() + "\n"
           "E: DEVLINKS=/dev/serial/by-id/" + ByIdName() + "\n";
}

// ---- CDC-ACM gauge --------------------------------------------------------------------------

std::string AcmGauge::UsbPath() const
{
    return "/sys" + kBus + "/" + port;
}

std::string AcmGauge::TtyPath() const
{
    return UsbPath() + "/" + port + ":1.0/tty/" + tty;
}

std::string AcmGauge::ByIdName() const
{
    std::string name = "usb-Lakmo_" + product + "_" + serial + "-if00";
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return name;
}

std::string AcmGauge::UsbDescription() const
{
    const std::string path = kBus + "/" + port;
    return "P: " + path + "\n"
           "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: PRODUCT=483/5740/200\nE: TYPE=2/0/0\n"
           "E: BUSNUM=001\nE: SUBSYSTEM=usb\nE: ID_VENDOR_ID=0483\nE: ID_MODEL_ID=5740\n"
           "A: idVendor=0483\nA: idProduct=5740\nA: bcdDevice=0200\nA: bDeviceClass=02\n"
           "A: manufacturer=Lakmo\nA: product=" + product + "\nA: serial=" + serial + "\n"
           "A: busnum=1\n"
           "\n"
           "P: " + path + "/" + port + ":1.0\n"
           "E: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\nE: INTERFACE=2/2/1\nE: SUBSYSTEM=usb\n"
           "A: bInterfaceClass=02\nA: bInterfaceNumber=00\n"
           "\n"
           "P: " + path + "/" + port + ":1.1\n"
           "E: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\nE: INTERFACE=10/0/0\nE: SUBSYSTEM=usb\n"
           "A: bInterfaceClass=0a\nA: bInterfaceNumber=01\n";
}

std::string AcmGauge::TtyDescription() const
{
    return "P: " + kBus + "/" + port + "/" + port + ":1.0/tty/" + tty + "\n"
           "N: " + tty + "=" + kNodeContents + "\n"
           "L: device=../../../" + port + ":1.0\n"
           "E: DEVNAME=/dev/" + tty + "\nE: MAJOR=166\nE: MINOR=0\nE: SUBSYSTEM=tty\n"
           "E: ID_BUS=usb\nE: ID_VENDOR_ID=0483\nE: ID_MODEL_ID=5740\n"
           "E: DEVLINKS=/dev/serial/by-id/" + ByIdName() + "\n";
}

// ---- the testbed ------------------------------------------------------------------------------

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed()
{
    g_object_unref(testbed_);
}

bool UsbTestbed::Preloaded()
{
    // umockdev_in_mock_environment() also wants a testbed made already.
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

std::string UsbTestbed::Root() const
{
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    const std::string text = root;
    g_free(root);
    return text;
}

bool UsbTestbed::Add(const std::string& description)
{
    GError* error = nullptr;
    const bool ok = umockdev_testbed_add_from_string(testbed_, description.c_str(), &error);
    if (error)
        g_error_free(error);
    return ok;
}

void UsbTestbed::Uevent(const std::string& syspath, const char* action)
{
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

void UsbTestbed::Unplug(const std::string& syspath, const std::vector<std::string>& children)
{
    // One by one: the testbed takes a device's bus links away only with that device.
    for (const std::string& child : children) {
        Uevent(child, "remove");
        umockdev_testbed_remove_device(testbed_, child.c_str());
    }
    Uevent(syspath, "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

bool UsbTestbed::AddByIdLink(const std::string& name, const std::string& tty)
{
    std::error_code ec;
    const fs::path dir = Root() + "/dev/serial/by-id";
    fs::create_directories(dir, ec);
    fs::create_symlink("../../" + tty, dir / name, ec);
    return !ec;
}

void UsbTestbed::RemoveByIdLink(const std::string& name)
{
    std::error_code ec;
    fs::remove(Root() + "/dev/serial/by-id/" + name, ec);
}

bool UsbTestbed::Plug(const FtdiAdapter& adapter)
{
    return Add(adapter.UsbDescription()) && Add(adapter.TtyDescription())
        && AddByIdLink(adapter.ByIdName(), adapter.tty);
}

bool UsbTestbed::Plug(const AcmGauge& gauge)
{
    return Add(gauge.UsbDescription()) && Add(gauge.TtyDescription()) && AddByIdLink(gauge.ByIdName(), gauge.tty);
}

void UsbTestbed::Unplug(const FtdiAdapter& adapter)
{
    RemoveByIdLink(adapter.ByIdName());
    const std::string iface = adapter.UsbPath() + "/" + adapter.port + ":1.0";
    Unplug(adapter.UsbPath(), {adapter.TtyPath(), iface + "/" + adapter.tty, iface});
}

} // namespace dabrix::test
