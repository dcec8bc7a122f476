// The main window's document commands as the user reaches them: the File and Edit
// actions, the Open button's recent-file drop-down, printing, and the recent list across
// a restart. Dialogs are scripted; files live in the test's own folder.
#include "app/tests/MainFormFixture.h"

#include "app/documents/tests/FileSizeLimit.h"
#include "app/documents/tests/PdfText.h"
#include "app/documents/tests/QStringPrinter.h"
#include "comm/KTXComm2Item.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTimer>
#include <QTranslator>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

namespace {

using Answer = TMainFormDialogs::Answer;
using dabrix::app::test::PdfLayoutLines;
using dabrix::app::test::PdfPageCount;
using dabrix::app::test::PdfToolsAvailable;
using dabrix::app::test::PdfWords;

QByteArray Load(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class DocumentTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        Create();
        Show();
    }

    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    // A new main window on the same settings file, as at the next start.
    void Restart()
    {
        serial_.reset();
        info_.reset();
        form_.reset();
        Create();
        Show();
    }

    // Text added at the end, as typing or a reading adds it.
    void Type(const QString& text)
    {
        form_->Editor->moveCursor(QTextCursor::End);
        form_->Editor->insertPlainText(text);
    }
    bool Modified() const { return form_->Editor->document()->isModified(); }
    QString Text() const { return form_->Editor->toPlainText(); }

    void SaveAs(const QString& chosen)
    {
        dialogs_.saveNames.push_back(chosen);
        form_->act_file_saveas->trigger();
    }

    QStringList Recent() const
    {
        QStringList entries;
        for (const QString& entry : form_->RecentFiles())
            entries << entry;
        return entries;
    }
    QStringList ItemTexts() const
    {
        QStringList texts;
        for (const QAction* item : form_->RecentItems)
            texts << (item->isVisible() ? item->text() : QStringLiteral("<hidden>"));
        return texts;
    }
};

// ---- Save, Save as and the recent list ---------------------------------------------------

TEST_F(DocumentTest, SavingTheSamePathAgainAddsNoSecondEntryAndAThenBThenAListsABA)
{
    const QString a = Path("a.txt");
    const QString b = Path("b.txt");
    Type("12.5 mm");
    SaveAs(a);
    dialogs_.answers = {Answer::Yes};  // overwrite a.txt
    Type("\n13.0 mm");
    SaveAs(a);
    EXPECT_EQ(Load(a), QByteArray("12.5 mm\r\n13.0 mm\r\n"));
    EXPECT_EQ(Recent(), QStringList({a, "", "", "", ""}));
    EXPECT_EQ(ItemTexts(), QStringList({"0:   " + a, "<hidden>", "<hidden>", "<hidden>", "<hidden>"}));

    SaveAs(b);
    dialogs_.answers = {Answer::Yes};
    SaveAs(a);
    EXPECT_EQ(Recent(), QStringList({a, b, a, "", ""}));
    EXPECT_EQ(ItemTexts(), QStringList({"0:   " + a, "1:   " + b, "2:   " + a, "<hidden>", "<hidden>"}));
    EXPECT_EQ(form_->DocumentName(), a);
    EXPECT_EQ(form_->windowTitle(), "a.txt - Dabrix");
}

TEST_F(DocumentTest, SaveWithoutANameRunsSaveAsAndItsCancelKeepsTheDocumentUnnamedAndModified)
{
    Type("reading");
    dialogs_.saveNames = {""};
    form_->act_file_save->trigger();
    EXPECT_EQ(dialogs_.saveFolders.size(), 1u) << "Save ran the save dialog";
    EXPECT_EQ(form_->DocumentName(), "Unknown");
    EXPECT_EQ(form_->windowTitle(), "Unknown - Dabrix");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Recent(), QStringList({"", "", "", "", ""}));

    // With a name, Save writes to it without asking.
    SaveAs(Path("named.txt"));
    Type(" more");
    form_->act_file_save->trigger();
    EXPECT_EQ(dialogs_.saveFolders.size(), 2u);
    EXPECT_EQ(Load(Path("named.txt")), QByteArray("reading more\r\n"));
    EXPECT_FALSE(Modified());
}

