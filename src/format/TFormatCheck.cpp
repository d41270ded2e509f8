#include "format/TFormatCheck.h"

#include <algorithm>

#include "format/TFormatCompiler.h"
#include "model/TCodeData.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

namespace {

bool BlockWord(const std::string& word) {
    return word == "WHILE" || word == "IF_EXIST" || word == "IF_EMPTY" || word == "IF";
}

const char* BlockWord(std::int32_t kind) {
    switch (kind) {
        case kCodeWhile:
            return "WHILE";
        case kCodeIfExist:
            return "IF_EXIST";
        case kCodeIfEmpty:
            return "IF_EMPTY";
        case kCodeIf:
            return "IF";
        default:
            return nullptr;
    }
}

}  // namespace

TFormatCheck::TFormatCheck(const TZQLCtrl& library) : library_(library) {}

std::vector<TFormatFinding> TFormatCheck::Check(const StringList& lines) const {
    const TFormatCompiler compiler(library_);
    CodeList code;
    TCompileNotes notes;
    compiler.Compile(lines, code, notes);
    const StringList pieces = compiler.Pieces(lines);
    const std::vector<std::size_t> separators = compiler.SeparatorPositions(lines);
    const std::string joined = TStringDivision::Join("", lines);
    const TStringDivision& division = library_.Division();

    std::vector<TFormatFinding> findings;
    auto add = [&](TFormatFinding::Kind kind, std::size_t i, std::size_t offset, std::string text) {
        const Place place = PlaceOf(lines, offset);
        findings.push_back({kind, i + 1, place.line, place.column, std::move(text)});
    };
    // Every non-empty piece gave exactly one node, in order.
    std::size_t node = 0;
    for (std::size_t i = 0; i < pieces.size() && node < code.size(); ++i) {
        if (pieces[i].empty()) continue;
        const TCodeData& compiled = code[node++];
        const std::size_t start = i == 0 ? 0 : separators[i - 1] + 1;
        const std::size_t end = i < separators.size() ? separators[i] : joined.size();
        // Text is written outside "%" pairs: a piece that stands inside one (odd) was meant
        // as a word. The last piece lies outside any pair, whatever its index.
        const bool inPair = i % 2 == 1 && i + 1 < pieces.size();
        if (compiled.kind == kCodeError) {
            add(TFormatFinding::kError, i, start, pieces[i]);
            const std::string_view raw(joined.data() + start, end - start);
            for (const TCompileNotes::UnknownName& unknown : notes.unknownNames) {
                // "%WHILE%" reads its own word as the reference it lacks; the error says enough.
                if (unknown.piece != i || BlockWord(unknown.name)) continue;
                const std::size_t at = division.Find(raw, unknown.name);
                add(TFormatFinding::kUnknownName, i, start + (at == TStringDivision::npos ? 0 : at),
                    unknown.name);
            }
        } else if (compiled.kind == kCodeText && inPair &&
                   !division.Trim(pieces[i], kTrimFront | kTrimBack).empty()) {
            add(TFormatFinding::kPlainWord, i, start, pieces[i]);
        } else if (compiled.unclosed && BlockWord(compiled.kind)) {
            add(TFormatFinding::kUnclosedBlock, i, start, BlockWord(compiled.kind));
        }
    }
    return findings;
}

TFormatCheck::Place TFormatCheck::PlaceOf(const StringList& lines, std::size_t offset) const {
    if (lines.empty()) return {1, 1};
    // Columns count characters, and a line may start with a double-byte one.
    TStringDivision division = library_.Division();
    division.SetLeadAtStart(true);
    std::size_t line = 0;
    while (line + 1 < lines.size() && offset >= lines[line].size()) {
        offset -= lines[line].size();
        ++line;
    }
    std::size_t column = 1;
    for (std::size_t at = 0; at < offset && at < lines[line].size(); ++at)
        if (division.CharKind(lines[line], at) != kTrailByte) ++column;
    return {line + 1, column};
}

}  // namespace tabrix
