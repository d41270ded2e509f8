// The format tests' fixture: the shared small library (its elements without values) and a sink
// that records events.
#pragma once

#include <gtest/gtest.h>

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
        switch (event) {
            case kEventText:
                events.push_back("T:" + TextCodec::ToUtf8(std::string(text)));
                break;
            case kEventUnsigned:
                events.push_back("U:" + std::to_string(number));
                break;
            case kEventSigned:
                events.push_back("S:" + std::to_string(static_cast<std::int32_t>(number)));
                break;
            case kEventLineBreak:
                events.push_back("BR");
                break;
            case kEventColor:
                events.push_back("C:" + std::to_string(number));
                break;
            case kEventWordWrap:
                events.push_back("W");
                break;
            case kEventNoWrap:
                events.push_back("N");
                break;
            case kEventBegin:
                events.push_back("B");
                break;
            case kEventEnd:
                events.push_back("E");
                break;
            default:
                events.push_back(std::string("?").append(std::to_string(event)));
                break;
        }
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
