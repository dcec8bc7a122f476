#include "app/MainForm.h"

#include "app/Images.h"
#include "app/InfoForm.h"
#include "app/MainFormDialogs.h"
#include "app/StartUp.h"
#include "app/StatusPanel.h"
#include "app/documents/DocumentController.h"
#include "app/documents/TextPrinter.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/Locale.h"
#include "platform/ProfileFile.h"
#include "platform/QueuedCalls.h"
#include "platform/irda/IrDASocket.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <optional>
#include <stdexcept>
#include <string>

namespace {

constexpr int kPromptTimeTag = 1000;

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

int TagOf(const QObject* object)
{
    return object ? object->property("Tag").toInt() : 0;
}

void SetTagOf(QObject* object, int tag)
{
    object->setProperty("Tag", tag);
}

// ---- Construction ---------------------------------------------------------------------

TMainForm::TMainForm(dabrix::platform::ProfileFile& profile, TMainFormDialogs& dialogs,
                     QWidget* parent)
    : QMainWindow(parent)
    , profile_(profile)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Dabrix"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/dabrix.svg")));
    resize(718, 458);
    setMinimumSize(430, 220);
    CentreOnScreen();
    HelpFolders = ProgramDataFolders(QCoreApplication::applicationDirPath());

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateEditor();
    CreateStatusBar();
    CreateManager();
    CreateDocuments();
    CreateReadings();

    PromptTime = new QTimer(this);
    PromptTime->setObjectName(QStringLiteral("PromptTime"));
    SetTagOf(PromptTime, kPromptTimeTag);
    PromptTime->setInterval(1000);
    connect(PromptTime, &QTimer::timeout, this, &TMainForm::PromptTimeTimer);
    PromptTime->start();

    receiveRefresh_ = new QTimer(this);
    receiveRefresh_->setSingleShot(true);
    receiveRefresh_->setInterval(kReceiveRefreshMs);
    connect(receiveRefresh_, &QTimer::timeout, this, &TMainForm::CloseReceiveBatch);

    FormCreate();
}

TMainForm::~TMainForm()
{
    CloseReceiveBatch();
    FormDestroy();
    // The window no longer reacts to the manager: the item may still notify while it
    // closes its link. OnTelegram stays: a USB receive thread may be calling it until the
    // item has closed the link, and what it queues dies with the window.
    KTXComm2Manager1->OnDeviceFound = nullptr;
    KTXComm2Manager1->OnDeviceLost = nullptr;
    Connection->OnNotification = nullptr;
    // The manager goes before the window's widgets.
    KTXComm2Manager1.reset();
}

void TMainForm::CentreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QAction* TMainForm::MakeAction(const QString& caption, const QKeySequence& shortcut, int image)
{
    auto* action = new QAction(caption, this);
    action->setToolTip(caption);
    action->setShortcut(shortcut);
    if (image >= 0)
        action->setIcon(ImageListIcon(image));
    return action;
}

