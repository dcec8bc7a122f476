// The batch as the window feeds it: text in pieces as it reaches the editor, line ends of
// every kind, arrival times, new batches, tolerance limits and mixed units.
#include "app/readings/ReadingBatch.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

using dabrix::readings::ReadingBatch;
using dabrix::readings::ReadingUnit;

// A clock that says what the test tells it.
struct TestClock {
    qint64 now = 1000;
    ReadingBatch::Clock Clock()
    {
        return [this] { return now; };
    }
};

std::vector<double> Values(const ReadingBatch& batch)
{
    std::vector<double> values;
    for (const auto& r : batch.Readings())
        values.push_back(r.value);
    return values;
}

TEST(ReadingBatchTest, LinesCutAnywhereAcrossPiecesGiveTheSameReadings)
{
    // Each line end the gauges use, and a status line between the readings.
    const QString text = QStringLiteral("   12.5 um #1\r\n   13.0 um #2\rSync...\n14,5 \u00B5m #3\n\n");
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        for (qsizetype cut2 = cut; cut2 <= text.size(); cut2 += 3) {
            ReadingBatch batch;
            batch.Received(QStringView(text).first(cut));
            batch.Received(QStringView(text).sliced(cut, cut2 - cut));
            batch.Received(QStringView(text).sliced(cut2));
            ASSERT_EQ(Values(batch), (std::vector<double>{12.5, 13.0, 14.5})) << cut << ", " << cut2;
        }
    }
}

TEST(ReadingBatchTest, AnUnfinishedLineWaitsForItsEnd)
{
    ReadingBatch batch;
    batch.Received(u"12.5 um");
    EXPECT_TRUE(batch.Readings().empty());
    batch.Received(u"\r\n");
    EXPECT_EQ(Values(batch), std::vector<double>{12.5});
}

TEST(ReadingBatchTest, ZeroBytesAreLeftOutAsTheEditorLeavesThemOut)
{
    ReadingBatch batch;
    static constexpr char16_t kText[] = u"1\u00002.5 um\r\n\u0000\u0000\r\n";
    batch.Received(QStringView(kText, std::size(kText) - 1));  // the zeros counted in
    EXPECT_EQ(Values(batch), std::vector<double>{12.5});
}

TEST(ReadingBatchTest, AnOverlongLineIsNoReadingAndTheNextLineCountsAgain)
{
    ReadingBatch batch;
    const QString spaces(ReadingBatch::kMaxLineLength, QLatin1Char(' '));
    // Over the limit in one piece, and grown over it piece by piece.
    batch.Received(spaces + QStringLiteral("1.5\r\n2.5\r\n"));
    batch.Received(spaces);
    batch.Received(u"3.5");
    batch.Received(u"\r\n4.5\r\n");
    EXPECT_EQ(Values(batch), (std::vector<double>{2.5, 4.5}));
}

TEST(ReadingBatchTest, ReadingsCarryTheTimeTheirTextArrived)
{
    TestClock clock;
    ReadingBatch batch(clock.Clock());
    batch.Received(u"1.0\r\n2.0\r\n3.");
    clock.now = 2500;
    batch.Received(u"0\r\n");
    ASSERT_EQ(batch.Readings().size(), 3u);
    EXPECT_EQ(batch.Readings()[0].time, 1000);
    EXPECT_EQ(batch.Readings()[1].time, 1000);
    EXPECT_EQ(batch.Readings()[2].time, 2500);  // its line ended with the later text
}

TEST(ReadingBatchTest, ANewBatchStartsEmptyWithTheNextNumberOnlyAfterReadings)
{
    ReadingBatch batch;
    int changes = 0;
    batch.OnChanged = [&] { ++changes; };
    batch.NewBatch();  // nothing measured yet: the same batch
    EXPECT_EQ(batch.Number(), 1);
    EXPECT_EQ(changes, 0);

    batch.Received(u"5.0 um\r\n6.0 um\r\n7.");
    EXPECT_EQ(changes, 1);  // once per piece of text
    batch.NewBatch();
    EXPECT_EQ(batch.Number(), 2);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(batch.Readings().empty());
    EXPECT_EQ(batch.Statistics().Count(), 0u);
    EXPECT_EQ(batch.Overview().Count(), 0u);
    EXPECT_EQ(batch.Unit(), ReadingUnit::None);
    // The unfinished "7." of the old batch does not join the next text.
    batch.Received(u"5 mm\r\n");
    EXPECT_EQ(Values(batch), std::vector<double>{5});
    EXPECT_EQ(batch.Unit(), ReadingUnit::Millimetre);
}

TEST(ReadingBatchTest, LimitsCountTheReadingsOutsideThemAsTheyComeAndWhenTheyChange)
{
    ReadingBatch batch;
    batch.SetLimits(10.0, 20.0);
    batch.Received(u"9.9\r\n10.0\r\n15\r\n20.0\r\n20.1\r\n");
    EXPECT_TRUE(batch.HasLimits());
    EXPECT_EQ(batch.OutsideCount(), 2u);  // a limit itself is inside

    batch.SetLimits(std::nullopt, 15.0);
    EXPECT_EQ(batch.OutsideCount(), 2u);  // 20.0, 20.1
    batch.SetLimits(12.0, std::nullopt);
    EXPECT_EQ(batch.OutsideCount(), 2u);  // 9.9, 10.0
    batch.SetLimits(std::nullopt, std::nullopt);
    EXPECT_FALSE(batch.HasLimits());
    EXPECT_EQ(batch.OutsideCount(), 0u);

    // Crossed limits mark nothing until they are put right.
    batch.SetLimits(20.0, 10.0);
    EXPECT_FALSE(batch.LimitsValid());
    EXPECT_FALSE(batch.HasLimits());
    EXPECT_EQ(batch.OutsideCount(), 0u);
    batch.Received(u"30\r\n");
    EXPECT_EQ(batch.OutsideCount(), 0u);

    // The limits stay for the next batch.
    batch.SetLimits(10.0, 20.0);
    batch.NewBatch();
    batch.Received(u"25\r\n");
    EXPECT_EQ(batch.OutsideCount(), 1u);
}

TEST(ReadingBatchTest, ReadingsInAnotherLengthUnitCountConvertedToTheBatchsUnit)
{
    ReadingBatch batch;
    batch.Received(u"12.5\r\n25.4 \u00B5m\r\n1 mils\r\n0.0254 mm\r\n");
    EXPECT_EQ(batch.Unit(), ReadingUnit::Micrometre);  // the first reading with a unit
    const auto& readings = batch.Readings();
    ASSERT_EQ(readings.size(), 4u);
    EXPECT_EQ(readings[2].unit, ReadingUnit::Mils);  // each keeps what the gauge sent
    EXPECT_EQ(readings[2].value, 1.0);
    EXPECT_DOUBLE_EQ(batch.ValueInBatchUnit(readings[2]), 25.4);
    EXPECT_DOUBLE_EQ(batch.ValueInBatchUnit(readings[3]), 25.4);
    EXPECT_DOUBLE_EQ(batch.Statistics().Minimum(), 12.5);
    EXPECT_DOUBLE_EQ(batch.Statistics().Maximum(), 25.4);
    EXPECT_EQ(batch.Decimals(), 4);
}

} // namespace
