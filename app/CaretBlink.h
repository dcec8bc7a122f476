#pragma once
// The text caret stops blinking after a while without keyboard or mouse input, as the
// desktops have it (GNOME after 10 s): a blinking caret repaints the editor twice a
// second for as long as the window has the focus, which on a laptop left to collect a
// gauge's readings for hours wakes the program for nothing. The next key or click makes
// it blink again. The caret stays shown while it does not blink.
#include <QObject>
#include <QTimer>

#include <chrono>

class TCaretBlinkTimeout : public QObject {
public:
    // Watches the input of the whole application, from now on.
    explicit TCaretBlinkTimeout(std::chrono::milliseconds timeout, QObject* parent = nullptr);
    ~TCaretBlinkTimeout() override;

    bool Blinking() const { return !stopped_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Stop();

    QTimer timeout_;
    int flashTime_ = 0;  // the desktop's blink period, brought back on input
    bool stopped_ = false;
};
