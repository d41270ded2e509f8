// Line loading and every string cutting operation on arbitrary bytes.
//
// The first bytes choose the syntax (brackets, escape, blanks, code mode), the separators,
// counts and flags; the rest is the text. Loading is checked to give the same lines for every
// chunk size and to read back what saving wrote; cutting is checked against what each
// operation promises about the pieces it returns.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "files/TStringFiler.h"
#include "model/FileResult.h"
#include "model/TStringDivision.h"

using namespace tabrix;
using tabrix::fuzz::FuzzInput;

namespace {

void CheckLoading(const std::string& bytes, FuzzInput& input) {
    const std::filesystem::path file = fuzz::ScratchDir() / "lines.txt";
    fuzz::WriteBytes(file, bytes);
    TStringFiler filer;
    StringList whole;
    FUZZ_CHECK(filer.Load(whole, file.string()) == kFileOk);

    // The lines never depend on how the bytes arrive.
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1} + input.Below(64)}) {
        StringList lines;
        FUZZ_CHECK(filer.Load(lines, file.string(), chunk) == kFileOk);
        FUZZ_CHECK(lines == whole);
    }

    // Byte and line windows stay inside the file and never add lines.
    long start = static_cast<long>(input.Below(bytes.size() + 2));
    long limit = static_cast<long>(input.Below(bytes.size() + 2)) - 1;
    StringList window;
    int result = filer.Load(window, file.string(), 1 + input.Below(16), start, limit, false);
    FUZZ_CHECK(result == kFileOk);
    std::size_t windowBytes = 0;
    for (const std::string& line : window)
        windowBytes += line.size();
    FUZZ_CHECK(windowBytes <= bytes.size());
    StringList lineWindow{"kept"};
    FUZZ_CHECK(filer.Load(lineWindow, file.string(), 1 + input.Below(16), start % 8, limit % 8,
                          true) == kFileOk);
    FUZZ_CHECK(!lineWindow.empty() && lineWindow.front() == "kept");
    FUZZ_CHECK(lineWindow.size() - 1 <= whole.size());

    // Saved lines load back as they were; only an empty last line has no bytes to stand for it.
    if (!whole.empty() && !whole.back().empty()) {
        const std::filesystem::path saved = fuzz::ScratchDir() / "saved.txt";
        FUZZ_CHECK(filer.Save(whole, saved.string()) == kFileOk);
        StringList again;
        FUZZ_CHECK(filer.Load(again, saved.string()) == kFileOk);
        FUZZ_CHECK(again == whole);
    }
}

