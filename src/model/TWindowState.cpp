#include "model/TWindowState.h"

#include <array>

#include "model/TStringDivision.h"

namespace tabrix {

namespace {

const char* const kWindowStateKey = "[WindowState]";
const char* const kBoundsKey = "[Bounds]";
const char* const kFollowModeKey = "[SubFlattery]";
const char* const kAutoApplyKey = "[AutoApply]";
const char* const kDragModeKey = "[DragMode]";
const char* const kPanelWidthKey = "[Panel_BR]";
const char* const kSelectedGroupKey = "[SelectGroupNo]";

TMapWord Key(const char* tag) {
    return TMapWord(tag);
}

// Bounds fields that are missing or not numbers: the window keeps its place in the corner and
// gets a small but usable size.
constexpr std::array<std::int32_t, 4> kBoundsFieldDefaults{0, 0, 100, 100};

}  // namespace

void TWindowState::PutLibraryDefaults(TMapInitialize& store) {
    StoreLibrary(store, TLibraryWindowState{});
}

void TWindowState::PutSubDefaults(TMapInitialize& store) {
    // Only the sub window's own keys belong to its section; its drag mode lives in the library
    // window's section.
    StoreSub(store, TSubWindowState{});
}

void TWindowState::StoreLibrary(TMapInitialize& store, const TLibraryWindowState& state) {
    store.SelectSection(LibrarySection());
    store.SetUnsigned(Key(kWindowStateKey), state.windowState);
    store.SetText(Key(kBoundsKey), FormatBounds(state.bounds));
    store.SetUnsigned(Key(kFollowModeKey), state.followMode);
    store.SetUnsigned(Key(kAutoApplyKey), state.autoApply ? 1 : 0);
    store.SetUnsigned(Key(kDragModeKey), state.dragMode);
    store.SetSigned(Key(kPanelWidthKey), state.panelWidth);
}

void TWindowState::StoreSub(TMapInitialize& store, const TSubWindowState& state) {
    store.SelectSection(SubSection());
    store.SetUnsigned(Key(kWindowStateKey), state.windowState);
    store.SetText(Key(kBoundsKey), FormatBounds(state.bounds));
    store.SetSigned(Key(kSelectedGroupKey), state.selectedGroup);
}

TLibraryWindowState TWindowState::ApplyLibrary(const TMapInitialize& store) {
    const TLibraryWindowState defaults;
    const TMapWord section = LibrarySection();
    TLibraryWindowState state;
    state.bounds =
        ParseBounds(store.GetTextIn(section, Key(kBoundsKey), FormatBounds(defaults.bounds)));
    state.windowState = store.GetUnsignedIn(section, Key(kWindowStateKey), defaults.windowState);
    state.panelWidth = store.GetSignedIn(section, Key(kPanelWidthKey), defaults.panelWidth);
    state.followMode = store.GetUnsignedIn(section, Key(kFollowModeKey), defaults.followMode);
    state.autoApply = store.GetUnsignedIn(section, Key(kAutoApplyKey), 0) != 0;
    // Unsigned, so that the stored default 4294967292 keeps its meaning (copy, add).
    state.dragMode = store.GetUnsignedIn(section, Key(kDragModeKey), defaults.dragMode);
    return state;
}

TSubWindowState TWindowState::ApplySub(const TMapInitialize& store) {
    const TSubWindowState defaults;
    const TMapWord section = SubSection();
    TSubWindowState state;
    state.bounds =
        ParseBounds(store.GetTextIn(section, Key(kBoundsKey), FormatBounds(defaults.bounds)));
    state.windowState = store.GetUnsignedIn(section, Key(kWindowStateKey), defaults.windowState);
    state.selectedGroup =
        store.GetSignedIn(section, Key(kSelectedGroupKey), defaults.selectedGroup);
    state.dragMode = store.GetUnsignedIn(LibrarySection(), Key(kDragModeKey), defaults.dragMode);
    return state;
}

std::string TWindowState::FormatBounds(const TWindowBounds& bounds) {
    return TStringDivision::Join(
        ",",
        {TStringDivision::Format("d", bounds.left), TStringDivision::Format("d", bounds.top),
         TStringDivision::Format("d", bounds.width), TStringDivision::Format("d", bounds.height)});
}

TWindowBounds TWindowState::ParseBounds(std::string_view text) {
    StringList fields;
    TStringDivision().Split(text, ",", fields);
    std::array<std::int32_t, 4> values = kBoundsFieldDefaults;
    for (std::size_t i = 0; i < values.size() && i < fields.size(); ++i)
        values[i] = TStringDivision::ToLong(fields[i], kBoundsFieldDefaults[i]);
    return TWindowBounds{values[0], values[1], values[2], values[3]};
}

}  // namespace tabrix
