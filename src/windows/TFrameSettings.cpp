#include "windows/TFrameSettings.h"

#include <QDir>

#include <cstdlib>

#include "files/TStringFiler.h"
#include "model/PathName.h"
#include "platform/QtText.h"

namespace tabrix {

namespace {

const TMapWord kSection("[MainForm]", "[/MainForm]");
const TMapWord kWindowState("[WindowState]", "");
const TMapWord kBounds("[Bounds]", "");
const TMapWord kAlwaysOnTop("[AlwaysOnTop]", "");

int WholeNumber(const std::string& field) {
    if (field.empty()) return 0;
    char* end = nullptr;
    const long value = std::strtol(field.c_str(), &end, 0);
    return *end == '\0' ? static_cast<int>(value) : 0;
}

}  // namespace

TFrameSettings::TFrameSettings(QString folder) : folder_(std::move(folder)) {}

QString TFrameSettings::FilePath() const {
    return folder_ + QStringLiteral("/Tabrix.ini");
}

void TFrameSettings::Load(const QSize& screen) {
    store_.Clear();
    store_.SelectSection(kSection);
    SetBounds(QRect(screen.width() / 2 - 300, screen.height() / 2 - 200, 600, 400));
    SetWindowState(0);
    SetAlwaysOnTop(false);
    std::string path;
    if (!PathName::FromNative(QtText::ToNative(FilePath()), path)) return;
    StringList lines;
    if (TStringFiler().Load(lines, path) == 0) store_.Parse(lines);
}

bool TFrameSettings::Save() {
    QDir().mkpath(folder_);
    std::string path;
    if (!PathName::FromNative(QtText::ToNative(FilePath()), path)) return false;
    StringList lines;
    store_.Serialise(lines);
    return TStringFiler().Save(lines, path) == 0;
}

int TFrameSettings::WindowState() const {
    return store_.GetSignedIn(kSection, kWindowState, 0);
}

QRect TFrameSettings::Bounds() const {
    const std::string text = store_.GetTextIn(kSection, kBounds, "");
    int fields[4] = {0, 0, 0, 0};
    std::size_t start = 0;
    for (int& field : fields) {
        if (start > text.size()) break;
        const std::size_t comma = text.find(',', start);
        field = WholeNumber(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    }
    return QRect(fields[0], fields[1], fields[2], fields[3]);
}

bool TFrameSettings::AlwaysOnTop() const {
    return store_.GetSignedIn(kSection, kAlwaysOnTop, 0) == 1;
}

void TFrameSettings::SetWindowState(int state) {
    store_.SelectSection(kSection);
    store_.SetSigned(kWindowState, state);
}

void TFrameSettings::SetBounds(const QRect& bounds) {
    store_.SelectSection(kSection);
    store_.SetText(kBounds, std::to_string(bounds.left()) + "," + std::to_string(bounds.top()) +
                                "," + std::to_string(bounds.width()) + "," +
                                std::to_string(bounds.height()));
}

void TFrameSettings::SetAlwaysOnTop(bool on) {
    store_.SelectSection(kSection);
    store_.SetSigned(kAlwaysOnTop, on ? 1 : 0);
}

}  // namespace tabrix
