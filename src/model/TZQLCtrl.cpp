#include "model/TZQLCtrl.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>

#include "model/CoreText.h"
#include "model/FileIdentity.h"
#include "model/LibraryTags.h"
#include "model/ParamType.h"
#include "model/PathName.h"
#include "model/RunInParts.h"
#include "model/TElementLineReader.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TStringFiler.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQICtrl.h"
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

struct TZQLCtrl::PendingConnect {
    TGroupSetting* group;
    std::uint32_t target;
};

TZQLCtrl::TZQLCtrl() : workingElement_(std::make_unique<TElement>()) {
    division_.SetSyntax(std::nullopt, std::nullopt, std::nullopt,
                        TStringDivision::LibraryEscapeMap(), std::nullopt);
}

TZQLCtrl::~TZQLCtrl() {
    workingElement_.reset();
    if (controller_) {
        controller_->ReleaseParameterFile(*this);
        controller_->ReleaseElementDataFiles(*this);
        controller_->UnregisterLibrary(*this);
    }
    groups_.clear();
    initializeInfo_.reset();
}

TZQPCtrl* TZQLCtrl::AttachParameterFile(std::unique_ptr<TZQPCtrl> file) {
    file->SetOwnerLibrary(this);
    if (controller_) {
        parameterFile_ = controller_->AddParameterFile(std::move(file));
    } else {
        ownParameterFile_ = std::move(file);
        parameterFile_ = ownParameterFile_.get();
    }
    return parameterFile_;
}

void TZQLCtrl::SetInitializeInfo(std::unique_ptr<TZQICtrl> info) {
    initializeInfo_ = std::move(info);
    if (initializeInfo_) initializeInfo_->SetLibrary(this);
}

// --- groups ----------------------------------------------------------------------------------

TGroupSetting* TZQLCtrl::AddGroupForGroupData(TGroupData* data) {
    auto group = std::make_unique<TGroupSetting>();
    group->SetGroupData(data);
    return AppendGroup(std::move(group));
}

TGroupSetting* TZQLCtrl::AppendGroup(std::unique_ptr<TGroupSetting> group) {
    group->SetLibrary(this);
    group->SetParameterFile(parameterFile_);
    group->SetNumber(static_cast<std::uint32_t>(groups_.size()));
    TGroupSetting* added = group.get();
    groups_.push_back(std::move(group));
    if (!heldGroups_.empty()) RenumberGroups();
    if (added->GroupData()) groupMap_[added->GroupData()] = added;
    return added;
}

void TZQLCtrl::DeleteGroup(std::size_t i) {
    TakeGroup(i);
}

std::unique_ptr<TGroupSetting> TZQLCtrl::TakeGroup(std::size_t i) {
    if (i >= groups_.size()) return nullptr;
    TGroupSetting* doomed = groups_[i].get();
    for (const auto& group : groups_) {
        if (group->ConnectGroup() == doomed) group->SetConnectGroup(nullptr);
    }
    std::unique_ptr<TGroupSetting> taken = std::move(groups_[i]);
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberGroups();
    RebuildGroupMap();
    return taken;
}

void TZQLCtrl::ClearGroups() {
    groups_.clear();
    groupMap_.clear();
}

std::vector<std::unique_ptr<TGroupSetting>> TZQLCtrl::TakeGroups() {
    groupMap_.clear();
    return std::move(groups_);
}

void TZQLCtrl::ReorderGroups(std::vector<std::unique_ptr<TGroupSetting>> ordered) {
    groups_ = std::move(ordered);
    RenumberGroups();
    RebuildGroupMap();
}

TGroupSetting* TZQLCtrl::FindGroupOf(const TGroupData* data) const {
    auto it = groupMap_.find(data);
    return it == groupMap_.end() ? nullptr : it->second;
}

void TZQLCtrl::RebuildGroupMap() {
    groupMap_.clear();
    // When several groups show one group data, the last of them is the one the map names.
    for (const auto& group : groups_) {
        if (group->GroupData()) groupMap_[group->GroupData()] = group.get();
    }
}

