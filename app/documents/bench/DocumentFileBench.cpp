// Reading and writing large documents: a 100 MB file must open in about a second, not
// minutes. Run by hand: build with -DDABRIX_BUILD_BENCH=ON, then
//   <build folder>/app/documents/documents_file_bench
#include "app/documents/DocumentFile.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr qsizetype kFileBytes = 100 * 1024 * 1024;

// A gauge log: numbered readings with a micro sign, in UTF-8 or in Latin-1.
QByteArray GaugeLog(bool utf8)
{
    const QByteArray micro = utf8 ? QByteArray("\xC2\xB5") : QByteArray("\xB5");
    QByteArray bytes;
    bytes.reserve(kFileBytes + 64);
    for (int i = 0; bytes.size() < kFileBytes; ++i)
        bytes += "M" + QByteArray::number(i) + "\t12.5" + micro + "m\t+0.002\r\n";
    return bytes;
}

const QString& FileFor(bool utf8)
{
    static QTemporaryDir dir;
    static const QString paths[2] = {dir.filePath(QStringLiteral("latin1.txt")), dir.filePath(QStringLiteral("utf8.txt"))};
    const QString& path = paths[utf8 ? 1 : 0];
    if (!QFile::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(GaugeLog(utf8));
    }
    return path;
}

void BM_ReadDocument(benchmark::State& state)
{
    const QString& path = FileFor(state.range(0) != 0);
    for (auto _ : state) {
        const dabrix::app::DocumentReadResult read = dabrix::app::ReadDocument(path);
        if (!read.ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(read.text.size());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
    state.SetLabel(state.range(0) ? "UTF-8" : "Latin-1");
}
BENCHMARK(BM_ReadDocument)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteDocument(benchmark::State& state)
{
    const dabrix::app::DocumentReadResult read = dabrix::app::ReadDocument(FileFor(true));
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.txt"));
    for (auto _ : state) {
        if (!dabrix::app::WriteDocument(target, read.text).ok)
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(target).size());
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
