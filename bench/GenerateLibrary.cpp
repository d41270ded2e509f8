// tabrix-bench-gen: writes a generated library for the benchmarks.
//
//   tabrix-bench-gen [--elements N] [--groups 10|1] [--seed S] FOLDER
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchLibrary.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: tabrix-bench-gen [--elements N] [--groups 10|1] [--seed S] FOLDER\n");
    return 2;
}

bool ReadNumber(const char* text, std::uint64_t& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    tabrix::bench::LibraryShape shape;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::uint64_t value = 0;
        if ((arg == "--elements" || arg == "--groups" || arg == "--seed") && i + 1 < argc) {
            if (!ReadNumber(argv[++i], value)) return Usage();
            if (arg == "--elements") shape.elements = value;
            if (arg == "--groups") shape.groups = value;
            if (arg == "--seed") shape.seed = value;
        } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty() || (shape.groups != 1 && shape.groups != 10) || shape.elements < 10)
        return Usage();
    std::string error;
    if (!tabrix::bench::WriteLibrary(shape, folder, error)) {
        std::fprintf(stderr, "tabrix-bench-gen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
