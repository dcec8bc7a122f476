#include "tools/gauge_sim/GaugeSimulator.h"
#include "tools/gauge_sim/tests/TestPort.h"

#include "platform/ComPortMap.h"
#include "platform/irda/IrDASocket.h"
#include "platform/irda/tests/HandMadeAir.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <termios.h>
#include <thread>

using namespace dabrix::tools;
using dabrix::platform::ComPortMap;
using dabrix::tools::test::B;
using dabrix::tools::test::TestPort;
using namespace std::chrono_literals;

namespace {

// One simulator running on its own thread, as the program would find it: through the COM
// port map of a configuration folder of its own.
class GaugeSimulatorTest : public ::testing::Test {
protected:
    SimOptions Options()
    {
        SimOptions o;
        o.configFolder = dir_.path().toStdString();
        o.logFile = dir_.path().toStdString() + "/sim.log";
        o.intervalMs = 10;
        o.lingerMs = 50;
        return o;
    }

    SimOptions WithItems(SimOptions o, SimSource source, std::initializer_list<std::string> items)
    {
        o.source = source;
        for (const std::string& item : items)
            o.items.push_back(B(item));
        return o;
    }

    // Opens the simulator and starts it; returns its port opened from the map.
    void Start(SimOptions options, bool openPort = true)
    {
        sim_ = std::make_unique<GaugeSimulator>(std::move(options));
        com_ = sim_->Open();
        ASSERT_GE(com_, 3) << sim_->ErrorText();
        thread_ = std::thread([this] {
            sim_->Run();
            finished_ = true;
        });
        if (openPort)
            OpenPort();
    }

    void OpenPort()
    {
        const auto path = ComPortMap(dir_.path().toStdString()).DevicePathOf(com_);
        ASSERT_TRUE(path) << "COM" << com_ << " is not present";
        ASSERT_TRUE(port_.Open(*path));
    }

    // Waits until Run has returned by itself.
    bool Finishes(std::chrono::milliseconds timeout = 5s)
    {
        return dabrix::test::WaitFor([this] { return finished_.load(); }, timeout);
    }

    void TearDown() override
    {
        if (sim_)
            sim_->Stop();
        if (thread_.joinable())
            thread_.join();
    }

    QTemporaryDir dir_;
    std::unique_ptr<GaugeSimulator> sim_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    int com_ = 0;
    TestPort port_;
};

TEST_F(GaugeSimulatorTest, LinesArriveWithCrLfAndTheSimulatorEndsAfterTheLast)
{
    Start(WithItems(Options(), SimSource::Lines, {"  12.5 um", "\xB5m 3", ">OK"}));
    const std::string expected = "  12.5 um\r\n\xB5m 3\r\n>OK\r\n";
    EXPECT_EQ(port_.Read(expected.size()), B(expected));
    EXPECT_TRUE(Finishes());
    EXPECT_EQ(sim_->Stats().itemsSent, 3);
    sim_->Close();
    EXPECT_FALSE(ComPortMap(dir_.path().toStdString()).DevicePathOf(com_)) << "entry removed";
}

TEST_F(GaugeSimulatorTest, WaitsUntilTheProgramOpensThePort)
{
    SimOptions o = Options();
    o.source = SimSource::Generate;
    o.count = 3;
    Start(o, false);
    std::this_thread::sleep_for(150ms);  // many intervals pass with nobody listening
    EXPECT_EQ(sim_->Stats().itemsSent, 0);
    EXPECT_FALSE(sim_->Stats().peerOpen);
    OpenPort();
    const std::string expected = GeneratedReading(0) + "\r\n" + GeneratedReading(1) + "\r\n" + GeneratedReading(2)
                                 + "\r\n";
    EXPECT_EQ(port_.Read(expected.size()), B(expected));
    EXPECT_TRUE(Finishes());
}

TEST_F(GaugeSimulatorTest, ThePortCanBeClosedAndOpenedAgain)
{
    SimOptions o = Options();
    o.source = SimSource::Generate;
    o.onEnq = true;
    Start(o);
    ASSERT_TRUE(port_.Write(Bytes{0x05}));
    EXPECT_EQ(port_.Read(GeneratedReading(0).size() + 2), B(GeneratedReading(0) + "\r\n"));
    port_.Close();
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return !sim_->Stats().peerOpen; }));
    OpenPort();
    ASSERT_TRUE(port_.Write(Bytes{0x05}));
    EXPECT_EQ(port_.Read(GeneratedReading(1).size() + 2), B(GeneratedReading(1) + "\r\n"));
    const auto events = sim_->Stats().events;
    EXPECT_EQ(std::count(events.begin(), events.end(), "port opened"), 2);
    EXPECT_EQ(std::count(events.begin(), events.end(), "port closed"), 1);
}

