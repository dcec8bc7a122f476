// MSave.ini as the main window reads it at creation and writes it at close.
#include "app/tests/MainFormFixture.h"

#include "comm/KTXComm2Item.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QMenu>
#include <QPlainTextEdit>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Answer = TMainFormDialogs::Answer;
using dabrix::platform::ProfileText;

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + '/';
}

// ---- Reading ----------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    const char* ini;  // the whole file; nullptr: no file at all
    std::function<void(const TMainForm&)> check;
};

class ReadSettingsTest : public MainFormTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadSettingsTest, ReadsTheKeyByTheProfileRules)
{
    const ReadCase& c = GetParam();
    if (c.ini)
        WriteIni(c.ini);
    Create();
    c.check(*form_);
}

const ReadCase kReadCases[] = {
    {"NoFileGivesEveryDefault", nullptr,
     [](const TMainForm& f) {
         EXPECT_EQ(f.width(), 500);
         EXPECT_EQ(f.height(), 450);
         // No stored place: the window starts centred on the screen.
         EXPECT_EQ(f.frameGeometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
         EXPECT_EQ(f.ManualBaud, 9600);
         EXPECT_EQ(f.GaugeTag, 0);
         EXPECT_EQ(f.ComPortNumber, 0);
         EXPECT_EQ(f.MaxPort, 20);
         EXPECT_TRUE(f.AutoConnect);
         EXPECT_FALSE(f.Debug);
         EXPECT_EQ(f.Documents->LeftSpace(), 10);
         EXPECT_EQ(f.LanguageCode, "en");  // from LANG=en_GB
         EXPECT_EQ(f.Documents->WorkDir(), ProgramFolder());
         for (const QString& file : f.RecentFiles())
             EXPECT_TRUE(file.isEmpty());
     }},
    {"NumbersAreRead", "[Window]\nLeft=120\nTop=130\nHeight=400\nWidth=600\n"
                       "[Config]\nBaud=4800\nDevice=7\nPort=3\nMaxPort=12\nLeftSpace=99\n"
                       "[System]\nLeftSpace=-4\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.pos(), QPoint(120, 130));
         EXPECT_EQ(f.height(), 400);
         EXPECT_EQ(f.width(), 600);
         EXPECT_EQ(f.ManualBaud, 4800);
         EXPECT_EQ(f.GaugeTag, 7);
         EXPECT_EQ(f.ComPortNumber, 3);
         EXPECT_EQ(f.MaxPort, 12);
         EXPECT_EQ(f.Documents->LeftSpace(), -4);  // from [System], not the stray key in [Config]
     }},
    {"NamesAreCaseInsensitiveAndBlanksAroundValuesDoNotCount",
     "[config]\nbaud = 1200 \n[SYSTEM]\nLANGUAGE= fr\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.ManualBaud, 1200);
         EXPECT_EQ(f.LanguageCode, "fr");
     }},
    {"ANonNumberReadsAsTheDefault", "[Config]\nBaud=fast\nDevice=x3\nPort=3a\nMaxPort=\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.ManualBaud, 9600);
         EXPECT_EQ(f.GaugeTag, 0);
         EXPECT_EQ(f.ComPortNumber, 0);
         EXPECT_EQ(f.MaxPort, 20);
     }},
    {"BooleansAreTrueForAnyNonZeroNumber", "[Config]\nAutoConnect=0\nDebug=7\n",
     [](const TMainForm& f) {
         EXPECT_FALSE(f.AutoConnect);
         EXPECT_TRUE(f.Debug);
     }},
    {"ABooleanThatIsNotANumberReadsAsItsDefault", "[Config]\nAutoConnect=no\nDebug=yes\n",
     [](const TMainForm& f) {
         EXPECT_TRUE(f.AutoConnect);
         EXPECT_FALSE(f.Debug);
     }},
    {"AnEmptyStringIsEmptyNotTheDefault", "[System]\nLanguage=\nWorkDir=\n[LastFile]\nFile0=\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.LanguageCode, "");
         EXPECT_EQ(f.Documents->WorkDir(), "");
         EXPECT_EQ(f.RecentFiles()[0], "");
     }},
    {"StringsAreTakenAsTheyStand",
     "[System]\nLanguage=nl\nWorkDir=/data/\"quoted\" dir/\n"
     "[LastFile]\nFile0=/data/a b.txt\nFile2=/data/ü.txt\nFile4=C:\\old\\x.TXT\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.LanguageCode, "nl");
         EXPECT_EQ(f.Documents->WorkDir(), "/data/\"quoted\" dir/");
         EXPECT_EQ(f.RecentFiles()[0], "/data/a b.txt");
         EXPECT_EQ(f.RecentFiles()[1], "");
         EXPECT_EQ(f.RecentFiles()[2], QString::fromUtf8("/data/ü.txt"));
         EXPECT_EQ(f.RecentFiles()[4], "C:\\old\\x.TXT");
     }},
    {"APlaceOffEveryScreenIsNotUsed", "[Window]\nLeft=-5000\nTop=-5000\n",
     [](const TMainForm& f) {
         EXPECT_EQ(f.frameGeometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
     }},
    {"TheDeviceIsKeptInOneByte", "[Config]\nDevice=258\n",
     [](const TMainForm& f) { EXPECT_EQ(f.GaugeTag, 2); }},
};

