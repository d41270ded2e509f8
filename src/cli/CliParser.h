// The command line of tabrix-cli, read with CLI11: one subcommand per command with its
// positionals and options, --opt=value and --opt value, "--" ending the options, help for the
// tool and for each command, and --version. The values go on to the commands unchanged; the
// commands judge them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tabrix::cli {

class CliParser {
public:
    CliParser();
    ~CliParser();

    // Parses the arguments and runs the command they name; returns the exit status (2 for a
    // usage error, with a message on stderr; 0 after help or the version).
    int Run(int argc, char** argv);

private:
    struct Bound {
        std::vector<std::string> positional;
        std::map<std::string, bool> flags;
        std::map<std::string, std::vector<std::string>> values;
    };

    void AddCommands();
    int RunParsed();

    std::unique_ptr<CLI::App> app_;
    // Where CLI11 writes each command's values; a map so the addresses it holds stay valid.
    std::map<std::string, Bound> bound_;
};

}  // namespace tabrix::cli
