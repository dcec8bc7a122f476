// Files that are not what they should be, end to end: a settings file cut short or full of
// binary bytes at start-up, and documents that are not text opened through the document
// commands. The program must start, keep what it could read, and say clearly what it
// cannot open.
#include "app/MainForm.h"
#include "app/StartUp.h"
#include "app/documents/DocumentController.h"
#include "app/documents/DocumentFile.h"
#include "app/documents/PrintDialogs.h"
#include "app/tests/MainFormFixture.h"
#include "app/tests/ProgramEnvironment.h"
#include "comm/KTXComm2Item.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QWidget>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::app::DocumentController;
using dabrix::platform::ProfileText;
using OpenResult = DocumentController::OpenResult;

namespace {

std::string Binary(size_t size, std::uint32_t seed)
{
    std::string bytes;
    while (bytes.size() < size) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(seed >> 16));
    }
    return bytes;
}

// ---- MSave.ini at start-up --------------------------------------------------------------

using BrokenSettingsTest = MainFormTest;

TEST_F(BrokenSettingsTest, ACutOffFileGivesWhatWasReadAndDefaultsForTheRest)
{
    // Cut inside the key after Baud: the window section and Baud are whole.
    WriteIni("[Window]\nLeft=40\nTop=50\nHeight=300\nWidth=640\n[Config]\nBaud=19200\nDev");
    Create();
    Show();
    EXPECT_EQ(form_->ManualBaud, 19200);
    EXPECT_EQ(form_->Connection->BaudRate(), 19200u);  // Manual takes it
    EXPECT_EQ(form_->GaugeTag, 0);
    EXPECT_TRUE(form_->menuitem_Manuell->isChecked());
    EXPECT_EQ(form_->ComPortNumber, 0);
    EXPECT_EQ(form_->Documents->LeftSpace(), 10);
    EXPECT_EQ(form_->LanguageCode, "en");
    EXPECT_EQ(form_->size(), QSize(640, 300));

    // Closing writes a whole file again: every key, the values read kept.
    ASSERT_TRUE(Close());
    const ProfileText text = IniText();
    EXPECT_EQ(text.Value("Config", "Baud"), "19200");
    EXPECT_EQ(text.Value("Config", "Device"), "0");
    EXPECT_EQ(text.Value("Window", "Width"), "640");
    for (const char* key : {"File0", "File1", "File2", "File3", "File4"})
        EXPECT_TRUE(text.Value("LastFile", key)) << key;
}

TEST_F(BrokenSettingsTest, ABinaryFileStartsTheProgramWithItsDefaults)
{
    std::string bytes = Binary(4096, 7);
    bytes.replace(100, 5, std::string("\0\0\0\0\0", 5));
    WriteIni(bytes);
    // The program entry reads the language a second time to choose the module.
    EXPECT_EQ(LocaleIdOfLanguageCode(QString::fromStdString(profile_->ReadString("System", "Language", "en"))),
              2057);
    Create();
    Show();
    EXPECT_EQ(form_->ManualBaud, 9600);
    EXPECT_EQ(form_->GaugeTag, 0);
    EXPECT_EQ(form_->ComPortNumber, 0);
    EXPECT_EQ(form_->Documents->LeftSpace(), 10);
    EXPECT_EQ(form_->LanguageCode, "en");
    EXPECT_EQ(form_->size(), QSize(500, 450));
    for (const QString& recent : form_->RecentFiles())
        EXPECT_TRUE(recent.isEmpty()) << recent.toStdString();
    EXPECT_TRUE(form_->act_interface_conneced->isEnabled());

    ASSERT_TRUE(Close());
    const ProfileText text = IniText();
    EXPECT_EQ(text.Value("Config", "Baud"), "9600");
    EXPECT_EQ(text.Value("Config", "Device"), "0");
    EXPECT_EQ(text.Value("System", "Language"), "en");
    EXPECT_EQ(text.Value("Window", "Height"), "450");
}

// The real program, started on such files: it comes up and keeps running.
TEST(BrokenSettingsProgramTest, TheProgramStartsAndRunsOnACutOffOrBinaryFile)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"cut off", "[Window]\nLeft=40\nTop=50\n[Config]\nBaud=19200\nDevice=9\nPo"},
        {"binary", Binary(4096, 3)},
        {"cut off inside a section name", "[Sys"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        QDir root(dir.path());
        const QProcessEnvironment env = ProgramEnvironment(root);
        ASSERT_FALSE(env.isEmpty());
        QFile ini(root.filePath("config/Dabrix/MSave.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
        ini.close();

        QProcess program;
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(DABRIX_PROGRAM));
        program.start();
        ASSERT_TRUE(program.waitForStarted(5000));
        // Up and running: it holds the instance lock and has not ended.
        EXPECT_FALSE(program.waitForFinished(2000)) << "ended with " << program.exitCode() << ": "
                                                    << program.readAllStandardError().toStdString();
        EXPECT_TRUE(QFile::exists(root.filePath("runtime/Dabrix_Instance")));
        program.kill();
        program.waitForFinished(5000);
    }
}

