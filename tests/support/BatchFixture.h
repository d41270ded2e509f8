// A library in memory for batch tests: three groups over one element data file and a
// parameter of each kind the batch operations treat differently.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "batch/TBatchRunner.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::test {

enum BatchParam : std::uint32_t {
    kLabel = 0,   // string, names the element in the checks
    kCode = 1,    // unsigned
    kPrice = 2,   // signed
    kTags = 3,    // string array
    kLink = 4,    // element reference
    kLinks = 5,   // element reference array
    kOwner = 6,   // group reference
    kValues = 7,  // unsigned array
    kBatchParamCount = 8,
};

class BatchFixture : public ::testing::Test {
protected:
    BatchFixture() {
        library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        const std::uint8_t types[kBatchParamCount] = {
            kTypeString,     kTypeUnsigned,        kTypeSigned,   kTypeStringArray,
            kTypeElementRef, kTypeElementRefArray, kTypeGroupRef, kTypeUnsignedArray};
        for (std::uint8_t type : types) {
            TParameter* parameter = library.ParameterFile()->AddParameter();
            parameter->SetType(type);
        }
        for (const char* name : {"G0", "G1", "G2"}) {
            TGroupData* groupData = data.AddGroupData();
            groupData->SetName(name);
            library.AddGroupForGroupData(groupData)->SetName(name);
        }
    }

    TGroupData& Data(std::size_t group) { return *library.Group(group)->GroupData(); }
    TGroupSetting& Group(std::size_t group) { return *library.Group(group); }
    TElement& At(std::size_t group, std::size_t i) { return *Data(group).At(i); }

    // Appends an element labelled label (UTF-8) with the given code.
    TElement& Add(std::size_t group, const std::string& label, std::uint32_t code = 0) {
        Data(group).AddElements(1);
        TElement& e = *Data(group).At(Data(group).Size() - 1);
        e.SetTexts(kLabel, {Sj(label)});
        e.SetNumbers(kCode, {code});
        return e;
    }
    // Appends one element per code, labelled by its code.
    void AddCodes(std::size_t group, const std::vector<std::uint32_t>& codes) {
        for (std::uint32_t code : codes)
            Add(group, std::to_string(code), code);
    }

    std::vector<std::string> Labels(std::size_t group) {
        std::vector<std::string> labels;
        for (const auto& e : Data(group).Elements()) {
            const TextList& texts = e->Texts(kLabel);
            labels.push_back(texts.empty() ? "" : TextCodec::ToUtf8(texts.front()));
        }
        return labels;
    }
    std::vector<std::uint32_t> Codes(std::size_t group) {
        std::vector<std::uint32_t> codes;
        for (const auto& e : Data(group).Elements())
            codes.push_back(
                e->Numbers(kCode).empty() ? 0 : static_cast<std::uint32_t>(e->Numbers(kCode)[0]));
        return codes;
    }
    // Each group's elements as label=price (price left out when none is stored), then
    // "changed" and "due" (output-done cleared) for its marks; "modified" for the file.
    std::string Summary() {
        std::string out;
        for (std::size_t g = 0; g < library.GroupCount(); ++g) {
            std::string group;
            for (const auto& e : Data(g).Elements()) {
                const TextList& texts = e->Texts(kLabel);
                group.append(group.empty() ? "" : " ");
                if (!texts.empty()) group.append(TextCodec::ToUtf8(texts.front()));
                const NumberList& price = e->Numbers(kPrice);
                if (!price.empty())
                    group.append("=").append(std::to_string(static_cast<std::int32_t>(price[0])));
            }
            if (Group(g).Has(TGroupSetting::kChanged)) group += " changed";
            if (!Group(g).Has(TGroupSetting::kOutputDone)) group += " due";
            out.append(g ? " | " : "").append(group);
        }
        return out.append(data.IsModified() ? " | modified" : "");
    }
    void ClearMarks() {
        data.SetModified(false);
        for (std::size_t g = 0; g < library.GroupCount(); ++g)
            Group(g).SetStatus(TGroupSetting::kOutput | TGroupSetting::kOutputDone);
    }

    TZQDCtrl data;
    TZQLCtrl library;
    TBatchRunner runner{library};
};

}  // namespace tabrix::test
