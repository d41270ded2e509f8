#include "model/TReadLines.h"

#include <algorithm>
#include <cstring>

#include "model/MappedBytes.h"
#include "model/Mix64.h"
#include "model/TElement.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

TReadLines::Context TReadLines::Context::Of(const TZQLCtrl& library) {
    Context context;
    if (const TZQPCtrl* params = library.ParameterFile())
        for (std::size_t i = 0; i < params->Size(); ++i)
            context.types.push_back(params->At(i)->Type());
    const TStringDivision& division = library.Division();
    context.escapes = division.EscapeMapping();
    context.codeMode = division.CodeMode();
    context.leadAtStart = division.LeadAtStart();
    return context;
}

TReadLines::TReadLines(std::shared_ptr<const char[]> bytes, std::shared_ptr<const Context> context,
                       std::size_t count)
    : bytes_(std::move(bytes)),
      context_(std::move(context)),
      count_(count),
      runs_((count + kRun - 1) / kRun) {}

bool TReadLines::BytesIntact() const {
    return MappedBytes::Intact(bytes_.get());
}

std::size_t TReadLines::RunLength(std::size_t run) const {
    const std::size_t first = run * kRun;
    return first < count_ ? std::min(kRun, count_ - first) : 0;
}

std::string_view TReadLines::LinesFor(std::size_t from, std::size_t to,
                                      const ElementList& elements) const {
    const std::size_t run = from / kRun;
    if (from >= to || run >= runs_.size() || (to - 1) / kRun != run) return {};
    const Run& kept = runs_[run];
    const std::size_t first = run * kRun, length = RunLength(run);
    // A run that has grown since (elements added after it) holds more than its lines.
    if (!kept.begin || to > first + length || first + length > elements.size()) return {};
    // Each position holds the very element decoded there, unchanged since.
    const std::size_t past = first + length;
    std::uint64_t hash = kSeed;
    for (std::size_t k = first; k < past; ++k) {
        const TElement* element = elements[k].get();
        if (!element || !element->IsAsRead()) return {};
        hash = Mix64(hash, TElement::ItemOf(element));
    }
    if (hash != kept.elements) return {};
    // Part of a run: its lines are found by their ends, unless the bytes were lost since.
    auto pastLines = [&](const char* at, std::size_t lines) -> const char* {
        for (; at && lines > 0; --lines) {
            at = static_cast<const char*>(std::memchr(at, '\n', kept.end - at));
            if (at) ++at;
        }
        return at;
    };
    const char* begin = pastLines(kept.begin, from - first);
    const char* end = !begin || to == past ? kept.end : pastLines(begin, to - from);
    if (!begin || !end) return {};
    return {begin, static_cast<std::size_t>(end - begin)};
}

}  // namespace tabrix
