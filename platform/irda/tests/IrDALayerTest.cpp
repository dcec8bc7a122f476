// The emulated infrared layer against its published layout: every other participant is
// made by hand in a temporary air folder, the way another program plays a device.
#include "platform/irda/IrDAAirWatcher.h"
#include "platform/irda/IrDASocket.h"
#include "platform/irda/tests/HandMadeAir.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

using namespace dabrix::platform::irda;
using namespace std::chrono_literals;
using dabrix::test::AcceptWithin;
using dabrix::test::AllByteValues;
using dabrix::test::HandMadeAir;
using dabrix::test::ReceiveUpTo;
using dabrix::test::RunEventsFor;
using dabrix::test::SendAll;
using dabrix::test::UniqueFd;
using dabrix::test::WaitFor;

namespace {

constexpr DeviceId kGauge{0x4D, 0x3C, 0x2B, 0x1A};  // folder 1A2B3C4D

std::unique_ptr<IrDASocket> NewSocket()
{
    int error = -1;
    auto socket = CreateIrDASocket(error);
    EXPECT_TRUE(socket) << std::strerror(error);
    EXPECT_EQ(error, 0);
    return socket;
}

std::vector<DeviceInfo> Enumerate(IrDASocket& socket, size_t size = kDeviceListBufferSize)
{
    std::vector<uint8_t> buffer(size);
    size_t used = buffer.size();
    EXPECT_EQ(socket.EnumerateDevices(buffer.data(), used), 0);
    return ReadDeviceList(buffer.data(), used);
}

std::vector<std::string> FolderNames(const std::vector<DeviceInfo>& devices)
{
    std::vector<std::string> names;
    for (const auto& d : devices)
        names.push_back(FolderNameOf(d.Id));
    return names;
}

// The IrCOMM record the program registers: class, attribute, type 2, six octets.
std::vector<uint8_t> IrCommRecord()
{
    std::vector<uint8_t> record(kIasRecordSize, 0);
    std::memcpy(record.data(), "IrDA:IrCOMM", 11);
    std::memcpy(record.data() + 64, "Parameters", 10);
    record[320] = 2;
    record[324] = 6;
    const uint8_t octets[] = {0x00, 0x01, 0x06, 0x01, 0x01, 0x01};
    std::memcpy(record.data() + 326, octets, sizeof octets);
    return record;
}

class IrDALayerTest : public ::testing::Test {
protected:
    HandMadeAir air;
};

} // namespace

