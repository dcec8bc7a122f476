// The manager's infrared side over the emulated infrared layer: the mode setter and its
// poll timer, the manual search, how completions keep IrDADevices, and the poll. The
// gauges are participants made by hand in a temporary air folder.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"
#include "platform/irda/tests/HandMadeAir.h"
#include "tests/support/EventLoop.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using dabrix::test::HandMadeAir;
using dabrix::test::UniqueFd;
using dabrix::test::WaitFor;

namespace {

const char* EventName(TNotificationEvent e)
{
    switch (e) {
    case neDeviceFound: return "DeviceFound";
    case neDeviceRemoved: return "DeviceRemoved";
    case neDiscoveryStarted: return "DiscoveryStarted";
    case neDiscoveryCompleted: return "DiscoveryCompleted";
    case neConnect: return "Connect";
    case neDisconnect: return "Disconnect";
    default: return "other";
    }
}

std::vector<std::string> Names(const TDevices& list)
{
    std::vector<std::string> names;
    for (const TDevice& d : list)
        names.push_back(d.Name);
    return names;
}

class ManagerIrDATest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("DABRIX_BT_SIM");
        dabrix::platform::SetUserMessageHook(
            [this](dabrix::platform::UserMessageKind kind, const QString& text) {
                boxes.push_back((kind == dabrix::platform::UserMessageKind::Error ? "error:" : "other:")
                                + text.toStdString());
            });
        manager = std::make_unique<TKTXComm2Manager>(nullptr);
        ASSERT_TRUE(manager->Ports().Contains(portIrDA));
        manager->OnDeviceFound = [this](TObject*, TPort, const TDevice& d) { log.push_back("found:" + d.Name); };
        manager->OnDeviceLost = [this](TObject*, TPort, const TDevice& d) { log.push_back("lost:" + d.Name); };
        manager->OnDiscoveryStarted = [this](TObject*, TPort p) { log.push_back("started:" + std::to_string(p)); };
        manager->OnDiscoveryComplete = [this](TObject*, TPort p, const TDevices& list) {
            log.push_back("complete:" + std::to_string(p) + ":" + std::to_string(list.size()));
        };
    }
    void TearDown() override
    {
        manager.reset();
        dabrix::platform::SetUserMessageHook(nullptr);
    }

    TKTXComm2Item* AddItem(const std::string& name, TPort port)
    {
        TKTXComm2Item* item = manager->Connections().Add();
        item->SetPort(port);
        item->OnNotification = [this, name](TObject*, TNotificationEvent e, const TDevice& d, int) {
            log.push_back(name + ":" + EventName(e) + (d.Name.empty() ? "" : ":" + d.Name));
        };
        return item;
    }

    // A completion as the discovery hands it over: (address, name) pairs.
    void Complete(const std::vector<std::pair<const char*, const char*>>& devices)
    {
        TlnkIrDADevices list;
        for (const auto& [address, name] : devices)
            list.Add(new TlnkIrDADevice(QString::fromLatin1(address), QString::fromLatin1(name)));
        manager->IrDAComplete(manager->IrDADiscovery(), &list);
    }

    HandMadeAir air;  // before the manager: infrared is offered while the folder exists
    std::unique_ptr<TKTXComm2Manager> manager;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(ManagerIrDATest, TheModeSetterMakesTheDiscoveryAndItsPollTimer)
{
    const struct {
        TIrDAMode mode;
        bool component;
        bool polling;
    } steps[] = {
        {imManualDiscovery, true, false},
        {imAutoDiscovery, true, true},
        {imAutoDiscovery, true, true},
        {imManualDiscovery, true, false},
        {imDisabled, false, false},
        {imAutoDiscovery, true, true},
        {imDisabled, false, false},
    };
    for (const auto& s : steps) {
        manager->SetIrDAMode(s.mode);
        EXPECT_EQ(manager->IrDAMode(), s.mode);
        ASSERT_EQ(manager->IrDADiscovery() != nullptr, s.component) << s.mode;
        ASSERT_EQ(manager->IrDATimer() != nullptr, s.component) << s.mode;
        if (s.component) {
            EXPECT_EQ(manager->IrDATimer()->isActive(), s.polling) << s.mode;
            EXPECT_EQ(manager->IrDATimer()->interval(), 5000) << s.mode;  // no tick yet
        }
    }
}

