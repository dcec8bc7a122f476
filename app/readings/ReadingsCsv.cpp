#include "app/readings/ReadingsCsv.h"

#include <QDateTime>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace dabrix::readings {
namespace {

// The local offset changes at most every quarter of an hour (at a daylight-saving switch),
// so readings that arrive within one quarter share the time zone lookup.
constexpr qint64 kOffsetSlotMs = 15 * 60 * 1000;

} // namespace

QString CsvField(QStringView text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quote)
        return text.toString();
    QString field = text.toString();
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QString IsoTimeText(qint64 msecs, int offsetSeconds)
{
    using namespace std::chrono;
    const qint64 local = msecs + static_cast<qint64>(offsetSeconds) * 1000;
    const sys_time<milliseconds> time{milliseconds(local)};
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> clock(time - day);
    const int offsetMinutes = std::abs(offsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()),
                  static_cast<int>(clock.subseconds().count()), offsetSeconds < 0 ? '-' : '+',
                  offsetMinutes / 60, offsetMinutes % 60);
    return QString::fromLatin1(text);
}

int LocalUtcOffset(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
}

QString ReadingsCsv(const ReadingBatch& batch, UtcOffset offset)
{
    const QString number = QString::number(batch.Number());
    QString csv;
    csv.reserve(static_cast<qsizetype>(batch.Readings().size()) * 48 + 32);
    csv += QStringLiteral("Time,Value,Unit,Batch\r\n");
    qint64 slot = -1;
    int slotOffset = 0;
    for (const Reading& reading : batch.Readings()) {
        if (reading.time / kOffsetSlotMs != slot) {
            slot = reading.time / kOffsetSlotMs;
            slotOffset = offset(reading.time);
        }
        csv += CsvField(IsoTimeText(reading.time, slotOffset));
        csv += QLatin1Char(',');
        csv += CsvField(QString::number(reading.value, 'f', reading.decimals));
        csv += QLatin1Char(',');
        csv += CsvField(UnitText(reading.unit));
        csv += QLatin1Char(',');
        csv += number;
        csv += QStringLiteral("\r\n");
    }
    return csv;
}

} // namespace dabrix::readings