TEST_F(IrDALayerTest, EnumerationListsHandMadeParticipantsInFolderNameOrder)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3\n", "8204", "01");
    air.AddParticipant("00000001", "First");
    air.AddParticipant("FFFFFFFE", std::string(30, 'L'));
    air.AddParticipant("0000000A", "");
    // Not participants: wrong names, a file, a link to a folder.
    air.AddParticipant("abcdef12", "lower case");
    air.AddParticipant("1234567", "seven digits");
    air.WriteFile("22222222", "a file");
    ASSERT_EQ(::symlink(air.FolderPath("00000001").c_str(), air.FolderPath("33333333").c_str()), 0);
    // A folder without a name is still being made; one whose name is a fifo or a link
    // must not hold the enumeration up.
    ASSERT_EQ(::mkdir(air.FolderPath("44444444").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(air.FolderPath("55555555").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(air.FolderPath("55555555/name").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(air.FolderPath("66666666").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(air.FolderPath("1A2B3C4D/name").c_str(), air.FolderPath("66666666/name").c_str()), 0);

    auto socket = NewSocket();
    const auto devices = Enumerate(*socket);
    EXPECT_EQ(FolderNames(devices), (std::vector<std::string>{"00000001", "0000000A", "1A2B3C4D", "FFFFFFFE"}));
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].Nickname, "First");
    EXPECT_EQ(devices[1].Nickname, "");
    EXPECT_EQ(devices[2], (DeviceInfo{kGauge, "Lakmo 3", 0x82, 0x04, 0x01}));
    EXPECT_EQ(devices[3].Nickname, std::string(22, 'L'));

    // A participant leaving the air leaves the list.
    ASSERT_EQ(::unlink(air.FolderPath("00000001/name").c_str()), 0);
    ASSERT_EQ(::rmdir(air.FolderPath("00000001").c_str()), 0);
    EXPECT_EQ(FolderNames(Enumerate(*socket)), (std::vector<std::string>{"0000000A", "1A2B3C4D", "FFFFFFFE"}));
}

TEST_F(IrDALayerTest, EnumerationFillsTheBufferWithTheFirstThatFit)
{
    for (int i = 0; i < 55; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "%08X", 0x100 + i);
        air.AddParticipant(name, "G" + std::to_string(i));
    }
    auto socket = NewSocket();
    const auto all = Enumerate(*socket);
    ASSERT_EQ(all.size(), 50u);
    EXPECT_EQ(FolderNameOf(all.front().Id), "00000100");
    EXPECT_EQ(FolderNameOf(all.back().Id), "00000131");

    std::vector<uint8_t> small(4 + 3 * 29);
    size_t used = small.size();
    ASSERT_EQ(socket->EnumerateDevices(small.data(), used), 0);
    EXPECT_EQ(used, small.size());
    EXPECT_EQ(ReadDeviceList(small.data(), used).size(), 3u);

    used = 3;
    EXPECT_EQ(socket->EnumerateDevices(small.data(), used), EINVAL);

    // An empty air: a count of zero.
    HandMadeAir empty;
    auto other = NewSocket();
    std::vector<uint8_t> buffer(kDeviceListBufferSize, 0xEE);
    used = buffer.size();
    ASSERT_EQ(other->EnumerateDevices(buffer.data(), used), 0);
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 4), std::vector<uint8_t>(4, 0));
}

TEST_F(IrDALayerTest, BindingMakesThisProcessAParticipantThatOthersSee)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    auto listener = NewSocket();
    const auto record = IrCommRecord();
    ASSERT_EQ(listener->SetIasRecord(record.data(), record.size()), 0);
    ASSERT_EQ(listener->SetNineWire(true), 0);
    EXPECT_TRUE(listener->NineWire());
    EXPECT_TRUE(air.Participants() == std::vector<std::string>{"1A2B3C4D"});  // nothing before the bind
    ASSERT_EQ(listener->Bind("IrDA:IrCOMM"), 0);
    ASSERT_EQ(listener->Listen(2), 0);

    // The other program's view: one new folder, named "Dabrix", with the service socket
    // and the record's bytes under its class name.
    auto folders = air.Participants();
    ASSERT_EQ(folders.size(), 2u);
    const std::string own = folders[0] == "1A2B3C4D" ? folders[1] : folders[0];
    EXPECT_EQ(air.ReadFile(own + "/name"), "Dabrix");
    EXPECT_TRUE(air.IsSocket(own + "/IrDA:IrCOMM"));
    const auto ias = air.ReadFile(own + "/IrDA:IrCOMM.ias");
    ASSERT_TRUE(ias);
    EXPECT_EQ(std::vector<uint8_t>(ias->begin(), ias->end()), record);
    // No half-made folders left; the listing is in name order and the own name is random.
    auto expected = std::vector<std::string>{"1A2B3C4D", own};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(air.List(), expected);

    // It does not list itself; the other program connects to it by its folder.
    auto other = NewSocket();
    EXPECT_EQ(FolderNames(Enumerate(*other)), std::vector<std::string>{"1A2B3C4D"});
    UniqueFd peer = air.Connect(own, "IrDA:IrCOMM");
    EXPECT_TRUE(peer);

    // A second service shares the folder; the same service twice is refused.
    auto second = NewSocket();
    ASSERT_EQ(second->Bind("IrDA:IrLPT"), 0);
    EXPECT_EQ(air.Participants().size(), 2u);
    auto again = NewSocket();
    EXPECT_EQ(again->Bind("IrDA:IrCOMM"), EADDRINUSE);
    EXPECT_EQ(listener->Bind("IrDA:IrLPT"), EINVAL);  // bound already

    // Closing removes the socket and its record, and with the last the folder.
    listener.reset();
    EXPECT_EQ(air.List(own), (std::vector<std::string>{"IrDA:IrLPT", "lock", "name"}));
    second.reset();
    again.reset();
    EXPECT_EQ(air.List(), std::vector<std::string>{"1A2B3C4D"});
}

