#include "model/TTableImport.h"

#include <algorithm>

#include "model/ParamType.h"
#include "model/RunInParts.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix {

TTableImport::TTableImport(TZQLCtrl& library, std::size_t group)
    : library_(library), group_(group), forms_(library) {}

std::optional<std::size_t> TTableImport::ChosenColumn(const TTableRow& header,
                                                      std::size_t k) const {
    if (!chosen_) return forms_.ColumnOf(header.fields[k]);
    return k < chosen_->size() ? (*chosen_)[k] : std::nullopt;
}

TTableProblem TTableImport::MapColumns(const TTableRow& header) {
    columnOf_.assign(forms_.ParameterCount(), std::nullopt);
    flagColumn_.reset();
    columns_ = header.fields.size();
    for (std::size_t k = 0; k < header.fields.size(); ++k) {
        const std::string_view head = header.fields[k];
        const std::optional<std::size_t> column = ChosenColumn(header, k);
        if (chosen_ && !column) continue;
        std::optional<std::size_t>* slot = nullptr;
        if (column == TTableForms::kOutputColumn)
            slot = &flagColumn_;
        else if (column && *column < columnOf_.size())
            slot = &columnOf_[*column];
        if (!slot || slot->has_value())
            return {slot ? TTableProblem::kDuplicateColumn : TTableProblem::kUnknownColumn,
                    TTableReader::LineOf(header, k),
                    k + 1,
                    TextCodec::ToUtf8(head),
                    {}};
        *slot = k;
    }
    return {};
}

std::string_view TTableImport::FieldOf(const TTableRow& row, std::size_t param) const {
    const std::optional<std::size_t>& column = columnOf_[param];
    return column && *column < row.fields.size() ? row.fields[*column] : std::string_view();
}

TTableProblem::Kind TTableImport::ReadRow(const TTableRow& row, Scratch& scratch,
                                          std::size_t& failed) const {
    std::vector<TTableForms::Value>& values = scratch.values;
    values.resize(forms_.ParameterCount());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const TTableProblem::Kind kind = forms_.ReadValue(FieldOf(row, i), i, sizeOf_, values[i]);
        if (kind != TTableProblem::kNone) {
            failed = columnOf_[i].value_or(0);  // an empty field (a missing column) always reads
            return kind;
        }
    }
    return TTableProblem::kNone;
}

TTableProblem TTableImport::Check(const TTableRow& row, Scratch& scratch) const {
    auto problem = [&](TTableProblem::Kind kind, std::size_t k) {
        return TTableProblem{
            kind, TTableReader::LineOf(row, k), k + 1, TextCodec::ToUtf8(row.fields[k]), {}};
    };
    for (std::size_t k = columns_; k < row.fields.size(); ++k)
        if (!row.fields[k].empty()) return problem(TTableProblem::kExtraField, k);
    if (flagColumn_ && *flagColumn_ < row.fields.size() &&
        !TTableForms::ReadFlag(row.fields[*flagColumn_]))
        return problem(TTableProblem::kNotABoolean, *flagColumn_);
    std::size_t failed = 0;
    if (const TTableProblem::Kind kind = ReadRow(row, scratch, failed);
        kind != TTableProblem::kNone)
        return problem(kind, failed);
    return {};
}

// Puts the row's values, as Check read them into scratch, into element, references as targets
// placed but not registered with them: registering touches objects other rows share. False
// when a reference could not be placed so; Store then writes the element's references the
// usual way, once the element stands in its group.
bool TTableImport::Fill(const TTableRow& row, const Fresh& fresh, TElement& element,
                        Scratch& scratch) const {
    const std::vector<TTableForms::Value>& read = scratch.values;
    const TZQPCtrl& parameters = *library_.ParameterFile();
    std::size_t texts = 0;
    std::size_t numbers = 0;
    for (std::size_t i = 0; i < read.size(); ++i)
        if (read[i].given) (IsTextType(parameters.At(i)->Type()) ? texts : numbers) = i + 1;
    // The values go into the element's buffer in one piece, references as room for their
    // targets, as a file is read.
    TElement::Values& values = scratch.element;
    values.Clear();
    for (std::size_t i = 0; i < texts; ++i) {
        if (IsTextType(parameters.At(i)->Type()))
            for (std::string_view text : read[i].texts) {
                values.chars.append(text);
                values.EndTextItem();
            }
        values.EndTextField();
    }
    for (std::size_t i = 0; i < numbers; ++i) {
        const TTableForms::Value& value = read[i];
        const std::size_t room = value.elements.size() + value.groups.size();
        for (std::uint32_t number : value.numbers)
            values.numbers.push_back(number);
        values.numbers.resize(values.numbers.size() + room);
        values.EndNumberField(room ? TElement::RefKind::kPending : TElement::RefKind::kNone);
    }
    element.AssignRead(values);
    bool placed = true;
    for (std::size_t i = 0; i < numbers; ++i) {
        const TTableForms::Value& value = read[i];
        std::vector<void*>& targets = scratch.targets;
        targets.clear();
        for (const auto& [data, position] : value.elements)
            targets.push_back(fresh.Target(data, position));
        for (TGroupSetting* group : value.groups)
            targets.push_back(group);
        if (targets.empty()) continue;
        for (const TGroupSetting* group : value.groups)
            if (group) scratch.CountReferrer(*group);
        const auto kind =
            value.groups.empty() ? TElement::RefKind::kElement : TElement::RefKind::kGroup;
        placed &= element.PlaceReadTargets(i, kind, targets.data(), targets.size());
    }
    const std::optional<std::uint8_t> flag = TTableForms::ReadFlag(
        flagColumn_ && *flagColumn_ < row.fields.size() ? row.fields[*flagColumn_]
                                                        : std::string_view());
    element.SetOutputFlag(flag.value_or(1));
    return placed;
}