// The shown groups take the numbers the held records leave free, in the order a save writes
// them: a hidden group moves no other one, so references, connect groups and stored batch
// items keep naming the groups they named when the file was read.
void TZQLCtrl::RenumberGroups() {
    auto held = heldGroups_.begin();
    std::size_t number = 0;
    for (const auto& group : groups_) {
        for (; held != heldGroups_.end() && held->position <= number; ++held)
            ++number;
        group->SetNumber(static_cast<std::uint32_t>(number++));
    }
}

std::vector<std::size_t> TZQLCtrl::HeldNumbers() const {
    std::vector<std::size_t> numbers;
    auto held = heldGroups_.begin();
    std::size_t number = 0;
    for (std::size_t shown = 0; shown < groups_.size(); ++shown, ++number)
        for (; held != heldGroups_.end() && held->position <= number; ++held)
            numbers.push_back(number++);
    for (; held != heldGroups_.end(); ++held)
        numbers.push_back(number++);
    return numbers;
}

std::vector<TGroupSetting*> TZQLCtrl::ByNumber() const {
    std::vector<TGroupSetting*> numbered;
    for (const auto& group : groups_) {
        if (numbered.size() <= group->Number()) numbered.resize(group->Number() + 1, nullptr);
        numbered[group->Number()] = group.get();
    }
    return numbered;
}

TGroupSetting* TZQLCtrl::GroupByNumber(std::size_t number) const {
    // Mostly nothing is held, and the number is the position.
    if (number < groups_.size() && groups_[number]->Number() == number)
        return groups_[number].get();
    for (const auto& group : groups_)
        if (group->Number() == number) return group.get();
    return nullptr;
}

// --- element list operations -----------------------------------------------------------------

namespace {

TGroupData* DataForChange(const std::vector<std::unique_ptr<TGroupSetting>>& groups,
                          std::size_t group) {
    if (group >= groups.size() || !groups[group]->GroupData()) return nullptr;
    groups[group]->Set(TGroupSetting::kOutputDone, false);
    return groups[group]->GroupData();
}

}  // namespace

ElementResult TZQLCtrl::AddElements(std::size_t group, std::size_t n) {
    TGroupData* data = DataForChange(groups_, group);
    if (!data) return kNoSuchElements;
    data->AddElements(n);
    return kElementsChanged;
}

ElementResult TZQLCtrl::InsertElements(std::size_t group, std::size_t position, std::size_t n) {
    TGroupData* data = DataForChange(groups_, group);
    if (!data) return kNoSuchElements;
    data->InsertElements(position, n);
    return kElementsChanged;
}

ElementResult TZQLCtrl::DeleteElements(std::size_t group, std::size_t first, std::size_t end) {
    TGroupData* data = DataForChange(groups_, group);
    return data ? data->DeleteElements(first, end) : kNoSuchElements;
}

ElementResult TZQLCtrl::MoveElements(std::size_t group, std::size_t first, std::size_t target,
                                     std::size_t last) {
    TGroupData* data = DataForChange(groups_, group);
    return data ? data->MoveElements(first, target, last) : kNoSuchElements;
}

// --- reading ---------------------------------------------------------------------------------

FileResult TZQLCtrl::Read(const Progress& progress) {
    Report(progress, Message(path_, CoreText::kReading));
    TStringFiler filer;
    StringList lines;
    FileResult result = filer.LoadTagged(lines, path_, ThisKind().headerKind);
    if (result != kFileOk) return result;
    Report(progress, Message(path_, CoreText::kExpanding));

    if (controller_) controller_->ReleaseElementDataFiles(*this);
    ClearGroups();
    problems_.clear();
    heldGroups_.clear();
    filesRead_.clear();

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
            i = TStringFiler::ReadBlock(lines, i, "[/free_text]", freeText_);
        }
    }
    RebuildGroupMap();
    RenumberGroups();
    SetModified(false);
    return kFileOk;
}

