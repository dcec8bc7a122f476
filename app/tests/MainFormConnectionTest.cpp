// The Gauge and Port menus at work: COM items as ports come and go, the COM settings
// dialog, the search for the chosen gauge, Connect and Disconnect, the item's
// notifications, the status bar and the once-a-second tick.
#include "app/tests/MainFormFixture.h"

#include "app/Images.h"
#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "tests/support/EventLoop.h"
#include "transport/lnkSerialDiscovery.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class PortMenuTest : public MainFormTest {
protected:
    // The manager's serial discovery reports a port (as its watcher would).
    void Found(int number)
    {
        const TlnkSerialDevice port(QStringLiteral("Communications Port (COM%1)").arg(number), false,
                                    static_cast<uint32_t>(number));
        form_->KTXComm2Manager1->SerialPortFound(nullptr, &port);
    }
    void Lost(int number)
    {
        const TlnkSerialDevice port(QString(), false, static_cast<uint32_t>(number));
        form_->KTXComm2Manager1->SerialPortLost(nullptr, &port);
    }
    std::vector<int> ComTags() const
    {
        std::vector<int> tags;
        for (const QAction* item : form_->ComPortItems())
            tags.push_back(TagOf(item));
        return tags;
    }
    QAction* ComItem(int number) const
    {
        for (QAction* item : form_->ComPortItems())
            if (TagOf(item) == number)
                return item;
        return nullptr;
    }
    QAction* GaugeItem(int tag) const
    {
        for (QAction* item : form_->menuitem_Device->actions())
            if (!item->isSeparator() && TagOf(item) == tag)
                return item;
        return nullptr;
    }
    static TDevice ComDevice(int number)
    {
        TDevice d;
        d.Name = "Communications Port (COM" + std::to_string(number) + ")";
        d.Info = "COM" + std::to_string(number);
        d.PortNumber = number;
        return d;
    }
};

// ---- COM items --------------------------------------------------------------------------

TEST_F(PortMenuTest, ComItemsStayInAscendingOrderWhateverOrderPortsAppearIn)
{
    Create();
    Found(10);
    Found(1);
    Found(3);
    EXPECT_EQ(ComTags(), (std::vector<int>{1, 3, 10}));
    Found(2);
    EXPECT_EQ(ComTags(), (std::vector<int>{1, 2, 3, 10}));

    // A second report of a port, a port without a number and other port kinds add nothing.
    TKTXComm2Manager* manager = form_->KTXComm2Manager1.get();
    form_->KTXComm2Manager1DeviceFound(manager, portCOM, ComDevice(3));
    form_->KTXComm2Manager1DeviceFound(manager, portCOM, ComDevice(0));
    form_->KTXComm2Manager1DeviceFound(manager, portUSB, ComDevice(5));
    EXPECT_EQ(ComTags(), (std::vector<int>{1, 2, 3, 10}));

    // The fixed items stay in front; a COM item is a radio item named like its caption.
    const QList<QAction*> items = form_->menuitem_Port->actions();
    EXPECT_EQ(items[5], form_->menuitem_Bluetooth);
    QAction* com2 = ComItem(2);
    ASSERT_NE(com2, nullptr);
    EXPECT_EQ(com2->text(), "COM2");
    EXPECT_EQ(com2->objectName(), "COM2");
    EXPECT_TRUE(com2->isCheckable());
    EXPECT_TRUE(com2->isEnabled());
    EXPECT_FALSE(com2->isChecked());
}

TEST_F(PortMenuTest, ANewComItemIsDisabledWhileAnotherPortKindIsMarked)
{
    Create();
    form_->menuitem_USB->setChecked(true);
    Found(4);
    ASSERT_NE(ComItem(4), nullptr);
    EXPECT_FALSE(ComItem(4)->isEnabled());
}

TEST_F(PortMenuTest, ALostPortTakesOnlyItsOwnItem)
{
    Create();
    Found(1);
    Found(3);
    Lost(3);
    EXPECT_EQ(ComTags(), std::vector<int>{1});
    // A report without a port number must not take a fixed item (they carry Tag 0).
    form_->KTXComm2Manager1DeviceLost(form_->KTXComm2Manager1.get(), portCOM, ComDevice(0));
    EXPECT_EQ(form_->menuitem_Port->actions().size(), 7);
    EXPECT_EQ(form_->menuitem_Port->actions()[5], form_->menuitem_Bluetooth);
}

