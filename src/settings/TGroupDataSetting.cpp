#include "settings/TGroupDataSetting.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "batch/TBatchPositions.h"
#include "files/TElementDataReader.h"
#include "files/TReferenceResolver.h"
#include "model/FileResult.h"
#include "model/PathName.h"
#include "model/TEditLog.h"
#include "model/TElement.h"
#include "model/TFileKind.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TZQDCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"
#include "settings/TGroupSettingSwap.h"

namespace tabrix {

namespace {

// The dialog's texts, written here in UTF-8 and handed out as the CP932 bytes the model keeps.
std::string Text(const char* utf8) {
    return TextCodec::FromUtf8(utf8);
}

const std::string& DataWord() {
    static const std::string word = Text("データ");
    return word;
}

const std::string& GroupWord() {
    static const std::string word = Text("グループ");
    return word;
}

// More would only be a typing slip, and each one costs an object in every grid.
constexpr std::uint32_t kMostAddedAtOnce = 10000;

// A decimal number, or none when the text is not one as a whole.
std::optional<std::uint32_t> Decimal(std::string_view text) {
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The number after "word " in name: 0 when the name is not of that form or the rest is not a
// number; none when the part before the first space is not the word.
std::optional<std::uint32_t> NumberAfterWord(const std::string& name, const std::string& word) {
    std::size_t space = name.find(' ');
    std::string_view head(name.data(), space == std::string::npos ? name.size() : space);
    if (head != word) return std::nullopt;
    if (space == std::string::npos) return 0;
    return Decimal(std::string_view(name).substr(space + 1)).value_or(0);
}

std::string Numbered(const std::string& word, std::uint64_t number) {
    return word + " " + std::to_string(number);
}

std::string JoinLines(const StringList& lines) {
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i)
        joined += (i ? "\r\n" : "") + lines[i];
    return joined;
}

// The editor's text split at CR LF; the empty lines an editor leaves at the end are dropped.
StringList SplitLines(const std::string& text) {
    StringList lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

TSettingStep Done() {
    return {TSettingStep::kDone, {}};
}

TSettingStep Nothing() {
    return {TSettingStep::kNothing, {}};
}

TSettingStep Ask(std::string text, TSettingQuestion::Buttons buttons) {
    return {TSettingStep::kAsk, {Text("確認"), std::move(text), buttons}};
}

// The rows that name an entry of a list of size n, ascending, each once.
std::vector<std::size_t> ValidRows(std::vector<std::size_t> rows, std::size_t n) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [n](std::size_t r) { return r >= n; }),
               rows.end());
    return rows;
}

template <typename T>
void MoveWithin(std::vector<std::unique_ptr<T>>& list, std::size_t from, std::size_t to) {
    std::unique_ptr<T> moved = std::move(list[from]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(from));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(to, list.size())),
                std::move(moved));
}

}  // namespace

// --- building ------------------------------------------------------------------------------------

TGroupDataSetting::TGroupDataSetting(TZQLCtrl& library) : library_(library) {
    std::unordered_map<const TZQDCtrl*, FileCopy*> fileCopies;
    std::unordered_map<const TGroupData*, DataCopy*> dataCopies;
    for (const auto& group : library.Groups()) {
        TGroupData* data = group->GroupData();
        if (!data || !data->Owner() || fileCopies.count(data->Owner())) continue;
        TZQDCtrl* file = data->Owner();
        auto copy = std::make_unique<FileCopy>();
        copy->path = file->Path();
        copy->source = file;
        for (const auto& held : file->GroupData()) {
            copy->data.push_back(std::make_unique<DataCopy>(DataCopy{held->Name(), held.get()}));
            dataCopies[held.get()] = copy->data.back().get();
        }
        fileCopies[file] = copy.get();
        originalFiles_.push_back(file);
        files_.push_back(std::move(copy));
    }
    std::unordered_map<const TGroupSetting*, GroupCopy*> groupCopies;
    for (const auto& group : library.Groups()) {
        auto copy = std::make_unique<GroupCopy>();
        copy->name = group->Name();
        copy->outputPath = group->OutputPath();
        copy->status = group->Status();
        auto data = dataCopies.find(group->GroupData());
        copy->data = data == dataCopies.end() ? nullptr : data->second;
        copy->header = group->Header();
        copy->footer = group->Footer();
        copy->source = group.get();
        groupCopies[group.get()] = copy.get();
        groups_.push_back(std::move(copy));
    }
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        auto target = groupCopies.find(library.Group(i)->ConnectGroup());
        if (target != groupCopies.end()) groups_[i]->connect = target->second;
    }
}

TGroupDataSetting::~TGroupDataSetting() = default;

// --- state ---------------------------------------------------------------------------------------

