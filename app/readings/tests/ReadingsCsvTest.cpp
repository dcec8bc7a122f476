// The CSV form of a batch: field quoting, the time stamps with their offsets, and the whole
// text of a small batch.
#include "app/readings/ReadingsCsv.h"

#include <gtest/gtest.h>

namespace {

using namespace dabrix::readings;

TEST(ReadingsCsvTest, FieldsAreQuotedOnlyWhereTheyMustBe)
{
    const std::pair<QString, QString> cases[] = {
        {"12.5", "12.5"},
        {"", ""},
        {QString(QChar(0xB5)) + "m", QString(QChar(0xB5)) + "m"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"lf\n", "\"lf\n\""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text.toStdString();
}

TEST(ReadingsCsvTest, TimesAreLocalTimeWithTheirOffset)
{
    const struct {
        qint64 msecs;
        int offset;
        const char* text;
    } cases[] = {
        {0, 0, "1970-01-01T00:00:00.000+00:00"},
        {1774745999999, 3600, "2026-03-29T01:59:59.999+01:00"},    // before the switch to summer time
        {1774746000000, 7200, "2026-03-29T03:00:00.000+02:00"},    // after it
        {1709251199001, -12600, "2024-02-29T20:29:59.001-03:30"},  // a leap day, half-hour zone
        {1709251199001, 20700, "2024-03-01T05:44:59.001+05:45"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsoTimeText(c.msecs, c.offset), QLatin1String(c.text)) << c.text;
}

TEST(ReadingsCsvTest, ABatchIsAHeaderAndOneLinePerReadingAsSent)
{
    qint64 now = 1774745999999;
    ReadingBatch batch([&] { return now; });
    batch.SetNumber(7);
    batch.Received(u"   12.50 um #1\r\n");
    now += 1;
    batch.Received(QString::fromUtf16(u"0,125 mm\r\n3\r\n"));
    const QString csv = ReadingsCsv(batch, [](qint64 msecs) { return msecs < 1774746000000 ? 3600 : 7200; });
    EXPECT_EQ(csv, QString::fromUtf16(u"Time,Value,Unit,Batch\r\n"
                                      u"2026-03-29T01:59:59.999+01:00,12.50,\u00B5m,7\r\n"
                                      u"2026-03-29T03:00:00.000+02:00,0.125,mm,7\r\n"
                                      u"2026-03-29T03:00:00.000+02:00,3,,7\r\n"));
}

} // namespace
