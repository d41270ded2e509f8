#include "format/TFormatCompiler.h"

#include <utility>

#include "model/ParamType.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TTabrixCtrl.h"
#include "model/TWordTables.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

constexpr unsigned kTopLevel = kSkipBrackets | kSkipEscapes;
constexpr unsigned kReferenceOrText = kAcceptReference | kAcceptText;
constexpr unsigned kReferenceOrNumber = kAcceptReference | kAcceptUnsigned | kAcceptSigned;

TCodeData TextNode(std::string text) {
    TCodeData node;
    node.kind = kCodeText;
    node.text = std::move(text);
    return node;
}

TCodeData NodeOfKind(std::int32_t kind) {
    TCodeData node;
    node.kind = kind;
    return node;
}

// The accept set of the operand of a TO conversion.
unsigned ConversionOperandAccept(std::uint32_t conversion) {
    switch (conversion) {
        case 7:
            return kReferenceOrText | kAcceptUnsigned;  // NUM_SIGNED
        case 8:
            return kReferenceOrText | kAcceptSigned;  // NUM_UNSIGNED
        case 9:
            return kReferenceOrNumber;  // STRING
        default:
            return kReferenceOrText;
    }
}

bool HasOwnFormats(std::uint8_t type) {
    switch (type) {
        case kTypeStringArray:
        case kTypeElementRef:
        case kTypeElementRefArray:
        case kTypeBoolArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray:
        case kTypeGroupRef:
            return true;
        default:
            return false;
    }
}

const TWordTables& TablesOf(const TZQLCtrl& library) {
    return library.Controller() ? library.Controller()->WordTables() : TWordTables::Standard();
}

}  // namespace

// The loops and IF-family blocks still open while a format is compiled, and the BREAKs
// waiting for the WEND of their loop.
struct TFormatCompiler::OpenConstructs {
    struct PendingBreak {
        std::size_t position;
        std::size_t loop;
    };
    std::vector<std::size_t> loops;
    std::vector<std::size_t> blocks;
    std::vector<PendingBreak> breaks;
};

TFormatCompiler::TFormatCompiler(const TZQLCtrl& library)
    : division_(library.Division()),
      words_(TablesOf(library)),
      parameters_(library.ParameterFile()) {
    division_.SetLeadAtStart(true);
}

// --- compiling a format ------------------------------------------------------------------------

void TFormatCompiler::Compile(const StringList& lines, CodeList& code, TCompileNotes& notes) const {
    notes_ = &notes;
    Compile(lines, code);
    notes_ = nullptr;
}

void TFormatCompiler::Compile(const StringList& lines, CodeList& code) const {
    code.clear();
    if (lines.empty()) return;
    const StringList pieces = Pieces(lines);

    // The first and the last piece lie outside any pair of "%" and are plain text.
    if (!pieces.front().empty()) code.push_back(TextNode(pieces.front()));
    OpenConstructs open;
    const std::size_t last = pieces.size() - 1;
    for (std::size_t i = 1; i < last; ++i) {
        piece_ = i;
        i = CompileMiddlePiece(pieces, i, code, open);
    }
    if (pieces.size() >= 2 && !pieces.back().empty()) code.push_back(TextNode(pieces.back()));
}

StringList TFormatCompiler::Pieces(const StringList& lines) const {
    // Line breaks typed in an editor are not part of the format.
    std::string text = TStringDivision::Join("", lines);
    StringList pieces;
    division_.Split(text, "%", pieces, kSkipEscapes | kUnescape);
    return pieces;
}

std::vector<std::size_t> TFormatCompiler::SeparatorPositions(const StringList& lines) const {
    const std::string text = TStringDivision::Join("", lines);
    std::vector<std::size_t> positions;
    // The same walk as Split's, so both agree on every escape and double-byte character.
    for (std::size_t start = 0;;) {
        std::size_t match = division_.Find(text, "%", start, TStringDivision::npos, kSkipEscapes);
        if (match == TStringDivision::npos) break;
        positions.push_back(match);
        start = match + 1;
    }
    return positions;
}

// Compiles piece i and returns the index of the last piece it used.
std::size_t TFormatCompiler::CompileMiddlePiece(const StringList& pieces, std::size_t i,
                                                CodeList& code, OpenConstructs& open) const {
    const std::string& piece = pieces[i];
    if (auto kind = words_.Lookup(WordTable::kStatement, StatementWord(piece))) {
        auto statement = static_cast<std::int32_t>(*kind);
        code.push_back(BuildStatement(statement, piece, code.size(), open, code));
        if (statement == kCodeCommentStart) return SwallowComment(pieces, i, code);
        return i;
    }
    if (piece.empty()) return i;
    TCodeData node;
    if (!Parse(piece, kReferenceOrText, ParseContext::kElement, node)) node = TCodeData{};
    code.push_back(std::move(node));
    return i;
}