void TMainForm::CreateActions()
{
    act_file_new = MakeAction(tr("New"), QKeySequence(QStringLiteral("Ctrl+N")), 0);
    act_file_open = MakeAction(tr("Open"), QKeySequence(QStringLiteral("Ctrl+O")), 1);
    act_file_save = MakeAction(tr("Save"), QKeySequence(QStringLiteral("Ctrl+S")), 2);
    act_file_saveas = MakeAction(tr("Save as..."), QKeySequence(), 3);
    act_file_printersetup = MakeAction(tr("Printer Setup"), QKeySequence(), -1);
    act_file_print = MakeAction(tr("Print"), QKeySequence(QStringLiteral("Ctrl+P")), 4);
    act_file_exit = MakeAction(tr("Exit"), QKeySequence(QStringLiteral("Alt+F4")), -1);
    act_edit_undo = MakeAction(tr("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")), 8);
    act_edit_cut = MakeAction(tr("Cut"), QKeySequence(QStringLiteral("Ctrl+X")), 5);
    act_edit_copy = MakeAction(tr("Copy"), QKeySequence(QStringLiteral("Ctrl+C")), 6);
    act_edit_paste = MakeAction(tr("Paste"), QKeySequence(QStringLiteral("Ctrl+V")), 7);
    act_edit_markall = MakeAction(tr("Mark all"), QKeySequence(QStringLiteral("Ctrl+A")), -1);
    act_edit_clear = MakeAction(tr("Clear Screen"), QKeySequence(), 9);
    act_interface_conneced = MakeAction(tr("Connect"), QKeySequence(), 10);
    act_interface_disconneced = MakeAction(tr("Disconnect"), QKeySequence(), 11);

    const std::pair<QAction*, const char*> names[] = {
        {act_file_new, "act_file_new"},
        {act_file_open, "act_file_open"},
        {act_file_save, "act_file_save"},
        {act_file_saveas, "act_file_saveas"},
        {act_file_printersetup, "act_file_printersetup"},
        {act_file_print, "act_file_print"},
        {act_file_exit, "act_file_exit"},
        {act_edit_undo, "act_edit_undo"},
        {act_edit_cut, "act_edit_cut"},
        {act_edit_copy, "act_edit_copy"},
        {act_edit_paste, "act_edit_paste"},
        {act_edit_markall, "act_edit_markall"},
        {act_edit_clear, "act_edit_clear"},
        {act_interface_conneced, "act_interface_conneced"},
        {act_interface_disconneced, "act_interface_disconneced"},
    };
    for (const auto& [action, name] : names)
        action->setObjectName(QString::fromLatin1(name));

    // The document commands are connected in CreateDocuments.
    connect(act_file_exit, &QAction::triggered, this, &TMainForm::act_file_exitExecute);
    connect(act_interface_conneced, &QAction::triggered, this, &TMainForm::act_interface_connecedExecute);
    connect(act_interface_disconneced, &QAction::triggered, this,
            &TMainForm::act_interface_disconnecedExecute);
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();

    menuitem_File = bar->addMenu(tr("File"));
    menuitem_File->setObjectName(QStringLiteral("menuitem_File"));
    menuitem_File->addAction(act_file_new);
    menuitem_File->addAction(act_file_open);
    menuitem_File->addAction(act_file_save);
    menuitem_File->addAction(act_file_saveas);
    menuitem_File->addSeparator();
    menuitem_File->addAction(act_file_printersetup);
    menuitem_File->addAction(act_file_print);
    menuitem_File->addSeparator();
    menuitem_File->addAction(act_file_exit);

    menuitem_Edit = bar->addMenu(tr("Edit"));
    menuitem_Edit->setObjectName(QStringLiteral("menuitem_Edit"));
    menuitem_Edit->addAction(act_edit_undo);
    menuitem_Edit->addSeparator();
    menuitem_Edit->addAction(act_edit_cut);
    menuitem_Edit->addAction(act_edit_copy);
    menuitem_Edit->addAction(act_edit_paste);
    menuitem_Edit->addSeparator();
    menuitem_Edit->addAction(act_edit_markall);
    menuitem_Edit->addAction(act_edit_clear);

    // Gauge: radio items that mark themselves when clicked.
    menuitem_Device = bar->addMenu(tr("Gauge"));
    menuitem_Device->setObjectName(QStringLiteral("menuitem_Device"));
    gaugeGroup_ = new QActionGroup(this);
    gaugeGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int tag : GaugeMenuOrder) {
        if (tag == GaugeMenuSeparator) {
            SetTagOf(menuitem_Device->addSeparator(), 0);
            continue;
        }
        const GaugeCaption& caption = FindGaugeSetting(tag)->Caption;
        QAction* item = menuitem_Device->addAction(
            caption.Translated ? tr(caption.Text) : QString::fromLatin1(caption.Text));
        item->setObjectName(tag == 0 ? QStringLiteral("menuitem_Manuell")
                                     : QStringLiteral("menuitem_Gauge%1").arg(tag));
        item->setCheckable(true);
        SetTagOf(item, tag);
        gaugeGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { SetupDevice(item); });
        if (tag == 0)
            menuitem_Manuell = item;
    }

    menuitem_Port = bar->addMenu(tr("Port"));
    menuitem_Port->setObjectName(QStringLiteral("menuitem_Port"));
    menuitem_Port->addAction(act_interface_conneced);
    menuitem_Port->addAction(act_interface_disconneced);
    menuitem_Port->addSeparator();
    auto addPortKind = [this](const QString& caption, const char* name) {
        QAction* item = menuitem_Port->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        item->setEnabled(false);
        // The mark follows the chosen gauge, never a click.
        connect(item, &QAction::triggered, item, [item](bool checked) { item->setChecked(!checked); });
        return item;
    };
    menuitem_IrDA = addPortKind(tr("Infrared"), "menuitem_IrDA");
    menuitem_USB = addPortKind(QStringLiteral("USB"), "menuitem_USB");
    menuitem_Bluetooth = addPortKind(QStringLiteral("Bluetooth"), "menuitem_Bluetooth");
    comGroup_ = new QActionGroup(this);
    comGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

    menuitem_Help = bar->addMenu(tr("Help"));
    menuitem_Help->setObjectName(QStringLiteral("menuitem_Help"));
    menuitem_HelpAbout = menuitem_Help->addAction(tr("Help about Dabrix"));
    menuitem_HelpAbout->setObjectName(QStringLiteral("menuitem_HelpAbout"));
    connect(menuitem_HelpAbout, &QAction::triggered, this, &TMainForm::menuitem_HelpClick);
    menuitem_Help->addSeparator();
    menuitem_Language = menuitem_Help->addMenu(tr("Language"));
    menuitem_Language->setObjectName(QStringLiteral("menuitem_Language"));
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    auto addLanguage = [this](const QString& caption, const char* name, int tag) {
        QAction* item = menuitem_Language->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        SetTagOf(item, tag);
        languageGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { SwitchLanguage(item); });
        return item;
    };
    menuitem_German = addLanguage(tr("German"), "menuitem_German", 0);
    menuitem_English = addLanguage(tr("English"), "menuitem_English", 1);
    menuitem_French = addLanguage(tr("French"), "menuitem_French", 2);
    menuitem_Info = menuitem_Help->addAction(tr("Info"));
    menuitem_Info->setObjectName(QStringLiteral("menuitem_Info"));
    connect(menuitem_Info, &QAction::triggered, this, &TMainForm::menuitem_InfoClick);
}

