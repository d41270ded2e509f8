// Test helpers: a temporary folder removed at the end of the test, whole-file reading and
// writing, UTF-8 literals turned into the CP932 bytes the model stores, and the test data files.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "model/TextCodec.h"

#ifdef TABRIX_TEST_DATA
#include <gtest/gtest.h>
#endif

namespace tabrix::test {

inline std::string Sj(const std::string& utf8) {
    return TextCodec::FromUtf8(utf8);
}

class TempDir {
public:
    TempDir() {
        std::random_device device;
        path_ = std::filesystem::temp_directory_path() /
                ("tabrix-test-" + std::to_string(device()) + "-" + std::to_string(device()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A path inside the folder as the model holds it (CP932 bytes are plain ASCII here).
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The lines joined by CR LF, as the writers join them.
inline std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\r\n" : "") + lines[i];
    return out;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef TABRIX_TEST_DATA
// A file of tests/data; the build passes the folder, so tests run from any working folder.
inline std::filesystem::path DataPath(const std::string& relative) {
    return std::filesystem::path(TABRIX_TEST_DATA) / relative;
}

// The parts of text between the marks (tables use "¦" and "⏎" for lists and lines).
inline std::vector<std::string> SplitAt(const std::string& text, const std::string& mark) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(mark, at)) != std::string::npos;
         at = next + mark.size())
        parts.push_back(text.substr(at, next - at));
    parts.push_back(text.substr(at));
    return parts;
}

// A table of cases in tests/data: one case a line, fields parted by tabs, taken as they stand
// (format texts keep their backslashes); blank lines and lines starting with "#" are comments.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& relative) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(DataPath(relative), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields(1);
        for (char c : line) {
            if (c == '\t')
                fields.emplace_back();
            else
                fields.back().push_back(c);
        }
        rows.push_back(std::move(fields));
    }
    EXPECT_FALSE(rows.empty()) << relative;  // a missing file must not pass as no cases
    return rows;
}
#endif

}  // namespace tabrix::test
