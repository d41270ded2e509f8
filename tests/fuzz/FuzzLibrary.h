// A small library in memory for the format and batch targets: one parameter of every type, two
// groups over one element data file, elements whose values fill every parameter, references
// between them (one element refers to itself) and a group reference.
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

namespace tabrix::fuzz {

// Parameter positions; the codes are those the format tests and seeds use.
enum FixedParam : std::uint32_t {
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
    kFixedParamCount = 12,
};

inline std::string Sj(const std::string& utf8) {
    return TextCodec::FromUtf8(utf8);
}

class FixedLibrary {
public:
    FixedLibrary() {
        library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        struct Definition {
            const char* code;
            std::uint8_t type;
        };
        const Definition definitions[kFixedParamCount] = {{"名称", kTypeString},
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
        for (const Definition& definition : definitions) {
            auto parameter = std::make_unique<TParameter>();
            parameter->SetName(Sj(definition.code));
            parameter->SetCode(Sj(definition.code));
            parameter->SetType(definition.type);
            Params().AddParameter(std::move(parameter), true);
        }
        Params().At(kChoice)->Selection() = {Sj("赤"), Sj("青"), Sj("緑")};
        Params().At(kFlags)->Selection() = {Sj("可"), Sj("否")};
        Params().At(kRef)->SetDisplayParameter(Params().At(kName));

        TGroupData* first = data.AddGroupData();
        first->SetName(Sj("データA"));
        TGroupData* second = data.AddGroupData();
        second->SetName(Sj("データB"));
        groupA = library.AddGroupForGroupData(first);
        groupA->SetName(Sj("グループA"));
        groupA->SetOutputPath(Sj("A.txt"));
        groupB = library.AddGroupForGroupData(second);
        groupB->SetName(Sj("グループB"));
        groupB->SetOutputPath(Sj("sub\\B.txt"));
        groupA->SetConnectGroup(groupB);
        first->AddElements(3);
        second->AddElements(2);

        const char* names[] = {"りんご", "みかん", "表示", "ソフト", "abc\\,#%"};
        std::vector<TElement*> all;
        for (TGroupData* group : {first, second})
            for (const auto& element : group->Elements())
                all.push_back(element.get());
        for (std::size_t i = 0; i < all.size(); ++i) {
            TElement& e = *all[i];
            e.SetTexts(kName, {Sj(names[i])});
            e.SetNumbers(kPrice, {static_cast<std::uint32_t>(-100 * static_cast<int>(i) + 150)});
            e.SetNumbers(kCount, {static_cast<std::uint32_t>(i * 7)});
            e.SetTexts(kArray, {Sj("一"), Sj("二"), std::string(i, 'x')});
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
    FixedLibrary(const FixedLibrary&) = delete;
    FixedLibrary& operator=(const FixedLibrary&) = delete;

    TZQPCtrl& Params() { return *library.ParameterFile(); }

    TZQDCtrl data;  // destroyed after the library, whose groups show its group data
    TZQLCtrl library;
    TGroupSetting* groupA = nullptr;
    TGroupSetting* groupB = nullptr;
};

}  // namespace tabrix::fuzz
