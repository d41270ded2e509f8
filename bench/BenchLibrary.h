// The generated libraries the benchmarks run on: a deterministic library of N elements built
// through the model and saved with its own writers, so the files are valid by construction,
// plus a TSV export of the same elements, an awk program that turns the export into the text
// the library's Output writes, and the sort keys one per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tabrix::bench {

struct LibraryShape {
    std::size_t elements = 10000;
    // 10: groups 0-4 show the group data of one element data file, 5-9 those of a second.
    // 1: one group of every element in one element data file.
    std::size_t groups = 10;
    std::uint64_t seed = 20260101;
};

// Where the files of a generated library lie inside its folder.
struct LibraryFiles {
    std::string folder;
    std::string library;            // lib.ZQL
    std::string parameters;         // lib.ZQP
    std::string info;               // lib.ZQI
    std::vector<std::string> data;  // data/a.ZQD, data/b.ZQD
    std::string tsv;                // elements.tsv: one row per element, in group and element order
    std::string awk;                // output.awk: the library's output from elements.tsv
    std::string keys;               // keys.txt: every element's title, one per line

    static LibraryFiles In(const std::string& folder, std::size_t groups);
};

// Parameter positions of the generated library.
enum GeneratedParam : std::uint32_t {
    kTitle = 0,      // 書名: string
    kAuthors = 1,    // 著者: string array
    kPrice = 2,      // 価格: signed
    kPages = 3,      // 頁: unsigned
    kInStock = 4,    // 在庫: boolean
    kCategory = 5,   // 分類: list selection
    kPublisher = 6,  // 出版社: element reference
    kSeries = 7,     // シリーズ: group reference
    kParamCount = 8,
};

// Builds the library of the shape and writes all its files into folder (created when
// missing). False with error set when a file could not be written.
bool WriteLibrary(const LibraryShape& shape, const std::string& folder, std::string& error);

// The total size in bytes of the element data files.
std::uint64_t DataBytes(const LibraryFiles& files);

// Resident and peak resident memory of this process, in bytes.
std::uint64_t ResidentBytes();
std::uint64_t PeakResidentBytes();

}  // namespace tabrix::bench
