#include "model/TWindowState.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

const TMapWord kBounds("[Bounds]");

TEST(TWindowStateTest, StoreThenApplyGivesTheSameState) {
    TLibraryWindowState library;
    library.windowState = kWindowMaximised;
    library.bounds = {-8, 12, 640, 480};
    library.followMode = kFollowLeft;
    library.autoApply = true;
    library.dragMode = kDragMove | kDragInsert;
    library.panelWidth = -3;
    TSubWindowState sub;
    sub.windowState = kWindowMinimised;
    sub.bounds = {1, 2, 3, 4};
    sub.selectedGroup = 5;

    TMapInitialize store;
    TWindowState::StoreLibrary(store, library);
    TWindowState::StoreSub(store, sub);

    EXPECT_EQ(store.GetTextIn(TWindowState::LibrarySection(), kBounds, ""), "-8,12,640,480");
    EXPECT_EQ(TWindowState::ApplyLibrary(store), library);
    sub.dragMode = library.dragMode;  // the sub window's buttons follow the library window
    EXPECT_EQ(TWindowState::ApplySub(store), sub);
}

TEST(TWindowStateTest, ApplyingAnEmptyStoreGivesTheDefaults) {
    TMapInitialize store;
    EXPECT_EQ(TWindowState::ApplyLibrary(store), TLibraryWindowState{});
    EXPECT_EQ(TWindowState::ApplySub(store), TSubWindowState{});
    EXPECT_EQ(TWindowState::ApplyLibrary(store).dragMode, 4294967292u);
}

TEST(TWindowStateTest, BoundsFieldsMissingOrNotNumbersGiveFieldDefaults) {
    auto bounds = [](const char* text) {
        TMapInitialize store;
        TWindowState::PutLibraryDefaults(store);
        store.SetText(kBounds, text);
        return TWindowState::ApplyLibrary(store).bounds;
    };
    EXPECT_EQ(bounds("10,20,w,40"), (TWindowBounds{10, 20, 100, 40}));
    EXPECT_EQ(bounds("x,y,30,40"), (TWindowBounds{0, 0, 30, 40}));
    EXPECT_EQ(bounds("10,20"), (TWindowBounds{10, 20, 100, 100}));
    EXPECT_EQ(bounds("0x10,010,-5,7,99"), (TWindowBounds{16, 8, -5, 7}));
    EXPECT_EQ(bounds(""), (TWindowBounds{0, 0, 100, 100}));
}

TEST(TWindowStateTest, SubWindowReadsDragModeOfTheLibrarySection) {
    TMapInitialize store;
    TWindowState::PutSubDefaults(store);
    store.SelectSection(TWindowState::LibrarySection());
    store.SetText(TMapWord("[DragMode]"), "-3");
    store.SelectSection(TWindowState::SubSection());
    EXPECT_EQ(TWindowState::ApplySub(store).dragMode, 4294967293u);
    EXPECT_EQ(store.CurrentSection(), TWindowState::SubSection()) << "apply keeps the section";
}

}  // namespace
}  // namespace tabrix
