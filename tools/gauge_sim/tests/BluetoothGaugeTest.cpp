// The simulator's Bluetooth gauge as the simulated Bluetooth stack sees it: its device
// file, its service, its RFCOMM endpoint, the empty names it answers first and its
// leaving range.
#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/lnkSDPParser.h"
#include "tests/support/EventLoop.h"
#include "tools/gauge_sim/BluetoothGauge.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::platform::BluetoothDeviceInfo;
using dabrix::platform::BluetoothResult;
using dabrix::tools::BluetoothGauge;
using dabrix::tools::BluetoothGaugeSettings;

TEST(BluetoothGaugeTest, TheStackFindsItsNameServiceAndEndpoint)
{
    QTemporaryDir dir;
    BluetoothGaugeSettings settings;
    settings.folder = dir.path().toStdString();
    settings.name = "Gauge_335";
    settings.classOfDevice = 0x240404;
    settings.channel = 5;
    BluetoothGauge gauge;
    std::string error;
    ASSERT_TRUE(gauge.Create(settings, error)) << error;
    EXPECT_EQ(gauge.Address(), "(00:11:22:33:44:AA)");
    const auto stack = dabrix::platform::CreateSimulatedBluetoothStack(settings.folder);

    BluetoothDeviceInfo info;
    ASSERT_EQ(stack->QueryDevice(settings.address, info), BluetoothResult::Ok);
    EXPECT_EQ(info.Name, QStringLiteral("Gauge_335"));
    EXPECT_EQ(info.ClassOfDevice, 0x240404u);

    std::vector<uint8_t> lists;
    ASSERT_EQ(stack->ServiceSearch(settings.address, QUuid(QString::fromLatin1(BluetoothGauge::kSerialPortUuid)), lists),
              BluetoothResult::Ok);
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(lists));
    ASSERT_EQ(parser.Records().size(), 1u);
    EXPECT_EQ(dabrix::platform::ReadSdpService(parser.Records()[0]).Channel, 5);

    std::unique_ptr<dabrix::platform::RfcommSocket> socket;
    ASSERT_EQ(stack->ConnectRfcomm(settings.address, 5, {}, socket), BluetoothResult::Ok);
    int peer = -1;
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return (peer = gauge.Accept()) >= 0; }, 2s));
    ::close(peer);

    gauge.Remove();
    EXPECT_EQ(stack->QueryDevice(settings.address, info), BluetoothResult::NotFound);
    socket.reset();
    EXPECT_NE(stack->ConnectRfcomm(settings.address, 5, {}, socket), BluetoothResult::Ok);
}

TEST(BluetoothGaugeTest, TheFirstReadsFindAnEmptyName)
{
    QTemporaryDir dir;
    BluetoothGaugeSettings settings;
    settings.folder = dir.path().toStdString();
    settings.emptyNames = 3;
    BluetoothGauge gauge;
    std::string error;
    ASSERT_TRUE(gauge.Create(settings, error)) << error;
    const auto stack = dabrix::platform::CreateSimulatedBluetoothStack(settings.folder);

    BluetoothDeviceInfo info;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(stack->QueryDevice(settings.address, info), BluetoothResult::Ok);
        EXPECT_TRUE(info.Name.isEmpty()) << i;
        // The watcher counts a read and may rewrite the file: give it the time it takes.
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(stack->QueryDevice(settings.address, info), BluetoothResult::Ok);
    EXPECT_EQ(info.Name, QStringLiteral("Gauge_2600"));
}
