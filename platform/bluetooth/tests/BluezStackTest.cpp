// The BlueZ stack against python-dbusmock's bluez5 template, which plays bluetoothd on a
// private bus started by the test (DBUS_SYSTEM_BUS_ADDRESS points the stack at it).
// The test drives the mock through its org.bluez.Mock methods (adapters and devices as
// bluetoothd would add them) and, for devices with properties the template does not
// make, through the mock's generic AddObject.
#include "platform/bluetooth/BluetoothSockets.h"
#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/SdpDataElement.h"
#include "platform/bluetooth/tests/BluetoothPrinters.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace {

using namespace dabrix::platform;
using dabrix::test::ChildProcess;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

constexpr BluetoothAddress kA = 0x0011223344AA;
constexpr BluetoothAddress kB = 0x0011223344BB;
constexpr BluetoothAddress kC = 0x0011223344CC;
const QString kHci0 = QStringLiteral("/org/bluez/hci0");

class BluezStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus_.Start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"}));
        address_ = bus_.ReadLine();
        ASSERT_FALSE(address_.empty()) << "dbus-daemon gave no address";
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
        static int next = 0;
        controlName_ = QStringLiteral("bluez-test-control-%1").arg(next++);
        control_ = QDBusConnection::connectToBus(QString::fromStdString(address_), controlName_);
        ASSERT_TRUE(control_.isConnected());
    }

    void TearDown() override
    {
        stack_.reset();
        QDBusConnection::disconnectFromBus(controlName_);
        StopBluetoothd();
        bus_.Terminate();
        bus_.Wait();
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }

    void StartBluetoothd()
    {
        ASSERT_TRUE(bluetoothd_.Start(DABRIX_DBUSMOCK_PYTHON, {"-m", "dbusmock", "--template", "bluez5"}));
        ASSERT_TRUE(WaitFor([&] { return control_.interface()->isServiceRegistered(QStringLiteral("org.bluez")).value(); },
                            20s))
            << "the bluez5 mock did not come up";
    }

    void StopBluetoothd()
    {
        if (bluetoothd_.Running()) {
            bluetoothd_.Terminate();
            bluetoothd_.Wait();
        }
    }

    QDBusMessage Call(const QString& path, const QString& interface, const QString& method, const QVariantList& args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path, interface, method);
        call.setArguments(args);
        const QDBusMessage reply = control_.call(call, QDBus::Block, 10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }

    void Mock(const QString& method, const QVariantList& args)
    {
        Call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), method, args);
    }

    bool Discovering(const QString& adapter = kHci0)
    {
        const QDBusMessage reply = Call(adapter, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                        {QStringLiteral("org.bluez.Adapter1"), QStringLiteral("Discovering")});
        return !reply.arguments().isEmpty() && reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    }

    int Calls(const QString& path, const QString& method)
    {
        const QDBusMessage reply =
            Call(path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"), {method});
        if (reply.arguments().isEmpty())
            return -1;
        // a(tav): when, and the arguments of each call.
        const QDBusArgument calls = reply.arguments().constFirst().value<QDBusArgument>();
        int count = 0;
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong when = 0;
            QVariantList args;
            calls.beginStructure();
            calls >> when >> args;
            calls.endStructure();
            ++count;
        }
        calls.endArray();
        return count;
    }

    // Runs dbus-python code against the mock, with `mock` its org.freedesktop.DBus.Mock
    // interface at "/". Waiting for it does not run this thread's event loop.
    void RunMockScript(const std::string& body)
    {
        const std::string script = "import dbus\n"
                                   "bus = dbus.SystemBus()\n"
                                   "mock = dbus.Interface(bus.get_object('org.bluez', '/'), 'org.freedesktop.DBus.Mock')\n" +
                                   body;
        ChildProcess python;
        ASSERT_TRUE(python.Start(DABRIX_DBUSMOCK_PYTHON, {"-c", script}));
        ASSERT_TRUE(python.Wait(20s));
        ASSERT_TRUE(python.ExitedNormally() && python.ExitCode() == 0) << script;
    }

    // A device object as bluetoothd keeps one for a device it remembers but has not seen in
    // this discovery: no RSSI; `name` empty leaves out the Name property.
    void AddRememberedDevice(const std::string& address, const std::string& name, const std::string& alias, bool paired)
    {
        const std::string path = "/org/bluez/hci0/dev_" + address;
        std::string colons = address;
        std::replace(colons.begin(), colons.end(), '_', ':');
        std::string body =
            "props = {'Address': dbus.String('" + colons + "', variant_level=1),\n"
            "         'Alias': dbus.String('" + alias + "', variant_level=1),\n"
            "         'Adapter': dbus.ObjectPath('/org/bluez/hci0', variant_level=1),\n"
            "         'Paired': dbus.Boolean(" + (paired ? "True" : "False") + ", variant_level=1),\n"
            "         'Connected': dbus.Boolean(False, variant_level=1)}\n";
        if (!name.empty())
            body += "props['Name'] = dbus.String('" + name + "', variant_level=1)\n";
        body += "mock.AddObject('" + path + "', 'org.bluez.Device1', props, [])\n"
                "mock.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', 'oa{sa{sv}}',\n"
                "                [dbus.ObjectPath('" + path + "'), {'org.bluez.Device1': props}])\n";
        RunMockScript(body);
    }

    std::vector<BluetoothAddress> Addresses(const std::vector<BluetoothDeviceInfo>& devices)
    {
        std::vector<BluetoothAddress> a;
        for (const auto& d : devices)
            a.push_back(d.Address);
        return a;
    }

    ChildProcess bus_;
    ChildProcess bluetoothd_;
    std::string address_;
    QString controlName_;
    QDBusConnection control_{QString()};
    std::unique_ptr<BluetoothStack> stack_;
};

