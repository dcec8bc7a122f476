// The drawing overview against the values themselves: every span's extremes are those of
// the values it covers, the spans cover all values in order, and few values are kept as
// they are.
#include "app/readings/ReadingOverview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using dabrix::readings::ReadingOverview;

void ExpectSpansSummarise(const std::vector<ReadingOverview::Span>& spans, const std::vector<double>& values)
{
    ASSERT_FALSE(spans.empty());
    EXPECT_EQ(spans.front().first, 0u);
    EXPECT_EQ(spans.back().last, values.size() - 1);
    for (size_t i = 0; i < spans.size(); ++i) {
        const auto& s = spans[i];
        if (i > 0) {
            ASSERT_EQ(s.first, spans[i - 1].last + 1) << i;
        }
        const auto begin = values.begin() + static_cast<long>(s.first);
        const auto end = values.begin() + static_cast<long>(s.last) + 1;
        ASSERT_EQ(s.min, *std::min_element(begin, end)) << i;
        ASSERT_EQ(s.max, *std::max_element(begin, end)) << i;
        ASSERT_EQ(values[s.minIndex], s.min) << i;
        ASSERT_EQ(values[s.maxIndex], s.max) << i;
        ASSERT_TRUE(s.minIndex >= s.first && s.minIndex <= s.last);
        ASSERT_TRUE(s.maxIndex >= s.first && s.maxIndex <= s.last);
    }
}

TEST(ReadingOverviewTest, FewValuesAreKeptOneByOne)
{
    ReadingOverview overview(16);
    const std::vector<double> values{3, 1, 4, 1, 5, 9, 2, 6};
    for (double v : values)
        overview.Add(v);
    const auto spans = overview.Columns(100);
    ASSERT_EQ(spans.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(spans[i].first, i);
        EXPECT_EQ(spans[i].min, values[i]);
        EXPECT_EQ(spans[i].max, values[i]);
    }
}

TEST(ReadingOverviewTest, AMillionValuesFitThePixelColumnsWithTheirExtremes)
{
    ReadingOverview overview;  // the default bound, as the panel uses it
    std::vector<double> values;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(50.0, 3.0);
    for (int i = 0; i < 1000000; ++i) {
        // A few far outliers that must stay visible however much is merged.
        const double v = i == 123457 ? 500.0 : i == 876543 ? -400.0 : noise(random);
        values.push_back(v);
        overview.Add(v);
    }
    EXPECT_EQ(overview.Count(), values.size());
    for (size_t columns : {1u, 7u, 300u, 1920u, 5000u}) {
        SCOPED_TRACE(columns);
        const auto spans = overview.Columns(columns);
        EXPECT_LE(spans.size(), columns);
        ExpectSpansSummarise(spans, values);
        const auto top = std::max_element(spans.begin(), spans.end(), [](auto& a, auto& b) { return a.max < b.max; });
        EXPECT_EQ(top->maxIndex, 123457u);
    }
}

TEST(ReadingOverviewTest, MergingKeepsWorkingAcrossManyDoublings)
{
    ReadingOverview overview(4);  // a tiny bound merges often
    std::vector<double> values;
    for (int i = 0; i < 1000; ++i) {
        values.push_back((i * 37) % 101);
        overview.Add(values.back());
        ExpectSpansSummarise(overview.Columns(3), values);
    }
    overview.Clear();
    EXPECT_EQ(overview.Count(), 0u);
    EXPECT_TRUE(overview.Columns(3).empty());
}

} // namespace
