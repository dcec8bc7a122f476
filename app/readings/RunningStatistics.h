#pragma once
// Count, mean, standard deviation, minimum and maximum of a stream of values, one value
// at a time, in constant memory. The mean and the sum of squared deviations follow
// Welford's updates, which stay exact to rounding where the textbook formula
// (sum of squares minus square of the sum) cancels away every digit: a million readings
// of 100000000.x µm lose nothing here.
//
// Threads: a plain value.
#include <cstddef>

namespace dabrix::readings {

class RunningStatistics {
public:
    void Add(double value);
    void Clear() { *this = RunningStatistics(); }

    std::size_t Count() const { return count_; }
    // NaN while there is no value.
    double Mean() const;
    // The sample standard deviation (n - 1 in the denominator); NaN below two values.
    double StandardDeviation() const;
    // NaN while there is no value.
    double Minimum() const;
    double Maximum() const;
    double Range() const;
    // Standard deviation over the mean's magnitude, in percent; NaN below two values or
    // for a mean of zero.
    double CoefficientOfVariation() const;

private:
    std::size_t count_ = 0;
    double mean_ = 0;
    double squares_ = 0;  // sum of squared deviations from the running mean
    double min_ = 0;
    double max_ = 0;
};

} // namespace dabrix::readings
