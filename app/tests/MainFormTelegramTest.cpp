// Received telegrams turned into editor text, on a German system (decimal comma): the
// line assembly, the micro sign, the decimal separator, the sync line, the poll prompt,
// and the gauges whose telegrams are text already.
#include "app/tests/MainFormFixture.h"

#include "app/StatusPanel.h"
#include "comm/KTXComm2Item.h"

#include "tests/support/EventLoop.h"

#include <QAction>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <string>
#include <vector>

namespace {

class TelegramTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        // The window reads the separator from the system's settings, set before main().
        ASSERT_EQ(QLocale::system().decimalPoint(), ",");
        Create();
    }

    // One telegram through the item's handler, as the item raises it on this thread.
    void Receive(const std::string& bytes)
    {
        TTelegramData telegram;
        telegram.Command = 0x02;
        ASSERT_EQ(telegram.Data.Assign(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), bytes.size());
        TBuffer response;
        response[0] = 2;
        form_->KTXComm2Manager1Connections0Telegram(form_->Connection, telegram, response);
        EXPECT_EQ(response.Count(), 0) << "nothing is sent in reply";
    }

    QString Text() const { return form_->Editor->toPlainText(); }
};

struct Case {
    const char* what;
    int gaugeTag;
    bool promptPending;               // a poll has just gone out
    std::vector<std::string> telegrams;
    QString shown;                    // the editor afterwards (a line break shows as \n)
};

const Case kCases[] = {
    {"point and micro sign", 0, false, {"12.5 um\r\n"}, QString::fromUtf8("12,5 µm\n")},
    {"a time keeps its points", 0, false, {"10:30 12.5\r\n"}, "10:30 12.5\n"},
    {"only the last point", 0, false, {"A 1.2 B 3.4\r\n"}, "A 1.2 B 3,4\n"},
    {"a point before the line end", 0, false, {"Value 3.\r\n"}, "Value 3.\n"},
    {"the first um, inside a word", 0, false, {"Number 5 um\r\n"}, QString::fromUtf8("Nµmber 5 um\n")},
    {"zero bytes", 0, false, {std::string("1\0", 2), std::string("2.5\0\r\n", 6)}, "12,5\n"},
    {"a line over four telegrams", 3, false, {"12.", "5 u", "m\r", "\n"}, QString::fromUtf8("12,5 µm\n")},
    {"a line without its end stays back", 0, false, {"1.5\r\n7.5"}, "1,5\n"},
    {"two lines in one telegram", 9, false, {"1.5\r\n2.5\r\n"}, "1,5\n2,5\n"},
    {"eight-bit bytes", 0, false, {"3 \xB5m \xE9t\xE9\r\n"}, QString::fromUtf8("3 µm été\n")},
    {"sync line on a gauge that is never polled", 0, false, {">OK\r\n", "1.5\r\n"}, "Sync...\n"},
    {"sync after a line, rest of the telegram dropped", 2, false, {"1.5\r\n>OK\r\n2.5\r\n", "3.5\r\n"},
     "1,5\nSync...\n"},
    {"the prompt after a poll is swallowed", 1, true, {"\r\n", "> "}, ""},
    {"an answer to a poll is shown", 1, true, {"1.5\r\n"}, "1,5\n"},
    {"a prompt after the answer is swallowed", 1, true, {"1.5\r\n\r\n> "}, "1,5\n"},
    {"Tag 8 text as it comes", 8, false, {"12.5 um\r\n", "10:30"}, "12.5 um\n10:30"},
    {"Tag 13 text without zero bytes", 13, false, {std::string("A\0B\r\n", 5)}, "AB\n"},
    {"a line end split between text telegrams", 11, false, {"1.5\r", "\n2.5\r\n"}, "1.5\n2.5\n"},
    {"a LF of its own in text telegrams", 14, false, {"1.5\n", "\n"}, "1.5\n\n"},
};

TEST_F(TelegramTest, EachCaseGivesItsText)
{
    for (const Case& c : kCases) {
        form_->Editor->clear();
        form_->LineReader.LineBuffer.clear();
        form_->LineReader.SyncSeen = false;
        form_->LineReader.PromptSeen = false;
        form_->GaugeTag = static_cast<uint8_t>(c.gaugeTag);
        form_->LineReader.PromptPending = c.promptPending;
        for (const std::string& t : c.telegrams)
            Receive(t);
        EXPECT_EQ(Text(), c.shown) << c.what;
    }
}

