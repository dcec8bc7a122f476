// The main window's layout, its language and help items, the Info dialog, and the
// document commands the close path relies on.
#include "app/tests/MainFormFixture.h"

#include "app/StartUp.h"
#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "transport/lnkAPI.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrlQuery>

#include <string>
#include <vector>

namespace {

using Answer = TMainFormDialogs::Answer;

// One menu entry as the user sees it: caption (empty for a separator), shortcut, enabled.
struct Entry {
    QString caption;
    QString shortcut;
    bool enabled;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& e)
{
    return out << '{' << e.caption.toStdString() << ", " << e.shortcut.toStdString() << ", "
               << e.enabled << '}';
}

std::vector<Entry> EntriesOf(const QMenu* menu)
{
    std::vector<Entry> entries;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            entries.push_back({"", "", true});
        else
            entries.push_back({a->text(), a->shortcut().toString(), a->isEnabled()});
    }
    return entries;
}

const Entry kSeparator{"", "", true};

TEST_F(MainFormTest, MenuBarHoldsTheFiveMenusInOrder)
{
    Create();
    Show();
    std::vector<QString> titles;
    for (const QAction* a : form_->menuBar()->actions())
        titles.push_back(a->text());
    EXPECT_EQ(titles, (std::vector<QString>{"File", "Edit", "Gauge", "Port", "Help"}));
    // The captions carry no access keys.
    for (const QAction* a : form_->menuBar()->actions())
        EXPECT_FALSE(a->text().contains('&'));
}

TEST_F(MainFormTest, FileAndEditMenusHaveTheirCommandsAndShortcuts)
{
    Create();
    Show();
    EXPECT_EQ(EntriesOf(form_->menuitem_File),
              (std::vector<Entry>{{"New", "Ctrl+N", true},
                                  {"Open", "Ctrl+O", true},
                                  {"Save", "Ctrl+S", true},
                                  {"Save as...", "", true},
                                  {"Export readings...", "", true},  // added after the design's items
                                  kSeparator,
                                  {"Printer Setup", "", true},
                                  {"Print", "Ctrl+P", true},
                                  kSeparator,
                                  {"Exit", "Alt+F4", true}}));
    EXPECT_EQ(EntriesOf(form_->menuitem_Edit),
              (std::vector<Entry>{{"Undo", "Ctrl+Z", true},
                                  kSeparator,
                                  {"Cut", "Ctrl+X", true},
                                  {"Copy", "Ctrl+C", true},
                                  {"Paste", "Ctrl+V", true},
                                  kSeparator,
                                  {"Mark all", "Ctrl+A", true},
                                  {"Clear Screen", "", true},
                                  kSeparator,
                                  {"Statistics", "", true}}));
    EXPECT_TRUE(form_->act_edit_statistics->isCheckable());
    EXPECT_FALSE(form_->act_edit_statistics->isChecked());  // hidden until the user shows it
    // Caption and hint are the same text; images only where the design has them.
    for (QAction* a : {form_->act_file_new, form_->act_edit_clear, form_->act_interface_conneced})
        EXPECT_EQ(a->toolTip(), a->text());
    EXPECT_FALSE(form_->act_file_save->icon().isNull());
    EXPECT_TRUE(form_->act_file_printersetup->icon().isNull());
    EXPECT_TRUE(form_->act_file_exit->icon().isNull());
}

