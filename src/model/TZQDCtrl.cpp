#include "model/TZQDCtrl.h"

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "model/CoreText.h"
#include "model/RunInParts.h"
#include "model/TFileKind.h"
#include "model/TGroupSetting.h"
#include "model/TStringFiler.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

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

void TZQDCtrl::Reset(std::string path) {
    groupData_.clear();
    path_ = std::move(path);
    status_ = 0;
}

TGroupData* TZQDCtrl::AddGroupData(std::unique_ptr<TGroupData> data) {
    if (!data) data = std::make_unique<TGroupData>();
    data->SetOwner(this);
    data->SetIndex(static_cast<std::uint32_t>(groupData_.size()));
    groupData_.push_back(std::move(data));
    SetModified(true);
    return groupData_.back().get();
}

void TZQDCtrl::DeleteGroupData(std::size_t i) {
    if (i >= groupData_.size()) return;
    groupData_.erase(groupData_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberGroupData(i);
    SetModified(true);
}

std::unique_ptr<TGroupData> TZQDCtrl::TakeGroupData(const TGroupData* data) {
    auto it = std::find_if(groupData_.begin(), groupData_.end(),
                           [data](const auto& held) { return held.get() == data; });
    if (it == groupData_.end()) return nullptr;
    std::unique_ptr<TGroupData> taken = std::move(*it);
    std::size_t position = static_cast<std::size_t>(it - groupData_.begin());
    groupData_.erase(it);
    RenumberGroupData(position);
    return taken;
}

void TZQDCtrl::RenumberGroupData(std::size_t from) {
    for (std::size_t i = from; i < groupData_.size(); ++i)
        groupData_[i]->SetIndex(static_cast<std::uint32_t>(i));
}

// --- reading ---------------------------------------------------------------------------------

std::size_t TZQDCtrl::ParallelReadThreshold() {
    return parallelReadThreshold.load(std::memory_order_relaxed);
}

void TZQDCtrl::SetParallelReadThreshold(std::size_t bytes) {
    parallelReadThreshold.store(bytes, std::memory_order_relaxed);
}

FileResult TZQDCtrl::Read(TZQLCtrl& library, const Progress& progress) {
    Report(progress, Message(path_, CoreText::kReadBegin));
    TStringFiler filer;
    FileLines file;
    FileResult result = filer.LoadTaggedLines(file, path_, ThisKind().headerKind);
    if (result != kFileOk) return result;
    const std::vector<std::string_view>& lines = file.lines;

    Report(progress, Message(path_, CoreText::kExpanding));
    Reset(path_);

    std::vector<DataBlock> blocks;  // the element lines, decoded once the structure is read
    std::size_t filled = 0;         // group data slots filled so far
    auto store = [&](std::unique_ptr<TGroupData> data) {
        data->SetOwner(this);
        if (filled < groupData_.size() && !groupData_[filled]) {
            data->SetIndex(static_cast<std::uint32_t>(filled));
            groupData_[filled++] = std::move(data);
        } else {
            data->SetIndex(static_cast<std::uint32_t>(groupData_.size()));
            groupData_.push_back(std::move(data));
            filled = groupData_.size();
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
                    status_ = static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0));
                } else if (key == "[size") {
                    // Never more empty slots than there are lines left to fill them.
                    std::size_t count = TStringDivision::ToULong(value, 0);
                    count = std::min(count, lines.size() - i);
                    if (count > groupData_.size()) groupData_.resize(count);
                }
            }
        } else if (tag == "[elements") {
            store(ReadGroupData(lines, i, progress, blocks));
        }
    }

    DecodeBlocks(library, lines, blocks);
    for (const auto& data : groupData_)
        if (data) data->FinishRead();

    for (std::size_t k = 0; k < groupData_.size(); ++k) {
        if (!groupData_[k]) {
            groupData_[k] = std::make_unique<TGroupData>(this);
            groupData_[k]->SetIndex(static_cast<std::uint32_t>(k));
        }
    }
    SetModified(false);
    return kFileOk;
}

