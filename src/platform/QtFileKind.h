// The facts of a file kind as the Qt dialogs take them: filters, default suffixes and
// name patterns, taken from the one table of file kinds.
#pragma once

#include <QString>

#include "model/TFileKind.h"

namespace tabrix {

class QtFileKind {
public:
    // "ZQLファイル(*.ZQL)|*.ZQL|全てのファイルを表示|*.*"
    static QString Filter(FileKind kind);
    // "ZQLファイル(*.ZQL)|*.ZQL"
    static QString OwnFilter(FileKind kind);
    // "ZQL", a file dialog's default suffix.
    static QString Extension(FileKind kind);
    // "*.ZQL"
    static QString Pattern(FileKind kind);
    // ".ZQL"
    static QString Suffix(FileKind kind);
};

}  // namespace tabrix
