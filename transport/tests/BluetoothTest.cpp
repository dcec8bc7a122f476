// The library's Bluetooth half on the simulated stack: the platform binding's
// availability, radios, inquiries, the presence watcher with its lost and found passes,
// per-device queries and the client connection's RFCOMM path. Devices are files and
// listening sockets in a temporary stack folder, made by hand as another program would.
#include "tests/support/EventLoop.h"
#include "transport/lnkAPI.h"
#include "transport/lnkBluetoothDiscovery.h"
#include "transport/lnkClient.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/tests/FakeBindings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace dabrix::transport;
using namespace std::chrono_literals;
using dabrix::test::FakeStacks;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;

namespace {

constexpr const char* kSpp = "00001101-0000-1000-8000-00805F9B34FB";

// A stack folder for DABRIX_BT_SIM; every other stack simulated and absent, the platform
// stack the real binding.
class SimStack {
public:
    SimStack()
    {
        folder_ = dir_.path() + QStringLiteral("/bt");
        QDir().mkpath(folder_);
        ::setenv("DABRIX_BT_SIM", folder_.toLocal8Bit().constData(), 1);
        stacks_.SetPresent(BindingKind::Microsoft, false);
        SetStackBindingFactory(BindingKind::Microsoft, {});
    }
    ~SimStack()
    {
        for (int fd : listeners_)
            ::close(fd);
        ::unsetenv("DABRIX_BT_SIM");
    }


    // Writes <hex>.device, aside and renamed into place as the stack's contract asks.
    void Device(const QString& hex, const QByteArray& lines) const
    {
        const QString aside = folder_ + QStringLiteral("/.") + hex + QStringLiteral(".tmp");
        QFile f(aside);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines);
        f.close();
        ASSERT_TRUE(QFile::remove(folder_ + "/" + hex + ".device") || true);
        ASSERT_TRUE(QFile::rename(aside, folder_ + "/" + hex + ".device"));
    }
    // A gauge with a serial-port service on `channel`, listening on its RFCOMM endpoint;
    // returns the listening socket (non-blocking), -1 on failure.
    int Gauge(const QString& hex, int channel) const
    {
        Device(hex, QByteArray("name=Gauge_2600\nservice=") + QByteArray::number(channel) + "," + kSpp + ",Serial Port\n");
        const QByteArray path = QFile::encodeName(folder_ + "/" + hex + "." + QString::number(channel));
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (static_cast<size_t>(path.size()) >= sizeof addr.sun_path)
            return -1;
        std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
            if (fd >= 0)
                ::close(fd);
            return -1;
        }
        listeners_.push_back(fd);
        return fd;
    }
    void Remove(const QString& hex) const { QFile::remove(folder_ + "/" + hex + ".device"); }
    // The radio goes, as a user unplugging the adapter would see it.
    void MoveAway() const { ASSERT_TRUE(QDir().rename(folder_, folder_ + ".away")); }

private:
    QTemporaryDir dir_;
    QString folder_;
    FakeStacks stacks_;
    mutable std::vector<int> listeners_;
};

const TlnkBluetoothRadio kPlatformRadio(baMicrosoft);

struct Recorder {
    std::vector<std::string> events;  // "started", "complete N" / "complete none", "found A", "lost A"
    std::vector<std::string> completed;

    void Attach(TlnkBluetoothDiscovery& d)
    {
        d.OnDiscoveryStarted = [this](TObject*, const TlnkBluetoothRadio* r) {
            events.push_back(r && r->Api() == baMicrosoft ? "started" : "started ?");
        };
        d.OnDiscoveryComplete = [this](TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevices* list) {
            if (!list) {
                events.push_back("complete none");
                return;
            }
            completed.clear();
            for (int i = 0; i < list->Count(); ++i)
                completed.push_back(list->Items(i)->Address().toStdString());
            events.push_back("complete " + std::to_string(list->Count()));
        };
        d.OnDeviceFound = [this](TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevice* dev) {
            events.push_back("found " + dev->Address().toStdString());
        };
        d.OnDeviceLost = [this](TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevice* dev) {
            events.push_back("lost " + dev->Address().toStdString());
        };
    }
    bool Has(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
    long Count(const std::string& e) const { return std::count(events.begin(), events.end(), e); }
};

} // namespace

// --- availability and radios ---