TEST_F(DocumentTest, TheFileKeepsNonBreakingSpacesOfTheGauge)
{
    // The gauge byte 0xA0 shows as U+00A0; the file must hold it, not a plain blank.
    Type(QString::fromUtf8("12\u00A05 mm"));
    SaveAs(Path("nbsp.txt"));
    EXPECT_EQ(Load(Path("nbsp.txt")), QByteArray("12\xC2\xA0" "5 mm\r\n"));
}

// A write that fails part-way leaves everything as it was: the old file, the name, the
// modified flag and the recent list.
TEST_F(DocumentTest, AFailingWriteLosesNothing)
{
    const QString path = Path("kept.txt");
    Type("old reading");
    SaveAs(path);
    ASSERT_EQ(Load(path), QByteArray("old reading\r\n"));
    Type(QString(64 * 1024, QLatin1Char('7')));

    {
        dabrix::app::test::ScopedFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.Active());
        form_->act_file_save->trigger();
    }
    ASSERT_EQ(dialogs_.errors.size(), 1u);
    EXPECT_TRUE(dialogs_.errors[0].contains(path)) << dialogs_.errors[0].toStdString();
    EXPECT_EQ(Load(path), QByteArray("old reading\r\n"));
    EXPECT_EQ(form_->DocumentName(), path);
    EXPECT_TRUE(Modified());

    // Save as onto a folder: reported, and the document is still the old one.
    ASSERT_TRUE(QDir(dir_.path()).mkpath("folder.txt"));
    dialogs_.answers = {Answer::Yes};  // "Overwrite ... ?"
    SaveAs(Path("folder.txt"));
    EXPECT_EQ(dialogs_.errors.size(), 2u);
    EXPECT_EQ(form_->DocumentName(), path);
    EXPECT_EQ(Recent(), QStringList({path, "", "", "", ""}));
    EXPECT_TRUE(Modified());

    // Nothing was lost: the next save writes the whole text.
    form_->act_file_save->trigger();
    EXPECT_EQ(Load(path).size(), qsizetype(std::string("old reading").size() + 64 * 1024 + 2));
    EXPECT_FALSE(Modified());
}

TEST_F(DocumentTest, TheRecentListSurvivesARestart)
{
    const QString a = Path("a.txt");
    const QString b = Path("b&c.txt");
    Type("x");
    SaveAs(a);
    SaveAs(b);
    ASSERT_TRUE(Close());
    const dabrix::platform::ProfileText ini = IniText();
    EXPECT_EQ(ini.Value("LastFile", "File0"), b.toStdString());
    EXPECT_EQ(ini.Value("LastFile", "File1"), a.toStdString());
    EXPECT_EQ(ini.Value("LastFile", "File2"), "");

    Restart();
    EXPECT_EQ(Recent(), QStringList({b, a, "", "", ""}));
    // Formatted once the document is named at creation; '&' shown as it is.
    EXPECT_EQ(ItemTexts(), QStringList({"0:   " + QString(b).replace("&", "&&"), "1:   " + a, "<hidden>",
                                        "<hidden>", "<hidden>"}));
    EXPECT_EQ(form_->DocumentName(), "Unknown");
}

TEST_F(DocumentTest, AtTheFirstStartTheDropDownShowsNoRecentItems)
{
    for (const QAction* item : form_->RecentItems) {
        EXPECT_FALSE(item->isVisible());
        EXPECT_FALSE(item->isEnabled());
    }
    EXPECT_EQ(form_->OpenButton->menu(), form_->PopupOpen);
}

// ---- Open and the recent drop-down -------------------------------------------------------

TEST_F(DocumentTest, OpeningARecentFileLoadsItWithoutMovingIt)
{
    Store(Path("one.txt"), "first\r\nline\r\n");
    Store(Path("two.txt"), "second\n");
    WriteIni(("[LastFile]\nFile0=" + Path("one.txt") + "\nFile1=" + Path("two.txt") + "\n").toStdString());
    Restart();

    form_->RecentItems[1]->trigger();
    EXPECT_EQ(Text(), "second\n");
    EXPECT_EQ(form_->DocumentName(), Path("two.txt"));
    EXPECT_EQ(form_->windowTitle(), "two.txt - Dabrix");
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Recent(), QStringList({Path("one.txt"), Path("two.txt"), "", "", ""}));
    EXPECT_TRUE(dialogs_.messages.empty());

    // Data that came in meanwhile is offered for saving before the next file replaces it.
    Type("12.5 mm\n");
    dialogs_.answers = {Answer::No};
    form_->RecentItems[0]->trigger();
    ASSERT_EQ(dialogs_.questions.size(), 1u);
    EXPECT_EQ(dialogs_.questions[0].text, "Saving the change in " + Path("two.txt") + " ?");
    EXPECT_EQ(Text(), "first\nline\n");
    EXPECT_EQ(Recent(), QStringList({Path("one.txt"), Path("two.txt"), "", "", ""}));
}