TEST_F(ManagerIrDATest, EverySetterCallEmptiesTheList)
{
    manager->SetIrDAMode(imManualDiscovery);
    for (TIrDAMode mode : {imManualDiscovery, imAutoDiscovery, imAutoDiscovery, imDisabled}) {
        Complete({{"(1A:2B:3C:4D)", "Lakmo 3"}});
        ASSERT_EQ(manager->IrDADevices().size(), 1u);
        manager->SetIrDAMode(mode);
        EXPECT_TRUE(manager->IrDADevices().empty()) << mode;
        if (mode == imDisabled)
            break;
    }
}

TEST_F(ManagerIrDATest, WithoutTheAirTheModeStaysDisabled)
{
    ASSERT_EQ(std::rename(air.Path().c_str(), (air.Path() + ".away").c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return !manager->Ports().Contains(portIrDA); }, 5s));
    manager->SetIrDAMode(imAutoDiscovery);
    EXPECT_EQ(manager->IrDAMode(), imDisabled);
    EXPECT_EQ(manager->IrDADiscovery(), nullptr);
    ASSERT_EQ(std::rename((air.Path() + ".away").c_str(), air.Path().c_str()), 0);
}

TEST_F(ManagerIrDATest, ARefreshSearchesTheAirAndWaitsForTheResult)
{
    const struct {
        std::vector<std::pair<std::string, std::string>> participants;  // folder, name
        std::vector<std::string> names;
        std::vector<std::string> serials;
        std::vector<std::string> addresses;
    } cases[] = {
        {{}, {}, {}, {}},  // nobody in range: an empty list all the same
        {{{"1A2B3C4D", "Lakmo 3"}, {"00C0FFEE", "Sonavel"}},
         {"Sonavel", "Lakmo 3"},  // the layer lists folders in name order
         {"000", "1234"},
         {"(00:C0:FF:EE)", "(1A:2B:3C:4D)"}},
    };
    TKTXComm2Item* item = AddItem("irda", portIrDA);
    manager->SetIrDAMode(imManualDiscovery);
    for (const auto& c : cases) {
        for (const auto& [folder, name] : c.participants)
            air.AddParticipant(folder, name);
        log.clear();
        manager->Refresh(TPorts{portIrDA});
        // Everything happened inside the call.
        EXPECT_FALSE(manager->IrDADiscovery()->Discovering());
        const TDevices& list = manager->IrDADevices();
        ASSERT_EQ(Names(list), c.names);
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].SerialNo, c.serials[i]);
            EXPECT_EQ(list[i].Address, c.addresses[i]);
            EXPECT_TRUE(list[i].Connected);
            EXPECT_EQ(list[i].Handle, -1);
            EXPECT_EQ(list[i].PortNumber, 0);
            EXPECT_TRUE(list[i].Description.empty() && list[i].Info.empty() && list[i].DeviceID.empty());
        }
        std::vector<std::string> expected{"started:3", "irda:DiscoveryStarted"};
        for (const std::string& name : c.names) {
            expected.push_back("found:" + name);
            expected.push_back("irda:DeviceFound:" + name);
        }
        expected.push_back("complete:3:" + std::to_string(c.names.size()));
        expected.push_back("irda:DiscoveryCompleted");
        expected.push_back("irda:DiscoveryCompleted");  // the refresh's own, to every available port
        EXPECT_EQ(log, expected);
        EXPECT_EQ(item->Devices().size(), c.names.size());
    }
    EXPECT_TRUE(boxes.empty());

    // Only a manual mode is served.
    manager->SetIrDAMode(imAutoDiscovery);
    log.clear();
    manager->Refresh(TPorts{portIrDA});
    EXPECT_TRUE(log.empty());
}

TEST_F(ManagerIrDATest, CompletionsAddTheNewAndRemoveTheMissingOneByOne)
{
    manager->SetIrDAMode(imManualDiscovery);
    AddItem("irda", portIrDA);
    AddItem("com", portCOM);
    const struct {
        std::vector<std::pair<const char*, const char*>> inRange;
        std::vector<std::string> listed;
        std::vector<std::string> events;  // device events in order
    } steps[] = {
        {{{"(00:00:00:01)", "A"}, {"(00:00:00:02)", "B"}, {"(00:00:00:03)", "C"}, {"(00:00:00:04)", "D"}},
         {"A", "B", "C", "D"},
         {"found:A", "irda:DeviceFound:A", "found:B", "irda:DeviceFound:B", "found:C", "irda:DeviceFound:C", "found:D",
          "irda:DeviceFound:D"}},
        // Seen again: nothing new.
        {{{"(00:00:00:04)", "D"}, {"(00:00:00:01)", "A"}, {"(00:00:00:02)", "B"}, {"(00:00:00:03)", "C"}},
         {"A", "B", "C", "D"},
         {}},
        // A and C gone: each removal starts the scan over; the item has chosen none, so
        // it hears nothing of them.
        {{{"(00:00:00:02)", "B"}, {"(00:00:00:04)", "D"}}, {"B", "D"}, {"lost:A", "lost:C"}},
        // A back: appended at the end. The address is compared exactly.
        {{{"(00:00:00:02)", "B"}, {"(00:00:00:04)", "D"}, {"(00:00:00:01)", "A"}, {"(00:00:00:0d)", "d"}},
         {"B", "D", "A", "d"},
         {"found:A", "irda:DeviceFound:A", "found:d", "irda:DeviceFound:d"}},
        // Nobody in range.
        {{}, {}, {"lost:B", "lost:D", "lost:A", "lost:d"}},
    };
    for (const auto& s : steps) {
        log.clear();
        Complete(s.inRange);
        EXPECT_EQ(Names(manager->IrDADevices()), s.listed);
        std::vector<std::string> expected = s.events;
        expected.push_back("complete:3:" + std::to_string(s.listed.size()));
        expected.push_back("irda:DiscoveryCompleted");
        EXPECT_EQ(log, expected);
    }
}

