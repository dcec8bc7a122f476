#include "app/DabrixApplication.h"

#include "platform/UserMessage.h"

#include <QMessageBox>
#include <QThread>
#include <QWidget>

namespace dabrix::app {

TDabrixApplication::TDabrixApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

TDabrixApplication::~TDabrixApplication() = default;

bool TDabrixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception());
    }
    // The event counts as handled: its handler ran as far as it could.
    return true;
}

void TDabrixApplication::ReportException(std::exception_ptr error)
{
    const QString text = ExceptionText(error);
    if (reporter_) {
        reporter_(text);
        return;
    }
    QMessageBox::critical(activeWindow(), applicationName(), text);
}

QString ExceptionText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        const QString text = QString::fromLocal8Bit(e.what());
        if (!text.isEmpty())
            return text;
    } catch (...) {
    }
    return QCoreApplication::translate("TDabrixApplication", "An unexpected error occurred.");
}

namespace {

QMessageBox::Icon IconOf(platform::UserMessageKind kind)
{
    switch (kind) {
    case platform::UserMessageKind::Error:
        return QMessageBox::Critical;
    case platform::UserMessageKind::Warning:
        return QMessageBox::Warning;
    case platform::UserMessageKind::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

void ShowBox(platform::UserMessageKind kind, const QString& text)
{
    QMessageBox box(IconOf(kind), QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool OnApplicationThread()
{
    return QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void InstallUserMessageHooks()
{
    platform::SetUserMessageHook([](platform::UserMessageKind kind, const QString& text) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        if (OnApplicationThread()) {
            ShowBox(kind, text);
            return;
        }
        // The worker waits until the user has closed the box, as it would for a box of
        // its own.
        QMetaObject::invokeMethod(app, [kind, text] { ShowBox(kind, text); },
                                  Qt::BlockingQueuedConnection);
    });
    platform::SetBeepHook([] {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        if (OnApplicationThread())
            QApplication::beep();
        else
            QMetaObject::invokeMethod(app, [] { QApplication::beep(); }, Qt::QueuedConnection);
    });
}

void RemoveUserMessageHooks()
{
    platform::SetUserMessageHook({});
    platform::SetBeepHook({});
}

} // namespace dabrix::app