TEST_F(BluezStackTest, AdapterPresenceFollowsTheObjectManagerOnTheOwnerThread)
{
    StartBluetoothd();
    stack_ = CreateBluezBluetoothStack();
    EXPECT_FALSE(stack_->RadioPresent()) << "bluetoothd without an adapter";
    std::vector<bool> reports;
    std::vector<std::thread::id> threads;
    stack_->SetPresenceHandler([&](bool present) {
        reports.push_back(present);
        threads.push_back(std::this_thread::get_id());
    });

    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 1; }));
    EXPECT_TRUE(stack_->RadioPresent());

    // A second adapter, and the first one going: still a radio, nothing to report.
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci1"), QStringLiteral("Second")});
    Mock(QStringLiteral("RemoveAdapter"), {QStringLiteral("hci0")});
    dabrix::test::RunEventsFor(300ms);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_TRUE(stack_->RadioPresent());

    Mock(QStringLiteral("RemoveAdapter"), {QStringLiteral("hci1")});
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 2; }));
    EXPECT_FALSE(stack_->RadioPresent());
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    EXPECT_EQ(threads, (std::vector<std::thread::id>(2, std::this_thread::get_id())));
}

TEST_F(BluezStackTest, WithoutBluetoothdTheStackIsUnavailableUntilOneComes)
{
    stack_ = CreateBluezBluetoothStack();
    EXPECT_FALSE(stack_->RadioPresent());
    std::vector<BluetoothDeviceInfo> devices;
    EXPECT_EQ(stack_->CachedDevices(devices), BluetoothResult::Unavailable);
    BluetoothDeviceInfo info;
    EXPECT_EQ(stack_->QueryDevice(kA, info), BluetoothResult::Unavailable);
    std::unique_ptr<BluetoothInquiry> inquiry;
    EXPECT_EQ(stack_->StartInquiry(inquiry), BluetoothResult::Unavailable);
    std::vector<uint8_t> lists;
    EXPECT_EQ(stack_->ServiceSearch(kA, sdp::BaseUuid(0x0100), lists), BluetoothResult::Unavailable);
    std::unique_ptr<RfcommSocket> socket;
    EXPECT_EQ(stack_->ConnectRfcomm(kA, 1, {}, socket), BluetoothResult::Unavailable);

    std::vector<bool> reports;
    stack_->SetPresenceHandler([&](bool present) { reports.push_back(present); });
    // bluetoothd starts (its adapter already there when the stack asks), then dies.
    StartBluetoothd();
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 1; }));
    EXPECT_TRUE(stack_->RadioPresent());
    StopBluetoothd();
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 2; }));
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    EXPECT_EQ(stack_->CachedDevices(devices), BluetoothResult::Unavailable);
}