TElement* TTableImport::Fresh::Target(TGroupData* of, std::size_t position) const {
    if (!of) return nullptr;
    if (of != data) return of->At(position);
    if (position < at) return data->At(position);
    if (position < at + elements.size()) return elements[position - at].get();
    return data->At(position - elements.size());
}

// Checks every row and fills the fresh element it becomes, in parts on every core, each row
// read once. The problem reported is the first one of the file, as one thread would meet it;
// rows are filled into elements of no list yet, so a problem leaves the group as it was.
TTableProblem TTableImport::CheckAndFill(const TTableRows& rows, const Fresh& fresh,
                                         std::vector<Scratch>& scratches,
                                         std::vector<std::vector<std::size_t>>& unplaced) const {
    const std::size_t count = fresh.elements.size();
    const std::size_t parts = scratches.size();
    std::vector<TTableProblem> problems(parts);
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t r = count * p / parts; r < count * (p + 1) / parts; ++r) {
            const TTableRow& row = rows[r + 1];
            if ((problems[p] = Check(row, scratches[p]))) return;
            if (!Fill(row, fresh, *fresh.elements[r], scratches[p])) unplaced[p].push_back(r);
        }
    });
    for (TTableProblem& problem : problems)
        if (problem) return std::move(problem);
    return {};
}

// Elements filled but never put in a list: their targets do not know them, and some of the
// targets are among them.
void TTableImport::Discard(std::vector<std::unique_ptr<TElement>>& elements) {
    for (std::unique_ptr<TElement>& element : elements)
        element->Detach();
    elements.clear();
}

// Writes the references of a row Fill could not place, registering them.
void TTableImport::Store(const TTableRow& row, TElement& element, Scratch& scratch) const {
    std::size_t failed = 0;
    ReadRow(row, scratch, failed);
    for (std::size_t i = 0; i < scratch.values.size(); ++i) {
        const TTableForms::Value& value = scratch.values[i];
        if (!value.elements.empty()) {
            std::vector<TElement*> targets;
            for (const auto& [data, position] : value.elements)
                targets.push_back(data ? data->At(position) : nullptr);
            element.StoreReadElementRefs(i, targets);
        } else if (!value.groups.empty()) {
            element.StoreReadGroupRefs(i, value.groups);
        }
    }
}

// Registers every placed reference with its target. Each part takes its share of the targets
// (groups by number, elements by address) and walks all rows, so every referrer set is filled
// in the order of the rows, as one thread storing them would fill it. Each target misses the
// cache (an element's links, a slot of a group's table): the first one some elements ahead is
// fetched meanwhile.
void TTableImport::RegisterPlaced(TGroupData& data, std::size_t first, std::size_t count,
                                  const std::vector<bool>& stored) const {
    const TZQPCtrl& parameters = *library_.ParameterFile();
    std::vector<std::size_t> refParams;
    for (std::size_t i = 0; i < parameters.Size(); ++i)
        if (IsReferenceType(parameters.At(i)->Type())) refParams.push_back(i);
    if (refParams.empty()) return;
    const std::size_t parts = PartsFor(count, kRowsForParts);
    RunInParts(parts, [&](std::size_t p) {
        auto mine = [&](bool element, NumberItem item) {
            return item && (element ? ShareOf(TElement::AsElement(item), parts) == p
                                    : TElement::AsGroup(item)->Number() % parts == p);
        };
        constexpr std::size_t kAhead = 16;
        for (std::size_t r = 0; r < count; ++r) {
            if (r + kAhead < count && !stored[r + kAhead]) {
                const TElement& ahead = *data.At(first + r + kAhead);
                for (std::size_t i : refParams) {
                    const bool elements = ahead.HoldsElementRefs(i);
                    if (!elements && !ahead.HoldsGroupRefs(i)) continue;
                    const NumberItems items = ahead.Numbers(i);
                    if (items.empty() || !mine(elements, items[0])) continue;
                    if (elements)
                        TElement::AsElement(items[0])->PrefetchLinks();
                    else
                        TElement::AsGroup(items[0])->Referrers().Prefetch(
                            &ahead, static_cast<std::uint32_t>(i));
                }
            }
            if (stored[r]) continue;
            TElement& element = *data.At(first + r);
            for (std::size_t i : refParams) {
                const auto param = static_cast<std::uint32_t>(i);
                const bool elements = element.HoldsElementRefs(i);
                if (!elements && !element.HoldsGroupRefs(i)) continue;
                for (const NumberItem item : element.Numbers(i)) {
                    if (!mine(elements, item)) continue;
                    if (elements)
                        TElement::AsElement(item)->Referrers().Add(&element, param);
                    else
                        TElement::AsGroup(item)->Referrers().Add(&element, param);
                }
            }
        }
    });
}