std::size_t TGroupDataSetting::FileOf(const DataCopy* data) const {
    for (std::size_t f = 0; f < files_.size(); ++f) {
        for (const auto& held : files_[f]->data)
            if (held.get() == data) return f;
    }
    return std::string::npos;
}

std::string TGroupDataSetting::GroupFilePath(std::size_t group) const {
    std::size_t file = FileOf(groups_[group]->data);
    return file == std::string::npos ? std::string() : files_[file]->path;
}

TGroupDataSetting::FileCopy* TGroupDataSetting::FileAt(std::optional<std::size_t> file) const {
    return file && *file < files_.size() ? files_[*file].get() : nullptr;
}

std::vector<std::string> TGroupDataSetting::GroupNames() const {
    std::vector<std::string> names;
    for (const auto& group : groups_)
        names.push_back(group->name);
    return names;
}

// --- naming rules --------------------------------------------------------------------------------

std::vector<std::string> TGroupDataSetting::NextDataNames(const FileCopy& file, std::size_t n) {
    std::uint64_t highest = 0;
    for (const auto& data : file.data)
        highest =
            std::max<std::uint64_t>(highest, NumberAfterWord(data->name, DataWord()).value_or(0));
    std::vector<std::string> names;
    for (std::size_t k = 1; k <= n; ++k)
        names.push_back(Numbered(DataWord(), highest + k));
    return names;
}

std::uint32_t TGroupDataSetting::HighestGroupNumber(const std::vector<std::string>& groupNames) {
    std::uint32_t highest = 0;
    for (const std::string& name : groupNames)
        highest = std::max(highest, NumberAfterWord(name, GroupWord()).value_or(0));
    return highest;
}

TGroupDataSetting::GroupCopy* TGroupDataSetting::NewGroup(DataCopy* data, std::string name) {
    auto group = std::make_unique<GroupCopy>();
    group->outputPath = name + ".txt";
    group->name = std::move(name);
    group->status = TGroupSetting::kOutput;
    group->data = data;
    groups_.push_back(std::move(group));
    return groups_.back().get();
}

// --- page "グループ設定"
// --------------------------------------------------------------------------

TSettingQuestion TGroupDataSetting::ApplyQuestion() {
    return {Text("確認"), Text("グループに変更が加えられています。適用しますか？"),
            TSettingQuestion::kYesNoCancel};
}

std::optional<std::size_t> TGroupDataSetting::LoadedGroup() const {
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (groups_[i].get() == loaded_) return i;
    return std::nullopt;
}

TSettingStep TGroupDataSetting::SelectGroup(std::optional<std::size_t> row, TAnswer answer) {
    // The header row loads nothing; choosing the loaded row again keeps its edits.
    if (!row || *row >= groups_.size() || groups_[*row].get() == loaded_) return Nothing();
    if (loaded_ && groupChanged_ && groups_[*row].get() != loaded_) {
        if (answer == TAnswer::kNotAsked) return {TSettingStep::kAsk, ApplyQuestion()};
        if (answer == TAnswer::kCancel) return Nothing();
        if (answer == TAnswer::kYes) ApplyGroup();
    }
    loaded_ = groups_[*row].get();
    LoadPage();
    return Done();
}

void TGroupDataSetting::LoadPage() {
    page_ = {};
    page_.name = loaded_->name;
    page_.outputPath = loaded_->outputPath;
    page_.output = (loaded_->status & TGroupSetting::kOutput) != 0;
    page_.connect = (loaded_->status & TGroupSetting::kConnect) != 0;
    page_.alwaysOutput = (loaded_->status & TGroupSetting::kAlwaysOutput) != 0;
    page_.readOnly = (loaded_->status & TGroupSetting::kReadOnly) != 0;
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (groups_[i].get() == loaded_->connect) page_.connectTarget = i;
    page_.header = JoinLines(loaded_->header);
    page_.footer = JoinLines(loaded_->footer);
    groupChanged_ = false;
}

