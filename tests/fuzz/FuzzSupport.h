// Shared by the fuzz targets: a reader that takes small values off the front of the input, a
// scratch folder for the files a target writes, and a check that stops the run with a report
// libFuzzer (or the replay driver) treats as a crash.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tabrix::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::tabrix::fuzz::Fail(#condition, __FILE__, __LINE__))

// Takes values off the front of the input; once it runs dry every value is 0 or empty.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    explicit FuzzInput(std::string_view bytes) : rest_(bytes) {}

    bool Empty() const { return rest_.empty(); }
    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        auto byte = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return byte;
    }
    bool Bool() { return (Byte() & 1) != 0; }
    // A value in 0 .. limit (limit included), from one or two bytes.
    std::size_t Below(std::size_t limit) {
        std::size_t value = Byte();
        if (limit > 255) value = value << 8 | Byte();
        return limit == SIZE_MAX ? value : value % (limit + 1);
    }
    std::uint32_t Number32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | Byte();
        return value;
    }
    // A string of up to maxLength bytes, its length taken from one byte first.
    std::string Text(std::size_t maxLength) {
        std::size_t length = Below(maxLength);
        return Take(length);
    }
    std::string Take(std::size_t length) {
        length = std::min(length, rest_.size());
        std::string taken(rest_.substr(0, length));
        rest_.remove_prefix(length);
        return taken;
    }
    std::string Rest() { return Take(rest_.size()); }

private:
    std::string_view rest_;
};

// A folder of this process's own, made on first use (in memory when /dev/shm is there) and
// removed when the process ends.
inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::error_code ignored;
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path made = base / ("tabrix-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        if (std::getenv("TABRIX_FUZZ_KEEP")) return made;
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(ScratchDir(), error);
        });
        return made;
    }();
    return dir;
}

// An empty sub-folder of the scratch folder (emptied again on every call).
inline std::filesystem::path FreshDir(const std::string& name) {
    std::filesystem::path dir = ScratchDir() / name;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input cut into lines at every LF, as a format or data-line editor would hand them over.
inline std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            return lines;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace tabrix::fuzz