TEST_F(ManagerIrDATest, AFailedSearchIsReportedAndLeavesTheList)
{
    manager->SetIrDAMode(imManualDiscovery);
    AddItem("irda", portIrDA);
    Complete({{"(1A:2B:3C:4D)", "Lakmo 3"}});
    log.clear();
    manager->IrDAComplete(manager->IrDADiscovery(), nullptr);
    EXPECT_EQ(boxes, std::vector<std::string>{"error:Error discovering IrDA devices"});
    EXPECT_EQ(Names(manager->IrDADevices()), std::vector<std::string>{"Lakmo 3"});
    EXPECT_EQ(log, (std::vector<std::string>{"complete:3:1", "irda:DiscoveryCompleted"}));
}

TEST_F(ManagerIrDATest, ThePollSearchesUnlessAnItemIsConnected)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    manager->SetIrDAMode(imAutoDiscovery);
    TKTXComm2Item* item = AddItem("irda", portIrDA);
    QTimer* timer = manager->IrDATimer();

    // Nobody connected: the tick searches and the timer goes on at 10 s.
    manager->IrDAPoll();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10000);
    ASSERT_TRUE(WaitFor([&] { return manager->IrDADevices().size() == 1u; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return !manager->IrDADiscovery()->Discovering(); }, 5s));

    // Connected: the tick searches nothing and keeps polling.
    ASSERT_EQ(item->SelectDeviceByName(QStringLiteral("Lakmo 3")), emNone);
    ASSERT_EQ(item->Connect(true), emNone);
    ASSERT_EQ(item->LinkState(), lsConnected);
    log.clear();
    manager->IrDAPoll();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10000);
    EXPECT_FALSE(manager->IrDADiscovery()->Discovering());
    dabrix::test::RunEventsFor(300ms);
    EXPECT_EQ(std::count(log.begin(), log.end(), "started:3"), 0);
    item->Disconnect();

    // A refused request (a search runs already) stops the poll until the mode is set again.
    ASSERT_EQ(manager->IrDADiscovery()->Discover(), 0);
    manager->IrDAPoll();
    EXPECT_FALSE(timer->isActive());
    ASSERT_TRUE(WaitFor([&] { return !manager->IrDADiscovery()->Discovering(); }, 5s));
    dabrix::test::RunEventsFor(200ms);
    EXPECT_FALSE(timer->isActive());
    manager->SetIrDAMode(imAutoDiscovery);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(ManagerIrDATest, TheFirstTickComesAfterFiveSecondsAndFindsTheGauge)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    manager->SetIrDAMode(imAutoDiscovery);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return !manager->IrDADevices().empty(); }, 20s));
    // A coarse timer may fire up to 5 % early; a loaded machine makes it late only.
    const auto after = std::chrono::steady_clock::now() - start;
    EXPECT_GE(after, 4700ms);
    EXPECT_EQ(manager->IrDADevices()[0].SerialNo, "1234");
    EXPECT_EQ(manager->IrDATimer()->interval(), 10000);
    EXPECT_TRUE(manager->IrDATimer()->isActive());
}

TEST_F(ManagerIrDATest, AnItemThatStartsAnInfraredLinkPutsTheNextPollAWholeIntervalAway)
{
    manager->SetIrDAMode(imAutoDiscovery);
    QTimer* timer = manager->IrDATimer();
    dabrix::test::RunEventsFor(1500ms);
    ASSERT_LT(timer->remainingTime(), 4000);
    manager->RestartIrDATimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_GT(timer->remainingTime(), 4500);
}