TEST_F(PortMenuTest, ClickingAComItemChoosesThatPortAndKeepsItMarked)
{
    Create();
    Show();
    Found(43);
    Found(45);
    QAction* com45 = ComItem(45);
    ASSERT_NE(com45, nullptr);
    com45->trigger();
    EXPECT_EQ(form_->ComPortNumber, 45);
    EXPECT_TRUE(com45->isChecked());
    ASSERT_NE(form_->Connection->Device(), nullptr);
    EXPECT_EQ(form_->Connection->Device()->Device.PortNumber, 45);
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM45");
    com45->trigger();  // a second click leaves the mark
    EXPECT_TRUE(com45->isChecked());
    ComItem(43)->trigger();
    EXPECT_FALSE(com45->isChecked());
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM43");
}

// ---- Gauges follow the port kinds on offer ----------------------------------------------------

TEST_F(PortMenuTest, GaugesAreEnabledByThePortKindTheyNeed)
{
    Create();
    Show();
    auto check = [&](const char* what) {
        SCOPED_TRACE(what);
        const TPorts offered = form_->KTXComm2Manager1->Ports();
        ASSERT_TRUE(offered.Contains(portCOM));
        ASSERT_FALSE(offered.Contains(portIrDA));  // no infrared air here
        for (int tag = 0; tag <= 14; ++tag) {
            const bool usb = tag == 2 || tag == 8 || tag == 11 || tag == 13;
            const bool bluetooth = tag == 12 || tag == 14;
            const bool enabled = tag == 10 ? false
                                 : bluetooth ? offered.Contains(portBT)
                                             : !usb || offered.Contains(portUSB);
            EXPECT_EQ(GaugeItem(tag)->isEnabled(), enabled) << tag;
        }
    };
    // The simulated Bluetooth stack's folder is there: its radio is present.
    ASSERT_TRUE(form_->KTXComm2Manager1->Ports().Contains(portBT));
    check("with a Bluetooth radio");
    ASSERT_TRUE(QDir(QDir(dir_.path()).filePath("bt")).removeRecursively());
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return !form_->KTXComm2Manager1->Ports().Contains(portBT); }));
    check("without one");
}

TEST_F(PortMenuTest, AChosenGaugeWhosePortKindHasGoneFallsBackToManualSilently)
{
    ASSERT_TRUE(QDir(QDir(dir_.path()).filePath("bt")).removeRecursively());  // no Bluetooth radio
    Create();
    Show();
    GaugeItem(7)->trigger();
    form_->act_interface_disconneced->trigger();
    // As if the Bluetooth gauge had been chosen while its stack was there.
    GaugeItem(12)->setChecked(true);
    form_->RefreshInterfaces();
    EXPECT_EQ(form_->GaugeTag, 0);
    EXPECT_TRUE(form_->menuitem_Manuell->isChecked());
    EXPECT_TRUE(dialogs_.shownWindows.empty());  // no COM settings dialog
    EXPECT_TRUE(form_->act_interface_conneced->isEnabled());  // and no connection attempt
    EXPECT_FALSE(form_->StartingUp);
}

// ---- The COM settings dialog of the Manual gauge --------------------------------------------