TEST_F(IrDALayerTest, MalformedServicesAndRecordsAreRefused)
{
    auto socket = NewSocket();
    const std::string services[] = {"", ".", "..", "a/b", std::string(25, 'S'), std::string("a\0b", 3)};
    for (const std::string& service : services)
        EXPECT_EQ(socket->Bind(service), EINVAL) << service;
    EXPECT_TRUE(air.List().empty());

    std::vector<uint8_t> record(kIasRecordSize, 0);
    EXPECT_EQ(socket->SetIasRecord(record.data(), record.size()), EINVAL);  // no class name
    std::memcpy(record.data(), "../x", 4);
    EXPECT_EQ(socket->SetIasRecord(record.data(), record.size()), EINVAL);
    std::fill(record.begin(), record.begin() + 64, 'C');                   // not terminated
    EXPECT_EQ(socket->SetIasRecord(record.data(), record.size()), EINVAL);
    std::memcpy(record.data(), "IrDA:IrCOMM", 12);
    EXPECT_EQ(socket->SetIasRecord(record.data(), 63), EINVAL);
    EXPECT_EQ(socket->SetIasRecord(record.data(), kIasRecordSize + 1), EINVAL);
    EXPECT_EQ(socket->SetIasRecord(record.data(), kIasRecordSize), 0);
    EXPECT_EQ(socket->Listen(2), EINVAL);  // not bound
}

TEST_F(IrDALayerTest, ConnectingToAHandMadeServiceCarriesRawBytesBothWays)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    auto client = NewSocket();
    ASSERT_EQ(client->SetBufferSizes(4096, 4096), 0);
    ASSERT_EQ(client->SetNineWire(true), 0);
    ASSERT_EQ(client->Connect(kGauge, "IrDA:IrCOMM", 1000, -1), 0);
    EXPECT_EQ(client->Connect(kGauge, "IrDA:IrCOMM", 1000, -1), EISCONN);
    EXPECT_EQ(client->SetNineWire(false), EISCONN);
    UniqueFd gauge = AcceptWithin(service.Get(), 2s);
    ASSERT_TRUE(gauge);

    const std::string toGauge = AllByteValues(200000);
    std::thread reader([&] { EXPECT_TRUE(ReceiveUpTo(gauge.Get(), toGauge.size()) == toGauge); });
    EXPECT_EQ(client->Write(toGauge.data(), toGauge.size(), 5000), 0);
    reader.join();

    const std::string fromGauge = AllByteValues(70000);
    std::thread writer([&] { EXPECT_TRUE(SendAll(gauge.Get(), fromGauge)); gauge.Reset(); });
    std::string got;
    for (;;) {
        char buf[4096];
        const IrDAReadResult r = client->Read(buf, sizeof buf, 5000);
        if (r.status != IrDAReadResult::Status::Data) {
            // The peer's close comes after every byte it sent.
            EXPECT_EQ(r.status, IrDAReadResult::Status::Closed);
            break;
        }
        got.append(buf, r.count);
    }
    writer.join();
    EXPECT_TRUE(got == fromGauge) << got.size();

    const char byte = 'x';
    EXPECT_EQ(client->Write(&byte, 1, 1000), EPIPE);
}

