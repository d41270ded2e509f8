// The format compiler on arbitrary format text, and a run of what it compiled against a small
// library with every parameter type: through the output sink (the Output command's rendering
// of groups with header, footer and joined groups) and through the draw sink over a painter
// that only measures.
//
// The input is cut at bytes 0x01 into up to five formats: the common format (draw and output),
// the own formats of the element reference, the reference array and the group reference, and
// the first group's header. The first byte chooses the cell and line height of the draws.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FixtureLibrary.h"
#include "FuzzSupport.h"
#include "format/TDrawSink.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TOutputGenerator.h"
#include "format/TOutputSink.h"

using namespace tabrix;

namespace {

class MeasuringPainter : public TTextPainter {
public:
    int TextWidth(std::string_view text) override {
        return 7 * static_cast<int>(std::min<std::size_t>(text.size(), 100000));
    }
    void DrawText(std::string_view text, const TRect&) override { drawn += text.size(); }
    void SetTextColour(std::uint32_t) override {}
    std::size_t drawn = 0;
};

std::vector<std::string> CutParts(std::string_view text, std::size_t limit) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < limit) {
        std::size_t cut = text.find('\x01');
        if (cut == std::string_view::npos) break;
        parts.emplace_back(text.substr(0, cut));
        text.remove_prefix(cut + 1);
    }
    parts.emplace_back(text);
    parts.resize(limit);
    return parts;
}

void CheckCompiler(const TZQLCtrl& library, const StringList& lines) {
    TFormatCompiler compiler(library);
    CodeList code;
    compiler.Compile(lines, code);
    // Every non-empty piece gives exactly one node, in order, and compiling is repeatable.
    std::size_t pieces = 0;
    for (const std::string& piece : compiler.Pieces(lines))
        pieces += piece.empty() ? 0 : 1;
    FUZZ_CHECK(code.size() == pieces);
    CodeList again;
    compiler.Compile(lines, again);
    FUZZ_CHECK(again == code);
    // Blocks jump inside the list.
    for (const TCodeData& node : code) {
        if (node.kind >= kCodeWhile && node.kind <= kCodeBreak && !node.unclosed)
            FUZZ_CHECK(node.number >= -1 && node.number <= static_cast<std::int64_t>(code.size()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t geometry = input.Byte();
    std::vector<std::string> parts = CutParts(input.Rest(), 5);

    test::FilledLibrary fixed;
    TZQLCtrl& library = fixed.library;
    TZQPCtrl& params = fixed.Params();
    params.DrawFormat() = fuzz::LinesOf(parts[0]);
    params.OutputFormat() = params.DrawFormat();
    params.At(test::kRef)->OutputFormat() = fuzz::LinesOf(parts[1]);
    params.At(test::kRef)->DrawFormat() = params.At(test::kRef)->OutputFormat();
    params.At(test::kRefArray)->OutputFormat() = fuzz::LinesOf(parts[2]);
    params.At(test::kRefArray)->DrawFormat() = params.At(test::kRefArray)->OutputFormat();
    params.At(test::kGroupRef)->OutputFormat() = fuzz::LinesOf(parts[3]);
    params.At(test::kGroupRef)->DrawFormat() = params.At(test::kGroupRef)->OutputFormat();
    fixed.groupA->Header() = fuzz::LinesOf(parts[4]);
    fixed.groupA->Footer() = params.DrawFormat();
    fixed.groupA->Set(TGroupSetting::kConnect, (geometry & 0x80) != 0);
    fixed.groupB->Set(TGroupSetting::kConnect, (geometry & 0x40) != 0);
    fixed.groupB->SetConnectGroup(fixed.groupA);  // a joined loop ends at the first repeat

    CheckCompiler(library, params.DrawFormat());
    TFormatCompiler::CompileAll(library);

    // Output: every group rendered as the Output command renders it, into memory.
    TOutputGenerator generator(library, {});
    for (const auto& group : library.Groups()) {
        TOutputSink sink;
        generator.OutputGroup(*group, sink);
    }
    // A run without an element, as a header of an empty group gets.
    {
        TOutputSink sink;
        TFormatEvaluator evaluator(library, sink, kPurposeOutput);
        int result = evaluator.RunTopLevel(nullptr, params.OutputCode());
        FUZZ_CHECK(result >= kRunCompleted && result <= kRunLimitReached);
    }

    // Draw: every element into a cell whose size and line height the input chose.
    const int heights[] = {24, 1, 0, -24, 1 << 20};
    const int lineHeight = heights[geometry % 5];
    const TRect cell{0, 0, 8 + 40 * ((geometry >> 3) & 7), 8 + 24 * ((geometry >> 5) & 3)};
    MeasuringPainter painter;
    for (const auto& group : library.Groups()) {
        for (std::size_t i = 0; i < group->GroupData()->Size(); ++i) {
            TDrawSink sink(painter, cell, lineHeight,
                           geometry & 4 ? TDrawSink::WrapSwitches::kIgnored
                                        : TDrawSink::WrapSwitches::kObeyed);
            int result = TFormatEvaluator::DrawElement(library, *group, i, sink, kPurposeDraw);
            FUZZ_CHECK(result >= kRunCompleted && result <= kRunLimitReached);
            FUZZ_CHECK(sink.Y() >= sink.TextRect().top);
        }
    }
    return 0;
}
