// The main window against simulated USB gauges: the bridge library and the USB bus are
// the project's simulated ones. Data arrives on the link's receive thread and must reach
// the editor in order; two matching gauges are offered for choice.
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
    void SetUp() override
    {
        MainFormTest::SetUp();
        env_.Set("DABRIX_D2XX_LIBRARY", DABRIX_SIM_D2XX_PATH);
        sim_ = std::make_unique<dabrix::test::SimD2XX>(DABRIX_SIM_D2XX_PATH);
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

    // Starts the window with the Lakmo 3X00 USB gauge chosen and waits until the manager
    // lists `gauges` of them.
    void StartWithUsbGauge(size_t gauges)
    {
        WriteIni("[Config]\nDevice=8\n");
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

} // namespace
