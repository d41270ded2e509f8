// Turns the reference values read from a library's element data files into element and group
// references, once every file is loaded: references name elements and groups by their numbers
// in the library, held group records counted. A large table is resolved on several threads.
#pragma once

#include <cstdint>
#include <vector>

#include "files/TUnresolvedReference.h"
#include "model/TElement.h"

namespace tabrix {

class TGroupSetting;
class TZQDCtrl;
class TZQLCtrl;

class TReferenceResolver {
public:
    explicit TReferenceResolver(TZQLCtrl& library) : library_(library) {}

    // The reference values read and not yet resolved, in the order read.
    std::vector<TUnresolvedReference>& Table() { return references_; }
    const std::vector<TUnresolvedReference>& Table() const { return references_; }
    // An element data file decoded against the library: once resolved it remembers the
    // library's group list, which its written references are numbered by.
    void NoteFileRead(TZQDCtrl* file) { filesRead_.push_back(file); }

    // Turns the collected reference items into element and group references, then empties
    // the table.
    void Resolve();

private:
    struct KeptReference {
        TElement* element;
        std::uint32_t param;
        TElement::KeptItems items;
    };
    template <typename Target, typename Lookup>
    void ResolveItems(const TUnresolvedReference& ref, Lookup lookup,
                      std::vector<Target*>& targets);
    void ResolveElementRefs(const TUnresolvedReference& ref,
                            const std::vector<TGroupSetting*>& numbered);
    void ResolveGroupRefs(const TUnresolvedReference& ref,
                          const std::vector<TGroupSetting*>& numbered);

    TZQLCtrl& library_;
    std::vector<TUnresolvedReference> references_;
    std::vector<KeptReference> keptReferences_;
    std::vector<TZQDCtrl*> filesRead_;
};

}  // namespace tabrix
