// The main window's gauge selection and connection set-up: the Gauge and Port menus, the
// COM settings and device selection dialogs, Connect and Disconnect, the search for the
// chosen gauge among the attached devices, and the manager's and the item's events.
#include "app/MainForm.h"

#include "app/MainFormDialogs.h"
#include "app/ReadingsPanel.h"
#include "app/SelectDeviceForm.h"
#include "app/SerialDialogForm.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>

#include <chrono>
#include <limits>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

constexpr int kBluetoothItem = 5;  // the last fixed Port menu item, Tag 0

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QStringList CandidateTexts(const std::vector<std::pair<QString, std::unique_ptr<TDeviceObject>>>& list)
{
    QStringList texts;
    for (const auto& [text, device] : list)
        texts << text;
    return texts;
}

} // namespace

namespace dabrix::app {

QString CandidateText(TPort port, const TDevice& device)
{
    const QString name = Text(device.Name);
    switch (port) {
    case portCOM:
        return name;
    case portIrDA:
        return name + QStringLiteral(" (") + Text(device.Address) + QLatin1Char(')');
    case portUSB:
        // A name with a bracket already tells the devices apart.
        if (name.contains(QLatin1Char('(')))
            return Text(device.Info);
        return Text(device.Info) + QStringLiteral(" (") + Text(device.SerialNo) + QLatin1Char(')');
    case portBT:
        if (name.contains(QLatin1Char('(')))
            return name;
        return name + QLatin1Char(' ') + Text(device.Address);
    case portNone:
        break;
    }
    return {};
}

QString ConnectedNameOf(TPort port, const TDevice& device)
{
    const QString name = Text(device.Name);
    switch (port) {
    case portUSB:
        if (name.contains(QLatin1Char('(')))
            return name;
        return name + QStringLiteral(" (") + Text(device.SerialNo) + QLatin1Char(')');
    case portIrDA:
        return name;
    case portBT:
        if (name.contains(QLatin1Char('(')))
            return name;
        return name + QLatin1Char(' ') + Text(device.Address);
    case portCOM:
    case portNone:
        break;
    }
    return {};
}

} // namespace dabrix::app

// ---- Gauge and Port menus ---------------------------------------------------------------

std::vector<QAction*> TMainForm::ComPortItems() const
{
    const QList<QAction*> items = menuitem_Port->actions();
    std::vector<QAction*> com;
    for (int i = kFirstComItem; i < items.size(); ++i)
        com.push_back(items[i]);
    return com;
}

void TMainForm::SetupDevice(QObject* Sender)
{
    bool changed = StartingUp;
    if (!StartingUp)
        act_interface_disconneced->trigger();

    auto* item = qobject_cast<QAction*>(Sender);
    if (TagOf(Sender) == GaugeTag) {
        if (item)
            item->setChecked(true);
    } else {
        GaugeMenuIndex = static_cast<int>(menuitem_Device->actions().indexOf(item));
        GaugeTag = static_cast<uint8_t>(TagOf(Sender));
        changed = true;
    }

    if (Sender == menuitem_Manuell && serialDialogForm_) {
        QComboBox* ports = serialDialogForm_->combobox_ComPort;
        ports->clear();
        int marked = -1;
        for (QAction* com : ComPortItems()) {
            ports->addItem(com->text(), TagOf(com));
            if (com->isChecked())
                marked = ports->count() - 1;
        }
        // Only the marked port is preselected; without one the user must pick a port.
        ports->setCurrentIndex(marked);
        serialDialogForm_->combobox_Baudrate->setCurrentText(QString::number(Connection->BaudRate()));
        if (!StartingUp)
            dialogs_.ShowModal(*serialDialogForm_);
        if (ports->currentIndex() >= 0) {
            ComPortNumber = ports->currentData().toInt();
            const QString baudText = serialDialogForm_->combobox_Baudrate->currentText();
            bool ok = false;
            const int baud = baudText.trimmed().toInt(&ok);
            if (!ok)
                throw std::invalid_argument(
                    tr("'%1' is not a valid integer value").arg(baudText).toStdString());
            ManualBaud = baud;
            Connection->SetBaudRate(static_cast<uint32_t>(ManualBaud));
            UpdatePortMenu(gtCOM);
        }
    }

    if (changed) {
        if (const GaugeSetting* row = FindGaugeSetting(GaugeTag)) {
            Connection->SetPort(PortOfTransport(row->Transport));
            Connection->SetBaudRate(row->Tag == 0 ? static_cast<uint32_t>(ManualBaud) : row->BaudRate);
            UpdatePortMenu(row->Transport);
            PollGauge = row->Poll == gpENQ;
            LineReader.EchoChars = row->Echo == geChars;
            WasConnected = false;
        }
    }

    UpdateStatusBar();
    if (!StartingUp)
        act_interface_conneced->trigger();
}

