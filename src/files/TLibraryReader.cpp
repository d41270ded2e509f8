#include "files/TLibraryReader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "files/LibraryTags.h"
#include "files/TElementDataReader.h"
#include "files/TInitializeInfoReader.h"
#include "files/TParameterFileReader.h"
#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/PathName.h"
#include "model/TBatchSetting.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

const TFileKind& ThisKind() {
    return TFileKind::Of(FileKind::kLibrary);
}

std::string Message(const std::string& path, CoreText::Id suffix) {
    return ThisKind().About(path, suffix);
}

// The line break a [cr_word] choice stands for. Handed over whole and moved in: assigning
// the short literals in place made g++ 12 at -O3 see an overlapping copy (-Wrestrict).
std::optional<std::string> LineBreakOfChoice(std::uint32_t choice) {
    switch (choice) {
        case 0:
            return "\r\n";
        case 1:
            return "\r";
        case 2:
            return "\n";
        default:
            return std::nullopt;
    }
}

}  // namespace

struct TLibraryReader::PendingConnect {
    TGroupSetting* group;
    std::uint32_t target;
};

TLibraryReader::TLibraryReader(TZQLCtrl& library) : library_(library), resolver_(library) {}

FileResult TLibraryReader::Read(const Progress& progress) {
    const std::string& path = library_.Path();
    Report(progress, Message(path, CoreText::kReading));
    TStringFiler filer;
    StringList lines;
    FileResult result = filer.LoadTagged(lines, path, ThisKind().headerKind);
    if (result != kFileOk) return result;
    Report(progress, Message(path, CoreText::kExpanding));

    if (TTabrixCtrl* controller = library_.Controller())
        controller->ReleaseElementDataFiles(library_);
    library_.ClearGroups();
    library_.ClearLoadProblems();
    library_.ClearHeldGroups();

    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string line = lines[i];
        std::string tag = filer.CutTag(line);
        if (tag == "[init") {
            ReadInit(lines, i, progress);
        } else if (tag == "[use_group") {
            ReadGroups(lines, i, progress);
        } else if (tag == "[batch") {
            ReadBatch(lines, i);
        } else if (tag == "[free_text") {
            i = TStringFiler::ReadBlock(lines, i, "[/free_text]", library_.FreeText());
        }
    }
    library_.RebuildGroupMap();
    library_.RenumberGroups();
    library_.SetModified(false);
    return kFileOk;
}

void TLibraryReader::ReadInit(const StringList& lines, std::size_t& i, const Progress& progress) {
    TStringFiler filer;
    for (++i; i < lines.size(); ++i) {
        std::string value = lines[i];
        std::string tag = filer.CutTag(value);
        if (tag == "[/init") return;
        if (tag == "[status") {
            library_.SetStatus(static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0)));
        } else if (tag == "[output_path") {
            library_.SetOutputPath(PathName::Resolve(library_.Path(), value));
        } else if (tag == "[zqp_file") {
            ReadParameterFile(value, progress);
        } else if (tag == "[zqi_file") {
            ReadInitializeInfo(value);
        } else if (tag == "[cr_word") {
            // An unknown choice keeps the current line break.
            if (auto lineBreak = LineBreakOfChoice(TStringDivision::ToULong(value, 0)))
                library_.SetLineBreak(std::move(*lineBreak));
        } else if (tag == "[preview_image") {
            library_.SetPreviewImage(value);
        } else if (tag == "[preview_memo") {
            i = TStringFiler::ReadBlock(lines, i, "[/preview_memo]", library_.PreviewMemo());
        }
    }
}

// A file a library failed to read is left alone for the rest of the session; an empty path
// names no file, so there is nothing on disk to protect.
void TLibraryReader::ReadParameterFile(const std::string& path, const Progress& progress) {
    TZQPCtrl* file = library_.ParameterFile();
    if (!file) file = library_.AttachParameterFile(std::make_unique<TZQPCtrl>());
    file->SetPath(path);
    FileResult result = TParameterFileReader(*file).Read(progress);
    file->SetReadOnly(false);
    if (result != kFileOk && !path.empty()) {
        file->SetReadOnly(true);
        library_.AddLoadProblem({TLoadProblem::kParameterFile, file->Path(), result, {}});
    }
}

void TLibraryReader::ReadInitializeInfo(const std::string& path) {
    if (!library_.InitializeInfo()) library_.SetInitializeInfo(std::make_unique<TZQICtrl>());
    TZQICtrl* info = library_.InitializeInfo();
    info->SetPath(path);
    FileResult result = TInitializeInfoReader(*info).Read();
    info->SetReadOnly(false);
    // A window-state file that is not there holds nothing to lose (libraries made by scripts
    // have none): the windows take their defaults and the save creates it. One that exists but
    // cannot be read is kept from being overwritten.
    if (result != kFileOk && !path.empty() && !FileIdentity::Absent(info->Path())) {
        info->SetReadOnly(true);
        library_.AddLoadProblem({TLoadProblem::kInitializeInfo, info->Path(), result, {}});
    }
}

