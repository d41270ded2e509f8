// The lines the elements of a group data were read from, kept for a save that follows: a run
// of elements that still holds what its lines said, lines that are byte for byte what the
// writer would build, is written back as those lines instead of being built again. Lines are
// kept by runs of kRun positions, so that what is kept costs little beside the file's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/TStringDivision.h"

namespace tabrix {

class TElement;
class TZQLCtrl;

class TReadLines {
public:
    static constexpr std::size_t kRun = 64;
    using ElementList = std::vector<std::unique_ptr<TElement>>;

    // What a line is built with besides the element's own values: the parameter types and the
    // divider's escaping and character classes. A line kept under one context is no line of
    // another.
    struct Context {
        std::vector<std::uint8_t> types;
        EscapeMap escapes;
        std::uint8_t codeMode = 0;
        bool leadAtStart = false;

        static Context Of(const TZQLCtrl& library);
        bool operator==(const Context&) const = default;
    };

    // Room for the runs of count positions, none kept yet. bytes holds the lines.
    TReadLines(std::shared_ptr<const char[]> bytes, std::shared_ptr<const Context> context,
               std::size_t count);

    const Context& ReadWith() const { return *context_; }
    // False once the file the lines lie in was cut shorter (see MappedBytes): they are lost.
    bool BytesIntact() const;

    // The positions in run: kRun, fewer in the last one.
    std::size_t RunLength(std::size_t run) const;
    // Keeps the lines of run, lines [begin, end), each ended by "\r\n", read into elements
    // marked as read (TElement::MarkAsRead) whose addresses (TElement::ItemOf) mixed in order
    // (Mix64 from kSeed) give elements. Each run is kept once, so that threads may keep runs
    // of their own at the same time.
    void KeepRun(std::size_t run, const char* begin, const char* end, std::uint64_t elements) {
        if (run < runs_.size()) runs_[run] = {begin, end, elements};
    }
    static constexpr std::uint64_t kSeed = 0x243F6A8885A308D3ull;

    // The lines of positions from .. to-1, all in one run, each with its "\r\n", when every
    // position of the run in elements still holds the element read there, marked as read:
    // unchanged since; empty otherwise.
    std::string_view LinesFor(std::size_t from, std::size_t to, const ElementList& elements) const;

private:
    struct Run {
        const char* begin = nullptr;
        const char* end = nullptr;
        std::uint64_t elements = 0;  // their addresses mixed
    };

    std::shared_ptr<const char[]> bytes_;
    std::shared_ptr<const Context> context_;
    std::size_t count_;
    std::vector<Run> runs_;
};

}  // namespace tabrix