TEST_F(PortMenuTest, ManualOffersThePortsAndTakesTheChosenPortAndRate)
{
    // High numbers: the machine's own serial ports are listed as well.
    Create();
    Show();
    Found(41);
    Found(44);
    int shown = 0;
    dialogs_.onShowModal = [&](QDialog& dialog) {
        ++shown;
        EXPECT_EQ(&dialog, serial_.get());
        QComboBox* ports = serial_->combobox_ComPort;
        const int com41 = ports->findText("COM41");
        const int com44 = ports->findText("COM44");
        EXPECT_GE(com41, 0);
        EXPECT_EQ(com44, com41 + 1);
        EXPECT_EQ(ports->itemData(com44).toInt(), 44);
        if (shown == 1) {
            EXPECT_EQ(ports->currentIndex(), -1);  // no port is marked yet
            EXPECT_EQ(serial_->combobox_Baudrate->currentText(), "9600");
            ports->setCurrentIndex(com44);
            serial_->combobox_Baudrate->setCurrentText("19200");
        } else {
            EXPECT_EQ(ports->currentIndex(), com44);  // the marked port
            EXPECT_EQ(serial_->combobox_Baudrate->currentText(), "19200");
        }
        return 0;
    };
    form_->menuitem_Manuell->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form_->ComPortNumber, 44);
    EXPECT_EQ(form_->ManualBaud, 19200);
    EXPECT_EQ(form_->Connection->BaudRate(), 19200u);
    EXPECT_TRUE(ComItem(44)->isChecked());
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM44");
    EXPECT_EQ(form_->StatusPanels[2]->text(), "19200 Baud");
    // Choosing a gauge starts a connection attempt.
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_FALSE(form_->act_interface_conneced->isEnabled());

    form_->menuitem_Manuell->trigger();
    EXPECT_EQ(shown, 2);
}

TEST_F(PortMenuTest, ManualWithoutAChosenPortKeepsThePortAndRate)
{
    Create();
    Show();
    Found(42);
    dialogs_.onShowModal = [&](QDialog&) {
        EXPECT_GE(serial_->combobox_ComPort->findText("COM42"), 0);
        serial_->combobox_Baudrate->setCurrentText("1200");
        return 0;
    };
    form_->menuitem_Manuell->trigger();
    EXPECT_EQ(form_->ComPortNumber, 0);
    EXPECT_EQ(form_->ManualBaud, 9600);
    EXPECT_EQ(form_->Connection->BaudRate(), 9600u);
}

TEST_F(PortMenuTest, ARateThatIsNoNumberStopsTheChoiceBeforeTheConnectionAttempt)
{
    Create();
    Show();
    Found(42);
    GaugeItem(7)->trigger();  // Layrix at 9600: Manual must apply its row again
    form_->act_interface_disconneced->trigger();
    dialogs_.onShowModal = [&](QDialog&) {
        serial_->combobox_ComPort->setCurrentIndex(serial_->combobox_ComPort->findText("COM42"));
        serial_->combobox_Baudrate->setCurrentText("fast");
        return 0;
    };
    EXPECT_THROW(form_->SetupDevice(form_->menuitem_Manuell), std::invalid_argument);
    EXPECT_EQ(form_->ComPortNumber, 42);  // taken before the rate
    EXPECT_EQ(form_->ManualBaud, 9600);
    EXPECT_TRUE(form_->PollGauge);       // Manual's row was not applied
    EXPECT_EQ(form_->StatusPanels[3]->text(), "Layrix (400, 410)");
    EXPECT_TRUE(form_->act_interface_conneced->isEnabled());  // no connection attempt
}

// ---- The search ------------------------------------------------------------------------------

TEST_F(PortMenuTest, TheSearchForCom1DoesNotTakeCom10)
{
    Create();
    form_->Connection->SetPort(portCOM);
    Found(1);
    Found(10);
    const struct {
        int port;
        int candidates;
        QString text;
    } searches[] = {{1, 1, "Communications Port (COM1)"}, {10, 1, "Communications Port (COM10)"}, {0, 0, ""},
                    {2, 0, ""}};
    for (const auto& s : searches) {
        form_->ComPortNumber = s.port;
        EXPECT_EQ(form_->FindGaugeCandidates(), s.candidates) << s.port;
        ASSERT_EQ(form_->CandidateList.size(), static_cast<size_t>(s.candidates)) << s.port;
        if (s.candidates == 1) {
            EXPECT_EQ(form_->CandidateList[0].first, s.text);
            EXPECT_EQ(form_->CandidateList[0].second->Device.PortNumber, s.port);
        }
    }
}

TEST_F(PortMenuTest, TheInfraredGaugeIsNotSearchedFor)
{
    Create();
    form_->Connection->SetPort(portCOM);
    Found(1);
    form_->ComPortNumber = 1;
    EXPECT_EQ(form_->FindGaugeCandidates(), 1);
    form_->GaugeTag = 10;
    EXPECT_EQ(form_->FindGaugeCandidates(), -1);
    EXPECT_EQ(form_->CandidateList.size(), 1u);  // the earlier list is left alone
}

