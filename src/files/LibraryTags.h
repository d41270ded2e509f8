// The tags of a library file's batch block, which the library's reader and writer must agree
// on to the byte.
#pragma once

#include "model/TZQLCtrl.h"

namespace tabrix {

// The tags that open and close a batch item of each trigger, in trigger order.
struct BatchTags {
    const char* open;
    const char* close;
};
inline constexpr BatchTags kBatchTags[kBatchTriggerCount] = {{"[time]", "[/time]"},
                                                             {"[open]", "[/open]"},
                                                             {"[close]", "[/close]"},
                                                             {"[change]", "[/change]"}};
// The timed list's interval, a line of the batch block that older readers pass over.
inline constexpr const char* kTimedIntervalTag = "[time_interval]";

}  // namespace tabrix
