// The texts of small libraries for tests that read them from disk: a parameter file, a library
// file whose groups show group data by index, and an element data file.
#pragma once

#include <initializer_list>
#include <string>

#include "TempDir.h"

namespace tabrix::test {

// A parameter file with one parameter per type code given, named and coded p0, p1, ...
inline std::string ParameterFile(std::initializer_list<int> types) {
    std::string out = CrLfLines({"Parameter-Info for Tabrix ver 2.0", "[init]", "[/init]"});
    int n = 0;
    for (int type : types) {
        const std::string name = std::string("p").append(std::to_string(n++));
        out += "\r\n" + CrLfLines({"[param]", "[name]" + name, "[code]" + name,
                                   "[type]" + std::to_string(type), "[/param]"});
    }
    return out;
}

// A library of lib.ZQP whose groups show the group data indexes given of zqd; the last group's
// file is lastZqd when one is given.
inline std::string LibraryFile(std::initializer_list<int> gdIndexes,
                               const std::string& zqd = "data.ZQD",
                               const std::string& lastZqd = "") {
    std::string out = CrLfLines({"Library-File for Tabrix ver 2.0", "[init]", "[zqp_file]lib.ZQP",
                                 "[/init]", "[use_group]"});
    std::size_t n = 0;
    for (int gd : gdIndexes) {
        const bool last = ++n == gdIndexes.size() && !lastZqd.empty();
        out += "\r\n" + CrLfLines({"[group]", "[name]g" + std::to_string(n - 1),
                                   "[zqd_file]" + (last ? lastZqd : zqd),
                                   "[gd_index]" + std::to_string(gd), "[/group]"});
    }
    return out + "\r\n[/use_group]";
}

// An element data file holding the group data given, each a list of element lines.
inline std::string DataFile(std::initializer_list<std::initializer_list<std::string>> groupData) {
    std::string out = CrLfLines({"Element-Data for Tabrix ver 2.0", "[init]",
                                 "[size]" + std::to_string(groupData.size()), "[/init]"});
    int n = 0;
    for (const auto& elements : groupData) {
        out +=
            "\r\n" + CrLfLines({"[elements]", "[init]", "[name]d" + std::to_string(n++),
                                "[size]" + std::to_string(elements.size()), "[/init]", "[data]"});
        for (const std::string& line : elements)
            out += "\r\n" + line;
        out += "\r\n" + CrLfLines({"[/data]", "[/elements]"});
    }
    return out;
}

}  // namespace tabrix::test