TEST_F(DocumentTest, AMissingRecentFileIsReportedByNameAndStaysListed)
{
    WriteIni(("[LastFile]\nFile0=" + Path("gone.txt") + "\n").toStdString());
    Restart();
    Type("unsaved");
    form_->Editor->document()->setModified(false);

    form_->RecentItems[0]->trigger();
    EXPECT_EQ(dialogs_.messages, std::vector<QString>{"File gone.txt does not exist!"});
    EXPECT_EQ(Text(), "unsaved");
    EXPECT_EQ(form_->DocumentName(), "Unknown");
    EXPECT_EQ(Recent(), QStringList({Path("gone.txt"), "", "", "", ""}));
    EXPECT_TRUE(form_->RecentItems[0]->isVisible());
}

TEST_F(DocumentTest, OpenStartsInTheWorkingFolderAndHonoursTheReadOnlyOption)
{
    WriteIni(("[System]\nWorkDir=" + dir_.path() + "/\n").toStdString());
    Restart();
    Store(Path("r.txt"), "read only\r\n");
    Store(Path("w.txt"), "writable\r\n");

    dialogs_.openReadOnly = true;
    dialogs_.openNames = {Path("r.txt")};
    form_->act_file_open->trigger();
    EXPECT_EQ(dialogs_.openFolders, std::vector<QString>{dir_.path() + "/"});
    EXPECT_EQ(Text(), "read only\n");
    EXPECT_TRUE(form_->Editor->isReadOnly());
    // Opening does not add to the recent list; only saving does.
    EXPECT_EQ(Recent(), QStringList({"", "", "", "", ""}));

    dialogs_.openReadOnly = false;
    dialogs_.openNames = {Path("w.txt")};
    form_->act_file_open->trigger();
    EXPECT_EQ(Text(), "writable\n");
    EXPECT_FALSE(form_->Editor->isReadOnly());
    EXPECT_EQ(form_->DocumentName(), Path("w.txt"));
}

// The program's own open dialog: Qt's file dialog with a check box for opening read-only.
TEST_F(DocumentTest, TheOpenDialogOffersOpenReadOnly)
{
    Store(Path("pick.txt"), "x\r\n");
    TQtMainFormDialogs real;
    for (const bool ticked : {true, false}) {
        bool found = false;
        std::function<void()> answer = [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                QTimer::singleShot(10, answer);  // not up yet
                return;
            }
            auto* box = dialog->findChild<QCheckBox*>("OpenReadOnly");
            found = box && box->isVisibleTo(dialog) && box->text() == "Open read-only";
            if (box)
                box->setChecked(ticked);
            dialog->selectFile(Path("pick.txt"));
            static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept checks the file
        };
        QTimer::singleShot(0, answer);
        bool readOnly = !ticked;
        const QString chosen = real.GetOpenFileName(form_.get(), dir_.path(), "Text (*.TXT *.txt)", &readOnly);
        EXPECT_TRUE(found);
        EXPECT_EQ(chosen, Path("pick.txt"));
        EXPECT_EQ(readOnly, ticked);
    }
}

// In German the unnamed document is "Unbenannt": its caption, its save question, and Save
// still knowing it has no file.
TEST_F(DocumentTest, TheUnnamedDocumentCarriesTheLocalisedName)
{
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(DABRIX_TEST_MODULE_DEU)));
    QCoreApplication::installTranslator(&german);
    WriteIni(("[LastFile]\nFile0=" + Path("weg.txt") + "\n").toStdString());
    Restart();
    QCoreApplication::removeTranslator(&german);  // the window keeps what it was given

    EXPECT_EQ(form_->DocumentName(), QString::fromUtf8("Unbenannt"));
    EXPECT_EQ(form_->windowTitle(), QString::fromUtf8("Unbenannt - Dabrix"));
    QCoreApplication::installTranslator(&german);
    Type("Messwert");
    dialogs_.answers = {Answer::Yes, Answer::No};
    dialogs_.saveNames = {""};
    form_->act_file_new->trigger();
    EXPECT_EQ(dialogs_.saveFolders.size(), 1u) << "Save went on to Save as";
    EXPECT_EQ(Text(), "Messwert") << "the cancelled save stopped New";
    form_->RecentItems[0]->trigger();
    QCoreApplication::removeTranslator(&german);
    ASSERT_EQ(dialogs_.questions.size(), 2u);
    EXPECT_EQ(dialogs_.questions[0].text, QString::fromUtf8("Änderungen in Unbenannt speichern ?"));
    EXPECT_EQ(dialogs_.messages, std::vector<QString>{"Die Datei weg.txt existiert nicht!"});
}