void CheckCutting(TStringDivision& division, const std::string& text, FuzzInput& input) {
    const std::string separator = input.Text(3);
    const std::size_t n = input.Below(4);
    const unsigned flags = input.Byte() & 0x3F;
    const unsigned searchFlags = flags & (kSkipBrackets | kSkipEscapes);

    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        int kind = division.CharKind(text, pos);
        FUZZ_CHECK(kind >= kSingleByte && kind <= kTrailByte);
    }

    std::size_t first = division.Find(text, separator, 0, TStringDivision::npos, searchFlags);
    std::size_t last = division.FindLast(text, separator, TStringDivision::npos, 0, searchFlags);
    FUZZ_CHECK((first == TStringDivision::npos) == (last == TStringDivision::npos));
    if (first != TStringDivision::npos) {
        FUZZ_CHECK(first <= last && last + separator.size() <= text.size());
        FUZZ_CHECK(text.compare(first, separator.size(), separator) == 0);
        FUZZ_CHECK(text.compare(last, separator.size(), separator) == 0);
        FUZZ_CHECK(division.Find(text, separator, first, TStringDivision::npos, searchFlags) ==
                   first);
    }
    std::size_t from = input.Below(text.size() + 1);
    std::size_t to = input.Below(text.size() + 1);
    std::size_t found = division.Find(text, separator, from, to, searchFlags);
    FUZZ_CHECK(found == TStringDivision::npos || (found >= from && found <= to));
    found = division.FindLast(text, separator, from, to, searchFlags);
    FUZZ_CHECK(found == TStringDivision::npos || (found >= to && found <= from));
    if (!separator.empty()) (void)division.MatchAt(text, separator, from);

    // A cut takes the field and the separator off the front and keeps the rest.
    std::string rest = text;
    std::string field = division.CutField(rest, separator, n, searchFlags);
    if (field == separator && rest == text) {
        // missing separator (or a field that equals it): nothing was taken
    } else {
        FUZZ_CHECK(field.size() + separator.size() + rest.size() == text.size());
        FUZZ_CHECK(text.compare(0, field.size(), field) == 0);
    }
    rest = text;
    field = division.CutFieldFromEnd(rest, separator, n, searchFlags);
    if (!(field == separator && rest == text)) {
        FUZZ_CHECK(field.size() + separator.size() + rest.size() == text.size());
        FUZZ_CHECK(text.compare(0, rest.size(), rest) == 0);
    }
    rest = text;
    (void)division.GetField(rest, separator, n, "default", input.Bool(), flags);
    (void)division.GetPiece(text, separator, n, flags);
    (void)division.GetPieceFromEnd(text, separator, n, flags);
    (void)division.Between(text, separator, input.Text(2), flags);

    // Split with search flags only gives pieces that join back into the text.
    StringList pieces;
    std::size_t count = division.Split(text, separator, pieces, searchFlags);
    FUZZ_CHECK(count == pieces.size() && count >= 1);
    if (!separator.empty()) FUZZ_CHECK(TStringDivision::Join(separator, pieces) == text);
    count = division.Split(text, separator, pieces, flags);
    FUZZ_CHECK(count == pieces.size());
    division.Split(text, separator, flags);
    (void)division.Join(separator);

    std::string trimmed = division.Trim(text, kTrimFront | kTrimBack);
    FUZZ_CHECK(trimmed.size() <= text.size());
    FUZZ_CHECK(text.find(trimmed) != std::string::npos);
    (void)division.Normalize(text, flags);

    StringList patternPieces;
    StringList textPieces;
    std::string pattern = input.Text(12);
    if (division.Match(pattern, text, &patternPieces, &textPieces))
        FUZZ_CHECK(patternPieces.size() == textPieces.size());
    (void)division.Match(text, pattern, nullptr, nullptr);
}

void CheckNumbers(const std::string& text, FuzzInput& input) {
    std::int32_t value = TStringDivision::ToLong(text, 7);
    std::optional<std::int32_t> read = TStringDivision::ReadLong(text);
    FUZZ_CHECK(read ? *read == value : value == 7);
    (void)TStringDivision::ToULong(text, 7);
    // Any conversion spec, even a hostile one, yields at most a buffer's worth of text.
    std::string spec = input.Text(6);
    std::string formatted =
        TStringDivision::Format(spec, static_cast<std::int32_t>(input.Number32()));
    FUZZ_CHECK(formatted.size() < 256);
    FUZZ_CHECK(TStringDivision::ToLong(TStringDivision::Format("d", value), 0) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const unsigned choice = input.Byte();

    TStringDivision division;
    if (choice & 1)
        division.SetSyntax(std::nullopt, std::nullopt, std::nullopt,
                           TStringDivision::LibraryEscapeMap(), std::nullopt);
    if (choice & 2) {
        // Any syntax at all: empty, equal or multi-byte brackets and escapes.
        std::string open = input.Text(2);
        std::string close = input.Text(2);
        std::string escape = input.Text(2);
        EscapeMap map{{input.Text(3), input.Text(2)}, {input.Text(3), input.Text(2)}};
        BlankSet blanks{input.Text(2), " "};
        division.SetSyntax(open, close, escape, map, blanks);
    }
    division.SetCodeMode(static_cast<std::uint8_t>((choice >> 2) % 3));

    const std::string text = input.Take(input.Below(4096));
    CheckCutting(division, text, input);
    CheckNumbers(text, input);

    // Escaping with the library map and unescaping gives the text back.
    TStringDivision library;
    library.SetSyntax(std::nullopt, std::nullopt, std::nullopt, TStringDivision::LibraryEscapeMap(),
                      std::nullopt);
    std::string escaped = library.Normalize(text, kUnescape | kEscape);
    FUZZ_CHECK(library.Normalize(escaped, kUnescape) == text);

    CheckLoading(text + input.Rest(), input);
    return 0;
}
