// The main window's document commands on a real editor, with scripted dialogs and files
// in a temporary folder.
#include "app/documents/DocumentController.h"

#include "app/documents/PrintDialogs.h"
#include "app/documents/TextPrinter.h"
#include "app/documents/tests/FileSizeLimit.h"
#include "app/documents/tests/PdfText.h"
#include "app/tests/ScriptedDialogs.h"

#include "app/documents/tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QWidget>

#include <memory>

using namespace dabrix::app;
using Answer = TMainFormDialogs::Answer;
using Buttons = TMainFormDialogs::Buttons;
using OpenResult = DocumentController::OpenResult;

namespace {

// The print dialogs and the open dialog's read-only option are scripted too.
using ScriptedDocumentDialogs = TScriptedDialogs;

QByteArray Load(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class DocumentControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        editor = new QPlainTextEdit(&window);
        editor->setFont(EditorFont());
        for (int i = 0; i < RecentFiles::kCount; ++i) {
            auto* item = new QAction(&window);
            item->setProperty("Tag", i);
            items[static_cast<std::size_t>(i)] = item;
        }
        controller = std::make_unique<DocumentController>(window, *editor, dialogs, dialogs);
        controller->PauseDisplay = [this] { ++pauses; };
        controller->SetRecentItems(items);
        controller->SetWorkDir(dir.path() + QLatin1Char('/'));
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // Text typed at the end of the editor, as a user or received data would add it.
    void Type(const QString& text)
    {
        editor->moveCursor(QTextCursor::End);
        editor->insertPlainText(text);
        ASSERT_TRUE(Modified());
    }
    bool Modified() const { return editor->document()->isModified(); }

    // Save as with the given dialog answer; a scripted overwrite answer when the file exists.
    bool SaveAs(const QString& chosen, std::optional<Answer> overwrite = std::nullopt)
    {
        dialogs.saveNames.push_back(chosen);
        if (overwrite)
            dialogs.answers.push_back(*overwrite);
        return controller->act_file_saveasExecute();
    }

    QStringList Recent() const
    {
        QStringList entries;
        for (const QString& entry : controller->Recent().Entries())
            entries << entry;
        return entries;
    }

    QAction* Item(int tag) const { return items[static_cast<std::size_t>(tag)]; }

    QWidget window;
    QPlainTextEdit* editor = nullptr;
    ScriptedDocumentDialogs dialogs;
    QTemporaryDir dir;
    std::array<QAction*, RecentFiles::kCount> items{};
    std::unique_ptr<DocumentController> controller;
    int pauses = 0;
};

// ---- Names, caption and the recent list -------------------------------------------------

TEST_F(DocumentControllerTest, StartsUnnamedWithNoRecentItems)
{
    EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Unknown - Dabrix"));
    for (QAction* item : items) {
        EXPECT_FALSE(item->isVisible());
        EXPECT_FALSE(item->isEnabled());
    }
}

TEST_F(DocumentControllerTest, SaveAsAppendsTxtAndPutsTheFullPathOnTop)
{
    Type(QStringLiteral("12.5 \u00B5m\n\u00A0x\u2028y\n"));
    ASSERT_TRUE(SaveAs(Path("data")));

    const QString saved = Path("data.txt");
    // Exact bytes: UTF-8 without a mark, CR LF, the non-breaking space and the line
    // separator kept as the characters they are.
    EXPECT_EQ(Load(saved), QByteArray("12.5 \xC2\xB5m\r\n\xC2\xA0x\xE2\x80\xA8y\r\n"));
    EXPECT_EQ(controller->DocumentName(), saved);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("data.txt - Dabrix"));
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Recent(), QStringList({saved, "", "", "", ""}));
    EXPECT_EQ(Item(0)->text(), QStringLiteral("0:   ") + saved);
    EXPECT_TRUE(Item(0)->isVisible());
    EXPECT_TRUE(Item(0)->isEnabled());
    EXPECT_FALSE(Item(1)->isVisible());
    EXPECT_EQ(pauses, 2);  // before and after the dialog
    EXPECT_EQ(dialogs.saveFolders, std::vector<QString>({dir.path() + QLatin1Char('/')}));
    EXPECT_EQ(controller->SaveDialogFileName(), Path("data"));

    // Saving as the same file again asks to overwrite and adds nothing to the list.
    ASSERT_TRUE(SaveAs(saved, Answer::Yes));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("Overwrite %1 ?").arg(saved));
    EXPECT_EQ(dialogs.questions[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(Recent(), QStringList({saved, "", "", "", ""}));
}

TEST_F(DocumentControllerTest, SaveAsKeepsAGivenExtension)
{
    const struct {
        const char* chosen;
        const char* written;
    } cases[] = {{"a.csv", "a.csv"}, {"b.", "b."}, {"c.TXT", "c.TXT"}, {"d", "d.txt"}};
    for (const auto& c : cases) {
        Type(QStringLiteral("x"));
        ASSERT_TRUE(SaveAs(Path(QString::fromUtf8(c.chosen))));
        EXPECT_EQ(controller->DocumentName(), Path(QString::fromUtf8(c.written)));
        EXPECT_TRUE(QFile::exists(Path(QString::fromUtf8(c.written)))) << c.written;
    }
}

TEST_F(DocumentControllerTest, SavingAThenBThenAListsAOnTopAndAgainBelowB)
{
    const QString a = Path("A.txt");
    const QString b = Path("B.txt");
    Type(QStringLiteral("x"));
    ASSERT_TRUE(SaveAs(a));
    ASSERT_TRUE(SaveAs(b));
    ASSERT_TRUE(SaveAs(a, Answer::Yes));
    EXPECT_EQ(Recent(), QStringList({a, b, a, "", ""}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Item(i)->isVisible()) << i;
    EXPECT_FALSE(Item(3)->isVisible());
}

TEST_F(DocumentControllerTest, RecentEntriesFromTheSettingsShowOnceFormatted)
{
    controller->SetRecentEntries({QString(), QStringLiteral("/m/a&b.txt"), QString(), QString(), QString()});
    controller->SetDocumentName(DocumentController::UnknownName(), false);
    EXPECT_FALSE(Item(0)->isVisible());
    EXPECT_TRUE(Item(1)->isVisible());
    EXPECT_EQ(Item(1)->text(), QStringLiteral("1:   /m/a&&b.txt"));  // '&' is no access key
    EXPECT_FALSE(Item(2)->isVisible());
}

TEST_F(DocumentControllerTest, OverwriteAnsweredOtherThanYesSavesNothing)
{
    const QString existing = Path("old.txt");
    Store(existing, "old\r\n");
    Type(QStringLiteral("new"));
    for (const Answer answer : {Answer::No, Answer::Cancel}) {
        EXPECT_FALSE(SaveAs(existing, answer));
        EXPECT_EQ(Load(existing), QByteArray("old\r\n"));
        EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Recent(), QStringList({"", "", "", "", ""}));
    }
}

// ---- Save and the save question -----------------------------------------------------------

TEST_F(DocumentControllerTest, SaveWithoutANameRunsSaveAsAndItsCancelKeepsEverything)
{
    Type(QStringLiteral("reading 1\n"));
    dialogs.saveNames.push_back(QString());  // the dialog is cancelled
    EXPECT_FALSE(controller->act_file_saveExecute());
    EXPECT_EQ(dialogs.saveFolders.size(), 1u);
    EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(pauses, 2);
}

TEST_F(DocumentControllerTest, SaveWritesToTheNamedFile)
{
    Type(QStringLiteral("one\n"));
    ASSERT_TRUE(SaveAs(Path("doc.txt")));
    Type(QStringLiteral("two\n"));
    EXPECT_TRUE(controller->act_file_saveExecute());
    EXPECT_EQ(Load(Path("doc.txt")), QByteArray("one\r\ntwo\r\n"));
    EXPECT_FALSE(Modified());
    EXPECT_EQ(dialogs.saveFolders.size(), 1u);  // no second dialog
}

// New as the calling command of the save question, for each answer and for a save that
// does not happen.
TEST_F(DocumentControllerTest, SaveQuestionDecidesWhetherTheCommandGoesOn)
{
    struct Case {
        const char* name;
        bool named;           // the document has a file
        Answer answer;
        bool cancelSaveAs;    // the save dialog of an unnamed document is cancelled
        bool goesOn;          // New runs: the editor is emptied
        const char* fileAfter;
    };
    const Case cases[] = {
        {"yes saves", true, Answer::Yes, false, true, "old\r\nnew\r\n"},
        {"no drops", true, Answer::No, false, true, "old\r\n"},
        {"cancel stops", true, Answer::Cancel, false, false, "old\r\n"},
        {"yes with cancelled save as stops", false, Answer::Yes, true, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(QStringLiteral("doc.txt"));
        QFile::remove(path);
        controller->SetDocumentName(DocumentController::UnknownName(), false);
        editor->setPlainText(QStringLiteral("old\n"));
        if (c.named) {
            Store(path, "old\r\n");
            controller->SetDocumentName(path, false);
        }
        Type(QStringLiteral("new\n"));
        dialogs.questions.clear();
        dialogs.answers.push_back(c.answer);
        if (c.cancelSaveAs)
            dialogs.saveNames.push_back(QString());

        controller->act_file_newExecute();

        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_EQ(dialogs.questions[0].text,
                  QStringLiteral("Saving the change in %1 ?").arg(c.named ? path : QStringLiteral("Unknown")));
        EXPECT_EQ(dialogs.questions[0].buttons, Buttons::YesNoCancel);
        if (c.goesOn) {
            EXPECT_TRUE(editor->toPlainText().isEmpty());
            EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
            EXPECT_EQ(window.windowTitle(), QStringLiteral("Unknown - Dabrix"));
            EXPECT_FALSE(Modified());
        } else {
            EXPECT_EQ(editor->toPlainText(), QStringLiteral("old\nnew\n"));
            EXPECT_TRUE(Modified());
        }
        if (c.fileAfter)
            EXPECT_EQ(Load(path), QByteArray(c.fileAfter));
        else
            EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_TRUE(dialogs.answers.empty());
}

TEST_F(DocumentControllerTest, UnmodifiedTextIsNotAskedAbout)
{
    editor->setPlainText(QStringLiteral("kept\n"));
    editor->document()->setModified(false);
    EXPECT_TRUE(controller->AskSaveChanges());
    EXPECT_TRUE(dialogs.questions.empty());
}

// A write that fails shows why and changes nothing: not the old file, not the name, not
// the modified flag, not the recent list.
TEST_F(DocumentControllerTest, AFailedWriteLosesNothing)
{
    const QString doc = Path("doc.txt");
    Type(QStringLiteral("first\n"));
    ASSERT_TRUE(SaveAs(doc));
    Type(QStringLiteral("second\n"));
    const QStringList recentBefore = Recent();

    // Save as onto a folder that is in the way.
    const QString folder = Path("folder.txt");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(SaveAs(folder, Answer::Yes));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Cannot write the file %1:").arg(folder)))
        << dialogs.errors[0].toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // Save onto the named file while the disk is full.
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText(QString(100000, QLatin1Char('x')));
    bool written = true;
    {
        dabrix::app::test::ScopedFileSizeLimit full(4096);
        ASSERT_TRUE(full.Active());
        written = controller->act_file_saveExecute();
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(dialogs.errors.size(), 2u);

    EXPECT_EQ(Load(doc), QByteArray("first\r\n"));
    EXPECT_EQ(controller->DocumentName(), doc);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("doc.txt - Dabrix"));
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Recent(), recentBefore);
}

// ---- Open -------------------------------------------------------------------------------

TEST_F(DocumentControllerTest, OpenLoadsTheFileWithTheReadOnlyOption)
{
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "editable");
        const QString path = Path(QStringLiteral("gauge.txt"));
        Store(path, "12.5 \xB5m\r\n13.0 \xB5m\r\n");  // Latin-1, as older programs wrote
        dialogs.openNames.push_back(path);
        dialogs.openReadOnly = readOnly;
        pauses = 0;

        controller->act_file_openExecute();

        EXPECT_EQ(editor->toPlainText(), QStringLiteral("12.5 \u00B5m\n13.0 \u00B5m\n"));
        EXPECT_EQ(editor->textCursor().position(), 0);
        controller->act_edit_undoExecute();  // the text before is not one undo away
        EXPECT_EQ(editor->toPlainText(), QStringLiteral("12.5 \u00B5m\n13.0 \u00B5m\n"));
        EXPECT_EQ(editor->isReadOnly(), readOnly);
        EXPECT_EQ(controller->DocumentName(), path);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("gauge.txt - Dabrix"));
        EXPECT_FALSE(Modified());
        EXPECT_EQ(Recent(), QStringList({"", "", "", "", ""}));  // opening does not list it
        EXPECT_EQ(pauses, 2);
    }
    EXPECT_EQ(dialogs.openFolders, std::vector<QString>(2, dir.path() + QLatin1Char('/')));
}

