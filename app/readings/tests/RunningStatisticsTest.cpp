// The running statistics against values computed another way: by hand for small batches,
// and by two passes in long double for large ones.
#include "app/readings/RunningStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using dabrix::readings::RunningStatistics;

RunningStatistics Of(const std::vector<double>& values)
{
    RunningStatistics statistics;
    for (double v : values)
        statistics.Add(v);
    return statistics;
}

// Mean and sample standard deviation in two passes, in long double.
struct Reference {
    long double mean = 0;
    long double deviation = 0;
};
Reference TwoPass(const std::vector<double>& values)
{
    long double sum = 0;
    for (double v : values)
        sum += v;
    Reference r;
    r.mean = sum / static_cast<long double>(values.size());
    long double squares = 0;
    for (double v : values)
        squares += (v - r.mean) * (v - r.mean);
    r.deviation = std::sqrt(squares / static_cast<long double>(values.size() - 1));
    return r;
}

TEST(RunningStatisticsTest, NothingYetIsNotANumberEverywhere)
{
    const RunningStatistics s;
    EXPECT_EQ(s.Count(), 0u);
    for (double figure : {s.Mean(), s.StandardDeviation(), s.Minimum(), s.Maximum(), s.Range(),
                          s.CoefficientOfVariation()})
        EXPECT_TRUE(std::isnan(figure));
}

TEST(RunningStatisticsTest, OneReadingHasAMeanButNoDeviation)
{
    const RunningStatistics s = Of({12.5});
    EXPECT_EQ(s.Count(), 1u);
    EXPECT_EQ(s.Mean(), 12.5);
    EXPECT_EQ(s.Minimum(), 12.5);
    EXPECT_EQ(s.Maximum(), 12.5);
    EXPECT_EQ(s.Range(), 0.0);
    EXPECT_TRUE(std::isnan(s.StandardDeviation()));
    EXPECT_TRUE(std::isnan(s.CoefficientOfVariation()));
}

TEST(RunningStatisticsTest, EqualReadingsDeviateByExactlyNothing)
{
    RunningStatistics s;
    for (int i = 0; i < 100000; ++i)
        s.Add(12.3);
    EXPECT_EQ(s.Mean(), 12.3);
    EXPECT_EQ(s.StandardDeviation(), 0.0);
    EXPECT_EQ(s.CoefficientOfVariation(), 0.0);
    EXPECT_EQ(s.Range(), 0.0);
}

TEST(RunningStatisticsTest, SmallBatchesMatchTheirHandComputedFigures)
{
    struct Case {
        std::vector<double> values;
        double mean, deviation, min, max, cv;
    };
    const Case cases[] = {
        // Sum 40, squared deviations 9+1+1+1+0+0+4+16 = 32, s = sqrt(32/7).
        {{2, 4, 4, 4, 5, 5, 7, 9}, 5, std::sqrt(32.0 / 7.0), 2, 9, 100 * std::sqrt(32.0 / 7.0) / 5},
        // Two readings: s = |a - b| / sqrt(2).
        {{10, 12}, 11, 2 / std::sqrt(2.0), 10, 12, 100 * (2 / std::sqrt(2.0)) / 11},
        // A negative mean: the coefficient uses its magnitude.
        {{-1, -2, -3}, -2, 1, -3, -1, 50},
    };
    for (const Case& c : cases) {
        const RunningStatistics s = Of(c.values);
        EXPECT_NEAR(s.Mean(), c.mean, 1e-12);
        EXPECT_NEAR(s.StandardDeviation(), c.deviation, 1e-12);
        EXPECT_EQ(s.Minimum(), c.min);
        EXPECT_EQ(s.Maximum(), c.max);
        EXPECT_EQ(s.Range(), c.max - c.min);
        EXPECT_NEAR(s.CoefficientOfVariation(), c.cv, 1e-10);
    }
    // A mean of zero has no coefficient of variation.
    EXPECT_TRUE(std::isnan(Of({-1, 1}).CoefficientOfVariation()));
}

TEST(RunningStatisticsTest, AMillionReadingsFarFromZeroKeepEveryDigitOfTheirSpread)
{
    // 100000000.0 .. 100000000.6 µm: the sum of squares is about 1e22, where a double's
    // rounding step is a million times the variance being looked for.
    std::vector<double> values;
    values.reserve(1000000);
    for (int i = 0; i < 1000000; ++i)
        values.push_back(1e8 + (i % 7) * 0.1);
    const RunningStatistics s = Of(values);
    const Reference r = TwoPass(values);
    EXPECT_EQ(s.Count(), values.size());
    EXPECT_NEAR(s.Mean(), static_cast<double>(r.mean), 1e-6);
    EXPECT_NEAR(s.StandardDeviation() / static_cast<double>(r.deviation), 1.0, 1e-8);
    EXPECT_NEAR(static_cast<double>(r.deviation), 0.2, 1e-3);  // the reference itself is sane

    // The textbook formula in double on the same values is far off: what this guards.
    double sum = 0;
    double sumOfSquares = 0;
    for (double v : values) {
        sum += v;
        sumOfSquares += v * v;
    }
    const double n = static_cast<double>(values.size());
    const double naive = (sumOfSquares - sum * sum / n) / (n - 1);
    EXPECT_GT(std::fabs(naive - static_cast<double>(r.deviation * r.deviation)), 0.01);
}

TEST(RunningStatisticsTest, ClearStartsAgain)
{
    RunningStatistics s = Of({1, 2, 3});
    s.Clear();
    EXPECT_EQ(s.Count(), 0u);
    s.Add(7);
    EXPECT_EQ(s.Mean(), 7);
    EXPECT_EQ(s.Minimum(), 7);
}

} // namespace