std::unique_ptr<TGroupData> TZQDCtrl::ReadGroupData(const LineViews& lines, std::size_t& i,
                                                    const Progress& progress,
                                                    std::vector<DataBlock>& blocks) {
    TStringFiler filer;
    auto data = std::make_unique<TGroupData>(this);
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
                    Report(progress, DataMessage(path_, CoreText::kExpandingData, value));
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
// result does not depend on how many parts there were.
void TZQDCtrl::DecodeBlocks(TZQLCtrl& library, const LineViews& lines,
                            const std::vector<DataBlock>& blocks) {
    std::vector<std::size_t> lineAt;  // element k is decoded from lines[lineAt[k]]
    std::size_t bytes = 0;
    for (const DataBlock& block : blocks) {
        for (std::size_t i = block.first; i < block.end; ++i) {
            lineAt.push_back(i);
            bytes += lines[i].size();
        }
    }
    const std::size_t parts = std::min(ReadParts(bytes), std::max<std::size_t>(lineAt.size(), 1));
    std::vector<std::size_t> bounds{0};  // part p decodes elements bounds[p] .. bounds[p+1]-1
    std::size_t seen = 0;
    for (std::size_t k = 0; k < lineAt.size() && bounds.size() < parts; ++k) {
        seen += lines[lineAt[k]].size();
        if (seen * parts >= bytes * bounds.size()) bounds.push_back(k + 1);
    }
    bounds.resize(parts + 1, lineAt.size());
    bounds.back() = lineAt.size();

    // Where each block's elements go: its first element is given the index the block's group
    // data gives the next element it stores, counting the blocks before it.
    std::vector<std::size_t> blockStart;  // block b holds elements blockStart[b] ..
    std::vector<std::size_t> blockIndex;  // the index of block b's first element
    std::unordered_map<const TGroupData*, std::size_t> nextIndex;
    std::size_t elements = 0;
    for (const DataBlock& block : blocks) {
        blockStart.push_back(elements);
        elements += block.end - block.first;
        auto at = nextIndex.try_emplace(block.data, block.data->NextReadIndex()).first;
        blockIndex.push_back(at->second);
        at->second += block.end - block.first;
    }

    std::vector<std::unique_ptr<TElement>> made(lineAt.size());
    std::vector<std::vector<TReadReference>> partRefs(parts);
    RunInParts(parts, [&](std::size_t p) {
        TElementLineReader reader(library);
        std::size_t b = static_cast<std::size_t>(
            std::upper_bound(blockStart.begin(), blockStart.end(), bounds[p]) - blockStart.begin());
        for (std::size_t k = bounds[p]; k < bounds[p + 1]; ++k) {
            while (b < blocks.size() && blockStart[b] <= k)
                ++b;
            made[k] = std::make_unique<TElement>();
            made[k]->SetOwner(blocks[b - 1].data);
            made[k]->SetIndex(
                static_cast<std::uint32_t>(blockIndex[b - 1] + (k - blockStart[b - 1])));
            reader.Decode(*made[k], lines[lineAt[k]], partRefs[p]);
        }
    });
    std::size_t k = 0;
    for (const DataBlock& block : blocks)
        for (std::size_t i = block.first; i < block.end; ++i)
            block.data->StorePlaced(std::move(made[k++]));

    // The fields go to the library's table after every element is made, so that they lie
    // together in memory rather than between the elements, and are handed back as a whole.
    std::vector<TUnresolvedReference>& table = library.ReferenceTable();
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

// --- the group numbers of written references --------------------------------------------

long TZQDCtrl::ContextNumber(const TZQLCtrl& writer, const TGroupData* data) const {
    // The library that read the file writes what it shows, and only that.
    if (!contextLibrary_ || contextLibrary_ == &writer) return -1;
    const TTabrixCtrl* controller = writer.Controller();
    if (controller && controller->IsRegistered(*contextLibrary_)) {
        const TGroupSetting* group = contextLibrary_->FindGroupOf(data);
        return group ? static_cast<long>(group->Number()) : -1;
    }
    auto found = std::find(readContext_.begin(), readContext_.end(), data);
    return found == readContext_.end() ? -1 : static_cast<long>(found - readContext_.begin());
}

}  // namespace tabrix
