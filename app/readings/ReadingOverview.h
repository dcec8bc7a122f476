#pragma once
// The values of a batch in arrival order, summed up for drawing: runs of neighbouring
// values ("buckets") with their minimum and maximum. There are never more than
// `maxBuckets` of them; when a new value would make more, neighbours are merged pairwise
// and every bucket covers twice as many values. Adding is constant time on average, and
// drawing a million values costs as much as drawing a few thousand, while no extreme
// value is ever lost from the picture: a pixel column shows the lowest and the highest
// value that falls into it.
//
// Threads: a plain value.
#include <cstddef>
#include <vector>

namespace dabrix::readings {

class ReadingOverview {
public:
    struct Span {
        std::size_t first = 0;  // index of the first value it covers
        std::size_t last = 0;   // index of the last
        double min = 0;
        double max = 0;
        std::size_t minIndex = 0;
        std::size_t maxIndex = 0;
    };

    explicit ReadingOverview(std::size_t maxBuckets = 4096);

    void Add(double value);
    void Clear();
    std::size_t Count() const { return count_; }

    // The values in at most `columns` spans, in order, together covering all of them.
    // With no more values than columns every span is one value.
    std::vector<Span> Columns(std::size_t columns) const;

private:
    static void Merge(Span& into, const Span& next);

    std::size_t maxBuckets_;
    std::size_t bucketSize_ = 1;
    std::size_t count_ = 0;
    std::vector<Span> buckets_;
};

} // namespace dabrix::readings
