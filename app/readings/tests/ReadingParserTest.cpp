// Lines as the gauges send them (and as the window's line reader tidies them) against
// what the reading model takes from each: one table, one checker.
#include "app/readings/ReadingParser.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using dabrix::readings::ParseReading;
using dabrix::readings::ReadingUnit;

struct Case {
    const char16_t* line;
    bool reading;
    double value = 0;
    ReadingUnit unit = ReadingUnit::None;
    int decimals = 0;
};

const ReadingUnit um = ReadingUnit::Micrometre;
const ReadingUnit mm = ReadingUnit::Millimetre;
const ReadingUnit mils = ReadingUnit::Mils;
const ReadingUnit none = ReadingUnit::None;

const Case kCases[] = {
    // The simulator's generated readings, raw and after the line reader (micro sign,
    // German decimal comma).
    {u"   12.5 um #1", true, 12.5, um, 1},
    {u"   12,5 \u00B5m #1", true, 12.5, um, 1},
    {u"#0012345 12.5 um", true, 12.5, um, 1},
    // Units written in every way they reach the editor.
    {u"12.5\u00B5m", true, 12.5, um, 1},
    {u"12.5 \u00C2\u00B5m", true, 12.5, um, 1},  // UTF-8 micro sign read byte by byte
    {u"12.5 \u03BCm", true, 12.5, um, 1},        // Greek mu
    {u"12.5 UM", true, 12.5, um, 1},
    {u"0.125 mm", true, 0.125, mm, 3},
    {u"1,25 mils", true, 1.25, mils, 2},
    {u"1.25 mil", true, 1.25, mils, 2},
    {u"-0.3mils", true, -0.3, mils, 1},
    {u"+7 um", true, 7, um, 0},
    // Counters before or after, in the gauges' forms.
    {u"No. 3: 45.3 um", true, 45.3, um, 1},
    {u"Nr.12 45,3", true, 45.3, none, 1},
    {u"7: 45.3", true, 45.3, none, 1},
    {u"# 7 45.3 um", true, 45.3, um, 1},
    {u"12.5um#1", true, 12.5, um, 1},
    {u"4.20", true, 4.2, none, 2},
    {u"0", true, 0, none, 0},
    // Framing and control characters around the reading are blanks.
    {u"\u000212.5 um\u0003", true, 12.5, um, 1},
    {u"\t12.5\tum\t", true, 12.5, um, 1},
    {u"\u0005 12.5", true, 12.5, none, 1},  // an ENQ before it
    // No reading: empty, sync, prompts, status text, several numbers, words, garbage.
    {u"", false},
    {u"   ", false},
    {u"Sync...", false},
    {u">OK", false},
    {u"> ", false},
    {u"\u0005", false},
    {u"Lakmo 3X5", false},
    {u"Number 5 um", false},
    {u"N\u00B5mber 5 um", false},
    {u"Battery low", false},
    {u"12.5 um 13.0 um", false},
    {u"10:30 12.5", false},  // a time and a value
    {u"#1", false},
    {u"#1 #2 12.5", false},
    {u"12.5 um #1 #2", false},
    {u"um 12.5", false},
    {u"12.5 kg", false},
    {u"12.5 umm", false},
    {u"12.5 m", false},
    {u"12.5.3", false},
    {u"1.234,5", false},
    {u"12.", false},
    {u".5", false},
    {u"-", false},
    {u"1234567890123456", false},  // more digits than a double holds
    {u"\u00FF\u00FE12", false},
    {u"12.5 um garbage", false},
};

TEST(ReadingParserTest, TakesTheReadingOfEachGaugeLineAndNothingElse)
{
    for (const Case& c : kCases) {
        const QString line = QString::fromUtf16(c.line);
        SCOPED_TRACE(line.toStdString());
        const auto parsed = ParseReading(line);
        ASSERT_EQ(parsed.has_value(), c.reading);
        if (!parsed)
            continue;
        EXPECT_DOUBLE_EQ(parsed->value, c.value);
        EXPECT_EQ(parsed->unit, c.unit);
        EXPECT_EQ(parsed->decimals, c.decimals);
    }
}

TEST(ReadingParserTest, ValuesAreTheNearestDoubleToTheDecimalSent)
{
    // The same double as the C library's conversion, for values a gauge may send.
    for (const char* text : {"0.1", "12.345678901234", "999999999999999", "0.00000000000001", "33.3"}) {
        const auto parsed = ParseReading(QString::fromLatin1(text));
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->value, std::strtod(text, nullptr)) << text;
    }
}

} // namespace