void TZQLCtrl::ReadInit(const StringList& lines, std::size_t& i, const Progress& progress) {
    TStringFiler filer;
    for (++i; i < lines.size(); ++i) {
        std::string value = lines[i];
        std::string tag = filer.CutTag(value);
        if (tag == "[/init") return;
        if (tag == "[status") {
            status_ = static_cast<std::uint8_t>(TStringDivision::ToULong(value, 0));
        } else if (tag == "[output_path") {
            outputPath_ = PathName::Resolve(path_, value);
        } else if (tag == "[zqp_file") {
            ReadParameterFile(value, progress);
        } else if (tag == "[zqi_file") {
            ReadInitializeInfo(value);
        } else if (tag == "[cr_word") {
            // An unknown choice keeps the current line break.
            if (auto lineBreak = LineBreakOfChoice(TStringDivision::ToULong(value, 0)))
                lineBreak_ = std::move(*lineBreak);
        } else if (tag == "[preview_image") {
            previewImage_ = value;
        } else if (tag == "[preview_memo") {
            i = TStringFiler::ReadBlock(lines, i, "[/preview_memo]", previewMemo_);
        }
    }
}

// A file a library failed to read is left alone for the rest of the session; an empty path
// names no file, so there is nothing on disk to protect.
void TZQLCtrl::ReadParameterFile(const std::string& path, const Progress& progress) {
    if (!parameterFile_) AttachParameterFile(std::make_unique<TZQPCtrl>());
    parameterFile_->SetPath(path);
    FileResult result = parameterFile_->Read(progress);
    parameterFile_->SetReadOnly(false);
    if (result != kFileOk && !path.empty()) {
        parameterFile_->SetReadOnly(true);
        problems_.push_back({TLoadProblem::kParameterFile, parameterFile_->Path(), result, {}});
    }
}

void TZQLCtrl::ReadInitializeInfo(const std::string& path) {
    if (!initializeInfo_) SetInitializeInfo(std::make_unique<TZQICtrl>());
    initializeInfo_->SetPath(path);
    FileResult result = initializeInfo_->Read();
    initializeInfo_->SetReadOnly(false);
    // A window-state file that is not there holds nothing to lose (libraries made by scripts
    // have none): the windows take their defaults and the save creates it. One that exists but
    // cannot be read is kept from being overwritten.
    if (result != kFileOk && !path.empty() && !FileIdentity::Absent(initializeInfo_->Path())) {
        initializeInfo_->SetReadOnly(true);
        problems_.push_back({TLoadProblem::kInitializeInfo, initializeInfo_->Path(), result, {}});
    }
}

void TZQLCtrl::ReadGroups(const StringList& lines, std::size_t& i, const Progress& progress) {
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
        } else if (controller_) {
            // Not shown, but kept: the record goes back into the file as it was read.
            std::size_t last = std::min(i, lines.size() - 1);
            StringList record(lines.begin() + static_cast<std::ptrdiff_t>(first),
                              lines.begin() + static_cast<std::ptrdiff_t>(last) + 1);
            if (i >= lines.size()) record.push_back("[/group]");
            heldGroups_.push_back({records, std::move(record)});
            TZQDCtrl* file = controller_->FindElementDataFile(PathName::Resolve(path_, zqdPath));
            if (file && !file->IsReadOnly())
                problems_.push_back({TLoadProblem::kGroupDataMissing, file->Path(), kFileOk, name});
        }
        ++records;
    }
    // Connect-group numbers are group numbers, held records counted.
    RenumberGroups();
    const std::vector<std::size_t> held = HeldNumbers();
    for (const PendingConnect& c : connects) {
        if (TGroupSetting* target = GroupByNumber(c.target)) c.group->SetConnectGroup(target);
        auto record = std::find(held.begin(), held.end(), c.target);
        if (record != held.end())
            c.group->SetHeldConnect(static_cast<std::size_t>(record - held.begin()));
    }
}