TEST_F(MainFormTest, GaugeMenuListsTheModelsWithSeparatorsAndTags)
{
    Create();
    Show();
    const QList<QAction*> items = form_->menuitem_Device->actions();
    const struct {
        int tag;  // -1: separator
        const char* caption;
    } expected[] = {
        {0, "Manual"},
        {-1, ""},
        {1, "Lakmo (10...70)"},
        {2, "Lakmo 450 (USB)"},
        {3, "Lakmo (101...410) / Sonavel 2"},
        {-1, ""},
        {4, "Lakmo HX (200...410)"},
        {-1, ""},
        {5, "Pricor (Cable)"},
        {6, "Pricor (Infraredadapter at COM)"},
        {-1, ""},
        {7, "Layrix (400, 410)"},
        {-1, ""},
        {8, "Lakmo 3X00 / Sonavel 3 (USB)"},
        {9, "Lakmo 3X00 / Sonavel 3 (COM)"},
        {10, "Lakmo 3X0/3X00 / Sonavel 3 (Infrared)"},
        {-1, ""},
        {11, "Lakmo 3X5 (USB)"},
        {12, "Lakmo 3X5 Bluetooth"},
        {-1, ""},
        {13, "Lakmo 1600/2600 (USB-VCP)"},
        {14, "Lakmo 2600 Bluetooth"},
    };
    ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const QAction* item = items[static_cast<qsizetype>(i)];
        if (expected[i].tag < 0) {
            EXPECT_TRUE(item->isSeparator()) << i;
            continue;
        }
        EXPECT_EQ(item->text(), expected[i].caption) << i;
        EXPECT_EQ(TagOf(item), expected[i].tag) << i;
        EXPECT_TRUE(item->isCheckable()) << i;
    }
    EXPECT_EQ(items[0], form_->menuitem_Manuell);
}

TEST_F(MainFormTest, ChoosingAGaugeMarksOnlyItAndAppliesItsRow)
{
    Create();
    Show();
    const QList<QAction*> items = form_->menuitem_Device->actions();
    QAction* layrix = items[11];  // Tag 7, COM, 9600, polled
    ASSERT_EQ(TagOf(layrix), 7);
    layrix->trigger();
    EXPECT_EQ(form_->GaugeTag, 7);
    EXPECT_EQ(form_->GaugeMenuIndex, 11);
    EXPECT_TRUE(layrix->isChecked());
    EXPECT_FALSE(form_->menuitem_Manuell->isChecked());
    EXPECT_EQ(form_->Connection->Port(), portCOM);
    EXPECT_EQ(form_->Connection->BaudRate(), 9600u);
    EXPECT_TRUE(form_->PollGauge);
    EXPECT_FALSE(form_->LineReader.EchoChars);
    EXPECT_EQ(form_->StatusPanels[3]->text(), "Layrix (400, 410)");
    EXPECT_EQ(form_->StatusPanels[2]->text(), "9600 Baud");
}

TEST_F(MainFormTest, PortAndHelpMenusHaveTheirFixedItems)
{
    Create();
    Show();
    const std::vector<Entry> port = EntriesOf(form_->menuitem_Port);
    ASSERT_GE(port.size(), 6u);
    EXPECT_EQ(std::vector<Entry>(port.begin(), port.begin() + 6),
              (std::vector<Entry>{{"Connect", "", true},
                                  {"Disconnect", "", false},
                                  kSeparator,
                                  {"Infrared", "", false},
                                  {"USB", "", false},
                                  {"Bluetooth", "", false}}));
    // A click on a port kind does not mark it: the mark follows the chosen gauge.
    form_->menuitem_USB->setEnabled(true);
    form_->menuitem_USB->trigger();
    EXPECT_FALSE(form_->menuitem_USB->isChecked());

    const QList<QAction*> help = form_->menuitem_Help->actions();
    ASSERT_EQ(help.size(), 4);
    EXPECT_EQ(help[0]->text(), "Help about Dabrix");
    EXPECT_TRUE(help[1]->isSeparator());
    EXPECT_EQ(help[2]->menu(), form_->menuitem_Language);
    EXPECT_EQ(help[2]->text(), "Language");
    EXPECT_EQ(help[3]->text(), "Info");
    std::vector<QString> languages;
    for (const QAction* a : form_->menuitem_Language->actions()) {
        languages.push_back(a->text());
        EXPECT_TRUE(a->isCheckable());
    }
    EXPECT_EQ(languages, (std::vector<QString>{"German", "English", "French"}));
}

