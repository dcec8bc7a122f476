#include "app/documents/DocumentController.h"

#include "app/MainFormDialogs.h"
#include "app/documents/DocumentFile.h"
#include "app/documents/PrintDialogs.h"
#include "app/documents/TextPrinter.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextDocument>

namespace dabrix::app {
namespace {

// The texts are the main window's: they share its translations. Each call site marks its
// text with QT_TRANSLATE_NOOP so that lupdate finds it.
QString Tr(const char* text)
{
    return QCoreApplication::translate("TMainForm", text);
}

// True when the file-name part has a '.', as in "data.txt" or "data." (not "data").
bool HasExtension(const QString& path)
{
    return QFileInfo(path).fileName().contains(QLatin1Char('.'));
}

// A menu shows '&' as an access-key mark; a file name wants it shown as it is.
QString MenuText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

DocumentController::DocumentController(QWidget& window, QPlainTextEdit& editor,
                                       TMainFormDialogs& dialogs, PrintDialogs& printDialogs)
    : window_(window)
    , editor_(editor)
    , dialogs_(dialogs)
    , printDialogs_(printDialogs)
{
    SetDocumentName(UnknownName(), false);
}

DocumentController::~DocumentController() = default;

QString DocumentController::UnknownName()
{
    return Tr(QT_TRANSLATE_NOOP("TMainForm", "Unknown"));
}

QString DocumentController::FileFilter()
{
    // "Text (*.TXT)|*.TXT|All Files (*.*)|*.*": on Linux names are case-sensitive, so the
    // text pattern takes both spellings, and "*" is every file, with or without a dot.
    return QCoreApplication::translate("TMainFormDialogs", "Text (*.TXT *.txt)") + QStringLiteral(";;")
        + QCoreApplication::translate("TMainFormDialogs", "All Files (*)");
}

void DocumentController::SetRecentEntries(const std::array<QString, RecentFiles::kCount>& entries)
{
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        recent_.SetEntry(i, entries[static_cast<std::size_t>(i)]);
        if (QAction* item = recentItems_[static_cast<std::size_t>(i)])
            item->setText(MenuText(recent_.Entry(i)));
    }
}

QString DocumentController::SaveDialogFolder() const
{
    const qsizetype slash = saveDialogFileName_.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : saveDialogFileName_.left(slash + 1);
}

void DocumentController::SetRecentItems(const std::array<QAction*, RecentFiles::kCount>& items)
{
    recentItems_ = items;
    RefreshRecentItems();
}

QPrinter& DocumentController::Printer()
{
    // Made late: finding the default printer may ask the print system.
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

QString DocumentController::EditorText() const
{
    // toPlainText() would turn non-breaking spaces (the gauge byte 0xA0) into blanks and
    // line separators into line ends; the raw text keeps them and separates paragraphs
    // with U+2029.
    QString text = editor_.document()->toRawText();
    return text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
}

void DocumentController::Pause()
{
    if (PauseDisplay)
        PauseDisplay();
}

void DocumentController::RefreshRecentItems()
{
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        QAction* item = recentItems_[static_cast<std::size_t>(i)];
        if (!item)
            continue;
        const bool used = recent_.Visible(i);
        item->setText(MenuText(recent_.Caption(i)));
        item->setVisible(used);
        item->setEnabled(used);
    }
}

void DocumentController::SetDocumentName(const QString& name, bool addToRecent)
{
    documentName_ = name;
    window_.setWindowTitle(Tr(QT_TRANSLATE_NOOP("TMainForm", "%1 - %2")).arg(QFileInfo(name).fileName(), QStringLiteral("Dabrix")));
    if (addToRecent)
        recent_.Add(name, UnknownName());
    RefreshRecentItems();
}

bool DocumentController::AskSaveChanges()
{
    if (!editor_.document()->isModified())
        return true;
    switch (dialogs_.Ask(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "Saving the change in %1 ?")).arg(documentName_),
                         TMainFormDialogs::Buttons::YesNoCancel)) {
    case TMainFormDialogs::Answer::Yes:
        return act_file_saveExecute();
    case TMainFormDialogs::Answer::No:
        editor_.document()->setModified(false);
        return true;
    case TMainFormDialogs::Answer::Ok:
    case TMainFormDialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool DocumentController::Write(const QString& path)
{
    const DocumentWriteResult result = WriteDocument(path, EditorText());
    if (!result.ok)
        dialogs_.ShowError(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "Cannot write the file %1:\n%2")).arg(path, result.error));
    return result.ok;
}

