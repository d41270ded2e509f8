// A small library in memory, shared by the format tests and the fuzz targets: one parameter of
// every type, two groups over one element data file, three elements in the first and two in
// the second. FillValues() gives every element a value for every parameter, with references
// between them (one element refers to itself), output paths and a joined group.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ParamType.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::test {

// Parameter positions; the codes are those the format tests and the fuzz seeds use.
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
    kFlags = 9,     // 可否配列: boolean array
    kCounts = 10,   // 個数配列: unsigned array
    kChoice = 11,   // 選択: list selection
    kFixtureParamCount = 12,
};

class FixtureLibrary {
public:
    FixtureLibrary() {
        library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        const struct {
            const char* code;
            std::uint8_t type;
        } definitions[kFixtureParamCount] = {{"名称", kTypeString},
                                             {"価格", kTypeSigned},
                                             {"個数", kTypeUnsigned},
                                             {"配列", kTypeStringArray},
                                             {"参照", kTypeElementRef},
                                             {"参照配列", kTypeElementRefArray},
                                             {"グループ", kTypeGroupRef},
                                             {"数列", kTypeSignedArray},
                                             {"可否", kTypeBool},
                                             {"可否配列", kTypeBoolArray},
                                             {"個数配列", kTypeUnsignedArray},
                                             {"選択", kTypeListSelection}};
        for (const auto& definition : definitions) {
            TParameter* parameter = Params().AddParameter();
            parameter->SetName(FromUtf8(definition.code));
            parameter->SetCode(FromUtf8(definition.code));
            parameter->SetType(definition.type);
            Params().CodeMap()[parameter->Code()] = parameter;
        }
        first = data.AddGroupData();
        first->SetName(FromUtf8("データA"));
        second = data.AddGroupData();
        second->SetName(FromUtf8("データB"));
        groupA = library.AddGroupForGroupData(first);
        groupA->SetName(FromUtf8("グループA"));
        groupB = library.AddGroupForGroupData(second);
        groupB->SetName(FromUtf8("グループB"));
        first->AddElements(3);
        second->AddElements(2);
    }
    FixtureLibrary(const FixtureLibrary&) = delete;
    FixtureLibrary& operator=(const FixtureLibrary&) = delete;

    TZQPCtrl& Params() { return *library.ParameterFile(); }

    // Every parameter used and valued; lists, output paths and a joined group set.
    void FillValues() {
        for (const auto& parameter : Params().Parameters())
            Params().UsedParameters().push_back(parameter.get());
        Params().At(kChoice)->Selection() = {FromUtf8("赤"), FromUtf8("青"), FromUtf8("緑")};
        Params().At(kFlags)->Selection() = {FromUtf8("可"), FromUtf8("否")};
        Params().At(kRef)->SetDisplayParameter(Params().At(kName));
        groupA->SetOutputPath(FromUtf8("A.txt"));
        groupB->SetOutputPath(FromUtf8("sub\\B.txt"));
        groupA->SetConnectGroup(groupB);

        const char* names[] = {"りんご", "みかん", "表示", "ソフト", "abc\\,#%"};
        std::vector<TElement*> all;
        for (TGroupData* group : {first, second})
            for (const auto& element : group->Elements())
                all.push_back(element.get());
        for (std::size_t i = 0; i < all.size(); ++i) {
            TElement& e = *all[i];
            e.SetTexts(kName, {FromUtf8(names[i])});
            e.SetNumbers(kPrice, {static_cast<std::uint32_t>(-100 * static_cast<int>(i) + 150)});
            e.SetNumbers(kCount, {static_cast<std::uint32_t>(i * 7)});
            e.SetTexts(kArray, {FromUtf8("一"), FromUtf8("二"), std::string(i, 'x')});
            e.SetElementRefs(kRef, {all[(i + 1) % all.size()]});
            e.SetElementRefs(kRefArray, {all[i], nullptr, all[0]});
            e.SetGroupRefs(kGroupRef, {i % 2 ? groupA : groupB});
            e.SetNumbers(kNumbers, {0xFFFFFFFFu, 0, 5, 0x80000000u});
            e.SetNumbers(kFlag, {static_cast<std::uint32_t>(i % 2)});
            e.SetNumbers(kFlags, {1, 0, 1});
            e.SetNumbers(kCounts, {static_cast<std::uint32_t>(i), 4000000000u});
            e.SetNumbers(kChoice, {static_cast<std::uint32_t>(i)});  // 3 and 4 name no item
        }
        first->At(2)->SetOutputFlag(0);
        data.SetModified(false);
    }

    TZQDCtrl data;  // destroyed after the library, whose groups show its group data
    TZQLCtrl library;
    TGroupData* first = nullptr;
    TGroupData* second = nullptr;
    TGroupSetting* groupA = nullptr;
    TGroupSetting* groupB = nullptr;

private:
    static std::string FromUtf8(const std::string& utf8) { return TextCodec::FromUtf8(utf8); }
};

// The library with its values filled, as the fuzz targets start from it.
class FilledLibrary : public FixtureLibrary {
public:
    FilledLibrary() { FillValues(); }
};

}  // namespace tabrix::test