void TMainForm::UpdatePortMenu(int code)
{
    const TPorts offered = KTXComm2Manager1->Ports();
    auto mark = [](QAction* item, bool on) {
        item->setEnabled(on);
        item->setChecked(on);
    };
    mark(menuitem_IrDA, code == gtIrDA && offered.Contains(portIrDA));
    mark(menuitem_USB, code == gtUSB && offered.Contains(portUSB));
    mark(menuitem_Bluetooth, code == gtBluetooth && offered.Contains(portBT));

    for (QAction* com : ComPortItems()) {
        com->setEnabled(code == gtCOM && offered.Contains(portCOM));
        if (code == gtCOM) {
            if (TagOf(com) == ComPortNumber)
                com->setChecked(true);
        } else {
            com->setChecked(false);
        }
    }
}

void TMainForm::ChangeComPort(QObject* Sender)
{
    auto* item = qobject_cast<QAction*>(Sender);
    // A radio item stays marked when it is clicked again.
    if (item)
        item->setChecked(true);
    const bool wasConnected = Connection->LinkState() == lsConnected;
    if (wasConnected)
        act_interface_disconneced->trigger();
    ComPortNumber = TagOf(Sender);
    if (item)
        Connection->SelectDeviceByName(item->text());
    UpdateStatusBar();
    if (wasConnected)
        act_interface_conneced->trigger();
}

void TMainForm::RefreshInterfaces()
{
    const TPorts offered = KTXComm2Manager1->Ports();
    if (offered.Contains(portCOM)) {
        const std::vector<QAction*> com = ComPortItems();
        bool found = false;
        for (auto it = com.rbegin(); it != com.rend() && !found; ++it)
            found = TagOf(*it) == ComPortNumber;
        if (!found && !com.empty())
            com.front()->trigger();
    } else {
        dialogs_.ShowMessage(this, tr("No interface is free / available !!!"));
        ComPortNumber = 0;
    }

    for (QAction* item : menuitem_Device->actions()) {
        if (!item->isSeparator())
            item->setEnabled(offered.Contains(GaugeEnabledPort(TagOf(item))));
    }

    const QList<QAction*> items = menuitem_Device->actions();
    for (int i = 1; i < items.size(); ++i) {
        QAction* item = items[i];
        if (!item->isSeparator() && !item->isEnabled() && item->isChecked()) {
            // The chosen gauge's port kind has gone: fall back to Manual without a word.
            const bool wasStartingUp = StartingUp;
            StartingUp = true;
            menuitem_Manuell->trigger();
            StartingUp = wasStartingUp;
            break;
        }
    }
}

void TMainForm::AddComPortItem(int number)
{
    const QList<QAction*> items = menuitem_Port->actions();
    if (items.size() < kFirstComItem)
        return;
    // The items stay in ascending order: the new one goes after the last item with a
    // smaller number ("Bluetooth", Tag 0, is the floor, so port 0 gets no item).
    for (int i = static_cast<int>(items.size()) - 1; i >= kBluetoothItem; --i) {
        if (TagOf(items[i]) >= number)
            continue;
        for (int j = kBluetoothItem; j < items.size(); ++j) {
            if (TagOf(items[j]) == number)
                return;
        }
        const QString name = QStringLiteral("COM%1").arg(number);
        auto* com = new QAction(name, menuitem_Port);
        com->setObjectName(name);
        com->setCheckable(true);
        SetTagOf(com, number);
        com->setEnabled(!menuitem_IrDA->isChecked() && !menuitem_USB->isChecked()
                        && !menuitem_Bluetooth->isChecked());
        comGroup_->addAction(com);
        connect(com, &QAction::triggered, this, [this, com] { ChangeComPort(com); });
        if (i + 1 < items.size())
            menuitem_Port->insertAction(items[i + 1], com);
        else
            menuitem_Port->addAction(com);
        return;
    }
}

