// A small library in memory for format tests: one parameter of every composite type beside
// the plain ones, two groups over one element data file, and a sink that records events.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "format/TFormatCompiler.h"
#include "format/TFormatEvaluator.h"
#include "format/TFormatSink.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::test {

// Records every event as a short UTF-8 string: "T:text", "U:5", "S:-5", "BR", "C:255", "W",
// "N", "B", "E". Replies from a script, then kReplyContinue.
class RecordingSink : public TFormatSink {
public:
    int Send(int event, std::string_view text, std::uint32_t number) override {
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

// Parameter positions of the fixture library.
enum FixtureParam : std::uint32_t {
    kName = 0,      // 名称: string
    kPrice = 1,     // 価格: signed
    kCount = 2,     // 個数: unsigned
    kArray = 3,     // 配列: string array
    kRef = 4,       // 参照: element reference
    kRefArray = 5,  // 参照配列: element reference array
    kGroupRef = 6,  // グループ: group reference
    kNumbers = 7,   // 数列: signed array
    kFlag = 8,      // 可否: boolean
};

class FormatFixture : public ::testing::Test {
protected:
    FormatFixture() {
        library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        AddParameter("名称", kTypeString);
        AddParameter("価格", kTypeSigned);
        AddParameter("個数", kTypeUnsigned);
        AddParameter("配列", kTypeStringArray);
        AddParameter("参照", kTypeElementRef);
        AddParameter("参照配列", kTypeElementRefArray);
        AddParameter("グループ", kTypeGroupRef);
        AddParameter("数列", kTypeSignedArray);
        AddParameter("可否", kTypeBool);
        first = data.AddGroupData();
        first->SetName(Sj("データA"));
        second = data.AddGroupData();
        second->SetName(Sj("データB"));
        groupA = library.AddGroupForGroupData(first);
        groupA->SetName(Sj("グループA"));
        groupB = library.AddGroupForGroupData(second);
        groupB->SetName(Sj("グループB"));
        first->AddElements(3);
        second->AddElements(2);
    }

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

    TZQDCtrl data;
    TZQLCtrl library;
    RecordingSink sink;
    TGroupData* first = nullptr;
    TGroupData* second = nullptr;
    TGroupSetting* groupA = nullptr;
    TGroupSetting* groupB = nullptr;

private:
    void AddParameter(const std::string& code, std::uint8_t type) {
        TParameter* parameter = library.ParameterFile()->AddParameter();
        parameter->SetName(Sj(code));
        parameter->SetCode(Sj(code));
        parameter->SetType(type);
        library.ParameterFile()->CodeMap()[Sj(code)] = parameter;
    }
};

}  // namespace tabrix::test