// Every middle piece after a comment start, up to and including the first that reads "*/",
// becomes a comment body node. Empty pieces give no node, as everywhere else, so the nodes
// stay aligned with the non-empty pieces.
std::size_t TFormatCompiler::SwallowComment(const StringList& pieces, std::size_t i,
                                            CodeList& code) const {
    const std::size_t last = pieces.size() - 1;
    for (std::size_t j = i + 1; j < last; ++j) {
        if (pieces[j].empty()) continue;
        code.push_back(NodeOfKind(kCodeCommentBody));
        if (Trim(pieces[j]) == "*/") return j;
    }
    return last - 1;
}

TCodeData TFormatCompiler::BuildStatement(std::int32_t kind, std::string_view piece,
                                          std::size_t position, OpenConstructs& open,
                                          CodeList& code) const {
    TCodeData node = NodeOfKind(kind);
    // The first argument is the second field; with no comma at all it is the whole piece.
    std::string_view first = piece;
    StringList further;
    std::size_t comma = FindTopLevelComma(piece);
    if (comma != TStringDivision::npos) {
        std::string_view rest = piece.substr(comma + 1);
        std::size_t next = FindTopLevelComma(rest);
        first = rest.substr(0, next);
        if (next != TStringDivision::npos) further = SplitTopLevel(rest.substr(next + 1));
    }

    switch (kind) {
        case kCodeIf: {
            if (comma == TStringDivision::npos || further.size() < 2) return TCodeData{};
            TCodeData comparison;
            if (!ParseChild(first, kAcceptReference, ParseContext::kElement, node, 0) ||
                !Parse(further[0], kAcceptText, ParseContext::kElement, comparison))
                return TCodeData{};
            auto code17 = words_.Lookup(WordTable::kComparison, Trim(comparison.text));
            if (!code17) return TCodeData{};
            TCodeData op = NodeOfKind(kCodeComparison);
            op.number = static_cast<std::int32_t>(*code17);
            node.children.push_back(std::move(op));
            if (!ParseChild(further[1], kReferenceOrText, ParseContext::kElement, node, 0))
                return TCodeData{};
            node.unclosed = true;
            open.blocks.push_back(position);
            return node;
        }
        case kCodeIfExist:
        case kCodeIfEmpty:
        case kCodeWhile:
            if (!ParseChild(first, kAcceptReference, ParseContext::kElement, node, 0))
                return TCodeData{};
            node.unclosed = true;
            (kind == kCodeWhile ? open.loops : open.blocks).push_back(position);
            return node;
        case kCodeWend: {
            if (open.loops.empty()) return TCodeData{};
            std::size_t loop = open.loops.back();
            open.loops.pop_back();
            code[loop].number = static_cast<std::int32_t>(position);
            code[loop].unclosed = false;
            node.number = static_cast<std::int32_t>(loop);
            std::erase_if(open.breaks, [&](const OpenConstructs::PendingBreak& pending) {
                if (pending.loop != loop) return false;
                code[pending.position].number = static_cast<std::int32_t>(position);
                code[pending.position].unclosed = false;
                return true;
            });
            return node;
        }
        case kCodeEndIf:
            if (!open.blocks.empty()) {
                TCodeData& block = code[open.blocks.back()];
                open.blocks.pop_back();
                block.number = static_cast<std::int32_t>(position) - 1;
                block.unclosed = false;
            }
            return node;
        case kCodeBreak:
            // Without an open loop the BREAK keeps no target and fails when it is run.
            node.unclosed = true;
            if (!open.loops.empty()) open.breaks.push_back({position, open.loops.back()});
            return node;
        case kCodeColor:
            // The argument is hexadecimal digits without a prefix; anything else is colour 0.
            node.number = TStringDivision::ReadLong("0x" + std::string(first)).value_or(0);
            return node;
        default:
            return node;
    }
}

// --- expressions -------------------------------------------------------------------------------

bool TFormatCompiler::Parse(std::string_view text, unsigned accept, ParseContext context,
                            TCodeData& node) const {
    return ParseAt(text, accept, context, node, 0);
}

bool TFormatCompiler::ParseChild(std::string_view text, unsigned accept, ParseContext context,
                                 TCodeData& parent, int depth) const {
    TCodeData child;
    if (!ParseAt(text, accept, context, child, depth + 1)) return false;
    parent.children.push_back(std::move(child));
    return true;
}