TEST_F(GaugeSimulatorTest, OnEnqSendsOneLinePerEnqThenThePrompt)
{
    SimOptions o = WithItems(Options(), SimSource::Lines, {"1.00", "2.00"});
    o.onEnq = true;
    o.prompt = true;
    o.stay = true;
    Start(o);
    EXPECT_TRUE(port_.ReadFor(100ms).empty()) << "a polled gauge is silent until asked";
    ASSERT_TRUE(port_.Write(Bytes{0x05}));
    EXPECT_EQ(port_.Read(6), B("1.00\r\n"));
    ASSERT_TRUE(port_.Write(Bytes{0x05}));
    EXPECT_EQ(port_.Read(6), B("2.00\r\n"));
    ASSERT_TRUE(port_.Write(Bytes{0x05, 0x05}));
    EXPECT_EQ(port_.Read(8), B("\r\n> \r\n> ")) << "nothing pending: the prompt, once per ENQ";
    EXPECT_TRUE(port_.ReadFor(50ms).empty());
    const SimStats stats = sim_->Stats();
    EXPECT_EQ(stats.enqs, 4);
    EXPECT_EQ(stats.prompts, 2);
    EXPECT_EQ(stats.itemsSent, 2);
    EXPECT_FALSE(finished_) << "--stay keeps it running";
}

TEST_F(GaugeSimulatorTest, PromptOnlyGaugeAnswersEveryEnqAndIgnoresOtherBytes)
{
    SimOptions o = Options();
    o.prompt = true;
    Start(o);
    ASSERT_TRUE(port_.Write(B("abc")));
    EXPECT_TRUE(port_.ReadFor(50ms).empty());
    ASSERT_TRUE(port_.Write(Bytes{'x', 0x05, 'y'}));
    EXPECT_EQ(port_.Read(4), B("\r\n> "));
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().received.size() == 6; }));
    EXPECT_EQ(sim_->Stats().received, (Bytes{'a', 'b', 'c', 'x', 0x05, 'y'}));
}

TEST_F(GaugeSimulatorTest, EchoSendsBackWhatArrives)
{
    SimOptions o = Options();
    o.echo = true;
    Start(o);
    const Bytes sent{'1', '2', '.', '5', '\r', '\n', 0x00, 0xB5};
    ASSERT_TRUE(port_.Write(sent));
    EXPECT_EQ(port_.Read(sent.size()), sent);
}

TEST_F(GaugeSimulatorTest, PeriodicLinesKeepTheirInterval)
{
    SimOptions o = WithItems(Options(), SimSource::Lines, {"a", "b", "c"});
    o.intervalMs = 100;
    Start(o);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port_.Read(9), B("a\r\nb\r\nc\r\n"));
    // Three intervals at the least; an upper bound would only measure the machine's load.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 280ms);
}

TEST_F(GaugeSimulatorTest, PacingSendsNoFasterThanTheRate)
{
    SimOptions o = WithItems(Options(), SimSource::Lines, {"0123456789ABCDEFGHIJKLMN"});
    o.baud = 1200;  // 8.3 ms a byte
    o.pace = true;
    o.intervalMs = 1;
    Start(o);
    const Bytes first = port_.Read(1);
    const auto start = std::chrono::steady_clock::now();
    const Bytes rest = port_.Read(25);
    EXPECT_EQ(first.size() + rest.size(), 26u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 25 * 8ms);
}

TEST_F(GaugeSimulatorTest, NoticesTheRateTheProgramSets)
{
    SimOptions o = WithItems(Options(), SimSource::Lines, {"x"});
    o.onEnq = true;
    o.baud = 9600;
    Start(o);
    termios tio {};
    ASSERT_EQ(::tcgetattr(port_.Fd(), &tio), 0);
    ::cfsetspeed(&tio, B4800);
    ASSERT_EQ(::tcsetattr(port_.Fd(), TCSANOW, &tio), 0);
    ASSERT_TRUE(port_.Write(Bytes{0x05}));
    EXPECT_EQ(port_.Read(3), B("x\r\n"));
    const SimStats stats = sim_->Stats();
    EXPECT_EQ(stats.portBaud, 4800);
    EXPECT_NE(std::find(stats.events.begin(), stats.events.end(),
                        "port set to 4800 baud, the gauge sends at 9600"),
              stats.events.end());
}

