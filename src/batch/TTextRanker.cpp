#include "batch/TTextRanker.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>

#include "model/FilledLater.h"
#include "model/RunInParts.h"

namespace tabrix {

namespace {

// Sixteen bytes of a text, from an offset that is a multiple of sixteen, as two big-endian
// numbers padded with zero bytes: comparing chunks compares those bytes as unsigned bytes.
struct Chunk {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    bool operator==(const Chunk&) const = default;
    bool operator<(const Chunk& other) const {
        return high != other.high ? high < other.high : low < other.low;
    }
};

struct Record {
    Chunk chunk;
    std::uint32_t position;
};

// Every one is written by the part that first touches its memory.
using Records = FilledLater<Record>;

bool ChunkBefore(const Record& a, const Record& b) {
    return a.chunk < b.chunk;
}

// Byte d (0 to 15) of the sixteen bytes a chunk holds.
unsigned ByteOf(const Chunk& chunk, unsigned d) {
    const std::uint64_t word = d < 8 ? chunk.high : chunk.low;
    return static_cast<unsigned>(word >> (56 - 8 * (d % 8))) & 0xFF;
}

// How many leading bytes two chunks agree in, from their bits that differ.
unsigned AgreeingBytes(std::uint64_t highDiffers, std::uint64_t lowDiffers) {
    if (highDiffers) return static_cast<unsigned>(__builtin_clzll(highDiffers)) / 8;
    if (lowDiffers) return 8 + static_cast<unsigned>(__builtin_clzll(lowDiffers)) / 8;
    return 16;
}

// Sorts records by their chunks, which agree before byte d, a byte at a time: each record is
// counted by its byte there and swapped into the bucket of that byte, and each bucket sorted
// by the bytes after it; small buckets are left to a comparison sort. Bytes every record
// shares are passed over at once, so texts that begin alike cost one count. Records with
// equal chunks end up side by side in no particular order.
void SortByChunk(Record* first, Record* last, unsigned d = 0) {
    constexpr std::ptrdiff_t kSmall = 32;
    while (d < 16) {
        if (last - first <= kSmall) {
            std::sort(first, last, ChunkBefore);
            return;
        }
        std::uint32_t counts[256] = {};
        std::uint64_t highDiffers = 0, lowDiffers = 0;
        const Chunk base = first->chunk;
        for (const Record* r = first; r != last; ++r) {
            ++counts[ByteOf(r->chunk, d)];
            highDiffers |= r->chunk.high ^ base.high;
            lowDiffers |= r->chunk.low ^ base.low;
        }
        if (const unsigned agree = AgreeingBytes(highDiffers, lowDiffers); agree > d) {
            d = agree;
            continue;
        }
        unsigned low = 0, high = 255;
        while (counts[low] == 0)
            ++low;
        while (counts[high] == 0)
            --high;
        Record* heads[256];
        Record* ends[256];
        Record* at = first;
        for (unsigned b = low; b <= high; ++b) {
            heads[b] = at;
            at += counts[b];
            ends[b] = at;
        }
        for (unsigned b = low; b <= high; ++b) {
            while (heads[b] != ends[b]) {
                const unsigned belongs = ByteOf(heads[b]->chunk, d);
                if (belongs == b)
                    ++heads[b];
                else
                    std::swap(*heads[b], *heads[belongs]++);
            }
        }
        at = first;
        for (unsigned b = low; b <= high; ++b) {
            if (counts[b] > 1) SortByChunk(at, at + counts[b], d + 1);
            at += counts[b];
        }
        return;
    }
}

std::uint64_t BigEndianAt(std::string_view text, std::size_t offset) {
    std::uint64_t value = 0;
    if (offset + 8 <= text.size()) {
        std::memcpy(&value, text.data() + offset, 8);
        if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
        return value;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        value <<= 8;
        if (offset + i < text.size()) value |= static_cast<unsigned char>(text[offset + i]);
    }
    return value;
}

Chunk ChunkAt(std::string_view text, std::size_t depth) {
    if (16 * depth >= text.size()) return {};
    return {BigEndianAt(text, 16 * depth), BigEndianAt(text, 16 * depth + 8)};
}

struct Run {
    std::size_t begin;
    std::size_t end;
    std::size_t depth;  // the records agree on every chunk before this one
    bool whole;         // the last chunk did not split the run it came from
};

// How far a and b agree from the offset from on, where both agree before it.
std::size_t CommonPrefix(std::string_view a, std::string_view b, std::size_t from) {
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t i = std::min(from, limit);
    while (i + 64 <= limit && std::memcmp(a.data() + i, b.data() + i, 64) == 0)
        i += 64;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

// Orders records by their texts and marks in starts where a text differs from the one before.
// Runs that agree on their chunk so far go one chunk deeper; texts that agree on every chunk
// differ only in trailing zero bytes, so the shorter comes first. A run that a chunk did not
// split is likely to be long texts alike for a long way (copies of one text), so it goes on
// at the first chunk where its texts part instead of one chunk at a time.
class RunSorter {
public:
    RunSorter(std::span<const std::string_view> texts, Records& records,
              std::vector<std::uint8_t>& starts)
        : texts_(texts), records_(records), starts_(starts) {}

    // Records begin .. end already sorted by the chunk of depth, and starts set there.
    void SortSortedRun(std::size_t begin, std::size_t end, std::size_t depth) {
        MarkRuns(begin, end, depth);
        while (!pending_.empty()) {
            Run run = pending_.back();
            pending_.pop_back();
            SortRun(run);
        }
    }

private:
    void SortRun(Run run) {
        if (run.whole) run.depth = std::max(run.depth, PartingChunk(run));
        auto first = records_.begin() + static_cast<std::ptrdiff_t>(run.begin);
        auto last = records_.begin() + static_cast<std::ptrdiff_t>(run.end);
        if (AllEndBefore(run)) {
            std::sort(first, last,
                      [this](const Record& a, const Record& b) { return Size(a) < Size(b); });
            for (std::size_t i = run.begin + 1; i < run.end; ++i)
                if (Size(records_[i]) != Size(records_[i - 1])) starts_[i] = 1;
            return;
        }
        for (std::size_t i = run.begin; i < run.end; ++i)
            records_[i].chunk = ChunkAt(texts_[records_[i].position], run.depth);
        SortByChunk(&*first, &*first + (last - first));
        MarkRuns(run.begin, run.end, run.depth);
    }

    // Marks where the chunk changes and keeps the runs of equal chunks for the next depth.
    void MarkRuns(std::size_t begin, std::size_t end, std::size_t depth) {
        std::size_t runBegin = begin;
        for (std::size_t i = begin + 1; i <= end; ++i) {
            if (i < end && records_[i].chunk == records_[i - 1].chunk) continue;
            if (i < end) starts_[i] = 1;
            if (i - runBegin > 1)
                pending_.push_back({runBegin, i, depth + 1, runBegin == begin && i == end});
            runBegin = i;
        }
    }

    // The chunk where the run's texts first part (or where the shortest ends).
    std::size_t PartingChunk(const Run& run) const {
        const std::string_view first = texts_[records_[run.begin].position];
        std::size_t common = first.size();
        for (std::size_t i = run.begin + 1; i < run.end && common > 16 * run.depth; ++i)
            common =
                CommonPrefix(first.substr(0, common), texts_[records_[i].position], 16 * run.depth);
        return common / 16;
    }

    bool AllEndBefore(const Run& run) const {
        for (std::size_t i = run.begin; i < run.end; ++i)
            if (Size(records_[i]) > 16 * run.depth) return false;
        return true;
    }

    std::size_t Size(const Record& record) const { return texts_[record.position].size(); }

    std::span<const std::string_view> texts_;
    Records& records_;
    std::vector<std::uint8_t>& starts_;
    std::vector<Run> pending_;
};

// Where part p of n items begins when they are cut into parts of about equal size.
std::size_t PartBegin(std::size_t n, std::size_t parts, std::size_t p) {
    return n * p / parts;
}

// Every text's record, sorted by its first chunk. With several parts, the chunks are first
// cut into as many ranges at chunks drawn from a sample of the texts; each part counts its
// slice's records per range, writes them straight into their range, and then sorts a range of
// its own: no merge, and no buffer beside the records. Equal chunks fall in one range.
Records SortedByFirstChunk(std::span<const std::string_view> texts, std::size_t parts) {
    const std::size_t n = texts.size();
    Records records(n);
    if (parts == 1) {
        for (std::size_t i = 0; i < n; ++i)
            records[i] = {ChunkAt(texts[i], 0), static_cast<std::uint32_t>(i)};
        SortByChunk(records.data(), records.data() + n);
        return records;
    }
    constexpr std::size_t kSamplePerPart = 256;
    std::vector<Chunk> sample(parts * kSamplePerPart);
    for (std::size_t k = 0; k < sample.size(); ++k)
        sample[k] = ChunkAt(texts[k * n / sample.size()], 0);
    std::sort(sample.begin(), sample.end());
    std::vector<Chunk> bounds(parts - 1);  // range r holds the chunks from bounds[r - 1] on
    for (std::size_t r = 1; r < parts; ++r)
        bounds[r - 1] = sample[r * kSamplePerPart];
    auto rangeOf = [&](const Chunk& chunk) {
        return static_cast<std::size_t>(std::upper_bound(bounds.begin(), bounds.end(), chunk) -
                                        bounds.begin());
    };
    // counts[p][r]: the records of part p's slice in range r; then where the next one goes.
    std::vector<std::vector<std::size_t>> counts(parts, std::vector<std::size_t>(parts, 0));
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t i = PartBegin(n, parts, p); i < PartBegin(n, parts, p + 1); ++i)
            ++counts[p][rangeOf(ChunkAt(texts[i], 0))];
    });
    std::vector<std::size_t> rangeStart(parts + 1, 0);
    for (std::size_t r = 0, at = 0; r < parts; ++r) {
        rangeStart[r] = at;
        for (std::size_t p = 0; p < parts; ++p) {
            const std::size_t count = counts[p][r];
            counts[p][r] = at;
            at += count;
        }
    }
    rangeStart[parts] = n;
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t i = PartBegin(n, parts, p); i < PartBegin(n, parts, p + 1); ++i) {
            const Chunk chunk = ChunkAt(texts[i], 0);
            records[counts[p][rangeOf(chunk)]++] = {chunk, static_cast<std::uint32_t>(i)};
        }
    });
    RunInParts(parts, [&](std::size_t r) {
        SortByChunk(records.data() + rangeStart[r], records.data() + rangeStart[r + 1]);
    });
    return records;
}

