// The line reader of the character-stream gauges, fed with bytes as telegrams bring them,
// on a decimal-comma system: what it hands on, and in which order.
#include "app/gauge/GaugeLineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Everything the reader hands on, as one log: "L<lines>" for finished lines, "S" for the
// sync line, "E<c>" for an echoed character. Empty hand-overs are left out.
class Recorder : public LineReaderOutput {
public:
    void ShowLines(const QString& lines) override
    {
        if (!lines.isEmpty())
            log.push_back(QStringLiteral("L") + lines);
    }
    void ShowSyncLine() override { log.push_back(QStringLiteral("S")); }
    void EchoChar(uint8_t c) override { log.push_back(QStringLiteral("E") + QChar(c)); }
    std::vector<QString> log;
};

TBuffer Telegram(const std::string& bytes)
{
    TBuffer data;
    data.Assign(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return data;
}

struct Case {
    const char* what;
    bool echo;
    bool polled;  // a poll went out just before the first telegram
    std::vector<std::string> telegrams;
    std::vector<QString> log;
    QString left;  // what stays in the line buffer
};

const QString kMicro = QString(QChar(0xB5));

const Case kCases[] = {
    {"point and micro sign", false, false, {"12.5 um\r\n"}, {"L12,5 " + kMicro + "m\r\n"}, ""},
    {"a time keeps its points", false, false, {"10:30 12.5\r\n"}, {"L10:30 12.5\r\n"}, ""},
    {"only the last point", false, false, {"A 1.2 B 3.4\r\n"}, {"LA 1.2 B 3,4\r\n"}, ""},
    {"a point before the line end", false, false, {"Value 3.\r\n"}, {"LValue 3.\r\n"}, ""},
    {"the first um, inside a word", false, false, {"Number 5 um\r\n"}, {"LN" + kMicro + "mber 5 um\r\n"}, ""},
    {"zero bytes are dropped", false, false, {std::string("1\0", 2), std::string("2.5\0\r\n", 6)}, {"L12,5\r\n"}, ""},
    {"a line over four telegrams", false, false, {"12.", "5 u", "m\r", "\n"}, {"L12,5 " + kMicro + "m\r\n"}, ""},
    {"two lines in one telegram go on together", false, false, {"1.5\r\n2.5\r\n"}, {"L1,5\r\n2,5\r\n"}, ""},
    {"an unfinished line stays back", false, false, {"1.5\r\n7.5"}, {"L1,5\r\n"}, "7.5"},
    {"eight-bit bytes are one character each", false, false, {"3 \xB5m \xE9\r\n"},
     {"L3 " + kMicro + "m " + QChar(0xE9) + "\r\n"}, ""},
    {"sync: the rest of the telegram and later ones are dropped", false, false,
     {"1.5\r\n>OK\r\n2.5\r\n", "3.5\r\n"}, {"L1,5\r\n", "S"}, ""},
    {"the prompt after a poll is swallowed", false, true, {"\r\n", "> "}, {}, ""},
    {"an answer to a poll is shown", false, true, {"1.5\r\n"}, {"L1,5\r\n"}, ""},
    {"after an answer, a line starting with CR waits for the prompt", false, true, {"1.5\r\n", "\r\n"},
     {"L1,5\r\n"}, "\r\n"},
    {"a prompt after the answer is swallowed", false, true, {"1.5\r\n\r\n> "}, {"L1,5\r\n"}, ""},
    {"echo: every character, the line after its LF was echoed", true, false, {"1\r\n2"},
     {"E1", "E\r", "E\n", "L1\r\n", "E2"}, "2"},
    {"echo: not while a prompt may come", true, true, {"\r\n> 7\r\n"}, {"E7", "E\r", "E\n", "L7\r\n"}, ""},
    {"echo: the > of a sync is not echoed", true, false, {">\r\n"}, {"S"}, ""},
};

TEST(GaugeLineReader, EachCaseHandsOnItsText)
{
    for (const Case& c : kCases) {
        GaugeLineReader reader([] { return QStringLiteral(","); });
        reader.EchoChars = c.echo;
        if (c.polled)
            reader.PollSent();
        Recorder out;
        for (const std::string& t : c.telegrams)
            reader.Read(Telegram(t), out);
        EXPECT_EQ(out.log, c.log) << c.what;
        EXPECT_EQ(reader.LineBuffer, c.left) << c.what;
    }
}

TEST(GaugeLineReader, APollEndsASyncAndALostLinkEndsThePromptWait)
{
    GaugeLineReader reader([] { return QStringLiteral(","); });
    Recorder out;
    reader.Read(Telegram(">\r\n"), out);
    reader.Read(Telegram("1.5\r\n"), out);
    EXPECT_TRUE(reader.SyncSeen);
    EXPECT_EQ(out.log, std::vector<QString>{"S"});

    reader.PollSent();
    EXPECT_FALSE(reader.SyncSeen);
    EXPECT_TRUE(reader.PromptPending);
    reader.Read(Telegram("\r"), out);
    EXPECT_TRUE(reader.PromptSeen);

    reader.LinkLost();
    EXPECT_FALSE(reader.PromptPending);
    EXPECT_FALSE(reader.PromptSeen);
    // Without a pending prompt the held CR starts an ordinary line.
    reader.Read(Telegram("\n"), out);
    EXPECT_EQ(out.log, (std::vector<QString>{"S", "L\r\n"}));
}

TEST(GaugeLineReader, ANewLinkDropsTheUnfinishedLine)
{
    GaugeLineReader reader([] { return QStringLiteral("."); });
    Recorder out;
    reader.Read(Telegram("12."), out);
    reader.Connected();
    reader.Read(Telegram("7\r\n"), out);
    EXPECT_EQ(out.log, std::vector<QString>{"L7\r\n"});
}

TEST(GaugeLineReader, TheSeparatorIsAskedAtEachLineThatNeedsIt)
{
    QString separator = QStringLiteral(",");
    int asked = 0;
    GaugeLineReader reader([&] {
        ++asked;
        return separator;
    });
    Recorder out;
    reader.Read(Telegram("1.5\r\n"), out);
    separator = QStringLiteral("'");
    reader.Read(Telegram("2.5\r\n"), out);
    EXPECT_EQ(out.log, (std::vector<QString>{"L1,5\r\n", "L2'5\r\n"}));
    EXPECT_EQ(asked, 2);
}

} // namespace
