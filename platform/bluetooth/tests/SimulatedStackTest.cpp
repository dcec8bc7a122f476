// The simulated Bluetooth stack, driven the way another program plays devices on it:
// device files written and renamed into place, raw SDP files, Unix-domain sockets for
// RFCOMM channels.
#include "platform/bluetooth/BluetoothSockets.h"
#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/SdpDataElement.h"
#include "platform/bluetooth/lnkSDPParser.h"
#include "platform/bluetooth/tests/BluetoothPrinters.h"
#include "platform/bluetooth/tests/SdpBytes.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace dabrix::platform;
using dabrix::test::B;
using dabrix::test::Bytes;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

const QUuid kSerialPort = sdp::BaseUuid(0x1101);
const QUuid kL2cap = sdp::BaseUuid(0x0100);
const QUuid kVendor = QUuid::fromString(QStringLiteral("{8C3A1F20-5B7E-4D11-9A3C-0123456789AB}"));
constexpr BluetoothAddress kA = 0x0011223344AA;
constexpr BluetoothAddress kB = 0x0011223344BB;
constexpr BluetoothAddress kC = 0x0011223344CC;

// A Unix-domain listener at a path, as a device simulator would offer an RFCOMM channel.
class Listener {
public:
    explicit Listener(const std::string& path) : path_(path)
    {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0)
            throw std::runtime_error("listen " + path);
    }
    ~Listener() { Close(); }
    // Stops listening but leaves the socket file behind, as a simulator that died does.
    void Close()
    {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }
    int Accept()
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 5000) == 1 ? ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    }

private:
    std::string path_;
    int fd_ = -1;
};

class SimulatedStackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        folder_ = dir_.path().toStdString() + "/air";
        fs::create_directory(folder_);
        stack_ = CreateSimulatedBluetoothStack(folder_);
    }

    // Written under another name and renamed into place, so the stack never reads half a file.
    void Write(const std::string& name, const std::string& text)
    {
        const std::string temporary = folder_ + "/." + name + ".tmp";
        std::ofstream(temporary, std::ios::binary) << text;
        fs::rename(temporary, folder_ + "/" + name);
    }
    void WriteBytes(const std::string& name, const Bytes& bytes)
    {
        Write(name, std::string(bytes.begin(), bytes.end()));
    }
    void Remove(const std::string& name) { fs::remove(folder_ + "/" + name); }

    std::vector<BluetoothAddress> Inquire()
    {
        std::unique_ptr<BluetoothInquiry> inquiry;
        EXPECT_EQ(stack_->StartInquiry(inquiry), BluetoothResult::Ok);
        std::vector<BluetoothDeviceInfo> found;
        EXPECT_EQ(inquiry->Stop(found), BluetoothResult::Ok);
        std::vector<BluetoothAddress> addresses;
        for (const auto& d : found)
            addresses.push_back(d.Address);
        return addresses;
    }

    // The services a search returns, read the way the library reads them.
    std::vector<SdpService> Services(BluetoothAddress address, const QUuid& uuid, BluetoothResult expected = BluetoothResult::Ok)
    {
        std::vector<uint8_t> lists;
        EXPECT_EQ(stack_->ServiceSearch(address, uuid, lists), expected);
        TlnkSDPParser parser;
        EXPECT_TRUE(parser.Parse(lists));
        std::vector<SdpService> services;
        for (const auto& r : parser.Records())
            services.push_back(ReadSdpService(r));
        return services;
    }

    QTemporaryDir dir_;
    std::string folder_;
    std::unique_ptr<BluetoothStack> stack_;
};

