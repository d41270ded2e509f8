#include "model/TLibraryCustomise.h"

#include "model/TWindowState.h"

namespace tabrix {

namespace {

// A value no file line can hold (lines end before it): the key was not in the file.
constexpr const char* kAbsent = "\n";
constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;
constexpr std::uint32_t kMaxColour = 0x00FFFFFFu;

}  // namespace

void TLibraryCustomise::ReadKeys(const StringList& lines, TMapInitialize& store) {
    const TMapWord section = TWindowState::LibrarySection();
    const TMapWord keys[] = {PanelColourKey(), GroupListCountKey()};
    TMapInitialize found;
    found.SelectSection(section);
    for (const TMapWord& key : keys)
        found.SetText(key, kAbsent);
    found.Parse(lines, 0, -1);

    const TMapWord previous = store.CurrentSection();
    store.SelectSection(section);
    for (const TMapWord& key : keys) {
        std::string value = found.GetText(key, kAbsent);
        if (value != kAbsent) store.SetText(key, std::move(value));
    }
    store.SelectSection(previous);
}

TLibraryLook TLibraryCustomise::Get(const TMapInitialize& store) {
    const TMapWord section = TWindowState::LibrarySection();
    TLibraryLook look;
    const std::uint32_t colour = store.GetUnsignedIn(section, PanelColourKey(), kNoColour);
    if (colour <= kMaxColour) look.panelColour = colour;
    const std::uint32_t count =
        store.GetUnsignedIn(section, GroupListCountKey(), TLibraryLook::kDefaultGroupListCount);
    if (count >= 1 && count <= TLibraryLook::kMaxGroupListCount) look.groupListCount = count;
    return look;
}

void TLibraryCustomise::Put(TMapInitialize& store, const TLibraryLook& look) {
    const TLibraryLook current = Get(store);
    const TMapWord previous = store.CurrentSection();
    store.SelectSection(TWindowState::LibrarySection());
    if (look.panelColour && look.panelColour != current.panelColour)
        store.SetUnsigned(PanelColourKey(), *look.panelColour);
    if (look.groupListCount != current.groupListCount)
        store.SetUnsigned(GroupListCountKey(), look.groupListCount);
    store.SelectSection(previous);
}

}  // namespace tabrix