INSTANTIATE_TEST_SUITE_P(Rules, ReadSettingsTest, ::testing::ValuesIn(kReadCases),
                         [](const ::testing::TestParamInfo<ReadCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainFormTest, RecentFilesAppearInTheOpenDropDownWithTheirNumbers)
{
    WriteIni("[LastFile]\nFile0=/a/one.txt\nFile1=\nFile2=/a/R&D.txt\n");
    Create();
    EXPECT_EQ(form_->RecentItems[0]->text(), "0:   /a/one.txt");
    EXPECT_TRUE(form_->RecentItems[0]->isVisible());
    EXPECT_FALSE(form_->RecentItems[1]->isVisible());
    EXPECT_FALSE(form_->RecentItems[1]->isEnabled());
    // An ampersand in a name is shown, not taken as an access key.
    EXPECT_EQ(form_->RecentItems[2]->text(), "2:   /a/R&&D.txt");
    EXPECT_TRUE(form_->RecentItems[2]->isVisible());
    EXPECT_FALSE(form_->RecentItems[3]->isVisible());
    EXPECT_FALSE(form_->RecentItems[4]->isVisible());
}

TEST_F(MainFormTest, TheManualGaugeTakesTheStoredBaudRate)
{
    WriteIni("[Config]\nBaud=4800\nDevice=0\n");
    Create();
    Show();
    EXPECT_EQ(form_->Connection->BaudRate(), 4800u);
    EXPECT_TRUE(form_->menuitem_Manuell->isChecked());
}

// ---- Writing ----------------------------------------------------------------------------

const std::vector<std::pair<std::string, std::vector<std::string>>> kAllKeys = {
    {"Window", {"Left", "Top", "Height", "Width"}},
    {"Config", {"Baud", "Device", "Port", "MaxPort", "AutoConnect", "Debug"}},
    {"System", {"LeftSpace", "Language", "WorkDir"}},
    {"LastFile", {"File0", "File1", "File2", "File3", "File4"}},
};

TEST_F(MainFormTest, AFreshFileGetsAllEighteenKeysInOrder)
{
    Create();
    Show();
    ASSERT_TRUE(Close());

    const ProfileText text = IniText();
    std::vector<std::string> sections;
    for (const auto& [section, keys] : kAllKeys) {
        sections.push_back(section);
        std::vector<std::string> written;
        for (const auto& [key, value] : text.Section(section))
            written.push_back(key);
        EXPECT_EQ(written, keys) << section;
    }
    EXPECT_EQ(text.SectionNames(), sections);

    EXPECT_EQ(text.Value("Window", "Left"), std::to_string(form_->x()));
    EXPECT_EQ(text.Value("Window", "Top"), std::to_string(form_->y()));
    EXPECT_EQ(text.Value("Window", "Height"), "450");
    EXPECT_EQ(text.Value("Window", "Width"), "500");
    EXPECT_EQ(text.Value("Config", "Baud"), "9600");
    EXPECT_EQ(text.Value("Config", "Device"), "0");
    EXPECT_EQ(text.Value("Config", "Port"), "0");
    EXPECT_EQ(text.Value("Config", "MaxPort"), "20");
    EXPECT_EQ(text.Value("Config", "AutoConnect"), "1");
    EXPECT_EQ(text.Value("Config", "Debug"), "0");
    EXPECT_EQ(text.Value("System", "LeftSpace"), "10");
    EXPECT_EQ(text.Value("System", "Language"), "en");
    EXPECT_EQ(text.Value("System", "WorkDir"), ProgramFolder().toStdString());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(text.Value("LastFile", "File" + std::to_string(i)), "");
}

TEST_F(MainFormTest, AFileThatLacksKeysGetsThemAllAndKeepsForeignLines)
{
    WriteIni("; written by hand\n"
             "[Config]\nDebug=5\nMaxPort=abc\nAutoConnect=no\nBaud=2400\n"
             "[Extra]\nColour=blue\n"
             "[LastFile]\nFile3=/x/three.txt\n");
    Create();
    Show();
    ASSERT_TRUE(Close());

    const ProfileText text = IniText();
    for (const auto& [section, keys] : kAllKeys) {
        for (const std::string& key : keys)
            EXPECT_TRUE(text.Value(section, key).has_value()) << section << '/' << key;
    }
    // Kept-only keys go back as they were understood.
    EXPECT_EQ(text.Value("Config", "Debug"), "1");
    EXPECT_EQ(text.Value("Config", "MaxPort"), "20");
    EXPECT_EQ(text.Value("Config", "AutoConnect"), "1");
    EXPECT_EQ(text.Value("Config", "Baud"), "2400");
    EXPECT_EQ(text.Value("LastFile", "File3"), "/x/three.txt");
    EXPECT_EQ(text.Value("Extra", "Colour"), "blue");
    EXPECT_NE(ReadIni().find("; written by hand"), std::string::npos);
}

TEST_F(MainFormTest, AnUnknownDeviceMarksNoGaugeAndIsWrittenBack)
{
    WriteIni("[Config]\nDevice=99\n");
    Create();
    Show();
    for (QAction* item : form_->menuitem_Device->actions())
        EXPECT_FALSE(item->isChecked()) << item->text().toStdString();
    EXPECT_EQ(form_->GaugeMenuIndex, 0);
    ASSERT_TRUE(Close());
    EXPECT_EQ(IniText().Value("Config", "Device"), "99");
}

TEST_F(MainFormTest, WindowPlaceAndStateGoBackAsTheyAreAtClose)
{
    WriteIni("[Window]\nLeft=40\nTop=50\nHeight=300\nWidth=640\n"
             "[Config]\nPort=4\n[System]\nLanguage=de\nLeftSpace=3\n");
    Create();
    Show();
    form_->move(60, 70);
    form_->resize(700, 350);
    ASSERT_TRUE(Close());
    const ProfileText text = IniText();
    EXPECT_EQ(text.Value("Window", "Left"), "60");
    EXPECT_EQ(text.Value("Window", "Top"), "70");
    EXPECT_EQ(text.Value("Window", "Height"), "350");
    EXPECT_EQ(text.Value("Window", "Width"), "700");
    EXPECT_EQ(text.Value("Config", "Port"), "4");
    EXPECT_EQ(text.Value("System", "Language"), "de");
    EXPECT_EQ(text.Value("System", "LeftSpace"), "3");
}

TEST_F(MainFormTest, WorkDirIsKeptWhenNoFileWasChosenInTheSaveDialog)
{
    WriteIni("[System]\nWorkDir=/data/gauges/\n");
    Create();
    Show();
    form_->Editor->setPlainText("x");
    form_->Editor->document()->setModified(false);
    dialogs_.saveNames = {""};  // the save dialog is opened and cancelled
    form_->act_file_saveas->trigger();
    ASSERT_TRUE(Close());
    EXPECT_EQ(IniText().Value("System", "WorkDir"), "/data/gauges/");
}

TEST_F(MainFormTest, WorkDirBecomesTheFolderOfTheFileSavedLast)
{
    QDir root(dir_.path());
    ASSERT_TRUE(root.mkpath("first"));
    ASSERT_TRUE(root.mkpath("second"));
    WriteIni("[System]\nWorkDir=/data/gauges/\n");
    Create();
    Show();
    form_->Editor->setPlainText("12.5 mm");
    dialogs_.saveNames = {root.filePath("first/a"), root.filePath("second/b.txt")};
    form_->act_file_saveas->trigger();
    form_->act_file_saveas->trigger();
    ASSERT_TRUE(Close());

    EXPECT_EQ(IniText().Value("System", "WorkDir"), root.filePath("second/").toStdString());
    // The first dialog starts in the folder read, the next where the last file went.
    ASSERT_EQ(dialogs_.saveFolders.size(), 2u);
    EXPECT_EQ(dialogs_.saveFolders[0], "/data/gauges/");
    EXPECT_EQ(dialogs_.saveFolders[1], root.filePath("first/"));
}

TEST_F(MainFormTest, AnEmptyWorkDirOpensTheDialogInTheDefaultFolderAndStaysEmpty)
{
    WriteIni("[System]\nWorkDir=\n");
    Create();
    Show();
    dialogs_.saveNames = {""};
    form_->act_file_saveas->trigger();
    ASSERT_EQ(dialogs_.saveFolders.size(), 1u);
    EXPECT_EQ(dialogs_.saveFolders[0], "");
    ASSERT_TRUE(Close());
    EXPECT_EQ(IniText().Value("System", "WorkDir"), "");
}

TEST_F(MainFormTest, RecentFilesAreWrittenInOrder)
{
    WriteIni("[LastFile]\nFile0=/a/0.txt\nFile1=/a/1.txt\nFile2=/a/2.txt\nFile3=/a/3.txt\nFile4=/a/4.txt\n");
    Create();
    Show();
    form_->Editor->setPlainText("x");
    dialogs_.saveNames = {QDir(dir_.path()).filePath("new.txt")};
    form_->act_file_saveas->trigger();
    ASSERT_TRUE(Close());
    const ProfileText text = IniText();
    EXPECT_EQ(text.Value("LastFile", "File0"), QDir(dir_.path()).filePath("new.txt").toStdString());
    EXPECT_EQ(text.Value("LastFile", "File1"), "/a/0.txt");
    EXPECT_EQ(text.Value("LastFile", "File4"), "/a/3.txt");
}

// ---- The close path -------------------------------------------------------------------

TEST_F(MainFormTest, CancellingTheSaveQuestionKeepsTheProgramAndTheFile)
{
    const std::string before = "[Config]\nBaud=4800\n";
    WriteIni(before);
    Create();
    Show();
    form_->Editor->setPlainText("unsaved reading");
    form_->Editor->document()->setModified(true);
    dialogs_.answers = {Answer::Cancel};
    EXPECT_FALSE(Close());
    EXPECT_TRUE(form_->isVisible());
    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0].text, "Saving the change in Unknown ?");
    EXPECT_EQ(dialogs_.questions[0].buttons, TMainFormDialogs::Buttons::YesNoCancel);
    EXPECT_EQ(ReadIni(), before);
}

