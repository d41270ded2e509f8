// The keyed duplicate deletion and compare-apply against the plain walks, on random
// libraries: the same survivors in the same order, the same values copied, the same marks.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "batch/TBatchRunner.h"
#include "batch/TElementSorter.h"
#include "batch/TJudgeKey.h"
#include "model/TGroupData.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {
namespace {

// Every type, then text types again, so that texts stand behind lists of both kinds.
constexpr std::uint8_t kTypes[] = {
    kTypeString,    kTypeStringArray,   kTypeElementRef,  kTypeElementRefArray, kTypeBool,
    kTypeBoolArray, kTypeSigned,        kTypeSignedArray, kTypeUnsigned,        kTypeUnsignedArray,
    kTypeGroupRef,  kTypeListSelection, kTypeStringArray, kTypeString};
constexpr std::size_t kParams = sizeof kTypes;

// A library of four groups with few distinct values, so that many elements match, and
// values missing at random (the tables of elements end early).
struct RandomLibrary {
    explicit RandomLibrary(unsigned seed) {
        std::mt19937 random(seed);
        library.AttachParameterFile(std::make_unique<TZQPCtrl>());
        for (std::uint8_t type : kTypes)
            library.ParameterFile()->AddParameter()->SetType(type);
        for (int g = 0; g < 4; ++g) {
            TGroupData* groupData = data.AddGroupData();
            library.AddGroupForGroupData(groupData);
            groupData->AddElements(random() % 12);
        }
        library.Group(3)->Set(TGroupSetting::kReadOnly, random() % 2 == 0);
        for (std::size_t g = 0; g < 4; ++g) {
            TGroupData& groupData = *library.Group(g)->GroupData();
            for (std::size_t i = 0; i < groupData.Size(); ++i)
                Fill(*groupData.At(i), random);
        }
    }

    TElement* AnyElement(std::mt19937& random) {
        TGroupData& groupData = *library.Group(random() % 4)->GroupData();
        return groupData.Size() ? groupData.At(random() % groupData.Size()) : nullptr;
    }

    void Fill(TElement& e, std::mt19937& random) {
        const std::size_t texts = random() % (kParams + 1);
        const std::size_t numbers = random() % (kParams + 1);
        for (std::size_t p = 0; p < kParams; ++p) {
            const std::uint8_t type = kTypes[p];
            if (IsTextType(type)) {
                if (p >= texts) continue;
                TextList items;
                std::size_t n = type == kTypeString ? random() % 2 : random() % 3;
                for (std::size_t k = 0; k < n; ++k)
                    items.push_back(random() % 2 ? "a" : "b");
                e.SetTexts(p, items);
            } else if (p < numbers) {
                std::size_t n = random() % 3;
                if (IsElementRefType(type)) {
                    std::vector<TElement*> targets;
                    for (std::size_t k = 0; k < n; ++k)
                        targets.push_back(AnyElement(random));
                    e.SetElementRefs(p, targets);
                } else if (type == kTypeGroupRef) {
                    e.SetGroupRefs(p, {random() % 3 ? library.Group(random() % 4) : nullptr});
                } else {
                    std::vector<std::uint32_t> values;
                    for (std::size_t k = 0; k < n; ++k)
                        values.push_back(random() % 2 ? 0xFFFFFFFFu : 1);
                    e.SetNumbers(p, values);
                }
            }
        }
    }

    // Everything the operations can change, with references named by group and position.
    std::string State() const {
        std::ostringstream out;
        for (std::size_t g = 0; g < library.GroupCount(); ++g) {
            const TGroupSetting& group = *library.Group(g);
            out << "group " << g << " status " << int(group.Status()) << "\n";
            for (const auto& e : group.GroupData()->Elements()) {
                out << " element " << e->Index() << " texts " << e->TextCount() << ":";
                for (std::size_t p = 0; p < e->TextCount(); ++p) {
                    out << " [";
                    for (std::string_view text : e->Texts(p))
                        out << text << ";";
                    out << "]";
                }
                out << " numbers " << e->NumberCount() << ":";
                for (std::size_t p = 0; p < e->NumberCount(); ++p) {
                    out << " [";
                    for (NumberItem item : e->Numbers(p))
                        out << Describe(*e, p, item) << ";";
                    out << "]";
                }
                out << "\n";
            }
        }
        out << "modified " << data.IsModified() << "\n";
        return out.str();
    }

