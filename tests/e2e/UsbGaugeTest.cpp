// The main window against simulated USB gauges: the bridge library and the USB bus are
// the project's simulated ones. Data arrives on the link's receive thread and must reach
// the editor in order; two matching gauges are offered for choice. The library signals
// the receive event as the vendor's does, with nothing but its condition variable; its
// lost-wake-up variant signals only while the receive thread is not waiting. A Lakmo 450
// is read through Dabrix's own libftdi1 provider as well, over a fake libftdi1 bus.
#include "app/SelectDeviceForm.h"
#include "app/StatusPanel.h"
#include "app/tests/MainFormFixture.h"
#include "comm/KTXComm2Item.h"
#include "comm/d2xx/D2XXUsbLink.h"
#include "manager/KTXComm2Manager.h"
#include "tests/sim/d2xx/SimD2XXControl.h"
#include "tests/support/EventLoop.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <chrono>
#include <string>

using namespace std::chrono_literals;
using dabrix::test::WaitFor;

namespace {

constexpr uint32_t kBridgeId = 0x04036001;  // vendor 0403, product 6001

class UsbGaugeWindowTest : public MainFormTest {
protected:
    virtual const char* LibraryPath() const { return DABRIX_SIM_D2XX_PATH; }
    // Where the gauge side is driven; loaded before the window binds LibraryPath().
    virtual const char* ControlPath() const { return LibraryPath(); }

    void SetUp() override
    {
        MainFormTest::SetUp();
        env_.Set("DABRIX_D2XX_LIBRARY", LibraryPath());
        sim_ = std::make_unique<dabrix::test::SimD2XX>(ControlPath());
        sim_->Reset();
        // As at the program's start, before the window makes its connection item.
        dabrix::comm::InstallD2XXUsbLinkFactory();
    }
    void TearDown() override
    {
        MainFormTest::TearDown();
        dabrix::comm::SetUsbLinkFactory(nullptr);
        sim_->Reset();
    }

    // A bridge gauge plugged in: known to the bridge library and present on the bus.
    void Plug(const std::string& serial, const std::string& product)
    {
        ASSERT_EQ(sim_->AddDevice(serial, product, kBridgeId), 0);
        QFile file(QDir(dir_.path()).filePath(QString::fromStdString("usb/" + serial + ".usb")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("vid=0403\npid=6001\nserial=" + serial + "\nproduct=" + product + "\n").c_str());
    }

    // Starts the window with a USB gauge chosen (the Lakmo 3X00 unless told) and waits
    // until the manager lists `gauges` of them.
    void StartWithUsbGauge(size_t gauges, int tag = 8)
    {
        WriteIni("[Config]\nDevice=" + std::to_string(tag) + "\n");
        Create();
        Show();
        ASSERT_TRUE(WaitFor([&] { return form_->KTXComm2Manager1->USBGauges().size() == gauges; }));
    }

    bool IsOpen(const std::string& serial) { return sim_->Settings(serial).Open != 0; }

    std::unique_ptr<dabrix::test::SimD2XX> sim_;
};

TEST_F(UsbGaugeWindowTest, TextFromTheReceiveThreadReachesTheEditorUnchangedAndInOrder)
{
    Plug("LK3A0001", "Lakmo3 USB Adapter");
    StartWithUsbGauge(1);
    EXPECT_TRUE(form_->menuitem_USB->isChecked());
    form_->act_interface_conneced->trigger();
    ASSERT_EQ(form_->Connection->LinkState(), lsConnected);  // a USB link opens at once
    EXPECT_TRUE(IsOpen("LK3A0001"));
    EXPECT_EQ(form_->ConnectedName, "Lakmo3 USB Adapter (LK3A0001)");

    std::string sent;
    for (int i = 0; i < 300; ++i) {
        const std::string line = "#" + std::to_string(i) + " 12.5 um\r\n";
        ASSERT_EQ(sim_->GaugeSend("LK3A0001", std::vector<uint8_t>(line.begin(), line.end())), 0);
        sent += line;
    }
    QString expected = QString::fromStdString(sent);
    expected.replace("\r\n", "\n");
    ASSERT_TRUE(WaitFor([&] { return form_->Editor->toPlainText().size() >= expected.size(); }, 10s));
    EXPECT_EQ(form_->Editor->toPlainText(), expected);
    EXPECT_EQ(form_->DisplayState, dsReceiving);
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     Lakmo3 USB Adapter (LK3A0001)");
    EXPECT_EQ(form_->StatusPanels[1]->text(), "USB");
    EXPECT_EQ(form_->StatusPanels[2]->text(), "57600 Baud");

    // The adapter wake-up: DTR and RTS off, 100 ms, DTR on, 10 ms.
    const std::string linesBefore = sim_->Lines("LK3A0001");
    const auto start = std::chrono::steady_clock::now();
    form_->WakeInfraredAdapter();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 110ms);
    const std::string lines = sim_->Lines("LK3A0001");
    ASSERT_GE(lines.size(), linesBefore.size());
    std::string added = lines.substr(linesBefore.size());
    if (!added.empty() && added.front() == ',')
        added.erase(0, 1);
    EXPECT_EQ(added, "DTR=0,RTS=0,DTR=1");

