// The whole opened library as UTF-8 JSON, for scripts and for comparing libraries.
#pragma once

#include <string>

namespace tabrix {
class TZQLCtrl;
}

namespace tabrix::cli {

std::string DumpLibrary(const TZQLCtrl& library);

}  // namespace tabrix::cli
