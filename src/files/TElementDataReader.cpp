#include "files/TElementDataReader.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <unordered_map>

#include "files/TElementLineReader.h"
#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/LargePages.h"
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

// How many parts bytes of element lines are decoded in.
std::size_t ReadParts(std::size_t bytes) {
    return PartsFor(bytes, parallelReadThreshold.load(std::memory_order_relaxed));
}

}  // namespace

std::size_t TElementDataReader::ParallelReadThreshold() {
    return parallelReadThreshold.load(std::memory_order_relaxed);
}

void TElementDataReader::SetParallelReadThreshold(std::size_t bytes) {
    parallelReadThreshold.store(bytes, std::memory_order_relaxed);
}

FileResult TElementDataReader::Read(const Progress& progress) {
    const std::string path = file_.Path();
    Report(progress, Message(path, CoreText::kReadBegin));
    TStringFiler filer;
    FileLines file;
    FileResult result = filer.LoadTaggedLines(file, path, ThisKind().headerKind);
    if (result != kFileOk) return result;
    const std::vector<std::string_view>& lines = file.lines;

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

    DecodeBlocks(lines, blocks);
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
void TElementDataReader::DecodeBlocks(const LineViews& lines,
                                      const std::vector<DataBlock>& blocks) {
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

    const std::size_t parts = std::min(ReadParts(bytes), std::max<std::size_t>(elements, 1));
    std::vector<std::size_t> bounds{0};  // part p decodes elements bounds[p] .. bounds[p+1]-1
    std::size_t seen = 0;
    for (std::size_t b = 0, k = 0; b < blocks.size() && bounds.size() < parts; ++b) {
        for (std::size_t i = blocks[b].first; i < blocks[b].end && bounds.size() < parts; ++i) {
            seen += lines[i].size();
            ++k;
            if (seen * parts >= bytes * bounds.size()) bounds.push_back(k);
        }
    }
    bounds.resize(parts + 1, elements);
    bounds.back() = elements;

    constexpr std::ptrdiff_t kGiveBackStep = std::ptrdiff_t{4} << 20;
    std::vector<std::vector<TReadReference>> partRefs(parts);
    RunInParts(parts, [&](std::size_t p) {
        TElementLineReader reader(library_);
        std::vector<TReadReference>& refs = partRefs[p];
        std::size_t b = static_cast<std::size_t>(
            std::upper_bound(blockStart.begin(), blockStart.end(), bounds[p]) - blockStart.begin());
        // The bytes and the line list of this part from here on are still held.
        const char* keptBytes = nullptr;
        const char* keptLines = nullptr;
        for (std::size_t k = bounds[p]; k < bounds[p + 1]; ++k) {
            while (b < blocks.size() && blockStart[b] <= k)
                ++b;
            const DataBlock& block = blocks[b - 1];
            const std::string_view& line = lines[block.first + (k - blockStart[b - 1])];
            auto element = std::make_unique<TElement>();
            element->SetOwner(block.data);
            element->SetIndex(
                static_cast<std::uint32_t>(blockIndex[b - 1] + (k - blockStart[b - 1])));
            reader.Decode(*element, line, refs);
            block.data->PlaceRead(std::move(element));

            // The reference values are views of their lines until the table copies them.
            if (!keptBytes) keptBytes = line.data();
            if (!keptLines) keptLines = reinterpret_cast<const char*>(&line);
            const char* doneBytes =
                refs.empty() ? line.data() + line.size() : refs.front().field.data();
            if (doneBytes - keptBytes >= kGiveBackStep)
                keptBytes = GiveBackLargePages(keptBytes, doneBytes);
            const char* doneLines = reinterpret_cast<const char*>(&line + 1);
            if (doneLines - keptLines >= kGiveBackStep)
                keptLines = GiveBackLargePages(keptLines, doneLines);
        }
    });

    // The fields go to the table after every element is made, so that they lie together in
    // memory rather than between the elements, and are handed back as a whole.
    std::vector<TUnresolvedReference>& table = references_;
    std::vector<std::size_t> refStart{table.size()};  // where part p's references go
    for (const auto& part : partRefs)
        refStart.push_back(refStart.back() + part.size());
    // Room for as many again: a library's files are read one after another, and moving the
    // table would touch twice its memory. Room not filled costs no memory (a table this
    // large is mapped afresh, page by page as it is used).
    if (table.capacity() < refStart.back()) table.reserve(2 * refStart.back());
    table.resize(refStart.back());
    RunInParts(parts, [&](std::size_t p) {
        TUnresolvedReference* out = table.data() + refStart[p];
        for (const TReadReference& ref : partRefs[p])
            *out++ = {ref.element, ref.param, std::string(ref.field)};
    });
}

}  // namespace tabrix