bool TFormatCompiler::ParseAt(std::string_view text, unsigned accept, ParseContext context,
                              TCodeData& node, int depth) const {
    node = TCodeData{};
    if (depth > kMaxExpressionDepth) return false;
    std::string head = Trim(text.substr(0, division_.Find(text, "(")));
    if (head == "TO") return ParseTo(text, node, depth);
    if (head == "EDIT") return ParseEdit(text, accept, node, depth);

    if (accept & kAcceptReference) {
        switch (context) {
            case ParseContext::kGroup:
                return ParseGroupWord(text, node);
            case ParseContext::kLibrary:
                return ParseLibraryWord(text, node, depth);
            case ParseContext::kElement: {
                int found = ParseElementReference(text, node, depth);
                if (found >= 0) return found == 1;
                // Neither text nor a number may stand here, so the name was meant as one.
                if (!(accept & kAcceptText) && !((accept & (kAcceptUnsigned | kAcceptSigned)) &&
                                                 TStringDivision::ReadLong(text)))
                    NoteUnknownName(text);
                break;
            }
        }
    }
    if (accept & (kAcceptUnsigned | kAcceptSigned)) {
        // A literal must be a whole number, even where text would also be accepted.
        auto value = TStringDivision::ReadLong(text);
        if (!value) return false;
        node.kind = (accept & kAcceptUnsigned) ? kCodeUnsigned : kCodeSigned;
        node.number = *value;
        return true;
    }
    if (accept & kAcceptText) {
        node = TextNode(UnescapeText(text));
        return true;
    }
    return false;
}

bool TFormatCompiler::ParseTo(std::string_view text, TCodeData& node, int depth) const {
    StringList args;
    if (!ArgumentList(text, args) || args.size() < 2) return false;
    auto conversion = words_.Lookup(WordTable::kConversion, Trim(args[0]));
    if (!conversion) return false;
    node.kind = kCodeTo;
    node.number = static_cast<std::int32_t>(*conversion);
    return ParseChild(args[1], ConversionOperandAccept(*conversion), ParseContext::kElement, node,
                      depth);
}

bool TFormatCompiler::ParseEdit(std::string_view text, unsigned accept, TCodeData& node,
                                int depth) const {
    StringList args;
    if (!ArgumentList(text, args) || args.size() < 2) return false;
    auto op = words_.Lookup(WordTable::kEditOperator, Trim(args[0]));
    if (!op) return false;
    node.kind = kCodeEdit;
    node.number = static_cast<std::int32_t>(*op);
    return ParseEditOperands(node.number, args, accept, node, depth);
}

bool TFormatCompiler::ParseEditOperands(std::int32_t op, const StringList& args, unsigned accept,
                                        TCodeData& node, int depth) const {
    const auto element = ParseContext::kElement;
    switch (op) {
        case kOpComplement:
            return ParseChild(args[1], accept, element, node, depth);
        case kOpContains:
        case kOpContainedIn:
        case kOpNotContains:
        case kOpNotContainedIn:
        case kOpChain:
            return args.size() >= 3 && ParseChild(args[1], accept, element, node, depth) &&
                   ParseChild(args[2], kReferenceOrText, element, node, depth);
        case kOpSubstring:
            return args.size() >= 4 && ParseChild(args[1], accept, element, node, depth) &&
                   ParseChild(args[2], kReferenceOrText, element, node, depth) &&
                   ParseChild(args[3], kReferenceOrText, element, node, depth);
        case kOpReplace:
            return args.size() >= 4 && ParseChild(args[1], accept, element, node, depth) &&
                   ParseReplaceList(args[2], node, depth);
        default:  // arithmetic and bit operations
            return args.size() >= 3 && ParseChild(args[1], accept, element, node, depth) &&
                   ParseChild(args[2], kReferenceOrNumber, element, node, depth);
    }
}

// The replacement list "(a, b, ...)": cut at every comma, brackets and escapes not honoured.
bool TFormatCompiler::ParseReplaceList(std::string_view list, TCodeData& node, int depth) const {
    std::size_t open = division_.Find(list, "(");
    std::size_t close = division_.FindLast(list, ")");
    if (open == TStringDivision::npos || close == TStringDivision::npos || close < open)
        return false;
    StringList items;
    division_.Split(list.substr(open + 1, close - open - 1), ",", items, 0);
    for (const std::string& item : items)
        if (!ParseChild(item, kReferenceOrText, ParseContext::kElement, node, depth)) return false;
    return true;
}

int TFormatCompiler::ParseElementReference(std::string_view text, TCodeData& node,
                                           int depth) const {
    std::size_t arrow = division_.Find(text, "->");
    std::string name = Trim(text.substr(0, arrow));
    std::string_view rest =
        arrow == TStringDivision::npos ? std::string_view() : text.substr(arrow + 2);

    if (auto word = words_.Lookup(WordTable::kValue, name)) {
        node.kind = static_cast<std::int32_t>(*word);
        if (rest.empty()) return 1;
        ParseContext next = node.kind == kCodeChangeGroup     ? ParseContext::kGroup
                            : node.kind == kCodeChangeLibrary ? ParseContext::kLibrary
                                                              : ParseContext::kElement;
        return ParseChild(rest, kAcceptReference, next, node, depth) ? 1 : 0;
    }
    std::int32_t position = ParameterPosition(name);
    if (position < 0) return -1;
    node.kind = kCodeParameter;
    node.number = position;
    if (rest.empty()) return 1;
    return ParseChild(rest, kAcceptReference, ParseContext::kElement, node, depth) ? 1 : 0;
}

