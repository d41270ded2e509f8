#include "settings/TLibrarySetting.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <memory>

#include "files/TLibraryWriter.h"
#include "files/TParameterFileReader.h"
#include "files/TParameterFileWriter.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TFileKind.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"
#include "settings/TLibrarySettingSwap.h"

namespace tabrix {

namespace {

std::string Sj(const char* utf8) {
    return TextCodec::FromUtf8(utf8);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    std::string native = PathName::ToNative(path);
    return !native.empty() && ::stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

TLibrarySetting::TLibrarySetting(const TZQLCtrl& library)
    : outputPath(library.OutputPath()),
      libraryPath(library.Path()),
      previewImage(library.PreviewImage()),
      description(JoinLines(library.PreviewMemo())),
      timedInterval(library.TimedInterval()) {
    if (library.ParameterFile()) parameterPath = library.ParameterFile()->Path();
    if (library.InitializeInfo()) {
        initializePath = library.InitializeInfo()->Path();
        look = TLibraryCustomise::Get(library.InitializeInfo()->Store());
    }
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        batch_[trigger] = library.BatchList(static_cast<BatchTrigger>(trigger));
    originalDescription_ = description;
}

TLibrarySetting::ImageKind TLibrarySetting::ImageKindOf(const std::string& path) {
    std::size_t dot = path.find_last_of('.');
    std::size_t separator = PathName::LastSeparator(path);
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return ImageKind::kNone;
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (extension == ".JPG") return ImageKind::kJpeg;
    if (extension == ".BMP") return ImageKind::kBitmap;
    return ImageKind::kNone;
}

// --- batch lists --------------------------------------------------------------------------------

std::vector<std::string> TLibrarySetting::BatchRows(BatchTrigger trigger) const {
    std::vector<std::string> rows;
    for (const TBatchSetting& item : batch_[trigger])
        rows.push_back(item.name);
    if (rows.empty()) rows.push_back(Sj("＜処理未指定＞"));
    return rows;
}

TBatchSetting TLibrarySetting::PlainItem(BatchEntry entry) {
    TBatchSetting item;
    if (entry == BatchEntry::kSave) {
        item.type = 3;
        item.name = Sj("上書き保存");
    } else if (entry == BatchEntry::kOutput) {
        item.type = 4;
        item.name = Sj("出力");
    }
    return item;
}

TBatchSetting TLibrarySetting::OperationItem(BatchEntry entry, StringList lines) {
    TBatchSetting item;
    item.dataLines = std::move(lines);
    if (entry == BatchEntry::kSort) {
        item.type = 1;
        item.name = Sj("並び替え");
    } else if (entry == BatchEntry::kCompareApply) {
        item.type = 2;
        item.name = Sj("判定適用");
    } else if (entry == BatchEntry::kDuplicateDeletion) {
        item.type = 5;
        item.name = Sj("重複削除");
    }
    return item;
}

void TLibrarySetting::AppendItem(BatchTrigger trigger, TBatchSetting item) {
    batch_[trigger].push_back(std::move(item));
}

bool TLibrarySetting::RemoveItem(BatchTrigger trigger, std::size_t row) {
    std::vector<TBatchSetting>& list = batch_[trigger];
    if (row >= list.size()) return false;
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

bool TLibrarySetting::MoveItem(BatchTrigger trigger, std::size_t from, std::size_t to) {
    std::vector<TBatchSetting>& list = batch_[trigger];
    if (from >= list.size() || to >= list.size()) return false;
    TBatchSetting item = std::move(list[from]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(from));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(to), std::move(item));
    return true;
}

// --- commit ------------------------------------------------------------------------------------

std::string TLibrarySetting::Resolved(const std::string& path) const {
    return path.empty() || libraryPath.empty() ? path : PathName::Resolve(libraryPath, path);
}

TLibrarySetting::ParameterChange TLibrarySetting::ParameterChangeFor(
    const TZQLCtrl& library) const {
    const TZQPCtrl* current = library.ParameterFile();
    const std::string resolved = Resolved(parameterPath);
    if (current && (current->Path() == parameterPath || current->Path() == resolved))
        return ParameterChange::kUnchanged;
    return FileExists(resolved) ? ParameterChange::kAsk : ParameterChange::kNewPath;
}

bool TLibrarySetting::Commit(TZQLCtrl& library, ReloadAnswer answer, FileResult& readResult) const {
    const TLibrarySettingSwap::Stored before(library);
    const bool read = CommitSettings(library, answer, readResult);
    // A changed setting is unsaved work like any other: closing asks before it is lost.
    if (!(TLibrarySettingSwap::Stored(library) == before)) library.SetModified(true);
    return read;
}

bool TLibrarySetting::CommitSettings(TZQLCtrl& library, ReloadAnswer answer,
                                     FileResult& readResult) const {
    readResult = kFileOk;
    ParameterChange change = ParameterChangeFor(library);

    // Typed relative paths are taken as the reader takes them, beside the library; the writers
    // would otherwise write relative to whatever folder the editor runs in.
    if (outputPath != library.OutputPath()) library.SetOutputPath(Resolved(outputPath));
    library.SetPath(libraryPath);
    library.SetPreviewImage(previewImage);
    if (!library.InitializeInfo()) library.SetInitializeInfo(std::make_unique<TZQICtrl>());
    if (initializePath != library.InitializeInfo()->Path())
        library.InitializeInfo()->SetPath(Resolved(initializePath));

    bool read = false;
    if (change == ParameterChange::kNewPath ||
        (change == ParameterChange::kAsk && answer == ReloadAnswer::kOverwrite)) {
        if (library.ParameterFile()) library.ParameterFile()->SetPath(Resolved(parameterPath));
    } else if (change == ParameterChange::kAsk && answer == ReloadAnswer::kRead) {
        read = ReadParameterFile(library, readResult);
    }

    // The memo's own text comes back joined; only a real edit replaces the lines, so that an
    // unchanged memo keeps lines a join and split would not give back (a single empty line).
    if (description != originalDescription_) library.PreviewMemo() = SplitLines(description);
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger)
        library.BatchList(static_cast<BatchTrigger>(trigger)) = batch_[trigger];
    library.SetTimedInterval(timedInterval);
    TLibraryCustomise::Put(library.InitializeInfo()->Store(), look);
    return read;
}

bool TLibrarySetting::ReadParameterFile(TZQLCtrl& library, FileResult& readResult) const {
    // Read before releasing the current file, so that a failed read leaves the library with
    // the definitions it had.
    auto file = std::make_unique<TZQPCtrl>();
    file->SetOwnerLibrary(&library);
    file->SetPath(Resolved(parameterPath));
    readResult = TParameterFileReader(*file).Read();
    if (readResult != kFileOk) return false;
    if (library.Controller()) library.Controller()->ReleaseParameterFile(library);
    library.AttachParameterFile(std::move(file));
    return true;
}

std::vector<std::string> TLibrarySetting::TemplateFilesPresent(const std::string& zqlPath) {
    std::vector<std::string> present;
    for (const std::string& path :
         {zqlPath, TFileKind::Of(FileKind::kParameters).SameName(zqlPath)}) {
        struct stat status {};
        if (lstat(PathName::ToNative(path).c_str(), &status) == 0) present.push_back(path);
    }
    return present;
}

FileResult TLibrarySetting::WriteTemplate(TZQLCtrl& library, const std::string& zqlPath) {
    TZQPCtrl* parameters = library.ParameterFile();
    TZQICtrl* info = library.InitializeInfo();
    if (!parameters) return kFileCannotOpen;
    const std::string libraryPath = library.Path(), parameterPath = parameters->Path();
    const std::string infoPath = info ? info->Path() : std::string();
    const std::uint8_t libraryStatus = library.Status();
    const std::uint32_t parameterStatus = parameters->Status();

    // The writers write to the paths they hold: the template's paths are lent for the write.
    library.SetPath(zqlPath);
    parameters->SetPath(TFileKind::Of(FileKind::kParameters).SameName(zqlPath));
    if (info) info->SetPath("");
    library.SetModified(true);
    parameters->SetModified(true);
    FileResult result = TLibraryWriter(library).Write();
    if (result == kFileOk) result = TParameterFileWriter(*parameters).Write();

    library.SetPath(libraryPath);
    library.SetStatus(libraryStatus);
    parameters->SetPath(parameterPath);
    parameters->SetStatus(parameterStatus);
    if (info) info->SetPath(infoPath);
    return result;
}

std::string TLibrarySetting::JoinLines(const StringList& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text.append(i ? "\r\n" : "").append(lines[i]);
    return text;
}

StringList TLibrarySetting::SplitLines(const std::string& text) {
    StringList lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace tabrix
