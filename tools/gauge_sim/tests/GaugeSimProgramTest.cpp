// The dabrix-gauge-sim program itself: its first output line, its exit and its clean-up.
#include "tools/gauge_sim/SimOptions.h"
#include "tools/gauge_sim/tests/TestPort.h"

#include "platform/ComPortMap.h"
#include "platform/ProfileFile.h"
#include "platform/irda/tests/HandMadeAir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>
#include <signal.h>

using dabrix::platform::ComPortMap;
using dabrix::platform::ProfileFile;
using dabrix::tools::HexBytes;
using dabrix::tools::test::B;
using dabrix::tools::test::TestPort;
using namespace std::chrono_literals;

namespace {

class GaugeSimProgramTest : public ::testing::Test {
protected:
    std::string Folder() const { return dir_.path().toStdString(); }

    // Starts the simulator on our folder; returns the COM number from its first line.
    int Start(QStringList args)
    {
        args << "--config" << dir_.path() << "--log" << dir_.path() + "/sim.log";
        sim_.start(DABRIX_GAUGE_SIM, args);
        if (!sim_.waitForStarted(5000) || !sim_.waitForReadyRead(5000))
            return 0;
        const QString line = QString::fromUtf8(sim_.readLine()).trimmed();
        return line.startsWith("COM") ? line.mid(3).toInt() : 0;
    }

    bool OpenPort(int com)
    {
        const auto path = ComPortMap(Folder()).DevicePathOf(com);
        return path && port_.Open(*path);
    }

    bool HasLine(int com) const
    {
        return ProfileFile(Folder() + "/ComPorts.ini").ValueExists("Ports", "COM" + std::to_string(com));
    }

    std::string WriteFile(const std::string& name, const std::string& text) const
    {
        const std::string path = Folder() + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    void TearDown() override
    {
        if (sim_.state() != QProcess::NotRunning) {
            sim_.kill();
            sim_.waitForFinished(5000);
        }
    }

    QTemporaryDir dir_;
    QProcess sim_;
    TestPort port_;
};

TEST_F(GaugeSimProgramTest, HelpAndWrongOptions)
{
    QProcess help;
    help.start(DABRIX_GAUGE_SIM, {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char* option : {"--lines", "--generate", "--ktx", "--interval", "--count", "--on-enq", "--prompt",
                               "--echo", "--baud", "--pace", "--log", "--config", "--irda", "--irda-id", "--irda-client"})
        EXPECT_TRUE(text.contains(option)) << option;

    QProcess wrong;
    wrong.start(DABRIX_GAUGE_SIM, {"--frobnicate"});
    ASSERT_TRUE(wrong.waitForFinished(5000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardError().contains("--frobnicate"));
}

TEST_F(GaugeSimProgramTest, RegistersItsPortAndRemovesItOnSigterm)
{
    const int com = Start({"--generate", "--interval", "20"});
    ASSERT_GE(com, 3);
    EXPECT_TRUE(HasLine(com));
    ASSERT_TRUE(OpenPort(com));
    const std::string first = dabrix::tools::GeneratedReading(0) + "\r\n";
    EXPECT_EQ(port_.Read(first.size()), B(first));

    ASSERT_EQ(::kill(static_cast<pid_t>(sim_.processId()), SIGTERM), 0);
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(HasLine(com));
    EXPECT_FALSE(ComPortMap(Folder()).DevicePathOf(com));
}

TEST_F(GaugeSimProgramTest, SigintWhileNobodyListensAlsoCleansUp)
{
    // A line of someone else stays.
    ProfileFile(Folder() + "/ComPorts.ini").WriteString("Ports", "COM3", "/dev/user-adapter");
    const int com = Start({"--prompt"});
    ASSERT_EQ(com, 4);
    ASSERT_EQ(::kill(static_cast<pid_t>(sim_.processId()), SIGINT), 0);
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(HasLine(4));
    EXPECT_EQ(ProfileFile(Folder() + "/ComPorts.ini").ReadString("Ports", "COM3", ""), "/dev/user-adapter");
}

TEST_F(GaugeSimProgramTest, EndsByItselfAfterTheLastLineAndRemovesItsPort)
{
    const std::string lines = WriteFile("lines.txt", "  1.5 um\n  2.5 um\n");
    const int com = Start({"--lines", QString::fromStdString(lines), "--interval", "10", "--linger", "100"});
    ASSERT_GE(com, 3);
    ASSERT_TRUE(OpenPort(com));
    EXPECT_EQ(port_.Read(20), B("  1.5 um\r\n  2.5 um\r\n"));
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(HasLine(com));
}

TEST_F(GaugeSimProgramTest, KtxExitStatusTellsWhetherEveryAcknowledgementCame)
{
    const std::string payloads = WriteFile("ktx.txt", "AB\n");
    QStringList args{"--ktx", QString::fromStdString(payloads), "--interval", "10", "--ack-timeout", "200",
                     "--linger", "50"};

    int com = Start(args);
    ASSERT_GE(com, 3);
    ASSERT_TRUE(OpenPort(com));
    EXPECT_EQ(HexBytes(port_.Read(8)), "02 7F 35 21 41 42 DA 04");
    ASSERT_TRUE(port_.Write(dabrix::tools::Bytes{0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04}));
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitCode(), 0);
    port_.Close();

    com = Start(args);
    ASSERT_GE(com, 3);
    ASSERT_TRUE(OpenPort(com));
    EXPECT_EQ(port_.Read(8).size(), 8u);  // and no acknowledgement
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitCode(), 3);
    EXPECT_FALSE(HasLine(com));
    std::ifstream log(Folder() + "/sim.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("ack OK 21"), std::string::npos);
    EXPECT_NE(text.find("ack missing"), std::string::npos);
}

TEST_F(GaugeSimProgramTest, LogsWhatItReceivesInHex)
{
    const int com = Start({"--prompt"});
    ASSERT_GE(com, 3);
    ASSERT_TRUE(OpenPort(com));
    ASSERT_TRUE(port_.Write(dabrix::tools::Bytes{0x41, 0x05}));
    EXPECT_EQ(port_.Read(4), B("\r\n> "));
    ::kill(static_cast<pid_t>(sim_.processId()), SIGTERM);
    ASSERT_TRUE(sim_.waitForFinished(5000));
    std::ifstream log(Folder() + "/sim.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<- 41 05"), std::string::npos) << text;
}

TEST_F(GaugeSimProgramTest, AnInfraredGaugeNamesItsAddressAndLeavesTheAirOnSigterm)
{
    dabrix::test::HandMadeAir air;
    sim_.start(DABRIX_GAUGE_SIM, {"--irda", "--irda-dir", QString::fromStdString(air.Path()), "--irda-id",
                                  "1A2B3C4D", "--generate", "--log", dir_.path() + "/sim.log"});
    ASSERT_TRUE(sim_.waitForStarted(5000) && sim_.waitForReadyRead(5000));
    EXPECT_EQ(QString::fromUtf8(sim_.readLine()).trimmed(), "(1A:2B:3C:4D)");
    EXPECT_EQ(air.List(), std::vector<std::string>{"1A2B3C4D"});
    EXPECT_EQ(air.ReadFile("1A2B3C4D/name"), "Lakmo 3");
    EXPECT_TRUE(air.IsSocket("1A2B3C4D/IrDA:IrCOMM"));

    ASSERT_EQ(::kill(static_cast<pid_t>(sim_.processId()), SIGTERM), 0);
    ASSERT_TRUE(sim_.waitForFinished(5000));
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_TRUE(air.List().empty());
}

} // namespace
