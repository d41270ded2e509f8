#include "files/TElementDataReader.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <unordered_map>

#include "files/TElementLineReader.h"
#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/LargePages.h"
#include "model/MappedBytes.h"
#include "model/Mix64.h"
#include "model/RunInParts.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

namespace {

const TFileKind& ThisKind() {
    return TFileKind::Of(FileKind::kElementData);
}

std::string Message(const std::string& path, CoreText::Id suffix) {
    return ThisKind().About(path, suffix);
}

std::string DataMessage(const std::string& path, CoreText::Id suffix, const std::string& name) {
    return Message(path, suffix) + name + CoreText::Get(CoreText::kProcessing);
}

// Element data below this size are decoded on the reading thread alone: starting threads
// would cost more than they save.
std::atomic<std::size_t> parallelReadThreshold{std::size_t{1} << 20};

std::atomic<bool> keepsLinesRead{false};
std::atomic<bool> leavesValuesInKeptLines{false};

constexpr std::size_t kRun = TReadLines::kRun;
// The memory of lines decoded is given back in steps of this many bytes.
constexpr std::ptrdiff_t kGiveBackStep = std::ptrdiff_t{4} << 20;

// How many parts bytes of element lines are decoded in.
std::size_t ReadParts(std::size_t bytes) {
    return PartsFor(bytes, parallelReadThreshold.load(std::memory_order_relaxed));
}

// Gathers, as one part of a file is decoded, the runs of lines its readers found written as
// the writer writes them: every line of the run, one after another in the file, each ended by
// "\r\n" (the writer's line end).
class RunKeeper {
public:
    explicit RunKeeper(const char* linesEnd) : linesEnd_(linesEnd) {}

    // What a line did to the run it is in.
    struct Step {
        bool began;  // it began a run: the run before ended, kept or not
        bool whole;  // the run is whole so far, this line included
        bool kept;   // it completed the run, which is kept
    };

    // The element at position of data was just decoded from line.
    Step Add(TGroupData& data, std::size_t position, std::string_view line, bool asWritten,
             const TElement& element) {
        const bool began = position % kRun == 0 || &data != data_ || position != next_;
        if (began) {
            data_ = &data;
            begin_ = expected_ = line.data();
            whole_ = position % kRun == 0;  // a run begun elsewhere is not seen whole here
            hash_ = TReadLines::kSeed;
            count_ = 0;
        }
        const char* end = line.data() + line.size();
        whole_ = whole_ && asWritten && line.data() == expected_ && linesEnd_ - end >= 2 &&
                 end[0] == '\r' && end[1] == '\n';
        if (whole_) hash_ = Mix64(hash_, TElement::ItemOf(&element));
        expected_ = end + 2;
        next_ = position + 1;
        TReadLines& read = *data.MutableReadLines();
        const bool kept = whole_ && ++count_ == read.RunLength(position / kRun);
        if (kept) {
            read.KeepRun(position / kRun, begin_, expected_, hash_);
            ++kept_;
        }
        return {began, whole_, kept};
    }

    // The runs kept so far.
    std::size_t Kept() const { return kept_; }

private:
    const char* linesEnd_;  // the end of the file's last line
    const TGroupData* data_ = nullptr;
    std::size_t next_ = 0;
    const char* begin_ = nullptr;
    const char* expected_ = nullptr;
    bool whole_ = false;
    std::uint64_t hash_ = 0;
    std::size_t count_ = 0;
    std::size_t kept_ = 0;
};

// What a slice of the element lines holds of the file's bytes and of the line list.
struct SliceMemory {
    const char* bytesFrom = nullptr;
    const char* bytesTo = nullptr;  // its end, or its first reference value (still needed)
    const char* linesFrom = nullptr;
    const char* linesTo = nullptr;
    bool holdsReferences = false;
    bool done = false;
};

// A slice gives back the pages that lie wholly inside it as it goes; what lies between slices
// goes here once every slice before it is decoded (the slices are taken in order, so that is
// soon). A slice whose reference values are still needed keeps its bytes from the first on.
class SliceGiveBack {
public:
    SliceGiveBack(std::vector<SliceMemory>& memory, bool bytesToo)
        : memory_(memory), bytesToo_(bytesToo) {}

