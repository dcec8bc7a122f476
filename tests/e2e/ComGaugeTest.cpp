// The main window against a simulated COM gauge: choosing the gauge and its port,
// connecting, readings in the editor, the once-a-second poll, echo, unplugging, choosing
// the gauge again, and the search that goes on after a failed attempt.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>

#include <chrono>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;

namespace {

const QString kMicro = QString(QChar(0xB5));

// Samples panel 0 for `duration` and returns each text it showed, once per change.
std::vector<QString> PanelTexts(const TStatusPanel& panel, std::chrono::milliseconds duration)
{
    std::vector<QString> seen;
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        RunEventsFor(20ms);
        if (seen.empty() || seen.back() != panel.text())
            seen.push_back(panel.text());
    }
    return seen;
}

TEST_F(GaugeWindowTest, ManualOnTheSimulatorsPortShowsItsReadings)
{
    const int com = StartSim(LineGauge({"  12.5 um", "  13.0 um"}, 100, 9600));
    ASSERT_GT(com, 0);
    Create();
    Show();
    ASSERT_NE(WaitForComItem(com), nullptr);
    dialogs_.onShowModal = [&](QDialog&) {
        QComboBox* ports = serial_->combobox_ComPort;
        ports->setCurrentIndex(ports->findText(QStringLiteral("COM%1").arg(com)));
        serial_->combobox_Baudrate->setCurrentText("9600");
        return 0;
    };
    form_->menuitem_Manuell->trigger();

    ASSERT_TRUE(WaitForLines(6)) << form_->Editor->toPlainText().toStdString();
    const QString separator = QLocale::system().decimalPoint();
    const QStringList lines = EditorLines();
    for (int i = 0; i < 6; ++i) {
        const QString expected = i % 2 == 0 ? "  12" + separator + "5 " + kMicro + "m"
                                            : "  13" + separator + "0 " + kMicro + "m";
        EXPECT_EQ(lines[i], expected) << i;
    }
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
    EXPECT_EQ(form_->StatusPanels[1]->text(), QStringLiteral("COM%1").arg(com));
    EXPECT_EQ(form_->StatusPanels[2]->text(), "9600 Baud");
    EXPECT_EQ(form_->StatusPanels[3]->text(), "Manual");
    EXPECT_EQ(sim_->Stats().enqs, 0);  // Manual is not polled
}

TEST_F(GaugeWindowTest, ASilentPolledGaugeIsAskedOnceASecondWhileTheStatusBlinks)
{
    const int com = StartSim(SilentGauge(1200));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(1, com);  // Lakmo (10...70): polled, 1200 baud
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected));

    const long long before = sim_->Stats().enqs;
    const std::vector<QString> shown = PanelTexts(*form_->StatusPanels[0], 3500ms);
    const long long asked = sim_->Stats().enqs - before;
    EXPECT_GE(asked, 3);
    EXPECT_LE(asked, 4);
    EXPECT_GE(shown.size(), 4u);  // shown, blank, shown, blank...
    for (const QString& text : shown)
        EXPECT_TRUE(text == "Search device..." || text.isEmpty()) << text.toStdString();
    for (uint8_t byte : sim_->Stats().received)
        EXPECT_EQ(byte, 0x05);
    EXPECT_TRUE(form_->Editor->toPlainText().isEmpty());
}

TEST_F(GaugeWindowTest, ThePromptThatAnswersAPollIsNotShown)
{
    dabrix::tools::SimOptions gauge = SilentGauge(9600);
    gauge.prompt = true;  // answers each ENQ with CR LF "> "
    const int com = StartSim(gauge);
    ASSERT_GT(com, 0);
    WriteGaugeSettings(4, com);  // Lakmo HX: polled
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitFor([&] { return sim_->Stats().prompts >= 3; }, 6s));
    RunEventsFor(200ms);
    EXPECT_TRUE(form_->Editor->toPlainText().isEmpty());
    EXPECT_TRUE(form_->LineReader.LineBuffer.isEmpty());
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
}

