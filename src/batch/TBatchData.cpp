#include "batch/TBatchData.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace tabrix {

namespace {

// The values of a line, split at every ","; empty pieces are skipped.
StringList SplitValues(std::string_view text) {
    StringList pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        if (comma > start) pieces.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}

// A value as strtoul reads it with automatic base; anything else is 0.
std::uint32_t ReadIndex(const std::string& piece) {
    return TStringDivision::ToULong(piece, 0);
}

void AppendIndices(const StringList& pieces, IndexList& list) {
    for (const std::string& piece : pieces)
        list.push_back(ReadIndex(piece));
}

}  // namespace

TBatchData TBatchData::Parse(const StringList& lines) {
    TBatchData data;
    TStringDivision division;
    for (const std::string& line : lines)
        data.ReadLine(division, line);
    return data;
}

bool TBatchData::NamesGone() const {
    for (const IndexList* list :
         {&judgeParams, &groups, &sourceGroups, &destGroups, &applyParams, &targetGroups})
        if (std::find(list->begin(), list->end(), kGone) != list->end()) return true;
    return false;
}

void TBatchData::ReadLine(const TStringDivision& division, std::string line) {
    // The tag is the text before the first "]", compared without the bracket; a line
    // without one leaves the separator itself as its tag and so matches nothing.
    const std::string tag = division.CutField(line, "]");
    StringList pieces = SplitValues(line);
    if (tag == "[JudgeParam") {
        AppendIndices(pieces, judgeParams);
    } else if (tag == "[GroupNo") {
        AppendIndices(pieces, groups);
    } else if (tag == "[SrcGroup") {
        AppendIndices(pieces, sourceGroups);
    } else if (tag == "[DstGroup") {
        AppendIndices(pieces, destGroups);
    } else if (tag == "[ApplyParam") {
        AppendIndices(pieces, applyParams);
    } else if (tag == "[TargetGroup") {
        AppendIndices(pieces, targetGroups);
    } else if (tag == "[Option") {
        pieces.resize(std::max<std::size_t>(pieces.size(), 4), "0");
        ascending = pieces[0] != "0";
        foldFlags = kFoldNone;
        if (pieces[1] == "1") foldFlags |= kFoldCase;
        if (pieces[2] == "1") foldFlags |= kFoldWidth;
        if (pieces[3] == "1") foldFlags |= kFoldKana;
    }
    // [JudgeCondition] and [ApplyCondition] are read and not used: compare-apply always
    // copies on a match.
}

}  // namespace tabrix
