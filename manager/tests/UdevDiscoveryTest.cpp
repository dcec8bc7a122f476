// The manager over the real udev bus, against umockdev device trees (no udev daemon here,
// no simulated bus, no bridge library): USB devices and the COM ports they provide, as
// adapters and gauges are plugged in and out in the order real hardware produces.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UsbBus.h"
#include "platform/UserMessage.h"
#include "tests/support/EventLoop.h"
#include "tests/support/UsbTestbed.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using dabrix::test::AcmGauge;
using dabrix::test::FtdiAdapter;
using dabrix::test::UsbTestbed;
using dabrix::test::WaitFor;

namespace {

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

std::string PathOf(const FtdiAdapter& a)
{
    return Upper(dabrix::platform::UsbInterfacePath(0x0403, 0x6001, a.serial));
}

std::string PathOf(const AcmGauge& g)
{
    return Upper(dabrix::platform::UsbInterfacePath(0x0483, 0x5740, g.serial));
}

class ManagerUdevTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UsbTestbed::Preloaded()) << "run under umockdev-wrapper";
        ASSERT_TRUE(config_.isValid());
        setenv("XDG_CONFIG_HOME", config_.path().toUtf8().constData(), 1);
        unsetenv("DABRIX_USB_SIM");
        // No bridge library: the FT232R is a USB device like any other.
        setenv("DABRIX_D2XX_LIBRARY", (config_.path() + "/no-such-library.so").toUtf8().constData(), 1);
        dabrix::platform::SetUserMessageHook(
            [this](dabrix::platform::UserMessageKind, const QString& text) { boxes_.push_back(text.toStdString()); });
        ASSERT_TRUE(testbed_.Add(dabrix::test::RootHubAndHubDescription()));
        manager_ = std::make_unique<TKTXComm2Manager>(nullptr);
        manager_->OnDeviceFound = [this](TObject*, TPort port, const TDevice& d) {
            if (port == portUSB)
                found_.push_back(d.DeviceID);
        };
        manager_->OnDeviceLost = [this](TObject*, TPort port, const TDevice& d) {
            if (port == portUSB)
                lost_.push_back(d);
        };
    }

    void TearDown() override
    {
        manager_.reset();
        dabrix::platform::SetUserMessageHook(nullptr);
        unsetenv("DABRIX_D2XX_LIBRARY");
    }

    const TDevice* Usb(const std::string& path) const
    {
        for (const TDevice& d : manager_->USBDevices())
            if (d.DeviceID == path)
                return &d;
        return nullptr;
    }

    const TDevice* Com(int number) const
    {
        for (const TDevice& d : manager_->ComDevices())
            if (d.PortNumber == number)
                return &d;
        return nullptr;
    }

    int Found(const std::string& path) const { return static_cast<int>(std::count(found_.begin(), found_.end(), path)); }

    QTemporaryDir config_;
    UsbTestbed testbed_;
    std::unique_ptr<TKTXComm2Manager> manager_;
    std::vector<std::string> boxes_;
    std::vector<std::string> found_;
    std::vector<TDevice> lost_;
    std::vector<TNotificationEvent> notes_;
};

