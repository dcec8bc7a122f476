// The main window's telegram display: every block of received data becomes text in the
// editor. The newer gauges deliver finished text; the character streams of the older ones
// go through the line reader, and what it finishes is inserted here.
#include "app/MainForm.h"

#include "app/Images.h"
#include "app/ReadingsPanel.h"
#include "comm/KTXComm2Item.h"
#include "platform/QueuedCalls.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

void TMainForm::KTXComm2Manager1Connections0Telegram(TObject*, TTelegramData TelegramData, TBuffer& ResponseData)
{
    // Nothing goes back to the gauge in reply.
    ResponseData.Clear();
    if (std::this_thread::get_id() == ownerThread_) {
        ShowTelegram(TelegramData.Data);
        return;
    }
    // The USB receive thread: the editor and the window's state belong to the
    // user-interface thread. Calls queued to one receiver run in the order they were
    // queued, and queueing never blocks this thread.
    telegramCalls_->Post([this, data = TelegramData.Data] { ShowTelegram(data); });
}

void TMainForm::ShowTelegram(const TBuffer& data)
{
    pendingTelegrams_.push_back(data);
    // Sending the echo lets other events run: a telegram that comes meanwhile waits for
    // the one being shown.
    if (showingTelegram_)
        return;
    showingTelegram_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{showingTelegram_};
    while (!pendingTelegrams_.empty()) {
        const TBuffer next = pendingTelegrams_.front();
        pendingTelegrams_.pop_front();
        ShowTelegramData(next);
    }
}

void TMainForm::ShowTelegramData(const TBuffer& data)
{
    RestartPromptTimer(TagOf(PromptTime));
    // Data flowing at least once a second keeps the tick from ever running, so the status
    // is brought up to date here when the link starts receiving. The state may be receiving
    // already while the panel still shows searching: the tick refreshes the panel before
    // it sets receiving on a connected link, and the next tick may never come.
    const TDisplayState previous = DisplayState;
    DisplayState = dsReceiving;
    if (previous != DisplayState || panelImage_ != ImageConnected)
        UpdateStatusBar();

    const GaugeSetting* gauge = ChosenGauge();
    if (gauge && gauge->Data == gdText) {
        // Zero bytes are no text; they would end up in the saved file.
        InsertReceivedText(TKTXComm2Item::BufferToString(data).remove(QChar(0)));
        return;
    }
    LineReader.Read(data, *this);
}

void TMainForm::ShowLines(const QString& lines)
{
    InsertReceivedText(lines);
}

void TMainForm::EchoChar(uint8_t c)
{
    TBuffer echo;
    echo[0] = 1;
    echo[1] = c;
    Connection->Send(echo);
}

void TMainForm::InsertReceivedText(QString text)
{
    // A CR at the end of the last insertion already broke the line; the LF that follows
    // it in the next block of data belongs to the same line end.
    if (insertEndedWithCr_ && text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    insertEndedWithCr_ = false;
    if (text.isEmpty())
        return;
    insertEndedWithCr_ = text.endsWith(QLatin1Char('\r'));
    Readings->Received(text);
    OpenReceiveBatch();
    // The editor's own cursor moves on with text inserted where it stands, so the next
    // insertion goes after this one.
    Editor->textCursor().insertText(text);
}

void TMainForm::ShowSyncLine()
{
    OpenReceiveBatch();
    // A line of its own at the end of the text, wherever the caret is.
    QTextCursor end(Editor->document());
    end.movePosition(QTextCursor::End);
    end.insertText(end.block().text().isEmpty() ? QStringLiteral("Sync...\n") : QStringLiteral("\nSync..."));
}

void TMainForm::OpenReceiveBatch()
{
    if (receiveBatchOpen_)
        return;
    receiveBatchOpen_ = true;
    // Like the gauge data in a classic edit control: not undoable, and it ends the undo
    // history (which would otherwise grow with every reading).
    Editor->document()->setUndoRedoEnabled(false);
    receiveBatch_ = std::make_unique<QTextCursor>(Editor->document());
    receiveBatch_->beginEditBlock();
    // The batch ends when the editor is next shown, and before the application handles
    // anything that may look at the editor or the user (see eventFilter).
    QCoreApplication::instance()->installEventFilter(this);
    const qint64 sinceRefresh = sinceReceiveRefresh_.isValid() ? sinceReceiveRefresh_.elapsed() : kStreamRefreshMs;
    receiveRefresh_->start(static_cast<int>(std::max<qint64>(kReceiveRefreshMs, kStreamRefreshMs - sinceRefresh)));
}

void TMainForm::CloseReceiveBatch()
{
    if (!receiveBatchOpen_)
        return;
    receiveBatchOpen_ = false;
    receiveRefresh_->stop();
    QCoreApplication::instance()->removeEventFilter(this);
    receiveBatch_->endEditBlock();
    receiveBatch_.reset();
    Editor->document()->setUndoRedoEnabled(true);
    Editor->ensureCursorVisible();
    sinceReceiveRefresh_.start();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (receiveBatchOpen_ && !BelongsToReceiveBatch(watched, event))
        CloseReceiveBatch();
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::BelongsToReceiveBatch(const QObject* watched, const QEvent* event) const
{
    switch (event->type()) {
    case QEvent::Timer:
        // Timers of widgets (a scroll bar held down) act on the view; the others do not.
        return !watched->isWidgetType();
    case QEvent::SockAct:
    case QEvent::SockClose:
    case QEvent::ChildAdded:  // bookkeeping of the object tree (single-shot timers come and go)
    case QEvent::ChildPolished:
    case QEvent::ChildRemoved:
        return true;
    case QEvent::MetaCall:
        return watched == this;  // the telegrams of a USB link
    default:
        // The events of the program's own lower layers: received data, notifications.
        return event->type() >= QEvent::User;
    }
}