TEST_F(SimulatedStackTest, RadioIsPresentWhileTheFolderExistsAndChangesAreReportedOnTheOwnerThread)
{
    std::vector<bool> reports;
    std::vector<std::thread::id> threads;
    stack_->SetPresenceHandler([&](bool present) {
        reports.push_back(present);
        threads.push_back(std::this_thread::get_id());
    });
    EXPECT_TRUE(stack_->RadioPresent());

    fs::remove_all(folder_);
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 1; }));
    EXPECT_FALSE(stack_->RadioPresent());
    std::vector<BluetoothDeviceInfo> devices;
    EXPECT_EQ(stack_->CachedDevices(devices), BluetoothResult::Unavailable);
    std::unique_ptr<BluetoothInquiry> inquiry;
    EXPECT_EQ(stack_->StartInquiry(inquiry), BluetoothResult::Unavailable);
    std::unique_ptr<RfcommSocket> socket;
    EXPECT_EQ(stack_->ConnectRfcomm(kA, 1, {}, socket), BluetoothResult::Unavailable);

    fs::create_directory(folder_);
    ASSERT_TRUE(WaitFor([&] { return reports.size() == 2; }));
    EXPECT_EQ(reports, (std::vector<bool>{false, true}));
    EXPECT_EQ(threads, (std::vector<std::thread::id>(2, std::this_thread::get_id())));

    // Without a handler nothing is reported.
    stack_->SetPresenceHandler({});
    fs::remove_all(folder_);
    dabrix::test::RunEventsFor(1500ms);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(SimulatedStackTest, ReadsDeviceFiles)
{
    Write("0011223344AA.device", "name=Gauge A\nclass=1F00\npaired=1\nconnected=1\ninrange=0\n");
    Write("0011223344BB.device", "# no name yet\nname=\nclass=0x240404\n");
    Write("0011223344CC.device", "name=Far away\ninrange=0\npaired=0\nconnected=2\n");
    // Not device files: lower-case address, short address, another extension.
    Write("0011223344dd.device", "name=lower\n");
    Write("12345.device", "name=short\n");
    Write("0011223344EE.txt", "name=text\n");

    std::vector<BluetoothDeviceInfo> cached;
    ASSERT_EQ(stack_->CachedDevices(cached), BluetoothResult::Ok);
    // Paired devices stay listed out of range; unpaired ones only while in range.
    const std::vector<BluetoothDeviceInfo> expected{
        {kA, QStringLiteral("Gauge A"), 0x1F00, true, true},
        {kB, QString(), 0x240404, false, false},
    };
    EXPECT_EQ(cached, expected);

    BluetoothDeviceInfo info;
    ASSERT_EQ(stack_->QueryDevice(kC, info), BluetoothResult::Ok);
    EXPECT_EQ(info, (BluetoothDeviceInfo{kC, QStringLiteral("Far away"), 0, false, false}));
    EXPECT_EQ(stack_->QueryDevice(0x0011223344DD, info), BluetoothResult::NotFound);
    EXPECT_EQ(stack_->QueryDevice(0x001122334499, info), BluetoothResult::NotFound);
}

TEST_F(SimulatedStackTest, InquiryFindsTheDevicesInRangeWhenItEnds)
{
    Write("0011223344AA.device", "name=A\npaired=1\ninrange=0\n");
    Write("0011223344BB.device", "name=B\n");
    EXPECT_EQ(Inquire(), (std::vector<BluetoothAddress>{kB}));

    // B leaves, C comes and A comes into range: seen at the next inquiry.
    Remove("0011223344BB.device");
    Write("0011223344CC.device", "name=C\ninrange=1\n");
    Write("0011223344AA.device", "name=A\npaired=1\n");
    EXPECT_EQ(Inquire(), (std::vector<BluetoothAddress>{kA, kC}));

    std::unique_ptr<BluetoothInquiry> one, two;
    ASSERT_EQ(stack_->StartInquiry(one), BluetoothResult::Ok);
    ASSERT_EQ(stack_->StartInquiry(two), BluetoothResult::Ok);
    std::vector<BluetoothDeviceInfo> found;
    EXPECT_EQ(one->Stop(found), BluetoothResult::Ok);
    EXPECT_EQ(found.size(), 2u);
    EXPECT_EQ(one->Stop(found), BluetoothResult::Failed) << "an inquiry stops once";
    fs::remove_all(folder_);
    EXPECT_EQ(two->Stop(found), BluetoothResult::Unavailable);
    EXPECT_TRUE(found.empty());
}

TEST_F(SimulatedStackTest, ServiceSearchAnswersWithRecordsBuiltFromServiceLines)
{
    Write("0011223344AA.device",
          "name=Gauge\n"
          "service=1,00001101-0000-1000-8000-00805F9B34FB,Serial Port\n"
          "service=3,{8C3A1F20-5B7E-4D11-9A3C-0123456789AB},Gauge data,Readings, raw\n"
          "service=12,1101,Short form\n"
          "service=0,1101,Channel zero\n"
          "service=4,not-a-uuid,Bad class\n"
          "service=5,1101\n");

    const auto all = Services(kA, kL2cap); // every RFCOMM service matches L2CAP
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Uuid, kSerialPort);
    EXPECT_EQ(all[0].Channel, 1);
    EXPECT_EQ(all[0].Name, QStringLiteral("Serial Port"));
    EXPECT_TRUE(all[0].Description.isEmpty());
    EXPECT_EQ(all[1].Uuid, kVendor);
    EXPECT_EQ(all[1].Channel, 3);
    EXPECT_EQ(all[1].Name, QStringLiteral("Gauge data"));
    EXPECT_EQ(all[1].Description, QStringLiteral("Readings, raw"));
    EXPECT_EQ(all[2].Channel, 12);
    EXPECT_EQ(all[2].Name, QStringLiteral("Short form"));
    EXPECT_NE(all[0].Handle, all[1].Handle);

    const auto vendor = Services(kA, kVendor);
    ASSERT_EQ(vendor.size(), 1u);
    EXPECT_EQ(vendor[0].Channel, 3);
    EXPECT_EQ(Services(kA, kSerialPort).size(), 2u);
    EXPECT_TRUE(Services(kA, sdp::BaseUuid(0x1105), BluetoothResult::NoService).empty());
    EXPECT_TRUE(Services(kB, kL2cap, BluetoothResult::NotFound).empty());

    Write("0011223344BB.device", "name=No services\n");
    EXPECT_TRUE(Services(kB, kL2cap, BluetoothResult::NoService).empty());
}

