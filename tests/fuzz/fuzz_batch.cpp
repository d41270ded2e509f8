// Batch data lines and RunBatchSetting on a small library with every parameter type.
//
// Input: the first byte chooses the operation (sort, compare-apply, duplicate deletion or a
// type that does nothing) and a read-only group; then lines. Lines that begin with "[" are the
// item's data lines; every other line adds an element: its first byte picks the group, the rest
// is cut at tabs into name, price, count and tags. Each run is made twice on twin libraries,
// once through the batch item and once through the plain walks that compare every element with
// every other; both must leave the same element data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FixtureLibrary.h"
#include "FuzzSupport.h"
#include "batch/TBatchData.h"
#include "batch/TBatchRunner.h"
#include "files/TElementDataWriter.h"
#include "model/FileResult.h"
#include "model/TBatchSetting.h"

using namespace tabrix;

namespace {

constexpr std::size_t kMaxElements = 200;

void AddElements(test::FilledLibrary& fixed, const StringList& lines) {
    TStringDivision division;
    std::vector<TElement*> added;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '[' || added.size() >= kMaxElements) continue;
        TGroupSetting* group =
            static_cast<unsigned char>(line[0]) % 2 ? fixed.groupB : fixed.groupA;
        TGroupData& data = *group->GroupData();
        data.AddElements(1);
        TElement& e = *data.At(data.Size() - 1);
        StringList fields;
        division.Split(std::string_view(line).substr(1), "\t", fields, 0);
        fields.resize(4);
        e.SetTexts(test::kName, {fields[0]});
        e.SetNumbers(test::kPrice,
                     {static_cast<std::uint32_t>(TStringDivision::ToLong(fields[1], 0))});
        e.SetNumbers(test::kCount, {TStringDivision::ToULong(fields[2], 0)});
        StringList tags;
        division.Split(fields[3], " ", tags, 0);
        e.SetTexts(test::kArray, tags);
        if (!added.empty()) {
            e.SetElementRefs(test::kRef, {added[added.size() / 2]});
            e.SetElementRefs(test::kRefArray, {added.front(), &e});
        }
        e.SetGroupRefs(test::kGroupRef, {fields[0].size() % 2 ? fixed.groupA : fixed.groupB});
        e.SetNumbers(test::kFlag, {static_cast<std::uint32_t>(fields[2].size() % 2)});
        added.push_back(&e);
    }
}

std::string Saved(test::FilledLibrary& fixed, const char* name) {
    const std::string path = (fuzz::ScratchDir() / name).string();
    fixed.data.SetPath(path);
    fixed.data.SetModified(true);
    FUZZ_CHECK(TElementDataWriter(fixed.data, fixed.library).Write() == kFileOk);
    for (const auto& group : fixed.library.Groups()) {
        const TGroupData& data = *group->GroupData();
        for (std::size_t i = 0; i < data.Size(); ++i)
            FUZZ_CHECK(data.At(i)->Index() == i && data.At(i)->Owner() == &data);
    }
    return fuzz::ReadBytes(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t choice = input.Byte();
    const StringList lines = fuzz::LinesOf(input.Rest());

    TBatchSetting setting;
    setting.type = choice % 7;  // 0 and 6 name no operation, 3 and 4 are save and output
    for (const std::string& line : lines)
        if (!line.empty() && line[0] == '[') setting.dataLines.push_back(line);
    const TBatchData parsed = TBatchData::Parse(setting.dataLines);

    test::FilledLibrary viaItem;
    test::FilledLibrary viaWalk;
    for (test::FilledLibrary* fixed : {&viaItem, &viaWalk}) {
        AddElements(*fixed, lines);
        fixed->groupB->Set(TGroupSetting::kReadOnly, (choice & 0x80) != 0);
    }

    TBatchRunner itemRunner(viaItem.library);
    const std::uint32_t result = itemRunner.RunBatchSetting(setting);
    // A refused item changes nothing: compared below with a library the walk left alone.
    const bool refused = result == TBatchRunner::kBatchNoUsableJudge;
    FUZZ_CHECK(result == TBatchRunner::kBatchRan || refused);
    // The same item stored in a batch list runs the same way.
    viaItem.library.BatchList(kBatchChange).push_back(setting);
    viaItem.library.BatchList(kBatchChange).push_back(setting);

    TBatchRunner walkRunner(viaWalk.library);
    switch (refused ? 0 : setting.type) {
        case TBatchRunner::kBatchSort:
            walkRunner.SortGroups(parsed.ascending, parsed.foldFlags, parsed.judgeParams,
                                  parsed.groups);
            break;
        case TBatchRunner::kBatchCompareApply:
            walkRunner.CompareApplyByWalk(parsed.sourceGroups, parsed.destGroups,
                                          parsed.judgeParams, parsed.applyParams);
            break;
        case TBatchRunner::kBatchDeleteDuplicates:
            walkRunner.DeleteDuplicatesByWalk(parsed.targetGroups, parsed.judgeParams);
            break;
        default:
            break;
    }
    FUZZ_CHECK(Saved(viaItem, "item.ZQD") == Saved(viaWalk, "walk.ZQD"));

    std::size_t saves = 0;
    std::size_t outputs = 0;
    std::size_t skips = 0;
    itemRunner.RunBatchList(kBatchChange, {[&] { ++saves; }, [&] { ++outputs; },
                                           [&](const TBatchSetting&, std::uint32_t) { ++skips; }});
    FUZZ_CHECK(skips == (refused ? 2u : 0u));
    const std::size_t expected = setting.type == TBatchRunner::kBatchSave ? 2 : 0;
    FUZZ_CHECK(saves == expected);
    FUZZ_CHECK(outputs == (setting.type == TBatchRunner::kBatchOutput ? 2u : 0u));
    (void)Saved(viaItem, "item.ZQD");
    return 0;
}
