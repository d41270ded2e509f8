// The edit log: every recorded kind of change undone and done again gives back exactly the
// model before and after it, references to and from the elements included; a step does not go
// under a change made by another history.
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "ElementFingerprint.h"
#include "FixtureLibrary.h"
#include "model/TEditLog.h"

namespace tabrix {
namespace {

using test::FilledLibrary;

// Every element of both group data in order: its identity, output flag, values (references by
// the target's place) and how many values refer to it.
std::string Fingerprint(FilledLibrary& fixture) {
    std::ostringstream out;
    for (TGroupData* data : {fixture.first, fixture.second}) {
        out << data->Name() << '\n';
        for (std::size_t i = 0; i < data->Size(); ++i) {
            TElement& e = *data->At(i);
            test::WriteFingerprint(out, e);
            out << " in=" << (e.HasReferrers() ? e.Referrers().Size() : 0) << '\n';
        }
    }
    for (TGroupSetting* group : {fixture.groupA, fixture.groupB})
        out << int(group->Status()) << ' ';
    return out.str();
}

struct Case {
    const char* name;
    std::function<void(FilledLibrary&)> edit;
};

class TEditLogCase : public ::testing::TestWithParam<Case> {};

TEST_P(TEditLogCase, UndoAndRedoGiveBackExactlyTheStatesBeforeAndAfter) {
    FilledLibrary fixture;
    const std::string before = Fingerprint(fixture);
    TEditLog log;
    {
        TEditLog::Scope scope(log);
        log.NoteGroupStatus(fixture.library);
        GetParam().edit(fixture);
    }
    log.Finish();
    const std::string after = Fingerprint(fixture);
    ASSERT_NE(before, after);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(log.CanUndo());
        EXPECT_FALSE(log.CanRedo());
        log.Undo();
        EXPECT_EQ(Fingerprint(fixture), before);
        ASSERT_TRUE(log.CanRedo());
        log.Redo();
        EXPECT_EQ(Fingerprint(fixture), after);
    }
    log.Undo();  // the log goes undone: what it holds goes with it
}

void SetName(TElement& e, const char* name) {
    TEditLog::NoteValue(e);
    e.SetTexts(test::kName, {name});
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, TEditLogCase,
    ::testing::Values(
        Case{"Add", [](FilledLibrary& f) { f.second->AddElements(2); }},
        Case{"InsertThenReferToIt",
             [](FilledLibrary& f) {
                 f.first->InsertElements(1, 2);
                 TEditLog::NoteValue(*f.second->At(0));
                 f.second->At(0)->SetElementRefs(test::kRef, {f.first->At(1)});
             }},
        Case{"DeleteReferencedBlock", [](FilledLibrary& f) { f.first->DeleteElements(0, 2); }},
        Case{"DeleteAtPositions",
             [](FilledLibrary& f) {
                 f.first->DeleteAt({0, 2});
             }},
        Case{"MoveDown", [](FilledLibrary& f) { f.first->MoveElements(0, 2, 0); }},
        Case{"MoveBlockUp", [](FilledLibrary& f) { f.first->MoveElements(1, 0, 2); }},
        Case{"TransferBetweenGroupData",
             [](FilledLibrary& f) { TEditLog::Active()->Transfer(*f.first, 1, 2, *f.second, 1); }},
        Case{"Permute",
             [](FilledLibrary& f) {
                 f.first->Permute({2, 0, 1});
             }},
        Case{"ValuesAndFlagsTwice",
             [](FilledLibrary& f) {
                 SetName(*f.first->At(0), "x");
                 SetName(*f.first->At(0), "y");
                 TEditLog::NoteValue(*f.first->At(1));
                 f.first->At(1)->SetOutputFlag(0);
                 f.groupA->Set(TGroupSetting::kOutputDone, true);
             }},
        // A value changed, then the element it refers to deleted, then the value changed
        // again: each change comes back in its turn.
        Case{"ValueAroundADeletion",
             [](FilledLibrary& f) {
                 SetName(*f.second->At(0), "before");
                 f.first->DeleteElements(0, 1);
                 SetName(*f.second->At(0), "after");
                 TEditLog::NoteValue(*f.second->At(0));
                 f.second->At(0)->SetElementRefs(test::kRefArray, {f.first->At(0)});
             }},
        Case{"DeleteEverything",
             [](FilledLibrary& f) {
                 f.first->DeleteElements(0, 3);
                 f.second->DeleteElements(0, 2);
             }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TEditLogTest, ADeletedElementComesBackAsTheSameObjectWithItsReferences) {
    FilledLibrary fixture;
    TElement* doomed = fixture.first->At(0);
    const std::size_t referrers = doomed->Referrers().Size();
    ASSERT_GT(referrers, 0u);
    TEditLog log;
    {
        TEditLog::Scope scope(log);
        fixture.first->DeleteElements(0, 1);
    }
    log.Finish();
    EXPECT_FALSE(doomed->HasReferrers());
    EXPECT_TRUE(doomed->IsDetached());
    log.Undo();
    EXPECT_EQ(fixture.first->At(0), doomed);
    EXPECT_FALSE(doomed->IsDetached());
    EXPECT_EQ(doomed->Referrers().Size(), referrers);
}

TEST(TEditLogTest, AStepDoesNotGoUnderAChangeMadeByAnotherHistory) {
    FilledLibrary fixture;
    TEditLog mine;
    {
        TEditLog::Scope scope(mine);
        SetName(*fixture.first->At(0), "mine");
    }
    mine.Finish();

    // Another history changes the same group data: mine may not be undone until it is
    // undone again.
    TEditLog other;
    {
        TEditLog::Scope scope(other);
        SetName(*fixture.first->At(1), "other");
    }
    other.Finish();
    EXPECT_FALSE(mine.CanUndo());
    other.Undo();
    EXPECT_TRUE(mine.CanUndo());

    // A reference made elsewhere to an element mine put in: undoing would erase it.
    TEditLog inserting;
    {
        TEditLog::Scope scope(inserting);
        fixture.first->AddElements(1);
    }
    inserting.Finish();
    TEditLog referring;
    {
        TEditLog::Scope scope(referring);
        TEditLog::NoteValue(*fixture.second->At(0));
        fixture.second->At(0)->SetElementRefs(test::kRef, {fixture.first->At(3)});
    }
    referring.Finish();
    EXPECT_FALSE(inserting.CanUndo());
    referring.Undo();
    EXPECT_TRUE(inserting.CanUndo());
}

}  // namespace
}  // namespace tabrix