TEST_F(SimulatedStackTest, ServiceSearchParsesARawSdpFileInstead)
{
    Write("0011223344AA.device", "name=Gauge\nservice=9,1101,Ignored while an .sdp file exists\n");
    // Two records: a serial port on channel 2, and the vendor class on channel 6 whose
    // protocol list has an L2CAP PSM before RFCOMM.
    WriteBytes("0011223344AA.sdp", B({
        0x35, 0x47,                                          // sequence, 71 bytes: the attribute lists
        0x35, 0x19,                                          // record 1, 25 bytes
        0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01,      //   class ids { UUID16 0x1101 }
        0x09, 0x00, 0x04, 0x35, 0x0C, 0x35, 0x03, 0x19, 0x01, 0x00, //   protocols { { L2CAP },
        0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x02,            //     { RFCOMM, 2 } }
        0x35, 0x2A,                                          // record 2, 42 bytes
        0x09, 0x00, 0x01, 0x35, 0x11, 0x1C,                  //   class ids { UUID128
        0x8C, 0x3A, 0x1F, 0x20, 0x5B, 0x7E, 0x4D, 0x11, 0x9A, 0x3C, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, // }
        0x09, 0x00, 0x04, 0x35, 0x0F,                        //   protocols {
        0x35, 0x06, 0x19, 0x01, 0x00, 0x09, 0x00, 0x03,      //     { L2CAP, PSM 3 },
        0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x06,            //     { RFCOMM, 6 } }
    }));
    const auto all = Services(kA, kL2cap);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].Channel, 2);
    EXPECT_EQ(all[1].Channel, 6);
    const auto vendor = Services(kA, kVendor);
    ASSERT_EQ(vendor.size(), 1u);
    EXPECT_EQ(vendor[0].Uuid, kVendor);
    EXPECT_EQ(vendor[0].Channel, 6);
    EXPECT_TRUE(Services(kA, sdp::BaseUuid(0x1105), BluetoothResult::NoService).empty());

    // Bytes that do not decode reach the parser as they are: here a record whose text
    // claims 200 bytes.
    const Bytes damaged = B({0x35, 0x0A, 0x35, 0x08, 0x09, 0x01, 0x00, 0x25, 0xC8, "abc"});
    WriteBytes("0011223344AA.sdp", damaged);
    std::vector<uint8_t> lists;
    ASSERT_EQ(stack_->ServiceSearch(kA, kL2cap, lists), BluetoothResult::Ok);
    EXPECT_EQ(lists, damaged);
    TlnkSDPParser parser;
    EXPECT_FALSE(parser.Parse(lists));
    EXPECT_TRUE(parser.Records().empty());
}