TEST_F(MainFormTest, ToolBarHoldsTheCommandsInDesignOrder)
{
    Create();
    Show();
    std::vector<QString> order;
    for (QAction* a : form_->ToolBar1->actions()) {
        if (a->isSeparator())
            order.push_back("|");
        else if (a->text().isEmpty())
            order.push_back("gap");
        else
            order.push_back(a->text());
    }
    EXPECT_EQ(order, (std::vector<QString>{"New", "Open", "|", "Save", "Save as...", "|", "Print", "|",
                                           "Cut", "Copy", "Paste", "Undo", "|", "Clear Screen", "gap",
                                           "Connect", "Disconnect", "|", "Statistics"}));
    EXPECT_EQ(form_->OpenButton->menu(), form_->PopupOpen);
    EXPECT_EQ(form_->OpenButton->popupMode(), QToolButton::MenuButtonPopup);
    std::vector<int> tags;
    for (const QAction* a : form_->PopupOpen->actions())
        tags.push_back(TagOf(a));
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(MainFormTest, EditorStatusBarAndTimerFollowTheDesign)
{
    Create();
    Show();
    EXPECT_EQ(form_->windowTitle(), "Unknown - Dabrix");
    EXPECT_EQ(form_->minimumSize(), QSize(430, 220));
    EXPECT_EQ(form_->centralWidget(), form_->Editor);

    const QFont font = form_->Editor->font();
    EXPECT_EQ(font.pixelSize(), 13);
    // Columns of readings line up: every character is as wide as any other.
    const QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W'));
    EXPECT_EQ(metrics.horizontalAdvance('.'), metrics.horizontalAdvance('0'));
    EXPECT_EQ(form_->Editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    std::vector<QString> popup;
    for (const QAction* a : form_->EditorPopup->actions())
        popup.push_back(a->isSeparator() ? QString("|") : a->text());
    EXPECT_EQ(popup, (std::vector<QString>{"Cut", "Copy", "Paste", "Mark all", "|", "Print"}));

    const int widths[4] = {300, 80, 100, 250};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(form_->StatusPanels[i]->width(), widths[i]) << i;
        EXPECT_EQ(form_->StatusPanels[i]->parentWidget(), form_->StatusBar) << i;
    }
    // Before any connection: disconnected, no port, the Manual gauge's rate.
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Disconnected");
    EXPECT_FALSE(form_->StatusPanels[0]->Image().isNull());
    EXPECT_EQ(form_->StatusPanels[1]->text(), "COM--");
    EXPECT_EQ(form_->StatusPanels[2]->text(), "9600 Baud");
    EXPECT_EQ(form_->StatusPanels[3]->text(), "Manual");

    EXPECT_TRUE(form_->PromptTime->isActive());
    EXPECT_EQ(form_->PromptTime->interval(), 1000);
    EXPECT_EQ(TagOf(form_->PromptTime), 1000);
}

TEST_F(MainFormTest, TheManagerHoldsOneRawConnectionWithDiscoveryOnAfterTheFirstShow)
{
    Create();
    TKTXComm2Manager& manager = *form_->KTXComm2Manager1;
    ASSERT_EQ(manager.Connections().Count(), 1);
    EXPECT_EQ(form_->Connection, manager.Connections().Items(0));
    EXPECT_EQ(form_->Connection->Name(), "Connection0");
    EXPECT_EQ(form_->Connection->ProtocolTyp(), ptRAW);
    EXPECT_EQ(form_->Connection->EndOfLineChar(), 0);
    EXPECT_EQ(form_->Connection->ReceiveTimeout(), 10u);
    EXPECT_FALSE(manager.ShowErrorMsg());
    EXPECT_TRUE(form_->StartingUp);

    Show();
    EXPECT_FALSE(form_->StartingUp);
    // Discovery is switched on for every port kind but infrared; the manager keeps a
    // kind whose transport the machine lacks disabled.
    EXPECT_EQ(manager.USBMode(), IsTransportAvailable(trUSB) ? umAutoDiscovery : umDisabled);
    EXPECT_EQ(manager.SerialMode(), IsTransportAvailable(trSerial) ? smAutoDiscovery : smDisabled);
    EXPECT_EQ(manager.BluetoothMode(), IsTransportAvailable(trBluetooth) ? bmAutoDiscovery : bmDisabled);
    EXPECT_EQ(manager.IrDAMode(), imDisabled);
    EXPECT_TRUE(form_->act_interface_conneced->isEnabled());
    EXPECT_FALSE(form_->act_interface_disconneced->isEnabled());
    EXPECT_EQ(form_->DisplayState, dsDisconnected);
}

// ---- Language and help ----------------------------------------------------------------

// The help documents are looked for as in an installed program: beside it in bin/,
// then in share/dabrix.
class LanguageTest : public MainFormTest {
protected:
    QString BinFolder() const { return QDir(dir_.path()).filePath("bin"); }
    QString ShareFolder() const { return QDir(dir_.path()).filePath("share/dabrix"); }
    void PlaceHelp(const QString& name) { PlaceHelpIn(ShareFolder(), name); }
    void PlaceHelpIn(const QString& folder, const QString& name)
    {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(QDir(folder).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
    }
    void CreateWithHelp()
    {
        Create();
        form_->HelpFolders = ProgramDataFolders(BinFolder());
        Show();
    }
};

TEST_F(LanguageTest, FirstShowMarksTheLanguageAndChoosesItsHelpWithoutAsking)
{
    PlaceHelp("DBXENG.PDF");
    WriteIni("[System]\nLanguage=en\n");
    CreateWithHelp();
    EXPECT_TRUE(form_->menuitem_English->isChecked());
    EXPECT_FALSE(form_->menuitem_German->isChecked());
    EXPECT_EQ(form_->HelpFile, "DBXENG.PDF");
    EXPECT_TRUE(form_->menuitem_HelpAbout->isEnabled());
    EXPECT_TRUE(dialogs_.questions.empty());

    form_->menuitem_HelpAbout->trigger();
    ASSERT_EQ(dialogs_.openedUrls.size(), 1u);
    EXPECT_EQ(dialogs_.openedUrls[0], QUrl::fromLocalFile(QDir(ShareFolder()).filePath("DBXENG.PDF")));
}

TEST_F(LanguageTest, AHelpDocumentBesideTheProgramComesBeforeTheSharedOne)
{
    PlaceHelp("DBXENG.PDF");
    PlaceHelpIn(BinFolder(), "DBXENG.PDF");
    WriteIni("[System]\nLanguage=en\n");
    CreateWithHelp();
    EXPECT_EQ(form_->HelpPath(), QDir(BinFolder()).filePath("DBXENG.PDF"));
    form_->menuitem_HelpAbout->trigger();
    ASSERT_EQ(dialogs_.openedUrls.size(), 1u);
    EXPECT_EQ(dialogs_.openedUrls[0], QUrl::fromLocalFile(QDir(BinFolder()).filePath("DBXENG.PDF")));
}

TEST_F(LanguageTest, ChoosingTheActiveLanguageAsksNothing)
{
    WriteIni("[System]\nLanguage=en\n");
    CreateWithHelp();
    form_->menuitem_English->trigger();
    EXPECT_TRUE(dialogs_.questions.empty());
    EXPECT_EQ(form_->LanguageCode, "en");
    EXPECT_TRUE(form_->menuitem_English->isChecked());
}

TEST_F(LanguageTest, ChoosingFrenchAsksToRestartAndNoKeepsRunningUntilTheNextClose)
{
    PlaceHelp("DBXFRA.PDF");
    WriteIni("[System]\nLanguage=en\n");
    CreateWithHelp();
    dialogs_.answers = {Answer::No};
    form_->menuitem_French->trigger();

    EXPECT_TRUE(form_->menuitem_French->isChecked());
    EXPECT_FALSE(form_->menuitem_English->isChecked());
    EXPECT_EQ(form_->HelpFile, "DBXFRA.PDF");
    EXPECT_TRUE(form_->menuitem_HelpAbout->isEnabled());
    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0].text, "The application must be restarted.\r\n\r\nRestart now ?");
    EXPECT_EQ(dialogs_.questions[0].buttons, TMainFormDialogs::Buttons::YesNo);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(form_->menuitem_File->title(), "File");  // the texts stay until the next start
    EXPECT_EQ(IniText().Value("System", "Language"), "en");  // nothing written yet

    ASSERT_TRUE(Close());
    EXPECT_EQ(IniText().Value("System", "Language"), "fr");
    EXPECT_EQ(LocaleIdOfLanguageCode(QString::fromStdString(profile_->ReadString("System", "Language", "en"))),
              1036);
}

