#include "model/TFileKind.h"

#include <iterator>

#include "model/PathName.h"

namespace tabrix {

namespace {

constexpr TFileKind kKinds[] = {
    {FileKind::kLibrary, "ZQL", "Library-File for Tabrix"},
    {FileKind::kParameters, "ZQP", "Parameter-Info for Tabrix"},
    {FileKind::kInitializeInfo, "ZQI", "Initialize-Info for Tabrix"},
    {FileKind::kElementData, "ZQD", "Element-Data for Tabrix"},
};

// One row per kind, in the enum's order: a kind added without its row fails to build.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        if (kKinds[i].kind != static_cast<FileKind>(i)) return false;
    return std::size(kKinds) == static_cast<std::size_t>(FileKind::kCount);
}
static_assert(InEnumOrder(), "every FileKind needs its row in kKinds, in the enum's order");

constexpr std::string_view kEveryFile = "|全てのファイルを表示|*.*";

}  // namespace

const TFileKind& TFileKind::Of(FileKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

// Appended rather than added to a literal: g++ 12 at -O3 warns (wrongly) about the insert
// that "literal" + string makes.
std::string TFileKind::Suffix() const {
    std::string suffix(1, '.');
    suffix += extension;
    return suffix;
}

std::string TFileKind::Pattern() const {
    std::string pattern(1, '*');
    pattern += Suffix();
    return pattern;
}

std::string TFileKind::HeaderLine() const {
    std::string line(headerKind);
    line += kVersionSeparator;
    line += kWriterVersion;
    return line;
}

std::string TFileKind::FilterName() const {
    return std::string(extension) + "ファイル(" + Pattern() + ")";
}

std::string TFileKind::OwnFilter() const {
    return FilterName() + "|" + Pattern();
}

std::string TFileKind::Filter() const {
    return OwnFilter() + std::string(kEveryFile);
}

std::string TFileKind::About(const std::string& path, CoreText::Id suffix) const {
    return std::string(extension) + CoreText::Get(CoreText::kOpenQuote) + path +
           CoreText::Get(suffix);
}

std::string TFileKind::SiblingPath(const std::string& libraryPath) const {
    std::string base = libraryPath;
    const std::size_t separator = PathName::LastSeparator(base);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && (separator == std::string::npos || dot > separator))
        base.resize(dot);
    return base + Suffix();
}

std::string TFileKind::SameName(const std::string& libraryPath) const {
    const std::size_t kept = libraryPath.size() < 3 ? 0 : libraryPath.size() - 3;
    return libraryPath.substr(0, kept) + std::string(extension);
}

}  // namespace tabrix
