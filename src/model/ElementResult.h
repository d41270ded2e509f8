// What an element list operation did.
#pragma once

namespace tabrix {

enum ElementResult : int {
    kElementsChanged = 0,
    // Nothing changed: the group number names no group (or one without group data), or the
    // first element named lies at or beyond the end of the list.
    kNoSuchElements = 1,
};

}  // namespace tabrix
