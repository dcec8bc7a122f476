// The manager's Bluetooth branch on the simulated Bluetooth stack: the mode setter and
// its radio, the manual inquiry, the watcher's found and lost events and the list entry
// with its name attempts.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"
#include "tests/support/EventLoop.h"
#include "transport/lnkErrors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace std::chrono_literals;
using dabrix::test::WaitFor;

namespace {

// A device whose name query fails with a code of the test's choice.
class FailingNameDevice : public TlnkBluetoothDevice {
public:
    FailingNameDevice(const QString& Address, int Code) : TlnkBluetoothDevice(Address), code_(Code) {}
    int GetName(const TlnkBluetoothRadio*, QString&) const override { return code_; }

private:
    int code_;
};

class ManagerBluetoothTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + QStringLiteral("/bt");
        ASSERT_TRUE(QDir().mkpath(folder));
        ::setenv("DABRIX_BT_SIM", folder.toLocal8Bit().constData(), 1);
        dabrix::platform::SetUserMessageHook(
            [this](dabrix::platform::UserMessageKind, const QString& text) { boxes.push_back(text.toStdString()); });
        manager = std::make_unique<TKTXComm2Manager>(nullptr);
        manager->OnDeviceFound = [this](TObject*, TPort p, const TDevice& d) {
            if (p == portBT)
                log.push_back("found:" + d.Name);
        };
        manager->OnDeviceLost = [this](TObject*, TPort p, const TDevice& d) {
            if (p == portBT)
                log.push_back("lost:" + d.Name);
        };
        manager->OnDiscoveryStarted = [this](TObject*, TPort p) { log.push_back("started:" + std::to_string(p)); };
        manager->OnDiscoveryComplete = [this](TObject*, TPort p, const TDevices& list) {
            log.push_back("complete:" + std::to_string(p) + ":" + std::to_string(list.size()));
        };
    }

    void TearDown() override
    {
        manager.reset();
        dabrix::platform::SetUserMessageHook(nullptr);
        ::unsetenv("DABRIX_BT_SIM");
    }

    void Device(const QString& hex, const QByteArray& lines) const
    {
        QFile f(folder + "/." + hex);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines);
        f.close();
        QFile::remove(folder + "/" + hex + ".device");
        ASSERT_TRUE(QFile::rename(f.fileName(), folder + "/" + hex + ".device"));
    }

    static std::vector<std::string> Names(const TDevices& list)
    {
        std::vector<std::string> names;
        for (const TDevice& d : list)
            names.push_back(d.Name);
        return names;
    }

    QTemporaryDir dir;
    QString folder;
    std::unique_ptr<TKTXComm2Manager> manager;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
    std::vector<std::string> notes;  // an item's notifications
};

} // namespace

TEST_F(ManagerBluetoothTest, TheModeSetterTakesThePlatformRadio)
{
    EXPECT_TRUE(manager->Ports().Contains(portBT));
    EXPECT_EQ(manager->BTRadio(), nullptr);
    manager->SetBluetoothMode(bmManualDiscovery);
    ASSERT_NE(manager->BTRadio(), nullptr);
    EXPECT_EQ(manager->BTRadio()->Api(), baMicrosoft);
    EXPECT_FALSE(manager->BluetoothDiscovery()->Monitoring());
    manager->SetBluetoothMode(bmAutoDiscovery);
    EXPECT_TRUE(manager->BluetoothDiscovery()->Monitoring());
    manager->SetBluetoothMode(bmManualDiscovery);
    EXPECT_FALSE(manager->BluetoothDiscovery()->Monitoring());
    manager->SetBluetoothMode(bmDisabled);
    EXPECT_EQ(manager->BluetoothDiscovery(), nullptr);
    EXPECT_EQ(manager->BTRadio(), nullptr);
    EXPECT_TRUE(boxes.empty());

    // Without the stack the mode reads back disabled and nothing is made.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return !manager->Ports().Contains(portBT); }, 5s));
    manager->SetBluetoothMode(bmAutoDiscovery);
    EXPECT_EQ(manager->BluetoothMode(), bmDisabled);
    EXPECT_EQ(manager->BluetoothDiscovery(), nullptr);
}

TEST_F(ManagerBluetoothTest, ARefreshListsTheStacksDevicesInItsOrder)
{
    Device("0011223344BB", "name=Gauge_335\nclass=1F00\npaired=1\n");
    Device("0011223344AA", "name=Gauge_2600\nconnected=1\n");
    manager->SetBluetoothMode(bmManualDiscovery);
    TKTXComm2Item* item = manager->Connections().Add();
    item->SetPort(portBT);
    item->OnNotification = [&](TObject*, TNotificationEvent e, const TDevice&, int) { notes.push_back(std::to_string(e)); };

    manager->Refresh(TPorts{portBT});
    ASSERT_TRUE(WaitFor([&] { return !log.empty() && log.back() == "complete:" + std::to_string(portBT) + ":2"; }, 5s));
    EXPECT_EQ(log.front(), "started:" + std::to_string(portBT));
    const TDevices& list = manager->BTDevices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Address, "(00:11:22:33:44:AA)");
    EXPECT_EQ(list[0].Name, "Gauge_2600");
    EXPECT_TRUE(list[0].Connected);
    EXPECT_FALSE(list[0].Paired);
    EXPECT_EQ(list[1].Name, "Gauge_335");
    EXPECT_EQ(list[1].ID, 0x1F00);
    EXPECT_TRUE(list[1].Paired);
    EXPECT_EQ(list[1].Handle, -1);
    // A completion rebuilds the list without found events and leaves the items' copies.
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("found:", 0) == 0; }), 0);
    EXPECT_TRUE(item->Devices().empty());
    EXPECT_EQ(notes.back(), std::to_string(neDiscoveryCompleted));
}