TEST(PortNumberOf, ReadsTheDigitsRightAfterTheFirstCom)
{
    const struct {
        const char* text;
        int number;
    } cases[] = {
        {"COM3", 3},
        {"Communications Port (COM12)", 12},
        {"COM007", 7},
        {"COM1COM2", 1},
        {"XCOM7Y", 7},
        {"com3", 0},       // case counts
        {"COM 3", 0},      // digits must follow directly
        {"COM", 0},
        {"", 0},
        {"COM2147483647", 2147483647},
        {"COM99999999999", -1},  // no port has that number
    };
    for (const auto& c : cases)
        EXPECT_EQ(TMainForm::PortNumberOf(QString::fromLatin1(c.text)), c.number) << c.text;
}

TEST(CandidateText, NamesTheDeviceByItsPortKind)
{
    auto device = [](std::string name, std::string info, std::string serial, std::string address) {
        TDevice d;
        d.Name = std::move(name);
        d.Info = std::move(info);
        d.SerialNo = std::move(serial);
        d.Address = std::move(address);
        return d;
    };
    const struct {
        TPort port;
        TDevice device;
        const char* listed;     // in the selection dialog
        const char* connected;  // in the status bar
    } cases[] = {
        {portCOM, device("Communications Port (COM3)", "COM3", "", ""), "Communications Port (COM3)", ""},
        {portUSB, device("Lakmo3 USB Adapter", "Lakmo3 USB Adapter", "A1", ""), "Lakmo3 USB Adapter (A1)",
         "Lakmo3 USB Adapter (A1)"},
        {portUSB, device("Gauge_335 (right)", "Gauge_335", "B2", ""), "Gauge_335", "Gauge_335 (right)"},
        {portBT, device("Gauge_335", "", "", "00:11:22:33:44:55"), "Gauge_335 00:11:22:33:44:55",
         "Gauge_335 00:11:22:33:44:55"},
        {portBT, device("Gauge_2600 (lab)", "", "", "00:11:22:33:44:55"), "Gauge_2600 (lab)", "Gauge_2600 (lab)"},
        {portIrDA, device("Lakmo 3", "", "", "1A2B3C4D"), "Lakmo 3 (1A2B3C4D)", "Lakmo 3"},
        {portNone, device("Lakmo 3", "", "", ""), "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dabrix::app::CandidateText(c.port, c.device), c.listed) << c.listed;
        EXPECT_EQ(dabrix::app::ConnectedNameOf(c.port, c.device), c.connected) << c.listed;
    }
}

// ---- Connect, Disconnect and the item's notifications ------------------------------------------

TEST_F(PortMenuTest, ConnectSearchesAndDisconnectStops)
{
    Create();
    Show();
    form_->ComPortNumber = 46;
    form_->act_interface_conneced->trigger();
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_FALSE(form_->act_interface_conneced->isEnabled());
    EXPECT_TRUE(form_->act_interface_disconneced->isEnabled());
    EXPECT_TRUE(form_->CandidateList.empty());  // nothing is attached
    EXPECT_EQ(form_->Connection->Device(), nullptr);

    // The gauge's port turns up: it is chosen and opened at once. This one exists only in
    // the manager's list, so opening fails and the window goes on searching.
    Found(46);
    ASSERT_EQ(form_->CandidateList.size(), 1u);
    ASSERT_NE(form_->Connection->Device(), nullptr);
    EXPECT_EQ(form_->Connection->Device()->Device.PortNumber, 46);
    EXPECT_EQ(form_->Connection->LinkState(), lsDisconnected);
    EXPECT_EQ(form_->DisplayState, dsSearching);

    form_->act_interface_disconneced->trigger();
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
    EXPECT_TRUE(form_->act_interface_conneced->isEnabled());
    EXPECT_FALSE(form_->act_interface_disconneced->isEnabled());
    // Disconnect while disconnected does nothing.
    form_->act_interface_disconneced->trigger();
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
}

TEST_F(PortMenuTest, ALostLinkSearchesAgainUnlessTheUserDisconnected)
{
    Create();
    Show();
    auto notify = [&](TNotificationEvent event, int error = 0) {
        form_->KTXComm2Manager1Connections0Notification(nullptr, event, TDevice{}, error);
    };
    form_->act_interface_conneced->trigger();
    form_->WasConnected = true;
    form_->ConnectedName = "Lakmo3 USB Adapter (A1)";
    notify(neDisconnect);
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_TRUE(form_->ConnectedName.isEmpty());
    EXPECT_TRUE(form_->WasConnected);
    notify(neDeviceRemoved);
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_FALSE(form_->WasConnected);

    form_->act_interface_disconneced->trigger();
    notify(neDisconnect);
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
}

TEST_F(PortMenuTest, OnlyASuccessfulConnectCountsAsConnected)
{
    Create();
    Show();
    form_->act_interface_conneced->trigger();
    form_->LineReader.SyncSeen = true;
    form_->LineReader.LineBuffer = "12.";

    // A failed attempt: still searching, Connect still disabled, nothing taken over.
    form_->KTXComm2Manager1Connections0Notification(nullptr, neConnect, TDevice{}, 10061);
    EXPECT_EQ(form_->DisplayState, dsSearching);
    EXPECT_FALSE(form_->act_interface_conneced->isEnabled());
    EXPECT_FALSE(form_->WasConnected);
    EXPECT_TRUE(form_->LineReader.SyncSeen);
    EXPECT_EQ(form_->LineReader.LineBuffer, "12.");

    // Success: a fresh line and the gauge's data shown again even after a sync line.
    form_->KTXComm2Manager1Connections0Notification(nullptr, neConnect, TDevice{}, 0);
    EXPECT_TRUE(form_->WasConnected);
    EXPECT_FALSE(form_->LineReader.SyncSeen);
    EXPECT_TRUE(form_->LineReader.LineBuffer.isEmpty());

    // A failure reported after the user disconnected leaves the window disconnected.
    form_->act_interface_disconneced->trigger();
    form_->KTXComm2Manager1Connections0Notification(nullptr, neConnect, TDevice{}, 10061);
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
}

// ---- Status bar and tick -----------------------------------------------------------------------

bool SameImage(const QIcon& a, const QIcon& b)
{
    return a.pixmap(16).toImage() == b.pixmap(16).toImage();
}

TEST_F(PortMenuTest, PanelZeroShowsTheDisplayState)
{
    Create();
    Show();
    form_->ConnectedName = "Lakmo3 USB Adapter (A1)";
    const struct {
        TDisplayState state;
        const char* text;
        int image;
    } states[] = {
        {dsReceiving, "Connected...     Lakmo3 USB Adapter (A1)", ImageConnected},
        {dsDisconnected, "Disconnected", ImageDisconnected},
        {dsPaused, "", 0},
    };
    for (const auto& s : states) {
        form_->DisplayState = s.state;
        form_->UpdateStatusBar();
        EXPECT_EQ(form_->StatusPanels[0]->text(), s.text) << int(s.state);
        EXPECT_TRUE(SameImage(form_->StatusPanels[0]->Image(), ImageListIcon(s.image))) << int(s.state);
    }

    // Searching blinks with each refresh; polled gauges are searched for, others awaited.
    form_->DisplayState = dsSearching;
    std::vector<QString> shown;
    for (int i = 0; i < 4; ++i) {
        form_->PollGauge = i >= 2;
        form_->UpdateStatusBar();
        shown.push_back(form_->StatusPanels[0]->text());
    }
    EXPECT_EQ(shown, (std::vector<QString>{"Wait...", "", "Search device...", ""}));
    EXPECT_TRUE(SameImage(form_->StatusPanels[0]->Image(), ImageListIcon(ImageSearching)));
}

TEST_F(PortMenuTest, PanelOneNamesTheMarkedPortKindOrTheComPort)
{
    Create();
    Show();
    const struct {
        QAction* marked;
        int comPort;
        const char* text;
    } cases[] = {
        {nullptr, 0, "COM--"},
        {nullptr, 12, "COM12"},
        {form_->menuitem_IrDA, 12, "IrDA"},
        {form_->menuitem_USB, 12, "USB"},
        {form_->menuitem_Bluetooth, 12, "Bluetooth"},
    };
    for (const auto& c : cases) {
        for (QAction* kind : {form_->menuitem_IrDA, form_->menuitem_USB, form_->menuitem_Bluetooth})
            kind->setChecked(kind == c.marked);
        form_->ComPortNumber = c.comPort;
        form_->UpdateStatusBar();
        EXPECT_EQ(form_->StatusPanels[1]->text(), c.text);
    }
}

TEST_F(PortMenuTest, APanelIsWrittenOnlyWhenItsContentChanges)
{
    Create();
    Show();
    form_->UpdateStatusBar();
    for (TStatusPanel* panel : form_->StatusPanels)
        panel->setText("painted over");
    form_->UpdateStatusBar();  // nothing changed: nothing is written
    for (TStatusPanel* panel : form_->StatusPanels)
        EXPECT_EQ(panel->text(), "painted over");

    form_->DisplayState = dsReceiving;
    form_->ComPortNumber = 9;
    form_->Connection->SetBaudRate(1200);
    form_->UpdateStatusBar();
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM9");
    EXPECT_EQ(form_->StatusPanels[2]->text(), "1200 Baud");
    EXPECT_EQ(form_->StatusPanels[3]->text(), "painted over");  // still Manual
}

TEST_F(PortMenuTest, TheTickForgetsAPendingPromptWhileDisconnected)
{
    Create();
    Show();
    form_->LineReader.PromptPending = true;
    form_->LineReader.PromptSeen = true;
    form_->PromptTimeTimer();
    EXPECT_FALSE(form_->LineReader.PromptPending);
    EXPECT_FALSE(form_->LineReader.PromptSeen);
    EXPECT_TRUE(form_->PromptTime->isActive());

    // A stopped timer stays stopped.
    form_->RestartPromptTimer(0);
    form_->PromptTimeTimer();
    EXPECT_FALSE(form_->PromptTime->isActive());
    form_->RestartPromptTimer(1000);
    EXPECT_TRUE(form_->PromptTime->isActive());
    EXPECT_EQ(form_->PromptTime->interval(), 1000);
}

TEST_F(PortMenuTest, ALostBluetoothLinkOfTag12IsOpenedOnTheEleventhTick)
{
    Create();
    Show();
    form_->GaugeTag = 12;
    form_->WasConnected = true;
    form_->DisplayState = dsSearching;
    ASSERT_EQ(form_->Connection->LinkState(), lsDisconnected);
    std::vector<int> ticks;
    for (int i = 0; i < 12; ++i) {
        form_->PromptTimeTimer();
        ticks.push_back(form_->ReconnectTicks);
    }
    EXPECT_EQ(ticks, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}));

    // Only consecutive ticks that meet the condition count.
    form_->DisplayState = dsDisconnected;
    form_->PromptTimeTimer();
    EXPECT_EQ(form_->ReconnectTicks, 0);
    form_->DisplayState = dsSearching;
    form_->GaugeTag = 11;
    form_->PromptTimeTimer();
    EXPECT_EQ(form_->ReconnectTicks, 0);
}