TEST_F(DocumentControllerTest, OpenStopsAtACancelledQuestionOrDialog)
{
    Type(QStringLiteral("unsaved\n"));
    dialogs.answers.push_back(Answer::Cancel);
    controller->act_file_openExecute();
    EXPECT_TRUE(dialogs.openFolders.empty());  // the dialog never opened
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("unsaved\n"));
    EXPECT_TRUE(Modified());

    dialogs.answers.push_back(Answer::No);
    dialogs.openNames.push_back(QString());  // cancelled
    controller->act_file_openExecute();
    EXPECT_EQ(dialogs.openFolders.size(), 1u);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("unsaved\n"));
    EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
}

TEST_F(DocumentControllerTest, OpeningARecentFileDoesNotMoveIt)
{
    const QString a = Path("A.txt");
    const QString b = Path("B.txt");
    editor->setPlainText(QStringLiteral("text of A\n"));
    ASSERT_TRUE(SaveAs(a));
    editor->setPlainText(QStringLiteral("text of B\n"));
    ASSERT_TRUE(SaveAs(b));
    ASSERT_EQ(Recent(), QStringList({b, a, "", "", ""}));

    EXPECT_EQ(controller->DropDownFileOpen(Item(1)), OpenResult::Opened);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("text of A\n"));
    EXPECT_EQ(controller->DocumentName(), a);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("A.txt - Dabrix"));
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Recent(), QStringList({b, a, "", "", ""}));
    EXPECT_EQ(Item(1)->text(), QStringLiteral("1:   ") + a);
}