    std::string Describe(const TElement& e, std::size_t p, NumberItem item) const {
        if (e.HoldsElementRefs(p)) {
            const TElement* target = TElement::AsElement(item);
            if (!target) return "E-";
            const TGroupSetting* group = library.FindGroupOf(target->Owner());
            return std::string("E").append(std::to_string(group->Number())) + ":" +
                   std::to_string(target->Index());
        }
        if (e.HoldsGroupRefs(p)) {
            const TGroupSetting* group = TElement::AsGroup(item);
            return group ? std::string("G").append(std::to_string(group->Number())) : "G-";
        }
        return std::to_string(item);
    }

    TZQDCtrl data;
    TZQLCtrl library;
};

IndexList RandomSubset(std::mt19937& random, std::size_t size, std::size_t most) {
    IndexList list;
    std::size_t n = random() % (most + 1);
    for (std::size_t k = 0; k < n; ++k)
        list.push_back(random() % (size + 1));  // now and then an index that names nothing
    return list;
}

// Each seed's library, once for the duplicate deletion and once for the compare-apply; each
// operation draws its lists from a stream of its own. Every other deletion splits its groups
// into parts on the cores.
TEST(TJudgeKeyTest, KeyedOperationsDoWhatTheWalksDo) {
    std::mt19937 deleting(2024), applying(99);
    const std::size_t parallelSize = TElementSorter::ParallelSortSize();
    for (unsigned seed = 0; seed < 400; ++seed) {
        const IndexList targets = RandomSubset(deleting, 4, 5);
        const IndexList judges = RandomSubset(deleting, kParams, 3);
        RandomLibrary keyed(seed), walked(seed);
        ASSERT_EQ(keyed.State(), walked.State());
        TElementSorter::SetParallelSortSize(seed % 2 ? 2 : parallelSize);
        TBatchRunner(keyed.library).DeleteDuplicates(targets, judges);
        TElementSorter::SetParallelSortSize(parallelSize);
        TBatchRunner(walked.library).DeleteDuplicatesByWalk(targets, judges);
        ASSERT_EQ(keyed.State(), walked.State()) << "deletion, seed " << seed;

        const IndexList sources = RandomSubset(applying, 4, 3);
        const IndexList dests = RandomSubset(applying, 4, 3);  // may overlap the sources
        const IndexList compared = RandomSubset(applying, kParams, 2);
        const IndexList applies = RandomSubset(applying, kParams, 4);
        RandomLibrary keyedApply(seed), walkedApply(seed);
        TBatchRunner(keyedApply.library).CompareApply(sources, dests, compared, applies);
        TBatchRunner(walkedApply.library).CompareApplyByWalk(sources, dests, compared, applies);
        ASSERT_EQ(keyedApply.State(), walkedApply.State()) << "compare-apply, seed " << seed;
    }
}

TEST(TJudgeKeyTest, KeysAreEqualExactlyWhenTheValuesMatch) {
    RandomLibrary random(5);
    std::vector<TElement*> all;
    for (std::size_t g = 0; g < 4; ++g) {
        for (const auto& e : random.library.Group(g)->GroupData()->Elements())
            all.push_back(e.get());
    }
    for (std::size_t p = 0; p < kParams; ++p) {
        TJudgeKey keyOf({{static_cast<std::uint32_t>(p), kTypes[p]}});
        std::string ka, kb;
        for (TElement* a : all) {
            keyOf.Build(*a, ka);
            for (TElement* b : all) {
                keyOf.Build(*b, kb);
                bool match =
                    TBatchRunner::CompareValues(*a, *b, p, kTypes[p]) == TBatchRunner::kEqual;
                ASSERT_EQ(ka == kb, match) << "parameter " << p;
            }
        }
    }
}

}  // namespace
}  // namespace tabrix
