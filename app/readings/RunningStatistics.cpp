#include "app/readings/RunningStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dabrix::readings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

void RunningStatistics::Add(double value)
{
    ++count_;
    if (count_ == 1) {
        mean_ = min_ = max_ = value;
        return;
    }
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (value - mean_);
    min_ = std::min(min_, value);
    max_ = std::max(max_, value);
}

double RunningStatistics::Mean() const
{
    return count_ == 0 ? kNaN : mean_;
}

double RunningStatistics::StandardDeviation() const
{
    // Rounding may leave a sum of squares a hair below zero for equal values.
    return count_ < 2 ? kNaN : std::sqrt(std::max(0.0, squares_) / static_cast<double>(count_ - 1));
}

double RunningStatistics::Minimum() const
{
    return count_ == 0 ? kNaN : min_;
}

double RunningStatistics::Maximum() const
{
    return count_ == 0 ? kNaN : max_;
}

double RunningStatistics::Range() const
{
    return count_ == 0 ? kNaN : max_ - min_;
}

double RunningStatistics::CoefficientOfVariation() const
{
    if (count_ < 2 || mean_ == 0)
        return kNaN;
    return 100.0 * StandardDeviation() / std::fabs(mean_);
}

} // namespace dabrix::readings