bool TFormatCompiler::ParseGroupWord(std::string_view text, TCodeData& node) const {
    std::string name = Trim(text.substr(0, division_.Find(text, "->")));
    auto word = words_.Lookup(WordTable::kGroup, name);
    if (!word) return false;
    node.kind = static_cast<std::int32_t>(*word);
    return true;
}

bool TFormatCompiler::ParseLibraryWord(std::string_view text, TCodeData& node, int depth) const {
    std::size_t arrow = division_.Find(text, "->");
    if (arrow == TStringDivision::npos || arrow + 2 == text.size()) return false;
    auto word = words_.Lookup(WordTable::kLibrary, Trim(text.substr(0, arrow)));
    if (!word) return false;
    TCodeData index;
    if (!ParseAt(text.substr(arrow + 2), kAcceptUnsigned | kAcceptSigned, ParseContext::kElement,
                 index, depth + 1) ||
        (index.kind != kCodeUnsigned && index.kind != kCodeSigned))
        return false;
    node.kind = static_cast<std::int32_t>(*word);
    node.number = index.number;
    return true;
}

// --- text helpers ------------------------------------------------------------------------------

std::string TFormatCompiler::StatementWord(std::string_view piece) const {
    std::string word = Trim(piece.substr(0, FindTopLevelComma(piece)));
    std::size_t arrow = division_.Find(word, "->");
    if (arrow != TStringDivision::npos) word.resize(arrow);
    return word;
}

std::size_t TFormatCompiler::FindTopLevelComma(std::string_view text) const {
    return division_.Find(text, ",", 0, TStringDivision::npos, kTopLevel);
}

StringList TFormatCompiler::SplitTopLevel(std::string_view text) const {
    StringList fields;
    division_.Split(text, ",", fields, kTopLevel);
    return fields;
}

bool TFormatCompiler::ArgumentList(std::string_view text, StringList& args) const {
    std::size_t open = division_.Find(text, "(");
    std::size_t close = division_.FindLast(text, ")");
    if (open == TStringDivision::npos || close == TStringDivision::npos || close < open)
        return false;
    args = SplitTopLevel(text.substr(open + 1, close - open - 1));
    return true;
}

std::string TFormatCompiler::Trim(std::string_view text) const {
    return division_.Trim(text, kTrimFront | kTrimBack);
}

// Text from a middle piece is unescaped once more, so "\\\\" there reaches the output as "\".
std::string TFormatCompiler::UnescapeText(std::string_view text) const {
    return division_.Normalize(text, kUnescape);
}

std::int32_t TFormatCompiler::ParameterPosition(const std::string& identifier) const {
    if (!parameters_ || identifier.empty()) return -1;
    const TParameter* parameter = parameters_->FindByCode(identifier);
    if (!parameter) return -1;
    if (parameter->Index() < parameters_->Size() &&
        parameters_->At(parameter->Index()) == parameter)
        return static_cast<std::int32_t>(parameter->Index());
    for (std::size_t i = 0; i < parameters_->Size(); ++i)
        if (parameters_->At(i) == parameter) return static_cast<std::int32_t>(i);
    return -1;
}

void TFormatCompiler::NoteUnknownName(std::string_view text) const {
    if (!notes_) return;
    std::string name = Trim(text.substr(0, division_.Find(text, "->")));
    if (!name.empty()) notes_->unknownNames.push_back({piece_, std::move(name)});
}

// --- compiling a whole library -----------------------------------------------------------------

void TFormatCompiler::CompileAll(TZQLCtrl& library) {
    TFormatCompiler compiler(library);
    if (TZQPCtrl* parameters = library.ParameterFile()) {
        compiler.Compile(parameters->DrawFormat(), parameters->DrawCode());
        compiler.Compile(parameters->OutputFormat(), parameters->OutputCode());
        for (const auto& parameter : parameters->Parameters()) {
            if (HasOwnFormats(parameter->Type())) {
                compiler.Compile(parameter->DrawFormat(), parameter->DrawCode());
                compiler.Compile(parameter->OutputFormat(), parameter->OutputCode());
            } else {
                parameter->DrawCode().clear();
                parameter->OutputCode().clear();
            }
        }
    }
    for (const auto& group : library.Groups()) {
        compiler.Compile(group->Header(), group->HeaderCode());
        compiler.Compile(group->Footer(), group->FooterCode());
    }
}

}  // namespace tabrix
