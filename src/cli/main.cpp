// tabrix-cli: the headless tool over the Tabrix core. Terminal text is UTF-8; library files
// stay CP932.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "model/FileSizeSignal.h"

namespace {

const char* const kUsage =
    "Usage: tabrix-cli COMMAND [OPTIONS]\n"
    "\n"
    "The headless tool over Tabrix libraries (.ZQL with its .ZQP, .ZQI and .ZQD files).\n"
    "\n"
    "Commands:\n"
    "  output LIBRARY [--output-dir DIR] [--all] [--save] [--max-output-size BYTES]\n"
    "                   write the output files of the groups that are due; a group\n"
    "                   whose text would pass BYTES (default 1 GiB) is not written\n"
    "  check LIBRARY    compile every format and list the pieces that do not compile\n"
    "  dump LIBRARY     print the whole library as JSON\n"
    "  batch LIBRARY --type N [--data LINE]... [--save]\n"
    "                   run one batch operation (1 sort, 2 compare-apply, 5 duplicates)\n"
    "  run LIBRARY open|close|change|timed [--output-dir DIR] [--save]\n"
    "      [--max-output-size BYTES]\n"
    "                   run one of the library's batch lists; its save items save the\n"
    "                   library, its output items write the output\n"
    "  new PATH.ZQL     create a new library with its ZQP, ZQI and ZQD beside it;\n"
    "                   refused when any of the four exists\n"
    "  save LIBRARY [--all]\n"
    "                   rewrite the library's files (--all: every file)\n"
    "  export LIBRARY --group NAME|NUMBER [--format csv|tsv] [--encoding utf-8|cp932]\n"
    "      [--output FILE]\n"
    "                   write one group as a table (stdout without --output)\n"
    "  import LIBRARY --group NAME|NUMBER FILE [--format csv|tsv]\n"
    "      [--encoding utf-8|cp932] [--replace] [--save]\n"
    "                   append a table's rows to a group (--replace: instead of its\n"
    "                   elements); bad input changes nothing and exits 2\n"
    "\n"
    "Options:\n"
    "  --help           show this help, or a command's help after the command\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 success, 1 some work failed or memory ran out, 2 usage error or\n"
    "library not opened.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args[0] == "--version") {
        std::printf("tabrix-cli %s\n", TABRIX_VERSION);
        return 0;
    }
    tabrix::FileSizeSignal::Ignore();
    int status = tabrix::cli::RunCommand(args, true);
    if (status == tabrix::cli::kUnknownCommand) {
        std::fprintf(stderr, "tabrix-cli: unknown command '%s'\n\n%s", args[0].c_str(), kUsage);
        return 2;
    }
    return status;
}