// ---- Connect and Disconnect ---------------------------------------------------------------

void TMainForm::act_interface_connecedExecute()
{
    DisplayState = dsSearching;
    act_interface_conneced->setEnabled(false);
    act_interface_disconneced->setEnabled(true);
    Connection->RefreshDeviceList();
    TryAutoConnect();
}

void TMainForm::act_interface_disconnecedExecute()
{
    act_interface_conneced->setEnabled(true);
    act_interface_disconneced->setEnabled(false);
    DisplayState = dsDisconnected;
    CloseIrDASockets();
    Connection->Disconnect();
}

void TMainForm::TryAutoConnect()
{
    auto busy = [this] {
        const TLinkState state = Connection->LinkState();
        return state == lsConnecting || state == lsConnected;
    };
    if (DisplayState != dsSearching || busy())
        return;
    const int n = FindGaugeCandidates();
    if (busy())
        Connection->Disconnect();
    if (n < 1)
        return;

    size_t chosen = 0;
    if (n > 1) {
        if (selectDeviceForm_) {
            selectDeviceForm_->SetDevices(CandidateTexts(CandidateList));
            return;
        }
        auto dialog = std::make_unique<TSelectDeviceForm>(this);
        selectDeviceForm_ = dialog.get();
        dialog->SetDevices(CandidateTexts(CandidateList));
        const int result = dialogs_.ShowModal(*dialog);
        selectDeviceForm_ = nullptr;
        dialog.reset();
        if (result < TSelectDeviceForm::kFirstRowResult)
            return;
        chosen = static_cast<size_t>(result - TSelectDeviceForm::kFirstRowResult);
        // While the dialog was open, events went on: the list may have shrunk, the user
        // may have been disconnected, or a single match may have been opened already.
        if (chosen >= CandidateList.size() || DisplayState != dsSearching || busy())
            return;
    }
    Connection->FindDevice(CandidateList[chosen].second->Device);
    Connection->Connect(false);
}

int TMainForm::FindGaugeCandidates()
{
    const GaugeSetting* gauge = ChosenGauge();
    switch (gauge ? gauge->Search : gsComPort) {
    case gsNames:
        return CollectCandidates(GaugeNamePatterns(GaugeTag));
    case gsIrDAListener:
        OpenIrDAListener();
        return -1;
    case gsComPort:
        break;
    }
    return CollectCandidates({QStringLiteral("COM") + QString::number(ComPortNumber)});
}

int TMainForm::CollectCandidates(const QStringList& patterns)
{
    CandidateList.clear();
    const TPort port = Connection->Port();
    if (port == portNone)
        return 0;
    for (const QString& pattern : patterns) {
        const QString p = pattern.toUpper();
        // On COM ports the number must match as a whole: COM1 is not COM10.
        const bool byNumber = port == portCOM && p.contains(QLatin1String("COM"));
        for (const TDevice& device : Connection->Devices()) {
            const QString name = Text(device.Name);
            if (!name.toUpper().contains(p) && !Text(device.Description).toUpper().contains(p))
                continue;
            if (byNumber && PortNumberOf(p) != PortNumberOf(name))
                continue;
            CandidateList.emplace_back(dabrix::app::CandidateText(port, device),
                                       std::make_unique<TDeviceObject>(device));
        }
    }
    return static_cast<int>(CandidateList.size());
}

