#include "tools/gauge_sim/SimOptions.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using namespace dabrix::tools;

namespace {

std::vector<std::string> Args(std::initializer_list<const char*> list)
{
    return std::vector<std::string>(list.begin(), list.end());
}

TEST(SimOptionsTest, ReadsTheOptions)
{
    const auto r = ParseSimOptions(Args({"--generate", "--interval", "250", "--count", "7", "--on-enq", "--prompt",
                                         "--echo", "--baud", "2400", "--pace", "--config", "/tmp/c", "--log",
                                         "/tmp/l", "--stay", "--no-crlf", "--linger", "0"}));
    ASSERT_TRUE(r.options) << r.error;
    const SimOptions& o = *r.options;
    EXPECT_EQ(o.source, SimSource::Generate);
    EXPECT_EQ(o.intervalMs, 250);
    EXPECT_EQ(o.count, 7);
    EXPECT_TRUE(o.onEnq && o.prompt && o.echo && o.pace && o.stay);
    EXPECT_FALSE(o.crlf);
    EXPECT_EQ(o.baud, 2400);
    EXPECT_EQ(o.configFolder, "/tmp/c");
    EXPECT_EQ(o.logFile, "/tmp/l");
    EXPECT_EQ(o.lingerMs, 0);

    const auto ktx = ParseSimOptions(Args({"--prompt", "--gauge-adr", "0x12", "--sub-adr", "7", "--program-adr",
                                           "7e", "--ack-timeout", "50"}));
    ASSERT_TRUE(ktx.options) << ktx.error;
    EXPECT_EQ(ktx.options->gaugeAdr, 0x12);
    EXPECT_EQ(ktx.options->subAdr, 0x07);
    EXPECT_EQ(ktx.options->programAdr, 0x7E);
    EXPECT_EQ(ktx.options->ackTimeoutMs, 50);

    QTemporaryDir dir;
    const std::string payloads = dir.path().toStdString() + "/payloads.txt";
    std::ofstream(payloads) << "AB\n";
    const auto spoiling = ParseSimOptions({"--ktx", payloads, "--bad-checksum", "3", "--wrong-address", "5", "--flood"});
    ASSERT_TRUE(spoiling.options) << spoiling.error;
    EXPECT_EQ(spoiling.options->badChecksumEvery, 3);
    EXPECT_EQ(spoiling.options->wrongAddressEvery, 5);
    EXPECT_TRUE(spoiling.options->flood);

    const auto irda = ParseSimOptions(Args({"--irda", "--irda-dir", "/tmp/air", "--irda-id", "1a2B3c4D",
                                            "--irda-name", "Sonavel 3", "--generate"}));
    ASSERT_TRUE(irda.options) << irda.error;
    EXPECT_TRUE(irda.options->irda);
    EXPECT_EQ(irda.options->irdaDir, "/tmp/air");
    EXPECT_EQ(irda.options->irdaId, 0x1A2B3C4Du);
    EXPECT_EQ(irda.options->irdaName, "Sonavel 3");
    EXPECT_FALSE(irda.options->irdaClient);

    // The gauge as the client of the computer's listener is an infrared gauge as well.
    const auto client = ParseSimOptions(Args({"--irda-client", "--irda-dir", "/tmp/air", "--generate"}));
    ASSERT_TRUE(client.options) << client.error;
    EXPECT_TRUE(client.options->irda);
    EXPECT_TRUE(client.options->irdaClient);
    EXPECT_EQ(client.options->irdaDir, "/tmp/air");

    EXPECT_TRUE(ParseSimOptions(Args({"--help"})).help);
    const auto defaults = ParseSimOptions({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->baud, 9600);
    EXPECT_EQ(defaults.options->gaugeAdr, 0x35);
    EXPECT_EQ(defaults.options->programAdr, 0x7F);
    EXPECT_EQ(defaults.options->intervalMs, 1000);
    EXPECT_FALSE(defaults.options->flood);
    EXPECT_EQ(defaults.options->badChecksumEvery, 0);
    EXPECT_EQ(defaults.options->wrongAddressEvery, 0);
    EXPECT_FALSE(defaults.options->irda);
    EXPECT_FALSE(defaults.options->irdaId);
    EXPECT_EQ(defaults.options->irdaName, "Lakmo 3");
}

TEST(SimOptionsTest, RejectsWrongCommandLines)
{
    const std::vector<std::string> wrong[] = {
        {"--bogus"},
        {"--interval"},
        {"--interval", "0"},
        {"--interval", "12x"},
        {"--count", "-1"},
        {"--baud", "12345"},
        {"--baud", "fast"},
        {"--generate", "--lines", "/dev/null"},
        {"--on-enq"},
        {"--gauge-adr", "100"},
        {"--gauge-adr", "80"},
        {"--program-adr", "zz"},
        {"--lines", "/no/such/file"},
        {"--config"},
        {"--flood", "--on-enq", "--generate"},
        {"--bad-checksum", "2"},
        {"--generate", "--wrong-address", "2"},
        {"--bad-checksum", "0"},
        {"--wrong-address", "x"},
        {"--irda-id", "1A2B3C4D"},  // needs --irda
        {"--irda", "--irda-id", "1A2B3C4"},
        {"--irda", "--irda-id", "0x1A2B3C"},
        {"--irda", "--irda-id", "1A2B3C4G"},
        {"--irda", "--irda-name", "a name longer than 22 b"},
        {"--irda", "--irda-dir"},
        {"--bt-name", "Gauge_335"},  // needs --bluetooth
        {"--bluetooth", "--irda"},
        {"--bluetooth", "--bt-address", "0011223344A"},
        {"--bluetooth", "--bt-address", "0011223344AG"},
        {"--bluetooth", "--bt-channel", "0"},
        {"--bluetooth", "--bt-channel", "31"},
        {"--bluetooth", "--bt-class", "1000000"},
        {"--bluetooth", "--bt-empty-names", "-1"},
        {"--bluetooth", "--bt-drop-after", "0"},
    };
    for (const auto& args : wrong) {
        const auto r = ParseSimOptions(args);
        EXPECT_FALSE(r.options) << args[0];
        EXPECT_FALSE(r.error.empty()) << args[0];
    }
}

TEST(SimOptionsTest, ReadsTheBluetoothGaugesOptions)
{
    const auto r = ParseSimOptions({"--bluetooth", "--bt-dir", "/tmp/bt", "--bt-address", "00112233445b", "--bt-name",
                                    "Gauge_335", "--bt-class", "240404", "--bt-channel", "30", "--bt-empty-names",
                                    "5", "--bt-drop-after", "3"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_TRUE(r.options->bluetooth);
    EXPECT_EQ(r.options->btDir, "/tmp/bt");
    EXPECT_EQ(r.options->btAddress, 0x00112233445BULL);
    EXPECT_EQ(r.options->btName, "Gauge_335");
    EXPECT_EQ(r.options->btClass, 0x240404u);
    EXPECT_EQ(r.options->btChannel, 30);
    EXPECT_EQ(r.options->btEmptyNames, 5);
    EXPECT_EQ(r.options->btDropAfter, 3);
}

TEST(SimOptionsTest, ReadsItemFilesWithEscapes)
{
    QTemporaryDir dir;
    const std::string lines = dir.path().toStdString() + "/lines.txt";
    std::ofstream(lines, std::ios::binary) << "  12.5 um\r\n\\xB5m\n>OK\\r\\n\n";
    const auto r = ParseSimOptions({"--lines", lines});
    ASSERT_TRUE(r.options) << r.error;
    ASSERT_EQ(r.options->items.size(), 3u);
    EXPECT_EQ(r.options->items[0], Bytes({' ', ' ', '1', '2', '.', '5', ' ', 'u', 'm'}));
    EXPECT_EQ(r.options->items[1], Bytes({0xB5, 'm'}));
    EXPECT_EQ(r.options->items[2], Bytes({'>', 'O', 'K', '\r', '\n'}));

    const std::string empty = dir.path().toStdString() + "/empty.txt";
    std::ofstream(empty) << "";
    EXPECT_FALSE(ParseSimOptions({"--lines", empty}).options);

    const std::string badEscape = dir.path().toStdString() + "/bad.txt";
    std::ofstream(badEscape) << "ok\n\\xG1\n";
    const auto bad = ParseSimOptions({"--lines", badEscape});
    EXPECT_FALSE(bad.options);
    EXPECT_NE(bad.error.find(":2:"), std::string::npos) << bad.error;

    const std::string longPayload = dir.path().toStdString() + "/long.txt";
    std::ofstream(longPayload) << std::string(250, 'x') << "\n";
    EXPECT_FALSE(ParseSimOptions({"--ktx", longPayload}).options) << "the program keeps 255 bytes of a telegram";
    EXPECT_TRUE(ParseSimOptions({"--lines", longPayload}).options);
}

TEST(SimOptionsTest, DecodesEscapes)
{
    struct Case {
        const char* text;
        std::optional<Bytes> expected;
    };
    const Case cases[] = {
        {"abc", Bytes{'a', 'b', 'c'}},
        {"\\r\\n\\t\\\\\\0", Bytes{'\r', '\n', '\t', '\\', 0}},
        {"\\x05\\xff\\xB5", Bytes{0x05, 0xFF, 0xB5}},
        {"", Bytes{}},
        {"\\", std::nullopt},
        {"\\q", std::nullopt},
        {"\\x5", std::nullopt},
        {"\\x", std::nullopt},
        {"\\xZZ", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeEscapes(c.text), c.expected) << c.text;
}

TEST(SimOptionsTest, GeneratedReadingsCountAndLookLikeAGauge)
{
    EXPECT_EQ(GeneratedReading(0), "   12.5 um #1");
    EXPECT_EQ(GeneratedReading(1), "   12.6 um #2");
    EXPECT_EQ(GeneratedReading(100), "   12.5 um #101");
}

} // namespace
