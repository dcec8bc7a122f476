// The main window's link status: the four status panels, the once-a-second tick that
// refreshes them, polls silent gauges with ENQ and re-opens a lost Bluetooth link.
#include "app/MainForm.h"

#include "app/Images.h"
#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace {
constexpr int kReconnectAfterTicks = 10;  // Tag 12 re-opens on the eleventh idle tick
constexpr uint8_t kEnq = 0x05;
}

void TMainForm::SetPanelText(int panel, const QString& text)
{
    auto& shown = panelText_[static_cast<size_t>(panel)];
    if (shown == text)
        return;
    shown = text;
    StatusPanels[static_cast<size_t>(panel)]->setText(text);
}

void TMainForm::SetPanelImage(int image)
{
    if (panelImage_ == image)
        return;
    panelImage_ = image;
    StatusPanels[0]->SetImage(ImageListIcon(image));
}

void TMainForm::UpdateStatusBar()
{
    switch (DisplayState) {
    case dsPaused:
        SetPanelText(0, QString());
        SetPanelImage(0);
        break;
    case dsDisconnected:
        SetPanelText(0, tr("Disconnected"));
        SetPanelImage(ImageDisconnected);
        break;
    case dsSearching:
        // Blinks with the once-a-second refresh: shown, blank, shown...
        if (!panelText_[0].isEmpty())
            SetPanelText(0, QString());
        else
            SetPanelText(0, PollGauge ? tr("Search device...") : tr("Wait..."));
        SetPanelImage(ImageSearching);
        break;
    case dsReceiving:
        SetPanelText(0, tr("Connected...") + QStringLiteral("     ") + ConnectedName);
        SetPanelImage(ImageConnected);
        break;
    default:
        break;
    }

    QString port;
    if (menuitem_IrDA->isChecked())
        port = QStringLiteral("IrDA");
    else if (menuitem_USB->isChecked())
        port = QStringLiteral("USB");
    else if (menuitem_Bluetooth->isChecked())
        port = QStringLiteral("Bluetooth");
    else if (ComPortNumber == 0)
        port = QStringLiteral("COM--");
    else
        port = QStringLiteral("COM") + QString::number(ComPortNumber);
    SetPanelText(1, port);

    const uint32_t baud = Connection->BaudRate();
    if (baud != panelBaud_) {
        panelBaud_ = baud;
        panelText_[2] = QString::number(baud) + tr(" Baud");
        StatusPanels[2]->setText(panelText_[2]);
    }

    const QList<QAction*> items = menuitem_Device->actions();
    if (GaugeMenuIndex >= 0 && GaugeMenuIndex < items.size())
        SetPanelText(3, items[GaugeMenuIndex]->text());
}

void TMainForm::PauseDisplay()
{
    if (Connection->LinkState() == lsConnected)
        DisplayState = dsPaused;
}

void TMainForm::RestartPromptTimer(int interval)
{
    PromptTime->stop();
    PromptTime->setInterval(interval);
    if (interval != 0)
        PromptTime->start();
}

void TMainForm::PromptTimeTimer()
{
    const bool wasEnabled = PromptTime->isActive();
    PromptTime->stop();
    UpdateStatusBar();

    switch (Connection->LinkState()) {
    case lsDisconnected:
        LineReader.LinkLost();
        // Some Bluetooth gauges drop their link when they sleep: while the window still
        // wants one, the link is opened again every eleventh second.
        if (WasConnected && DisplayState == dsSearching && ChosenGauge()
            && ChosenGauge()->Reopen == grEleventhTick) {
            if (++ReconnectTicks > kReconnectAfterTicks) {
                Connection->Connect(false);
                ReconnectTicks = 0;
            }
        } else {
            ReconnectTicks = 0;
        }
        break;
    case lsConnected:
        if (PollGauge) {
            // A second without data: ask the gauge.
            TBuffer enq;
            enq[0] = 1;
            enq[1] = kEnq;
            Connection->Send(enq);
            LineReader.PollSent();
            DisplayState = dsSearching;
        } else {
            DisplayState = dsReceiving;
        }
        break;
    case lsClosed:
    case lsConnecting:
    case lsDeviceLost:
        break;
    }

    if (wasEnabled)
        PromptTime->start();
}
