#pragma once
// The print and printer set-up dialogs of the document commands, behind an interface so
// tests can answer them. It sits beside TMainFormDialogs (the questions and file
// dialogs) without overlapping it, so one object can implement both.
//
// Threads: user-interface thread only.
class QPrinter;
class QWidget;

namespace dabrix::app {

class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // Lets the user choose a printer and its options for `printer`; false when cancelled.
    virtual bool PrintDialog(QWidget* parent, QPrinter& printer) = 0;
    // Lets the user set up the page of `printer`; false when cancelled.
    virtual bool PageSetupDialog(QWidget* parent, QPrinter& printer) = 0;
};

// The Qt dialogs.
class QtPrintDialogs : public PrintDialogs {
public:
    bool PrintDialog(QWidget* parent, QPrinter& printer) override;
    bool PageSetupDialog(QWidget* parent, QPrinter& printer) override;
};

} // namespace dabrix::app
