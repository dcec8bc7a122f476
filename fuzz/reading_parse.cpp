// Arbitrary gauge bytes as the text the editor receives (byte b as U+00bb), fed to a
// batch whole and again in pieces of random size. Checks: no memory fault; every reading
// is a finite value with at most 15 decimals; the statistics count what the batch holds
// and keep the mean between minimum and maximum, with a deviation from two readings on;
// how the text was cut changes nothing.
#include "app/readings/ReadingBatch.h"
#include "fuzz/FuzzChecks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <string>

using dabrix::fuzz::Check;
using dabrix::readings::ReadingBatch;

namespace {

QString Latin1(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void CheckBatch(const ReadingBatch& batch)
{
    for (const auto& r : batch.Readings()) {
        Check(std::isfinite(r.value) && std::fabs(r.value) < 1e15, "reading value");
        Check(r.decimals <= 15, "reading decimals");
    }
    const auto& s = batch.Statistics();
    Check(s.Count() == batch.Readings().size(), "statistics count");
    if (s.Count() > 0) {
        const double slack = 1e-9 * (std::fabs(s.Minimum()) + std::fabs(s.Maximum()) + 1);
        Check(std::isfinite(s.Mean()) && s.Mean() >= s.Minimum() - slack && s.Mean() <= s.Maximum() + slack,
              "mean outside minimum and maximum");
        // One reading has no spread to speak of: its deviation is no number.
        Check(s.Count() < 2 ? std::isnan(s.StandardDeviation())
                            : std::isfinite(s.StandardDeviation()) && s.StandardDeviation() >= 0,
              "standard deviation");
    }
    Check(batch.OutsideCount() <= batch.Readings().size(), "more readings outside than in the batch");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto fixedTime = [] { return qint64{0}; };
    FuzzedDataProvider input(data, size);
    const double lower = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    const double upper = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    const std::string text = input.ConsumeRemainingBytesAsString();

    ReadingBatch whole(fixedTime);
    whole.SetLimits(lower, upper);
    whole.Received(Latin1(text));
    CheckBatch(whole);

    // The same text in pieces whose sizes come from the text itself.
    ReadingBatch pieces(fixedTime);
    pieces.SetLimits(lower, upper);
    size_t at = 0;
    while (at < text.size()) {
        const size_t n = 1 + static_cast<unsigned char>(text[at]) % 23;
        pieces.Received(Latin1(text.substr(at, n)));
        at += n;
    }
    CheckBatch(pieces);
    Check(pieces.Readings().size() == whole.Readings().size(), "cutting the text changed the readings");
    for (size_t i = 0; i < whole.Readings().size(); ++i)
        Check(pieces.Readings()[i].value == whole.Readings()[i].value, "cutting the text changed a value");
    Check(pieces.OutsideCount() == whole.OutsideCount(), "cutting the text changed the outside count");
    return 0;
}