TEST_F(LanguageTest, AnsweringYesClosesTheNormalWayAndWritesTheNewLanguage)
{
    WriteIni("[System]\nLanguage=en\n");
    CreateWithHelp();
    dialogs_.answers = {Answer::Yes};
    form_->menuitem_German->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->HelpFile, "DBXDEU.PDF");
    EXPECT_FALSE(form_->menuitem_HelpAbout->isEnabled());  // no DBXDEU.PDF here
    EXPECT_EQ(IniText().Value("System", "Language"), "de");
}

TEST_F(LanguageTest, AnUnsupportedLanguageMarksNothingAndHasNoHelp)
{
    PlaceHelp("DBXENG.PDF");
    env_.Set("LANG", "nl_NL.UTF-8");  // no Language key: the locale's language counts
    CreateWithHelp();
    EXPECT_EQ(form_->LanguageCode, "nl");
    for (const QAction* a : form_->menuitem_Language->actions())
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
    EXPECT_TRUE(form_->HelpFile.isEmpty());
    EXPECT_FALSE(form_->menuitem_HelpAbout->isEnabled());

    dialogs_.answers = {Answer::No};
    form_->menuitem_English->trigger();
    EXPECT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_TRUE(form_->menuitem_English->isChecked());
    EXPECT_TRUE(form_->menuitem_HelpAbout->isEnabled());
}

