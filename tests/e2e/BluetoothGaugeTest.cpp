// The main window against the gauge simulator's Bluetooth gauge on the simulated
// Bluetooth stack: the watcher finds the gauge, Connect opens RFCOMM on the channel the
// service search finds, the readings reach the editor; a Tag 12 gauge that drops its
// link is connected again on the eleventh tick.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QDir>
#include <QPixmap>
#include <QPlainTextEdit>

#include <chrono>
#include <cstdlib>

using namespace std::chrono_literals;
using dabrix::test::WaitFor;

namespace {

class BluetoothGaugeWindowTest : public GaugeWindowTest {
protected:
    // A Bluetooth gauge sending `lines` every `intervalMs` on RFCOMM channel `channel`.
    dabrix::tools::SimOptions BluetoothGauge(const std::string& name, const std::vector<std::string>& lines,
                                             int intervalMs, int channel) const
    {
        dabrix::tools::SimOptions o = LineGauge(lines, intervalMs, 115200);
        o.bluetooth = true;
        o.btDir = QDir(dir_.path()).filePath("bt").toStdString();
        o.btName = name;
        o.btChannel = channel;
        return o;
    }

    void StartBluetoothSim(const dabrix::tools::SimOptions& options)
    {
        sim_ = std::make_unique<dabrix::tools::GaugeSimulator>(options);
        ASSERT_EQ(sim_->Open(), -1) << sim_->ErrorText();
        simThread_ = std::thread([this] { sim_->Run(); });
    }
};

} // namespace

TEST_F(BluetoothGaugeWindowTest, Tag14FindsTheGaugeAndShowsItsReadings)
{
    StartBluetoothSim(BluetoothGauge("Gauge_2600", {"  0.250 mm", "  0.260 mm"}, 200, 3));
    WriteGaugeSettings(14, 0);
    Create();
    Show();
    ASSERT_TRUE(form_->menuitem_Bluetooth->isChecked());
    ASSERT_TRUE(GaugeItem(14)->isEnabled());
    ASSERT_TRUE(GaugeItem(12)->isEnabled());
    form_->act_interface_conneced->trigger();

    // The watcher's first pass takes 5 inquiry units (6.4 s).
    ASSERT_TRUE(WaitForLinkState(lsConnected, 20s));
    const TDevices& found = form_->KTXComm2Manager1->BTDevices();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(dabrix::app::CandidateText(portBT, found[0]), QStringLiteral("Gauge_2600 (00:11:22:33:44:AA)"));
    ASSERT_TRUE(WaitForLines(4, 10s)) << form_->Editor->toPlainText().toStdString();
    const QStringList lines = EditorLines();
    EXPECT_TRUE(lines[0] == "  0.250 mm" || lines[0] == "  0.260 mm") << lines[0].toStdString();
    EXPECT_TRUE(sim_->Stats().peerOpen);
    EXPECT_EQ(form_->StatusPanels[0]->text().toStdString(), "Connected...     Gauge_2600 (00:11:22:33:44:AA)");
    EXPECT_EQ(form_->StatusPanels[3]->text().toStdString(), "Lakmo 2600 Bluetooth");
    EXPECT_EQ(form_->ConnectedName, QStringLiteral("Gauge_2600 (00:11:22:33:44:AA)"));

    // DABRIX_E2E_SHOT=<file.png> keeps a picture of the receiving window.
    if (const char* shot = std::getenv("DABRIX_E2E_SHOT")) {
        ASSERT_TRUE(WaitForLines(12, 10s));
        form_->resize(820, 480);  // wide enough for the status panels side by side
        WaitFor([] { return false; }, 200ms);
        EXPECT_TRUE(form_->grab().save(QString::fromLocal8Bit(shot)));
    }
}

TEST_F(BluetoothGaugeWindowTest, Tag12IsOpenedAgainOnTheEleventhTickAfterTheGaugeDropsItsLink)
{
    dabrix::tools::SimOptions options = BluetoothGauge("Gauge_335", {"  1.00 mm"}, 200, 1);
    options.btAddress = 0x00112233445BULL;
    options.btDropAfter = 3;
    StartBluetoothSim(options);
    WriteGaugeSettings(12, 0);
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected, 20s));
    ASSERT_TRUE(WaitForLines(3, 10s));

    // The gauge drops the link; its device file stays, so the item reports a disconnect
    // and no removal.
    ASSERT_TRUE(WaitForLinkState(lsDisconnected, 5s));
    const auto lostAt = std::chrono::steady_clock::now();
    EXPECT_TRUE(form_->WasConnected);
    EXPECT_EQ(form_->KTXComm2Manager1->BTDevices().size(), 1u);

    ASSERT_TRUE(WaitForLinkState(lsConnected, 20s));
    const auto reopenedAfter = std::chrono::steady_clock::now() - lostAt;
    EXPECT_GE(reopenedAfter, 9s);
    EXPECT_LT(reopenedAfter, 14s);
    const int before = static_cast<int>(EditorLines().size());
    ASSERT_TRUE(WaitForLines(before + 2, 10s));
}