int TMainForm::PortNumberOf(const QString& text)
{
    const qsizetype at = text.indexOf(QLatin1String("COM"));
    if (at < 0)
        return 0;
    long long number = 0;
    for (qsizetype i = at + 3; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        number = number * 10 + (text[i].unicode() - '0');
        // A number no port can have: it matches no port either.
        if (number > std::numeric_limits<int>::max())
            return -1;
    }
    return static_cast<int>(number);
}

// ---- Manager and item events ---------------------------------------------------------------

void TMainForm::KTXComm2Manager1DeviceFound(TObject*, TPort Port, const TDevice& Device)
{
    if (Port == portCOM)
        AddComPortItem(Device.PortNumber);
}

void TMainForm::KTXComm2Manager1DeviceLost(TObject*, TPort Port, const TDevice& Device)
{
    if (Port == portCOM) {
        const int number = Device.PortNumber;
        if (ComPortNumber >= 0 && ComPortNumber == number)
            act_interface_disconnecedExecute();
        // Only COM items go: the fixed items carry Tag 0 as well.
        for (QAction* com : ComPortItems()) {
            if (TagOf(com) == number) {
                delete com;
                break;
            }
        }
    }
    if (selectDeviceForm_) {
        FindGaugeCandidates();
        if (selectDeviceForm_)
            selectDeviceForm_->SetDevices(CandidateTexts(CandidateList));
    }
}

void TMainForm::KTXComm2Manager1Connections0Notification(TObject*, TNotificationEvent Event, const TDevice&,
                                                         int Error)
{
    if (Event == neHardwareChanged || Event == neDeviceRemoved)
        RefreshInterfaces();

    // GaugeTag may change in any step that lets events run, so each step asks anew.
    if (const GaugeSetting* gauge = ChosenGauge(); Connection->Port() == portIrDA && Event == neDiscoveryCompleted
        && gauge && gauge->Search == gsIrDAListener && !gauge->Names.empty()) {
        if (Connection->SelectDeviceByName(QString::fromLatin1(gauge->Names.front())) == emNone)
            Connection->Connect(false);
    }

    if (Event == neDeviceFound)
        TryAutoConnect();

    if (Event == neConnect) {
        if (Error != 0) {
            // The attempt failed and the link is closed again: the window goes on
            // searching, and the next device found tries again. A user who disconnected
            // meanwhile stays disconnected.
            if (!act_interface_conneced->isEnabled())
                DisplayState = dsSearching;
        } else {
            WasConnected = true;
            Readings->NewBatch();
            // A new connection shows the gauge's data again, also after a sync line of a
            // gauge that is never polled.
            LineReader.SyncSeen = false;
            const TDevice device = Connection->Device() ? Connection->Device()->Device : TDevice{};
            ConnectedName = dabrix::app::ConnectedNameOf(Connection->Port(), device);
            if (Connection->Port() == portCOM) {
                if (auto* item = qobject_cast<QAction*>(findChild<QObject*>(Text(device.Info)))) {
                    item->setChecked(true);
                    ComPortNumber = TagOf(item);
                    UpdateStatusBar();
                }
                if (ChosenGauge() && ChosenGauge()->WakeUp == gwInfraredAdapter) {
                    WakeInfraredAdapter();
                } else {
                    Connection->SetControlLine(lnDTR, false);
                    Connection->SetControlLine(lnRTS, true);
                }
            }
            LineReader.Connected();
        }
    }

    if (Event == neDisconnect || Event == neDeviceRemoved) {
        ConnectedName.clear();
        if (Event == neDeviceRemoved)
            WasConnected = false;
        // Connect enabled: the user disconnected; else the link was lost while wanted.
        DisplayState = act_interface_conneced->isEnabled() ? dsDisconnected : dsSearching;
    }
}

void TMainForm::WakeInfraredAdapter()
{
    if (Connection->LinkState() != lsConnected)
        return;
    using namespace std::chrono_literals;
    // The adapter draws its power from DTR: off, then on again after it has drained.
    Connection->SetControlLine(lnDTR, true);
    Connection->SetControlLine(lnRTS, true);
    std::this_thread::sleep_for(100ms);
    Connection->SetControlLine(lnDTR, false);
    std::this_thread::sleep_for(10ms);
}
