#include "model/TZQDCtrl.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <unordered_map>

#include "model/CoreText.h"
#include "model/LargePages.h"
#include "model/ParamType.h"
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

constexpr std::string_view kSectionSeparator = "||";

std::string Message(const std::string& path, CoreText::Id suffix) {
    return ThisKind().About(path, suffix);
}

std::string DataMessage(const std::string& path, CoreText::Id suffix, const std::string& name) {
    return Message(path, suffix) + name + CoreText::Get(CoreText::kProcessing);
}

std::uint8_t TypeAt(const TZQLCtrl& library, std::size_t i) {
    const TZQPCtrl* params = library.ParameterFile();
    if (!params || i >= params->Size()) return 0xFF;  // beyond the parameters: plain numbers
    return params->At(i)->Type();
}

// Element data below this size are decoded on the reading thread alone: starting threads
// would cost more than they save.
std::atomic<std::size_t> parallelReadThreshold{std::size_t{1} << 20};

// How many parts bytes of element lines are decoded in.
std::size_t ReadParts(std::size_t bytes) {
    return PartsFor(bytes, parallelReadThreshold.load(std::memory_order_relaxed));
}

// Files of fewer elements are written on the saving thread alone.
std::atomic<std::size_t> parallelWriteThreshold{std::size_t{1} << 14};

