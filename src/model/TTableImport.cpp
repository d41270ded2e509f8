#include "model/TTableImport.h"

#include <algorithm>

#include "model/ParamType.h"
#include "model/TEditLog.h"
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

TTableProblem TTableImport::MapColumns(const TTableRow& header) {
    columnOf_.assign(forms_.ParameterCount(), std::nullopt);
    flagColumn_.reset();
    columns_ = header.fields.size();
    for (std::size_t k = 0; k < header.fields.size(); ++k) {
        const std::string& head = header.fields[k];
        const std::optional<std::size_t> column = forms_.ColumnOf(head);
        std::optional<std::size_t>* slot = nullptr;
        if (column == TTableForms::kOutputColumn)
            slot = &flagColumn_;
        else if (column)
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
    return column && *column < row.fields.size() ? std::string_view(row.fields[*column])
                                                 : std::string_view();
}

TTableProblem::Kind TTableImport::ReadRow(const TTableRow& row, std::size_t& failed) {
    values_.resize(forms_.ParameterCount());
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const TTableProblem::Kind kind = forms_.ReadValue(FieldOf(row, i), i, sizeOf_, values_[i]);
        if (kind != TTableProblem::kNone) {
            failed = columnOf_[i].value_or(0);  // an empty field (a missing column) always reads
            return kind;
        }
    }
    return TTableProblem::kNone;
}

TTableProblem TTableImport::Check(const TTableRow& row) {
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
    if (const TTableProblem::Kind kind = ReadRow(row, failed); kind != TTableProblem::kNone)
        return problem(kind, failed);
    return {};
}

void TTableImport::Write(const TTableRow& row, TElement& element) {
    std::size_t failed = 0;
    ReadRow(row, failed);
    const TZQPCtrl& parameters = *library_.ParameterFile();
    std::size_t texts = 0;
    std::size_t numbers = 0;
    for (std::size_t i = 0; i < values_.size(); ++i)
        if (values_[i].given) (IsTextType(parameters.At(i)->Type()) ? texts : numbers) = i + 1;
    // The values go into the element's buffer in one piece, references as room for their
    // targets, as a file is read.
    TElement::Values values;
    for (std::size_t i = 0; i < texts; ++i) {
        if (IsTextType(parameters.At(i)->Type()))
            for (std::string_view text : values_[i].texts) {
                values.chars.append(text);
                values.EndTextItem();
            }
        values.EndTextField();
    }
    for (std::size_t i = 0; i < numbers; ++i) {
        const TTableForms::Value& value = values_[i];
        const std::size_t room = value.elements.size() + value.groups.size();
        for (std::uint32_t number : value.numbers)
            values.numbers.push_back(number);
        values.numbers.resize(values.numbers.size() + room);
        values.EndNumberField(room ? TElement::RefKind::kPending : TElement::RefKind::kNone);
    }
    TEditLog::NoteValue(element);
    element.AssignRead(values);
    for (std::size_t i = 0; i < numbers; ++i) {
        const TTableForms::Value& value = values_[i];
        if (!value.elements.empty()) {
            std::vector<TElement*> targets;
            for (const auto& [data, position] : value.elements)
                targets.push_back(data ? data->At(position) : nullptr);
            element.StoreReadElementRefs(i, targets);
        } else if (!value.groups.empty()) {
            element.StoreReadGroupRefs(i, value.groups);
        }
    }
    const std::optional<std::uint8_t> flag = TTableForms::ReadFlag(
        flagColumn_ && *flagColumn_ < row.fields.size() ? std::string_view(row.fields[*flagColumn_])
                                                        : std::string_view());
    element.SetOutputFlag(flag.value_or(1));
}

TTableProblem TTableImport::Run(std::string_view bytes, const TTableFormat& format, bool replace) {
    imported_ = 0;
    TGroupData* data =
        group_ < library_.GroupCount() ? library_.Group(group_)->GroupData() : nullptr;
    if (!data || !library_.ParameterFile()) return {TTableProblem::kNoElementData, 0, 0, {}, {}};
    std::vector<TTableRow> rows;
    if (TTableProblem problem = TTableReader::Read(bytes, format, rows)) return problem;
    if (rows.empty()) return {TTableProblem::kNoHeader, 1, 1, {}, {}};
    const bool header = !headerOptional_ || NamesColumns(rows[0]);
    if (!header)
        MapExportOrder();
    else if (TTableProblem problem = MapColumns(rows[0]))
        return problem;
    const std::size_t first = header ? 1 : 0;
    const std::size_t count = rows.size() - first;
    const std::size_t kept = replace ? 0 : data->Size();
    sizeOf_ = [data, kept, count](const TGroupData& other) {
        return &other == data ? kept + count : other.Size();
    };
    for (std::size_t r = first; r < rows.size(); ++r)
        if (TTableProblem problem = Check(rows[r])) return problem;

    if (replace && data->Size()) library_.DeleteElements(group_, 0, data->Size());
    const std::size_t at = std::min(insertAt_, kept);
    if (count && at == kept) library_.AddElements(group_, count);
    if (count && at < kept) library_.InsertElements(group_, at, count);
    for (std::size_t r = 0; r < count; ++r)
        Write(rows[first + r], *data->At(at + r));
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
    for (const std::string& field : row.fields)
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