TEST(BluetoothStackBindingTest, ThePlatformStackFollowsTheSimulatedFolder)
{
    SimStack sim;
    TlnkAPI api(nullptr);
    int changes = 0;
    api.OnChanged = [&](TObject*) { ++changes; };
    ASSERT_EQ(api.Load(), 0);
    EXPECT_TRUE(IsTransportAvailable(trBluetooth));
    EXPECT_TRUE(IsBluetoothApiAvailable(baMicrosoft));
    for (TlnkBluetoothApi vendor : {baBlueSoleil, baToshiba, baWidComm})
        EXPECT_FALSE(IsBluetoothApiAvailable(vendor)) << vendor;

    TlnkBluetoothDiscovery discovery(nullptr);
    TlnkBluetoothRadios radios;
    radios.Add(new TlnkBluetoothRadio(baWidComm));  // refilled, not added to
    ASSERT_EQ(discovery.EnumRadios(&radios), 0);
    ASSERT_EQ(radios.Count(), 1);
    EXPECT_EQ(radios.Items(0)->Api(), baMicrosoft);
    EXPECT_EQ(discovery.EnumRadios(nullptr), code::InvalidArgument);

    sim.MoveAway();
    ASSERT_TRUE(WaitFor([&] { return !IsTransportAvailable(trBluetooth); }, 5s));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(discovery.EnumRadios(&radios), code::TransportNotAvailable);
    EXPECT_EQ(discovery.Discover(&kPlatformRadio, 1, true), code::TransportNotAvailable);
    ASSERT_EQ(api.Unload(), 0);
}

// --- lists and the device object ---

TEST(BluetoothListsTest, ArgumentsAndIndexesAreChecked)
{
    TlnkBluetoothDevices devices;
    EXPECT_THROW(devices.Add(nullptr), lnkEInvalidArgument);
    EXPECT_THROW(devices.Items(0), lnkEIndexOutOfBounds);
    EXPECT_THROW(devices.Assign(nullptr), lnkEInvalidArgument);
    TlnkBluetoothServices services;
    EXPECT_THROW(services.Add(nullptr), lnkEInvalidArgument);
    TlnkBluetoothRadios radios;
    EXPECT_THROW(radios.Add(nullptr), lnkEInvalidArgument);

    TlnkBluetoothDevice device;
    EXPECT_EQ(device.Address(), QStringLiteral("(00:00:00:00:00:00)"));
    EXPECT_THROW(device.SetAddress(QStringLiteral("(00:11:22:33:44:GG)")), lnkEInvalidAddress);
    EXPECT_THROW(device.Assign(nullptr), lnkEInvalidArgument);

    devices.Add(new TlnkBluetoothDevice(QStringLiteral("(00:11:22:33:44:AA)")));
    devices.Add(new TlnkBluetoothDevice(QStringLiteral("(00:11:22:33:44:BB)")));
    TlnkBluetoothDevices copy;
    copy.Add(new TlnkBluetoothDevice());
    copy.Assign(&devices);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(1)->Address(), QStringLiteral("(00:11:22:33:44:BB)"));
    EXPECT_NE(copy.Items(0), devices.Items(0));  // entry by entry, not shared
}

