// The main window against infrared gauges in the air of the emulated infrared layer: the
// Tag 10 gauge connects to the window's IrCOMM listener and sends its text, which goes
// into the editor as it comes.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "tests/support/EventLoop.h"
#include "tools/gauge_sim/IrDAGauge.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::WaitFor;
using dabrix::tools::IrDAGauge;
using dabrix::tools::SimOptions;
using dabrix::tools::SimSource;

namespace {

class IrDAGaugeWindowTest : public GaugeWindowTest {
protected:
    void SetUp() override
    {
        GaugeWindowTest::SetUp();
        ASSERT_TRUE(QDir(dir_.path()).mkpath("air"));
        env_.Set("DABRIX_IRDA_DIR", Air());
    }

    void TearDown() override
    {
        if (gaugeFd_ >= 0)
            ::close(gaugeFd_);
        StopSim();
        GaugeWindowTest::TearDown();
    }

    std::string Air() const { return QDir(dir_.path()).filePath("air").toStdString(); }

    // The participants in the air: folder name -> nickname.
    std::map<std::string, std::string> Participants() const
    {
        std::map<std::string, std::string> found;
        const QDir air(QString::fromStdString(Air()));
        for (const QString& folder : air.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(air.filePath(folder + "/name"));
            found[folder.toStdString()] = name.open(QIODevice::ReadOnly) ? name.readAll().toStdString() : "";
        }
        return found;
    }
    // The folder of the window's own participant, empty while it offers nothing.
    std::string WindowParticipant() const
    {
        for (const auto& [folder, name] : Participants())
            if (name == "Dabrix")
                return folder;
        return {};
    }

    // A Tag 10 gauge: the client of the window's IrCOMM service, sending `text` once.
    SimOptions ClientGauge(const std::string& text) const
    {
        SimOptions o = SilentGauge(57600);
        o.irda = true;
        o.irdaClient = true;
        o.irdaDir = Air();
        o.source = SimSource::Lines;
        o.items.emplace_back(text.begin(), text.end());
        o.count = 1;
        o.crlf = false;
        o.intervalMs = 100;
        o.stay = true;
        return o;
    }

    void StartIrDASim(const SimOptions& options)
    {
        sim_ = std::make_unique<dabrix::tools::GaugeSimulator>(options);
        ASSERT_EQ(sim_->Open(), -1) << sim_->ErrorText();
        simThread_ = std::thread([this] { sim_->Run(); });
    }
    // The gauge goes out of range: its link closes.
    void StopSim()
    {
        if (!sim_)
            return;
        sim_->Stop();
        if (simThread_.joinable())
            simThread_.join();
        sim_->Close();
        sim_.reset();
    }

    // Tag 10 chosen, Connect: the window listens for the gauge.
    void ConnectTag10()
    {
        WriteGaugeSettings(10, 0);
        Create();
        Show();
        ASSERT_TRUE(GaugeItem(10)->isEnabled());
        ASSERT_TRUE(GaugeItem(10)->isChecked());
        ASSERT_TRUE(form_->menuitem_IrDA->isChecked());
        form_->act_interface_conneced->trigger();
        ASSERT_TRUE(form_->IrDAListenSocket);
        ASSERT_FALSE(WindowParticipant().empty());
    }

    bool WaitForText(const QString& text, std::chrono::milliseconds timeout = 8s)
    {
        return WaitFor([&] { return form_->Editor->toPlainText() == text; }, timeout);
    }

