#include "app/readings/ReadingOverview.h"

#include <algorithm>

namespace dabrix::readings {

ReadingOverview::ReadingOverview(std::size_t maxBuckets)
    : maxBuckets_(std::max<std::size_t>(maxBuckets, 2))
{
    buckets_.reserve(maxBuckets_ + 1);
}

void ReadingOverview::Merge(Span& into, const Span& next)
{
    into.last = next.last;
    if (next.min < into.min) {
        into.min = next.min;
        into.minIndex = next.minIndex;
    }
    if (next.max > into.max) {
        into.max = next.max;
        into.maxIndex = next.maxIndex;
    }
}

void ReadingOverview::Add(double value)
{
    const std::size_t index = count_++;
    const Span single{index, index, value, value, index, index};
    if (!buckets_.empty() && buckets_.back().last - buckets_.back().first + 1 < bucketSize_) {
        Merge(buckets_.back(), single);
        return;
    }
    buckets_.push_back(single);
    if (buckets_.size() <= maxBuckets_)
        return;
    // Twice as many values per bucket from here on.
    std::size_t out = 0;
    for (std::size_t in = 0; in < buckets_.size(); in += 2) {
        Span merged = buckets_[in];
        if (in + 1 < buckets_.size())
            Merge(merged, buckets_[in + 1]);
        buckets_[out++] = merged;
    }
    buckets_.resize(out);
    bucketSize_ *= 2;
}

void ReadingOverview::Clear()
{
    buckets_.clear();
    bucketSize_ = 1;
    count_ = 0;
}

std::vector<ReadingOverview::Span> ReadingOverview::Columns(std::size_t columns) const
{
    columns = std::max<std::size_t>(columns, 1);
    if (buckets_.size() <= columns)
        return buckets_;
    const std::size_t perColumn = (buckets_.size() + columns - 1) / columns;
    std::vector<Span> result;
    result.reserve(columns);
    for (std::size_t i = 0; i < buckets_.size(); i += perColumn) {
        Span column = buckets_[i];
        for (std::size_t j = i + 1; j < std::min(i + perColumn, buckets_.size()); ++j)
            Merge(column, buckets_[j]);
        result.push_back(column);
    }
    return result;
}

} // namespace dabrix::readings