// ---- Documents that are not text ------------------------------------------------------

class NoPrinting : public dabrix::app::PrintDialogs {
public:
    bool PrintDialog(QWidget*, QPrinter&) override { return false; }
    bool PageSetupDialog(QWidget*, QPrinter&) override { return false; }
};

class OddDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        editor = new QPlainTextEdit(&window);
        controller = std::make_unique<DocumentController>(window, *editor, dialogs, printing);
        editor->setPlainText("kept\n");
        editor->document()->setModified(false);
    }

    QString Store(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QStringList Blocks() const
    {
        QStringList lines;
        for (QTextBlock b = editor->document()->begin(); b.isValid(); b = b.next())
            lines << b.text();
        return lines;
    }

    QTemporaryDir dir;
    QWidget window;
    QPlainTextEdit* editor = nullptr;
    TScriptedDialogs dialogs;
    NoPrinting printing;
    std::unique_ptr<DocumentController> controller;
};

TEST_F(OddDocumentTest, BinaryAndNonUtf8FilesOpenAsTheirBytesWithoutNuls)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;  // as the editor shows them
    };
    const QChar replacement(QChar::ReplacementCharacter);
    const Case cases[] = {
        // Not UTF-8: every byte is the character of its value.
        {"latin1.txt", QByteArray("caf\xE9 12.5 \xB5m\r\n\xFF\xFE end"),
         {QStringLiteral("caf\u00E9 12.5 \u00B5m"), QStringLiteral("\u00FF\u00FE end"), ""}},
        // NUL bytes cannot be shown; they stand out as U+FFFD instead of cutting the text.
        {"nul.bin", QByteArray("a\0b\0\0c\n", 7), {QString("a") + replacement + "b" + replacement + replacement + "c", ""}},
        // A UTF-8 sequence cut off: the whole file is read as Latin-1, nothing is dropped.
        {"cut.txt", QByteArray("\xC2\xB5m ok\n\xE2\x82"), {QStringLiteral("\u00C2\u00B5m ok"), QStringLiteral("\u00E2\u0082"), ""}},
        {"utf8.txt", QByteArray("\xC2\xB5m \xE2\x82\xAC\n"), {QStringLiteral("\u00B5m \u20AC"), ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Store(c.name, c.bytes);
        ASSERT_EQ(controller->PerformFileOpen(path), OpenResult::Opened);
        EXPECT_EQ(Blocks(), c.lines);
        EXPECT_EQ(controller->DocumentName(), path);
        EXPECT_FALSE(editor->document()->isModified());
    }
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(dialogs.messages.empty());

    // Random binary: opens, holds no NUL, and a save writes valid UTF-8 that opens as
    // the same text again.
    const QString binary = Store("random.bin", QByteArray::fromStdString(Binary(256 * 1024, 99)));
    ASSERT_EQ(controller->PerformFileOpen(binary), OpenResult::Opened);
    const QString shown = editor->toPlainText();
    EXPECT_FALSE(shown.contains(QChar(0)));
    EXPECT_GT(shown.size(), 200 * 1024);
    const QString copy = dir.filePath("copy.txt");
    dialogs.saveNames.push_back(copy);
    ASSERT_TRUE(controller->act_file_saveasExecute());
    ASSERT_EQ(controller->PerformFileOpen(copy), OpenResult::Opened);
    EXPECT_EQ(editor->toPlainText(), shown);
}

TEST_F(OddDocumentTest, AFileTooLargeForTheEditorIsRefusedWithAMessageAndChangesNothing)
{
    // Sparse: a gigabyte that takes no disk space; it is refused before a byte is read.
    const QString path = dir.filePath("huge.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(1024LL * 1024 * 1024));
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(controller->PerformFileOpen(path), OpenResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains("too large")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains("1024 MB")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(editor->toPlainText(), "kept\n");
    EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
}

TEST_F(OddDocumentTest, ALargeBinaryFileWithinTheLimitOpensWhole)
{
    // 32 MB of binary lines of 4 KB.
    QByteArray bytes = QByteArray::fromStdString(Binary(32 * 1024 * 1024, 5));
    for (qsizetype i = 4095; i < bytes.size(); i += 4096)
        bytes[i] = '\n';
    const QString path = Store("large.bin", bytes);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(controller->PerformFileOpen(path), OpenResult::Opened);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    EXPECT_EQ(editor->document()->blockCount(),
              dabrix::app::DocumentLines(dabrix::app::DecodeDocument(bytes)).size() + 1);
    EXPECT_GE(editor->document()->blockCount(), 8192);
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