TEST_F(IrDALayerTest, ConnectFailures)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    air.AddParticipant("00000001", "Silent");
    // A socket file that nobody listens on any more.
    {
        UniqueFd gone = air.Listen("00000001", "IrDA:IrCOMM");
    }
    ASSERT_TRUE(air.IsSocket("00000001/IrDA:IrCOMM"));
    air.WriteFile("1A2B3C4D/IrDA:IrLPT", "not a socket");

    const struct {
        DeviceId device;
        std::string service;
    } noSuchService[] = {
        {kGauge, "IrDA:IrCOMM"},                // the participant offers nothing
        {DeviceId{9, 9, 9, 9}, "IrDA:IrCOMM"},  // no such participant
        {DeviceId{1, 0, 0, 0}, "IrDA:IrCOMM"},  // nobody listening
        {kGauge, "IrDA:IrLPT"},                 // a plain file
        {kGauge, "../00000001/IrDA:IrCOMM"},
        {kGauge, ""},
    };
    for (const auto& r : noSuchService) {
        auto client = NewSocket();
        EXPECT_EQ(client->Connect(r.device, r.service, 1000, -1), EADDRNOTAVAIL) << r.service;
        char buf[4];
        EXPECT_EQ(client->Read(buf, sizeof buf).status, IrDAReadResult::Status::Failed);
    }
}

TEST_F(IrDALayerTest, AServiceThatTakesNoConnectionTimesOutOrIsCancelled)
{
    air.AddParticipant("1A2B3C4D", "Busy");
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM", 0);
    // The one connection its queue holds is taken; nobody accepts it.
    UniqueFd first = air.Connect("1A2B3C4D", "IrDA:IrCOMM");
    ASSERT_TRUE(first);

    auto client = NewSocket();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client->Connect(kGauge, "IrDA:IrCOMM", 300, -1), ETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);

    // A cancel descriptor ends the wait.
    UniqueFd cancel(::eventfd(0, EFD_CLOEXEC));
    std::thread canceller([&] {
        std::this_thread::sleep_for(100ms);
        const uint64_t one = 1;
        EXPECT_EQ(::write(cancel.Get(), &one, sizeof one), 8);
    });
    auto waiting = NewSocket();
    EXPECT_EQ(waiting->Connect(kGauge, "IrDA:IrCOMM", -1, cancel.Get()), ECANCELED);
    canceller.join();

    // Once the service takes the waiting connection, a connect goes through.
    UniqueFd accepted = AcceptWithin(service.Get(), 1s);
    ASSERT_TRUE(accepted);
    auto late = NewSocket();
    EXPECT_EQ(late->Connect(kGauge, "IrDA:IrCOMM", 2000, -1), 0);
}

TEST_F(IrDALayerTest, ListenerAnnouncesAcceptReadAndCloseOnTheOwnerThread)
{
    auto listener = NewSocket();
    ASSERT_EQ(listener->Bind("IrDA:IrCOMM"), 0);
    ASSERT_EQ(listener->Listen(2), 0);
    const std::string own = air.Participants().at(0);

    // One handler for both sockets, as a window serves them: the accepted socket is
    // watched like the listening one.
    std::vector<IrDAEvent> events;
    std::unique_ptr<IrDASocket> accepted;
    std::string received;
    std::vector<size_t> reads;
    const auto owner = std::this_thread::get_id();
    bool offThread = false;
    const uint32_t all = static_cast<uint32_t>(IrDAEvent::Read) | static_cast<uint32_t>(IrDAEvent::Accept)
                         | static_cast<uint32_t>(IrDAEvent::Close);
    ASSERT_EQ(listener->Watch(all, [&](IrDAEvent e) {
        offThread |= std::this_thread::get_id() != owner;
        events.push_back(e);
        switch (e) {
        case IrDAEvent::Accept: {
            int error = 0;
            accepted = listener->Accept(error);
            ASSERT_TRUE(accepted) << std::strerror(error);
            break;
        }
        case IrDAEvent::Read: {
            char buf[101];
            const auto r = accepted->Read(buf, sizeof buf);
            ASSERT_EQ(r.status, IrDAReadResult::Status::Data);
            received.append(buf, r.count);
            reads.push_back(r.count);
            break;
        }
        case IrDAEvent::Close:
            accepted.reset();  // closing from inside its own notification
            break;
        }
    }), 0);

    for (int round = 0; round < 2; ++round) {
        events.clear();
        received.clear();
        reads.clear();
        UniqueFd gauge = air.Connect(own, "IrDA:IrCOMM");
        ASSERT_TRUE(gauge);
        ASSERT_TRUE(WaitFor([&] { return accepted != nullptr; }));
        const std::string reading = AllByteValues(250);
        ASSERT_TRUE(SendAll(gauge.Get(), reading));
        ASSERT_TRUE(WaitFor([&] { return received.size() == reading.size(); }));
        EXPECT_TRUE(received == reading);
        for (size_t n : reads)
            EXPECT_LE(n, 101u);
        EXPECT_GE(reads.size(), 3u);

        gauge.Reset();
        ASSERT_TRUE(WaitFor([&] { return accepted == nullptr; }));
        RunEventsFor(30ms);
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.front(), IrDAEvent::Accept);
        EXPECT_EQ(events.back(), IrDAEvent::Close);
        EXPECT_EQ(std::count(events.begin(), events.end(), IrDAEvent::Close), 1);
    }
    EXPECT_FALSE(offThread);

    // Accept without a waiting connection does not block.
    int error = 0;
    EXPECT_FALSE(listener->Accept(error));
    EXPECT_EQ(error, EAGAIN);
}