TEST_F(GaugeWindowTest, AGaugeThatSendsEverySecondIsNeverPolled)
{
    const int com = StartSim(LineGauge({"4.20"}, 300, 9600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(3, com);  // Lakmo (101...410): polled
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(1));
    const std::vector<QString> shown = PanelTexts(*form_->StatusPanels[0], 3500ms);
    EXPECT_EQ(shown, std::vector<QString>{"Connected...     "});
    EXPECT_GE(EditorLines().size(), 10);
    EXPECT_EQ(sim_->Stats().enqs, 0);
}

TEST_F(GaugeWindowTest, TheInfraredAdapterGaugeHasEveryCharacterEchoedUntilTheSyncLine)
{
    const int com = StartSim(LineGauge({"1.5 um", "2.5", ">OK"}, 150, 9600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(6, com);  // Pricor (Infraredadapter at COM): echo
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitFor([&] { return form_->LineReader.SyncSeen; }, 5s));
    RunEventsFor(600ms);  // the gauge goes on sending; nothing more is shown or echoed

    const QString separator = QLocale::system().decimalPoint();
    EXPECT_EQ(EditorLines(), (QStringList{"1" + separator + "5 " + kMicro + "m", "2" + separator + "5", "Sync..."}));
    std::string echoed;
    for (uint8_t byte : sim_->Stats().received)
        if (byte != 0x05)  // polls
            echoed += static_cast<char>(byte);
    EXPECT_EQ(echoed, "1.5 um\r\n2.5\r\n");
}

TEST_F(GaugeWindowTest, UnpluggingThePortInUseDisconnectsAndRemovesItsItem)
{
    const int com = StartSim(LineGauge({"1.5"}, 200, 57600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(9, com);
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(1));
    ASSERT_NE(WaitForComItem(com), nullptr);

    UnplugSim();
    EXPECT_TRUE(WaitFor([&] { return form_->act_interface_conneced->isEnabled(); }, 5s));
    EXPECT_FALSE(form_->act_interface_disconneced->isEnabled());
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
    EXPECT_NE(form_->Connection->LinkState(), lsConnected);
    for (QAction* item : form_->ComPortItems())
        EXPECT_NE(TagOf(item), com);
}

TEST_F(GaugeWindowTest, ChoosingTheCurrentGaugeAgainReconnectsWithoutApplyingItsRowAgain)
{
    const int com = StartSim(LineGauge({"1.5"}, 100, 57600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(9, com);  // Lakmo 3X00 (COM): 57600 baud
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected));
    // A rate of the user's that the gauge's row would undo (the link reopens at it).
    form_->Connection->SetBaudRate(19200);
    ASSERT_TRUE(WaitForLinkState(lsConnected));

    std::vector<TNotificationEvent> events;
    auto handler = form_->Connection->OnNotification;
    form_->Connection->OnNotification = [&, handler](TObject* s, TNotificationEvent e, const TDevice& d, int error) {
        events.push_back(e);
        handler(s, e, d, error);
    };
    GaugeItem(9)->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected));
    EXPECT_EQ(events, (std::vector<TNotificationEvent>{neDisconnect, neConnect}));
    EXPECT_EQ(form_->Connection->BaudRate(), 19200u);
    EXPECT_TRUE(form_->WasConnected);
    EXPECT_TRUE(GaugeItem(9)->isChecked());
    const int lines = static_cast<int>(EditorLines().size());
    EXPECT_TRUE(WaitForLines(lines + 3));
}

TEST_F(GaugeWindowTest, ANewConnectionShowsTheReadingsAgainAfterASyncLine)
{
    const int com = StartSim(LineGauge({"1.5"}, 200, 57600));
    ASSERT_GT(com, 0);
    WriteGaugeSettings(9, com);  // never polled: nothing else would end the pause
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(2));

    // A line that starts with ">" arrives between two readings.
    ASSERT_TRUE(WaitFor([&] { return form_->LineReader.LineBuffer.isEmpty(); }));
    TTelegramData sync;
    sync.Data.Assign(reinterpret_cast<const uint8_t*>(">OK\r\n"), 5);
    TBuffer response;
    form_->KTXComm2Manager1Connections0Telegram(nullptr, sync, response);
    const int lines = static_cast<int>(EditorLines().size());
    EXPECT_EQ(EditorLines().last(), "Sync...");
    RunEventsFor(800ms);
    EXPECT_EQ(EditorLines().size(), lines);

    form_->act_interface_disconneced->trigger();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLines(lines + 2));
    EXPECT_FALSE(form_->LineReader.SyncSeen);
    EXPECT_TRUE(EditorLines().last().startsWith("1"));
}

TEST_F(GaugeWindowTest, AfterAFailedAttemptTheSearchGoesOnAndAPortFoundLaterIsOpened)
{
    // COM47 is a link that does not lead anywhere yet.
    const QString link = QDir(dir_.path()).filePath("gauge-link");
    {
        QFile map(QString::fromStdString(ConfigFolder()) + "/ComPorts.ini");
        ASSERT_TRUE(map.open(QIODevice::WriteOnly));
        map.write(("[Ports]\nCOM47=" + link + "\n").toUtf8());
    }
    WriteGaugeSettings(9, 47);
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    EXPECT_TRUE(form_->CandidateList.empty());

    // The link reports a connect attempt that failed.
    form_->KTXComm2Manager1Connections0Notification(nullptr, neConnect, TDevice{}, 10061);
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_FALSE(form_->act_interface_conneced->isEnabled());
    EXPECT_FALSE(form_->WasConnected);

    // The gauge is plugged in: its port appears as COM47 and is opened.
    ASSERT_GT(StartSim(LineGauge({"1.5"}, 100, 57600)), 0);
    ASSERT_EQ(::symlink(sim_->SlavePath().c_str(), link.toLocal8Bit().constData()), 0);
    ASSERT_TRUE(WaitForLinkState(lsConnected, 5s));
    EXPECT_TRUE(WaitForLines(2));
    EXPECT_TRUE(form_->WasConnected);
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM47");
}

} // namespace
