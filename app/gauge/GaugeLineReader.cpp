#include "app/gauge/GaugeLineReader.h"

#include <QLocale>

namespace {

constexpr char16_t kMicroSign = 0x00B5;
const QString kPrompt = QStringLiteral("\r\n> ");

} // namespace

GaugeLineReader::GaugeLineReader(SeparatorSource decimalSeparator)
    : decimalSeparator_(decimalSeparator ? std::move(decimalSeparator) : SystemSeparator())
{
}

GaugeLineReader::SeparatorSource GaugeLineReader::SystemSeparator()
{
    // The regional settings are the environment's, fixed for the life of the process;
    // asking the system locale costs a lock and a lookup, which a gauge sending many
    // lines a second would pay for each line.
    return [separator = QString()]() mutable {
        if (separator.isEmpty())
            separator = QLocale::system().decimalPoint();
        return separator;
    };
}

void GaugeLineReader::TidyLine(QString& line, const QString& separator)
{
    const qsizetype um = line.indexOf(QLatin1String("um"));
    if (um >= 0)
        line[um] = QChar(kMicroSign);
    const qsizetype point = line.lastIndexOf(QLatin1Char('.'));
    if (point >= 0 && point + 1 < line.size() && line[point + 1] >= QLatin1Char('0')
        && line[point + 1] <= QLatin1Char('9') && !line.contains(QLatin1Char(':')))
        line.replace(point, 1, separator);
}

void GaugeLineReader::PollSent()
{
    PromptPending = true;
    SyncSeen = false;
}

void GaugeLineReader::LinkLost()
{
    PromptPending = false;
    PromptSeen = false;
}

void GaugeLineReader::Connected()
{
    LineBuffer.clear();
}

void GaugeLineReader::Read(const TBuffer& data, LineReaderOutput& out)
{
    if (SyncSeen)
        return;

    // The lines finished by this telegram go out together, unless an echo or the sync
    // line must come between them.
    QString finished;
    auto flush = [&] {
        out.ShowLines(finished);
        finished.clear();
    };
    for (int i = 1; i <= data.Count(); ++i) {
        const uint8_t c = data[static_cast<size_t>(i)];
        if (c == 0)
            continue;
        LineBuffer.append(QChar(c));
        if (LineBuffer.front() == QLatin1Char('>')) {
            SyncSeen = true;
            LineBuffer.clear();
            flush();
            out.ShowSyncLine();
            return;  // the rest of the telegram is dropped
        }
        if (PromptPending) {
            PromptSeen = true;
            if (LineBuffer.front() != QLatin1Char('\r'))
                PromptPending = false;
        }
        if (PromptPending) {
            // The buffer is searched after every byte while a prompt may come, so the
            // first time it holds the prompt the prompt is at its end.
            if (LineBuffer.endsWith(kPrompt)) {
                LineBuffer.clear();
                PromptPending = false;
                PromptSeen = false;
            }
            continue;
        }
        if (EchoChars) {
            flush();
            out.EchoChar(c);
        }
        if (c == '\n') {
            TidyLine(LineBuffer, decimalSeparator_());
            finished += LineBuffer;
            LineBuffer.clear();
            PromptPending = PromptSeen;
        }
    }
    flush();
}