TEST_F(IrDALayerTest, AnnouncedDataIsAnnouncedAgainOnlyAfterARead)
{
    auto listener = NewSocket();
    ASSERT_EQ(listener->Bind("IrDA:IrCOMM"), 0);
    ASSERT_EQ(listener->Listen(2), 0);
    UniqueFd gauge = air.Connect(air.Participants().at(0), "IrDA:IrCOMM");
    int error = 0;
    std::unique_ptr<IrDASocket> accepted;
    ASSERT_TRUE(WaitFor([&] { return (accepted = listener->Accept(error)) != nullptr; }));

    int readEvents = 0;
    ASSERT_EQ(accepted->Watch(static_cast<uint32_t>(IrDAEvent::Read), [&](IrDAEvent) { ++readEvents; }), 0);
    ASSERT_TRUE(SendAll(gauge.Get(), "12345"));
    ASSERT_TRUE(WaitFor([&] { return readEvents == 1; }));
    RunEventsFor(50ms);
    EXPECT_EQ(readEvents, 1);  // the bytes are still there, but unread

    char buf[2];
    ASSERT_EQ(accepted->Read(buf, sizeof buf).count, 2u);
    ASSERT_TRUE(WaitFor([&] { return readEvents == 2; }));
    ASSERT_EQ(accepted->Watch(0, nullptr), 0);
    ASSERT_EQ(accepted->Read(buf, sizeof buf).count, 2u);
    RunEventsFor(50ms);
    EXPECT_EQ(readEvents, 2);
}

TEST_F(IrDALayerTest, StaleFoldersOfDeadProcessesGoOthersStay)
{
    // What a process of this layer that died leaves: a lock nobody holds.
    air.AddParticipant("0000000D", "Dabrix");
    air.WriteFile("0000000D/lock", "");
    { UniqueFd dead = air.Listen("0000000D", "IrDA:IrCOMM"); }
    // A living one holds its lock.
    air.AddParticipant("0000000A", "Alive");
    air.WriteFile("0000000A/lock", "");
    UniqueFd held(::open(air.FolderPath("0000000A/lock").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(held.Get(), LOCK_EX), 0);
    // Another program's folder has no lock file and is never taken for stale.
    air.AddParticipant("0000000F", "Foreign");
    { UniqueFd gone = air.Listen("0000000F", "IrDA:IrCOMM"); }

    auto socket = NewSocket();
    EXPECT_EQ(FolderNames(Enumerate(*socket)), (std::vector<std::string>{"0000000A", "0000000F"}));
    EXPECT_EQ(air.Participants(), (std::vector<std::string>{"0000000A", "0000000F"}));

    // Binding sweeps as well.
    held.Reset();
    auto listener = NewSocket();
    ASSERT_EQ(listener->Bind("IrDA:IrCOMM"), 0);
    auto folders = air.Participants();
    EXPECT_EQ(folders.size(), 2u);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "0000000F"), 1);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "0000000A"), 0);
}

