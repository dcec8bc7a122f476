#pragma once
// The main window: menus, tool bar, the editor that collects the gauge's readings and the
// status bar; the settings file; the device manager with its one connection item.
//
// Threads: everything here runs on the user-interface thread. The manager and its item
// deliver their events there, with one exception: the item of a USB gauge raises
// OnTelegram on its USB receive thread. KTXComm2Manager1Connections0Telegram may
// therefore be called on that thread; it only empties the response buffer there and
// queues a copy of the telegram to the user-interface thread, where it is shown in
// arrival order.
#include "app/DisplayState.h"
#include "app/gauge/GaugeLineReader.h"
#include "app/gauge/GaugeTable.h"
#include "manager/KTXComm2Types.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace dabrix::platform::irda {
class IrDASocket;
}

class QAction;
class QActionGroup;
class QCloseEvent;
class QKeySequence;
class QMenu;
class QPlainTextEdit;
class QShowEvent;
class QStatusBar;
class QTextCursor;
class QTimer;
class QToolBar;
class QToolButton;
class TInfoForm;
class TReadingsPanel;
class TKTXComm2Item;
class TKTXComm2Manager;
class TMainFormDialogs;
class TSelectDeviceForm;
class TSerialDialogForm;
class TStatusPanel;

namespace dabrix::platform {
class ProfileFile;
class QueuedCalls;
}
namespace dabrix::app {
class DocumentController;
}

// The Tag of a menu item (an integer kept as the object's "Tag" property; 0 when unset).
int TagOf(const QObject* object);
void SetTagOf(QObject* object, int tag);

namespace dabrix::app {

// How a found device is listed in the selection dialog, by the connection's port kind;
// empty for portNone.
QString CandidateText(TPort port, const TDevice& device);
// The name the status bar shows for the connected device, by the connection's port kind;
// empty for COM ports (the port panel names them) and portNone.
QString ConnectedNameOf(TPort port, const TDevice& device);

} // namespace dabrix::app