    void Done(std::size_t s) {
        std::lock_guard lock(mutex_);
        memory_[s].done = true;
        for (; next_ < memory_.size() && memory_[next_].done; ++next_) {
            const SliceMemory& slice = memory_[next_];
            if (!slice.linesFrom) continue;  // an empty slice
            const bool last = next_ + 1 == memory_.size();
            const SliceMemory* after = last ? nullptr : &memory_[next_ + 1];
            // Up to where the slice after begins, or through this one when it is the last.
            if (!lines_) lines_ = slice.linesFrom;
            lines_ = GiveBackLargePages(lines_, after ? after->linesFrom : slice.linesTo);
            if (!bytesToo_) continue;
            if (!bytes_) bytes_ = slice.bytesFrom;
            const char* end = slice.holdsReferences || !after ? slice.bytesTo : after->bytesFrom;
            bytes_ = GiveBackLargePages(bytes_, end);
            if (slice.holdsReferences) bytes_ = nullptr;  // from the next slice's start on
        }
    }

private:
    std::vector<SliceMemory>& memory_;
    bool bytesToo_;
    std::mutex mutex_;
    std::size_t next_ = 0;         // the first slice not yet decoded
    const char* lines_ = nullptr;  // where the line list not given back begins
    const char* bytes_ = nullptr;  // where the bytes not given back begin
};

}  // namespace

std::size_t TElementDataReader::ParallelReadThreshold() {
    return parallelReadThreshold.load(std::memory_order_relaxed);
}

void TElementDataReader::SetParallelReadThreshold(std::size_t bytes) {
    parallelReadThreshold.store(bytes, std::memory_order_relaxed);
}

bool TElementDataReader::KeepsLinesRead() {
    return keepsLinesRead.load(std::memory_order_relaxed);
}

void TElementDataReader::SetKeepsLinesRead(bool on) {
    keepsLinesRead.store(on, std::memory_order_relaxed);
}

bool TElementDataReader::LeavesValuesInKeptLines() {
    return leavesValuesInKeptLines.load(std::memory_order_relaxed);
}

void TElementDataReader::SetLeavesValuesInKeptLines(bool on) {
    leavesValuesInKeptLines.store(on, std::memory_order_relaxed);
}

FileResult TElementDataReader::Read(const Progress& progress) {
    const std::string path = file_.Path();
    Report(progress, Message(path, CoreText::kReadBegin));
    TStringFiler filer;
    FileLines file;
    file.bytesKeptWhole = KeepsLinesRead();
    FileResult result = filer.LoadTaggedLines(file, path, ThisKind().headerKind);
    if (result != kFileOk) return result;
    const std::vector<std::string_view>& lines = file.lines;
    const char* const bytes = file.bytes.get();
    const std::size_t referencesBefore = references_.size();
    std::shared_ptr<const char[]> keptBytes;
    if (KeepsLinesRead()) keptBytes = std::move(file.bytes);

    Report(progress, Message(path, CoreText::kExpanding));
    file_.Reset(path);
    std::vector<std::unique_ptr<TGroupData>> groupData;

    std::vector<DataBlock> blocks;  // the element lines, decoded once the structure is read
    std::size_t filled = 0;         // group data slots filled so far
    auto store = [&](std::unique_ptr<TGroupData> data) {
        data->SetOwner(&file_);
        if (filled < groupData.size() && !groupData[filled]) {
            data->SetIndex(static_cast<std::uint32_t>(filled));
            groupData[filled++] = std::move(data);
        } else {
            data->SetIndex(static_cast<std::uint32_t>(groupData.size()));
            groupData.push_back(std::move(data));
            filled = groupData.size();
        }
    };

    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string line(lines[i]);
        std::string tag = filer.CutTag(line);
        if (tag == "[init") {
            for (++i; i < lines.size(); ++i) {
                std::string value(lines[i]);
                std::string key = filer.CutTag(value);
                if (key == "[/init") break;
                if (key == "[status") {
                    file_.SetStatus(static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0)));
                } else if (key == "[size") {
                    // Never more empty slots than there are lines left to fill them.
                    std::size_t count = TStringDivision::ToULong(value, 0);
                    count = std::min(count, lines.size() - i);
                    if (count > groupData.size()) groupData.resize(count);
                }
            }
        } else if (tag == "[elements") {
            store(ReadGroupData(lines, i, progress, blocks));
        }
    }

    DecodeBlocks(lines, blocks, keptBytes);
    if (!MappedBytes::Intact(bytes)) {
        // The file was cut shorter while it was read: what was made from it is let go.
        references_.resize(referencesBefore);
        groupData.clear();
        file_.Reset(path);
        return kFileCannotOpen;
    }
    for (const auto& data : groupData)
        if (data) data->FinishRead();

    for (std::size_t k = 0; k < groupData.size(); ++k) {
        if (!groupData[k]) {
            groupData[k] = std::make_unique<TGroupData>(&file_);
            groupData[k]->SetIndex(static_cast<std::uint32_t>(k));
        }
    }
    file_.SetReadGroupData(std::move(groupData));
    file_.SetModified(false);
    return kFileOk;
}

