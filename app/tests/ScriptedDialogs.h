#pragma once
// Dialogs for tests: every question is recorded and answered from a script, every file
// dialog returns the next scripted name, and nothing is shown.
#include "app/MainFormDialogs.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPrinter>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <vector>

class TScriptedDialogs : public TMainFormDialogs {
public:
    struct Question {
        QString text;
        Buttons buttons;
    };

    // Answers for the coming questions, in order. A question without an answer fails the
    // test and is answered with Cancel.
    std::deque<Answer> answers;
    std::vector<Question> questions;
    std::vector<QString> messages;
    std::vector<QString> errors;

    // Names the save and open dialogs return, in order (empty: cancelled).
    std::deque<QString> saveNames;
    std::deque<QString> openNames;
    std::vector<QString> saveFolders;  // the folder each save dialog started in
    std::vector<QString> openFolders;

    // Runs while a file or print dialog is "open", before it answers: what the user's
    // time in a real dialog lets happen meanwhile.
    std::function<void()> whileOpen;

    // The open dialog's "Open read-only" option.
    bool openReadOnly = false;

    // What the print and printer set-up dialogs do with the printer; unset: cancelled.
    std::function<bool(QPrinter&)> onPrint;
    std::function<bool(QPrinter&)> onPageSetup;
    int printDialogs = 0;
    int pageSetupDialogs = 0;

    // What a modal window does while "shown"; by default it is left at once with 0.
    std::function<int(QDialog&)> onShowModal;
    std::vector<QString> shownWindows;  // object names
    std::vector<QUrl> openedUrls;

    Answer Ask(QWidget*, const QString& text, Buttons buttons) override
    {
        questions.push_back({text, buttons});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return Answer::Cancel;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowMessage(QWidget*, const QString& text) override { messages.push_back(text); }
    void ShowError(QWidget*, const QString& text) override { errors.push_back(text); }
    QString GetOpenFileName(QWidget*, const QString& folder, const QString&, bool* readOnly) override
    {
        openFolders.push_back(folder);
        WhileOpen();
        if (readOnly)
            *readOnly = openReadOnly;
        return Next(openNames);
    }
    QString GetSaveFileName(QWidget*, const QString& folder, const QString&) override
    {
        saveFolders.push_back(folder);
        WhileOpen();
        return Next(saveNames);
    }
    int ShowModal(QDialog& dialog) override
    {
        shownWindows.push_back(dialog.objectName());
        return onShowModal ? onShowModal(dialog) : 0;
    }
    bool OpenUrl(const QUrl& url) override
    {
        openedUrls.push_back(url);
        return true;
    }
    bool PrintDialog(QWidget*, QPrinter& printer) override
    {
        ++printDialogs;
        WhileOpen();
        return onPrint && onPrint(printer);
    }
    bool PageSetupDialog(QWidget*, QPrinter& printer) override
    {
        ++pageSetupDialogs;
        WhileOpen();
        return onPageSetup && onPageSetup(printer);
    }

private:
    void WhileOpen()
    {
        if (whileOpen)
            whileOpen();
    }
    static QString Next(std::deque<QString>& names)
    {
        if (names.empty())
            return {};
        QString name = names.front();
        names.pop_front();
        return name;
    }
};
