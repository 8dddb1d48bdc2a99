#include "viewer/data/envelope_pyramid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>

namespace corvex::viewer::data {

namespace {

std::size_t word_count(std::size_t bits) { return (bits + 63) / 64; }

}  // namespace

bool EnvelopePyramid::Bits::any(std::size_t first, std::size_t last) const {
    if (first >= last) return false;
    const std::size_t w0 = first / 64;
    const std::size_t w1 = (last - 1) / 64;
    const std::uint64_t low = ~std::uint64_t{0} << (first % 64);
    const std::uint64_t high = ~std::uint64_t{0} >> (63 - (last - 1) % 64);
    if (w0 == w1) return (words[w0].load(std::memory_order_relaxed) & low & high) != 0;
    if ((words[w0].load(std::memory_order_relaxed) & low) != 0) return true;
    for (std::size_t w = w0 + 1; w < w1; ++w) {
        if (words[w].load(std::memory_order_relaxed) != 0) return true;
    }
    return (words[w1].load(std::memory_order_relaxed) & high) != 0;
}

void EnvelopePyramid::Bits::set(std::size_t index) {
    // Only the writer stores; readers of other bits in the same word see
    // either value of the word, both right for them.
    auto& word = words[index / 64];
    word.store(word.load(std::memory_order_relaxed) | (std::uint64_t{1} << (index % 64)), std::memory_order_relaxed);
}

Expected<EnvelopePyramid, std::string> EnvelopePyramid::create(std::size_t capacity, unsigned fan_out) {
    if (fan_out < 2 || fan_out > 256 || !std::has_single_bit(fan_out)) {
        return Unexpected(std::string("the fan-out of an envelope pyramid must be a power of two from 2 to 256"));
    }
    EnvelopePyramid pyramid;
    pyramid.capacity_ = capacity;
    pyramid.shift_ = static_cast<unsigned>(std::countr_zero(fan_out));
    try {
        pyramid.values_ = std::make_unique_for_overwrite<double[]>(capacity);
        // Level l holds capacity >> (l * shift) buckets; the levels stop
        // before the first that could not hold one.
        std::size_t buckets = capacity;
        for (unsigned level = 0;; ++level) {
            Level next;
            if (level > 0) next.envelopes = std::make_unique_for_overwrite<MinMax[]>(buckets);
            next.errors.words = std::make_unique<std::atomic<std::uint64_t>[]>(word_count(buckets));
            pyramid.levels_.push_back(std::move(next));
            const unsigned shift = (level + 1) * pyramid.shift_;
            buckets = shift < 64 ? capacity >> shift : 0;
            if (buckets == 0) break;
        }
    } catch (const std::bad_alloc&) {
        return Unexpected(std::string("not enough memory for the plot data of ") + std::to_string(capacity) +
                          " records");
    }
    return pyramid;
}

std::size_t EnvelopePyramid::append(std::span<const double> values, std::span<const std::int16_t> errors) {
    const std::size_t count = std::min(values.size(), capacity_ - size_);
    const std::size_t old_size = size_;
    std::copy_n(values.data(), count, values_.get() + old_size);
    if (!errors.empty()) {
        const std::size_t checked = std::min(count, errors.size());
        for (std::size_t i = 0; i < checked; ++i) {
            if (errors[i] != 0) levels_[0].errors.set(old_size + i);
        }
    }
    size_ = old_size + count;
    for (std::size_t level = 1; level < levels_.size(); ++level) {
        const unsigned shift = static_cast<unsigned>(level) * shift_;
        const std::size_t done = old_size >> shift;
        const std::size_t now = size_ >> shift;
        if (done == now) break;  // no bucket filled here, so none above
        complete_buckets(level, done, now);
    }
    return count;
}

void EnvelopePyramid::complete_buckets(std::size_t level, std::size_t first, std::size_t last) {
    Level& target = levels_[level];
    for (std::size_t bucket = first; bucket < last; ++bucket) {
        Envelope e;
        fold(level - 1, bucket << shift_, (bucket + 1) << shift_, e);
        target.envelopes[bucket] = MinMax{e.min, e.max};
        if (e.error) target.errors.set(bucket);
    }
}

void EnvelopePyramid::fold(std::size_t level, std::size_t first, std::size_t last, Envelope& into) const {
    if (first >= last) return;
    double lo = into.min;
    double hi = into.max;
    if (level == 0) {
        for (std::size_t i = first; i < last; ++i) {
            const double v = values_[i];
            // NaN and the infinities fail this test and stay out.
            if (std::fabs(v) <= std::numeric_limits<double>::max()) {
                lo = v < lo ? v : lo;
                hi = v > hi ? v : hi;
            }
        }
    } else {
        const MinMax* e = levels_[level].envelopes.get();
        for (std::size_t i = first; i < last; ++i) {
            lo = e[i].min < lo ? e[i].min : lo;
            hi = e[i].max > hi ? e[i].max : hi;
        }
    }
    into.min = lo;
    into.max = hi;
    if (!into.error) into.error = levels_[level].errors.any(first, last);
}

Envelope EnvelopePyramid::envelope(std::size_t first, std::size_t last) const {
    Envelope e;
    if (first >= last) return e;
    // [a, b) in entries of `level`; climb while whole buckets of the next
    // level lie inside, taking the ragged ends at this level.
    std::size_t a = first;
    std::size_t b = last;
    std::size_t level = 0;
    const std::size_t step = std::size_t{1} << shift_;
    while (level + 1 < levels_.size()) {
        const std::size_t a_up = (a + step - 1) >> shift_;
        const std::size_t b_down = b >> shift_;
        if (a_up >= b_down) break;
        fold(level, a, a_up << shift_, e);
        fold(level, b_down << shift_, b, e);
        a = a_up;
        b = b_down;
        ++level;
    }
    fold(level, a, b, e);
    return e;
}

void EnvelopePyramid::envelopes(std::span<const std::size_t> bounds, std::span<Envelope> out) const {
    const std::size_t n = std::min(out.size(), bounds.empty() ? 0 : bounds.size() - 1);
    for (std::size_t i = 0; i < n; ++i) out[i] = envelope(bounds[i], bounds[i + 1]);
}

bool EnvelopePyramid::error(std::size_t record) const { return levels_[0].errors.any(record, record + 1); }

std::size_t EnvelopePyramid::memory_bytes(std::size_t records) const {
    std::size_t bytes = records * sizeof(double);
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::size_t buckets = records >> (level * shift_);
        if (level > 0) bytes += buckets * sizeof(MinMax);
        bytes += word_count(buckets) * sizeof(std::uint64_t);
    }
    return bytes;
}

}  // namespace corvex::viewer::data
