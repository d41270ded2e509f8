#include "settings/TParamSetting.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include "batch/TBatchPositions.h"
#include "format/TFormatCompiler.h"
#include "model/PathName.h"
#include "model/TEditLog.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TTabrixCtrl.h"
#include "model/TWordTables.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TextCodec.h"
#include "settings/TParamFileSwap.h"

namespace tabrix {

namespace {

// The texts are written here in UTF-8 and handed out as CP932, converted once.
std::vector<std::string> Cp932(std::initializer_list<const char*> utf8) {
    std::vector<std::string> texts;
    for (const char* text : utf8)
        texts.push_back(TextCodec::FromUtf8(text));
    return texts;
}

const std::string& Empty() {
    static const std::string empty;
    return empty;
}

std::unique_ptr<TParameter> CopyOf(const TParameter& source) {
    auto copy = std::make_unique<TParameter>();
    copy->SetName(source.Name());
    copy->SetCode(source.Code());
    copy->SetType(source.Type());
    copy->SetInputBoxHeight(source.InputBoxHeight());
    copy->Selection() = source.Selection();
    copy->DrawFormat() = source.DrawFormat();
    copy->OutputFormat() = source.OutputFormat();
    return copy;
}

void RebuildCodeMap(TZQPCtrl& file) {
    file.CodeMap().clear();
    for (const auto& parameter : file.Parameters())  // a later parameter with the same code wins
        file.CodeMap()[parameter->Code()] = parameter.get();
}

// Replaces the parameters and the used parameters of to by copies of from's; display
// parameters and used entries point into the new list. Used entries that name no parameter
// of from are dropped.
void CopyParameters(const TZQPCtrl& from, TZQPCtrl& to) {
    to.UsedParameters().clear();
    to.CodeMap().clear();
    to.MutableParameters().clear();
    std::map<const TParameter*, TParameter*> copies;
    for (const auto& parameter : from.Parameters())
        copies[parameter.get()] = to.AddParameter(CopyOf(*parameter));
    for (const auto& [source, copy] : copies) {
        auto target = copies.find(source->DisplayParameter());
        copy->SetDisplayParameter(target == copies.end() ? nullptr : target->second);
    }
    for (const TParameter* used : from.UsedParameters()) {
        auto copy = copies.find(used);
        if (copy != copies.end()) to.UsedParameters().push_back(copy->second);
    }
    RebuildCodeMap(to);
}

void CopyFileSettings(const TZQPCtrl& from, TZQPCtrl& to) {
    to.DrawFormat() = from.DrawFormat();
    to.OutputFormat() = from.OutputFormat();
    to.ImportFormats() = from.ImportFormats();
    to.SetFontName(from.FontName());
    to.SetFontSize(from.FontSize());
    to.SetFontStyle(from.FontStyle());
    to.SetFontColour(from.FontColour());
    to.SetRowHeight(from.RowHeight());
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

void DropTrailingEmpty(StringList& lines) {
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
}

bool IsCp932Lead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The stored sort, compare-apply and duplicate-deletion items name parameters by position
// too; when they change, the library is changed.
void MoveBatchParameters(TZQLCtrl& library,
                         const std::vector<std::optional<std::size_t>>& origins) {
    TBatchPositions::Moves moved;
    for (std::size_t now = 0; now < origins.size(); ++now)
        if (origins[now]) moved[*origins[now]] = now;
    if (TBatchPositions::Follow(library, TBatchPositions::Kind::kParameters, moved))
        library.SetModified(true);
}

// Parameters kept in place, with new ones only appended: the values stand where they belong.
bool KeepsPositions(const std::vector<std::optional<std::size_t>>& origins, std::size_t oldCount) {
    if (origins.size() < oldCount) return false;
    for (std::size_t i = 0; i < origins.size(); ++i)
        if (origins[i] != (i < oldCount ? std::optional<std::size_t>(i) : std::nullopt))
            return false;
    return true;
}

// The libraries whose elements this parameter file types: library, and every other open
// library registered with its controller that uses the same file.
template <typename Library>
std::vector<Library*> LibrariesUsing(Library& library, const TZQPCtrl* file) {
    std::vector<Library*> users{&library};
    if (library.Controller())
        for (TZQLCtrl* other : library.Controller()->Libraries())
            if (other != &library && other->ParameterFile() == file) users.push_back(other);
    return users;
}

// The element data files whose elements the libraries' groups show.
template <typename Library>
std::set<TZQDCtrl*> FilesTypedBy(const std::vector<Library*>& libraries) {
    std::set<TZQDCtrl*> files;
    for (Library* library : libraries)
        for (const auto& group : library->Groups())
            if (group->GroupData() && group->GroupData()->Owner())
                files.insert(group->GroupData()->Owner());
    return files;
}

bool HoldsValue(const TElement& element, std::size_t i) {
    return !element.Texts(i).empty() || !element.Numbers(i).empty() ||
           element.KeptReferenceItems(i) != nullptr;
}

// Values laid out by the old positions or types, kept by a step of another history (a deleted
// element, an old value), would come back meaning something else: the group data take a new
// revision, so that no such step goes under the commit.
void TouchForUndo(TGroupData& data) {
    if (TEditLog* log = TEditLog::Active()) log->Touch(data);
}

// Element values and stored batch items name parameters by position, so when parameters were
// moved or deleted every element typed by this parameter file takes its values to their new
// positions (its element data file is then changed), and the batch items follow.
void FollowMovedParameters(const std::vector<TZQLCtrl*>& libraries,
                           const std::vector<std::optional<std::size_t>>& origins,
                           std::size_t oldCount) {
    if (KeepsPositions(origins, oldCount)) return;
    for (TZQLCtrl* library : libraries)
        MoveBatchParameters(*library, origins);
    for (TZQDCtrl* file : FilesTypedBy(libraries)) {
        for (const auto& data : file->GroupData()) {
            TouchForUndo(*data);
            for (const auto& element : data->Elements()) {
                TEditLog::NoteValue(*element);
                element->RearrangeValues(origins, oldCount);
            }
        }
        file->SetModified(true);
    }
}

}  // namespace

// --- texts -------------------------------------------------------------------------------------

const std::string& TParamSetting::Text(TextId id) {
    static const std::vector<std::string> texts = Cp932({
        "＜パラメータ数が不正＞",
        "＜使用するパラメータ無し＞",
        " を削除します。宜しいですか？",
        "パラメータに変更が加えられています。適用しますか？",
        "確認",
        "追加数の入力",
        "追加したい行数を指定してください",
        "選択している行を削除します。宜しいですか？",
        "選択 1",
    });
    return id < kTextCount ? texts[id] : Empty();
}

const std::string& TParamSetting::Message(ParamSettingResult result) {
    static const std::vector<std::string> texts = Cp932({
        "パラメータ名を入力してください！",
        "同名の書式識別子が存在します！",
        "その名称は予約語です！",
        "書式識別子を入力してください！",
        "その書式識別子は予約語です！",
    });
    switch (result) {
        case ParamSettingResult::kNameEmpty:
            return texts[0];
        case ParamSettingResult::kCodeExists:
            return texts[1];
        case ParamSettingResult::kNameReserved:
            return texts[2];
        case ParamSettingResult::kCodeEmpty:
            return texts[3];
        case ParamSettingResult::kCodeReserved:
            return texts[4];
        default:
            return Empty();
    }
}

const std::string& TParamSetting::TypeName(std::uint8_t type) {
    static const std::vector<std::string> names = Cp932({
        "文字列",
        "文字列配列",
        "要素参照",
        "要素参照配列",
        "論理値",
        "論理値配列",
        "符号付き整数値",
        "符号付き整数値配列",
        "符号無し整数値",
        "符号無し整数値配列",
        "グループ参照",
        "一覧選択",
    });
    return type < names.size() ? names[type] : Empty();
}

const std::string& TParamSetting::TypeItem(std::uint8_t type) {
    static const std::vector<std::string> items = Cp932({
        "文字列",
        "文字列配列",
        "要素参照",
        "要素参照配列",
        "論理値",
        "論理値配列",
        "符号付き整数",
        "符号付き整数配列",
        "符号無し整数",
        "符号無し整数配列",
        "グループ参照",
        "一覧選択",
    });
    return type < items.size() ? items[type] : Empty();
}

// --- construction ------------------------------------------------------------------------------

TParamSetting::TParamSetting(const TZQPCtrl& file)
    : colouringLibrary_(std::make_unique<TZQLCtrl>()) {
    CopyParameters(file, work_);
    CopyFileSettings(file, work_);
    for (std::size_t i = 0; i < work_.Size(); ++i)
        origins_[work_.At(i)] = i;
    originalCount_ = work_.Size();
    for (std::size_t i = 0; i < work_.Size(); ++i)
        originalTypes_.push_back(work_.At(i)->Type());
    // The colouring library has no controller: it borrows the copy and releases nothing, and
    // the standard word tables are the controller's.
    colouringLibrary_->SetParameterFile(&work_);
}

TParamSetting::~TParamSetting() {
    colouringLibrary_->SetParameterFile(nullptr);
}

// --- the parameter list ------------------------------------------------------------------------

std::string TParamSetting::RowText(const TParameter& parameter) const {
    return parameter.Name() + "(" + parameter.Code() + ")<" + TypeName(parameter.Type()) + ">";
}

std::string TParamSetting::ListRow(std::size_t i) const {
    return i < Size() ? RowText(At(i)) : Text(kInvalidRow);
}

bool TParamSetting::CodeTaken(const std::string& code, const TParameter* except) const {
    for (const auto& parameter : work_.Parameters())
        if (parameter.get() != except && parameter->Code() == code) return true;
    return false;
}

ParamSettingResult TParamSetting::Add(const std::string& name, bool alsoUsed) {
    if (name.empty()) return ParamSettingResult::kNameEmpty;
    // The name becomes the new parameter's code, so it is tested as a code.
    if (CodeTaken(name, nullptr)) return ParamSettingResult::kCodeExists;
    if (TWordTables::Standard().IsReserved(name)) return ParamSettingResult::kNameReserved;
    auto parameter = std::make_unique<TParameter>();
    parameter->SetName(name);
    parameter->SetCode(name);
    work_.AddParameter(std::move(parameter), alsoUsed);
    dialogChanged_ = true;
    return ParamSettingResult::kDone;
}

std::string TParamSetting::DeleteQuestion(std::size_t i) const {
    return i < Size() ? At(i).Name() + Text(kDeleteQuestion) : std::string();
}

bool TParamSetting::Delete(std::size_t i) {
    if (i >= Size()) return false;
    TParameter* doomed = work_.At(i);
    std::erase(work_.UsedParameters(), doomed);
    origins_.erase(doomed);  // a parameter added later may be given its address
    if (loaded_ == doomed) {
        loaded_ = nullptr;
        parameterChanged_ = false;
    }
    // Display parameters naming it let go by themselves when it is destroyed.
    work_.MutableParameters().erase(work_.MutableParameters().begin() +
                                    static_cast<std::ptrdiff_t>(i));
    Renumber();
    RebuildCodeMap(work_);
    dialogChanged_ = true;
    return true;
}

bool TParamSetting::MoveUp(std::size_t i) {
    if (i == 0 || i >= Size()) return false;
    return MoveDown(i - 1);
}

bool TParamSetting::MoveDown(std::size_t i) {
    if (i + 1 >= Size()) return false;
    auto& parameters = work_.MutableParameters();
    std::swap(parameters[i], parameters[i + 1]);
    Renumber();
    dialogChanged_ = true;
    return true;
}

void TParamSetting::Renumber() {
    for (std::size_t i = 0; i < Size(); ++i)
        work_.At(i)->SetIndex(static_cast<std::uint32_t>(i));
}

// --- used parameters ---------------------------------------------------------------------------

std::string TParamSetting::UsedRow(std::size_t row) const {
    const auto& used = work_.UsedParameters();
    if (row < used.size()) return RowText(*used[row]);
    return used.empty() && row == 0 ? Text(kNoUsedParameter) : std::string();
}

bool TParamSetting::Use(std::size_t i) {
    if (i >= Size()) return false;
    work_.UsedParameters().push_back(work_.At(i));  // the same parameter may be used twice
    dialogChanged_ = true;
    return true;
}

bool TParamSetting::Unuse(std::size_t row) {
    auto& used = work_.UsedParameters();
    if (row >= used.size()) return false;
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(row));
    dialogChanged_ = true;
    return true;
}

bool TParamSetting::MoveUsed(std::size_t from, std::size_t to) {
    auto& used = work_.UsedParameters();
    if (from >= used.size() || to >= used.size() || from == to) return false;
    // Taken out first, then put before the entry that was dropped on: an entry dragged
    // downwards lands one place above the drop row.
    const std::size_t landing = to > from ? to - 1 : to;
    if (landing == from) return false;
    TParameter* moved = used[from];
    used.erase(used.begin() + static_cast<std::ptrdiff_t>(from));
    used.insert(used.begin() + static_cast<std::ptrdiff_t>(landing), moved);
    return true;
}

// --- the loaded parameter ------------------------------------------------------------------------

std::optional<std::size_t> TParamSetting::Loaded() const {
    if (!loaded_) return std::nullopt;
    return loaded_->Index();
}

TParamPage TParamSetting::Load(std::size_t i) {
    TParamPage page;
    parameterChanged_ = false;
    if (i >= Size()) {
        loaded_ = nullptr;
        return page;
    }
    loaded_ = work_.At(i);
    page.name = loaded_->Name();
    page.code = loaded_->Code();
    page.type = loaded_->Type();
    if (const TParameter* display = loaded_->DisplayParameter())
        page.displayParameter = static_cast<int>(display->Index());
    page.inputBoxHeight = loaded_->InputBoxHeight();
    page.selectionRows = loaded_->Selection();
    if (page.selectionRows.empty()) page.selectionRows.emplace_back();
    page.drawFormat = JoinLines(loaded_->DrawFormat());
    page.outputFormat = JoinLines(loaded_->OutputFormat());
    return page;
}

ParamSettingResult TParamSetting::Apply(TParamPage& page) {
    TParameter* parameter = LoadedParameter();
    if (!parameter) return ParamSettingResult::kNothing;
    if (page.code.empty()) return ParamSettingResult::kCodeEmpty;
    if (CodeTaken(page.code, parameter)) return ParamSettingResult::kCodeExists;
    if (TWordTables::Standard().IsReserved(page.code)) return ParamSettingResult::kCodeReserved;

    parameter->SetName(page.name);
    parameter->SetCode(page.code);
    parameter->SetType(page.type);
    // The combo box is empty unless the type is an element reference.
    const bool hasDisplay = ShowsDisplayParameter(page.type) && page.displayParameter >= 0 &&
                            static_cast<std::size_t>(page.displayParameter) < Size();
    parameter->SetDisplayParameter(hasDisplay ? work_.At(page.displayParameter) : nullptr);
    parameter->SetInputBoxHeight(ClampInputBoxHeight(page.inputBoxHeight));
    StoreSelection(*parameter, page.selectionRows);
    FillDefaultFormats(page);
    parameter->DrawFormat() = SplitEditorText(page.drawFormat);
    parameter->OutputFormat() = SplitEditorText(page.outputFormat);
    RebuildCodeMap(work_);
    parameterChanged_ = false;
    dialogChanged_ = true;
    return ParamSettingResult::kDone;
}

void TParamSetting::StoreSelection(TParameter& parameter, const StringList& rows) const {
    StringList selection = rows;
    DropTrailingEmpty(selection);
    const std::uint8_t type = parameter.Type();
    if (type == kTypeBoolArray || type == kTypeListSelection) {
        // A boolean array or a list selection always offers at least one choice.
        if (selection.empty()) selection.push_back(Text(kDefaultChoice));
        if (selection.size() == 1 && IsBlank(selection[0])) selection[0] = Text(kDefaultChoice);
    }
    parameter.Selection() = std::move(selection);
}

// The arrays of plain values are drawn and output item by item through their own formats; a
// new one starts with the format that shows its items.
void TParamSetting::FillDefaultFormats(TParamPage& page) const {
    if (page.type != kTypeStringArray && page.type != kTypeSignedArray &&
        page.type != kTypeUnsignedArray)
        return;
    const std::string shown = "%" + page.code + "%";
    if (page.drawFormat.empty()) page.drawFormat = shown;
    if (page.outputFormat.empty()) page.outputFormat = shown;
}

void TParamSetting::ChooseDisplayParameter(int position) {
    if (!loaded_) return;
    const bool valid = position >= 0 && static_cast<std::size_t>(position) < Size();
    loaded_->SetDisplayParameter(valid ? work_.At(position) : nullptr);
    parameterChanged_ = true;
}

bool TParamSetting::ShowsDisplayParameter(std::uint8_t type) {
    return IsElementRefType(type);
}

bool TParamSetting::ShowsOwnFormats(std::uint8_t type) {
    return type == kTypeStringArray || type == kTypeElementRef || type == kTypeElementRefArray ||
           type == kTypeBoolArray || type == kTypeGroupRef;
}

// --- the selection grid ------------------------------------------------------------------------

std::size_t TParamSetting::ReadRowCount(std::string_view answer) {
    // Full-width digits ０ to ９ are 0x82 0x4F to 0x82 0x58.
    std::string digits;
    for (std::size_t i = 0; i < answer.size(); ++i) {
        const auto byte = static_cast<unsigned char>(answer[i]);
        if (IsCp932Lead(byte) && i + 1 < answer.size()) {
            const auto second = static_cast<unsigned char>(answer[i + 1]);
            if (byte == 0x82 && second >= 0x4F && second <= 0x58) {
                digits += static_cast<char>('0' + (second - 0x4F));
            } else {
                digits.append(answer.substr(i, 2));
            }
            ++i;
        } else {
            digits += static_cast<char>(byte);
        }
    }
    if (digits.empty()) return 0;
    std::size_t start = (digits[0] == '+' || digits[0] == '-') ? 1 : 0;
    if (start == digits.size()) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = start; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9') return 0;
        value = value * 10 + static_cast<std::uint64_t>(digits[i] - '0');
        if (value > 0x7FFFFFFF) return 0;  // beyond a 32-bit number: not one
    }
    if (digits[0] == '-') return 0;  // a negative count adds nothing
    return static_cast<std::size_t>(value);
}

