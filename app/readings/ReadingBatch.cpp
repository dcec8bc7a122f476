#include "app/readings/ReadingBatch.h"

#include <QDateTime>

namespace dabrix::readings {

ReadingBatch::ReadingBatch(Clock clock)
    : clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentMSecsSinceEpoch(); }))
{
}

void ReadingBatch::Received(QStringView text)
{
    qint64 time = -1;  // asked for once per piece of text, when it brings a reading
    bool added = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        const QStringView piece = text.sliced(start, i - start);
        start = i + 1;
        if (pending_.isEmpty() && !overlong_) {
            added = TakeLine(piece, time) || added;
            continue;
        }
        Append(piece);
        if (!overlong_)
            added = TakeLine(pending_, time) || added;
        pending_.clear();
        overlong_ = false;
    }
    Append(text.sliced(start));
    if (added)
        Changed();
}

void ReadingBatch::Append(QStringView piece)
{
    if (overlong_ || piece.isEmpty())
        return;
    if (pending_.size() + piece.size() > kMaxLineLength) {
        overlong_ = true;
        pending_.clear();
        return;
    }
    pending_.append(piece);
}

bool ReadingBatch::TakeLine(QStringView line, qint64& time)
{
    if (line.isEmpty() || line.size() > kMaxLineLength)
        return false;
    std::optional<ParsedReading> parsed;
    if (line.contains(QChar(0))) {
        // Zero bytes are no text: the editor never shows them either.
        QString cleaned = line.toString();
        cleaned.remove(QChar(0));
        parsed = ParseReading(cleaned);
    } else {
        parsed = ParseReading(line);
    }
    if (!parsed)
        return false;
    if (time < 0)
        time = clock_();
    const Reading reading{time, parsed->value, parsed->unit, parsed->decimals};
    if (unit_ == ReadingUnit::None)
        unit_ = reading.unit;
    readings_.push_back(reading);
    decimals_ = std::max<int>(decimals_, reading.decimals);
    const double value = ValueInBatchUnit(reading);
    statistics_.Add(value);
    overview_.Add(value);
    if (IsOutside(value))
        ++outside_;
    return true;
}

double ReadingBatch::ValueInBatchUnit(const Reading& reading) const
{
    if (reading.unit == unit_ || reading.unit == ReadingUnit::None || unit_ == ReadingUnit::None)
        return reading.value;
    return reading.value * MicrometresPer(reading.unit) / MicrometresPer(unit_);
}

void ReadingBatch::NewBatch()
{
    pending_.clear();
    overlong_ = false;
    if (readings_.empty())
        return;
    ++number_;
    readings_ = {};  // and its memory
    unit_ = ReadingUnit::None;
    decimals_ = 0;
    statistics_.Clear();
    overview_.Clear();
    outside_ = 0;
    Changed();
}

bool ReadingBatch::IsOutside(double value) const
{
    if (!LimitsValid())
        return false;
    return (lower_ && value < *lower_) || (upper_ && value > *upper_);
}

void ReadingBatch::SetLimits(std::optional<double> lower, std::optional<double> upper)
{
    if (lower == lower_ && upper == upper_)
        return;
    lower_ = lower;
    upper_ = upper;
    outside_ = 0;
    for (const Reading& reading : readings_)
        outside_ += IsOutside(ValueInBatchUnit(reading)) ? 1 : 0;
    Changed();
}

void ReadingBatch::Changed()
{
    if (OnChanged)
        OnChanged();
}

} // namespace dabrix::readings
