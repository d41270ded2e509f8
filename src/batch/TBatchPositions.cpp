#include "batch/TBatchPositions.h"

#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "batch/TBatchData.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

const std::vector<std::string>& TagsOf(TBatchPositions::Kind kind) {
    static const std::vector<std::string> parameters{"[JudgeParam]", "[ApplyParam]"};
    static const std::vector<std::string> groups{"[GroupNo]", "[SrcGroup]", "[DstGroup]",
                                                 "[TargetGroup]"};
    return kind == TBatchPositions::Kind::kParameters ? parameters : groups;
}

// The tag of kind the line starts with, or none.
const std::string* TagOf(const std::string& line, TBatchPositions::Kind kind) {
    for (const std::string& tag : TagsOf(kind))
        if (line.compare(0, tag.size(), tag) == 0) return &tag;
    return nullptr;
}

// The pieces between the commas, empty ones included (a dialog's list may end with ",").
std::vector<std::string> Pieces(const std::string& values) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t comma; (comma = values.find(',', start)) != std::string::npos;
         start = comma + 1)
        pieces.push_back(values.substr(start, comma - start));
    pieces.push_back(values.substr(start));
    return pieces;
}

// A piece as the engine reads it; false for a piece that is no number at all.
bool ReadPosition(const std::string& piece, std::size_t& position) {
    char* end = nullptr;
    std::strtoul(piece.c_str(), &end, 0);
    if (piece.empty() || *end != '\0') return false;
    position = TStringDivision::ToULong(piece, 0);
    return true;
}

// Where the piece naming old stands now: kept as it is when that did not change, so that the
// bytes of an unaffected item stay; a deleted or never valid position names nothing.
std::string Followed(const std::string& piece, std::size_t old,
                     const TBatchPositions::Moves& moved) {
    auto now = moved.find(old);
    if (now == moved.end()) return old == TBatchData::kGone ? piece : TBatchData::kGoneText;
    return now->second == old ? piece : std::to_string(now->second);
}

}  // namespace

bool TBatchPositions::FollowLine(std::string& line, Kind kind, const Moves& moved) {
    const std::string* tag = TagOf(line, kind);
    if (!tag) return false;
    std::vector<std::string> pieces = Pieces(line.substr(tag->size()));
    bool changed = false;
    for (std::string& piece : pieces) {
        if (piece.empty()) continue;
        std::size_t old = 0;
        if (!ReadPosition(piece, old)) return false;
        std::string rewritten = Followed(piece, old, moved);
        changed |= rewritten != piece;
        piece = std::move(rewritten);
    }
    if (!changed) return false;
    line = *tag + TStringDivision::Join(",", pieces);
    return true;
}

bool TBatchPositions::Follow(TZQLCtrl& library, Kind kind, const Moves& moved) {
    bool changed = false;
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        for (TBatchSetting& item : library.BatchList(static_cast<BatchTrigger>(trigger)))
            for (std::string& line : item.dataLines)
                changed = FollowLine(line, kind, moved) || changed;
    return changed;
}

bool TBatchPositions::Names(const TBatchSetting& item, Kind kind,
                            const std::set<std::size_t>& positions) {
    for (const std::string& line : item.dataLines) {
        const std::string* tag = TagOf(line, kind);
        if (!tag) continue;
        for (const std::string& piece : Pieces(line.substr(tag->size()))) {
            std::size_t position = 0;
            if (ReadPosition(piece, position) && positions.count(position)) return true;
        }
    }
    return false;
}

std::vector<std::string> TBatchPositions::Naming(const TZQLCtrl& library, Kind kind,
                                                 const std::set<std::size_t>& positions) {
    std::vector<std::string> named;
    if (positions.empty()) return named;
    // In the order of the dialog's pages.
    for (BatchTrigger trigger : {kBatchOpen, kBatchClose, kBatchChange, kBatchTimed}) {
        const std::vector<TBatchSetting>& items = library.BatchList(trigger);
        for (std::size_t row = 0; row < items.size(); ++row)
            if (Names(items[row], kind, positions))
                named.push_back(Describe(trigger, row, items[row]));
    }
    return named;
}

std::string TBatchPositions::Describe(BatchTrigger trigger, std::size_t row,
                                      const TBatchSetting& item) {
    static const std::vector<std::string> pages = [] {
        std::vector<std::string> texts;
        for (const char* utf8 : {"一定時間毎", "開始時", "終了時", "変更時"})
            texts.push_back(TextCodec::FromUtf8(utf8));
        return texts;
    }();
    static const std::string open = TextCodec::FromUtf8("「");
    static const std::string close = TextCodec::FromUtf8("」");
    const std::string& page = trigger < pages.size() ? pages[trigger] : pages[0];
    return page + " " + std::to_string(row + 1) + open + item.name + close;
}

}  // namespace tabrix
