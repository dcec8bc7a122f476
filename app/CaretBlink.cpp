#include "app/CaretBlink.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

TCaretBlinkTimeout::TCaretBlinkTimeout(std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , flashTime_(QGuiApplication::styleHints()->cursorFlashTime())
{
    timeout_.setSingleShot(true);
    timeout_.setInterval(timeout);
    connect(&timeout_, &QTimer::timeout, this, &TCaretBlinkTimeout::Stop);
    QCoreApplication::instance()->installEventFilter(this);
    timeout_.start();
}

TCaretBlinkTimeout::~TCaretBlinkTimeout()
{
    if (stopped_)
        QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
}

bool TCaretBlinkTimeout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
        if (stopped_) {
            stopped_ = false;
            QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
        }
        timeout_.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TCaretBlinkTimeout::Stop()
{
    if (stopped_ || flashTime_ <= 0)
        return;
    stopped_ = true;
    // The text widgets follow the hint at once; 0 is a caret that is always shown.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}