void TParamSetting::AddRows(StringList& rows, std::size_t n) {
    const std::size_t room = rows.size() < kMaxSelectionRows ? kMaxSelectionRows - rows.size() : 0;
    rows.resize(rows.size() + std::min(n, room));
}

void TParamSetting::DeleteRows(StringList& rows, const std::vector<std::size_t>& selected) {
    StringList kept;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (std::find(selected.begin(), selected.end(), i) == selected.end())
            kept.push_back(std::move(rows[i]));
    if (kept.empty()) kept.emplace_back();  // the grid keeps one row
    rows = std::move(kept);
}

std::int32_t TParamSetting::ClampInputBoxHeight(std::int64_t height) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(height, kMinInputBoxHeight, kMaxInputBoxHeight));
}

// --- overall settings ----------------------------------------------------------------------------

TDrawFont TParamSetting::Font() const {
    return {work_.FontName(), work_.FontSize(), work_.FontStyle(), work_.FontColour()};
}

void TParamSetting::SetFont(const TDrawFont& font) {
    work_.SetFontName(font.name);
    work_.SetFontSize(font.size);
    work_.SetFontStyle(font.style);
    work_.SetFontColour(font.colour);
    dialogChanged_ = true;
}

void TParamSetting::StoreOnOk(std::uint32_t rowHeight, const std::string& drawText,
                              const std::string& outputText) {
    work_.SetRowHeight(std::clamp(rowHeight, kMinRowHeight, kMaxRowHeight));
    work_.DrawFormat() = SplitEditorText(drawText);
    work_.OutputFormat() = SplitEditorText(outputText);
}