TEST_F(DocumentControllerTest, AMissingRecentFileIsReportedAndStaysListed)
{
    const QString a = Path("A.txt");
    editor->setPlainText(QStringLiteral("text of A\n"));
    ASSERT_TRUE(SaveAs(a));
    ASSERT_TRUE(QFile::remove(a));
    editor->setPlainText(QStringLiteral("on screen\n"));
    editor->document()->setModified(false);

    EXPECT_EQ(controller->DropDownFileOpen(Item(0)), OpenResult::Missing);
    EXPECT_EQ(dialogs.messages, std::vector<QString>({QStringLiteral("File A.txt does not exist!")}));
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("on screen\n"));
    EXPECT_EQ(controller->DocumentName(), a);
    EXPECT_EQ(Recent(), QStringList({a, "", "", "", ""}));
    EXPECT_TRUE(Item(0)->isVisible());
}

TEST_F(DocumentControllerTest, AFileThatCannotBeReadLeavesTheDocumentAlone)
{
    editor->setPlainText(QStringLiteral("on screen\n"));
    editor->document()->setModified(false);
    EXPECT_EQ(controller->PerformFileOpen(dir.path()), OpenResult::Failed);  // a folder
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(dir.path()));
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("on screen\n"));
    EXPECT_EQ(controller->DocumentName(), DocumentController::UnknownName());
}

