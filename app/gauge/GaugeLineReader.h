#pragma once
// The line reader of the gauges that send plain character streams: it assembles the
// received bytes into lines, swallows the prompt a polled gauge answers with, echoes each
// character where the gauge wants that, recognises the sync answer and tidies every
// finished line (micro sign, the user's decimal separator). It knows nothing of windows:
// what it produces goes to a LineReaderOutput, in the order it arises.
#include "manager/KTXComm2Types.h"

#include <QString>

#include <cstdint>
#include <functional>

class LineReaderOutput {
public:
    virtual ~LineReaderOutput() = default;
    // Finished lines, each with its own CR and LF; empty where an echo or the sync line
    // follows no finished line, or a telegram finished none.
    virtual void ShowLines(const QString& lines) = 0;
    // The gauge answered with a line starting with ">": the display notes it on a line of
    // its own, and nothing more is read until the next poll.
    virtual void ShowSyncLine() = 0;
    // A character to send straight back to the gauge.
    virtual void EchoChar(uint8_t c) = 0;
};

class GaugeLineReader {
public:
    // The decimal separator is asked for at every finished line that needs it; the
    // default reads the system's regional settings (once: they do not change while the
    // program runs).
    using SeparatorSource = std::function<QString()>;
    explicit GaugeLineReader(SeparatorSource decimalSeparator = {});
    static SeparatorSource SystemSeparator();

    // The bytes of one telegram, in order.
    void Read(const TBuffer& data, LineReaderOutput& out);

    // A poll (ENQ) has gone out: the gauge's prompt may follow, and a sync is over.
    void PollSent();
    // The link is down: no prompt can follow.
    void LinkLost();
    // A new link: a line left unfinished by the last one is dropped.
    void Connected();

    // A finished line as the user reads it: the first "um" (wherever it stands) gets the
    // micro sign, and the last point becomes `separator` when a digit follows it and the
    // line holds no ":" (times keep their points).
    static void TidyLine(QString& line, const QString& separator);

    // The reader's state; the window's tests set it directly.
    QString LineBuffer;          // the line being assembled (one character per byte)
    bool SyncSeen = false;       // a line began with ">": everything is ignored until a poll
    bool PromptPending = false;  // a poll went out; its prompt answer may follow
    bool PromptSeen = false;     // a character followed the poll; carried over at each line end
    bool EchoChars = false;      // every character is echoed

private:
    SeparatorSource decimalSeparator_;
};
