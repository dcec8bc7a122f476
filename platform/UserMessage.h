#pragma once
// The one way for code below app/ to put a message box in front of the user.
// The application installs a hook that shows the box on the user-interface thread;
// without a hook (tests, tools) the message is written to the log instead.
//
// Threading: ShowUserMessage may be called from any thread. The hook is installed once
// at start-up, before any worker runs, and removed after the workers have ended.
#include <QString>
#include <atomic>
#include <functional>

namespace dabrix::platform {

enum class UserMessageKind { Error, Warning, Information };

using UserMessageHook = std::function<void(UserMessageKind kind, const QString& text)>;

void SetUserMessageHook(UserMessageHook hook);

// Shows `text` in a modal box with a single OK button (through the hook), or logs it.
void ShowUserMessage(UserMessageKind kind, const QString& text);

// A worker thread that its owner may stop and join names its stop mark here for as long
// as the object lives. A message box the worker waits for then stops holding it up once
// the mark is set: the owner may be joining it while the box is still open.
class MessageWaitStopMark {
public:
    explicit MessageWaitStopMark(const std::atomic<bool>& stop);
    ~MessageWaitStopMark();
    MessageWaitStopMark(const MessageWaitStopMark&) = delete;
    MessageWaitStopMark& operator=(const MessageWaitStopMark&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// True when the calling thread's stop mark (if any) is set.
bool MessageWaitStopped();

// Sounds the desktop's alert beep where the hook's host can; a no-op without a GUI.
void Beep();
void SetBeepHook(std::function<void()> hook);

} // namespace dabrix::platform