void TMainForm::CreateToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setWindowTitle(tr("Tool bar"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setVisible(false);

    PopupOpen = new QMenu(this);
    PopupOpen->setObjectName(QStringLiteral("PopupOpen"));
    for (int i = 0; i < 5; ++i) {
        QAction* item = PopupOpen->addAction(QString());
        item->setObjectName(QStringLiteral("File%1").arg(i + 1));
        SetTagOf(item, i);
        item->setVisible(false);
        RecentItems[static_cast<size_t>(i)] = item;
    }

    ToolBar1->addAction(act_file_new);
    ToolBar1->addAction(act_file_open);
    OpenButton = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(act_file_open));
    OpenButton->setMenu(PopupOpen);
    OpenButton->setPopupMode(QToolButton::MenuButtonPopup);
    ToolBar1->addSeparator();
    ToolBar1->addAction(act_file_save);
    ToolBar1->addAction(act_file_saveas);
    ToolBar1->addSeparator();
    ToolBar1->addAction(act_file_print);
    ToolBar1->addSeparator();
    ToolBar1->addAction(act_edit_cut);
    ToolBar1->addAction(act_edit_copy);
    ToolBar1->addAction(act_edit_paste);
    ToolBar1->addAction(act_edit_undo);
    ToolBar1->addSeparator();
    ToolBar1->addAction(act_edit_clear);
    auto* gap = new QWidget(ToolBar1);
    gap->setFixedWidth(26);
    ToolBar1->addWidget(gap);
    ToolBar1->addAction(act_interface_conneced);
    ToolBar1->addAction(act_interface_disconneced);
}