void TLibraryReader::ReadGroups(const StringList& lines, std::size_t& i, const Progress& progress) {
    TStringFiler filer;
    std::vector<PendingConnect> connects;
    std::size_t records = 0;  // group records met so far, shown or not
    for (++i; i < lines.size(); ++i) {
        std::string value = lines[i];
        std::string tag = filer.CutTag(value);
        if (tag == "[/use_group") break;
        if (tag != "[group") continue;
        const std::size_t first = i;
        std::string zqdPath;
        std::uint32_t gdIndex = 0;
        std::string connect;
        std::unique_ptr<TGroupSetting> group = ReadGroup(lines, i, zqdPath, gdIndex, connect);
        TGroupSetting* placed = group.get();
        const std::string name = group->Name();
        if (PlaceReadGroup(std::move(group), zqdPath, gdIndex, progress)) {
            if (!connect.empty())
                connects.push_back({placed, TStringDivision::ToULong(connect, 0)});
        } else if (TTabrixCtrl* controller = library_.Controller()) {
            // Not shown, but kept: the record goes back into the file as it was read.
            std::size_t last = std::min(i, lines.size() - 1);
            StringList record(lines.begin() + static_cast<std::ptrdiff_t>(first),
                              lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            if (i >= lines.size()) record.push_back("[/group]");
            library_.AddHeldGroup({records, std::move(record)});
            TZQDCtrl* file =
                controller->FindElementDataFile(PathName::Resolve(library_.Path(), zqdPath));
            if (file && !file->IsReadOnly())
                library_.AddLoadProblem(
                    {TLoadProblem::kGroupDataMissing, file->Path(), kFileOk, name});
        }
        ++records;
    }
    // Connect-group numbers are group numbers, held records counted.
    library_.RenumberGroups();
    const std::vector<std::size_t> held = library_.HeldNumbers();
    for (const PendingConnect& c : connects) {
        if (TGroupSetting* target = library_.GroupByNumber(c.target))
            c.group->SetConnectGroup(target);
        auto record = std::find(held.begin(), held.end(), c.target);
        if (record != held.end())
            c.group->SetHeldConnect(static_cast<std::size_t>(record - held.begin()));
    }
}

std::unique_ptr<TGroupSetting> TLibraryReader::ReadGroup(const StringList& lines, std::size_t& i,
                                                         std::string& zqdPath,
                                                         std::uint32_t& gdIndex,
                                                         std::string& connect) {
    TStringFiler filer;
    auto group = std::make_unique<TGroupSetting>();
    for (++i; i < lines.size(); ++i) {
        std::string value = lines[i];
        std::string tag = filer.CutTag(value);
        if (tag == "[/group") break;
        if (tag == "[name")
            group->SetName(value);
        else if (tag == "[zqd_file")
            zqdPath = value;
        else if (tag == "[gd_index")
            gdIndex = TStringDivision::ToULong(value, 0);
        else if (tag == "[status")
            group->SetStatus(static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0)));
        else if (tag == "[output_path")
            group->SetOutputPath(value);
        else if (tag == "[connect_group")
            connect = value;
        else if (tag == "[header")
            i = TStringFiler::ReadBlock(lines, i, "[/header]", group->Header());
        else if (tag == "[footer")
            i = TStringFiler::ReadBlock(lines, i, "[/footer]", group->Footer());
        // "[zqp_file" names the library's own parameter file; the group always uses that one.
    }
    return group;
}

bool TLibraryReader::PlaceReadGroup(std::unique_ptr<TGroupSetting> group,
                                    const std::string& zqdPath, std::uint32_t gdIndex,
                                    const Progress& progress) {
    if (!library_.Controller()) return false;
    TZQDCtrl* file = ReadElementDataFile(PathName::Resolve(library_.Path(), zqdPath), progress);
    if (gdIndex >= file->Size()) return false;
    group->SetGroupData(file->At(gdIndex));
    library_.AppendGroup(std::move(group));
    return true;
}

// The loaded file with this path, or a new one read now. A file that cannot be read holds no
// group data and is never written; nor is one decoded while the parameter file is missing,
// since its references and numbers were read without their types.
TZQDCtrl* TLibraryReader::ReadElementDataFile(const std::string& path, const Progress& progress) {
    TTabrixCtrl* controller = library_.Controller();
    if (TZQDCtrl* loaded = controller->FindElementDataFile(path)) return loaded;
    TZQDCtrl* file = controller->FindOrCreateElementDataFile(path);
    FileResult result = TElementDataReader(*file, library_, resolver_.Table()).Read(progress);
    const TZQPCtrl* parameterFile = library_.ParameterFile();
    if (result != kFileOk) {
        file->SetReadOnly(true);
        library_.AddLoadProblem({TLoadProblem::kElementData, file->Path(), result, {}});
    } else if (parameterFile && parameterFile->IsReadOnly()) {
        file->SetReadOnly(true);
        library_.AddLoadProblem({TLoadProblem::kDecodedUntyped, file->Path(), result, {}});
    }
    resolver_.NoteFileRead(file);
    return file;
}

void TLibraryReader::ReadBatch(const StringList& lines, std::size_t& i) {
    TStringFiler filer;
    for (++i; i < lines.size() && lines[i] != "[/batch]"; ++i) {
        if (lines[i].starts_with(kTimedIntervalTag)) {
            library_.SetStoredTimedInterval(TStringDivision::ToULong(
                lines[i].substr(std::char_traits<char>::length(kTimedIntervalTag)),
                TZQLCtrl::kDefaultTimedInterval));
            continue;
        }
        std::size_t trigger = 0;
        while (trigger < kBatchTriggerCount && lines[i] != kBatchTags[trigger].open)
            ++trigger;
        if (trigger == kBatchTriggerCount) continue;
        TBatchSetting item;
        for (++i; i < lines.size() && lines[i] != kBatchTags[trigger].close; ++i) {
            std::string value = lines[i];
            std::string tag = filer.CutTag(value);
            if (tag == "[type")
                item.type = TStringDivision::ToULong(value, 0);
            else if (tag == "[name")
                item.name = value;
            else if (tag == "[data")
                i = TStringFiler::ReadBlock(lines, i, "[/data]", item.dataLines);
        }
        library_.BatchList(static_cast<BatchTrigger>(trigger)).push_back(std::move(item));
        if (i >= lines.size()) break;
    }
}

}  // namespace tabrix