TEST_F(ManagerBluetoothTest, TheWatcherKeepsTheListSortedByName)
{
    Device("0011223344AA", "name=Gauge_335\n");
    manager->SetBluetoothMode(bmManualDiscovery);
    const TlnkBluetoothRadio radio(baMicrosoft);
    TlnkBluetoothDiscovery* discovery = manager->BluetoothDiscovery();
    for (const char* address : {"(00:11:22:33:44:AA)", "(00:11:22:33:44:aa)"}) {
        const TlnkBluetoothDevice d{QString::fromLatin1(address)};
        manager->BTDeviceFound(discovery, &radio, &d);
    }
    Device("0011223344BB", "name=Gauge_2600\n");
    Device("0011223344CC", "name=Gauge_345\n");
    for (const char* address : {"(00:11:22:33:44:BB)", "(00:11:22:33:44:CC)"}) {
        const TlnkBluetoothDevice d{QString::fromLatin1(address)};
        manager->BTDeviceFound(discovery, &radio, &d);
    }
    EXPECT_EQ(Names(manager->BTDevices()), (std::vector<std::string>{"Gauge_2600", "Gauge_335", "Gauge_345"}));
    const TlnkBluetoothDevice lost{QStringLiteral("(00:11:22:33:44:aa)")};
    manager->BTDeviceLost(discovery, &radio, &lost);
    EXPECT_EQ(Names(manager->BTDevices()), (std::vector<std::string>{"Gauge_2600", "Gauge_345"}));
    EXPECT_EQ(log, (std::vector<std::string>{"found:Gauge_335", "found:Gauge_2600", "found:Gauge_345", "lost:Gauge_335"}));
}

TEST_F(ManagerBluetoothTest, AutoModeListsWhatTheWatcherFinds)
{
    Device("0011223344AA", "name=Gauge_2600\n");
    manager->SetBluetoothMode(bmAutoDiscovery);
    ASSERT_TRUE(WaitFor([&] { return manager->BTDevices().size() == 1; }, 12s));
    EXPECT_EQ(manager->BTDevices()[0].Name, "Gauge_2600");
    QFile::remove(folder + "/0011223344AA.device");
    ASSERT_TRUE(WaitFor([&] { return manager->BTDevices().empty(); }, 12s));
    EXPECT_EQ(log.back(), "lost:Gauge_2600");
}

TEST_F(ManagerBluetoothTest, TheNameIsAskedUpToFiveTimes)
{
    manager->SetBluetoothMode(bmManualDiscovery);
    const TlnkBluetoothRadio radio(baMicrosoft);
    Device("0011223344AA", "name=\nclass=240404\n");
    Device("0011223344BB", "name=Gauge_335\n");

    struct Case {
        const char* what;
        std::unique_ptr<TlnkBluetoothDevice> device;
        std::string name;
        std::chrono::milliseconds atLeast, below;
    };
    Case cases[] = {
        {"five empty answers", std::make_unique<TlnkBluetoothDevice>(QStringLiteral("(00:11:22:33:44:AA)")), "",
         2400ms, 4000ms},
        {"a name at once", std::make_unique<TlnkBluetoothDevice>(QStringLiteral("(00:11:22:33:44:BB)")), "Gauge_335",
         0ms, 400ms},
        {"a failing query", std::make_unique<FailingNameDevice>(QStringLiteral("(00:11:22:33:44:BB)"), 8),
         "Unknown (8)", 0ms, 400ms},
        {"a device the stack does not know", std::make_unique<TlnkBluetoothDevice>(QStringLiteral("(00:11:22:33:44:CC)")),
         "Unknown (2)", 0ms, 400ms},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto start = std::chrono::steady_clock::now();
        const TDevice d = manager->BluetoothFill(&radio, *c.device);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(d.Name, c.name);
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.below);
        EXPECT_EQ(d.Handle, -1);
    }
    EXPECT_EQ(manager->BluetoothFill(&radio, *cases[0].device).ID, 0x240404);
}

TEST_F(ManagerBluetoothTest, ARefreshWithoutTheStackShowsTheLibrarysRefusal)
{
    manager->SetBluetoothMode(bmManualDiscovery);
    // The stack goes away after the radio was taken.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(WaitFor([&] { return !IsTransportAvailable(trBluetooth); }, 5s));
    manager->Refresh(TPorts{portBT});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], lnkGetErrorText(dabrix::transport::code::TransportNotAvailable).toStdString());
}
