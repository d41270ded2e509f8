// tabrix-cli: the headless tool over the Tabrix core.
#include <cstdio>
#include <cstring>

namespace {

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: tabrix-cli COMMAND [OPTIONS]\n"
                 "\n"
                 "The headless tool over Tabrix libraries (.ZQL with its .ZQP, .ZQI, .ZQD files).\n"
                 "\n"
                 "Options:\n"
                 "  --help       show this help\n"
                 "  --version    show the version\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("tabrix-cli %s\n", TABRIX_VERSION);
        return 0;
    }
    std::fprintf(stderr, "tabrix-cli: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