TSettingStep TGroupDataSetting::EditPage(const GroupPage& page) {
    if (!loaded_) return Nothing();
    page_ = page;
    groupChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::ApplyGroup() {
    if (!loaded_ || !groupChanged_) return Nothing();
    loaded_->name = page_.name;
    loaded_->outputPath = page_.outputPath;
    auto set = [this](std::uint8_t bit, bool on) {
        loaded_->status = on ? (loaded_->status | bit) : (loaded_->status & ~bit);
    };
    set(TGroupSetting::kOutput, page_.output);
    set(TGroupSetting::kConnect, page_.connect);
    set(TGroupSetting::kAlwaysOutput, page_.alwaysOutput);
    set(TGroupSetting::kReadOnly, page_.readOnly);
    loaded_->header = SplitLines(page_.header);
    loaded_->footer = SplitLines(page_.footer);
    bool validTarget = page_.connectTarget && *page_.connectTarget < groups_.size();
    loaded_->connect = validTarget ? groups_[*page_.connectTarget].get() : nullptr;
    groupChanged_ = false;
    dialogChanged_ = true;
    return Done();
}

// A group removed from the list can no longer be the loaded one, nor a connect target.
void TGroupDataSetting::RemoveGroups(const std::vector<const GroupCopy*>& doomed) {
    std::unordered_set<const GroupCopy*> gone(doomed.begin(), doomed.end());
    if (gone.empty()) return;
    for (const auto& group : groups_)
        if (gone.count(group->connect)) group->connect = nullptr;
    if (gone.count(loaded_)) {
        loaded_ = nullptr;
        page_ = {};
        groupChanged_ = false;
    }
    std::erase_if(groups_, [&](const auto& group) { return gone.count(group.get()) != 0; });
    // The page's connect choice is a position, which has moved.
    if (loaded_) {
        page_.connectTarget.reset();
        for (std::size_t i = 0; i < groups_.size(); ++i)
            if (groups_[i].get() == loaded_->connect) page_.connectTarget = i;
    }
}

void TGroupDataSetting::RemoveGroupsShowing(const std::vector<const DataCopy*>& data) {
    std::unordered_set<const DataCopy*> shown(data.begin(), data.end());
    std::vector<const GroupCopy*> doomed;
    for (const auto& group : groups_)
        if (shown.count(group->data)) doomed.push_back(group.get());
    RemoveGroups(doomed);
}

// --- page "使用グループ設定"
// ----------------------------------------------------------------------

TSettingPrompt TGroupDataSetting::AddGroupDataPrompt() {
    return {Text("追加数の入力"), Text("選択中のZQDに追加したいデータ数を指定してください"), "1"};
}

TSettingPrompt TGroupDataSetting::AddGroupsPrompt() {
    return {Text("追加数の入力"), Text("選択中のZQDに追加したいグループ数を指定してください"), "1"};
}

std::string TGroupDataSetting::ZqdFilter() {
    return TextCodec::FromUtf8(TFileKind::Of(FileKind::kElementData).Filter());
}

bool TGroupDataSetting::HoldsFile(const std::string& path, const TZQDCtrl* file) const {
    return std::any_of(files_.begin(), files_.end(), [&](const auto& entry) {
        return (file && entry->source == file) || (!path.empty() && entry->path == path);
    });
}

TSettingStep TGroupDataSetting::AddFileFromDisk(const std::string& path) {
    TZQDCtrl* file =
        library_.Controller() ? library_.Controller()->FindElementDataFile(path) : nullptr;
    // One file twice in the list would be two copies of it, each saving over the other.
    if (path.empty() || HoldsFile(path, file)) return Nothing();
    if (!file) {
        // Read on its own: the references it collects wait here until the commit, so that a
        // cancelled dialog resolves none of them.
        auto read = std::make_unique<TZQDCtrl>(path);
        std::vector<TUnresolvedReference> collected;
        if (TElementDataReader(*read, library_, collected).Read() != kFileOk) return Nothing();
        if (library_.ParameterFile() && library_.ParameterFile()->IsReadOnly())
            read->SetReadOnly(true);
        pendingRefs_.insert(pendingRefs_.end(), std::make_move_iterator(collected.begin()),
                            std::make_move_iterator(collected.end()));
        file = read.get();
        readFiles_.push_back(std::move(read));
    }
    auto copy = std::make_unique<FileCopy>();
    copy->path = file->Path();
    copy->source = file;
    for (const auto& held : file->GroupData())
        copy->data.push_back(std::make_unique<DataCopy>(DataCopy{held->Name(), held.get()}));
    files_.push_back(std::move(copy));
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::CreateEmptyFile() {
    auto copy = std::make_unique<FileCopy>();
    copy->changed = true;
    files_.push_back(std::move(copy));
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::ExcludeFile(std::optional<std::size_t> file, bool confirmed) {
    FileCopy* entry = FileAt(file);
    if (!entry) return Nothing();
    if (!confirmed) {
        return Ask(Text("選択しているZQDを除外します。宜しいですか？\n"
                        "（※実データが無くなるわけではありませんが、\n"
                        "同時に起動している他ライブラリが使用していないかに注意して下さい）"),
                   TSettingQuestion::kOkCancel);
    }
    // Groups cannot show group data of a file the library no longer uses.
    std::vector<const DataCopy*> data;
    for (const auto& held : entry->data)
        data.push_back(held.get());
    RemoveGroupsShowing(data);
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(*file));
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::SetFilePath(std::optional<std::size_t> file,
                                            const std::string& path) {
    FileCopy* entry = FileAt(file);
    if (!entry || entry->path == path) return Nothing();
    entry->path = path;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::AddGroupData(std::optional<std::size_t> file,
                                             const std::string& answer) {
    FileCopy* entry = FileAt(file);
    std::uint32_t n = Decimal(answer).value_or(0);
    if (!entry || n == 0 || n > kMostAddedAtOnce) return Nothing();
    for (std::string& name : NextDataNames(*entry, n))
        entry->data.push_back(std::make_unique<DataCopy>(DataCopy{std::move(name), nullptr}));
    entry->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::DeleteGroupData(std::optional<std::size_t> file,
                                                const std::vector<std::size_t>& rows,
                                                bool confirmed) {
    FileCopy* entry = FileAt(file);
    std::vector<std::size_t> valid = entry ? ValidRows(rows, entry->data.size()) : rows;
    if (!entry || valid.empty()) return Nothing();
    if (!confirmed) {
        return Ask(Text("選択しているグループを削除します。宜しいですか？\n"
                        "（※選択グループを参照するグループセッティングは削除されます）"),
                   TSettingQuestion::kOkCancel);
    }
    std::vector<const DataCopy*> doomed;
    for (std::size_t row : valid) {
        doomed.push_back(entry->data[row].get());
        if (entry->data[row]->source) deleted_.push_back(entry->data[row]->source);
    }
    RemoveGroupsShowing(doomed);
    for (auto row = valid.rbegin(); row != valid.rend(); ++row)
        entry->data.erase(entry->data.begin() + static_cast<std::ptrdiff_t>(*row));
    entry->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::RenameGroupData(std::optional<std::size_t> file,
                                                std::optional<std::size_t> row,
                                                const std::string& name) {
    FileCopy* entry = FileAt(file);
    if (!entry || !row || *row >= entry->data.size() || entry->data[*row]->name == name)
        return Nothing();
    entry->data[*row]->name = name;
    entry->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::MoveGroupDataToFile(std::size_t file,
                                                    const std::vector<std::size_t>& rows,
                                                    std::size_t target, bool confirmed) {
    if (file >= files_.size() || target >= files_.size() || file == target) return Nothing();
    std::vector<std::size_t> valid = ValidRows(rows, files_[file]->data.size());
    if (valid.empty()) return Nothing();
    if (!confirmed) {
        return Ask(Text("ドラッグしたグループを\n") + files_[target]->path +
                       Text("\nへ移動します。宜しいですか？"),
                   TSettingQuestion::kOkCancel);
    }
    // The copies move as objects, so the groups that show them follow.
    auto& from = files_[file]->data;
    std::vector<std::unique_ptr<DataCopy>> moved;
    for (std::size_t row : valid)
        moved.push_back(std::move(from[row]));
    std::erase(from, nullptr);
    for (auto& data : moved)
        files_[target]->data.push_back(std::move(data));
    files_[file]->changed = true;
    files_[target]->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::CreateGroupsFromData(std::size_t file,
                                                     const std::vector<std::size_t>& rows) {
    if (file >= files_.size()) return Nothing();
    std::uint64_t highest = HighestGroupNumber(GroupNames());
    const std::string numberedPrefix = GroupWord() + " ";
    bool created = false;
    for (std::size_t row : ValidRows(rows, files_[file]->data.size())) {
        DataCopy* data = files_[file]->data[row].get();
        bool shown = std::any_of(groups_.begin(), groups_.end(),
                                 [data](const auto& group) { return group->data == data; });
        if (shown) continue;
        bool numbered = data->name.empty() || data->name.starts_with(numberedPrefix);
        NewGroup(data, numbered ? Numbered(GroupWord(), ++highest) : data->name);
        created = true;
    }
    if (!created) return Nothing();
    // What a drag made is work like any other: OK commits it.
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::AddGroups(std::optional<std::size_t> file,
                                          const std::string& answer) {
    FileCopy* entry = FileAt(file);
    std::uint32_t n = Decimal(answer).value_or(0);
    if (!entry || n == 0 || n > kMostAddedAtOnce) return Nothing();
    std::uint64_t highest = HighestGroupNumber(GroupNames());
    for (std::string& name : NextDataNames(*entry, n)) {
        entry->data.push_back(std::make_unique<DataCopy>(DataCopy{std::move(name), nullptr}));
        NewGroup(entry->data.back().get(), Numbered(GroupWord(), ++highest));
    }
    entry->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::ExcludeGroups(const std::vector<std::size_t>& rows,
                                              bool confirmed) {
    std::vector<std::size_t> valid = ValidRows(rows, groups_.size());
    if (valid.empty()) return Nothing();
    std::vector<const GroupCopy*> doomed;
    for (std::size_t row : valid)
        doomed.push_back(groups_[row].get());
    if (!confirmed) {
        return Ask(Text("【選択している】") + std::to_string(valid.size()) +
                       Text(" 個のグループを除外します。宜しいですか？") +
                       LostReferencesNote(doomed),
                   TSettingQuestion::kOkCancel);
    }
    RemoveGroups(doomed);
    dialogChanged_ = true;
    return Done();
}

std::size_t TGroupDataSetting::ReferencesLostWith(
    const std::vector<const GroupCopy*>& leaving) const {
    const std::unordered_set<const GroupCopy*> gone(leaving.begin(), leaving.end());
    std::unordered_set<const DataCopy*> stillShown;
    for (const auto& group : groups_)
        if (!gone.count(group.get())) stillShown.insert(group->data);
    std::unordered_set<const TGroupData*> counted;
    std::size_t lost = 0;
    // Only values of stored elements count: a panel's working copy is not saved.
    auto count = [&lost](const TReferrer& referrer) {
        lost += referrer.element->Owner() ? 1 : 0;
        return true;
    };
    for (const GroupCopy* group : leaving) {
        if (group->source) group->source->Referrers().AllOf(count);
        const DataCopy* data = group->data;
        if (!data || !data->source || stillShown.count(data) ||
            !counted.insert(data->source).second)
            continue;
        for (const auto& element : data->source->Elements())
            if (element->HasReferrers()) element->Referrers().AllOf(count);
    }
    return lost;
}

std::string TGroupDataSetting::LostReferencesNote(
    const std::vector<const GroupCopy*>& leaving) const {
    const std::size_t lost = ReferencesLostWith(leaving);
    if (lost == 0) return {};
    return Text("\n（これらのグループの要素を指す参照 ") + std::to_string(lost) +
           Text(" 個は、保存すると消去されます）");
}

TSettingStep TGroupDataSetting::MoveGroup(std::size_t from, std::size_t to) {
    if (from >= groups_.size() || to >= groups_.size() || from == to) return Nothing();
    std::optional<std::size_t> target;
    if (page_.connectTarget && *page_.connectTarget < groups_.size()) target = *page_.connectTarget;
    const GroupCopy* chosen = target ? groups_[*target].get() : nullptr;
    MoveWithin(groups_, from, to);
    // The page's connect choice names a group, not a position.
    for (std::size_t i = 0; chosen && i < groups_.size(); ++i)
        if (groups_[i].get() == chosen) page_.connectTarget = i;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::MoveGroupData(std::size_t file, std::size_t from, std::size_t to) {
    if (file >= files_.size()) return Nothing();
    auto& data = files_[file]->data;
    if (from >= data.size() || to >= data.size() || from == to) return Nothing();
    MoveWithin(data, from, to);
    files_[file]->changed = true;
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::MoveFile(std::size_t from, std::size_t to) {
    if (from >= files_.size() || to >= files_.size() || from == to) return Nothing();
    MoveWithin(files_, from, to);
    dialogChanged_ = true;
    return Done();
}

TSettingStep TGroupDataSetting::Ok(TAnswer answer) {
    if (loaded_ && groupChanged_) {
        if (answer == TAnswer::kNotAsked) return {TSettingStep::kAsk, ApplyQuestion()};
        if (answer == TAnswer::kCancel) return Nothing();
        if (answer == TAnswer::kYes) ApplyGroup();
    }
    return Done();
}

std::vector<std::string> TGroupDataSetting::StoredItemsLosingGroups() const {
    std::unordered_set<const TGroupSetting*> kept;
    for (const auto& group : groups_)
        kept.insert(group->source);
    std::set<std::size_t> gone;
    for (const auto& group : library_.Groups())
        if (!kept.count(group.get())) gone.insert(group->Number());
    std::vector<std::string> named =
        TBatchPositions::Naming(library_, TBatchPositions::Kind::kGroups, gone);
    if (!library_.Controller()) return named;
    // Another library loses the groups that show a deleted group data.
    const std::unordered_set<const TGroupData*> doomed(deleted_.begin(), deleted_.end());
    for (const TZQLCtrl* open : library_.Controller()->Libraries()) {
        if (open == &library_) continue;
        std::set<std::size_t> lost;
        for (const auto& group : open->Groups())
            if (doomed.count(group->GroupData())) lost.insert(group->Number());
        const std::string owner = open->Path().substr(PathName::LastSeparator(open->Path()) + 1);
        for (const std::string& item :
             TBatchPositions::Naming(*open, TBatchPositions::Kind::kGroups, lost))
            named.push_back(owner + ": " + item);
    }
    return named;
}

// --- commit --------------------------------------------------------------------------------------

namespace {

// What a file held before the commit: enough to tell whether its list has changed, since a file
// whose list is as it was keeps its modified bit (OK must not force needless rewrites).
struct FileBefore {
    bool modified = false;
    std::vector<std::pair<const TGroupData*, std::string>> list;
};

std::vector<std::pair<const TGroupData*, std::string>> ListOf(const TZQDCtrl& file) {
    std::vector<std::pair<const TGroupData*, std::string>> list;
    for (const auto& data : file.GroupData())
        list.emplace_back(data.get(), data->Name());
    return list;
}

// The number each group of each open library has before the commit: the stored batch items
// name groups by number and must follow them.
// Held records count too: their numbers stay theirs.
struct GroupNumbers {
    std::unordered_map<const TGroupSetting*, std::uint32_t> shown;
    std::vector<std::size_t> held;
};

GroupNumbers NumbersOf(const TZQLCtrl& library) {
    GroupNumbers numbers;
    for (const auto& group : library.Groups())
        numbers.shown[group.get()] = group->Number();
    numbers.held = library.HeldNumbers();
    return numbers;
}

// Re-points the library's stored items from the numbers before to the groups' numbers now; an
// item naming a group that is gone is left naming nothing, so it is refused rather than run
// on another group.
bool FollowGroups(TZQLCtrl& library, const GroupNumbers& before) {
    TBatchPositions::Moves moved;
    for (const auto& group : library.Groups()) {
        auto old = before.shown.find(group.get());
        if (old != before.shown.end()) moved[old->second] = group->Number();
    }
    const std::vector<std::size_t> held = library.HeldNumbers();
    for (std::size_t i = 0; i < held.size() && i < before.held.size(); ++i)
        moved[before.held[i]] = held[i];
    bool same = moved.size() == before.shown.size() + before.held.size();
    for (const auto& [from, to] : moved)
        same = same && from == to;
    return !same && TBatchPositions::Follow(library, TBatchPositions::Kind::kGroups, moved);
}

}  // namespace

struct TGroupDataSetting::CommitState {
    CommitReport report;
    std::vector<TZQDCtrl*> entryFiles;  // per entry of files_
    std::unordered_map<const DataCopy*, TGroupData*> dataObjects;
    std::vector<std::unique_ptr<TGroupData>> orphans;  // deleted group data, destroyed last
    std::unordered_map<const TZQDCtrl*, FileBefore> filesBefore;
    std::vector<const TZQDCtrl*> candidates;  // files the library may no longer use
    // Where the group data that other libraries show were: their ZQL names file and position.
    std::vector<std::pair<const TGroupData*, std::pair<const TZQDCtrl*, std::uint32_t>>> shown;
    bool renumbered = false;
    // Under an edit log, what the commit takes out of the model is kept here rather than
    // destroyed, so that the step can be undone.
    TGroupSettingSwap* swap = nullptr;
};

TGroupDataSetting::CommitReport TGroupDataSetting::Commit(TZQLCtrl& library,
                                                          TTabrixCtrl& controller) {
    CommitState state;
    TEditLog* log = TEditLog::Active();
    if (log) {
        // Added first, so that it is undone last: the values and elements the log restores
        // before it may mark files modified, and the swap puts back every modified bit.
        auto swap = std::make_unique<TGroupSettingSwap>(library, controller);
        state.swap = swap.get();
        state.report.step = swap.get();
        log->Add(std::move(swap));
    }
    std::unordered_map<TZQLCtrl*, GroupNumbers> numbersBefore;
    for (TZQLCtrl* open : controller.Libraries())
        numbersBefore[open] = NumbersOf(*open);
    if (!numbersBefore.count(&library)) numbersBefore[&library] = NumbersOf(library);
    for (const auto& file : controller.ElementDataFiles())
        state.filesBefore[file.get()] = {file->IsModified(), ListOf(*file)};
    for (const TZQLCtrl* open : controller.Libraries()) {
        if (open == &library) continue;
        for (const auto& group : open->Groups())
            if (const TGroupData* data = group->GroupData())
                state.shown.push_back({data, {data->Owner(), data->Index()}});
    }
    state.candidates.assign(originalFiles_.begin(), originalFiles_.end());

    PlaceFiles(state, controller);
    PlaceGroupData(state);
    PlaceGroups(state, library);
    ResolveReadReferences(state, library);
    DestroyDeleted(state, library, controller);
    ReleaseFiles(state, controller);
    MarkChangedFiles(state, library, controller);
    library.SetModified(true);
    for (auto& [open, before] : numbersBefore)
        if (FollowGroups(*open, before)) open->SetModified(true);
    if (log) state.swap->Finish(*log);
    return state.report;
}

// Every entry gets its file object: the library's own, one read in operation 4 (now handed to
// the controller, so that other libraries share it), or a new empty one.
void TGroupDataSetting::PlaceFiles(CommitState& state, TTabrixCtrl& controller) {
    for (const auto& entry : files_) {
        TZQDCtrl* file = entry->source;
        auto read = std::find_if(readFiles_.begin(), readFiles_.end(),
                                 [file](const auto& held) { return held.get() == file; });
        if (!file) {
            file = controller.AddElementDataFile(std::make_unique<TZQDCtrl>());
            file->SetModified(true);
        } else if (read != readFiles_.end()) {
            controller.AddElementDataFile(std::move(*read));
            readFiles_.erase(read);
        }
        if (file->Path() != entry->path) {
            file->SetPath(entry->path);
            file->SetModified(true);
        }
        if (entry->changed) file->SetModified(true);
        state.entryFiles.push_back(file);
        state.candidates.push_back(file);
    }
}

// The group data leave their files and are appended again in the working copy's order, so that
// each keeps its identity and its elements wherever it ends up. What stays behind in a file of
// the working copy was deleted.
void TGroupDataSetting::PlaceGroupData(CommitState& state) {
    std::vector<std::unique_ptr<TGroupData>> taken;
    for (const auto& entry : files_) {
        for (const auto& copy : entry->data) {
            std::unique_ptr<TGroupData> data;
            if (copy->source && copy->source->Owner()) {
                state.candidates.push_back(copy->source->Owner());
                data = copy->source->Owner()->TakeGroupData(copy->source);
            }
            if (!data) data = std::make_unique<TGroupData>();
            data->SetName(copy->name);
            state.dataObjects[copy.get()] = data.get();
            taken.push_back(std::move(data));
        }
    }
    for (TZQDCtrl* file : state.entryFiles) {
        while (file->Size() > 0)
            state.orphans.push_back(file->TakeGroupData(file->At(0)));
    }
    for (TGroupData* deleted : deleted_) {
        if (deleted->Owner()) {
            if (auto data = deleted->Owner()->TakeGroupData(deleted))
                state.orphans.push_back(std::move(data));
        }
    }
    auto next = taken.begin();
    for (std::size_t f = 0; f < files_.size(); ++f) {
        bool modified = state.entryFiles[f]->IsModified();
        for (std::size_t k = 0; k < files_[f]->data.size(); ++k)
            state.entryFiles[f]->AddGroupData(std::move(*next++));
        state.entryFiles[f]->SetModified(modified);
    }
}

// The library's groups become the working copy's, the kept ones as the same objects.
void TGroupDataSetting::PlaceGroups(CommitState& state, TZQLCtrl& library) {
    std::vector<std::unique_ptr<TGroupSetting>> old = library.TakeGroups();
    std::vector<const TGroupSetting*> oldOrder;
    for (const auto& group : old)
        oldOrder.push_back(group.get());
    std::unordered_map<const GroupCopy*, TGroupSetting*> objects;
    std::vector<std::unique_ptr<TGroupSetting>> ordered;
    for (const auto& copy : groups_) {
        auto kept = std::find_if(old.begin(), old.end(), [&](const auto& group) {
            return group && group.get() == copy->source;
        });
        std::unique_ptr<TGroupSetting> group =
            kept != old.end() ? std::move(*kept) : std::make_unique<TGroupSetting>();
        group->SetLibrary(&library);
        group->SetParameterFile(library.ParameterFile());
        group->SetName(copy->name);
        group->SetOutputPath(copy->outputPath);
        group->SetStatus(copy->status);
        group->SetGroupData(copy->data ? state.dataObjects[copy->data] : nullptr);
        group->Header() = copy->header;
        group->Footer() = copy->footer;
        objects[copy.get()] = group.get();
        ordered.push_back(std::move(group));
    }
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const GroupCopy* target = groups_[i]->connect;
        // Set only when it changes: a connect into a held record stays as it was read.
        TGroupSetting* connect = target ? objects[target] : nullptr;
        if (ordered[i]->ConnectGroup() != connect) ordered[i]->SetConnectGroup(connect);
    }
    std::vector<const TGroupSetting*> newOrder;
    for (const auto& group : ordered)
        newOrder.push_back(group.get());
    // Element and group references are written with group numbers.
    state.renumbered =
        std::mismatch(oldOrder.begin(), oldOrder.end(), newOrder.begin(), newOrder.end()).first !=
        oldOrder.end();
    library.ReorderGroups(std::move(ordered));
    for (auto& excluded : old)
        Discard(state, std::move(excluded));
}

// The references of the files read in operation 4 name groups by number; they are read against
// the group list just committed, as an opened library reads its files.
void TGroupDataSetting::ResolveReadReferences(CommitState& state, TZQLCtrl& library) {
    std::unordered_set<const TGroupData*> orphaned;
    for (const auto& data : state.orphans)
        orphaned.insert(data.get());
    std::unordered_set<const TZQDCtrl*> placed(state.entryFiles.begin(), state.entryFiles.end());
    TReferenceResolver resolver(library);
    for (TUnresolvedReference& ref : pendingRefs_) {
        const TGroupData* data = ref.element->Owner();
        if (!data || orphaned.count(data) || !placed.count(data->Owner())) continue;
        resolver.Table().push_back(std::move(ref));
    }
    pendingRefs_.clear();
    // Resolving writes the values: under a log, they come back unresolved with an undo.
    for (const TUnresolvedReference& ref : resolver.Table())
        TEditLog::NoteValue(*ref.element);
    if (!resolver.Table().empty()) resolver.Resolve();
}

// Deleted group data go, and with them every group of another library that shows them.
void TGroupDataSetting::DestroyDeleted(CommitState& state, TZQLCtrl& library,
                                       TTabrixCtrl& controller) {
    std::unordered_set<const TGroupData*> doomed;
    for (const auto& data : state.orphans)
        doomed.insert(data.get());
    for (TZQLCtrl* open : controller.Libraries()) {
        if (open == &library) continue;
        bool changed = false;
        for (std::size_t i = open->GroupCount(); i-- > 0;) {
            if (doomed.count(open->Group(i)->GroupData())) {
                Discard(state, open->TakeGroup(i));
                changed = true;
            }
        }
        if (changed) {
            open->SetModified(true);
            state.report.otherLibraries.push_back(open);
        }
    }
    if (state.swap) {
        for (auto& data : state.orphans) {
            TakeOutElements(*data);
            state.swap->Keep(std::move(data));
        }
    }
    state.orphans.clear();
}

// A group going: its destruction erases every reference to it. Under a log it is kept, and
// the references are erased as noted values, to come back with an undo.
void TGroupDataSetting::Discard(CommitState& state, std::unique_ptr<TGroupSetting> group) {
    if (!group || !state.swap) return;
    for (const TReferrer& r : group->Referrers().Take()) {
        TEditLog::NoteValue(*r.element);
        r.element->EraseItem(r.param, TElement::ItemOf(group.get()));
    }
    state.swap->Keep(std::move(group));
}

// Under a log, the elements of a group data that goes are taken out as a deletion would take
// them (every reference to them erased), so that what the log keeps refers to nothing.
void TGroupDataSetting::TakeOutElements(TGroupData& data) {
    std::vector<std::size_t> positions(data.Size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = i;
    data.DeleteAt(positions);
}

// The files no library shows any more go; under a log they are kept, emptied as above.
void TGroupDataSetting::ReleaseFiles(CommitState& state, TTabrixCtrl& controller) {
    if (!state.swap) return controller.ReleaseUnshownElementDataFiles(state.candidates);
    for (auto& file : controller.TakeUnshownElementDataFiles(state.candidates)) {
        for (const auto& data : file->GroupData())
            TakeOutElements(*data);
        state.swap->Keep(std::move(file));
    }
}

void TGroupDataSetting::MarkChangedFiles(CommitState& state, TZQLCtrl& library,
                                         TTabrixCtrl& controller) {
    // Files of the list and files that lost group data to them alike.
    for (const auto& file : controller.ElementDataFiles()) {
        auto before = state.filesBefore.find(file.get());
        if (before != state.filesBefore.end() && before->second.list != ListOf(*file))
            file->SetModified(true);
    }
    if (state.renumbered) {
        for (const auto& group : library.Groups())
            if (group->GroupData() && group->GroupData()->Owner())
                group->GroupData()->Owner()->SetModified(true);
    }
    // Another library names the group data it shows by file and position: when these changed,
    // its library file must be written again.
    std::unordered_map<const TGroupData*, std::pair<const TZQDCtrl*, std::uint32_t>> where(
        state.shown.begin(), state.shown.end());
    for (TZQLCtrl* open : controller.Libraries()) {
        if (open == &library) continue;
        bool moved = false;
        for (const auto& group : open->Groups()) {
            auto before = where.find(group->GroupData());
            if (before == where.end()) continue;
            const TGroupData* data = group->GroupData();
            moved |= before->second !=
                     std::make_pair<const TZQDCtrl*, std::uint32_t>(data->Owner(), data->Index());
        }
        if (!moved) continue;
        open->SetModified(true);
        auto& others = state.report.otherLibraries;
        if (std::find(others.begin(), others.end(), open) == others.end()) others.push_back(open);
    }
}

}  // namespace tabrix
