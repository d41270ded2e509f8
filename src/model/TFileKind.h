// What each kind of library file is: its extension, its header line, the filter its file
// dialogs offer and how its path beside a library file is made. Every reader, writer, dialog
// and the command-line tool take these facts from here, so a kind is described in one place.
#pragma once

#include <string>
#include <string_view>

#include "model/CoreText.h"

namespace tabrix {

enum class FileKind { kLibrary, kParameters, kInitializeInfo, kElementData, kCount };

struct TFileKind {
    static constexpr std::string_view kVersionSeparator = " ver ";
    static constexpr std::string_view kWriterVersion = "2.0";

    FileKind kind;
    std::string_view extension;   // without the dot: "ZQL"
    std::string_view headerKind;  // the header line's text before " ver "

    static const TFileKind& Of(FileKind kind);

    // ".ZQL"
    std::string Suffix() const;
    // "*.ZQL", the pattern of the kind's own files.
    std::string Pattern() const;
    // The first line writers put in the file: headerKind + " ver 2.0".
    std::string HeaderLine() const;
    // The name the dialogs give the kind's files, "ZQLファイル(*.ZQL)" (UTF-8).
    std::string FilterName() const;
    // "ZQLファイル(*.ZQL)|*.ZQL" in the "name|pattern" form the file dialogs take (UTF-8).
    std::string OwnFilter() const;
    // OwnFilter with every file offered after it: "...|全てのファイルを表示|*.*" (UTF-8).
    std::string Filter() const;

    // A progress or problem text about the file at path: "ZQL「path" + the text of suffix.
    std::string About(const std::string& path, CoreText::Id suffix) const;

    // The path beside libraryPath for this kind: the library's extension (after its last dot
    // in the file name) replaced, or the suffix appended when it has none. Used for the files
    // a new library gets.
    std::string SiblingPath(const std::string& libraryPath) const;
    // The path of libraryPath with its last three characters replaced by the extension, as
    // a save names the parameter and initialize-info files after a library file just chosen
    // in a dialog that appends ".ZQL".
    std::string SameName(const std::string& libraryPath) const;
};

}  // namespace tabrix