// --- commit --------------------------------------------------------------------------------------

void TParamSetting::Commit(TZQPCtrl& file) const {
    CopyParameters(work_, file);
    CopyFileSettings(work_, file);
    file.SetModified(true);
}

std::vector<std::optional<std::size_t>> TParamSetting::Origins() const {
    std::vector<std::optional<std::size_t>> origins;
    for (const auto& parameter : work_.Parameters()) {
        auto origin = origins_.find(parameter.get());
        origins.push_back(origin == origins_.end() ? std::nullopt
                                                   : std::optional<std::size_t>(origin->second));
    }
    return origins;
}

std::set<std::size_t> TParamSetting::DeletedPositions() const {
    std::set<std::size_t> deleted;
    for (std::size_t i = 0; i < originalCount_; ++i)
        deleted.insert(i);
    for (const auto& origin : Origins())
        if (origin) deleted.erase(*origin);
    return deleted;
}

std::vector<std::string> TParamSetting::StoredItemsLosingParameters(const TZQLCtrl& library) const {
    std::vector<std::string> named;
    const std::set<std::size_t> deleted = DeletedPositions();
    for (const TZQLCtrl* user : LibrariesUsing(library, library.ParameterFile())) {
        // Items of another open library sharing the file say whose they are.
        const std::string owner =
            user == &library
                ? std::string()
                : user->Path().substr(PathName::LastSeparator(user->Path()) + 1) + ": ";
        for (const std::string& item :
             TBatchPositions::Naming(*user, TBatchPositions::Kind::kParameters, deleted))
            named.push_back(owner + item);
    }
    return named;
}

