// Reads an element data file (.ZQD) into its data: the group data in order, each element
// decoded from its line. The library supplies the escape map and the parameter types; the
// reference values read wait in a table of the caller's until every file is loaded. Large
// files are decoded on several threads.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "files/TUnresolvedReference.h"
#include "model/FileResult.h"
#include "model/Progress.h"

namespace tabrix {

class TGroupData;
class TZQDCtrl;
class TZQLCtrl;

class TElementDataReader {
public:
    TElementDataReader(TZQDCtrl& file, const TZQLCtrl& library,
                       std::vector<TUnresolvedReference>& references)
        : file_(file), library_(library), references_(references) {}

    // Reads the file at its path, appending the reference values met to the table. Reading
    // replaces the group data, so no group may be showing them (the controller reads files it
    // has just made). On failure the file keeps what it held.
    FileResult Read(const Progress& progress = {});

    // Element lines of at least this many bytes in all are decoded on several threads.
    static std::size_t ParallelReadThreshold();
    static void SetParallelReadThreshold(std::size_t bytes);

    // Whether files read from now on keep, for each group data, the lines its elements were
    // read from (see TReadLines), so that a save soon after writes the unchanged ones back as
    // they stand. The file's bytes are then held until its group data go. Off at the start.
    static bool KeepsLinesRead();
    static void SetKeepsLinesRead(bool on);
    // Whether, while lines are kept, the elements of the lines kept are left without their
    // values (TElement::MarkValuesLeftInLine): for a save that changes nothing and is the
    // library's last use, which writes those lines back and never reads the values. Off at the
    // start.
    static bool LeavesValuesInKeptLines();
    static void SetLeavesValuesInKeptLines(bool on);

private:
    using LineViews = std::vector<std::string_view>;
    // The element lines first .. end-1 of a [data] section of one group data.
    struct DataBlock {
        TGroupData* data;
        std::size_t first;
        std::size_t end;
    };
    // Reads the structure of an [elements] section; its element lines are left to DecodeBlocks.
    std::unique_ptr<TGroupData> ReadGroupData(const LineViews& lines, std::size_t& i,
                                              const Progress& progress,
                                              std::vector<DataBlock>& blocks);
    // Makes the elements of every block, in order, and appends their reference values to the
    // table in the order of the file; a large file is decoded in parts on several threads.
    // With fileBytes (the file's, shared), the lines written as the writer writes them are kept.
    void DecodeBlocks(const LineViews& lines, const std::vector<DataBlock>& blocks,
                      const std::shared_ptr<const char[]>& fileBytes);

    TZQDCtrl& file_;
    const TZQLCtrl& library_;
    std::vector<TUnresolvedReference>& references_;
};

}  // namespace tabrix