// ---- Clear Screen and the edit commands ---------------------------------------------------

TEST_F(DocumentControllerTest, ClearScreenKeepsTheNameAndCaption)
{
    Type(QStringLiteral("x\n"));
    ASSERT_TRUE(SaveAs(Path("kept.txt")));
    Type(QStringLiteral("more\n"));

    dialogs.answers.push_back(Answer::Cancel);
    controller->act_edit_clearExecute();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("x\nmore\n"));
    EXPECT_TRUE(Modified());

    dialogs.answers.push_back(Answer::Ok);
    controller->act_edit_clearExecute();
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[1].text, QStringLiteral("Clear screen ?"));
    EXPECT_EQ(dialogs.questions[1].buttons, Buttons::OkCancel);
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    EXPECT_FALSE(Modified());
    EXPECT_EQ(controller->DocumentName(), Path("kept.txt"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("kept.txt - Dabrix"));
    EXPECT_EQ(Recent(), QStringList({Path("kept.txt"), "", "", "", ""}));
}

TEST_F(DocumentControllerTest, EditCommandsActOnTheEditor)
{
    editor->setPlainText(QStringLiteral("12.5 mm\n"));
    controller->act_edit_markallExecute();
    EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("12.5 mm\u2029"));
    controller->act_edit_cutExecute();
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    controller->act_edit_pasteExecute();
    controller->act_edit_pasteExecute();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("12.5 mm\n12.5 mm\n"));
    controller->act_edit_undoExecute();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("12.5 mm\n"));
    controller->act_edit_markallExecute();
    controller->act_edit_copyExecute();
    editor->moveCursor(QTextCursor::End);
    controller->act_edit_pasteExecute();
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("12.5 mm\n12.5 mm\n"));
}

