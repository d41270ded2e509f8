// The library window's look as the library settings' "カスタマイズ" page sets it: the parameter
// panel's background colour and how many groups the group drop-down lists at once. Kept in the
// [ZQLForm] section of the library's initialize-info store, under keys that older readers skip;
// a store that never held them is written exactly as before.
#pragma once

#include <cstdint>
#include <optional>

#include "model/TMapInitialize.h"
#include "model/TMapWord.h"

namespace tabrix {

struct TLibraryLook {
    static constexpr std::uint32_t kDefaultGroupListCount = 16;
    static constexpr std::uint32_t kMaxGroupListCount = 50;

    // Red in the lowest byte, then green, then blue; none: the window's own colour.
    std::optional<std::uint32_t> panelColour;
    std::uint32_t groupListCount = kDefaultGroupListCount;

    bool operator==(const TLibraryLook&) const = default;
};

class TLibraryCustomise {
public:
    static TMapWord PanelColourKey() { return TMapWord("[ParamBoxColor]"); }
    static TMapWord GroupListCountKey() { return TMapWord("[GroupDropDownCount]"); }

    // Takes these keys from a file's lines into store where the file has them. The store parses
    // only keys it already holds, and holding them by default would add them to every file.
    static void ReadKeys(const StringList& lines, TMapInitialize& store);

    // The look the store gives; a missing key, or a value out of range, gives the default.
    static TLibraryLook Get(const TMapInitialize& store);
    // Sets in store only the values that differ from what it gives now, so that an unchanged
    // look never adds a key.
    static void Put(TMapInitialize& store, const TLibraryLook& look);
};

}  // namespace tabrix