// How many parts the element lines of a file of elements are built in.
std::size_t WriteParts(std::size_t elements) {
    return PartsFor(elements, parallelWriteThreshold.load(std::memory_order_relaxed));
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

// --- writing ---------------------------------------------------------------------------------

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

namespace {

// The text of an element data file as it is built. Bytes go through a cursor into room made
// ahead, so each piece costs a copy rather than a string append, and nothing is zero-filled.
class FileText {
public:
    explicit FileText(std::size_t capacity)
        : bytes_(std::make_unique_for_overwrite<char[]>(capacity)), capacity_(capacity) {
        AskForLargePages();
    }

    // Where at least size more bytes may be written; Advance tells where they end.
    char* Room(std::size_t size) {
        if (capacity_ - used_ < size) Grow(size);
        return bytes_.get() + used_;
    }
    void Advance(const char* end) { used_ = static_cast<std::size_t>(end - bytes_.get()); }
    void Put(char c) {
        *Room(1) = c;
        ++used_;
    }
    void Put(std::string_view text) {
        if (text.empty()) return;  // an empty view may hold no pointer at all
        std::memcpy(Room(text.size()), text.data(), text.size());
        used_ += text.size();
    }
    // The "%u" of the value's low 32 bits.
    void PutUnsigned(std::uint64_t value) {
        char* at = Room(10);
        Advance(std::to_chars(at, at + 10, static_cast<std::uint32_t>(value & 0xFFFFFFFFu)).ptr);
    }
    std::size_t Size() const { return used_; }
    char Back() const { return bytes_[used_ - 1]; }
    void SetBack(char c) { bytes_[used_ - 1] = c; }
    void Resize(std::size_t size) { used_ = size; }
    std::string_view From(std::size_t start) const { return {bytes_.get() + start, used_ - start}; }

private:
    void Grow(std::size_t size) {
        const std::size_t capacity = std::max(capacity_ * 2, used_ + size);
        auto larger = std::make_unique_for_overwrite<char[]>(capacity);
        std::memcpy(larger.get(), bytes_.get(), used_);
        bytes_ = std::move(larger);
        capacity_ = capacity;
        AskForLargePages();
    }

    void AskForLargePages() { tabrix::AskForLargePages(bytes_.get(), capacity_); }

    std::unique_ptr<char[]> bytes_;
    std::size_t capacity_;
    std::size_t used_ = 0;
};

// Writes element lines. The parameter types are looked up once per file, not once per value.
class ElementLineWriter {
public:
    ElementLineWriter(const TZQLCtrl& library, const TZQDCtrl& file, FileText& out)
        : library_(library), file_(file), division_(library.Division()), out_(out) {}

    // Appends the element's line without its line end.
    void Write(const TElement& element) {
        out_.PutUnsigned(element.OutputFlag());
        out_.Put(kSectionSeparator);
        WriteSection(element.TextCount(), [&](std::size_t i) { return WriteTexts(element, i); });
        out_.Put(kSectionSeparator);
        WriteSection(element.NumberCount(),
                     [&](std::size_t i) { return WriteNumbers(element, i); });
    }

    // Asks the cache for the elements an element refers to: they lie anywhere in memory, and
    // writing a reference reads its target's group data and position.
    void PrefetchTargets(const TElement& element) {
        for (std::size_t i = 0; i < element.NumberCount(); ++i) {
            if (!IsElementRefType(ParamType(i)) || !element.HoldsElementRefs(i)) continue;
            for (NumberItem item : element.Numbers(i)) {
                // Both ends: an element may straddle two cache lines.
                const char* target = reinterpret_cast<const char*>(TElement::AsElement(item));
                __builtin_prefetch(target);
                __builtin_prefetch(target + sizeof(TElement) - 1);
            }
        }
    }

private:
    using RefKind = TElement::RefKind;

    // What the number list at i holds, asked once per value rather than once per question.
    static RefKind RefsAt(const TElement& element, std::size_t i) {
        if (element.HoldsElementRefs(i)) return RefKind::kElement;
        if (element.HoldsGroupRefs(i)) return RefKind::kGroup;
        return RefKind::kNone;
    }

    // Writes count fields, each by writeField as items followed by "#" (it returns false for an
    // empty list). The last "#" of a field becomes ",", an empty list is "," alone, and the
    // section's final "," is dropped.
    template <typename WriteField>
    void WriteSection(std::size_t count, WriteField writeField) {
        const std::size_t start = out_.Size();
        for (std::size_t i = 0; i < count; ++i) {
            if (writeField(i))
                out_.SetBack(',');
            else
                out_.Put(',');
        }
        if (out_.Size() > start) out_.Resize(out_.Size() - 1);
    }

    bool WriteTexts(const TElement& element, std::size_t i) {
        const TextItems items = element.Texts(i);
        for (std::string_view item : items) {
            // A text ending in the first byte of a double-byte character (a truncated file)
            // would make the reader take the separator after it for the character's second
            // byte and run the field on into the next; the dangling byte is not written. The
            // reader classes bytes from the item's own start, and so does this check.
            char* start = out_.Room(division_.EscapedSizeBound(item.size()) + 1);
            char* end = division_.EscapeInto(start, item);
            const std::string_view escaped(start, static_cast<std::size_t>(end - start));
            end = start + division_.WholeCharactersBefore(escaped, '#').size();
            *end++ = '#';
            out_.Advance(end);
        }
        return !items.empty();
    }

    bool WriteNumbers(const TElement& element, std::size_t i) {
        const std::uint8_t type = ParamType(i);
        const NumberItems items = element.Numbers(i);
        const RefKind refs = RefsAt(element, i);
        if (!IsReferenceType(type) && refs == RefKind::kNone) {
            // Plain numbers, the common case: at most ten digits and a "#" each.
            char* at = out_.Room(items.size() * 11);
            for (NumberItem item : items) {
                at = std::to_chars(at, at + 10, static_cast<std::uint32_t>(item & 0xFFFFFFFFu)).ptr;
                *at++ = '#';
            }
            out_.Advance(at);
            return !items.empty();
        }
        if (IsReferenceType(type))
            if (const TElement::KeptItems* kept = element.KeptReferenceItems(i))
                return WriteKeptItems(element, i, type, refs, *kept);
        // "-1" reads back as no entry at all, so an empty group entry before a real one is
        // written as an empty item, which reads back as the empty entry it is; otherwise the
        // list would shift and its first entry, the value, change.
        std::size_t lastGroup = 0;
        if (type == kTypeGroupRef && refs == RefKind::kGroup)
            for (std::size_t k = 0; k < items.size(); ++k)
                if (items[k] != 0) lastGroup = k;
        for (std::size_t k = 0; k < items.size(); ++k) {
            if (k >= lastGroup || items[k] != 0) WriteNumberItem(type, refs, items[k]);
            out_.Put('#');
        }
        return !items.empty();
    }

    // One number item as written: element references as "index group", group references as
    // the group number or "-1", everything else as unsigned decimal.
    void WriteNumberItem(std::uint8_t type, RefKind refs, NumberItem item) {
        if (IsElementRefType(type)) {
            if (refs != RefKind::kElement || item == 0) return;
            const TElement* target = TElement::AsElement(item);
            if (!target->Owner()) return;
            const long number = GroupNumberOf(target->Owner());
            if (number < 0) return;  // shown by no group: no reference
            out_.PutUnsigned(target->Index());
            out_.Put(' ');
            out_.PutUnsigned(static_cast<std::uint64_t>(number));
        } else if (type == kTypeGroupRef) {
            if (refs != RefKind::kGroup || item == 0) {
                out_.Put("-1");
                return;
            }
            out_.PutUnsigned(TElement::AsGroup(item)->Number());
        } else {
            // A reference where the parameter now holds plain numbers carries no number.
            out_.PutUnsigned(refs != RefKind::kNone ? 0 : item);
        }
    }

    // A reference list with items kept as read: each kept item is written as its text, each
    // other item as the next entry of the value (an empty item once the entries run out, as
    // trailing empty entries are not stored). Returns false when nothing was written.
    bool WriteKeptItems(const TElement& element, std::size_t i, std::uint8_t type, RefKind refs,
                        const TElement::KeptItems& kept) {
        const NumberItems entries = element.Numbers(i);
        std::size_t next = 0;
        for (const auto& item : kept) {
            if (item) {
                out_.Put(*item);
            } else if (next < entries.size()) {
                // An empty entry was read from an empty item and goes back as one.
                NumberItem entry = entries[next++];
                if (entry != 0) WriteNumberItem(type, refs, entry);
            }
            out_.Put('#');
        }
        return !kept.empty();
    }

    // The number a reference to an element of data names its group by, or -1. A group data
    // this library does not show keeps the number the file was read with, so that saving a
    // shared file from a library that shows part of it loses nothing. The last answer is
    // remembered: references mostly point into the same group one after another.
    long GroupNumberOf(const TGroupData* data) {
        if (data == lastData_) return lastNumber_;
        const TGroupSetting* group = library_.FindGroupOf(data);
        lastNumber_ =
            group ? static_cast<long>(group->Number()) : file_.ContextNumber(library_, data);
        lastData_ = data;
        return lastNumber_;
    }

    std::uint8_t ParamType(std::size_t i) {
        while (types_.size() <= i)
            types_.push_back(TypeAt(library_, types_.size()));
        return types_[i];
    }

    const TZQLCtrl& library_;
    const TZQDCtrl& file_;
    const TStringDivision& division_;
    FileText& out_;
    std::vector<std::uint8_t> types_;
    const TGroupData* lastData_ = nullptr;
    long lastNumber_ = -1;
};

// About the size of a file of elements: elements times a typical line.
std::size_t EstimatedSize(std::size_t elements) {
    return 4096 + elements * 128;
}

// Ends the line begun at start as TStringFiler::Save ends lines.
void EndLine(FileText& text, const TStringDivision& division, std::size_t start) {
    text.Resize(start + division.WholeCharactersBefore(text.From(start), '\r').size());
    text.Put(TStringFiler::kCrLf);
}

void AddLine(FileText& text, const TStringDivision& division, std::string_view tag,
             std::string_view value = {}) {
    const std::size_t start = text.Size();
    text.Put(tag);
    text.Put(value);
    EndLine(text, division, start);
}

// What one thread builds of an element data file: the lines from just before element line from
// to just before element line to, the element lines of every group data counted in turn. The
// first stretch begins at the start of the file, the last ends at its end, so stretches cut at
// any element lines and laid end to end are the file one thread builds.
struct Stretch {
    std::size_t from;
    std::size_t to;
    bool first;

    // Whether the lines that stand just before element line at (the end of one group data, the
    // start of the next) are in the stretch.
    bool HoldsLinesBefore(std::size_t at) const { return (first || at > from) && at <= to; }
};

// How many element lines ahead the elements they refer to are asked of the cache; their values
// are asked for twice as far ahead and the elements themselves three times, so that each step
// finds what it reads already on its way.
constexpr std::size_t kAhead = 8;

void WriteStretch(const TZQDCtrl& file, const TZQLCtrl& library, const Stretch& stretch,
                  const Progress* progress, FileText& text) {
    const TStringDivision& division = library.Division();
    ElementLineWriter lineWriter(library, file, text);
    std::size_t start = 0;  // the group data's first element line
    for (const auto& data : file.GroupData()) {
        if (start > stretch.to) break;
        const std::vector<std::unique_ptr<TElement>>& elements = data->Elements();
        const std::size_t end = start + elements.size();
        if (stretch.HoldsLinesBefore(start)) {
            if (progress)
                Report(*progress,
                       DataMessage(file.Path(), CoreText::kSavePreparingData, data->Name()));
            AddLine(text, division, "[elements]");
            AddLine(text, division, "[init]");
            AddLine(text, division, "[name]", data->Name());
            AddLine(text, division, "[size]",
                    TStringDivision::Format("u", static_cast<std::int64_t>(elements.size())));
            AddLine(text, division, "[/init]");
            AddLine(text, division, "[data]");
        }
        const std::size_t last = std::clamp(stretch.to, start, end);
        for (std::size_t k = std::clamp(stretch.from, start, end); k < last; ++k) {
            if (k + 3 * kAhead < last) __builtin_prefetch(elements[k + 3 * kAhead - start].get());
            if (k + 2 * kAhead < last) elements[k + 2 * kAhead - start]->PrefetchValues();
            if (k + kAhead < last) lineWriter.PrefetchTargets(*elements[k + kAhead - start]);
            const std::size_t lineStart = text.Size();
            lineWriter.Write(*elements[k - start]);
            EndLine(text, division, lineStart);
        }
        if (stretch.HoldsLinesBefore(end)) {
            AddLine(text, division, "[/data]");
            AddLine(text, division, "[/elements]");
        }
        start = end;
    }
}

}  // namespace

std::string TZQDCtrl::ElementLine(const TZQLCtrl& library, const TElement& element) const {
    FileText text(256);
    ElementLineWriter(library, *this, text).Write(element);
    // Cut as a saved line is cut before its line end.
    return std::string(library.Division().WholeCharactersBefore(text.From(0), '\r'));
}

FileResult TZQDCtrl::Write(const TZQLCtrl& library, const Progress& progress, TFileWriter& writer) {
    if (!IsModified()) return kFileOk;
    if (readOnly_) return kFileNotRead;
    Report(progress, Message(path_, CoreText::kSavePreparing));
    SetModified(false);

    // The file is built in one text, each line ended as TStringFiler::Save ends lines.
    const TStringDivision& division = library.Division();
    const std::size_t elements = ElementCount();
    FileText text(EstimatedSize(elements));
    AddLine(text, division, ThisKind().HeaderLine());
    AddLine(text, division, "[init]");
    AddLine(text, division, "[status]", TStringDivision::Format("u", status_));
    AddLine(text, division, "[size]",
            TStringDivision::Format("u", static_cast<std::int64_t>(Size())));
    AddLine(text, division, "[/init]");

    // Stretch 0 goes straight into the text; the others are built beside it at the same time
    // and appended in order. Other threads must not report: the progress callback may drive a
    // window, so with several parts every group data is reported before the work begins.
    const std::size_t parts = std::min(WriteParts(elements), std::max<std::size_t>(elements, 1));
    if (parts > 1)
        for (const auto& data : groupData_)
            Report(progress, DataMessage(path_, CoreText::kSavePreparingData, data->Name()));
    std::vector<std::unique_ptr<FileText>> others(parts);
    RunInParts(parts, [&](std::size_t p) {
        const Stretch stretch{elements * p / parts, elements * (p + 1) / parts, p == 0};
        if (p == 0) {
            WriteStretch(*this, library, stretch, parts == 1 ? &progress : nullptr, text);
            return;
        }
        others[p] = std::make_unique<FileText>(EstimatedSize(stretch.to - stretch.from));
        WriteStretch(*this, library, stretch, nullptr, *others[p]);
    });
    for (std::size_t p = 1; p < parts; ++p) {
        text.Put(others[p]->From(0));
        others[p].reset();
    }
    text.Resize(text.Size() - std::string_view(TStringFiler::kCrLf).size());  // none after the last

    Report(progress, Message(path_, CoreText::kSaveBegin));
    TStringFiler filer;
    FileResult result = filer.SaveTaggedText(text.From(0), path_, ThisKind().headerKind, writer);
    if (result != kFileOk) SetModified(true);  // what is not on disk stays unsaved
    return result;
}

std::size_t TZQDCtrl::ParallelWriteThreshold() {
    return parallelWriteThreshold.load(std::memory_order_relaxed);
}

void TZQDCtrl::SetParallelWriteThreshold(std::size_t elements) {
    parallelWriteThreshold.store(elements, std::memory_order_relaxed);
}

std::size_t TZQDCtrl::ElementCount() const {
    std::size_t elements = 0;
    for (const auto& data : groupData_)
        elements += data->Size();
    return elements;
}

}  // namespace tabrix