TEST_F(GaugeSimulatorTest, StopEndsAWaitingSimulatorPromptly)
{
    SimOptions o = Options();
    o.source = SimSource::Generate;
    o.intervalMs = 60'000;
    Start(o, false);
    sim_->Stop();
    EXPECT_TRUE(Finishes(2s));
}

// ---- KTX ------------------------------------------------------------------------------

class GaugeSimulatorKtxTest : public GaugeSimulatorTest {
protected:
    SimOptions Ktx(std::initializer_list<std::string> payloads)
    {
        SimOptions o = WithItems(Options(), SimSource::Ktx, payloads);
        o.onEnq = true;  // one telegram per ENQ: the test decides when
        o.ackTimeoutMs = 300;
        o.stay = true;
        return o;
    }

    Bytes NextTelegram()
    {
        EXPECT_TRUE(port_.Write(Bytes{0x05}));
        Bytes frame;
        while (frame.empty() || frame.back() != 0x04) {
            const Bytes b = port_.Read(1);
            if (b.empty())
                break;
            frame.push_back(b[0]);
        }
        return frame;
    }
};

TEST_F(GaugeSimulatorKtxTest, SendsTelegramsAndChecksTheAcknowledgements)
{
    Start(Ktx({"AB", "CD", "EF"}));
    EXPECT_EQ(HexBytes(NextTelegram()), "02 7F 35 21 41 42 DA 04");
    ASSERT_TRUE(port_.Write(Bytes{0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04}));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksOk == 1; }));

    // The second telegram counts on; so does the program's sequence character.
    const Bytes second = NextTelegram();
    EXPECT_EQ(HexBytes(second), HexBytes(BuildKtxFrame(0x02, Bytes{0x7F, 0x35}, 0x22, B("CD"), false)));
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x22, Bytes{}, false)));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksOk == 2; }));
    EXPECT_TRUE(sim_->AcksAllOk());
    EXPECT_EQ(sim_->Stats().events.back(), "ack OK 22");
}

TEST_F(GaugeSimulatorKtxTest, BadAndMissingAcknowledgementsAreCounted)
{
    struct Case {
        const char* what;
        Bytes ack;
    };
    // Each answers the telegram of sequence 0x21 of a fresh simulator.
    const Case cases[] = {
        {"checksum", {0x06, 0x35, 0x7F, 0x21, 0xDC, 0x04}},
        {"address", BuildKtxFrame(0x06, Bytes{0x36, 0x7F}, 0x21, Bytes{}, false)},
        {"source", BuildKtxFrame(0x06, Bytes{0x35, 0x7E}, 0x21, Bytes{}, false)},
        {"sequence", BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x85, Bytes{}, false)},
        {"NAK", BuildKtxFrame(0x0F, Bytes{0x35, 0x7F}, 0x23, Bytes{}, false)},
    };
    for (const Case& c : cases) {
        TearDown();
        finished_ = false;
        Start(Ktx({"AB"}));
        ASSERT_EQ(NextTelegram().size(), 8u) << c.what;
        ASSERT_TRUE(port_.Write(c.ack));
        EXPECT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksBad == 1; })) << c.what;
        EXPECT_EQ(sim_->Stats().acksOk, 0) << c.what;
        EXPECT_FALSE(sim_->AcksAllOk()) << c.what;
    }

    TearDown();
    finished_ = false;
    Start(Ktx({"AB"}));
    ASSERT_EQ(NextTelegram().size(), 8u);
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksMissing == 1; })) << "no answer";
    ASSERT_TRUE(port_.Write(Bytes{0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04}));
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksBad == 1; })) << "an ack nobody waits for";
}

TEST_F(GaugeSimulatorKtxTest, SequenceCharacterMayStayAtItsTopOrRestart)
{
    SimOptions o = Ktx({"A"});
    o.count = 5;
    Start(o);
    const std::uint8_t sequence[] = {0x7E, 0x7F, 0x7F, 0x20, 0x21};
    for (std::uint8_t s : sequence) {
        ASSERT_FALSE(NextTelegram().empty());
        ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, s, Bytes{}, false)));
    }
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksOk == 5; }));
    EXPECT_TRUE(sim_->AcksAllOk());
}

TEST_F(GaugeSimulatorKtxTest, SubAddressGoesIntoTelegramsAndIsExpectedInAcks)
{
    SimOptions o = Ktx({"AB"});
    o.subAdr = 0x07;
    Start(o);
    EXPECT_EQ(HexBytes(NextTelegram()), HexBytes(BuildKtxFrame(0x02, Bytes{0x7F, 0xB5, 0x07}, 0x21, B("AB"), false)));
    // The program answers to the address as received (bit 7 included), then the sub-address.
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0xB5, 0x07, 0x7F}, 0x21, Bytes{}, false)));
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksOk == 1; }));
    EXPECT_TRUE(sim_->AcksAllOk());
}