TEST(BluetoothDeviceQueryTest, AnswersComeFromTheRadiosStack)
{
    SimStack sim;
    sim.Device("0011223344AA", QByteArray("name=Gauge_2600\nclass=1F00\npaired=1\nconnected=0\nservice=3,") + kSpp
                                   + ",Serial Port,Readings\nservice=5,1105,Object Push\n");
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    const TlnkBluetoothDevice device(QStringLiteral("(00:11:22:33:44:aa)"));

    QString name;
    uint32_t cod = 0;
    bool paired = false, connected = true;
    EXPECT_EQ(device.GetName(&kPlatformRadio, name), 0);
    EXPECT_EQ(name, QStringLiteral("Gauge_2600"));
    EXPECT_EQ(device.GetClassOfDevice(&kPlatformRadio, cod), 0);
    EXPECT_EQ(cod, 0x1F00u);
    EXPECT_EQ(device.GetPaired(&kPlatformRadio, paired), 0);
    EXPECT_TRUE(paired);
    EXPECT_EQ(device.GetConnected(&kPlatformRadio, connected), 0);
    EXPECT_FALSE(connected);

    TlnkBluetoothServices services;
    ASSERT_EQ(device.EnumServices(&kPlatformRadio, &services), 0);
    ASSERT_EQ(services.Count(), 2);
    const QUuid spp(QString::fromLatin1(kSpp));
    ASSERT_EQ(device.EnumServices(&kPlatformRadio, &services, &spp), 0);
    ASSERT_EQ(services.Count(), 1);
    EXPECT_EQ(services.Items(0)->Channel, 3);
    EXPECT_EQ(services.Items(0)->Name, QStringLiteral("Serial Port"));
    EXPECT_EQ(services.Items(0)->Description, QStringLiteral("Readings"));
    EXPECT_EQ(services.Items(0)->Uuid, spp);
    const QUuid headset(QStringLiteral("{00001108-0000-1000-8000-00805F9B34FB}"));
    EXPECT_EQ(device.EnumServices(&kPlatformRadio, &services, &headset), code::ServiceNotFound);
    EXPECT_EQ(services.Count(), 0);
    bool has = false;
    EXPECT_EQ(device.HasServices(&kPlatformRadio, has), 0);
    EXPECT_TRUE(has);

    // Refusals, in the order the checks run.
    struct Case {
        const char* what;
        const TlnkBluetoothRadio* radio;
        QString address;
        int expected;
    };
    const TlnkBluetoothRadio widComm(baWidComm);
    const TlnkBluetoothRadio unknown(static_cast<TlnkBluetoothApi>(9));
    const Case cases[] = {
        {"no radio", nullptr, device.Address(), code::InvalidArgument},
        {"a vendor stack that is not there", &widComm, device.Address(), code::BluetoothApiNotAvailable},
        {"a stack beyond the enumeration", &unknown, device.Address(), code::BluetoothApiNotAvailable},
        {"a device the stack does not know", &kPlatformRadio, QStringLiteral("(00:11:22:33:44:CC)"),
         code::InternalDriverError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TlnkBluetoothDevice d(c.address);
        EXPECT_EQ(d.GetName(c.radio, name), c.expected);
        EXPECT_EQ(d.GetPaired(c.radio, paired), c.expected);
    }
    EXPECT_EQ(device.EnumServices(&kPlatformRadio, nullptr), code::InvalidArgument);
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_EQ(device.GetName(&kPlatformRadio, name), code::TransportNotAvailable);
}

// --- inquiries ---

TEST(BluetoothDiscoveryTest, AnInquiryListsTheDevicesInRangeAndTheCacheThePairedOnes)
{
    SimStack sim;
    sim.Device("0011223344AA", "name=Gauge_2600\n");
    sim.Device("0011223344BB", "name=Far\npaired=1\ninrange=0\n");
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    TlnkBluetoothDiscovery discovery(nullptr);
    Recorder rec;
    rec.Attach(discovery);

    struct Case {
        bool cached;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false, {"(00:11:22:33:44:AA)"}},
        {true, {"(00:11:22:33:44:AA)", "(00:11:22:33:44:BB)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cached ? "cached" : "inquiry");
        rec.events.clear();
        ASSERT_EQ(discovery.Discover(&kPlatformRadio, 1, c.cached), 0);
        EXPECT_TRUE(discovery.Discovering());
        EXPECT_EQ(discovery.Discover(&kPlatformRadio, 1, c.cached), code::DiscoveryActive);
        EXPECT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), code::DiscoveryActive);
        ASSERT_TRUE(WaitFor([&] { return rec.events.size() == 2; }, 5s));
        EXPECT_EQ(rec.events, (std::vector<std::string>{"started", "complete " + std::to_string(c.expected.size())}));
        EXPECT_EQ(rec.completed, c.expected);
        EXPECT_FALSE(discovery.Discovering());
    }
    EXPECT_EQ(discovery.Terminate(), code::DiscoveryNotStarted);
    EXPECT_EQ(discovery.Discover(nullptr, 1, true), code::InvalidArgument);

    // A terminated inquiry completes at once without a list, and nothing follows.
    rec.events.clear();
    ASSERT_EQ(discovery.Discover(&kPlatformRadio, 10, false), 0);
    EXPECT_EQ(discovery.Terminate(), 0);
    EXPECT_EQ(rec.events.back(), "complete none");
    RunEventsFor(100ms);
    EXPECT_EQ(rec.Count("complete none"), 1);
    EXPECT_EQ(rec.Count("complete 1"), 0);
}

