#include "platform/QtFileKind.h"

namespace tabrix {

QString QtFileKind::Filter(FileKind kind) {
    return QString::fromStdString(TFileKind::Of(kind).Filter());
}

QString QtFileKind::OwnFilter(FileKind kind) {
    return QString::fromStdString(TFileKind::Of(kind).OwnFilter());
}

QString QtFileKind::Extension(FileKind kind) {
    const std::string_view extension = TFileKind::Of(kind).extension;
    return QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
}

QString QtFileKind::Pattern(FileKind kind) {
    return QString::fromStdString(TFileKind::Of(kind).Pattern());
}

QString QtFileKind::Suffix(FileKind kind) {
    return QString::fromStdString(TFileKind::Of(kind).Suffix());
}

}  // namespace tabrix