TEST_F(LanguageTest, AGermanSystemWithoutSettingsMarksGermanAndWritesIt)
{
    env_.Set("LANG", "de_DE.UTF-8");
    CreateWithHelp();
    EXPECT_EQ(form_->LanguageCode, "de");
    EXPECT_TRUE(form_->menuitem_German->isChecked());
    EXPECT_EQ(form_->HelpFile, "DBXDEU.PDF");
    ASSERT_TRUE(Close());
    EXPECT_EQ(IniText().Value("System", "Language"), "de");
    // The next start picks the German module.
    EXPECT_EQ(LocaleIdOfLanguageCode(QString::fromStdString(profile_->ReadString("System", "Language", "en"))),
              1031);
}

// ---- Info -------------------------------------------------------------------------------

TEST_F(MainFormTest, InfoShowsTheVersionAndContactsTheMaker)
{
    Create();
    info_->LabelVersion->setText(VersionText(ProgramVersion()));
    Show();
    bool closedByOk = false;
    dialogs_.onShowModal = [&](QDialog& dialog) {
        EXPECT_EQ(&dialog, info_.get());
        EXPECT_EQ(dialog.windowTitle(), "Info");
        EXPECT_EQ(dialog.size(), QSize(297, 327));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
        EXPECT_EQ(info_->LabelVersion->text(), "1.20");
        EXPECT_EQ(info_->EMAIL->toolTip(), TInfoForm::ContactAddress());
        info_->EMAIL->click();
        dialog.open();
        info_->BitBtn1->click();
        closedByOk = !dialog.isVisible() && dialog.result() == QDialog::Accepted;
        return dialog.result();
    };
    form_->menuitem_Info->trigger();
    EXPECT_EQ(dialogs_.shownWindows, std::vector<QString>{"InfoForm"});
    EXPECT_TRUE(closedByOk);
    ASSERT_EQ(dialogs_.openedUrls.size(), 1u);
    const QUrl mail = dialogs_.openedUrls[0];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path(), TInfoForm::ContactAddress());
    EXPECT_EQ(QUrlQuery(mail).queryItemValue("subject"), "Dabrix");

    // The licence notice names the licence and links to its text.
    EXPECT_TRUE(info_->LabelLicence->text().contains("GNU GPL, version 3 or later"));
    EXPECT_TRUE(info_->LabelLicence->text().contains(TInfoForm::LicenceUrl().toString(QUrl::FullyEncoded)));
    emit info_->LabelLicence->linkActivated(TInfoForm::LicenceUrl().toString());
    ASSERT_EQ(dialogs_.openedUrls.size(), 2u);
    EXPECT_EQ(dialogs_.openedUrls[1], TInfoForm::LicenceUrl());
}

