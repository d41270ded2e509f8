#include "platform/QtText.h"

#include "model/TextCodec.h"

namespace tabrix {

QString QtText::FromCp932(std::string_view cp932) {
    return QString::fromStdString(TextCodec::ToUtf8(cp932));
}

std::string QtText::ToCp932(const QString& text) {
    return TextCodec::FromUtf8(text.toStdString());
}

bool QtText::ToCp932Exact(const QString& text, std::string& cp932) {
    const std::string utf8 = text.toStdString();
    if (!TextCodec::FromUtf8(utf8, cp932)) return false;
    // Some characters share one CP932 form; only a round trip proves the text survives.
    return TextCodec::ToUtf8(cp932) == utf8;
}

}  // namespace tabrix
