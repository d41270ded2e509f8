// Imports a table (TTableReader, in the forms of TTableForms) into one group: its rows become
// new elements at the end of the group, or replace every element of it. The whole file is
// checked before anything changes, so bad input changes nothing; the change itself goes through
// the library's list operations and announced value writes, so that an edit log recording it
// (TEditLog::Scope) makes it one step.
//
// A reference names the elements as they stand once the import is done: with replace, GROUP:0
// of the group imported into is the first imported element.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "model/TElement.h"
#include "model/TTableFormat.h"
#include "model/TTableForms.h"
#include "model/TTableProblem.h"
#include "model/TTableReader.h"

namespace tabrix {

class TGroupData;
class TGroupSetting;
class TZQLCtrl;

class TTableImport {
public:
    // group: the position in the library's group list.
    TTableImport(TZQLCtrl& library, std::size_t group);

    TTableProblem Run(std::string_view bytes, const TTableFormat& format, bool replace);
    // Inserts the rows before position (appends at or beyond the end), as a paste does: a
    // first row that names no column ("出力", a parameter's name or code) is a row of values,
    // its columns in the export order.
    TTableProblem Insert(std::string_view bytes, const TTableFormat& format, std::size_t position);
    // What each column of the file is read as, instead of what its head names: a parameter's
    // position, TTableForms::kOutputColumn, or none (the column is not read). Columns beyond
    // the list are not read either. The header row is still the first row, and not imported.
    void SetColumns(std::vector<std::optional<std::size_t>> columns) {
        chosen_ = std::move(columns);
    }
    // The elements the last successful run made.
    std::size_t Imported() const { return imported_; }

private:
    // What reading one row needs, one for each thread reading rows.
    struct Scratch {
        std::vector<TTableForms::Value> values;   // per parameter, the row being read
        TElement::Values element;                 // the row's values as an element holds them
        std::vector<void*> targets;               // one reference value's targets
        std::vector<std::size_t> groupReferrers;  // by group number, the references filled in

        void CountReferrer(const TGroupSetting& group);
    };
    // The elements the rows become, standing at at.. of data once every row is read.
    struct Fresh {
        TGroupData* data;
        std::size_t at;
        std::vector<std::unique_ptr<TElement>> elements;

        // The element at position of the data of, counted as the import will leave it.
        TElement* Target(TGroupData* of, std::size_t position) const;
    };
    static constexpr std::size_t kRowsForParts = 20000;

    TTableProblem MapColumns(const TTableRow& header);
    bool NamesColumns(const TTableRow& row) const;
    void MapExportOrder();
    std::optional<std::size_t> ChosenColumn(const TTableRow& header, std::size_t k) const;
    TTableProblem Check(const TTableRow& row, Scratch& scratch) const;
    TTableProblem CheckAndFill(const TTableRows& rows, const Fresh& fresh,
                               std::vector<Scratch>& scratches,
                               std::vector<std::vector<std::size_t>>& unplaced) const;
    static void Discard(std::vector<std::unique_ptr<TElement>>& elements);
    // Reads the values of row into scratch.
    TTableProblem::Kind ReadRow(const TTableRow& row, Scratch& scratch, std::size_t& failed) const;
    bool Fill(const TTableRow& row, const Fresh& fresh, TElement& element, Scratch& scratch) const;
    void Store(const TTableRow& row, TElement& element, Scratch& scratch) const;
    void RegisterPlaced(TGroupData& data, std::size_t first, std::size_t count,
                        const std::vector<bool>& stored) const;
    void ReserveGroupReferrers(const std::vector<Scratch>& scratches) const;
    std::string_view FieldOf(const TTableRow& row, std::size_t param) const;

    TZQLCtrl& library_;
    std::size_t group_;
    TTableForms forms_;
    TTableForms::FinalSize sizeOf_;
    std::vector<std::optional<std::size_t>> columnOf_;  // per parameter, its column
    std::optional<std::size_t> flagColumn_;
    std::size_t columns_ = 0;
    std::size_t imported_ = 0;
    std::size_t insertAt_ = static_cast<std::size_t>(-1);  // the end
    bool headerOptional_ = false;
    std::optional<std::vector<std::optional<std::size_t>>> chosen_;
};

}  // namespace tabrix