std::unique_ptr<TGroupSetting> TZQLCtrl::ReadGroup(const StringList& lines, std::size_t& i,
                                                   std::string& zqdPath, std::uint32_t& gdIndex,
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

bool TZQLCtrl::PlaceReadGroup(std::unique_ptr<TGroupSetting> group, const std::string& zqdPath,
                              std::uint32_t gdIndex, const Progress& progress) {
    if (!controller_) return false;
    TZQDCtrl* file = ReadElementDataFile(PathName::Resolve(path_, zqdPath), progress);
    if (gdIndex >= file->Size()) return false;
    group->SetGroupData(file->At(gdIndex));
    AppendGroup(std::move(group));
    return true;
}

// The loaded file with this path, or a new one read now. A file that cannot be read holds no
// group data and is never written; nor is one decoded while the parameter file is missing,
// since its references and numbers were read without their types.
TZQDCtrl* TZQLCtrl::ReadElementDataFile(const std::string& path, const Progress& progress) {
    if (TZQDCtrl* loaded = controller_->FindElementDataFile(path)) return loaded;
    TZQDCtrl* file = controller_->FindOrCreateElementDataFile(path);
    FileResult result = file->Read(*this, progress);
    if (result != kFileOk) {
        file->SetReadOnly(true);
        problems_.push_back({TLoadProblem::kElementData, file->Path(), result, {}});
    } else if (parameterFile_ && parameterFile_->IsReadOnly()) {
        file->SetReadOnly(true);
        problems_.push_back({TLoadProblem::kDecodedUntyped, file->Path(), result, {}});
    }
    filesRead_.push_back(file);
    return file;
}

void TZQLCtrl::ReadBatch(const StringList& lines, std::size_t& i) {
    TStringFiler filer;
    for (++i; i < lines.size() && lines[i] != "[/batch]"; ++i) {
        if (lines[i].starts_with(kTimedIntervalTag)) {
            timedInterval_ = TStringDivision::ToULong(
                lines[i].substr(std::char_traits<char>::length(kTimedIntervalTag)),
                kDefaultTimedInterval);
            timedIntervalStored_ = true;
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
        batchLists_[trigger].push_back(std::move(item));
        if (i >= lines.size()) break;
    }
}

std::uint32_t TZQLCtrl::TimedInterval() const {
    return timedInterval_ >= 1 && timedInterval_ <= kMaxTimedInterval ? timedInterval_
                                                                      : kDefaultTimedInterval;
}

void TZQLCtrl::SetTimedInterval(std::uint32_t seconds) {
    if (seconds == TimedInterval()) return;
    timedInterval_ = seconds;
    timedIntervalStored_ = true;
}

namespace {

// Reads a plain decimal as files hold them (at most nine digits, no sign, no leading zero,
// which would make it octal) without the general parser, which reads it alike; false for
// anything else.
bool ReadPlainDecimal(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return false;
    std::uint32_t read = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        read = read * 10 + static_cast<std::uint32_t>(c - '0');
    }
    value = read;
    return true;
}

// The entry of the group data's element list an element reference names, or none.
const std::unique_ptr<TElement>* ElementEntry(const std::vector<TGroupSetting*>& groups,
                                              std::string_view item) {
    const std::size_t blank = item.find(' ');
    const std::uint32_t index = TElementLineReader::ReadNumber(item.substr(0, blank));
    const std::uint32_t group = blank == std::string_view::npos
                                    ? 0
                                    : TElementLineReader::ReadNumber(item.substr(blank + 1));
    if (group >= groups.size() || !groups[group]) return nullptr;
    const TGroupData* data = groups[group]->GroupData();
    return data && index < data->Size() ? &data->Elements()[index] : nullptr;
}

TElement* FindElement(const std::vector<TGroupSetting*>& groups, std::string_view item) {
    const std::unique_ptr<TElement>* entry = ElementEntry(groups, item);
    return entry ? entry->get() : nullptr;
}

// Asks the processor for the element list entry a look-up of the field's first item reads:
// the look-ups land all over the lists, and fetching one some references ahead hides the wait.
void PrefetchElement(const std::vector<TGroupSetting*>& groups, std::string_view field) {
    if (const auto* entry = ElementEntry(groups, field.substr(0, field.find('#'))))
        __builtin_prefetch(entry);
}

TGroupSetting* FindGroup(const std::vector<TGroupSetting*>& groups, std::string_view item) {
    std::uint32_t number = 0;
    if (!ReadPlainDecimal(item, number))
        number = static_cast<std::uint32_t>(TStringDivision::ToLong(item, 0));
    return number < groups.size() ? groups[number] : nullptr;
}

// The references first .. end-1 of the table as looked up by one part: the targets of each
// reference value back to back (trailing empty ones dropped) and the items to keep, by table
// position, for the few values naming something the library does not show.
struct ResolvedPart {
    // A reference value looked up: its table position, the end of its targets, what they are.
    struct Value {
        std::size_t ref;
        std::size_t end;
        TElement::RefKind kind;
    };
    std::size_t first = 0;
    std::size_t end = 0;
    std::vector<void*> targets;
    std::vector<Value> values;
    std::vector<std::pair<std::size_t, TElement::KeptItems>> kept;
    std::vector<std::size_t> groupCounts;  // by group number: references to the group

    template <typename Target>
    void Targets(std::size_t begin, std::size_t stop, std::vector<Target*>& out) const {
        out.clear();
        for (std::size_t t = begin; t < stop; ++t)
            out.push_back(static_cast<Target*>(targets[t]));
    }
};

// Looks up each item of a reference list: the target found goes to push (null for an empty
// item). True when an item names nothing this library shows, so the list has text to keep;
// "-1" is how a missing group reference is written: nothing to keep for itself.
template <typename Find, typename Push>
bool LookUpItems(const std::vector<std::string_view>& items, Find find, Push push) {
    bool anyKept = false;
    for (std::string_view item : items) {
        if (item.empty()) {
            push(nullptr);
        } else if (auto* target = find(item)) {
            push(target);
        } else {
            anyKept |= item != "-1";
        }
    }
    return anyKept;
}

// The items to keep of a list LookUpItems found something to keep in: the text of each item
// that names nothing, an empty entry for the others.
template <typename Find>
TElement::KeptItems KeptItemsOf(const std::vector<std::string_view>& items, Find find) {
    TElement::KeptItems kept;
    for (std::string_view item : items) {
        if (item.empty() || find(item))
            kept.emplace_back();
        else
            kept.emplace_back(std::string(item));
    }
    return kept;
}

// What TZQLCtrl::ResolveItems gives for one reference of items, into part.
template <typename Find>
void LookUp(std::size_t k, const std::vector<std::string_view>& items, TElement::RefKind kind,
            Find find, ResolvedPart& part) {
    const std::size_t start = part.targets.size();
    if (LookUpItems(items, find, [&part](void* target) { part.targets.push_back(target); }))
        part.kept.emplace_back(k, KeptItemsOf(items, find));
    while (part.targets.size() > start && part.targets.back() == nullptr)
        part.targets.pop_back();
    part.values.push_back({k, part.targets.size(), kind});
}

// Looks the references up in parts of about equal size, each on a thread of its own; nothing
// but the table's item lists, freed as they are read, is changed.
template <typename TypeOf>
std::vector<ResolvedPart> LookUpInParts(std::vector<TUnresolvedReference>& table,
                                        const std::vector<TGroupSetting*>& groups,
                                        const TStringDivision& division, std::size_t parts,
                                        TypeOf typeOf) {
    std::vector<ResolvedPart> resolved(parts);
    for (std::size_t p = 0; p < parts; ++p) {
        resolved[p].first = table.size() * p / parts;
        resolved[p].end = table.size() * (p + 1) / parts;
    }
    RunInParts(parts, [&](std::size_t p) {
        ResolvedPart& part = resolved[p];
        part.groupCounts.assign(groups.size(), 0);
        // Mostly one target a reference: grown by doubling, these would be copied and touch
        // twice the memory.
        part.values.reserve(part.end - part.first);
        part.targets.reserve(part.end - part.first);
        std::vector<std::string_view> items;
        constexpr std::size_t kAhead = 16;
        for (std::size_t k = part.first; k < part.end; ++k) {
            if (k + kAhead < part.end && IsElementRefType(typeOf(table[k + kAhead])))
                PrefetchElement(groups, table[k + kAhead].field);
            TUnresolvedReference& ref = table[k];
            const std::uint8_t type = typeOf(ref);
            if (IsElementRefType(type)) {
                TElementLineReader::CutReferenceItems(division, ref.field, items);
                LookUp(
                    k, items, TElement::RefKind::kElement,
                    [&](std::string_view item) -> void* { return FindElement(groups, item); },
                    part);
            } else if (type == kTypeGroupRef) {
                TElementLineReader::CutReferenceItems(division, ref.field, items);
                const std::size_t start = part.targets.size();
                LookUp(
                    k, items, TElement::RefKind::kGroup,
                    [&](std::string_view item) -> void* { return FindGroup(groups, item); }, part);
                for (std::size_t t = start; t < part.targets.size(); ++t) {
                    auto* group = static_cast<const TGroupSetting*>(part.targets[t]);
                    if (group && group->Number() < groups.size())
                        ++part.groupCounts[group->Number()];
                }
            }
            std::string().swap(ref.field);
        }
    });
    return resolved;
}

// Calls visit(ref, value, targets, count) for every value looked up with a target, in the order
// of the table.
template <typename Visit>
void ForEachResolved(const std::vector<ResolvedPart>& resolved,
                     const std::vector<TUnresolvedReference>& table, Visit visit) {
    for (const ResolvedPart& part : resolved) {
        std::size_t begin = 0;
        for (const ResolvedPart::Value& value : part.values) {
            if (value.end > begin)
                visit(table[value.ref], value, part.targets.data() + begin, value.end - begin);
            begin = value.end;
        }
    }
}

// Stores the targets looked up in the rooms their values were read with, each part those of
// its share of the elements, registering nothing. False when a value could not be stored so
// (it changed since it was read, or it comes twice): then the table is stored in order instead.
bool PlaceInParts(const std::vector<ResolvedPart>& resolved,
                  const std::vector<TUnresolvedReference>& table, bool anyGroups) {
    const std::size_t parts = resolved.size();
    std::atomic<bool> placed{true};
    RunInParts(parts, [&](std::size_t p) {
        ForEachResolved(
            resolved, table,
            [&](const TUnresolvedReference& ref, const ResolvedPart::Value& value,
                void* const* targets, std::size_t count) {
                if (ShareOf(ref.element, parts) != p) return;
                if (value.kind == TElement::RefKind::kElement && !anyGroups) return;
                if (!ref.element->PlaceReadTargets(ref.param, value.kind, targets, count))
                    placed.store(false, std::memory_order_relaxed);
            });
    });
    return placed.load();
}

// Stores and registers the targets looked up on this thread, in the order of the table, as
// TZQLCtrl::ResolveElementRefs and ResolveGroupRefs do. A value stored by PlaceInParts already
// is stored again the way a changed value is, registered then.
void StoreInOrder(const std::vector<ResolvedPart>& resolved,
                  const std::vector<TUnresolvedReference>& table, bool anyGroups) {
    std::vector<TElement*> elements;
    std::vector<TGroupSetting*> groups;
    for (const ResolvedPart& part : resolved) {
        std::size_t begin = 0;
        for (const ResolvedPart::Value& value : part.values) {
            const TUnresolvedReference& ref = table[value.ref];
            if (value.end == begin) continue;
            if (value.kind == TElement::RefKind::kGroup) {
                part.Targets(begin, value.end, groups);
                ref.element->StoreReadGroupRefs(ref.param, groups);
            } else if (anyGroups) {
                part.Targets(begin, value.end, elements);
                ref.element->StoreReadElementRefs(ref.param, elements);
            }
            begin = value.end;
        }
    }
}

// Registers every stored reference with its target, each part the targets of its share: each
// referrer set is filled by one part, in the order of the table, as one thread would fill it.
// A group's set is made large enough first: groups are referred to by many elements.
void RegisterInParts(const std::vector<ResolvedPart>& resolved,
                     const std::vector<TUnresolvedReference>& table,
                     const std::vector<TGroupSetting*>& groups, bool anyGroups) {
    const std::size_t parts = resolved.size();
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (!groups[g] || groups[g]->Number() % parts != p) continue;
            std::size_t count = 0;
            for (const ResolvedPart& part : resolved)
                count += part.groupCounts[g];
            if (count) groups[g]->Referrers().Reserve(count);
        }
        auto mine = [&](TElement::RefKind kind, const void* target) {
            if (!target) return false;
            if (kind == TElement::RefKind::kGroup)
                return static_cast<const TGroupSetting*>(target)->Number() % parts == p;
            return anyGroups && ShareOf(target, parts) == p;
        };
        auto add = [&](TElement::RefKind kind, void* target, const TUnresolvedReference& ref) {
            if (kind == TElement::RefKind::kGroup)
                static_cast<TGroupSetting*>(target)->Referrers().Add(ref.element, ref.param);
            else
                static_cast<TElement*>(target)->Referrers().Add(ref.element, ref.param);
        };
        // Each registration misses the cache (a target's links, a slot of a group's table):
        // the first target some values ahead is fetched while these are registered.
        auto fetch = [&](TElement::RefKind kind, void* target, const TUnresolvedReference& ref) {
            if (kind == TElement::RefKind::kGroup)
                static_cast<TGroupSetting*>(target)->Referrers().Prefetch(ref.element, ref.param);
            else
                static_cast<const TElement*>(target)->PrefetchLinks();
        };
        constexpr std::size_t kAhead = 16;
        for (const ResolvedPart& part : resolved) {
            const std::vector<ResolvedPart::Value>& values = part.values;
            std::size_t begin = 0;
            for (std::size_t j = 0; j < values.size(); ++j) {
                if (j + kAhead < values.size()) {
                    const ResolvedPart::Value& ahead = values[j + kAhead];
                    const std::size_t first = values[j + kAhead - 1].end;
                    if (ahead.end > first && mine(ahead.kind, part.targets[first]))
                        fetch(ahead.kind, part.targets[first], table[ahead.ref]);
                }
                const ResolvedPart::Value& value = values[j];
                for (std::size_t t = begin; t < value.end; ++t)
                    if (mine(value.kind, part.targets[t]))
                        add(value.kind, part.targets[t], table[value.ref]);
                begin = value.end;
            }
        }
    });
}

}  // namespace