// Closing with unsaved text: Yes whose save fails keeps the program open, the text and the
// settings file as they were.
TEST_F(DocumentTest, CloseKeepsTheWindowWhenTheSaveItAskedForFails)
{
    ASSERT_TRUE(QDir(dir_.path()).mkpath("taken.txt"));  // a folder where the file would go
    Type("unsaved reading");
    dialogs_.answers = {Answer::Yes, Answer::Yes};  // save the change; overwrite taken.txt
    dialogs_.saveNames = {Path("taken")};
    EXPECT_FALSE(Close());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(dialogs_.errors.size(), 1u);
    EXPECT_EQ(Text(), "unsaved reading");
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(ReadIni().empty()) << "no settings written";
}

// ---- New, Clear Screen, received data ----------------------------------------------------

TEST_F(DocumentTest, NewAsksAboutUnsavedTextAndEmptiesTheUnnamedDocument)
{
    SaveAs(Path("old.txt"));
    Type("reading");
    dialogs_.answers = {Answer::Cancel, Answer::No};
    form_->act_file_new->trigger();
    EXPECT_EQ(Text(), "reading");
    EXPECT_EQ(form_->DocumentName(), Path("old.txt"));
    form_->act_file_new->trigger();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_FALSE(Modified());
    EXPECT_EQ(form_->DocumentName(), "Unknown");
    EXPECT_EQ(form_->windowTitle(), "Unknown - Dabrix");
    EXPECT_EQ(Recent(), QStringList({Path("old.txt"), "", "", "", ""}));
}

TEST_F(DocumentTest, ClearScreenKeepsTheNameAndTheCaption)
{
    Type("reading");
    SaveAs(Path("kept.txt"));
    Type(" more");
    dialogs_.answers = {Answer::Ok};
    form_->act_edit_clear->trigger();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_FALSE(Modified());
    EXPECT_EQ(form_->DocumentName(), Path("kept.txt"));
    EXPECT_EQ(form_->windowTitle(), "kept.txt - Dabrix");
    EXPECT_EQ(Load(Path("kept.txt")), QByteArray("reading\r\n"));
}

TEST_F(DocumentTest, ReceivedDataMarksTheDocumentModified)
{
    Type("x");
    SaveAs(Path("saved.txt"));
    ASSERT_FALSE(Modified());

    TTelegramData telegram;
    telegram.Command = 0x02;
    const std::string reading = "12.5 mm\r\n";
    ASSERT_EQ(telegram.Data.Assign(reinterpret_cast<const uint8_t*>(reading.data()), reading.size()),
              reading.size());
    TBuffer response;
    form_->KTXComm2Manager1Connections0Telegram(form_->Connection, telegram, response);
    QCoreApplication::processEvents();  // the display batch ends
    EXPECT_TRUE(Text().contains("12.5 mm"));
    EXPECT_TRUE(Modified());

    // So closing asks about it.
    dialogs_.answers = {Answer::Cancel};
    EXPECT_FALSE(Close());
    EXPECT_EQ(dialogs_.questions.size(), 1u);
}

TEST_F(DocumentTest, EditCommandsActOnTheEditor)
{
    Type("12.5 mm");
    form_->act_edit_markall->trigger();
    EXPECT_EQ(form_->Editor->textCursor().selectedText(), "12.5 mm");
    form_->act_edit_cut->trigger();
    EXPECT_TRUE(Text().isEmpty());
    form_->act_edit_undo->trigger();
    EXPECT_EQ(Text(), "12.5 mm");
    form_->Editor->moveCursor(QTextCursor::End);
    form_->act_edit_paste->trigger();
    EXPECT_EQ(Text(), "12.5 mm12.5 mm");
    form_->act_edit_markall->trigger();
    form_->act_edit_copy->trigger();
    form_->Editor->moveCursor(QTextCursor::End);
    form_->act_edit_paste->trigger();
    EXPECT_EQ(Text(), "12.5 mm12.5 mm12.5 mm12.5 mm");
}