std::unique_ptr<TGroupData> TElementDataReader::ReadGroupData(const LineViews& lines,
                                                              std::size_t& i,
                                                              const Progress& progress,
                                                              std::vector<DataBlock>& blocks) {
    TStringFiler filer;
    auto data = std::make_unique<TGroupData>(&file_);
    for (++i; i < lines.size(); ++i) {
        std::string line(lines[i]);
        std::string tag = filer.CutTag(line);
        if (tag == "[/elements") break;
        if (tag == "[init") {
            for (++i; i < lines.size(); ++i) {
                std::string value(lines[i]);
                std::string key = filer.CutTag(value);
                if (key == "[/init") break;
                if (key == "[name") {
                    data->SetName(value);
                    Report(progress, DataMessage(file_.Path(), CoreText::kExpandingData, value));
                } else if (key == "[size") {
                    std::size_t count = TStringDivision::ToULong(value, 0);
                    data->ReserveSlots(std::min(count, lines.size() - i));
                }
            }
        } else if (tag == "[data") {
            std::size_t first = ++i;
            while (i < lines.size() && lines[i] != "[/data]")
                ++i;
            if (i > first) blocks.push_back({data.get(), first, i});
        }
    }
    return data;
}

// The lines are cut into parts of about equal bytes; each part is decoded by a reader of its
// own into its own elements and reference list, and the parts are joined in order, so the
// result does not depend on how many parts there were. Each element goes straight into its
// slot, and the bytes of the lines decoded are given back as a part goes: the file and the
// elements made from it are not held whole at the same time.
void TElementDataReader::DecodeBlocks(const LineViews& lines, const std::vector<DataBlock>& blocks,
                                      const std::shared_ptr<const char[]>& fileBytes) {
    // Where each block's elements go: its first element is given the index the block's group
    // data gives the next element it stores, counting the blocks before it.
    std::vector<std::size_t> blockStart;  // block b holds elements blockStart[b] ..
    std::vector<std::size_t> blockIndex;  // the index of block b's first element
    std::unordered_map<TGroupData*, std::size_t> nextIndex;
    std::size_t elements = 0;
    std::size_t bytes = 0;
    for (const DataBlock& block : blocks) {
        blockStart.push_back(elements);
        elements += block.end - block.first;
        auto at = nextIndex.try_emplace(block.data, block.data->NextReadIndex()).first;
        blockIndex.push_back(at->second);
        at->second += block.end - block.first;
        for (std::size_t i = block.first; i < block.end; ++i)
            bytes += lines[i].size();
    }
    for (const auto& [data, end] : nextIndex)
        data->ExtendReadSlots(end);
    if (fileBytes) {
        auto context =
            std::make_shared<const TReadLines::Context>(TReadLines::Context::Of(library_));
        for (const auto& entry : nextIndex)
            entry.first->KeepReadLines(
                std::make_unique<TReadLines>(fileBytes, context, entry.first->Size()));
    }

    // The elements are cut into slices of about equal bytes, many more than parts, which the
    // parts take in order as they come free: a core slowed by other work leaves its share to
    // the others. A slice begins a run of kept lines where it can.
    const std::size_t parts = std::min(ReadParts(bytes), std::max<std::size_t>(elements, 1));
    constexpr std::size_t kSlicesPerPart = 32;
    const std::size_t slices = parts == 1 ? 1 : std::min(parts * kSlicesPerPart, elements);
    std::vector<std::size_t> bounds{0};  // slice s decodes elements bounds[s] .. bounds[s+1]-1
    std::size_t seen = 0;
    for (std::size_t b = 0, k = 0; b < blocks.size() && bounds.size() < slices; ++b) {
        for (std::size_t i = blocks[b].first; i < blocks[b].end && bounds.size() < slices; ++i) {
            seen += lines[i].size();
            ++k;
            const bool runStarts =
                i + 1 == blocks[b].end || (blockIndex[b] + (k - blockStart[b])) % kRun == 0;
            if (seen * slices >= bytes * bounds.size() && runStarts) bounds.push_back(k);
        }
    }
    bounds.resize(slices + 1, elements);
    bounds.back() = elements;

    std::vector<std::vector<TReadReference>> sliceRefs(slices);
    std::vector<SliceMemory> memory(slices);
    const bool givesBackBytes = !fileBytes;  // unless kept
    for (std::size_t s = 0, b = 0; s < slices; ++s) {
        if (bounds[s] == bounds[s + 1]) continue;
        while (b < blocks.size() && blockStart[b] <= bounds[s])
            ++b;
        const std::string_view& first =
            lines[blocks[b - 1].first + (bounds[s] - blockStart[b - 1])];
        memory[s].bytesFrom = first.data();
        memory[s].linesFrom = reinterpret_cast<const char*>(&first);
    }
    SliceGiveBack giveBack(memory, givesBackBytes);
    // The elements of the run being read that were left without values, with their lines:
    // built as soon as the run turns out not to be kept.
    using LeftElements = std::vector<std::pair<TElement*, std::string_view>>;
    auto buildLeft = [](TElementLineReader& reader, LeftElements& left) {
        for (const auto& [element, line] : left) {
            reader.Build(*element, line);
            element->MarkAsRead();
        }
        left.clear();
    };
    auto decodeSlice = [&](std::size_t s, TElementLineReader& reader, RunKeeper& runs,
                           LeftElements& left) {
        std::vector<TReadReference>& refs = sliceRefs[s];
        std::size_t b = static_cast<std::size_t>(
            std::upper_bound(blockStart.begin(), blockStart.end(), bounds[s]) - blockStart.begin());
        const std::string_view* line = nullptr;
        // The bytes and the line list of this slice from here on are still held.
        const char* heldBytes = nullptr;
        const char* heldLines = nullptr;
        for (std::size_t k = bounds[s]; k < bounds[s + 1]; ++k) {
            while (b < blocks.size() && blockStart[b] <= k)
                ++b;
            const DataBlock& block = blocks[b - 1];
            line = &lines[block.first + (k - blockStart[b - 1])];
            auto element = std::make_unique<TElement>();
            element->SetOwner(block.data);
            element->SetIndex(
                static_cast<std::uint32_t>(blockIndex[b - 1] + (k - blockStart[b - 1])));
            reader.Decode(*element, *line, refs);
            if (fileBytes) {
                const RunKeeper::Step step = runs.Add(*block.data, element->Index(), *line,
                                                      reader.LastLineAsWritten(), *element);
                // Left elements of a run not kept, the one before or this one, are built.
                if (step.began || !step.whole) buildLeft(reader, left);
                if (reader.LastLineLeft() && step.whole) {
                    element->MarkValuesLeftInLine();
                    left.emplace_back(element.get(), *line);
                } else if (reader.LastLineLeft()) {
                    reader.Build(*element, *line);
                }
                if (step.kept) left.clear();
                element->MarkAsRead();
            }
            block.data->PlaceRead(std::move(element));

            // The reference values are views of their lines until the table copies them.
            if (!heldBytes) heldBytes = line->data();
            if (!heldLines) heldLines = reinterpret_cast<const char*>(line);
            const char* doneBytes =
                refs.empty() ? line->data() + line->size() : refs.front().field.data();
            if (givesBackBytes && doneBytes - heldBytes >= kGiveBackStep)
                heldBytes = GiveBackLargePages(heldBytes, doneBytes);
            const char* doneLines = reinterpret_cast<const char*>(line + 1);
            if (doneLines - heldLines >= kGiveBackStep)
                heldLines = GiveBackLargePages(heldLines, doneLines);
        }
        buildLeft(reader, left);  // a run the slice did not complete
        memory[s].holdsReferences = !refs.empty();
        memory[s].bytesTo = refs.empty() ? line->data() + line->size() : refs.front().field.data();
        memory[s].linesTo = reinterpret_cast<const char*>(line + 1);
    };
    std::atomic<std::size_t> nextSlice{0};
    std::atomic<std::size_t> keptRuns{0};
    RunInParts(parts, [&](std::size_t) {
        TElementLineReader reader(library_, fileBytes != nullptr,
                                  fileBytes && LeavesValuesInKeptLines());
        RunKeeper runs(lines.back().data() + lines.back().size());
        LeftElements left;
        for (std::size_t s = nextSlice++; s < slices; s = nextSlice++) {
            if (bounds[s] == bounds[s + 1]) continue;
            decodeSlice(s, reader, runs, left);
            giveBack.Done(s);
        }
        keptRuns += runs.Kept();
    });
    // A file with no line as the writer writes it gives its bytes back now.
    if (fileBytes && keptRuns == 0)
        for (const auto& entry : nextIndex)
            entry.first->KeepReadLines(nullptr);

    // The fields go to the table after every element is made, so that they lie together in
    // memory rather than between the elements, and are handed back as a whole.
    std::vector<TUnresolvedReference>& table = references_;
    std::vector<std::size_t> refStart{table.size()};  // where slice s's references go
    for (const auto& slice : sliceRefs)
        refStart.push_back(refStart.back() + slice.size());
    // Room for as many again: a library's files are read one after another, and moving the
    // table would touch twice its memory. Room not filled costs no memory (a table this
    // large is mapped afresh, page by page as it is used).
    if (table.capacity() < refStart.back()) table.reserve(2 * refStart.back());
    table.resize(refStart.back());
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t s = p; s < slices; s += parts) {
            TUnresolvedReference* out = table.data() + refStart[s];
            for (const TReadReference& ref : sliceRefs[s])
                *out++ = {ref.element, ref.param, std::string(ref.field)};
        }
    });
}

}  // namespace tabrix