// ---- Telegrams from another thread ---------------------------------------------------------------

TEST_F(PortMenuTest, TelegramsFromAnotherThreadAreShownOnTheWindowsThreadInOrder)
{
    Create();
    Show();
    form_->GaugeTag = 8;  // text telegrams: inserted as they come
    std::atomic<bool> allCleared = true;
    QString expected;
    std::vector<TTelegramData> telegrams;
    for (int i = 0; i < 500; ++i) {
        const std::string text = std::to_string(i) + ";";
        TTelegramData t;
        t.Command = 0x02;
        t.Data.Assign(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        telegrams.push_back(t);
        expected += QString::fromStdString(text);
    }
    std::thread receiver([&] {
        for (const TTelegramData& t : telegrams) {
            TBuffer response;
            response[0] = 3;
            form_->KTXComm2Manager1Connections0Telegram(nullptr, t, response);
            // Emptied before the handler returns, on this thread.
            if (response.Count() != 0)
                allCleared = false;
        }
    });
    receiver.join();
    EXPECT_TRUE(allCleared);
    EXPECT_TRUE(form_->Editor->toPlainText().isEmpty());  // nothing touched the editor from there
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return form_->Editor->toPlainText().size() >= expected.size(); }));
    EXPECT_EQ(form_->Editor->toPlainText(), expected);
    EXPECT_EQ(form_->DisplayState, dsReceiving);
}

} // namespace