// ---- Printing ------------------------------------------------------------------------------

class PrintTest : public DocumentTest {
protected:
    void SetUp() override
    {
        if (!PdfToolsAvailable())
            GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) are not installed";
        DocumentTest::SetUp();
    }

    // The print dialog chooses a PDF file as the printer, without margins, so pdftotext
    // counts columns from the paper's edge.
    void PrintTo(const QString& pdf)
    {
        dialogs_.onPrint = [pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
            return true;
        };
        form_->act_file_print->trigger();
    }

    // The width of one character column, from a word of known length on the page.
    static double Pitch(const QString& pdf, const QString& word)
    {
        for (const dabrix::app::test::PdfWord& w : PdfWords(pdf)) {
            if (w.text == word)
                return (w.xMax - w.xMin) / word.size();
        }
        ADD_FAILURE() << word.toStdString() << " is not on the page";
        return 0;
    }
};

TEST_F(PrintTest, EveryLineIsIndentedByLeftSpaceFromTheSettings)
{
    struct Case {
        const char* ini;
        QString indent;
    };
    const Case cases[] = {
        {"", QString(10, ' ')},  // the default
        {"[System]\nLeftSpace=10\n", QString(10, ' ')},
        {"[System]\nLeftSpace=3\n", QString(3, ' ')},
        {"[System]\nLeftSpace=-2\n", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        WriteIni(c.ini);
        Restart();
        const QString text = "12.5 mm\n13.0 mm\nend\n";
        Type(text);
        form_->Editor->document()->setModified(false);
        const QString pdf = Path("printed.pdf");
        QFile::remove(pdf);

        PrintTo(pdf);

        EXPECT_EQ(dialogs_.printDialogs, 1);
        EXPECT_TRUE(dialogs_.errors.empty());
        const QStringList lines = PdfLayoutLines(pdf, 0, Pitch(pdf, "end"));
        EXPECT_EQ(lines, QStringList({c.indent + "12.5 mm", c.indent + "13.0 mm", c.indent + "end"}));
        EXPECT_EQ(Text(), text);
        EXPECT_FALSE(Modified());
        dialogs_.printDialogs = 0;
    }
}

TEST_F(PrintTest, ALongDocumentGoesOnOntoFurtherPagesInOrder)
{
    QString text;
    const int count = 200;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("line %1\n").arg(i, 3, 10, QLatin1Char('0'));
    Type(text);
    const QString pdf = Path("long.pdf");
    PrintTo(pdf);

    const std::optional<int> pages = PdfPageCount(pdf);
    ASSERT_TRUE(pages);
    EXPECT_GE(*pages, 2);
    QStringList printed;
    for (int page = 1; page <= *pages; ++page) {
        const QStringList lines = PdfLayoutLines(pdf, page, Pitch(pdf, "line"));
        EXPECT_FALSE(lines.isEmpty()) << "page " << page;
        printed += lines;
    }
    QStringList expected;
    for (int i = 1; i <= count; ++i)
        expected << QString(10, ' ') + QStringLiteral("line %1").arg(i, 3, 10, QLatin1Char('0'));
    EXPECT_EQ(printed, expected);
    EXPECT_EQ(Text(), text);
}

TEST_F(PrintTest, PrinterSetupAndACancelledPrint)
{
    dialogs_.onPageSetup = [](QPrinter& printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    form_->act_file_printersetup->trigger();
    EXPECT_EQ(dialogs_.pageSetupDialogs, 1);

    Type("wide\n");
    // Cancelled: nothing printed, nothing said.
    form_->act_file_print->trigger();
    EXPECT_EQ(dialogs_.printDialogs, 1);
    EXPECT_TRUE(dialogs_.errors.empty());

    const QString pdf = Path("landscape.pdf");
    PrintTo(pdf);
    const auto size = dabrix::app::test::PdfPageSize(pdf);
    ASSERT_TRUE(size);
    EXPECT_GT(size->first, size->second) << "the set-up's orientation is used";
}

} // namespace