void TMainForm::CreateEditor()
{
    Editor = new QPlainTextEdit(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAccessibleName(tr("Received data"));
    Editor->setFont(dabrix::app::EditorFont());
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Lines wrap between words only: with the fallback of breaking anywhere, Qt's layout of
    // one long unbroken run (a gauge sending a megabyte without a blank) takes minutes.
    Editor->setWordWrapMode(QTextOption::WordWrap);
    setCentralWidget(Editor);

    EditorPopup = new QMenu(this);
    EditorPopup->setObjectName(QStringLiteral("EditorPopup"));
    EditorPopup->addAction(act_edit_cut);
    EditorPopup->addAction(act_edit_copy);
    EditorPopup->addAction(act_edit_paste);
    EditorPopup->addAction(act_edit_markall);
    EditorPopup->addSeparator();
    EditorPopup->addAction(act_file_print);
    Editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        EditorPopup->popup(Editor->viewport()->mapToGlobal(at));
    });
}

void TMainForm::CreateStatusBar()
{
    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    const int widths[4] = {300, 80, 100, 250};
    const QString roles[4] = {tr("Link status"), tr("Port"), tr("Baud rate"), tr("Gauge")};
    for (size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new TStatusPanel(widths[i], StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setAccessibleDescription(roles[i]);
        StatusBar->addWidget(panel);
        StatusPanels[i] = panel;
    }
}

void TMainForm::CreateManager()
{
    telegramCalls_ = new dabrix::platform::QueuedCalls(this);
    KTXComm2Manager1 = std::make_unique<TKTXComm2Manager>(nullptr);
    KTXComm2Manager1->SetName(QStringLiteral("KTXComm2Manager1"));
    // The shell reacts to notifications and the status; it shows no connection errors.
    KTXComm2Manager1->SetShowErrorMsg(false);
    KTXComm2Manager1->OnDeviceFound = [this](TObject* Sender, TPort Port, const TDevice& Device) {
        KTXComm2Manager1DeviceFound(Sender, Port, Device);
    };
    KTXComm2Manager1->OnDeviceLost = [this](TObject* Sender, TPort Port, const TDevice& Device) {
        KTXComm2Manager1DeviceLost(Sender, Port, Device);
    };
    // "Connection0": raw chunks, every received chunk a unit, 10 ms USB time-outs.
    TKTXComm2Item* item = KTXComm2Manager1->Connections().Add();
    dabrix::comm::ApplyMainWindowSettings(*item);
    item->OnNotification = [this](TObject* Sender, TNotificationEvent Event, const TDevice& Device, int Error) {
        KTXComm2Manager1Connections0Notification(Sender, Event, Device, Error);
    };
    item->OnTelegram = [this](TObject* Sender, TTelegramData TelegramData, TBuffer& ResponseData) {
        KTXComm2Manager1Connections0Telegram(Sender, TelegramData, ResponseData);
    };
}

void TMainForm::CreateDocuments()
{
    Documents = std::make_unique<dabrix::app::DocumentController>(*this, *Editor, dialogs_, dialogs_);
    Documents->PauseDisplay = [this] { PauseDisplay(); };
    Documents->SetRecentItems(RecentItems);

    // What a command returns (saved, printed) the user has been told already.
    dabrix::app::DocumentController* d = Documents.get();
    connect(act_file_new, &QAction::triggered, this, [d] { d->act_file_newExecute(); });
    connect(act_file_open, &QAction::triggered, this, [d] { d->act_file_openExecute(); });
    connect(act_file_save, &QAction::triggered, this, [d] { d->act_file_saveExecute(); });
    connect(act_file_saveas, &QAction::triggered, this, [d] { d->act_file_saveasExecute(); });
    connect(act_file_printersetup, &QAction::triggered, this, [d] { d->act_file_printersetupExecute(); });
    connect(act_file_print, &QAction::triggered, this, [d] { d->act_file_printExecute(); });
    connect(act_edit_undo, &QAction::triggered, this, [d] { d->act_edit_undoExecute(); });
    connect(act_edit_cut, &QAction::triggered, this, [d] { d->act_edit_cutExecute(); });
    connect(act_edit_copy, &QAction::triggered, this, [d] { d->act_edit_copyExecute(); });
    connect(act_edit_paste, &QAction::triggered, this, [d] { d->act_edit_pasteExecute(); });
    connect(act_edit_markall, &QAction::triggered, this, [d] { d->act_edit_markallExecute(); });
    connect(act_edit_clear, &QAction::triggered, this, [d] { d->act_edit_clearExecute(); });
    for (QAction* item : RecentItems)
        connect(item, &QAction::triggered, this, [d, item] { d->DropDownFileOpen(item); });
}

const QString& TMainForm::DocumentName() const
{
    return Documents->DocumentName();
}

const std::array<QString, 5>& TMainForm::RecentFiles() const
{
    return Documents->Recent().Entries();
}

// ---- Life cycle -----------------------------------------------------------------------

void TMainForm::FormCreate()
{
    LineReader.LineBuffer.clear();
    selectDeviceForm_ = nullptr;
    Connection = KTXComm2Manager1->Connections().Items(0);
    CandidateList.clear();

    DisplayState = dsDisconnected;
    WasConnected = false;
    StartingUp = true;
    LineReader.PromptPending = false;
    LineReader.PromptSeen = false;
    LineReader.SyncSeen = false;
    PollGauge = false;
    LineReader.EchoChars = false;
    ReconnectTicks = 0;

    ReadSettings();
    Documents->SetDocumentName(dabrix::app::DocumentController::UnknownName(), false);
    RefreshInterfaces();
}

void TMainForm::FormShow()
{
    if (!StartingUp)
        return;
    SwitchLanguage(this);

    KTXComm2Manager1->SetUSBMode(umAutoDiscovery);
    KTXComm2Manager1->SetSerialMode(smAutoDiscovery);
    KTXComm2Manager1->SetBluetoothMode(bmAutoDiscovery);

    GaugeMenuIndex = 0;
    const QList<QAction*> items = menuitem_Device->actions();
    for (int i = 0; i < items.size(); ++i) {
        if (TagOf(items[i]) == GaugeTag) {
            GaugeMenuIndex = i;
            items[i]->trigger();
            break;
        }
    }

    act_interface_disconneced->setEnabled(false);
    StartingUp = false;
}

bool TMainForm::FormClose()
{
    act_interface_disconneced->trigger();
    if (!Documents->AskSaveChanges())
        return false;
    WriteSettings();
    return true;
}

void TMainForm::FormDestroy()
{
    CloseIrDASockets();
    CandidateList.clear();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // Stays refused if FormClose throws: the error is shown and the window remains.
    event->ignore();
    if (FormClose())
        event->accept();
}

// ---- Settings -------------------------------------------------------------------------

void TMainForm::ReadSettings()
{
    const int left = profile_.ReadInteger("Window", "Left", 100);
    const int top = profile_.ReadInteger("Window", "Top", 100);
    const int height = profile_.ReadInteger("Window", "Height", 450);
    const int width = profile_.ReadInteger("Window", "Width", 500);
    resize(width, height);
    // The stored place wins over the design's centred one, but only when there is one
    // (not at the first start), and only on a screen that is still there.
    const bool stored = profile_.ValueExists("Window", "Left") && profile_.ValueExists("Window", "Top");
    const QRect wanted(QPoint(left, top), size());
    bool visible = QGuiApplication::screens().isEmpty();
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(wanted);
    if (stored && visible)
        move(left, top);
    else
        CentreOnScreen();

    const int baud = profile_.ReadInteger("Config", "Baud", 9600);
    GaugeTag = static_cast<uint8_t>(profile_.ReadInteger("Config", "Device", 0));
    ComPortNumber = profile_.ReadInteger("Config", "Port", 0);
    MaxPort = profile_.ReadInteger("Config", "MaxPort", 20);
    AutoConnect = profile_.ReadBool("Config", "AutoConnect", true);
    Debug = profile_.ReadBool("Config", "Debug", false);
    Documents->SetLeftSpace(profile_.ReadInteger("System", "LeftSpace", 10));
    LanguageCode = FromUtf8(profile_.ReadString("System", "Language", ToUtf8(DefaultLanguage())));
    const QString programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    Documents->SetWorkDir(FromUtf8(profile_.ReadString("System", "WorkDir", ToUtf8(programFolder))));
    std::array<QString, 5> recent;
    for (size_t i = 0; i < recent.size(); ++i)
        recent[i] = FromUtf8(profile_.ReadString("LastFile", "File" + std::to_string(i), ""));
    Documents->SetRecentEntries(recent);
    ManualBaud = baud;
}

void TMainForm::WriteSettings()
{
    // One replacement of the whole file: a crash half-way never leaves some keys old and
    // some new, and lines the program does not own are kept.
    std::optional<dabrix::platform::ProfileText> text = profile_.Load();
    if (!text)
        return;  // an unreadable file is not replaced; the settings of this run are lost
    auto setInteger = [&](const char* section, const char* key, long long value) {
        text->Set(section, key, std::to_string(value));
    };
    auto setString = [&](const char* section, const char* key, const QString& value) {
        // A value with a line break cannot stand in the file; the key is kept, empty.
        if (!text->Set(section, key, ToUtf8(value)))
            text->Set(section, key, "");
    };
    // Where the window is now: its frame's corner and the size it was given.
    setInteger("Window", "Left", x());
    setInteger("Window", "Top", y());
    setInteger("Window", "Height", height());
    setInteger("Window", "Width", width());
    setInteger("Config", "Baud", Connection->BaudRate());
    setInteger("Config", "Device", GaugeTag);
    setInteger("Config", "Port", ComPortNumber);
    setInteger("Config", "MaxPort", MaxPort);
    setInteger("Config", "AutoConnect", AutoConnect ? 1 : 0);
    setInteger("Config", "Debug", Debug ? 1 : 0);
    setInteger("System", "LeftSpace", Documents->LeftSpace());
    setString("System", "Language", LanguageCode);
    // The folder of the file saved last; without one the folder read at start stays.
    const QString savedIn = Documents->SaveDialogFolder();
    setString("System", "WorkDir", savedIn.isEmpty() ? Documents->WorkDir() : savedIn);
    const std::array<QString, 5>& recent = RecentFiles();
    for (size_t i = 0; i < recent.size(); ++i)
        setString("LastFile", ("File" + std::to_string(i)).c_str(), recent[i]);
    profile_.Save(*text);
}

QString TMainForm::DefaultLanguage()
{
    return QString::fromStdString(dabrix::platform::UserLanguageAbbrev()).toLower().left(2);
}

// ---- Documents ------------------------------------------------------------------------

void TMainForm::act_file_exitExecute()
{
    close();
}

// ---- Language, help and info ----------------------------------------------------------

void TMainForm::SwitchLanguage(QObject* Sender)
{
    const QString previous = LanguageCode;
    if (Sender == menuitem_German)
        LanguageCode = QStringLiteral("de");
    else if (Sender == menuitem_English)
        LanguageCode = QStringLiteral("en");
    else if (Sender == menuitem_French)
        LanguageCode = QStringLiteral("fr");

    if (LanguageCode == QLatin1String("de")) {
        menuitem_German->setChecked(true);
        HelpFile = QStringLiteral("DBXDEU.PDF");
    } else if (LanguageCode == QLatin1String("en")) {
        menuitem_English->setChecked(true);
        HelpFile = QStringLiteral("DBXENG.PDF");
    } else if (LanguageCode == QLatin1String("fr")) {
        menuitem_French->setChecked(true);
        HelpFile = QStringLiteral("DBXFRA.PDF");
    } else {
        HelpFile.clear();
        for (QAction* item : languageGroup_->actions())
            item->setChecked(false);
    }
    menuitem_HelpAbout->setEnabled(!HelpFile.isEmpty() && QFileInfo(HelpPath()).isFile());

    if (LanguageCode != previous
        && dialogs_.Ask(this, tr("The application must be restarted.\r\n\r\nRestart now ?"),
                        TMainFormDialogs::Buttons::YesNo)
            == TMainFormDialogs::Answer::Yes)
        close();
}

QString TMainForm::HelpPath() const
{
    if (HelpFile.isEmpty() || HelpFolders.isEmpty())
        return {};
    for (const QString& folder : HelpFolders) {
        const QString path = QDir(folder).filePath(HelpFile);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QDir(HelpFolders.constFirst()).filePath(HelpFile);
}

void TMainForm::menuitem_HelpClick()
{
    PauseDisplay();
    // The viewer's result does not matter: the item is enabled only when the file exists.
    dialogs_.OpenUrl(QUrl::fromLocalFile(HelpPath()));
    PauseDisplay();
}

void TMainForm::menuitem_InfoClick()
{
    if (infoForm_)
        dialogs_.ShowModal(*infoForm_);
}
