#include "files/TElementDataWriter.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "files/TFileReplacement.h"
#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/LargePages.h"
#include "model/ParamType.h"
#include "model/RunInParts.h"
#include "model/ShortCopy.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TZQDCtrl.h"
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

// Files of fewer elements are written on the saving thread alone.
std::atomic<std::size_t> parallelWriteThreshold{std::size_t{1} << 14};

// How many parts the element lines of a file of elements are built in.
std::size_t WriteParts(std::size_t elements) {
    return PartsFor(elements, parallelWriteThreshold.load(std::memory_order_relaxed));
}

// The "%u" of value's low 32 bits at at, at most ten digits; returns their end. Single digits,
// the most common numbers of a file (flags, empty values), are written without the general
// conversion.
char* PutDecimal(char* at, std::uint64_t value) {
    const auto low = static_cast<std::uint32_t>(value & 0xFFFFFFFFu);
    if (low < 10) {
        *at = static_cast<char>('0' + low);
        return at + 1;
    }
    return std::to_chars(at, at + 10, low).ptr;
}

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
        CopyShort(Room(text.size()), text.data(), text.size());
        used_ += text.size();
    }
    // The "%u" of the value's low 32 bits.
    void PutUnsigned(std::uint64_t value) { Advance(PutDecimal(Room(10), value)); }
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
        const TElement::ValueView values = element.View();
        out_.PutUnsigned(element.OutputFlag());
        out_.Put(kSectionSeparator);
        WriteSection(element.TextCount(), [&](std::size_t i) { return WriteTexts(values, i); });
        out_.Put(kSectionSeparator);
        WriteSection(element.NumberCount(),
                     [&](std::size_t i) { return WriteNumbers(element, values, i); });
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

    // What the number list at i holds; a value still pending holds no reference.
    static RefKind RefsAt(const TElement::ValueView& values, std::size_t i) {
        const RefKind kind = values.Kind(i);
        return kind == RefKind::kPending ? RefKind::kNone : kind;
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

    bool WriteTexts(const TElement::ValueView& values, std::size_t i) {
        const TextItems items = values.Texts(i);
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

    bool WriteNumbers(const TElement& element, const TElement::ValueView& values, std::size_t i) {
        const std::uint8_t type = ParamType(i);
        const NumberItems items = values.Numbers(i);
        const RefKind refs = RefsAt(values, i);
        if (!IsReferenceType(type) && refs == RefKind::kNone) {
            // Plain numbers, the common case: at most ten digits and a "#" each.
            char* at = out_.Room(items.size() * 11);
            for (NumberItem item : items) {
                at = PutDecimal(at, item);
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

// The lines kept from the reading of data, when they were read under context.
const TReadLines* ReadLinesUnder(const TGroupData& data, const TReadLines::Context& context) {
    const TReadLines* read = data.ReadLines();
    return read && read->ReadWith() == context ? read : nullptr;
}

// Lines kept from the reading that go in between the bytes built: before the byte at of the
// text built, as they lie in the bytes read.
struct KeptLines {
    std::size_t at;
    std::string_view lines;
};

// Builds the stretch into text. With kept, the lines kept from the reading are not copied into
// the text but listed there, in order.
// An element left without its values (TElement::MarkValuesLeftInLine) cannot be built: then
// unbuilt is set, and the text is not to be written.
void WriteStretch(const TZQDCtrl& file, const TZQLCtrl& library, const TReadLines::Context& context,
                  const Stretch& stretch, const Progress* progress, FileText& text,
                  std::atomic<bool>& unbuilt, std::vector<KeptLines>* kept = nullptr) {
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
        const TReadLines* read = ReadLinesUnder(*data, context);
        std::size_t k = std::clamp(stretch.from, start, end);
        while (k < last) {
            // Lines kept from the reading go back a run at a time; the others are built.
            std::size_t runEnd = last;
            if (read) {
                constexpr std::size_t kRun = TReadLines::kRun;
                runEnd = std::min(last, start + ((k - start) / kRun + 1) * kRun);
                const std::string_view lines = read->LinesFor(k - start, runEnd - start, elements);
                if (!lines.empty()) {
                    if (kept)
                        kept->push_back({text.Size(), lines});
                    else
                        text.Put(lines);
                    k = runEnd;
                    continue;
                }
            }
            for (; k < runEnd; ++k) {
                if (k + 3 * kAhead < last)
                    __builtin_prefetch(elements[k + 3 * kAhead - start].get());
                if (k + 2 * kAhead < last) elements[k + 2 * kAhead - start]->PrefetchValues();
                if (k + kAhead < last) lineWriter.PrefetchTargets(*elements[k + kAhead - start]);
                const std::size_t lineStart = text.Size();
                if (elements[k - start]->ValuesLeftInLine())
                    unbuilt.store(true, std::memory_order_relaxed);
                lineWriter.Write(*elements[k - start]);
                EndLine(text, division, lineStart);
            }
        }
        if (stretch.HoldsLinesBefore(end)) {
            AddLine(text, division, "[/data]");
            AddLine(text, division, "[/elements]");
        }
        start = end;
    }
}

// A chunk's text and the kept lines between it, used again for chunk after chunk.
struct Chunk {
    FileText text{EstimatedSize(0)};
    std::vector<KeptLines> kept;
    void clear() {
        text.Resize(0);
        kept.clear();
    }
};

// Appends pieces to a replacement, joining the kept lines that follow one another where they
// were read into one write, up to a few megabytes, so that runs kept whole go out as the bytes
// read without a copy of their own.
class PieceWriter {
public:
    explicit PieceWriter(TFileReplacement& replacement) : replacement_(replacement) {}

    // False once a write failed; Result tells how.
    bool Put(std::string_view piece, bool kept) {
        constexpr std::size_t kJoinedAtMost = std::size_t{2} << 20;
        if (piece.empty()) return result_ == kFileOk;
        if (kept && !pending_.empty() && pending_.data() + pending_.size() == piece.data() &&
            pending_.size() < kJoinedAtMost) {
            pending_ = {pending_.data(), pending_.size() + piece.size()};
            return result_ == kFileOk;
        }
        if (!Flush()) return false;
        if (kept) {
            pending_ = piece;
            return true;
        }
        return Append(piece);
    }
    bool Flush() {
        const std::string_view pending = pending_;
        pending_ = {};
        return pending.empty() ? result_ == kFileOk : Append(pending);
    }
    FileResult Result() const { return result_; }

private:
    bool Append(std::string_view bytes) {
        if (result_ == kFileOk) result_ = replacement_.Append(bytes);
        return result_ == kFileOk;
    }

    TFileReplacement& replacement_;
    std::string_view pending_;
    FileResult result_ = kFileOk;
};

// Puts a chunk's pieces in order; the last chunk's without the file's last line end.
bool PutChunk(PieceWriter& out, const Chunk& chunk, bool last) {
    constexpr std::size_t kLastLineEnd = std::string_view(TStringFiler::kCrLf).size();
    const std::string_view text = chunk.text.From(0);
    // The text after the last kept lines always holds the line end cut: the stretch that ends
    // the file ends with the lines closing its group data.
    const std::size_t textEnd = last ? text.size() - kLastLineEnd : text.size();
    std::size_t from = 0;
    for (const KeptLines& kept : chunk.kept) {
        if (!out.Put(text.substr(from, kept.at - from), false) || !out.Put(kept.lines, true))
            return false;
        from = kept.at;
    }
    return out.Put(text.substr(from, textEnd - from), false);
}

// Lines kept from a reading whose file was cut shorter since are lost: they are let go, and
// the lines built from the elements instead. True when some were.
bool LetGoLostReadLines(TZQDCtrl& file) {
    bool lost = false;
    for (const auto& data : file.GroupData())
        if (data->ReadLines() && !data->ReadLines()->BytesIntact()) {
            data->KeepReadLines(nullptr);
            lost = true;
        }
    return lost;
}

// The elements of every group data of the file.
std::size_t ElementCount(const TZQDCtrl& file) {
    std::size_t elements = 0;
    for (const auto& data : file.GroupData())
        elements += data->Size();
    return elements;
}

}  // namespace

std::string TElementDataWriter::ElementLine(const TElement& element) const {
    FileText text(256);
    ElementLineWriter(library_, file_, text).Write(element);
    // Cut as a saved line is cut before its line end.
    return std::string(library_.Division().WholeCharactersBefore(text.From(0), '\r'));
}

FileResult TElementDataWriter::Write(const Progress& progress, TFileWriter& writer) {
    if (!file_.IsModified()) return kFileOk;
    if (file_.IsReadOnly()) return kFileNotRead;
    const std::string& path = file_.Path();
    Report(progress, Message(path, CoreText::kSavePreparing));
    file_.SetModified(false);
    LetGoLostReadLines(file_);

    // The file is built as text, each line ended as TStringFiler::Save ends lines.
    const TStringDivision& division = library_.Division();
    const std::size_t elements = ElementCount(file_);
    const std::size_t parts = WriteParts(elements);
    const TReadLines::Context context = TReadLines::Context::Of(library_);
    FileText text(parts == 1 ? EstimatedSize(elements) : EstimatedSize(0));
    AddLine(text, division, ThisKind().HeaderLine());
    AddLine(text, division, "[init]");
    AddLine(text, division, "[status]", TStringDivision::Format("u", file_.Status()));
    AddLine(text, division, "[size]",
            TStringDivision::Format("u", static_cast<std::int64_t>(file_.Size())));
    AddLine(text, division, "[/init]");

    // One thread builds the whole text and writes it. With several, every group data is
    // reported before the work begins (other threads must not report: the progress callback
    // may drive a window), and chunks of element lines are built on every core and written in
    // order while later ones are being built, through a few buffers of a chunk.
    std::atomic<bool> unbuilt{false};
    if (parts == 1)
        WriteStretch(file_, library_, context, {0, elements, true}, &progress, text, unbuilt);
    if (parts > 1)
        for (const auto& data : file_.GroupData())
            Report(progress, DataMessage(path, CoreText::kSavePreparingData, data->Name()));
    Report(progress, Message(path, CoreText::kSaveBegin));
    TFileReplacement replacement(writer);
    FileResult result = TStringFiler().BeginTaggedText(replacement, path, ThisKind().headerKind);
    constexpr std::size_t kLastLineEnd = std::string_view(TStringFiler::kCrLf).size();
    if (parts == 1) {
        text.Resize(text.Size() - kLastLineEnd);
        if (result == kFileOk) result = replacement.Append(text.From(0));
    } else if (result == kFileOk) {
        result = replacement.Append(text.From(0));
        const std::size_t each = ChunkSize(elements, 8192);  // a few hundred kilobytes
        const std::size_t chunks = std::max<std::size_t>((elements + each - 1) / each, 1);
        std::size_t taken = 0;
        PieceWriter out(replacement);
        MakeInOrder<Chunk>(
            chunks, parts,
            [&](std::size_t c, Chunk& chunk) {
                const Stretch stretch{c * each, std::min(elements, (c + 1) * each), c == 0};
                WriteStretch(file_, library_, context, stretch, nullptr, chunk.text, unbuilt,
                             &chunk.kept);
            },
            [&](const Chunk& chunk) {
                const bool last = ++taken == chunks;
                if (PutChunk(out, chunk, last) && last) out.Flush();
                result = out.Result();
                return result == kFileOk;
            });
    }
    if (result == kFileOk && unbuilt) {
        // Lines to write back as read were lost, and the elements read from them were left
        // without their values: what the file held is no longer anywhere to be written.
        replacement.Abandon();
        file_.SetModified(true);
        return kFileCannotOpen;
    }
    if (result == kFileOk && LetGoLostReadLines(file_)) {
        // Some of the lines written back were lost while they were written.
        replacement.Abandon();
        file_.SetModified(true);
        return Write(progress, writer);
    }
    if (result == kFileOk) result = replacement.Commit();
    if (result != kFileOk) file_.SetModified(true);  // what is not on disk stays unsaved
    return result;
}

std::size_t TElementDataWriter::ParallelWriteThreshold() {
    return parallelWriteThreshold.load(std::memory_order_relaxed);
}

void TElementDataWriter::SetParallelWriteThreshold(std::size_t elements) {
    parallelWriteThreshold.store(elements, std::memory_order_relaxed);
}

}  // namespace tabrix