TEST(BluetoothDiscoveryTest, SearchAndWatcherExcludeEachOther)
{
    SimStack sim;
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    TlnkBluetoothDiscovery discovery(nullptr);

    EXPECT_EQ(discovery.StopMonitoring(), code::MonitoringNotActive);
    ASSERT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), 0);
    EXPECT_TRUE(discovery.Monitoring());
    EXPECT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), code::MonitoringActive);
    EXPECT_EQ(discovery.Discover(&kPlatformRadio, 1, true), code::MonitoringActive);
    EXPECT_EQ(discovery.Terminate(), code::DiscoveryNotStarted);
    EXPECT_EQ(discovery.StopMonitoring(), 0);
    EXPECT_FALSE(discovery.Monitoring());
}

// --- the presence watcher ---

TEST(BluetoothWatcherTest, DevicesComingAndGoingAreFoundAndLostOnce)
{
    SimStack sim;
    sim.Device("0011223344AA", "name=A\n");
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    TlnkBluetoothDiscovery discovery(nullptr);
    Recorder rec;
    rec.Attach(discovery);
    ASSERT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), 0);

    ASSERT_TRUE(WaitFor([&] { return rec.Has("found (00:11:22:33:44:AA)"); }, 5s));
    sim.Device("0011223344BB", "name=B\n");
    ASSERT_TRUE(WaitFor([&] { return rec.Has("found (00:11:22:33:44:BB)"); }, 5s));
    sim.Remove("0011223344AA");
    ASSERT_TRUE(WaitFor([&] { return rec.Has("lost (00:11:22:33:44:AA)"); }, 5s));
    // Out of range by its file is gone as well.
    sim.Device("0011223344BB", "name=B\ninrange=0\n");
    ASSERT_TRUE(WaitFor([&] { return rec.Has("lost (00:11:22:33:44:BB)"); }, 5s));
    RunEventsFor(1500ms);  // a further pass reports nothing new
    EXPECT_EQ(rec.events, (std::vector<std::string>{"found (00:11:22:33:44:AA)", "found (00:11:22:33:44:BB)",
                                                    "lost (00:11:22:33:44:AA)", "lost (00:11:22:33:44:BB)"}));
    EXPECT_EQ(discovery.StopMonitoring(), 0);
}

// Paired devices are listed even when out of range; only a working service search shows
// that one is really there.
TEST(BluetoothWatcherTest, PairedDevicesCountOnlyWhileTheirServiceSearchWorks)
{
    SimStack sim;
    const QByteArray service = QByteArray("service=1,") + kSpp + ",Serial Port\n";
    struct Case {
        const char* what;
        QByteArray lines;
        bool found;
    };
    const Case cases[] = {
        {"paired with a service", "name=P\npaired=1\n" + service, true},
        {"paired without any service", "name=P\npaired=1\n", false},
        {"not paired, no service", "name=U\n", true},
    };
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim.Device("0011223344AA", c.lines);
        TlnkBluetoothDiscovery discovery(nullptr);
        Recorder rec;
        rec.Attach(discovery);
        ASSERT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), 0);
        RunEventsFor(3500ms);
        EXPECT_EQ(rec.Has("found (00:11:22:33:44:AA)"), c.found);
        if (c.found && QByteArray(c.lines).contains("paired=1")) {
            // Its services stop answering (a paired device out of range): lost.
            sim.Device("0011223344AA", "name=P\npaired=1\n");
            EXPECT_TRUE(WaitFor([&] { return rec.Has("lost (00:11:22:33:44:AA)"); }, 5s));
        }
        EXPECT_EQ(discovery.StopMonitoring(), 0);
    }
}

TEST(BluetoothWatcherTest, TheRadioGoingStopsTheWatcher)
{
    SimStack sim;
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    TlnkBluetoothDiscovery discovery(nullptr);
    ASSERT_EQ(discovery.StartMonitoring(&kPlatformRadio, 1), 0);
    sim.MoveAway();
    EXPECT_TRUE(WaitFor([&] { return !discovery.Monitoring(); }, 5s));
}

// --- the client connection's RFCOMM path ---

namespace {

struct Link {
    TlnkClient client{nullptr};
    std::vector<int> results;
    int disconnects = 0;
    std::string data;