TEST_F(GaugeSimulatorKtxTest, AcknowledgesTheProgramsTelegrams)
{
    Start(Ktx({"AB"}));
    // The program's Send of 41 42 43 (control 0x41) as in the telegram protocol's example.
    ASSERT_TRUE(port_.Write(Bytes{0x00, 0x02, 0x35, 0x7F, 0x41, 0x42, 0x43, 0xFC, 0x04}));
    EXPECT_EQ(HexBytes(port_.Read(6)), HexBytes(BuildKtxFrame(0x06, Bytes{0x7F, 0x35}, 0x21, Bytes{}, false)));
    // Addressed to another gauge: no answer.
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x02, Bytes{0x36, 0x7F}, 0x41, B("x"), false)));
    EXPECT_TRUE(port_.ReadFor(100ms).empty());
    EXPECT_EQ(sim_->Stats().telegramsIn, 1);
}

TEST_F(GaugeSimulatorKtxTest, SpoiledTelegramsExpectNoAcknowledgement)
{
    // Telegrams 2 and 4 with a wrong checksum, 3 to another address.
    SimOptions o = Ktx({"AB"});
    o.count = 5;
    o.badChecksumEvery = 2;
    o.wrongAddressEvery = 3;
    o.ackTimeoutMs = 150;
    Start(o);
    const Bytes good = BuildKtxFrame(0x02, Bytes{0x7F, 0x35}, 0x21, B("AB"), false);

    const Bytes first = NextTelegram();
    EXPECT_EQ(HexBytes(first), HexBytes(good));
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x21, Bytes{}, false)));

    // Bad checksum: only that byte differs (bit 7 still set), and silence is right.
    const Bytes second = NextTelegram();
    ASSERT_EQ(second.size(), good.size());
    EXPECT_EQ(second[6], static_cast<std::uint8_t>(KtxChecksum(std::span(second).first(6)) ^ 0x01));
    EXPECT_TRUE(second[6] & 0x80);
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().events.back() == "no ack for the spoiled telegram"; }));

    // Another address, with a checksum that is right for it: acknowledging it is wrong.
    const Bytes third = NextTelegram();
    ASSERT_EQ(third.size(), good.size());
    EXPECT_EQ(third[1], 0x7E);
    EXPECT_EQ(third[6], KtxChecksum(std::span(third).first(6)));
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x22, Bytes{}, false)));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().spoiledAcked == 1; }));

    // A NAK for a spoiled telegram is fine.
    ASSERT_EQ(NextTelegram().size(), good.size());
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x0F, Bytes{0x35, 0x7F}, 0x21, Bytes{}, false)));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().events.back() == "NAK for the spoiled telegram"; }));

    // The fifth is good again and is acknowledged with the next sequence character.
    EXPECT_EQ(NextTelegram()[3], 0x25);
    ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x23, Bytes{}, false)));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return sim_->Stats().acksOk == 2; }));

    const SimStats stats = sim_->Stats();
    EXPECT_EQ(stats.spoiled, 3);
    EXPECT_EQ(stats.spoiledAcked, 1);
    EXPECT_EQ(stats.acksMissing, 0);
    EXPECT_EQ(stats.acksBad, 0);
    EXPECT_FALSE(sim_->AcksAllOk());  // because of the third
}

TEST_F(GaugeSimulatorTest, FloodSendsEveryItemBackToBackWithoutLoss)
{
    // A day's interval would hold the items back; --flood does not wait for it.
    SimOptions o = Options();
    o.source = SimSource::Generate;
    o.count = 20'000;
    o.intervalMs = 86'400'000;
    o.flood = true;
    Start(o);
    std::string expected;
    for (long long i = 0; i < 20'000; ++i)
        expected += GeneratedReading(i) + "\r\n";
    const Bytes got = port_.Read(expected.size(), 10s);
    EXPECT_EQ(std::string(got.begin(), got.end()), expected);
    EXPECT_TRUE(Finishes());
    EXPECT_EQ(sim_->Stats().itemsSent, 20'000);
}

TEST_F(GaugeSimulatorKtxTest, PeriodicTelegramsEndTheRunOnceAcknowledged)
{
    SimOptions o = Ktx({"1", "2"});
    o.onEnq = false;
    o.stay = false;
    Start(o);
    for (std::uint8_t s : {0x21, 0x22}) {
        Bytes frame = port_.Read(7);
        ASSERT_EQ(frame.size(), 7u);
        EXPECT_EQ(frame[3], s);
        ASSERT_TRUE(port_.Write(BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, s, Bytes{}, false)));
    }
    EXPECT_TRUE(Finishes());
    EXPECT_EQ(sim_->Stats().acksOk, 2);
    EXPECT_TRUE(sim_->AcksAllOk());
}

} // namespace

