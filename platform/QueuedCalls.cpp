#include "platform/QueuedCalls.h"

#include "platform/ThreadHandoff.h"

#include <QCoreApplication>
#include <QEvent>

namespace dabrix::platform {

namespace {

const QEvent::Type kCallType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct CallEvent : QEvent {
    explicit CallEvent(std::function<void()> call) : QEvent(kCallType), call(std::move(call)) {}
    ~CallEvent() override { TakeOver(this); }  // also when dropped unrun
    std::function<void()> call;
};

} // namespace

void QueuedCalls::Post(std::function<void()> call)
{
    auto* e = new CallEvent(std::move(call));
    HandOver(e);
    QCoreApplication::postEvent(this, e);
}

bool QueuedCalls::event(QEvent* e)
{
    if (e->type() != kCallType)
        return QObject::event(e);
    auto* call = static_cast<CallEvent*>(e);
    TakeOver(call);
    if (call->call)
        call->call();
    return true;
}

} // namespace dabrix::platform
