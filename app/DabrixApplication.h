#pragma once
// The application object. An exception that escapes an event handler ends up here and
// is shown in an error box; the program keeps running.
#include <QApplication>

#include <exception>
#include <functional>

namespace dabrix::app {

class TDabrixApplication : public QApplication {
public:
    TDabrixApplication(int& argc, char** argv);
    ~TDabrixApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of a caught exception. The default shows an error box; tests
    // replace it to see what would have been shown.
    using ExceptionReporter = std::function<void(const QString& text)>;
    void SetExceptionReporter(ExceptionReporter reporter) { reporter_ = std::move(reporter); }

private:
    void ReportException(std::exception_ptr error);

    ExceptionReporter reporter_;
};

// The text an error box shows for an exception: its what(), or a general text for an
// exception that is not a std::exception.
QString ExceptionText(std::exception_ptr error);

// Routes message boxes and the beep of the layers below app/ to this application:
// a message box shows on the user-interface thread (a caller on another thread waits for
// it to be closed), the beep is the desktop's. RemoveUserMessageHooks undoes it; call it
// after every worker thread has ended.
void InstallUserMessageHooks();
void RemoveUserMessageHooks();

} // namespace dabrix::app