TEST_F(SimulatedStackTest, RfcommChannelsAreUnixSockets)
{
    Write("0011223344AA.device", "name=Gauge\nservice=1,1101,Serial Port\n");
    Listener gauge(folder_ + "/0011223344AA.1");

    std::unique_ptr<RfcommSocket> socket;
    ASSERT_EQ(stack_->ConnectRfcomm(kA, 1, {}, socket), BluetoothResult::Ok);
    if (socket->Connecting()) {
        pollfd p{socket->Fd(), POLLOUT, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1);
    }
    ASSERT_EQ(socket->FinishConnect(), BluetoothResult::Ok);
    const int peer = gauge.Accept();
    ASSERT_GE(peer, 0);

    ASSERT_EQ(socket->Send("ENQ", 3), BluetoothResult::Ok);
    char in[16] = {};
    ASSERT_EQ(::read(peer, in, sizeof in), 3);
    EXPECT_EQ(std::string(in, 3), "ENQ");

    // Nothing waiting: the descriptor is non-blocking.
    char out[16] = {};
    EXPECT_EQ(socket->Receive(out, sizeof out), -1);
    EXPECT_EQ(errno, EAGAIN);
    ASSERT_EQ(::write(peer, "12.5 um\r\n", 9), 9);
    pollfd p{socket->Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    ASSERT_EQ(socket->Receive(out, sizeof out), 9);
    EXPECT_EQ(std::string(out, 9), "12.5 um\r\n");

    // The gauge goes away: end of stream, and sending fails.
    ::close(peer);
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_EQ(socket->Receive(out, sizeof out), 0);
    EXPECT_EQ(socket->Send("x", 1), BluetoothResult::Failed);
}

TEST_F(SimulatedStackTest, SendWaitsForRoomUntilCancelled)
{
    Listener gauge(folder_ + "/0011223344AA.2");
    RfcommOptions small;
    small.ReadBuffer = small.WriteBuffer = 4096;
    std::unique_ptr<RfcommSocket> socket;
    ASSERT_EQ(stack_->ConnectRfcomm(kA, 2, small, socket), BluetoothResult::Ok);
    ASSERT_EQ(socket->FinishConnect(), BluetoothResult::Ok);
    const int peer = gauge.Accept();
    ASSERT_GE(peer, 0);

    // The peer reads slowly: a block far larger than the buffers still goes out whole.
    const std::string block(1 << 20, 'r');
    std::thread reader([peer, &block] {
        std::string got;
        char buffer[4096];
        while (got.size() < block.size()) {
            const ssize_t n = ::read(peer, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        EXPECT_EQ(got, block);
    });
    EXPECT_EQ(socket->Send(block.data(), block.size()), BluetoothResult::Ok);
    reader.join();

    // Nobody reads: the cancel descriptor ends the wait.
    int cancel[2];
    ASSERT_EQ(::pipe(cancel), 0);
    std::thread canceller([&] {
        std::this_thread::sleep_for(50ms);
        (void)::write(cancel[1], "x", 1);
    });
    EXPECT_EQ(socket->Send(block.data(), block.size(), cancel[0]), BluetoothResult::Cancelled);
    canceller.join();
    ::close(cancel[0]);
    ::close(cancel[1]);
    ::close(peer);
}

TEST_F(SimulatedStackTest, NobodyListeningIsARefusedConnect)
{
    std::unique_ptr<RfcommSocket> socket;
    EXPECT_EQ(stack_->ConnectRfcomm(kA, 1, {}, socket), BluetoothResult::Refused); // no socket file
    EXPECT_EQ(socket, nullptr);

    Listener dead(folder_ + "/0011223344AA.3");
    dead.Close(); // the file stays, nobody accepts
    EXPECT_EQ(stack_->ConnectRfcomm(kA, 3, {}, socket), BluetoothResult::Refused);
    EXPECT_EQ(socket, nullptr);
}

TEST(BluetoothStackChoice, TheVariableSelectsTheSimulatedStack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::setenv("DABRIX_BT_SIM", dir.path().toLocal8Bit().constData(), 1);
    auto simulated = CreateBluetoothStack();
    ::unsetenv("DABRIX_BT_SIM");
    EXPECT_TRUE(simulated->RadioPresent());

    if (bt::KernelHasBluetooth())
        GTEST_SKIP() << "this kernel has Bluetooth; the absent stack is not chosen";
    auto real = CreateBluetoothStack();
    EXPECT_FALSE(real->RadioPresent());
    std::vector<BluetoothDeviceInfo> devices;
    EXPECT_EQ(real->CachedDevices(devices), BluetoothResult::Unavailable);
    // The kernel's sockets say the same where the stack is asked directly.
    std::unique_ptr<RfcommSocket> socket;
    EXPECT_EQ(bt::ConnectKernelRfcomm(kA, 1, {}, socket), BluetoothResult::Unavailable);
    std::vector<uint8_t> lists;
    EXPECT_EQ(bt::KernelServiceSearch(kA, kSerialPort, lists, 1000, -1), BluetoothResult::Unavailable);
}

TEST(BluetoothAddressText, ReadsAndWritesTheForms)
{
    BluetoothAddress a = 0;
    EXPECT_TRUE(ParseBluetoothAddress(QStringLiteral("0011223344AA"), a));
    EXPECT_EQ(a, kA);
    EXPECT_TRUE(ParseBluetoothAddress(QStringLiteral("00:11:22:33:44:aa"), a));
    EXPECT_EQ(a, kA);
    EXPECT_TRUE(ParseBluetoothAddress(QStringLiteral("00_11_22_33_44_BB"), a));
    EXPECT_EQ(a, kB);
    for (const char* bad : {"0011223344A", "00:11:22:33:44:A", "00:11:22_33:44:AA", "00-11-22-33-44-AA", "0011223344AG", ""})
        EXPECT_FALSE(ParseBluetoothAddress(QString::fromLatin1(bad), a)) << bad;
    EXPECT_EQ(BluetoothAddressHex(kA), "0011223344AA");
    EXPECT_EQ(BluetoothAddressColons(0xA1B2C3D4E5F6), QStringLiteral("A1:B2:C3:D4:E5:F6"));
}

} // namespace