TEST_F(ManagerUdevTest, WithoutADaemonAdaptersAndGaugesAreListedWithTheirPortsAndDescriptions)
{
    manager_->SetUSBMode(umAutoDiscovery);
    manager_->SetSerialMode(smAutoDiscovery);
    EXPECT_TRUE(boxes_.empty()) << boxes_.front();
    ASSERT_EQ(manager_->USBMode(), umAutoDiscovery);
    ASSERT_TRUE(manager_->USBMonitor()->Monitoring());
    EXPECT_EQ(manager_->USBDevices().size(), 2u);  // the root hub and the hub

    // The adapter's USB device comes first; its tty child and the by-id link follow.
    const FtdiAdapter adapter;
    const std::string path = PathOf(adapter);
    ASSERT_TRUE(testbed_.Add(adapter.UsbDescription()));
    ASSERT_TRUE(WaitFor([&] { return Usb(path) != nullptr; }, 5s));
    EXPECT_EQ(Usb(path)->Address, "");
    ASSERT_TRUE(testbed_.Add(adapter.TtyDescription()));
    ASSERT_TRUE(testbed_.AddByIdLink(adapter.ByIdName(), adapter.tty));
    ASSERT_TRUE(WaitFor([&] { return Usb(path) && Usb(path)->Address == "COM3"; }, 5s));
    EXPECT_EQ(Usb(path)->PortNumber, 3);
    EXPECT_EQ(Usb(path)->Description, "FT232R USB UART");
    EXPECT_EQ(Usb(path)->Name, "FT232 Serial (UART) IC");
    EXPECT_EQ(Usb(path)->Info, "FTDI");
    ASSERT_TRUE(WaitFor([&] { return Com(3) && Com(3)->Description == "FT232R USB UART"; }, 5s));

    // A gauge with a CDC-ACM port, plugged in at once: found by its description.
    const AcmGauge gauge;
    ASSERT_TRUE(testbed_.Plug(gauge));
    ASSERT_TRUE(WaitFor([&] { return Com(4) && Com(4)->Description == "Lakmo2600 USB-VCP"; }, 5s));
    EXPECT_EQ(Usb(PathOf(gauge))->Address, "COM4");
    for (const TDevice& com : manager_->ComDevices())
        EXPECT_NE(com.Description, "xHCI Host Controller") << com.Info;
    for (const TDevice& usb : manager_->USBDevices()) {
        if (usb.DeviceID != path && usb.DeviceID != PathOf(gauge)) {
            EXPECT_EQ(usb.Address, "") << usb.Name << ": a hub is no serial port";
        }
    }

    EXPECT_EQ(Found(path), 1) << "an update is no second arrival";
    EXPECT_EQ(Found(PathOf(gauge)), 1);

    // Unplugged: the listed entry is the one that goes.
    testbed_.Unplug(adapter);
    ASSERT_TRUE(WaitFor([&] { return !lost_.empty(); }, 5s));
    EXPECT_EQ(lost_.front().DeviceID, path);
    EXPECT_EQ(lost_.front().Address, "COM3");
    EXPECT_EQ(Usb(path), nullptr);
    ASSERT_TRUE(WaitFor([&] { return Com(3) == nullptr; }, 5s));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ManagerUdevTest, AnUpdateGivesTheListedComPortItsDescriptionWithoutAnEvent)
{
    // The monitor is not started: the test plays its events in the order a slow udev
    // gives them, the COM port listed before its USB device's update.
    manager_->SetUSBMode(umManualDiscovery);
    manager_->SetSerialMode(smAutoDiscovery);
    TKTXComm2Item* item = manager_->Connections().Add();
    item->SetPort(portCOM);
    item->OnNotification = [this](TObject*, TNotificationEvent e, const TDevice&, int) { notes_.push_back(e); };

    const FtdiAdapter adapter;
    const TlnkUSBDevice device(QString::fromStdString(dabrix::platform::UsbInterfacePath(0x0403, 0x6001, adapter.serial)));
    ASSERT_TRUE(testbed_.Add(adapter.UsbDescription()));
    manager_->USBDeviceInserted(manager_->USBMonitor(), &device);
    ASSERT_NE(Usb(PathOf(adapter)), nullptr);
    EXPECT_EQ(Usb(PathOf(adapter))->PortNumber, 0);

    ASSERT_TRUE(testbed_.Add(adapter.TtyDescription()));
    ASSERT_TRUE(testbed_.AddByIdLink(adapter.ByIdName(), adapter.tty));
    ASSERT_TRUE(WaitFor([&] { return Com(3) != nullptr; }, 5s));
    EXPECT_EQ(Com(3)->Description, "");
    const size_t notesBefore = notes_.size();

    manager_->USBDeviceInserted(manager_->USBMonitor(), &device);
    EXPECT_EQ(Usb(PathOf(adapter))->Address, "COM3");
    EXPECT_EQ(Com(3)->Description, "FT232R USB UART");
    ASSERT_EQ(item->Devices().size(), 1u);
    EXPECT_EQ(item->Devices()[0].Description, "FT232R USB UART") << "the item's list follows";
    EXPECT_EQ(notes_.size(), notesBefore);
    EXPECT_EQ(Found(PathOf(adapter)), 1);
}

} // namespace