TEST_F(BluezStackTest, ADaemonThatAppearsIsAskedForItsAdapters)
{
    stack_ = CreateBluezBluetoothStack();
    std::vector<bool> reports;
    stack_->SetPresenceHandler([&](bool present) { reports.push_back(present); });
    // Without running this thread's events, bluetoothd comes up and gets an adapter that no
    // signal announces: only asking the new daemon finds it.
    ASSERT_TRUE(bluetoothd_.Start(DABRIX_DBUSMOCK_PYTHON, {"-m", "dbusmock", "--template", "bluez5"}));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!control_.interface()->isServiceRegistered(QStringLiteral("org.bluez")).value()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the bluez5 mock did not come up";
        std::this_thread::sleep_for(20ms);
    }
    RunMockScript("mock.AddObject('/org/bluez/hci0', 'org.bluez.Adapter1',\n"
                  "               {'Address': dbus.String('00:01:02:03:04:05', variant_level=1)}, [])\n");
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 1; }));
    EXPECT_TRUE(reports[0]);
    EXPECT_TRUE(stack_->RadioPresent());
}

TEST_F(BluezStackTest, ListsAndQueriesTheCachedDevicesOfTheAdapter)
{
    StartBluetoothd();
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci1"), QStringLiteral("Other")});
    Mock(QStringLiteral("AddDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:BB"), QStringLiteral("Gauge B")});
    Mock(QStringLiteral("AddDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:AA"), QStringLiteral("Gauge A")});
    Mock(QStringLiteral("PairDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:BB"), 0x1F00});
    // The template's pairing announces the class but keeps the old one; set it as bluetoothd would.
    Call(kHci0 + QStringLiteral("/dev_00_11_22_33_44_BB"), QStringLiteral("org.freedesktop.DBus.Mock"),
         QStringLiteral("UpdateProperties"),
         {QStringLiteral("org.bluez.Device1"), QVariantMap{{QStringLiteral("Class"), QVariant::fromValue(0x1F00u)}}});
    Mock(QStringLiteral("ConnectDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:AA")});
    Mock(QStringLiteral("AddDevice"), {QStringLiteral("hci1"), QStringLiteral("00:11:22:33:44:DD"), QStringLiteral("Elsewhere")});
    // A device whose name never came: BlueZ's alias is then its address.
    AddRememberedDevice("00_11_22_33_44_CC", "", "00-11-22-33-44-CC", false);
    // A name the user gave, with no remote name.
    AddRememberedDevice("00_11_22_33_44_EE", "", "My gauge", true);

    stack_ = CreateBluezBluetoothStack();
    ASSERT_TRUE(stack_->RadioPresent());
    std::vector<BluetoothDeviceInfo> devices;
    ASSERT_EQ(stack_->CachedDevices(devices), BluetoothResult::Ok);
    const std::vector<BluetoothDeviceInfo> expected{
        {kA, QStringLiteral("Gauge A"), 0, false, true},
        {kB, QStringLiteral("Gauge B"), 0x1F00, true, false},
        {kC, QString(), 0, false, false},
        {0x0011223344EE, QStringLiteral("My gauge"), 0, true, false},
    };
    EXPECT_EQ(devices, expected);

    BluetoothDeviceInfo info;
    ASSERT_EQ(stack_->QueryDevice(kB, info), BluetoothResult::Ok);
    EXPECT_EQ(info, expected[1]);
    EXPECT_EQ(stack_->QueryDevice(0x0011223344DD, info), BluetoothResult::NotFound) << "a device of another adapter";
    EXPECT_EQ(stack_->QueryDevice(0x001122334400, info), BluetoothResult::NotFound);

    // The query asks bluetoothd each time.
    Mock(QStringLiteral("DisconnectDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:AA")});
    ASSERT_EQ(stack_->QueryDevice(kA, info), BluetoothResult::Ok);
    EXPECT_FALSE(info.Connected);
}

