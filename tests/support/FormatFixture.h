// The format tests' fixture: the shared small library (its elements without values) and a sink
// that records events.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FixtureLibrary.h"
#include "TempDir.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TFormatSink.h"
#include "model/TextCodec.h"

namespace tabrix::test {

// Records every event as a short UTF-8 string: "T:text", "U:5", "S:-5", "BR", "C:255", "W",
// "N", "B", "E". Replies from a script, then kReplyContinue.
class RecordingSink : public TFormatSink {
public:
    int Send(SinkEvent event, std::string_view text, std::uint32_t number) override {
        static const std::map<int, std::string> names = {
            {kEventText, "T:"},      {kEventUnsigned, "U:"}, {kEventSigned, "S:"},
            {kEventLineBreak, "BR"}, {kEventColor, "C:"},    {kEventWordWrap, "W"},
            {kEventNoWrap, "N"},     {kEventBegin, "B"},     {kEventEnd, "E"}};
        const auto name = names.find(event);
        std::string shown =
            name != names.end() ? name->second : std::string("?").append(std::to_string(event));
        if (event == kEventText) shown += TextCodec::ToUtf8(std::string(text));
        if (event == kEventUnsigned || event == kEventColor) shown += std::to_string(number);
        if (event == kEventSigned) shown += std::to_string(static_cast<std::int32_t>(number));
        events.push_back(shown);
        if (replies.empty()) return kReplyContinue;
        int reply = replies.front();
        replies.erase(replies.begin());
        return reply;
    }
    std::vector<std::string> events;
    std::vector<int> replies;
};

class FormatFixture : public ::testing::Test, public FixtureLibrary {
protected:
    TParameter& Param(std::uint32_t i) { return *library.ParameterFile()->At(i); }
    TElement& A(std::size_t i) { return *first->At(i); }
    TElement& B(std::size_t i) { return *second->At(i); }

    void SetName(TElement& element, const std::string& utf8) {
        element.SetTexts(kName, {Sj(utf8)});
    }

    CodeList Compile(const std::string& utf8) {
        CodeList code;
        TFormatCompiler(library).Compile({Sj(utf8)}, code);
        return code;
    }
    void SetOwnFormat(std::uint32_t param, const std::string& utf8) {
        TFormatCompiler(library).Compile({Sj(utf8)}, Param(param).OutputCode());
        TFormatCompiler(library).Compile({Sj(utf8)}, Param(param).DrawCode());
    }
    // Runs the format as a top-level output run for element; the events are in sink.
    int Run(const std::string& utf8, const TElement* element) {
        CodeList code = Compile(utf8);
        TFormatEvaluator evaluator(library, sink, kPurposeOutput);
        return evaluator.RunTopLevel(element, code);
    }
    using Events = std::vector<std::string>;

    RecordingSink sink;
};

}  // namespace tabrix::test
