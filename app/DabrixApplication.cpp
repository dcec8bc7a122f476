#include "app/DabrixApplication.h"

#include "platform/QueuedCalls.h"
#include "platform/UserMessage.h"

#include <QMessageBox>
#include <QThread>
#include <QWidget>

#include <condition_variable>
#include <memory>
#include <mutex>

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

// Workers' boxes and beeps go through here to the user-interface thread.
std::unique_ptr<platform::QueuedCalls> uiCalls;

// A worker waits here until the user has closed its box, as it would for a box of its
// own. A box that is dropped unshown (the hooks are removed) releases it too.
struct BoxWait {
    std::mutex lock;
    std::condition_variable changed;
    bool closed = false;

    void Close()
    {
        {
            std::lock_guard guard(lock);
            closed = true;
        }
        changed.notify_all();
    }
};

} // namespace

void InstallUserMessageHooks()
{
    uiCalls = std::make_unique<platform::QueuedCalls>();
    platform::QueuedCalls* calls = uiCalls.get();
    platform::SetUserMessageHook([calls](platform::UserMessageKind kind, const QString& text) {
        if (!QCoreApplication::instance())
            return;
        if (OnApplicationThread()) {
            ShowBox(kind, text);
            return;
        }
        auto wait = std::make_shared<BoxWait>();
        // Released when the queued call is gone, shown or dropped.
        std::shared_ptr<void> closer(nullptr, [wait](void*) { wait->Close(); });
        calls->Post([kind, text, closer = std::move(closer)] { ShowBox(kind, text); });
        // A worker that is being stopped goes on at once: its owner may be joining it
        // from this very box's event loop, and the box stays for the user to close.
        std::unique_lock guard(wait->lock);
        while (!wait->changed.wait_for(guard, std::chrono::milliseconds(20), [&] { return wait->closed; })) {
            if (platform::MessageWaitStopped())
                break;
        }
    });
    platform::SetBeepHook([calls] {
        if (!QCoreApplication::instance())
            return;
        if (OnApplicationThread())
            QApplication::beep();
        else
            calls->Post([] { QApplication::beep(); });
    });
}

void RemoveUserMessageHooks()
{
    platform::SetUserMessageHook({});
    platform::SetBeepHook({});
    uiCalls.reset();
}

} // namespace dabrix::app