class TMainForm : public QMainWindow, private LineReaderOutput {
    Q_OBJECT
public:
    // `profile` is MSave.ini; both references must outlive the window.
    TMainForm(dabrix::platform::ProfileFile& profile, TMainFormDialogs& dialogs,
              QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows the program entry creates after this one.
    void SetInfoForm(TInfoForm* form) { infoForm_ = form; }
    void SetSerialDialogForm(TSerialDialogForm* form) { serialDialogForm_ = form; }
    TInfoForm* InfoForm() const { return infoForm_; }
    TSerialDialogForm* SerialDialogForm() const { return serialDialogForm_; }

    // ---- Components -----------------------------------------------------------------
    QMenu* menuitem_File = nullptr;
    QMenu* menuitem_Edit = nullptr;
    QMenu* menuitem_Device = nullptr;  // Gauge
    QMenu* menuitem_Port = nullptr;
    QMenu* menuitem_Help = nullptr;
    QMenu* menuitem_Language = nullptr;

    QAction* act_file_new = nullptr;
    QAction* act_file_open = nullptr;
    QAction* act_file_save = nullptr;
    QAction* act_file_saveas = nullptr;
    QAction* act_file_printersetup = nullptr;
    QAction* act_file_print = nullptr;
    QAction* act_file_exit = nullptr;
    QAction* act_edit_undo = nullptr;
    QAction* act_edit_cut = nullptr;
    QAction* act_edit_copy = nullptr;
    QAction* act_edit_paste = nullptr;
    QAction* act_edit_markall = nullptr;
    QAction* act_edit_clear = nullptr;
    QAction* act_interface_conneced = nullptr;
    QAction* act_interface_disconneced = nullptr;

    QAction* menuitem_Manuell = nullptr;  // the first Gauge item, Tag 0
    QAction* menuitem_IrDA = nullptr;
    QAction* menuitem_USB = nullptr;
    QAction* menuitem_Bluetooth = nullptr;
    QAction* menuitem_HelpAbout = nullptr;
    QAction* menuitem_German = nullptr;
    QAction* menuitem_English = nullptr;
    QAction* menuitem_French = nullptr;
    QAction* menuitem_Info = nullptr;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* OpenButton = nullptr;      // the Open tool button with the recent files
    QMenu* PopupOpen = nullptr;             // items File1 .. File5, Tags 0 .. 4
    std::array<QAction*, 5> RecentItems{};
    QPlainTextEdit* Editor = nullptr;
    QMenu* EditorPopup = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::array<TStatusPanel*, 4> StatusPanels{};
    QTimer* PromptTime = nullptr;

    std::unique_ptr<TKTXComm2Manager> KTXComm2Manager1;

    // ---- State ----------------------------------------------------------------------
    TKTXComm2Item* Connection = nullptr;  // the manager's item 0, "Connection0"
    bool StartingUp = false;
    uint8_t GaugeTag = 0;
    int GaugeMenuIndex = 0;
    int ComPortNumber = 0;
    int ManualBaud = 0;
    QString LanguageCode;
    TDisplayState DisplayState = dsDisconnected;
    bool WasConnected = false;
    bool PollGauge = false;
    // The character streams of the older gauges become lines here.
    GaugeLineReader LineReader;
    QString ConnectedName;
    int ReconnectTicks = 0;
    std::vector<std::pair<QString, std::unique_ptr<TDeviceObject>>> CandidateList;

    // Settings kept only to be written back.
    int MaxPort = 20;
    bool AutoConnect = true;
    bool Debug = false;

    // The help document of the chosen language (a file name) and the folders it is
    // looked for in, in order: the program's data folders, beside the language modules.
    QString HelpFile;
    QStringList HelpFolders;

    // ---- Life cycle -------------------------------------------------------------------
    void FormCreate();
    void FormShow();
    // False when the close was cancelled (the window stays open).
    bool FormClose();
    void FormDestroy();

    void ReadSettings();
    void WriteSettings();
    // The two-letter code of the user's language ("de", "en", "fr", "nl", ...).
    static QString DefaultLanguage();

    // ---- Documents ------------------------------------------------------------------
    // The editor's document: its name, the recent files, the file, edit and print
    // commands (the act_file_* and act_edit_* actions run its handlers), the working
    // folder of the file dialogs and the print indent (LeftSpace).
    std::unique_ptr<dabrix::app::DocumentController> Documents;
    // The full path of the document, or the localised "Unknown".
    const QString& DocumentName() const;
    // The five recent files, entry 0 the newest; an empty entry is unused.
    const std::array<QString, 5>& RecentFiles() const;

    void act_file_exitExecute();

    // ---- Gauge and port (MainFormConnection.cpp) -------------------------------------
    // The row of the chosen gauge (GaugeTag), or null when the Tag has none.
    const GaugeSetting* ChosenGauge() const { return FindGaugeSetting(GaugeTag); }
    static constexpr int kFirstComItem = 6;  // Port menu: Connect, Disconnect, |, IrDA, USB, BT
    void SetupDevice(QObject* Sender);
    // `code` is a gauge transport (TGaugeTransport): 1 COM, 2 USB, 3 infrared, 4 Bluetooth.
    void UpdatePortMenu(int code);
    void ChangeComPort(QObject* Sender);
    void RefreshInterfaces();
    // The COM items of the Port menu (index 6 on), in menu order.
    std::vector<QAction*> ComPortItems() const;

    void act_interface_connecedExecute();
    void act_interface_disconnecedExecute();
    // Looks for the chosen gauge among the connection's devices and opens it; with more
    // than one match the user chooses in the selection dialog.
    void TryAutoConnect();
    // The number of candidates found for the chosen gauge, or -1 when the gauge is not
    // searched for (infrared: the listener is opened instead).
    int FindGaugeCandidates();
    // Rebuilds CandidateList from the connection's devices that match any of `patterns`.
    int CollectCandidates(const QStringList& patterns);
    // The number that directly follows the first "COM" in `text`: 0 when there is none,
    // -1 when it is too large to be a port number.
    static int PortNumberOf(const QString& text);
    // The selection dialog while TryAutoConnect shows it, else null.
    TSelectDeviceForm* SelectDeviceDialog() const { return selectDeviceForm_; }

    void KTXComm2Manager1DeviceFound(TObject* Sender, TPort Port, const TDevice& Device);
    void KTXComm2Manager1DeviceLost(TObject* Sender, TPort Port, const TDevice& Device);
    void KTXComm2Manager1Connections0Notification(TObject* Sender, TNotificationEvent Event,
                                                  const TDevice& Device, int Error);
    // Powers an infrared adapter fed by the COM port's control lines (blocks for 110 ms).
    void WakeInfraredAdapter();

    // ---- Infrared listener (MainFormIrDA.cpp) -----------------------------------------
    // The IrCOMM service that the Tag 10 gauge connects to; true when it listens.
    bool OpenIrDAListener();
    void CloseIrDASockets();
    // A socket event of the listening or the accepted socket (read 1, accept 8, close 32).
    void IrDAEvent(uint32_t Event);
    // The listening socket and the accepted one; null for none.
    std::unique_ptr<dabrix::platform::irda::IrDASocket> IrDAListenSocket;
    std::unique_ptr<dabrix::platform::irda::IrDASocket> IrDAAcceptSocket;

    // ---- Status (MainFormStatus.cpp) ---------------------------------------------------
    void UpdateStatusBar();
    // Restarts PromptTime with this interval; 0 leaves it stopped.
    void RestartPromptTimer(int interval);
    void PauseDisplay();
    // The once-a-second tick: status, the poll of silent gauges, the Bluetooth re-open.
    void PromptTimeTimer();

    // ---- Telegram display (MainFormTelegram.cpp) ---------------------------------------
    // The item's OnTelegram; may run on the USB receive thread (see the top of this file).
    void KTXComm2Manager1Connections0Telegram(TObject* Sender, TTelegramData TelegramData,
                                              TBuffer& ResponseData);

    // ---- Readings (MainFormReadings.cpp) ------------------------------------------------
    // The Statistics panel: the batch of readings in the gauge text the window inserts.
    TReadingsPanel* Readings = nullptr;
    QAction* act_edit_statistics = nullptr;      // shows and hides the panel (end of Edit)
    QAction* act_file_exportreadings = nullptr;  // "Export readings..." (File, after Save as)

    // ---- Language, help and info ------------------------------------------------------
    void SwitchLanguage(QObject* Sender);
    void menuitem_HelpClick();
    void menuitem_InfoClick();
    // The help document's full path in the first folder that has it (else in the first
    // folder), empty when no help file is set.
    QString HelpPath() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Ends an open batch of received text before the application handles its next event.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateEditor();
    void CreateStatusBar();
    void CreateManager();
    // The document commands: the controller and the actions and recent items it serves.
    void CreateDocuments();
    // The Statistics panel and its commands; after the documents.
    void CreateReadings();
    void CentreOnScreen();
    QAction* MakeAction(const QString& caption, const QKeySequence& shortcut, int image);
    void SetPanelText(int panel, const QString& text);
    void SetPanelImage(int image);
    void AddComPortItem(int number);
    // Shows the data of one telegram (user-interface thread); telegrams that come while
    // one is being shown wait and follow in order.
    void ShowTelegram(const TBuffer& data);
    void ShowTelegramData(const TBuffer& data);
    // What the line reader produces.
    void ShowLines(const QString& lines) override;
    void ShowSyncLine() override;
    void EchoChar(uint8_t c) override;
    // Inserts gauge text at the caret, replacing the selection.
    void InsertReceivedText(QString text);
    // Received text goes into the document at once, in batches that the editor lays out,
    // scrolls to and repaints together: a batch ends after kReceiveRefreshMs, or, while
    // data keeps coming, kStreamRefreshMs after the previous batch ended (a gauge sending
    // many lines a second costs a few repaints a second, not one per line); earlier when
    // the application is about to handle an event that may look at the editor or come
    // from the user (see BelongsToReceiveBatch). Received text cannot be undone.
    void OpenReceiveBatch();
    void CloseReceiveBatch();
    bool BelongsToReceiveBatch(const QObject* watched, const QEvent* event) const;

    dabrix::platform::ProfileFile& profile_;
    TMainFormDialogs& dialogs_;
    TInfoForm* infoForm_ = nullptr;
    TSerialDialogForm* serialDialogForm_ = nullptr;
    QActionGroup* gaugeGroup_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    QActionGroup* comGroup_ = nullptr;

    TSelectDeviceForm* selectDeviceForm_ = nullptr;
    const std::thread::id ownerThread_ = std::this_thread::get_id();
    // Telegrams from the USB receive thread come to this thread through here. A child
    // object, so it outlives every member that owns a worker.
    dabrix::platform::QueuedCalls* telegramCalls_ = nullptr;

    // What the status bar shows now; a panel is written only when this changes.
    std::array<QString, 4> panelText_;
    int panelImage_ = -1;
    uint32_t panelBaud_ = 0;

    // Telegram data waiting while an earlier telegram is still being shown.
    std::deque<TBuffer> pendingTelegrams_;
    bool showingTelegram_ = false;
    // The last gauge text inserted ended with CR: a LF that starts the next one belongs
    // to the same line break.
    bool insertEndedWithCr_ = false;
    static constexpr int kReceiveRefreshMs = 40;
    static constexpr int kStreamRefreshMs = 500;
    bool receiveBatchOpen_ = false;
    QElapsedTimer sinceReceiveRefresh_;          // since the last batch ended
    std::unique_ptr<QTextCursor> receiveBatch_;  // holds the editor's edit block open
    QTimer* receiveRefresh_ = nullptr;           // ends the batch
};
