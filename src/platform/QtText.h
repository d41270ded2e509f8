// The one place where the model's CP932 text meets Qt's Unicode strings: window captions,
// control texts, file names shown in dialogs.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tabrix {

class QtText {
public:
    // CP932 bytes as a QString; bytes that are not CP932 show as U+FFFD.
    static QString FromCp932(std::string_view cp932);
    // The CP932 form of text; characters without one become "?". For control texts the user
    // typed, where a lossy answer is better than none.
    static std::string ToCp932(const QString& text);
    // The exact CP932 form; false when a character has none (paths must be exact or refused).
    static bool ToCp932Exact(const QString& text, std::string& cp932);
    // A native (UTF-8) file name as a QString, and back.
    static QString FromNative(const std::string& native) { return QString::fromStdString(native); }
    static std::string ToNative(const QString& path) { return path.toStdString(); }
};

}  // namespace tabrix
