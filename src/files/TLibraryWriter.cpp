#include "files/TLibraryWriter.h"

#include <cstdint>

#include "files/LibraryTags.h"
#include "files/TStringFiler.h"
#include "model/CoreText.h"
#include "model/PathName.h"
#include "model/TBatchSetting.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
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

std::string Unsigned(std::uint64_t value) {
    return TStringDivision::Format("u", static_cast<std::int64_t>(value & 0xFFFFFFFFu));
}

}  // namespace

FileResult TLibraryWriter::Write(const Progress& progress, TFileWriter& writer) {
    if (!library_.IsModified()) return kFileOk;
    const std::string& path = library_.Path();
    Report(progress, Message(path, CoreText::kSavePreparing));
    library_.SetModified(false);
    StringList lines = BuildLines();
    Report(progress, Message(path, CoreText::kSaveBegin));
    TStringFiler filer;
    FileResult result =
        filer.SaveTagged(lines, path, ThisKind().headerKind, TStringFiler::kCrLf, writer);
    if (result != kFileOk) library_.SetModified(true);  // what is not on disk stays unsaved
    return result;
}

StringList TLibraryWriter::BuildLines() const {
    const std::string& path = library_.Path();
    const TZQPCtrl* parameterFile = library_.ParameterFile();
    const TZQICtrl* initializeInfo = library_.InitializeInfo();
    const std::string zqpPath =
        parameterFile ? PathName::MakeRelative(path, parameterFile->Path()) : "";
    StringList lines;
    lines.push_back(ThisKind().HeaderLine());
    lines.push_back("[init]");
    lines.push_back("[status]" + Unsigned(library_.Status()));
    lines.push_back("[zqp_file]" + zqpPath);
    lines.push_back("[zqi_file]" +
                    (initializeInfo ? PathName::MakeRelative(path, initializeInfo->Path()) : ""));
    lines.push_back("[output_path]" + PathName::MakeRelative(path, library_.OutputPath()));
    lines.push_back("[preview_image]" + library_.PreviewImage());
    TStringFiler::WriteBlock(lines, "[preview_memo]", library_.PreviewMemo(), "[/preview_memo]");
    lines.push_back(std::string("[cr_word]") + (library_.LineBreak() == "\r\n" ? "0"
                                                : library_.LineBreak() == "\r" ? "1"
                                                                               : "2"));
    lines.push_back("[/init]");

    lines.push_back("[use_group]");
    // Held records go back at the positions they were read from, among the shown groups, as
    // RenumberGroups numbers them.
    const std::vector<TZQLCtrl::HeldGroup>& heldGroups = library_.HeldGroups();
    auto held = heldGroups.begin();
    std::size_t written = 0;
    auto writeHeld = [&] {
        lines.insert(lines.end(), held->lines.begin(), held->lines.end());
        ++held;
        ++written;
    };
    const std::vector<std::size_t> heldNumbers = library_.HeldNumbers();
    for (const auto& group : library_.Groups()) {
        while (held != heldGroups.end() && held->position <= written)
            writeHeld();
        AppendGroupLines(lines, *group, zqpPath, heldNumbers);
        ++written;
    }
    while (held != heldGroups.end())
        writeHeld();
    lines.push_back("[/use_group]");

    TStringFiler::WriteBlock(lines, "[free_text]", library_.FreeText(), "[/free_text]");
    lines.push_back("[batch]");
    if (library_.TimedIntervalStored())
        lines.push_back(kTimedIntervalTag + Unsigned(library_.StoredTimedInterval()));
    for (std::size_t trigger = 0; trigger < kBatchTriggerCount; ++trigger) {
        for (const TBatchSetting& item : library_.BatchList(static_cast<BatchTrigger>(trigger))) {
            lines.push_back(kBatchTags[trigger].open);
            lines.push_back("[type]" + Unsigned(item.type));
            lines.push_back("[name]" + item.name);
            TStringFiler::WriteBlock(lines, "[data]", item.dataLines, "[/data]");
            lines.push_back(kBatchTags[trigger].close);
        }
    }
    lines.push_back("[/batch]");
    return lines;
}

void TLibraryWriter::AppendGroupLines(StringList& lines, const TGroupSetting& group,
                                      const std::string& zqpPath,
                                      const std::vector<std::size_t>& heldNumbers) const {
    const TGroupData* data = group.GroupData();
    const TZQDCtrl* file = data ? data->Owner() : nullptr;
    lines.push_back("[group]");
    lines.push_back("[name]" + group.Name());
    lines.push_back("[zqp_file]" + zqpPath);
    lines.push_back("[zqd_file]" +
                    (file ? PathName::MakeRelative(library_.Path(), file->Path()) : ""));
    lines.push_back("[gd_index]" + Unsigned(data ? data->Index() : 0));
    lines.push_back("[status]" + Unsigned(group.Status()));
    lines.push_back("[output_path]" + group.OutputPath());
    if (group.ConnectGroup())
        lines.push_back("[connect_group]" + Unsigned(group.ConnectGroup()->Number()));
    else if (group.HeldConnect() && *group.HeldConnect() < heldNumbers.size())
        lines.push_back("[connect_group]" + Unsigned(heldNumbers[*group.HeldConnect()]));
    TStringFiler::WriteBlock(lines, "[header]", group.Header(), "[/header]");
    TStringFiler::WriteBlock(lines, "[footer]", group.Footer(), "[/footer]");
    lines.push_back("[/group]");
}

}  // namespace tabrix
