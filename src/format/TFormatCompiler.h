// Compiles format text into node lists. Compiling never fails: a piece that cannot be read
// becomes an error node, so the node list stays aligned with the non-empty pieces of the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/TCodeData.h"
#include "model/TStringDivision.h"

namespace tabrix {

class TParameter;
class TWordTables;
class TZQLCtrl;
class TZQPCtrl;

// What an expression may turn out to be; the values combine as bits.
enum AcceptBits : unsigned {
    kAcceptUnsigned = 0x01,
    kAcceptSigned = 0x02,
    kAcceptText = 0x04,
    kAcceptReference = 0x08,
};

// Where a reference is read: which words its first name may be.
enum class ParseContext { kElement, kGroup, kLibrary };

// What a compile met that makes no difference to its nodes but that a reader of the format
// wants to know: names read where only a reference may stand that no parameter and no word
// has (each makes its piece an error node).
struct TCompileNotes {
    struct UnknownName {
        std::size_t piece;  // index in Pieces()
        std::string name;
    };
    std::vector<UnknownName> unknownNames;
};

class TFormatCompiler {
public:
    // Expressions nested deeper than this (through "->", TO or EDIT) fail to compile, so that
    // neither compiling nor running can exhaust the stack.
    static constexpr int kMaxExpressionDepth = 200;

    // Compiles against the library's escape rules, its parameter identifiers and the word
    // tables of its controller (the standard tables when it has none).
    explicit TFormatCompiler(const TZQLCtrl& library);

    // Replaces code with the compiled form of the format lines.
    void Compile(const StringList& lines, CodeList& code) const;
    // The same, recording what the compile met in notes.
    void Compile(const StringList& lines, CodeList& code, TCompileNotes& notes) const;
    // The format cut at every unescaped "%", each piece unescaped once. Every non-empty piece
    // gives exactly one node, in order.
    StringList Pieces(const StringList& lines) const;
    // Where those pieces lie: the byte position of every separating "%" in the lines joined
    // with nothing between them, found exactly as Pieces finds them.
    std::vector<std::size_t> SeparatorPositions(const StringList& lines) const;
    // Parses one expression; false when the text is no expression of the accepted kinds.
    bool Parse(std::string_view text, unsigned accept, ParseContext context, TCodeData& node) const;

    // Compiles every format the library runs: the common draw and output formats, the own
    // formats of the composite parameters, then every group's header and footer.
    static void CompileAll(TZQLCtrl& library);

private:
    struct OpenConstructs;

    bool ParseAt(std::string_view text, unsigned accept, ParseContext context, TCodeData& node,
                 int depth) const;
    bool ParseTo(std::string_view text, TCodeData& node, int depth) const;
    bool ParseEdit(std::string_view text, unsigned accept, TCodeData& node, int depth) const;
    bool ParseEditOperands(std::int32_t op, const StringList& args, unsigned accept,
                           TCodeData& node, int depth) const;
    bool ParseReplaceList(std::string_view list, TCodeData& node, int depth) const;
    // 1 parsed, 0 failed, -1 not a reference here (the caller tries literals and text).
    int ParseElementReference(std::string_view text, TCodeData& node, int depth) const;
    bool ParseGroupWord(std::string_view text, TCodeData& node) const;
    bool ParseLibraryWord(std::string_view text, TCodeData& node, int depth) const;
    bool ParseChild(std::string_view text, unsigned accept, ParseContext context, TCodeData& parent,
                    int depth) const;

    std::size_t CompileMiddlePiece(const StringList& pieces, std::size_t i, CodeList& code,
                                   OpenConstructs& open) const;
    TCodeData BuildStatement(std::int32_t kind, std::string_view piece, std::size_t position,
                             OpenConstructs& open, CodeList& code) const;
    std::size_t SwallowComment(const StringList& pieces, std::size_t i, CodeList& code) const;

    std::string StatementWord(std::string_view piece) const;
    std::size_t FindTopLevelComma(std::string_view text) const;
    StringList SplitTopLevel(std::string_view text) const;
    // The text between the first "(" and the last ")", divided at top-level commas.
    bool ArgumentList(std::string_view text, StringList& args) const;
    std::string Trim(std::string_view text) const;
    std::string UnescapeText(std::string_view text) const;
    // The position of the parameter with this format identifier, or -1.
    std::int32_t ParameterPosition(const std::string& identifier) const;
    void NoteUnknownName(std::string_view text) const;

    // The library's escape rules, with a double-byte character at the start of the text or of
    // a piece kept whole: no file's layout depends on how a format is cut.
    TStringDivision division_;
    const TWordTables& words_;
    const TZQPCtrl* parameters_;
    // Set only while a Compile with notes runs; the piece being compiled.
    mutable TCompileNotes* notes_ = nullptr;
    mutable std::size_t piece_ = 0;
};

}  // namespace tabrix
