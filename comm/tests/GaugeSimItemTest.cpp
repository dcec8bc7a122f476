// End to end over a serial link: the gauge simulator (dabrix-gauge-sim) sends KTX data
// telegrams on a pseudo-terminal it registers as a COM port; the connection item receives
// them through its client connection, delivers them through OnTelegram and acknowledges
// each. The simulator checks every acknowledgement and ends with status 0 only when all
// were right.
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Item.h"
#include "comm/tests/ItemTestSupport.h"
#include "comm/tests/SerialTestSupport.h"
#include "comm/tests/TelegramTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EventLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dabrix::comm;
using namespace dabrix::comm::test;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

struct SimCase {
    const char* name;
    QStringList options;
    uint8_t source;  // the gauge's address byte as it arrives
    bool handler;    // OnTelegram assigned: only then are telegrams acknowledged
};

class GaugeSimItemTest : public ::testing::TestWithParam<SimCase> {
protected:
    void TearDown() override
    {
        if (sim.Running()) {
            sim.Terminate();
            sim.Wait();
        }
        if (HasFailure())
            std::fprintf(stderr, "simulator log:\n%s\n", ReadLog().constData());
    }

    QByteArray ReadLog() const
    {
        QFile log(dir.path() + "/sim.log");
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    dabrix::test::ChildProcess sim;
};

TEST_P(GaugeSimItemTest, TelegramsArriveAndEveryOneIsAcknowledged)
{
    const SimCase& c = GetParam();
    ASSERT_TRUE(dir.isValid());
    // Payloads: plain text, bytes with bit 7 (sent in 7-bit groups), and a long one that
    // takes more than one group of seven.
    const std::vector<Bytes> payloads = {
        {'1', '2', '.', '5', ' ', 'm', 'm'},
        {0xB5, 'm', ' ', '0', '.', '0', '0', '3'},
        {'A', ';', 'B', ';', 'C', ';', 'D', ';', 'E', ';', 'F', ';', 'G', ';', 'H', ';', 'I'},
    };
    {
        QFile file(dir.path() + "/payloads.txt");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("12.5 mm\n\\xB5m 0.003\nA;B;C;D;E;F;G;H;I\n");
    }

    // The simulator registers its port where the client connection looks it up.
    ConfigAndLibrary env;
    QStringList args{"--ktx", dir.path() + "/payloads.txt", "--interval", "30", "--linger", "300",
                     "--config", env.DabrixFolder(), "--log", dir.path() + "/sim.log"};
    args << c.options;
    std::vector<std::string> argv;
    for (const QString& a : args)
        argv.push_back(a.toStdString());
    ASSERT_TRUE(sim.Start(DABRIX_GAUGE_SIM, argv));
    const QString line = QString::fromStdString(sim.ReadLine()).trimmed();
    ASSERT_TRUE(line.startsWith("COM")) << line.toStdString();
    const int com = line.mid(3).toInt();

    ItemFixture f;
    TDevice port;
    port.Name = line.toStdString();
    port.Info = line.toStdString();
    port.PortNumber = com;
    port.Handle = -1;
    f.host.lists[portCOM] = {port};
    f.item->SetPort(portCOM);
    ASSERT_EQ(f.item->SelectDevice(0), emNone);
    std::vector<TTelegramData> telegrams;
    if (c.handler)
        f.item->OnTelegram = [&](TObject*, TTelegramData Telegram, TBuffer&) { telegrams.push_back(Telegram); };

    ASSERT_EQ(f.item->Connect(true), emNone) << ReadLog().constData();

    ASSERT_TRUE(WaitFor([&] { return !sim.Running(); }, 20s));
    EXPECT_TRUE(sim.ExitedNormally());
    if (!c.handler) {
        // The control case: the simulator does notice missing acknowledgements.
        EXPECT_EQ(sim.ExitCode(), 3);
        EXPECT_EQ(uint32_t(f.item->LastTelegram().Received), 1u);
        EXPECT_EQ(Hex(BytesOf(f.item->LastTelegram().Data)), Hex(payloads.back()));
        return;
    }
    EXPECT_EQ(sim.ExitCode(), 0) << "an acknowledgement was wrong or missing";

    ASSERT_EQ(telegrams.size(), payloads.size());
    for (size_t i = 0; i < payloads.size(); ++i) {
        SCOPED_TRACE("telegram " + std::to_string(i));
        EXPECT_EQ(uint32_t(telegrams[i].Command), 2u);
        EXPECT_EQ(telegrams[i].DestAdr, 0x7F);
        EXPECT_EQ(telegrams[i].SourceAdr, c.source);
        EXPECT_EQ(Hex(BytesOf(telegrams[i].Data)), Hex(payloads[i]));
    }
    EXPECT_TRUE(f.host.Reports().empty());
    EXPECT_TRUE(ReadLog().contains("ack OK"));
    EXPECT_FALSE(ReadLog().contains("ack bad"));
}

const SimCase kSimCases[] = {
    {"plain", {}, 0x35, true},
    {"sub_address_and_groups", {"--sub-adr", "07", "--encode"}, 0xB5, true},
    {"no_handler_no_acknowledgements", {"--ack-timeout", "200"}, 0x35, false},
};

INSTANTIATE_TEST_SUITE_P(Gauges, GaugeSimItemTest, ::testing::ValuesIn(kSimCases), CaseName());

} // namespace
