#include "cli/CliParser.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/BatchDataKeys.h"
#include "cli/CliCommands.h"
#include "model/FileSizeSignal.h"

namespace tabrix::cli {

namespace {

struct OptionSpec {
    const char* name;
    const char* value;  // the value's placeholder; nullptr for a flag
    const char* help;
    bool repeated = false;
};

struct CommandSpec {
    const char* name;
    const char* summary;
    std::vector<std::pair<const char*, const char*>> positionals;  // name, help
    std::vector<OptionSpec> options;
    bool dataKeys = false;  // its help lists the data-line keys
};

const char* const kLibrary = "the library file (.ZQL)";
const OptionSpec kOutputDir{"--output-dir", "DIR",
                            "write the output files under DIR instead of the library's folder"};
const OptionSpec kMaxOutputSize{"--max-output-size", "BYTES",
                                "do not write a group whose text would pass BYTES (default 1 GiB)"};
const OptionSpec kSave{"--save", nullptr, "save the library afterwards"};
const OptionSpec kGroup{"--group", "NAME|NUMBER", "the group: its name, or else its number"};
const OptionSpec kFormat{"--format", "csv|tsv", "the table's format (default csv)"};
const OptionSpec kEncoding{"--encoding", "utf-8|cp932", "the table's encoding (default utf-8)"};

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {"output",
         "Write the output files of the groups that are due.",
         {{"LIBRARY", kLibrary}},
         {kOutputDir,
          {"--all", nullptr, "write every group marked for output, done or not"},
          kSave,
          kMaxOutputSize}},
        {"check",
         "Compile every format; list the pieces that do not compile (exit 1) and warn of "
         "plain text between %, unknown parameter names and unclosed IF or WHILE blocks.",
         {{"LIBRARY", kLibrary}},
         {{"--strict", nullptr, "exit 1 on warnings too"}}},
        {"dump", "Print the whole library as JSON.", {{"LIBRARY", kLibrary}}, {}},
        {"batch",
         "Run one batch operation: 1 sort, 2 compare-apply, 5 duplicate deletion.",
         {{"LIBRARY", kLibrary}},
         {{"--type", "N", "the operation: 1, 2 or 5"},
          {"--data", "LINE", "one data line (see below); give it once per line", true},
          kSave},
         true},
        {"run",
         "Run one of the library's batch lists; its save items save the library, its output "
         "items write the output.",
         {{"LIBRARY", kLibrary}, {"LIST", "the list: open, close, change or timed"}},
         {kOutputDir, kSave, kMaxOutputSize},
         true},
        {"new",
         "Create a new library with its ZQP, ZQI and ZQD beside it; refused when any of the "
         "four exists.",
         {{"PATH", "the new library file (.ZQL)"}},
         {}},
        {"save",
         "Rewrite the library's changed files.",
         {{"LIBRARY", kLibrary}},
         {{"--all", nullptr, "rewrite every file"}}},
        {"export",
         "Write one group as a table.",
         {{"LIBRARY", kLibrary}},
         {kGroup, kFormat, kEncoding, {"--output", "FILE", "write to FILE instead of stdout"}}},
        {"import",
         "Append a table's rows to a group; bad input changes nothing and exits 2.",
         {{"LIBRARY", kLibrary}, {"FILE", "the table to read"}},
         {kGroup,
          kFormat,
          kEncoding,
          {"--replace", nullptr, "replace the group's elements instead"},
          kSave}},
    };
    return commands;
}

const char* const kExitStatus =
    "Exit status: 0 success, 1 some work failed or memory ran out, 2 usage error or library "
    "not opened.\n";

}  // namespace

CliParser::CliParser()
    : app_(std::make_unique<CLI::App>(
          "The headless tool over Tabrix libraries (.ZQL with its .ZQP, .ZQI and .ZQD files).",
          "tabrix-cli")) {
    app_->set_version_flag("--version", std::string("tabrix-cli ") + TABRIX_VERSION,
                           "show the version");
    app_->set_help_flag("-h,--help", "show this help, or a command's help after the command");
    app_->require_subcommand(1, 1);
    app_->footer(kExitStatus);
    AddCommands();
}

CliParser::~CliParser() = default;

void CliParser::AddCommands() {
    for (const CommandSpec& spec : Commands()) {
        CLI::App* command = app_->add_subcommand(spec.name, spec.summary);
        Bound& bound = bound_[spec.name];
        bound.positional.resize(spec.positionals.size());
        for (std::size_t i = 0; i < spec.positionals.size(); ++i)
            command
                ->add_option(spec.positionals[i].first, bound.positional[i],
                             spec.positionals[i].second)
                ->required()
                ->type_name("");
        for (const OptionSpec& option : spec.options) {
            if (!option.value) {
                command->add_flag(option.name, bound.flags[option.name], option.help);
                continue;
            }
            CLI::Option* added =
                command->add_option(option.name, bound.values[option.name], option.help)
                    ->type_name(option.value)
                    ->expected(1)
                    ->allow_extra_args(false);
            // A value given twice is a mistake, except for the lines of --data.
            added->multi_option_policy(option.repeated ? CLI::MultiOptionPolicy::TakeAll
                                                       : CLI::MultiOptionPolicy::Throw);
        }
        command->footer(spec.dataKeys ? BatchDataKeys::Help() + "\n" + kExitStatus
                                      : std::string(kExitStatus));
    }
}

int CliParser::Run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("tabrix-cli: a command is required; 'tabrix-cli --help' lists them\n", stderr);
        return kExitUsage;
    }
    // CLI11 would call a mistyped command a missing one.
    if (argc > 1 && argv[1][0] != '-' && !bound_.count(argv[1])) {
        std::fprintf(stderr, "tabrix-cli: unknown command '%s'; 'tabrix-cli --help' lists them\n",
                     argv[1]);
        return kExitUsage;
    }
    try {
        app_->parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app_->exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app_->exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app_->exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr,
                     "tabrix-cli: %s\nRun 'tabrix-cli --help' (or after the command) for "
                     "its usage.\n",
                     e.what());
        return kExitUsage;
    }
    FileSizeSignal::Ignore();
    return RunParsed();
}

int CliParser::RunParsed() {
    for (CLI::App* command : app_->get_subcommands()) {
        const Bound& bound = bound_.at(command->get_name());
        CommandLine line;
        line.positional = bound.positional;
        for (const auto& [name, given] : bound.flags)
            if (given) line.flags.insert(name);
        for (const auto& [name, values] : bound.values)
            for (const std::string& value : values)
                line.values.emplace(name, value);
        return RunCommand(command->get_name(), line, true);
    }
    return kExitUsage;
}

}  // namespace tabrix::cli