TEST_F(TelegramTest, APromptResetsThePollState)
{
    form_->GaugeTag = 1;
    form_->LineReader.PromptPending = true;
    Receive("\r\n> ");
    EXPECT_FALSE(form_->LineReader.PromptPending);
    EXPECT_FALSE(form_->LineReader.PromptSeen);
    EXPECT_TRUE(form_->LineReader.LineBuffer.isEmpty());

    // After an answer, a line that starts with CR waits for the prompt.
    form_->LineReader.PromptPending = true;
    Receive("1.5\r\n");
    EXPECT_TRUE(form_->LineReader.PromptPending);
    Receive("\r\n");
    EXPECT_EQ(Text(), "1,5\n");
    EXPECT_EQ(form_->LineReader.LineBuffer, "\r\n");
}

TEST_F(TelegramTest, TheSyncLineGoesToTheEndAndTheReadingsToTheCaret)
{
    form_->Editor->setPlainText("note AAA tail");
    QTextCursor cursor = form_->Editor->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(8, QTextCursor::KeepAnchor);  // "AAA" selected
    form_->Editor->setTextCursor(cursor);
    Receive("1.5\r\n");
    EXPECT_EQ(Text(), "note 1,5\n tail");
    Receive("2.5\r\n");
    EXPECT_EQ(Text(), "note 1,5\n2,5\n tail");

    // The text does not end with a line break: the sync line starts a new one.
    Receive(">\r\n");
    EXPECT_EQ(Text(), "note 1,5\n2,5\n tail\nSync...");
    EXPECT_TRUE(form_->LineReader.SyncSeen);
}

TEST_F(TelegramTest, ReceivedTextCannotBeUndoneButTheUsersTypingCan)
{
    Show();
    form_->Editor->setFocus();
    QTest::keyClicks(form_->Editor, "note ");
    Receive("1.5\r\n");
    QTest::keyClicks(form_->Editor, "ok");  // ends the batch first: typed after the reading
    EXPECT_EQ(Text(), "note 1,5\nok");
    form_->act_edit_undo->trigger();
    EXPECT_EQ(Text(), "note 1,5\n");
    form_->act_edit_undo->trigger();  // nothing before the reading is left to undo
    EXPECT_EQ(Text(), "note 1,5\n");
}

TEST_F(TelegramTest, TheEditorScrollsToTheLastReadingSoonAfterItCame)
{
    Show();
    for (int i = 0; i < 20; ++i) {
        std::string lines;
        for (int j = 0; j < 20; ++j)
            lines += std::to_string(i * 20 + j) + "\r\n";
        Receive(lines);
    }
    EXPECT_EQ(form_->Editor->document()->blockCount(), 401);
    dabrix::test::RunEventsFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(form_->Editor->viewport()->rect().contains(form_->Editor->cursorRect()));
    EXPECT_GT(form_->Editor->verticalScrollBar()->value(), 300);
}

TEST_F(TelegramTest, DataSetsReceivingAndRestartsTheTick)
{
    Show();
    form_->act_interface_conneced->trigger();  // searching
    form_->RestartPromptTimer(0);
    form_->PromptTimeTimer();
    if (form_->StatusPanels[0]->text().isEmpty())
        form_->PromptTimeTimer();  // the blank half of the blink
    ASSERT_EQ(form_->StatusPanels[0]->text(), "Wait...");
    Receive("1.5\r\n");
    EXPECT_EQ(form_->DisplayState, dsReceiving);
    // Shown at once: a gauge that sends every second never lets the tick come.
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
    EXPECT_TRUE(form_->PromptTime->isActive());
    EXPECT_EQ(form_->PromptTime->interval(), 1000);
}

TEST_F(TelegramTest, DataShowsReceivingWhenTheTickSetItAfterShowingWait)
{
    // On a connected link the tick shows the searching text and then sets receiving; a
    // gauge that sends every second keeps the next tick from coming, so the data must
    // bring the panel up to date although the state is receiving already.
    Show();
    form_->act_interface_conneced->trigger();
    form_->RestartPromptTimer(0);
    form_->PromptTimeTimer();
    if (form_->StatusPanels[0]->text().isEmpty())
        form_->PromptTimeTimer();
    ASSERT_EQ(form_->StatusPanels[0]->text(), "Wait...");
    form_->DisplayState = dsReceiving;  // what that tick does next on a connected, unpolled link
    Receive("1.5\r\n");
    EXPECT_EQ(form_->StatusPanels[0]->text(), "Connected...     ");
}

} // namespace