    Link(const QString& address, uint8_t channel)
    {
        client.SetTransport(trBluetooth);
        client.BluetoothParams()->SetRadio(&kPlatformRadio);
        client.BluetoothParams()->SetAddress(address);
        client.BluetoothParams()->SetChannel(channel);
        client.BluetoothParams()->SetServiceUuid(QUuid(QString::fromLatin1(kSpp)));
        client.BluetoothParams()->SetAuthentication(false);
        client.SetConnectTimeout(2000);
        client.OnConnect = [this](TObject*, int e) { results.push_back(e); };
        client.OnDisconnect = [this](TObject*) { ++disconnects; };
        client.OnData = [this](TObject*, const void* b, uint32_t n) { data.append(static_cast<const char*>(b), n); };
    }
};

int AcceptWithin(int listener, std::chrono::milliseconds limit)
{
    int fd = -1;
    WaitFor([&] { return (fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; }, limit);
    return fd;
}

const QString kGaugeAddress = QStringLiteral("(00:11:22:33:44:AA)");

} // namespace

TEST(BluetoothClientTest, ChannelZeroConnectsToTheChannelTheServiceSearchFinds)
{
    SimStack sim;
    const int gauge = sim.Gauge("0011223344AA", 7);
    ASSERT_GE(gauge, 0);
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);

    Link link(kGaugeAddress, 0);
    ASSERT_EQ(link.client.Connect(), 0);
    const int peer = AcceptWithin(gauge, 3s);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(WaitFor([&] { return !link.results.empty(); }, 3s));
    EXPECT_EQ(link.results, std::vector<int>{0});
    EXPECT_TRUE(link.client.IsConnected());

    ASSERT_EQ(::send(peer, "12.5 um\r\n", 9, MSG_NOSIGNAL), 9);
    ASSERT_TRUE(WaitFor([&] { return link.data == "12.5 um\r\n"; }, 3s));
    ASSERT_EQ(link.client.Write("\x05", 1), 0);
    char got = 0;
    ASSERT_TRUE(WaitFor([&] { return ::recv(peer, &got, 1, MSG_DONTWAIT) == 1; }, 3s));
    EXPECT_EQ(got, '\x05');

    // The gauge drops the link: a disconnect, as for any other link loss.
    ::close(peer);
    ASSERT_TRUE(WaitFor([&] { return link.disconnects == 1; }, 3s));
    EXPECT_EQ(link.client.State(), csDisconnected);
}

TEST(BluetoothClientTest, FailedConnectsGiveTheirCodes)
{
    SimStack sim;
    ASSERT_GE(sim.Gauge("0011223344AA", 2), 0);
    sim.Device("0011223344BB", "name=NoSpp\nservice=4,1105,Object Push\n");
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);

    struct Case {
        const char* what;
        QString address;
        uint8_t channel;
        int expected;
    };
    const Case cases[] = {
        {"nobody listens on the channel", QStringLiteral("(00:11:22:33:44:AA)"), 9, code::ConnectionRejected},
        {"no service of the class", QStringLiteral("(00:11:22:33:44:BB)"), 0, code::ServiceNotFound},
        {"a device the stack does not know", QStringLiteral("(00:11:22:33:44:CC)"), 0, code::InternalDriverError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Link link(c.address, c.channel);
        ASSERT_EQ(link.client.Connect(), 0);
        ASSERT_TRUE(WaitFor([&] { return !link.results.empty(); }, 3s));
        EXPECT_EQ(link.results, std::vector<int>{c.expected});
        EXPECT_EQ(link.client.State(), csDisconnected);
        EXPECT_EQ(link.disconnects, 0);
    }

    Link noRadio(QStringLiteral("(00:11:22:33:44:AA)"), 2);
    noRadio.client.BluetoothParams()->SetRadio(nullptr);
    EXPECT_EQ(noRadio.client.Connect(), code::BluetoothApiNotAvailable);
}

// The library's notification: the stack's folder going while connected is a change of
// availability, and the connection ends with it.
TEST(BluetoothClientTest, TheStackVanishingWhileConnectedDisconnects)
{
    SimStack sim;
    const int gauge = sim.Gauge("0011223344AA", 1);
    ASSERT_GE(gauge, 0);
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    Link link(kGaugeAddress, 0);
    ASSERT_EQ(link.client.Connect(), 0);
    const int peer = AcceptWithin(gauge, 3s);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(WaitFor([&] { return link.client.IsConnected(); }, 3s));

    sim.MoveAway();
    ASSERT_TRUE(WaitFor([&] { return link.disconnects == 1; }, 5s));
    EXPECT_FALSE(IsTransportAvailable(trBluetooth));
    EXPECT_EQ(link.client.Connect(), code::TransportNotAvailable);
    ::close(peer);
}