    form_->act_interface_disconneced->trigger();
    EXPECT_FALSE(IsOpen("LK3A0001"));
}

TEST_F(UsbGaugeWindowTest, TwoMatchingGaugesAreOfferedAndClosingTheChoiceOpensNeither)
{
    Plug("A1", "Lakmo3 USB Adapter");
    Plug("B2", "Lakmo3 USB Multibox");
    StartWithUsbGauge(2);

    QStringList offered;
    dialogs_.onShowModal = [&](QDialog& dialog) {
        EXPECT_EQ(&dialog, form_->SelectDeviceDialog());
        offered = form_->SelectDeviceDialog()->Devices();
        dialog.open();
        dialog.close();
        return dialog.result();
    };
    form_->act_interface_conneced->trigger();
    offered.sort();
    EXPECT_EQ(offered, (QStringList{"Lakmo3 USB Adapter (A1)", "Lakmo3 USB Multibox (B2)"}));
    EXPECT_EQ(form_->SelectDeviceDialog(), nullptr);
    EXPECT_EQ(form_->Connection->LinkState(), lsDisconnected);
    EXPECT_FALSE(IsOpen("A1"));
    EXPECT_FALSE(IsOpen("B2"));
    EXPECT_EQ(form_->DisplayState, dsSearching);  // still searching

    // OK without a chosen row opens nothing either; choosing the Multibox opens it.
    dialogs_.onShowModal = [&](QDialog& dialog) {
        dialog.open();
        form_->SelectDeviceDialog()->OK->click();
        return dialog.result();
    };
    form_->act_interface_disconneced->trigger();
    form_->act_interface_conneced->trigger();
    EXPECT_FALSE(IsOpen("A1") || IsOpen("B2"));

    dialogs_.onShowModal = [&](QDialog& dialog) {
        TSelectDeviceForm* form = form_->SelectDeviceDialog();
        dialog.open();
        form->GaugeList->setCurrentRow(static_cast<int>(form->Devices().indexOf("Lakmo3 USB Multibox (B2)")));
        form->OK->click();
        return dialog.result();
    };
    form_->act_interface_disconneced->trigger();
    form_->act_interface_conneced->trigger();
    EXPECT_TRUE(IsOpen("B2"));
    EXPECT_FALSE(IsOpen("A1"));
    EXPECT_EQ(form_->ConnectedName, "Lakmo3 USB Multibox (B2)");
}

struct Library {
    const char* name;
    const char* path;
    const char* control;
};

void PrintTo(const Library& library, std::ostream* out)
{
    *out << library.name;
}

class UsbGaugeLibraryTest : public UsbGaugeWindowTest, public ::testing::WithParamInterface<Library> {
protected:
    const char* LibraryPath() const override { return GetParam().path; }
    const char* ControlPath() const override { return GetParam().control; }
};

TEST_P(UsbGaugeLibraryTest, ALakmo450sReadingsReachTheEditorInOrder)
{
    Plug("LK450A01", "Lakmo 450");
    StartWithUsbGauge(1, 2);
    EXPECT_TRUE(form_->menuitem_USB->isChecked());
    form_->act_interface_conneced->trigger();
    ASSERT_EQ(form_->Connection->LinkState(), lsConnected);
    ASSERT_TRUE(IsOpen("LK450A01"));
    EXPECT_EQ(form_->StatusPanels[2]->text(), "1200 Baud");

    // Readings one by one as the gauge sends them, some cut in two on the wire; the window
    // assembles lines and shows "um" as micrometres.
    QString expected;
    for (int i = 0; i < 120; ++i) {
        const std::string reading = "N" + std::to_string(i) + "  +0." + std::to_string(100 + i) + " um\r\n";
        const size_t cut = i % 3 == 0 ? reading.size() / 2 : reading.size();
        ASSERT_EQ(sim_->GaugeSend("LK450A01", std::vector<uint8_t>(reading.begin(), reading.begin() + cut)), 0);
        if (cut < reading.size()) {
            ASSERT_EQ(sim_->GaugeSend("LK450A01", std::vector<uint8_t>(reading.begin() + cut, reading.end())), 0);
        }
        expected += QString::fromStdString("N" + std::to_string(i) + "  +0." + std::to_string(100 + i))
                    + QStringLiteral(" \u00B5m\n");
    }
    ASSERT_TRUE(WaitFor([&] { return form_->Editor->toPlainText().size() >= expected.size(); }, 10s))
        << form_->Editor->toPlainText().size() << " of " << expected.size() << " characters";
    EXPECT_EQ(form_->Editor->toPlainText(), expected);
    EXPECT_EQ(form_->DisplayState, 4);

    // A reading that comes after a quiet spell arrives too.
    dabrix::test::RunEventsFor(300ms);
    const std::string late = "N999  +0.999 um\r\n";
    ASSERT_EQ(sim_->GaugeSend("LK450A01", std::vector<uint8_t>(late.begin(), late.end())), 0);
    expected += QStringLiteral("N999  +0.999 \u00B5m\n");
    ASSERT_TRUE(WaitFor([&] { return form_->Editor->toPlainText() == expected; }, 5s));

    form_->act_interface_disconneced->trigger();
    EXPECT_FALSE(IsOpen("LK450A01"));
}

INSTANTIATE_TEST_SUITE_P(Libraries, UsbGaugeLibraryTest,
                         ::testing::Values(Library{"SignalOnArrival", DABRIX_SIM_D2XX_PATH, DABRIX_SIM_D2XX_PATH},
                                           Library{"LostWakeUps", DABRIX_SIM_D2XX_LOST_WAKEUP_PATH,
                                                   DABRIX_SIM_D2XX_LOST_WAKEUP_PATH},
                                           Library{"LibftdiProvider", DABRIX_FTD2XX_PATH,
                                                   DABRIX_FAKE_LIBFTDI1_PATH}),
                         [](const ::testing::TestParamInfo<Library>& info) { return std::string(info.param.name); });

} // namespace