    // A gauge made by hand: connects and waits until the window took the connection.
    void ConnectHandMadeGauge()
    {
        gaugeFd_ = IrDAGauge::ConnectToService(Air());
        ASSERT_GE(gaugeFd_, 0);
        ASSERT_TRUE(WaitFor([&] { return form_->DisplayState == dsReceiving; }, 5s));
    }
    void GaugeSends(const std::string& bytes)
    {
        ASSERT_EQ(::send(gaugeFd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }

    // Numbered readings, one a line, cut to `size` bytes: the order shows in the text.
    static std::string Burst(size_t size)
    {
        std::string text;
        for (int i = 1; text.size() < size; ++i) {
            char line[32];
            std::snprintf(line, sizeof line, "%03d:  0.%03d mm\n", i, 100 + i);
            text += line;
        }
        text.resize(size);
        return text;
    }

    int gaugeFd_ = -1;
};

} // namespace

TEST_F(IrDAGaugeWindowTest, GaugeConnectsToTheListenerAndItsBurstAppearsInOrder)
{
    ConnectTag10();
    EXPECT_EQ(form_->DisplayState, dsSearching);
    const std::string burst = Burst(250);
    StartIrDASim(ClientGauge(burst));
    ASSERT_TRUE(WaitForText(QString::fromStdString(burst))) << form_->Editor->toPlainText().toStdString();
    EXPECT_EQ(form_->DisplayState, dsReceiving);
    EXPECT_TRUE(form_->StatusPanels[0]->text().startsWith("Connected..."));
    EXPECT_EQ(form_->StatusPanels[3]->text().toStdString(), "Lakmo 3X0/3X00 / Sonavel 3 (Infrared)");
    // The item is not used on this path.
    EXPECT_NE(form_->Connection->LinkState(), lsConnected);

    // DABRIX_E2E_SHOT=<file.png> keeps a picture of the receiving window.
    if (const char* shot = std::getenv("DABRIX_E2E_SHOT")) {
        form_->resize(820, 480);
        WaitFor([] { return false; }, 200ms);
        EXPECT_TRUE(form_->grab().save(QString::fromLocal8Bit(shot)));
    }
}

TEST_F(IrDAGaugeWindowTest, EachReadEventTakesAtMost101Bytes)
{
    ConnectTag10();
    ConnectHandMadeGauge();
    const std::string burst = Burst(250);
    GaugeSends(burst);
    // The bytes are waiting on the socket at once. The read events are handled here by
    // hand, without the event loop in between, so each shows what one of them takes.
    const size_t expected[] = {101, 202, 250, 250};
    for (size_t total : expected) {
        form_->IrDAEvent(1);
        EXPECT_EQ(form_->Editor->toPlainText().toStdString(), burst.substr(0, total));
    }
}

TEST_F(IrDAGaugeWindowTest, DataOutsideReceivingAreReadAndDropped)
{
    ConnectTag10();
    ConnectHandMadeGauge();
    struct Case {
        TDisplayState state;
        bool shown;
    };
    const Case cases[] = {{dsPaused, false}, {dsDisconnected, false}, {dsSearching, false}, {dsReceiving, true}};
    std::string shown;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        form_->DisplayState = c.state;
        const std::string text = "state " + std::to_string(static_cast<int>(c.state)) + ";";
        GaugeSends(text);
        WaitFor([] { return false; }, 300ms);
        if (c.shown)
            shown += text;
        EXPECT_EQ(form_->Editor->toPlainText().toStdString(), shown);
    }
    // Zero bytes are left out; the bytes after them in the same read are kept.
    GaugeSends(std::string("end\0rest\0", 9));
    ASSERT_TRUE(WaitForText(QString::fromStdString(shown + "endrest")));
}

TEST_F(IrDAGaugeWindowTest, GaugeThatReconnectsFindsTheSameListener)
{
    ConnectTag10();
    const std::string listener = WindowParticipant();
    StartIrDASim(ClientGauge("first;"));
    ASSERT_TRUE(WaitForText("first;"));
    ASSERT_EQ(form_->DisplayState, dsReceiving);

    StopSim();
    ASSERT_TRUE(WaitFor([&] { return form_->DisplayState == dsSearching; }, 5s));
    EXPECT_FALSE(form_->IrDAAcceptSocket);
    EXPECT_EQ(WindowParticipant(), listener);

    StartIrDASim(ClientGauge("second;"));
    ASSERT_TRUE(WaitForText("first;second;"));
    EXPECT_EQ(form_->DisplayState, dsReceiving);
    EXPECT_EQ(WindowParticipant(), listener);
    EXPECT_TRUE(form_->StatusPanels[0]->text().startsWith("Connected..."));
}

TEST_F(IrDAGaugeWindowTest, DisconnectClosesBothSocketsAndConnectListensAnew)
{
    ConnectTag10();
    const std::string first = WindowParticipant();
    StartIrDASim(ClientGauge("before;"));
    ASSERT_TRUE(WaitForText("before;"));
    ASSERT_TRUE(form_->IrDAAcceptSocket);

    form_->act_interface_disconneced->trigger();
    EXPECT_FALSE(form_->IrDAListenSocket);
    EXPECT_FALSE(form_->IrDAAcceptSocket);
    EXPECT_EQ(WindowParticipant(), "");
    // The gauge sees its link closed.
    ASSERT_TRUE(WaitFor([&] { return !sim_->Stats().peerOpen; }, 5s));
    EXPECT_EQ(form_->DisplayState, dsDisconnected);

    // A fresh gauge on the next Connect's new listener.
    StopSim();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(form_->IrDAListenSocket);
    const std::string second = WindowParticipant();
    ASSERT_FALSE(second.empty());
    EXPECT_NE(second, first);
    StartIrDASim(ClientGauge("after;"));
    ASSERT_TRUE(WaitForText("before;after;"));
}

TEST_F(IrDAGaugeWindowTest, ReadingsSentWhileSaveAsIsOpenAreInTheEditorAfterwards)
{
    ConnectTag10();
    ConnectHandMadeGauge();
    const QString path = QDir(dir_.path()).filePath("saved.txt");
    dialogs_.saveNames.push_back(path);
    dialogs_.whileOpen = [&] {
        GaugeSends("during the dialog;");
        WaitFor([] { return false; }, 300ms);
    };
    form_->act_file_saveas->trigger();
    EXPECT_TRUE(WaitForText("during the dialog;", 2s)) << form_->Editor->toPlainText().toStdString();
}

TEST_F(IrDAGaugeWindowTest, WithoutAirTheInfraredGaugeCannotBeChosen)
{
    env_.Unset("DABRIX_IRDA_DIR");
    WriteGaugeSettings(10, 0);
    Create();
    Show();
    EXPECT_FALSE(GaugeItem(10)->isEnabled());
    EXPECT_FALSE(form_->menuitem_IrDA->isEnabled());
    EXPECT_FALSE(form_->menuitem_IrDA->isChecked());
}

TEST_F(IrDAGaugeWindowTest, ClosingTheWindowClosesTheListenerAndTheGaugesLink)
{
    ConnectTag10();
    StartIrDASim(ClientGauge("reading;"));
    ASSERT_TRUE(WaitForText("reading;"));
    serial_.reset();
    info_.reset();
    form_.reset();
    EXPECT_EQ(WindowParticipant(), "");
    EXPECT_TRUE(WaitFor([&] { return !sim_->Stats().peerOpen; }, 5s));
}

TEST_F(IrDAGaugeWindowTest, WithAutoDiscoveryTheItemConnectsToTheGaugeNamedLakmo3)
{
    // A gauge in range offering IrCOMM itself; the window's listener finds no client.
    SimOptions o = LineGauge({"12.5 um", "12.6 um"}, 200, 57600);
    o.irda = true;
    o.irdaDir = Air();
    o.irdaId = 0x1A2B3C4D;
    StartIrDASim(o);
    ConnectTag10();
    // The window leaves the infrared mode disabled; a user of the manager turns it on.
    ASSERT_EQ(form_->KTXComm2Manager1->IrDAMode(), imDisabled);
    form_->KTXComm2Manager1->SetIrDAMode(imAutoDiscovery);
    ASSERT_EQ(form_->KTXComm2Manager1->IrDAMode(), imAutoDiscovery);

    // The first poll comes after 5 s.
    ASSERT_TRUE(WaitForLinkState(lsConnected, 12s));
    const TDevices& found = form_->KTXComm2Manager1->IrDADevices();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Name, "Lakmo 3");
    EXPECT_EQ(found[0].SerialNo, "1234");
    EXPECT_EQ(form_->Connection->Port(), portIrDA);
    ASSERT_TRUE(WaitForLines(3, 8s)) << form_->Editor->toPlainText().toStdString();
    const QStringList lines = EditorLines();
    EXPECT_TRUE(lines[0] == "12.5 um" || lines[0] == "12.6 um") << lines[0].toStdString();
    EXPECT_TRUE(sim_->Stats().peerOpen);
    EXPECT_EQ(form_->DisplayState, dsReceiving);
}
