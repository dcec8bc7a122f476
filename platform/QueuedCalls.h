#pragma once
// Runs functions on the thread this object belongs to, in the order they were posted:
// how a worker thread hands work to the user-interface thread.
//
// Threading: Post may be called from any thread and never blocks; the calls run from the
// owner thread's event loop. Calls still queued when the object is destroyed are dropped.
#include <QObject>

#include <functional>

namespace dabrix::platform {

class QueuedCalls : public QObject {
public:
    explicit QueuedCalls(QObject* parent = nullptr) : QObject(parent) {}

    void Post(std::function<void()> call);

protected:
    bool event(QEvent* e) override;
};

} // namespace dabrix::platform