// --- references ------------------------------------------------------------------------------

void TZQLCtrl::ResolveReferences() {
    keptReferences_.clear();
    // References name groups by their numbers in the file, held records counted.
    const std::vector<TGroupSetting*> numbered = ByNumber();
    auto typeOf = [this](const TUnresolvedReference& ref) -> std::uint8_t {
        if (!parameterFile_ || ref.param >= parameterFile_->Size()) return kTypeString;
        return parameterFile_->At(ref.param)->Type();
    };
    // A reference takes some 64 bytes of element lines: many are resolved in parts, as the
    // lines were decoded.
    const std::size_t parts = PartsFor(references_.size(), TZQDCtrl::ParallelReadThreshold() / 64);
    if (parts > 1) {
        // The look-ups run in parts and change nothing; then the targets are stored in parts
        // by referring element, and registered in parts by target.
        std::vector<ResolvedPart> resolved =
            LookUpInParts(references_, numbered, division_, parts, typeOf);
        if (PlaceInParts(resolved, references_, !groups_.empty()))
            RegisterInParts(resolved, references_, numbered, !groups_.empty());
        else
            StoreInOrder(resolved, references_, !groups_.empty());
        for (ResolvedPart& part : resolved)
            for (auto& [k, items] : part.kept)
                keptReferences_.push_back(
                    {references_[k].element, references_[k].param, std::move(items)});
    } else {
        for (const TUnresolvedReference& ref : references_) {
            std::uint8_t type = typeOf(ref);
            if (IsElementRefType(type))
                ResolveElementRefs(ref, numbered);
            else if (type == kTypeGroupRef)
                ResolveGroupRefs(ref, numbered);
        }
    }
    // Kept items go on after the values are stored, which would drop them.
    for (KeptReference& kept : keptReferences_)
        kept.element->KeepReferenceItems(kept.param, std::move(kept.items));
    keptReferences_.clear();
    // Its capacity too: a large library's table is big. (Assigning {} would keep it: that picks
    // the initializer-list assignment, which only clears.)
    std::vector<TUnresolvedReference>().swap(references_);
    // The files read for this library were decoded against its group list as it is now.
    std::vector<const TGroupData*> context;
    for (const TGroupSetting* group : numbered)
        context.push_back(group ? group->GroupData() : nullptr);
    for (TZQDCtrl* file : filesRead_)
        file->SetReadContext(this, context);
    filesRead_.clear();
}