void TParamSetting::ClearValuesOfChangedTypes(const std::vector<TZQLCtrl*>& libraries) const {
    std::vector<std::size_t> cleared;  // new positions
    for (std::size_t i = 0; i < Size(); ++i) {
        auto origin = origins_.find(work_.At(i));
        if (origin != origins_.end() &&
            TypeLosesValues(originalTypes_[origin->second], work_.At(i)->Type()))
            cleared.push_back(i);
    }
    if (cleared.empty()) return;
    for (TZQDCtrl* file : FilesTypedBy(libraries)) {
        bool changed = false;
        for (const auto& data : file->GroupData()) {
            TouchForUndo(*data);
            for (const auto& element : data->Elements())
                for (std::size_t i : cleared) {
                    if (!HoldsValue(*element, i)) continue;
                    TEditLog::NoteValue(*element);
                    if (i < element->TextCount()) element->SetTexts(i, {});
                    if (i < element->NumberCount()) element->SetNumbers(i, {});
                    changed = true;
                }
        }
        if (changed) file->SetModified(true);
    }
}

std::vector<std::string> TParamSetting::FilesRearranged(const TZQLCtrl& library) const {
    std::vector<std::string> paths;
    if (KeepsPositions(Origins(), originalCount_)) return paths;
    for (const TZQDCtrl* file : FilesTypedBy(LibrariesUsing(library, library.ParameterFile()))) {
        // A file without elements has no values to move.
        const bool holdsElements = std::any_of(file->GroupData().begin(), file->GroupData().end(),
                                               [](const auto& data) { return data->Size() > 0; });
        if (holdsElements) paths.push_back(file->Path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool TParamSetting::TypeLosesValues(std::uint8_t from, std::uint8_t to) {
    auto kind = [](std::uint8_t type) {
        if (type == kTypeString || type == kTypeStringArray) return 0;
        if (IsElementRefType(type)) return 1;
        if (type == kTypeGroupRef) return 2;
        return 3;  // plain numbers: booleans, integers, their arrays, list selections
    };
    return kind(from) != kind(to);
}

std::size_t TParamSetting::ValuesLostByType(const TZQLCtrl& library, std::uint8_t type) const {
    if (!loaded_) return 0;
    auto origin = origins_.find(loaded_);
    if (origin == origins_.end() || !TypeLosesValues(originalTypes_[origin->second], type))
        return 0;
    std::size_t count = 0;
    for (const TZQDCtrl* file : FilesTypedBy(LibrariesUsing(library, library.ParameterFile())))
        for (const auto& data : file->GroupData())
            for (const auto& element : data->Elements())
                count += HoldsValue(*element, origin->second) ? 1 : 0;
    return count;
}

bool TParamSetting::CommitIfChanged(TZQLCtrl& library) const {
    TZQPCtrl* file = library.ParameterFile();
    if (!dialogChanged_ || !file) return false;
    const std::vector<TZQLCtrl*> users = LibrariesUsing(library, file);
    // Recorded when an edit log stands: the definitions replaced, the batch items, the group
    // marks and every element value the commit changes.
    TEditLog* log = TEditLog::Active();
    std::unique_ptr<TParamFileSwap> swap;
    if (log) {
        for (const TZQLCtrl* user : users)
            log->NoteGroupStatus(*user);
        swap = std::make_unique<TParamFileSwap>(library, *file);
    }
    FollowMovedParameters(users, Origins(), file->Size());
    ClearValuesOfChangedTypes(users);
    if (swap) swap->TakeDefinitions();
    Commit(*file);
    for (TZQLCtrl* user : users) {
        TFormatCompiler::CompileAll(*user);
        // Every group is output again: its elements now look different.
        for (const auto& group : user->Groups())
            group->Set(TGroupSetting::kOutputDone, false);
    }
    if (swap) {
        swap->Finish();
        log->Add(std::move(swap));
    }
    return true;
}

StringList TParamSetting::SplitEditorText(std::string_view text) {
    StringList lines;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find("\r\n", start)) != std::string_view::npos;
         start = found + 2)
        lines.emplace_back(text.substr(start, found - start));
    lines.emplace_back(text.substr(start));
    DropTrailingEmpty(lines);
    return lines;
}

std::string TParamSetting::JoinLines(const StringList& lines) {
    return TStringDivision::Join("\r\n", lines);
}

}  // namespace tabrix
