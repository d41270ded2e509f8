// The window layouts a library keeps in its initialize-info store: the "[ZQLForm]" section of
// the library window and the "[SubForm]" section of the sub window. The windows copy these
// plain states to and from their widgets; the reading, writing and defaults live here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/TMapInitialize.h"
#include "model/TMapWord.h"

namespace tabrix {

// Window show states as the store holds them.
enum WindowShowState : std::uint32_t {
    kWindowNormal = 0,
    kWindowMinimised = 1,
    kWindowMaximised = 2,
};

// Sub-window follow modes of the library window ("[SubFlattery]").
enum SubFollowMode : std::uint32_t {
    kFollowNone = 0,
    kFollowRight = 1,
    kFollowLeft = 2,
};

// Drag mode bits: set = move / insert, clear = copy / add at the end. Other bits mean nothing.
enum DragModeBits : std::uint32_t {
    kDragMove = 0x1,
    kDragInsert = 0x2,
};

// Position and size of a window in its normal (restored) state.
struct TWindowBounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool operator==(const TWindowBounds&) const = default;
};

// The library window's layout; the member defaults are the stored defaults.
struct TLibraryWindowState {
    std::uint32_t windowState = kWindowNormal;
    TWindowBounds bounds{0, 0, 400, 300};  // of the normal window
    std::uint32_t followMode = kFollowRight;
    bool autoApply = false;
    std::uint32_t dragMode = 0xFFFFFFFCu;  // -4 as unsigned: copy, add
    std::int32_t panelWidth = 170;         // the panel area right of the list, in pixels

    bool operator==(const TLibraryWindowState&) const = default;
};

// The sub window's layout. dragMode is only read (from the library window's section): the sub
// window's two drag buttons show it.
struct TSubWindowState {
    std::uint32_t windowState = kWindowNormal;
    TWindowBounds bounds{400, 0, 140, 300};
    std::int32_t selectedGroup = 0;
    std::uint32_t dragMode = 0xFFFFFFFCu;

    bool operator==(const TSubWindowState&) const = default;
};

class TWindowState {
public:
    static TMapWord LibrarySection() { return TMapWord("[ZQLForm]", "[/ZQLForm]"); }
    static TMapWord SubSection() { return TMapWord("[SubForm]", "[/SubForm]"); }

    // Set every key of the section to its default; the section becomes current.
    static void PutLibraryDefaults(TMapInitialize& store);
    static void PutSubDefaults(TMapInitialize& store);

    // Store a window's layout; state.bounds must be the bounds of the normal window, whatever
    // state the window is in. The section becomes current.
    static void StoreLibrary(TMapInitialize& store, const TLibraryWindowState& state);
    static void StoreSub(TMapInitialize& store, const TSubWindowState& state);

    // The layouts to apply. Missing keys and values that are not numbers give the defaults;
    // a bounds field that is missing or not a number gives 0 for left and top and 100 for
    // width and height. The store's current section is left as it is.
    static TLibraryWindowState ApplyLibrary(const TMapInitialize& store);
    static TSubWindowState ApplySub(const TMapInitialize& store);

    // "left,top,width,height" in decimal, and back.
    static std::string FormatBounds(const TWindowBounds& bounds);
    static TWindowBounds ParseBounds(std::string_view text);
};

}  // namespace tabrix