DocumentController::OpenResult DocumentController::PerformFileOpen(const QString& path)
{
    // Data received while a dialog was open may have modified the text again.
    if (!AskSaveChanges())
        return OpenResult::Cancelled;
    if (!QFileInfo::exists(path)) {
        dialogs_.ShowMessage(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "File %1 does not exist!")).arg(QFileInfo(path).fileName()));
        return OpenResult::Missing;
    }
    const DocumentReadResult read = ReadDocument(path);
    if (!read.ok) {
        dialogs_.ShowError(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "Cannot read the file %1:\n%2")).arg(path, read.error));
        return OpenResult::Failed;
    }
    // Straight into the document: the editor's own setPlainText() also re-applies the
    // character format to the whole text afterwards, which doubles the time a large file
    // takes to show. The undo history goes with the old text either way.
    editor_.document()->setPlainText(read.text);
    editor_.moveCursor(QTextCursor::Start);
    SetDocumentName(path, false);
    editor_.setFocus();
    editor_.document()->setModified(false);
    return OpenResult::Opened;
}

DocumentController::OpenResult DocumentController::DropDownFileOpen(QObject* Sender)
{
    const int tag = Sender ? Sender->property("Tag").toInt() : -1;
    if (tag < 0 || tag >= RecentFiles::kCount || recent_.Entry(tag).isEmpty())
        return OpenResult::Missing;  // a hidden item: nothing to open
    // A copy: opening does not move the entry, but it must not change under our feet.
    const QString path = recent_.Entry(tag);
    return PerformFileOpen(path);
}

void DocumentController::act_file_newExecute()
{
    if (!AskSaveChanges())
        return;
    SetDocumentName(UnknownName(), false);
    editor_.clear();
    editor_.document()->setModified(false);
}

void DocumentController::act_file_openExecute()
{
    Pause();
    if (!AskSaveChanges())
        return;
    bool readOnly = false;
    const QString path = dialogs_.GetOpenFileName(&window_, workDir_, FileFilter(), &readOnly);
    if (!path.isEmpty()) {
        const OpenResult result = PerformFileOpen(path);
        if (result == OpenResult::Cancelled)
            return;
        // Only a document that was loaded becomes read-only; a failed open leaves the
        // text as it was, editable or not.
        if (result == OpenResult::Opened)
            editor_.setReadOnly(readOnly);
    }
    Pause();
}

bool DocumentController::act_file_saveExecute()
{
    if (documentName_ == UnknownName())
        return act_file_saveasExecute();
    if (!Write(documentName_))
        return false;
    editor_.document()->setModified(false);
    return true;
}

bool DocumentController::act_file_saveasExecute()
{
    Pause();
    // The dialog starts where the last file was saved, else in the working folder.
    const QString folder = saveDialogFileName_.isEmpty() ? workDir_ : SaveDialogFolder();
    QString path = dialogs_.GetSaveFileName(&window_, folder, FileFilter());
    if (path.isEmpty()) {
        Pause();
        return false;
    }
    path = QFileInfo(path).absoluteFilePath();
    saveDialogFileName_ = path;
    if (!HasExtension(path))
        path += QStringLiteral(".txt");
    if (QFileInfo::exists(path)
        && dialogs_.Ask(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "Overwrite %1 ?")).arg(path), TMainFormDialogs::Buttons::YesNoCancel)
            != TMainFormDialogs::Answer::Yes)
        return false;
    if (!Write(path))
        return false;
    SetDocumentName(path, true);
    editor_.document()->setModified(false);
    Pause();
    return true;
}

void DocumentController::act_file_printersetupExecute()
{
    Pause();
    printDialogs_.PageSetupDialog(&window_, Printer());
    Pause();
}

bool DocumentController::act_file_printExecute()
{
    Pause();
    bool ok = true;
    if (printDialogs_.PrintDialog(&window_, Printer())) {
        ok = PrintText(Printer(), EditorText(), editor_.font(), leftSpace_);
        if (!ok)
            dialogs_.ShowError(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "The document could not be printed on %1."))
                                             .arg(Printer().outputFileName().isEmpty()
                                                      ? Printer().printerName()
                                                      : Printer().outputFileName()));
    }
    Pause();
    return ok;
}

void DocumentController::act_edit_undoExecute()
{
    editor_.undo();
}

void DocumentController::act_edit_cutExecute()
{
    editor_.cut();
}

void DocumentController::act_edit_copyExecute()
{
    editor_.copy();
}

void DocumentController::act_edit_pasteExecute()
{
    editor_.paste();
}

void DocumentController::act_edit_markallExecute()
{
    editor_.selectAll();
}

void DocumentController::act_edit_clearExecute()
{
    if (dialogs_.Ask(&window_, Tr(QT_TRANSLATE_NOOP("TMainForm", "Clear screen ?")), TMainFormDialogs::Buttons::OkCancel)
        != TMainFormDialogs::Answer::Ok)
        return;
    editor_.clear();
    editor_.document()->setModified(false);
    if (ScreenCleared)
        ScreenCleared();
}

} // namespace dabrix::app
