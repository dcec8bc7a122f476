#pragma once
// Every question, file dialog, modal window and shell call of the main window and its
// dialogs goes through this interface, so tests can answer them. TQtMainFormDialogs is
// the one the program uses.
//
// Threads: user-interface thread only.
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

class TMainFormDialogs {
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
    // dialog's read-only option.
    virtual QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter,
                                    bool* readOnly) = 0;
    // The file chosen in a save dialog, or empty when cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;

    // Shows a window modally and returns its result code.
    virtual int ShowModal(QDialog& dialog) = 0;

    // Hands a file or mailto: link to the desktop; false when nothing could open it.
    virtual bool OpenUrl(const QUrl& url) = 0;
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
};

// The dialog filter "Text (*.TXT)|*.TXT|All Files (*.*)|*.*" in Qt's form: on Linux the
// patterns match both spellings of the extension.
QString TextFileFilter();
