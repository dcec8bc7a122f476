// The application object and the message hooks: an exception escaping a handler is shown
// and the program goes on; a message box asked for by a worker thread appears on the
// user-interface thread while the worker waits, unless its owner is stopping it.
#include "app/DabrixApplication.h"
#include "platform/UserMessage.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

using dabrix::app::TDabrixApplication;

TDabrixApplication& App()
{
    return *static_cast<TDabrixApplication*>(QCoreApplication::instance());
}

TEST(Application, AnExceptionFromAHandlerIsShownAndTheLoopGoesOn)
{
    std::vector<QString> shown;
    App().SetExceptionReporter([&](const QString& text) { shown.push_back(text); });
    bool laterRan = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("'12a' is not a valid integer value"); });
    QTimer::singleShot(0, [] { throw 42; });
    QTimer::singleShot(5, [&] { laterRan = true; });
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return laterRan; }));
    App().SetExceptionReporter({});

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "'12a' is not a valid integer value");
    EXPECT_EQ(shown[1], "An unexpected error occurred.");
}

TEST(Application, AWorkersMessageShowsOnTheUserInterfaceThreadWhileTheWorkerWaits)
{
    dabrix::app::InstallUserMessageHooks();
    std::atomic<bool> returned = false;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onThisThread = false;
    bool workerWaited = false;
    // The box runs its own event loop; this timer plays the user inside it.
    QTimer user;
    int looks = 0;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (++looks < 3)
            return;  // let the worker have its chance to (wrongly) go on
        text = box->text();
        icon = box->icon();
        onThisThread = box->thread() == QThread::currentThread();
        workerWaited = !returned;
        box->button(QMessageBox::Ok)->click();
    });
    user.start(20);

    std::thread worker([&] {
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error, "Timeout !");
        returned = true;
    });
    EXPECT_TRUE(dabrix::test::WaitFor([&] { return returned.load(); }));
    worker.join();
    user.stop();
    dabrix::app::RemoveUserMessageHooks();

    EXPECT_EQ(text, "Timeout !");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(onThisThread);
    EXPECT_TRUE(workerWaited);
}

TEST(Application, AWorkerWaitingForABoxIsReleasedWhenTheHooksAreRemovedFirst)
{
    dabrix::app::InstallUserMessageHooks();
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error, "Timeout !");
        returned = true;
    });
    // The box is queued but never shown: this thread does not serve events until the
    // hooks are gone, which drops it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned.load());
    dabrix::app::RemoveUserMessageHooks();
    worker.join();
    EXPECT_TRUE(returned.load());
    bool boxSeen = false;
    QTimer::singleShot(0, [&] { boxSeen = QApplication::activeModalWidget() != nullptr; });
    dabrix::test::RunEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(boxSeen);
}

TEST(Application, AWorkerBeingStoppedStopsWaitingForItsBox)
{
    // The owner stops the worker and joins it without serving events, as it does when it
    // closes a link from inside another box's event loop.
    dabrix::app::InstallUserMessageHooks();
    std::atomic<bool> stop = false;
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        const dabrix::platform::MessageWaitStopMark mark(stop);
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error, "Read error");
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned.load()) << "the worker waits while it is not stopped";
    stop = true;
    for (int i = 0; i < 200 && !returned; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(returned.load()) << "the stopped worker still waits for the box";
    dabrix::app::RemoveUserMessageHooks();  // drops the box, which releases it in any case
    worker.join();
}

TEST(Application, AMessageOnTheUserInterfaceThreadIsShownDirectly)
{
    dabrix::app::InstallUserMessageHooks();
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Warning, "Port not active !");
    EXPECT_EQ(seen, "Port not active !");
    dabrix::app::RemoveUserMessageHooks();
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    TDabrixApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
