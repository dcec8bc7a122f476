// What the reading model costs the receive path, and what drawing a large batch costs the
// panel. Run by hand: <build folder>/app/readings/readings_batch_bench
//   - Received: gauge text in the pieces the window inserts (80 readings of 18 bytes), as
//     bytes per second: the window's own display runs at a few MB/s, so the model must
//     run at hundreds;
//   - Columns: the overview of a million readings cut to the width of a chart.
#include "app/readings/ReadingBatch.h"

#include <benchmark/benchmark.h>

#include <QString>

namespace {

using dabrix::readings::ReadingBatch;
using dabrix::readings::ReadingOverview;

QString Piece(int readings)
{
    QString text;
    for (int i = 0; i < readings; ++i)
        text += QStringLiteral("#%1 12,5 ").arg(i, 7, 10, QLatin1Char('0')) + QChar(0xB5) + QStringLiteral("m\r\n");
    return text;
}

void BM_Received(benchmark::State& state)
{
    const QString piece = Piece(80);
    ReadingBatch batch([] { return qint64(0); });
    for (auto _ : state) {
        batch.Received(piece);
        if (batch.Readings().size() > 2000000)
            batch.NewBatch();
    }
    state.SetBytesProcessed(state.iterations() * piece.size());  // one byte per character
    state.SetItemsProcessed(state.iterations() * 80);
}
BENCHMARK(BM_Received);

void BM_Columns(benchmark::State& state)
{
    ReadingOverview overview;
    for (int i = 0; i < 1000000; ++i)
        overview.Add(12.5 + (i % 97) * 0.01);
    for (auto _ : state)
        benchmark::DoNotOptimize(overview.Columns(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_Columns)->Arg(300)->Arg(1920);

} // namespace

BENCHMARK_MAIN();
