// What a broken or hostile gauge may send, end to end: bytes of every value, garbage, a
// line of a megabyte, and KTX telegrams that are damaged or meant for someone else. The
// program must stay responsive, show what it can, take nothing broken as good, and go on
// receiving the good data that follows.
#include "tests/e2e/GaugeWindowFixture.h"

#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include <chrono>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using dabrix::tools::Bytes;
using dabrix::tools::SimOptions;
using dabrix::tools::SimSource;

namespace {

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The editor's lines as the document holds them (toPlainText would turn non-breaking
// spaces into plain ones).
QStringList BlockTexts(const QPlainTextEdit& editor)
{
    QStringList lines;
    for (QTextBlock b = editor.document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A reading as the window shows it: micro sign, the user's decimal separator.
QString Shown(const char* whole, const char* fraction)
{
    return QStringLiteral("  %1%2%3 \u00B5m").arg(whole, QLocale::system().decimalPoint(), fraction);
}

QString Latin1(const Bytes& bytes)
{
    QString text;
    for (std::uint8_t b : bytes)
        text += QChar(b);
    return text;
}

class BadGaugeInputTest : public GaugeWindowTest {
protected:
    // A never polled raw gauge (Lakmo 3X00 on COM) that sends `items` once each, as they
    // are, `intervalMs` apart, and stays; the window connects to it.
    void StartGauge(std::vector<Bytes> items, int intervalMs = 50)
    {
        SimOptions o = SilentGauge(57600);
        o.source = SimSource::Lines;
        o.crlf = false;
        o.count = static_cast<long long>(items.size());
        o.items = std::move(items);
        o.intervalMs = intervalMs;
        const int com = StartSim(o);
        ASSERT_GT(com, 0);
        WriteGaugeSettings(9, com);
        Create();
        Show();
        form_->act_interface_conneced->trigger();
    }

    void ExpectMegabyteLineShownWhole(const std::string& unit);

    bool WaitForAllSent(long long items, std::chrono::milliseconds timeout = 10s)
    {
        return WaitFor([&] { return sim_->Stats().itemsSent == items; }, timeout);
    }

    // The user types into the editor and saves the text; returns the file's bytes.
    QByteArray TypeAndSave(const QString& typed)
    {
        form_->Editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(form_->Editor, typed);
        const QString path = QDir(dir_.path()).filePath("after.txt");
        dialogs_.saveNames.push_back(path);
        form_->act_file_saveas->trigger();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(BadGaugeInputTest, BytesOfEveryValueAndGarbageAreShownAndLaterReadingsStillArrive)
{
    Bytes every;
    for (int b = 0; b <= 0xFF; ++b)
        every.push_back(static_cast<std::uint8_t>(b));
    every.insert(every.end(), {'\r', '\n'});
    // Noise of every kind but ">": a line that starts with it would stop the display until
    // the next connection, as the gauge's sync line does.
    Bytes noise;
    std::uint32_t x = 12345;
    while (noise.size() < 8192) {
        x = x * 1103515245u + 12345u;
        const auto b = static_cast<std::uint8_t>(x >> 16);
        if (b != '>')
            noise.push_back(b);
    }
    noise.insert(noise.end(), {'\r', '\n'});
    StartGauge({every, noise, Text("  1.5 um\r\n"), Text("  2.5 um\r\n")});
    ASSERT_TRUE(WaitForAllSent(4));
    ASSERT_TRUE(WaitFor([&] { return BlockTexts(*form_->Editor).endsWith(Shown("2", "5")); }, 5s))
        << BlockTexts(*form_->Editor).join('|').right(200).toStdString();

    const QStringList lines = BlockTexts(*form_->Editor);
    // The bytes up to LF, then CR breaks the line; byte 0 is dropped and every other byte
    // shows as the character of its value, 0x80..0xFF included.
    Bytes first(every.begin() + 1, every.begin() + 0x0A);
    Bytes second{0x0B, 0x0C};
    Bytes third(every.begin() + 0x0E, every.begin() + 0x100);
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], Latin1(first));
    EXPECT_EQ(lines[1], Latin1(second));
    EXPECT_EQ(lines[2], Latin1(third));
    EXPECT_FALSE(form_->Editor->toPlainText().contains(QChar(0)));
    EXPECT_EQ(lines[lines.size() - 2], Shown("1", "5"));
    EXPECT_EQ(form_->Connection->LinkState(), lsConnected);

    // The editor still takes typing, and the file ends with the readings and the typing.
    const QByteArray saved = TypeAndSave("typed");
    EXPECT_TRUE(saved.endsWith((Shown("2", "5") + "\r\ntyped\r\n").toUtf8())) << saved.right(40).toStdString();
    EXPECT_FALSE(saved.contains('\0'));
}

// Byte 0xA0 too: the editor's plain text would turn U+00A0 into a blank.
TEST_F(BadGaugeInputTest, EveryByteFromTheGaugeIsSavedAsItsCharacter)
{
    Bytes every;
    for (int b = 0x20; b <= 0xFF; ++b)
        every.push_back(static_cast<std::uint8_t>(b));
    every.insert(every.end(), {'\r', '\n'});
    StartGauge({every});
    ASSERT_TRUE(WaitForAllSent(1));
    ASSERT_TRUE(WaitFor([&] { return BlockTexts(*form_->Editor).size() == 1; }, 5s));
    const QString shown = Latin1(Bytes(every.begin(), every.end() - 2));
    EXPECT_EQ(BlockTexts(*form_->Editor), QStringList{shown});
    EXPECT_EQ(TypeAndSave(""), (shown + "\r\n").toUtf8());
}

// A megabyte without a line end (`unit` over and over), then the line end and two
// readings: the line is shown whole once it ends, promptly, and the window goes on.
void BadGaugeInputTest::ExpectMegabyteLineShownWhole(const std::string& unit)
{
    constexpr size_t kLong = 1 << 20;
    Bytes longLine;
    longLine.reserve(kLong);
    while (longLine.size() < kLong)
        longLine.push_back(static_cast<std::uint8_t>(unit[longLine.size() % unit.size()]));
    const auto start = std::chrono::steady_clock::now();
    StartGauge({longLine, Text(" end\r\n"), Text("  3.5 um\r\n"), Text("  4.5 um\r\n")});
    ASSERT_TRUE(WaitForAllSent(4, 20s));
    ASSERT_TRUE(WaitFor([&] { return BlockTexts(*form_->Editor).endsWith(Shown("4", "5")); }, 60s));
    const auto took = std::chrono::steady_clock::now() - start;

    const QStringList lines = BlockTexts(*form_->Editor);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], Latin1(longLine) + " end");
    EXPECT_EQ(lines[1], Shown("3", "5"));
    EXPECT_EQ(form_->Connection->LinkState(), lsConnected);
    EXPECT_LT(took, 10s) << "the window was busy with the long line";

    // Typing lands, and the file holds the long line whole.
    const QByteArray saved = TypeAndSave("x");
    const QByteArray expected =
        (Latin1(longLine) + " end\r\n" + Shown("3", "5") + "\r\n" + Shown("4", "5") + "\r\nx\r\n").toUtf8();
    EXPECT_TRUE(saved == expected) << saved.size() << " bytes saved, " << expected.size() << " expected";
}

TEST_F(BadGaugeInputTest, AMegabyteOfWordsWithoutALineEndIsShownWholeOnceItEnds)
{
    ExpectMegabyteLineShownWhole("0123456789 ");
}

// With no place to break the line, the editor's layout must not take ages over it.
TEST_F(BadGaugeInputTest, AMegabyteWithoutAPlaceToBreakIsShownPromptly)
{
    ExpectMegabyteLineShownWhole("abcdefghijklmnopqrst");
}

TEST_F(BadGaugeInputTest, ALineThatNeverEndsIsDroppedByTheNextConnection)
{
    // A megabyte without a line end, then readings; each item 3 s after the port opens
    // or after the one before, so the test can reconnect in between.
    StartGauge({Bytes(1 << 20, 'z'), Text("  6.5 um\r\n"), Text("  7.5 um\r\n")}, 3000);
    ASSERT_TRUE(WaitFor([&] { return form_->LineReader.LineBuffer.size() == (1 << 20); }, 10s));
    EXPECT_TRUE(form_->Editor->toPlainText().isEmpty());

    form_->act_interface_disconneced->trigger();
    form_->act_interface_conneced->trigger();
    ASSERT_TRUE(WaitForLinkState(lsConnected));
    EXPECT_TRUE(form_->LineReader.LineBuffer.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return BlockTexts(*form_->Editor).size() == 2; }, 10s));
    EXPECT_EQ(BlockTexts(*form_->Editor), (QStringList{Shown("6", "5"), Shown("7", "5")}));
}