namespace {

// An infrared gauge, found and reached through the emulated infrared layer as the program
// reaches it.
class GaugeSimulatorIrDATest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimOptions o;
        o.irda = true;
        o.irdaId = 0x1A2B3C4D;
        o.source = SimSource::Generate;
        o.onEnq = true;
        o.logFile = log_.path().toStdString() + "/sim.log";
        sim_ = std::make_unique<GaugeSimulator>(o);
        ASSERT_EQ(sim_->Open(), -1) << sim_->ErrorText();
        thread_ = std::thread([this] { sim_->Run(); });
    }
    void TearDown() override
    {
        sim_->Stop();
        if (thread_.joinable())
            thread_.join();
    }

    std::unique_ptr<dabrix::platform::irda::IrDASocket> ConnectToGauge()
    {
        int error = 0;
        auto link = dabrix::platform::irda::CreateIrDASocket(error);
        EXPECT_TRUE(link);
        if (link) {
            EXPECT_EQ(link->Connect(kGauge, "IrDA:IrCOMM", 2000, -1), 0);
        }
        return link;
    }

    std::string Receive(dabrix::platform::irda::IrDASocket& link, size_t count)
    {
        std::string got;
        char buf[256];
        while (got.size() < count) {
            const auto r = link.Read(buf, sizeof buf, 5000);
            if (r.status != dabrix::platform::irda::IrDAReadResult::Status::Data)
                break;
            got.append(buf, r.count);
        }
        return got;
    }

    static constexpr dabrix::platform::irda::DeviceId kGauge{0x4D, 0x3C, 0x2B, 0x1A};
    dabrix::test::HandMadeAir air_;
    QTemporaryDir log_;
    std::unique_ptr<GaugeSimulator> sim_;
    std::thread thread_;
};

} // namespace

TEST_F(GaugeSimulatorIrDATest, IsListedByTheLayerAndAnswersOverItsIrCommService)
{
    EXPECT_EQ(sim_->LinkName(), "(1A:2B:3C:4D)");
    int error = 0;
    auto probe = dabrix::platform::irda::CreateIrDASocket(error);
    ASSERT_TRUE(probe);
    std::vector<uint8_t> buffer(dabrix::platform::irda::kDeviceListBufferSize);
    size_t used = buffer.size();
    ASSERT_EQ(probe->EnumerateDevices(buffer.data(), used), 0);
    const auto devices = dabrix::platform::irda::ReadDeviceList(buffer.data(), used);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].Id, kGauge);
    EXPECT_EQ(devices[0].Nickname, "Lakmo 3");

    // One reading per ENQ, on one connection after another.
    for (int i = 0; i < 2; ++i) {
        auto link = ConnectToGauge();
        ASSERT_TRUE(link);
        ASSERT_EQ(link->Write("\x05", 1, 1000), 0);
        const std::string expected = GeneratedReading(i) + "\r\n";
        EXPECT_EQ(Receive(*link, expected.size()), expected);
        link.reset();
        ASSERT_TRUE(dabrix::test::WaitFor([&] { return !sim_->Stats().peerOpen; }));
    }

    // Leaving the air takes the folder along.
    sim_->Stop();
    thread_.join();
    sim_->Close();
    EXPECT_TRUE(air_.List().empty());
}

TEST(GaugeSimulatorIrDAOpenTest, NeedsAnAirAndAFreeId)
{
    dabrix::test::HandMadeAir air;
    SimOptions o;
    o.irda = true;
    o.irdaId = 0x00000001;
    air.AddParticipant("00000001", "Taken");
    GaugeSimulator taken(o);
    EXPECT_EQ(taken.Open(), 0);
    EXPECT_NE(taken.ErrorText().find("00000001"), std::string::npos) << taken.ErrorText();

    o.irdaDir = air.Path() + "/missing";
    GaugeSimulator noAir(o);
    EXPECT_EQ(noAir.Open(), 0);
    EXPECT_FALSE(noAir.ErrorText().empty());

    // Without an id given, a free one is chosen.
    o.irdaDir.clear();
    o.irdaId.reset();
    GaugeSimulator random(o);
    EXPECT_EQ(random.Open(), -1) << random.ErrorText();
    EXPECT_EQ(air.Participants().size(), 2u);
}