namespace {

template <typename T>
void DropTrailingNulls(std::vector<T*>& list) {
    while (!list.empty() && list.back() == nullptr)
        list.pop_back();
}

// A reused target list does not keep the room of one huge reference list for good.
template <typename T>
void ReleaseIfLarge(std::vector<T>& list) {
    if (list.capacity() > 4096) std::vector<T>().swap(list);
}

}  // namespace

// Resolves the items of one reference list with lookup (item text -> target or null). An
// empty item stands for no target; an item that names nothing this library shows is kept as
// its text, so that a save writes it back unchanged rather than lose it.
template <typename Target, typename Lookup>
void TZQLCtrl::ResolveItems(const TUnresolvedReference& ref, Lookup lookup,
                            std::vector<Target*>& targets) {
    thread_local std::vector<std::string_view> items;  // reused: one list per reference read
    TElementLineReader::CutReferenceItems(division_, ref.field, items);
    // The kept list is built only for the rare list that has something to keep.
    targets.reserve(items.size());
    if (LookUpItems(items, lookup, [&targets](Target* target) { targets.push_back(target); }))
        keptReferences_.push_back({ref.element, ref.param, KeptItemsOf(items, lookup)});
    ReleaseIfLarge(items);
    DropTrailingNulls(targets);
}

void TZQLCtrl::ResolveElementRefs(const TUnresolvedReference& ref,
                                  const std::vector<TGroupSetting*>& numbered) {
    auto lookup = [&numbered](std::string_view item) { return FindElement(numbered, item); };
    thread_local std::vector<TElement*> targets;  // reused: one list per reference read
    targets.clear();
    ResolveItems(ref, lookup, targets);
    if (!targets.empty() && !groups_.empty()) ref.element->StoreReadElementRefs(ref.param, targets);
    ReleaseIfLarge(targets);
}

void TZQLCtrl::ResolveGroupRefs(const TUnresolvedReference& ref,
                                const std::vector<TGroupSetting*>& numbered) {
    auto lookup = [&numbered](std::string_view item) { return FindGroup(numbered, item); };
    thread_local std::vector<TGroupSetting*> targets;
    targets.clear();
    ResolveItems(ref, lookup, targets);
    if (!targets.empty()) ref.element->StoreReadGroupRefs(ref.param, targets);
    ReleaseIfLarge(targets);
}

}  // namespace tabrix
