#include "platform/UserMessage.h"

#include <QDebug>
#include <mutex>

namespace dabrix::platform {
namespace {
std::mutex hookLock;
UserMessageHook messageHook;
std::function<void()> beepHook;
thread_local const std::atomic<bool>* stopMark = nullptr;
} // namespace

MessageWaitStopMark::MessageWaitStopMark(const std::atomic<bool>& stop) : previous_(stopMark)
{
    stopMark = &stop;
}

MessageWaitStopMark::~MessageWaitStopMark()
{
    stopMark = previous_;
}

bool MessageWaitStopped()
{
    return stopMark && stopMark->load();
}

void SetUserMessageHook(UserMessageHook hook)
{
    std::lock_guard lock(hookLock);
    messageHook = std::move(hook);
}

void ShowUserMessage(UserMessageKind kind, const QString& text)
{
    UserMessageHook hook;
    {
        std::lock_guard lock(hookLock);
        hook = messageHook;
    }
    if (hook) {
        hook(kind, text);
        return;
    }
    qWarning().noquote() << "Dabrix:" << text;
}

void SetBeepHook(std::function<void()> hook)
{
    std::lock_guard lock(hookLock);
    beepHook = std::move(hook);
}

void Beep()
{
    std::function<void()> hook;
    {
        std::lock_guard lock(hookLock);
        hook = beepHook;
    }
    if (hook)
        hook();
}

} // namespace dabrix::platform