// ---- Printing ---------------------------------------------------------------------------

TEST_F(DocumentControllerTest, PrintIndentsByLeftSpaceAndLeavesTheTextAlone)
{
    if (!dabrix::app::test::PdfToolsAvailable())
        GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) are not installed";
    const QString text = QStringLiteral("first\n\tsecond\n");
    editor->setPlainText(text);
    editor->document()->setModified(false);
    controller->SetLeftSpace(10);
    const QString pdf = Path("printed.pdf");
    dialogs.onPrint = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        // Without margins pdftotext can count the columns from the paper's edge.
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        return true;
    };

    EXPECT_TRUE(controller->act_file_printExecute());

    const std::vector<dabrix::app::test::PdfWord> words = dabrix::app::test::PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    ASSERT_EQ(words[0].text, QStringLiteral("first"));
    const double pitch = (words[0].xMax - words[0].xMin) / 5;
    const QStringList lines = dabrix::app::test::PdfLayoutLines(pdf, 0, pitch);
    // Ten blanks, and the tab goes on from column 10 to column 16.
    EXPECT_EQ(lines, QStringList({"          first", "                second"}))
        << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(editor->toPlainText(), text);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(pauses, 2);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(DocumentControllerTest, PrintCancelledOrFailing)
{
    editor->setPlainText(QStringLiteral("text\n"));
    // Cancelled: nothing printed, no message.
    EXPECT_TRUE(controller->act_file_printExecute());
    EXPECT_EQ(dialogs.printDialogs, 1);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(pauses, 2);

    // A printer that cannot start is reported.
    dialogs.onPrint = [](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/nonexistent-folder/job.pdf"));
        return true;
    };
    EXPECT_FALSE(controller->act_file_printExecute());
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("/nonexistent-folder/job.pdf")));
}

TEST_F(DocumentControllerTest, PrinterSetupAppliesToTheNextPrint)
{
    if (!dabrix::app::test::PdfToolsAvailable())
        GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) are not installed";
    dialogs.onPageSetup = [](QPrinter& printer) {
        printer.setPageOrientation(QPageLayout::Landscape);
        return true;
    };
    controller->act_file_printersetupExecute();
    EXPECT_EQ(dialogs.pageSetupDialogs, 1);
    EXPECT_EQ(pauses, 2);

    const QString pdf = Path("landscape.pdf");
    dialogs.onPrint = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    editor->setPlainText(QStringLiteral("wide\n"));
    ASSERT_TRUE(controller->act_file_printExecute());
    const auto size = dabrix::app::test::PdfPageSize(pdf);
    ASSERT_TRUE(size);
    EXPECT_GT(size->first, size->second);
}

} // namespace