TEST_F(MainFormTest, AnsweringNoDropsTheTextAndCloses)
{
    Create();
    Show();
    form_->Editor->setPlainText("unsaved reading");
    form_->Editor->document()->setModified(true);
    dialogs_.answers = {Answer::No};
    EXPECT_TRUE(Close());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(ReadIni().empty());
}

TEST_F(MainFormTest, AnsweringYesButCancellingTheSaveDialogKeepsTheProgramOpen)
{
    // Closing anyway would throw away the text the user just asked to keep.
    Create();
    Show();
    form_->Editor->setPlainText("unsaved reading");
    form_->Editor->document()->setModified(true);
    dialogs_.answers = {Answer::Yes};
    dialogs_.saveNames = {""};
    EXPECT_FALSE(Close());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(form_->Editor->document()->isModified());
    EXPECT_TRUE(ReadIni().empty());
}

TEST_F(MainFormTest, AnsweringYesSavesAndCloses)
{
    const QString path = QDir(dir_.path()).filePath("kept.txt");
    Create();
    Show();
    form_->Editor->setPlainText("line 1\nline 2");
    form_->Editor->document()->setModified(true);
    dialogs_.answers = {Answer::Yes};
    dialogs_.saveNames = {path};
    EXPECT_TRUE(Close());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("line 1\r\nline 2\r\n"));
    EXPECT_EQ(IniText().Value("LastFile", "File0"), path.toStdString());
}

} // namespace