// ---- Documents --------------------------------------------------------------------------

TEST_F(MainFormTest, SaveAsAddsTheExtensionWritesCrLfLinesAndHeadsTheRecentList)
{
    Create();
    Show();
    const QString data = QDir(dir_.path()).filePath("data");
    form_->Editor->setPlainText(QString::fromUtf8("12.5 µm\n\n13.0 µm\n"));
    form_->Editor->document()->setModified(true);
    dialogs_.saveNames = {data, data + ".txt"};
    form_->act_file_saveas->trigger();

    QFile file(data + ".txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("12.5 \xC2\xB5m\r\n\r\n13.0 \xC2\xB5m\r\n"));
    file.close();
    EXPECT_EQ(form_->DocumentName(), data + ".txt");
    EXPECT_EQ(form_->windowTitle(), "data.txt - Dabrix");
    EXPECT_FALSE(form_->Editor->document()->isModified());
    EXPECT_EQ(form_->RecentFiles()[0], data + ".txt");
    EXPECT_EQ(form_->RecentItems[0]->text(), "0:   " + data + ".txt");

    // The same name again: asked before overwriting; No leaves the file alone and the
    // recent list gets no second entry.
    form_->Editor->setPlainText("other");
    dialogs_.answers = {Answer::No};
    form_->act_file_saveas->trigger();
    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0].text, "Overwrite " + data + ".txt ?");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("12.5"));
    EXPECT_TRUE(form_->RecentFiles()[1].isEmpty());
}

TEST_F(MainFormTest, AFailedSaveIsReportedAndKeepsTheTextModified)
{
    Create();
    Show();
    form_->Editor->setPlainText("reading");
    form_->Editor->document()->setModified(true);
    dialogs_.saveNames = {QDir(dir_.path()).filePath("missing-folder/x.txt")};
    form_->act_file_saveas->trigger();
    EXPECT_EQ(dialogs_.errors.size(), 1u);
    EXPECT_TRUE(form_->Editor->document()->isModified());
    EXPECT_EQ(form_->DocumentName(), "Unknown");
    EXPECT_TRUE(form_->RecentFiles()[0].isEmpty());
}

TEST_F(MainFormTest, ClearScreenAsksAndKeepsTheDocumentName)
{
    Create();
    Show();
    form_->Editor->setPlainText("reading");
    form_->Editor->document()->setModified(true);
    dialogs_.answers = {Answer::Cancel, Answer::Ok};
    form_->act_edit_clear->trigger();
    EXPECT_EQ(form_->Editor->toPlainText(), "reading");
    form_->act_edit_clear->trigger();
    EXPECT_TRUE(form_->Editor->toPlainText().isEmpty());
    EXPECT_FALSE(form_->Editor->document()->isModified());
    EXPECT_EQ(dialogs_.questions.at(1).text, "Clear screen ?");
    EXPECT_EQ(dialogs_.questions.at(1).buttons, TMainFormDialogs::Buttons::OkCancel);
    EXPECT_EQ(form_->windowTitle(), "Unknown - Dabrix");
}

} // namespace
