// tabrix-cli: the headless tool over the Tabrix core. Terminal text is UTF-8; library files
// stay CP932.
#include "cli/CliParser.h"

int main(int argc, char** argv) {
    return tabrix::cli::CliParser().Run(argc, argv);
}
