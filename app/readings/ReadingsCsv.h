#pragma once
// A batch of readings as comma-separated values (RFC 4180): a header line, then one line
// per reading in arrival order with its time (ISO 8601, local time with its offset from
// UTC, to the millisecond), its value with a point as decimal separator and as many
// decimals as the gauge sent, its unit and the batch number. Lines end in CR LF; a field
// is quoted (quotes doubled) when it holds a comma, a quote or a line break.
//
// Threads: plain functions, callable from any thread.
#include "app/readings/ReadingBatch.h"

#include <QString>
#include <QStringView>

namespace dabrix::readings {

// One field as it stands in a CSV line.
QString CsvField(QStringView text);

// "2026-03-29T01:59:59.999+01:00": the moment `msecs` (since the epoch) as local time with
// `offsetSeconds` east of UTC.
QString IsoTimeText(qint64 msecs, int offsetSeconds);

// Seconds east of UTC of the local time at `msecs`.
using UtcOffset = int (*)(qint64 msecs);
int LocalUtcOffset(qint64 msecs);

// The whole file's text. `offset` gives each reading's offset from UTC (the local time
// zone's by default).
QString ReadingsCsv(const ReadingBatch& batch, UtcOffset offset = LocalUtcOffset);

} // namespace dabrix::readings
