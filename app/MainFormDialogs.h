#pragma once
// Every question, file dialog, modal window and shell call of the main window and its
// dialogs goes through this interface, so tests can answer them. TQtMainFormDialogs is
// the one the program uses.
//
// The print and printer set-up dialogs come with it (PrintDialogs), so the window and its
// document commands share one dialogs object.
//
// Threads: user-interface thread only.
#include "app/documents/PrintDialogs.h"

#include <QString>
#include <QUrl>

class QDialog;
class QPrinter;
class QWidget;

class TMainFormDialogs : public dabrix::app::PrintDialogs {
public:
    enum class Buttons { YesNo, YesNoCancel, OkCancel };
    enum class Answer { Yes, No, Ok, Cancel };  // Cancel also stands for closing the box

    virtual ~TMainFormDialogs() = default;

    // A confirmation box with the given buttons.
    virtual Answer Ask(QWidget* parent, const QString& text, Buttons buttons) = 0;
    // A plain message box with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // An error box with an OK button.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;

    // The file chosen in an open dialog, or empty when cancelled. `readOnly` reports the
    // dialog's "Open read-only" option.
    virtual QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter,
                                    bool* readOnly) = 0;
    // The file chosen in a save dialog, or empty when cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;

    // Shows a window modally and returns its result code.
    virtual int ShowModal(QDialog& dialog) = 0;

    // Hands a file or mailto: link to the desktop; false when nothing could open it.
    virtual bool OpenUrl(const QUrl& url) = 0;

    // Printing: dialogs that do not offer it answer as if cancelled.
    bool PrintDialog(QWidget*, QPrinter&) override { return false; }
    bool PageSetupDialog(QWidget*, QPrinter&) override { return false; }
};

class TQtMainFormDialogs : public TMainFormDialogs {
public:
    Answer Ask(QWidget* parent, const QString& text, Buttons buttons) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter,
                            bool* readOnly) override;
    QString GetSaveFileName(QWidget* parent, const QString& folder, const QString& filter) override;
    int ShowModal(QDialog& dialog) override;
    bool OpenUrl(const QUrl& url) override;
    bool PrintDialog(QWidget* parent, QPrinter& printer) override;
    bool PageSetupDialog(QWidget* parent, QPrinter& printer) override;

    // The caption of the open dialog's read-only check box; its object name is
    // "OpenReadOnly".
    static QString ReadOnlyCaption();

private:
    dabrix::app::QtPrintDialogs printDialogs_;
};