TEST_F(BluezStackTest, InquiryRunsDiscoveryAndReturnsTheDevicesItSaw)
{
    StartBluetoothd();
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    AddRememberedDevice("00_11_22_33_44_CC", "Out of range", "Out of range", true);
    stack_ = CreateBluezBluetoothStack();

    std::unique_ptr<BluetoothInquiry> inquiry;
    ASSERT_EQ(stack_->StartInquiry(inquiry), BluetoothResult::Ok);
    EXPECT_TRUE(Discovering());
    // Found by the inquiry: a new device (the template gives it an RSSI), and one that
    // appears without an RSSI (an adapter that reports none).
    Mock(QStringLiteral("AddDevice"), {QStringLiteral("hci0"), QStringLiteral("00:11:22:33:44:AA"), QStringLiteral("Gauge A")});
    AddRememberedDevice("00_11_22_33_44_BB", "Gauge B", "Gauge B", false);
    dabrix::test::RunEventsFor(500ms); // the stack hears of the new objects on this thread

    std::vector<BluetoothDeviceInfo> found;
    ASSERT_EQ(inquiry->Stop(found), BluetoothResult::Ok);
    EXPECT_FALSE(Discovering());
    EXPECT_EQ(Calls(kHci0, QStringLiteral("SetDiscoveryFilter")), 1) << "classic devices only";
    EXPECT_EQ(Addresses(found), (std::vector<BluetoothAddress>{kA, kB}));
    EXPECT_EQ(found[0].Name, QStringLiteral("Gauge A"));

    // The remembered paired device stays in the cached list.
    std::vector<BluetoothDeviceInfo> cached;
    ASSERT_EQ(stack_->CachedDevices(cached), BluetoothResult::Ok);
    EXPECT_EQ(Addresses(cached), (std::vector<BluetoothAddress>{kA, kB, kC}));
}

TEST_F(BluezStackTest, OverlappingInquiriesShareOneDiscovery)
{
    StartBluetoothd();
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    stack_ = CreateBluezBluetoothStack();

    std::unique_ptr<BluetoothInquiry> first, second;
    // Started from worker threads, as the library's search threads do.
    std::thread a([&] { EXPECT_EQ(stack_->StartInquiry(first), BluetoothResult::Ok); });
    std::thread b([&] { EXPECT_EQ(stack_->StartInquiry(second), BluetoothResult::Ok); });
    a.join();
    b.join();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(Discovering());
    EXPECT_EQ(Calls(kHci0, QStringLiteral("StartDiscovery")), 1);

    std::vector<BluetoothDeviceInfo> found;
    ASSERT_EQ(first->Stop(found), BluetoothResult::Ok);
    EXPECT_TRUE(Discovering()) << "the other inquiry still runs";
    second.reset(); // ending without Stop stops it too
    EXPECT_FALSE(Discovering());
    EXPECT_EQ(Calls(kHci0, QStringLiteral("StopDiscovery")), 1);

    // A later inquiry starts discovery again.
    ASSERT_EQ(stack_->StartInquiry(first), BluetoothResult::Ok);
    ASSERT_TRUE(first);
    EXPECT_TRUE(Discovering());
    EXPECT_EQ(first->Stop(found), BluetoothResult::Ok);
    EXPECT_EQ(first->Stop(found), BluetoothResult::Failed) << "an inquiry stops once";
}

TEST_F(BluezStackTest, SocketsNeedTheKernelsBluetooth)
{
    if (bt::KernelHasBluetooth())
        GTEST_SKIP() << "this kernel has Bluetooth; a test would reach real devices";
    StartBluetoothd();
    Mock(QStringLiteral("AddAdapter"), {QStringLiteral("hci0"), QStringLiteral("Dabrix test")});
    stack_ = CreateBluezBluetoothStack();
    ASSERT_TRUE(stack_->RadioPresent());
    std::vector<uint8_t> lists;
    EXPECT_EQ(stack_->ServiceSearch(kA, sdp::BaseUuid(0x0100), lists), BluetoothResult::Unavailable);
    std::unique_ptr<RfcommSocket> socket;
    EXPECT_EQ(stack_->ConnectRfcomm(kA, 1, {}, socket), BluetoothResult::Unavailable);
}

} // namespace