// Groups are referred to by many elements: their sets are made large enough first rather
// than grown again and again.
void TTableImport::ReserveGroupReferrers(const std::vector<Scratch>& scratches) const {
    for (std::size_t g = 0; g < library_.GroupCount(); ++g) {
        TGroupSetting& group = *library_.Group(g);
        std::size_t count = 0;
        for (const Scratch& scratch : scratches)
            if (group.Number() < scratch.groupReferrers.size())
                count += scratch.groupReferrers[group.Number()];
        if (count) group.Referrers().Reserve(count);
    }
}

void TTableImport::Scratch::CountReferrer(const TGroupSetting& group) {
    if (group.Number() >= groupReferrers.size()) groupReferrers.resize(group.Number() + 1, 0);
    ++groupReferrers[group.Number()];
}

TTableProblem TTableImport::Run(std::string_view bytes, const TTableFormat& format, bool replace) {
    imported_ = 0;
    TGroupData* data =
        group_ < library_.GroupCount() ? library_.Group(group_)->GroupData() : nullptr;
    if (!data || !library_.ParameterFile()) return {TTableProblem::kNoElementData, 0, 0, {}, {}};
    TTableRows rows;
    if (TTableProblem problem = TTableReader::Read(bytes, format, rows)) return problem;
    if (rows.empty()) return {TTableProblem::kNoHeader, 1, 1, {}, {}};
    if (headerOptional_ && !NamesColumns(rows[0])) {
        // Every row holds values: an empty head stands in for the header the rows lack.
        MapExportOrder();
        rows.InsertEmptyFirst();
    } else if (TTableProblem problem = MapColumns(rows[0])) {
        return problem;
    }
    const std::size_t count = rows.size() - 1;
    const std::size_t kept = replace ? 0 : data->Size();
    sizeOf_ = [data, kept, count](const TGroupData& other) {
        return &other == data ? kept + count : other.Size();
    };
    Fresh fresh{data, std::min(insertAt_, kept), {}};
    fresh.elements.reserve(count);
    for (std::size_t r = 0; r < count; ++r) {
        fresh.elements.push_back(std::make_unique<TElement>());
        fresh.elements.back()->SetOwner(data);
    }
    const std::size_t parts = PartsFor(count, kRowsForParts);
    std::vector<Scratch> scratches(parts);
    std::vector<std::vector<std::size_t>> unplaced(parts);
    if (TTableProblem problem = CheckAndFill(rows, fresh, scratches, unplaced)) {
        Discard(fresh.elements);
        return problem;
    }
    if (replace && data->Size()) library_.DeleteElements(group_, 0, data->Size());
    if (count &&
        library_.InsertTaken(group_, fresh.at, std::move(fresh.elements)) != kElementsChanged)
        return {TTableProblem::kNoElementData, 0, 0, {}, {}};
    ReserveGroupReferrers(scratches);
    std::vector<bool> stored(count, false);
    Scratch scratch;
    for (const std::vector<std::size_t>& part : unplaced)
        for (std::size_t r : part) {
            stored[r] = true;
            Store(rows[r + 1], *data->At(fresh.at + r), scratch);
        }
    RegisterPlaced(*data, fresh.at, count, stored);
    imported_ = count;
    return {};
}

TTableProblem TTableImport::Insert(std::string_view bytes, const TTableFormat& format,
                                   std::size_t position) {
    insertAt_ = position;
    headerOptional_ = true;
    TTableProblem problem = Run(bytes, format, false);
    insertAt_ = static_cast<std::size_t>(-1);
    headerOptional_ = false;
    return problem;
}

bool TTableImport::NamesColumns(const TTableRow& row) const {
    for (const std::string_view field : row.fields)
        if (!field.empty() && forms_.ColumnOf(field)) return true;
    return false;
}

void TTableImport::MapExportOrder() {
    flagColumn_ = 0;
    columnOf_.resize(forms_.ParameterCount());
    for (std::size_t i = 0; i < columnOf_.size(); ++i)
        columnOf_[i] = i + 1;
    columns_ = columnOf_.size() + 1;
}

}  // namespace tabrix
