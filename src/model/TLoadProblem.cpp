#include "model/TLoadProblem.h"

#include <sys/stat.h>

#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TextCodec.h"

namespace tabrix {

namespace {

const char* KindName(TLoadProblem::Kind kind) {
    switch (kind) {
        case TLoadProblem::kParameterFile:
            return "parameter file";
        case TLoadProblem::kInitializeInfo:
            return "initialize-info file";
        default:
            return "element data file";
    }
}

// Why a file that gave kFileCannotOpen could not be opened, judged from what is there now.
std::string CannotOpenReason(const std::string& nativePath) {
    struct stat info {};
    if (nativePath.empty()) return "it has no path";
    if (::stat(nativePath.c_str(), &info) != 0) return "no such file";
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    return "it cannot be read";
}

std::string Reason(const TLoadProblem& problem, const std::string& nativePath) {
    switch (problem.result) {
        case kFileCannotOpen:
            return CannotOpenReason(nativePath);
        case kFileCloseFailed:
            return "the file is empty or could not be closed";
        case kFileWrongHeader:
            return std::string("it does not begin with the header of a ") + KindName(problem.kind);
        default:
            return "it could not be read: " + std::string(Describe(problem.result));
    }
}

}  // namespace

std::string TLoadProblem::Describe() const {
    const std::string native = PathName::ToNative(path);
    switch (kind) {
        case kDecodedUntyped:
            return native +
                   ": read without its parameter file, so its values cannot be trusted; it will "
                   "not be saved";
        case kGroupDataMissing:
            return "group " + TextCodec::ToUtf8(group) + ": " + native +
                   " holds no such group data; the group is not shown and is kept in the "
                   "library file as it is";
        default:
            return std::string(KindName(kind)) + " " + native + ": " + Reason(*this, native) +
                   "; it is left as it is and will not be saved";
    }
}

}  // namespace tabrix
