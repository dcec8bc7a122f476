#pragma once
// The readings of one measured batch, taken from the text that a gauge puts into the
// editor: the text is cut into lines (at CR or LF, in whatever pieces it comes), each
// line holding a reading (see ReadingParser.h) adds one, with the time its text arrived.
// Lines without a reading are left out. The batch keeps its statistics, the count of
// readings outside the tolerance limits and an overview for drawing up to date as
// readings come, so asking for them costs nothing.
//
// The batch's unit is that of its first reading with a unit; readings in another length
// unit count in the statistics converted to it (a gauge switched from µm to mils in the
// middle of a batch), and keep their own value and unit in the list.
//
// Threads: user-interface thread (a plain object; the window feeds it from its display).
#include "app/readings/ReadingOverview.h"
#include "app/readings/ReadingParser.h"
#include "app/readings/RunningStatistics.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>
#include <deque>

namespace dabrix::readings {

struct Reading {
    qint64 time = 0;  // arrival, milliseconds since 1970-01-01 UTC
    double value = 0;
    ReadingUnit unit = ReadingUnit::None;
    std::uint8_t decimals = 0;
};

class ReadingBatch {
public:
    // The time now in milliseconds since the epoch; the default asks the system clock.
    using Clock = std::function<qint64()>;
    explicit ReadingBatch(Clock clock = {});

    // Text that reached the editor from a gauge, in arrival order.
    void Received(QStringView text);
    // Starts the next batch when this one holds readings (an empty one just stays); a
    // line left unfinished is dropped either way, since it belongs to the old link or text.
    void NewBatch();

    // 1 for the first batch; the next batch gets the next number.
    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number < 1 ? 1 : number; }

    const std::deque<Reading>& Readings() const { return readings_; }
    ReadingUnit Unit() const { return unit_; }
    // A reading's value in the batch's unit.
    double ValueInBatchUnit(const Reading& reading) const;
    // Most decimals any reading of the batch came with.
    int Decimals() const { return decimals_; }
    const RunningStatistics& Statistics() const { return statistics_; }
    const ReadingOverview& Overview() const { return overview_; }

    // Tolerance limits in the batch's unit; either may be absent. A lower limit above the
    // upper one marks nothing outside (LimitsValid is false) until it is corrected.
    void SetLimits(std::optional<double> lower, std::optional<double> upper);
    std::optional<double> LowerLimit() const { return lower_; }
    std::optional<double> UpperLimit() const { return upper_; }
    bool HasLimits() const { return (lower_ || upper_) && LimitsValid(); }
    bool LimitsValid() const { return !(lower_ && upper_ && *lower_ > *upper_); }
    // Whether a value in the batch's unit lies outside valid limits (equal is inside).
    bool IsOutside(double value) const;
    std::size_t OutsideCount() const { return outside_; }

    // Longest line looked at; longer ones hold no reading.
    static constexpr qsizetype kMaxLineLength = 256;

    // Called after readings were added, the batch started anew or the limits changed.
    std::function<void()> OnChanged;

private:
    // True when the line held a reading.
    bool TakeLine(QStringView line, qint64& time);
    void Append(QStringView piece);
    void Changed();

    Clock clock_;
    int number_ = 1;
    std::deque<Reading> readings_;
    ReadingUnit unit_ = ReadingUnit::None;
    int decimals_ = 0;
    RunningStatistics statistics_;
    ReadingOverview overview_;
    std::optional<double> lower_;
    std::optional<double> upper_;
    std::size_t outside_ = 0;

    QString pending_;        // the start of a line whose end has not come yet
    bool overlong_ = false;  // the pending line grew too long to be a reading
};

} // namespace dabrix::readings