// ---- KTX telegrams ----------------------------------------------------------------------

// The connection item with its own protocol, KTX (the main window's item runs raw
// and acknowledges nothing), on a COM port found by the manager's serial discovery.
class BadKtxTelegramTest : public GaugeWindowTest {};

TEST_F(BadKtxTelegramTest, DamagedAndForeignTelegramsAreNotAcknowledgedAndGoodOnesStillArrive)
{
    struct Case {
        const char* what;
        int badChecksumEvery;
        int wrongAddressEvery;
    };
    const Case cases[] = {
        {"every third with a wrong checksum", 3, 0},
        {"every second to another address", 0, 2},
        {"both", 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimOptions o = SilentGauge(57600);
        o.source = SimSource::Ktx;
        o.items = {Text("12.5 mm"), Bytes{0xB5, 'm', ' ', '3'}, Text("A;B;C;D;E;F;G;H")};
        o.count = 12;
        o.intervalMs = 20;
        o.ackTimeoutMs = 300;
        o.badChecksumEvery = c.badChecksumEvery;
        o.wrongAddressEvery = c.wrongAddressEvery;
        const int com = StartSim(o);
        ASSERT_GT(com, 0);

        TKTXComm2Manager manager(nullptr);
        manager.SetSerialMode(smAutoDiscovery);
        ASSERT_TRUE(WaitFor([&] {
            for (const TDevice& d : manager.ComDevices())
                if (d.PortNumber == com)
                    return true;
            return false;
        }));
        TKTXComm2Item* item = manager.Connections().Add();
        ASSERT_EQ(item->ProtocolTyp(), ptKTX);
        item->SetPort(portCOM);
        item->SetBaudRate(57600);
        ASSERT_EQ(item->SelectDeviceByName(QStringLiteral("COM%1").arg(com)), emNone);
        std::vector<TTelegramData> telegrams;
        item->OnTelegram = [&](TObject*, TTelegramData t, TBuffer&) { telegrams.push_back(t); };
        ASSERT_EQ(item->Connect(false), emNone);

        ASSERT_TRUE(WaitFor([&] {
            const dabrix::tools::SimStats s = sim_->Stats();
            return s.itemsSent == 12 && s.acksOk + s.acksBad + s.acksMissing + s.spoiled >= 12;
        }, 15s));
        RunEventsFor(400ms);  // an acknowledgement of a spoiled last telegram would come meanwhile
        const dabrix::tools::SimStats stats = sim_->Stats();
        long long spoiled = 0;
        std::vector<Bytes> goodPayloads;
        for (long long i = 1; i <= 12; ++i) {
            if (dabrix::tools::KtxSpoilOf(o, i).Any())
                ++spoiled;
            else
                goodPayloads.push_back(o.items[static_cast<size_t>((i - 1) % 3)]);
        }
        EXPECT_EQ(stats.spoiled, spoiled);
        EXPECT_EQ(stats.spoiledAcked, 0) << "a broken or foreign telegram was acknowledged as good";
        EXPECT_EQ(stats.acksOk, 12 - spoiled);
        EXPECT_EQ(stats.acksBad, 0);
        EXPECT_EQ(stats.acksMissing, 0);

        // Every telegram is delivered; the good ones with their payloads, in order.
        std::vector<Bytes> delivered;
        for (const TTelegramData& t : telegrams)
            if (t.Data.Count() > 0)
                delivered.emplace_back(t.Data.Data(), t.Data.Data() + t.Data.Count());
        EXPECT_EQ(telegrams.size(), 12u);
        EXPECT_EQ(delivered, goodPayloads);

        item->Disconnect();
        UnplugSim();
    }
}

} // namespace