// Cuts of the sorted records into parts of about equal size that split no run of equal
// first chunks: first and last cut included.
std::vector<std::size_t> RunCuts(const Records& records, std::size_t parts) {
    const std::size_t n = records.size();
    std::vector<std::size_t> cuts = {0};
    for (std::size_t p = 1; p < parts; ++p) {
        std::size_t cut = std::max(cuts.back(), PartBegin(n, parts, p));
        while (cut > 0 && cut < n && records[cut].chunk == records[cut - 1].chunk)
            ++cut;
        cuts.push_back(cut);
    }
    cuts.push_back(n);
    return cuts;
}

}  // namespace

std::vector<std::uint32_t> TTextRanker::Rank(std::span<const std::string_view> texts,
                                             std::size_t parallelSize) {
    const std::size_t n = texts.size();
    std::vector<std::uint32_t> ranks(n);
    if (n == 0) return ranks;
    const std::size_t parts = PartsFor(n, parallelSize);
    Records records = SortedByFirstChunk(texts, parts);

    // The runs of equal first chunks are finished in slices that each touch only their own
    // records and marks. How much is left to do in a slice depends on how alike its texts are,
    // so there are many more slices than parts, taken in turn by the part that is free.
    std::vector<std::uint8_t> starts(n, 0);
    constexpr std::size_t kSlicesPerPart = 16;
    const std::size_t slices = parts == 1 ? 1 : parts * kSlicesPerPart;
    const std::vector<std::size_t> cuts = RunCuts(records, slices);
    std::atomic<std::size_t> nextSlice{0};
    RunInParts(parts, [&](std::size_t) {
        for (std::size_t s = nextSlice++; s < slices; s = nextSlice++) {
            if (cuts[s] == cuts[s + 1]) continue;
            starts[cuts[s]] = 1;
            RunSorter(texts, records, starts).SortSortedRun(cuts[s], cuts[s + 1], 0);
        }
    });

    // A text's rank is the number of starts before it: each part counts its own, then gives
    // its texts their ranks from the count of the parts before it.
    std::vector<std::uint32_t> startsBefore(parts + 1, 0);
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t i = std::max<std::size_t>(PartBegin(n, parts, p), 1);
             i < PartBegin(n, parts, p + 1); ++i)
            startsBefore[p + 1] += starts[i];
    });
    for (std::size_t p = 0; p < parts; ++p)
        startsBefore[p + 1] += startsBefore[p];
    RunInParts(parts, [&](std::size_t p) {
        std::uint32_t rank = startsBefore[p];
        for (std::size_t i = PartBegin(n, parts, p); i < PartBegin(n, parts, p + 1); ++i) {
            if (i > 0 && starts[i]) ++rank;
            ranks[records[i].position] = rank;
        }
    });
    return ranks;
}

}  // namespace tabrix