TEST_F(IrDALayerTest, ALongAirPathStillCarriesServices)
{
    const std::string deep = air.Path() + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    ASSERT_EQ(::mkdir((air.Path() + "/" + std::string(60, 'd')).c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    ::setenv("DABRIX_IRDA_DIR", deep.c_str(), 1);

    auto listener = NewSocket();
    ASSERT_EQ(listener->Bind("IrDA:IrCOMM"), 0);
    ASSERT_EQ(listener->Listen(2), 0);
    auto client = NewSocket();
    std::vector<uint8_t> buffer(kDeviceListBufferSize);
    size_t used = buffer.size();
    // The own folder is not listed: find it by hand.
    ASSERT_EQ(client->EnumerateDevices(buffer.data(), used), 0);
    EXPECT_TRUE(ReadDeviceList(buffer.data(), used).empty());
    std::string own;
    for (const auto& n : HandMadeAir::ListOf(deep))
        if (DeviceIdFromFolderName(n))
            own = n;
    ASSERT_FALSE(own.empty());
    ASSERT_EQ(client->Connect(*DeviceIdFromFolderName(own), "IrDA:IrCOMM", 1000, -1), 0);
    int error = 0;
    auto accepted = listener->Accept(error);
    ASSERT_TRUE(accepted) << std::strerror(error);
    ASSERT_EQ(client->Write("hi", 2, 1000), 0);
    char buf[2];
    EXPECT_EQ(accepted->Read(buf, 2, 1000).count, 2u);
}

TEST(IrDANoAirTest, WithoutTheFolderThereIsNoInfrared)
{
    HandMadeAir air;
    int error = 0;
    {
        ::unsetenv("DABRIX_IRDA_DIR");
        EXPECT_FALSE(AirFolder());
        EXPECT_FALSE(AirPresent());
        EXPECT_FALSE(CreateIrDASocket(error));
        EXPECT_EQ(error, EAFNOSUPPORT);
    }
    const std::string missing = air.Path() + "/missing";
    ::setenv("DABRIX_IRDA_DIR", missing.c_str(), 1);
    EXPECT_EQ(AirFolder(), missing);
    EXPECT_FALSE(AirPresent());
    EXPECT_FALSE(CreateIrDASocket(error));
    EXPECT_EQ(error, EAFNOSUPPORT);

    ::setenv("DABRIX_IRDA_DIR", air.Path().c_str(), 1);
    auto socket = CreateIrDASocket(error);
    ASSERT_TRUE(socket);
    // The air going away under an open socket.
    ::setenv("DABRIX_IRDA_DIR", missing.c_str(), 1);
    size_t used = kDeviceListBufferSize;
    std::vector<uint8_t> buffer(used);
    EXPECT_EQ(socket->EnumerateDevices(buffer.data(), used), EAFNOSUPPORT);
    EXPECT_EQ(socket->Bind("IrDA:IrCOMM"), EAFNOSUPPORT);
}

TEST(IrDAAirWatcherTest, ReportsTheFolderComingAndGoing)
{
    HandMadeAir parent;
    const std::string folder = parent.Path() + "/air";
    std::vector<bool> changes;
    AirWatcher watcher(folder, [&](bool present) { changes.push_back(present); });
    EXPECT_FALSE(watcher.Present());

    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(WaitFor([&] { return changes.size() == 1; }, 3s));
    EXPECT_TRUE(watcher.Present());
    ASSERT_EQ(::rmdir(folder.c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return changes.size() == 2; }, 3s));
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(WaitFor([&] { return changes.size() == 3; }, 3s));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));
    RunEventsFor(50ms);
    EXPECT_EQ(changes.size(), 3u);

    // No folder named: nothing to watch, never present.
    AirWatcher none("", [&](bool) { ADD_FAILURE(); });
    EXPECT_FALSE(none.Present());
}
