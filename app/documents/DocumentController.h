#pragma once
// The main window's document commands: the document name and caption, the recent-file
// list, New, Open, Save, Save as, Print, Printer Setup, the edit commands and Clear
// Screen, working on the window's editor. Questions and file dialogs go through
// TMainFormDialogs, the print dialogs through PrintDialogs.
//
// A question answered with Cancel ends the calling command silently; the commands that
// callers must stop behind (AskSaveChanges, Save, Save as, PerformFileOpen) say so in
// their result.
//
// Threads: user-interface thread only. While a dialog is open, events keep running, so
// received data may be inserted into the editor meanwhile.
#include "app/documents/RecentFiles.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QObject;
class QPlainTextEdit;
class QPrinter;
class QWidget;
class TMainFormDialogs;

namespace dabrix::app {

class PrintDialogs;

class DocumentController {
public:
    enum class OpenResult {
        Opened,     // the file is in the editor
        Missing,    // "File ... does not exist!" was shown; the document is unchanged
        Failed,     // the file could not be read; the error was shown, nothing changed
        Cancelled,  // the save question was cancelled: the calling command stops
    };

    // `window` carries the caption and parents the dialogs; all references must outlive
    // the controller.
    DocumentController(QWidget& window, QPlainTextEdit& editor, TMainFormDialogs& dialogs,
                       PrintDialogs& printDialogs);
    ~DocumentController();
    DocumentController(const DocumentController&) = delete;
    DocumentController& operator=(const DocumentController&) = delete;

    // The localised name of a document that has never been saved or opened.
    static QString UnknownName();
    // The file filter of the open and save dialogs.
    static QString FileFilter();

    // ---- State ----------------------------------------------------------------------
    // The full path of the document, or UnknownName().
    const QString& DocumentName() const { return documentName_; }
    const RecentFiles& Recent() const { return recent_; }
    // Sets the entries as read from the settings; the menu items show them as they are
    // until the next SetDocumentName formats them.
    void SetRecentEntries(const std::array<QString, RecentFiles::kCount>& entries);
    // The drop-down items of the Open button, File1 .. File5 (Tags 0 .. 4). Optional.
    void SetRecentItems(const std::array<QAction*, RecentFiles::kCount>& items);

    // The folder the open and save dialogs start in (empty: the platform's default).
    const QString& WorkDir() const { return workDir_; }
    void SetWorkDir(const QString& folder) { workDir_ = folder; }
    // The file last chosen in the save dialog during this run; empty when none was.
    const QString& SaveDialogFileName() const { return saveDialogFileName_; }
    // Its folder, with the trailing '/'; empty when no file was chosen.
    QString SaveDialogFolder() const;

    // Blanks put in front of every printed line (none when <= 0).
    int LeftSpace() const { return leftSpace_; }
    void SetLeftSpace(int spaces) { leftSpace_ = spaces; }

    // The printer that Printer Setup and Print share; made on first use.
    QPrinter& Printer();

    // The editor's text as written to a file: lines separated by '\n', non-breaking
    // spaces and other characters kept as they are.
    QString EditorText() const;

    // Called before and after each modal dialog of Open, Save as, Print and Printer Setup.
    std::function<void()> PauseDisplay;
    // Called after Clear Screen emptied the editor. Optional.
    std::function<void()> ScreenCleared;

    // ---- Operations -----------------------------------------------------------------
    // Names the document, updates the caption "<file name> - Dabrix" and, with
    // addToRecent, the recent list; then refreshes the recent items.
    void SetDocumentName(const QString& name, bool addToRecent);
    // Offers to save a modified text. False when the calling command must stop: the
    // question was cancelled, or the text could not be saved (the save dialog was
    // cancelled or the write failed), so unsaved text is never dropped.
    bool AskSaveChanges();
    OpenResult PerformFileOpen(const QString& path);

    // ---- Commands -------------------------------------------------------------------
    void act_file_newExecute();
    void act_file_openExecute();
    // True when the text was written.
    bool act_file_saveExecute();
    bool act_file_saveasExecute();
    void act_file_printersetupExecute();
    // False when printing failed (the error was shown); true when done or cancelled.
    bool act_file_printExecute();
    void act_edit_undoExecute();
    void act_edit_cutExecute();
    void act_edit_copyExecute();
    void act_edit_pasteExecute();
    void act_edit_markallExecute();
    void act_edit_clearExecute();
    // Opens the recent entry numbered by the sender's "Tag" property. An unused entry
    // (its item is hidden) opens nothing and shows nothing: Missing.
    OpenResult DropDownFileOpen(QObject* Sender);

private:
    void Pause();
    void RefreshRecentItems();
    bool Write(const QString& path);

    QWidget& window_;
    QPlainTextEdit& editor_;
    TMainFormDialogs& dialogs_;
    PrintDialogs& printDialogs_;
    std::unique_ptr<QPrinter> printer_;

    QString documentName_;
    RecentFiles recent_;
    std::array<QAction*, RecentFiles::kCount> recentItems_{};
    QString workDir_;
    QString saveDialogFileName_;
    int leftSpace_ = 10;
};

} // namespace dabrix::app
