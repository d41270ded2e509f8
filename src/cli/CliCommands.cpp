#include "cli/CliCommands.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "batch/TBatchRunner.h"
#include "cli/CliSession.h"
#include "cli/JsonDump.h"
#include "model/TCodeData.h"
#include "format/TFormatCompiler.h"
#include "format/TOutputGenerator.h"
#include "model/PathName.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::cli {

namespace {

struct CommandLine {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::multimap<std::string, std::string> values;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::string Value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
    std::vector<std::string> All(const std::string& option) const {
        std::vector<std::string> all;
        for (auto [it, end] = values.equal_range(option); it != end; ++it)
            all.push_back(it->second);
        return all;
    }
};

struct CommandSpec {
    const char* name;
    const char* usage;
    std::size_t positionals;
    std::set<std::string> flags;
    std::set<std::string> valueOptions;
};

void Error(const std::string& text) {
    std::fprintf(stderr, "tabrix-cli: %s\n", text.c_str());
}

// Parses args after the command; false (with a message) on a usage error.
bool Parse(const CommandSpec& spec, const std::vector<std::string>& args, CommandLine& line,
           bool& help) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (spec.flags.count(arg)) {
            line.flags.insert(arg);
        } else if (spec.valueOptions.count(arg)) {
            if (i + 1 >= args.size()) {
                Error(arg + " needs a value");
                return false;
            }
            line.values.emplace(arg, args[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            Error("unknown option " + arg + " for " + spec.name);
            return false;
        } else {
            line.positional.push_back(arg);
        }
    }
    if (line.positional.size() != spec.positionals) {
        Error(std::string("wrong number of arguments for ") + spec.name);
        return false;
    }
    return true;
}

std::string Utf8(const std::string& cp932) {
    return TextCodec::ToUtf8(cp932);
}

// A --type value: a whole unsigned number.
std::optional<std::uint32_t> ParseType(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 9)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(text));
}

int SaveAfter(CliSession& session, bool everyFile) {
    std::vector<std::string> errors;
    if (session.Save(everyFile, errors)) return kExitOk;
    for (const std::string& error : errors)
        Error("save: " + error);
    return kExitFailed;
}

// --- output
// ---------------------------------------------------------------------------------------

// The output folder given with --output-dir, as a library path.
std::string OutputFolderOption(const CommandLine& line) {
    if (line.Value("--output-dir").empty()) return {};
    std::error_code ignored;
    return PathName::FromNative(
        std::filesystem::absolute(line.Value("--output-dir"), ignored).lexically_normal().string());
}

// Runs the Output command without questions; false when a file was not written or there is
// no folder to write into.
bool RunOutput(CliSession& session, const TOutputOptions& options) {
    TZQLCtrl& library = session.Library();
    if (options.folder.empty() && library.OutputPath().empty()) {
        Error("the library has no output folder; give one with --output-dir");
        return false;
    }
    TOutputCallbacks callbacks;
    callbacks.status = session.ProgressLine();
    callbacks.input = [&](const std::string& caption, const std::string&, std::string&) {
        session.EndProgress();
        Error("warning: " + Utf8(caption) + " has no output file name; skipped");
        return false;
    };
    callbacks.failure = [&](const std::string& path, const std::string& reason) {
        session.EndProgress();
        Error("cannot write " + Utf8(PathName::ToNative(path)) + ": " + reason);
    };
    TOutputReport report = TOutputGenerator(library, callbacks).Run(options);
    session.EndProgress();
    return report.failures == 0;
}

int Output(CliSession& session, const CommandLine& line) {
    TOutputOptions options;
    options.everyGroup = line.Has("--all");
    options.folder = OutputFolderOption(line);
    if (options.folder.empty() && session.Library().OutputPath().empty()) {
        Error("the library has no output folder; give one with --output-dir");
        return kExitUsage;
    }
    int status = RunOutput(session, options) ? kExitOk : kExitFailed;
    if (line.Has("--save") && SaveAfter(session, false) != kExitOk) status = kExitFailed;
    return status;
}

// --- batch and run
// --------------------------------------------------------------------------------

int Batch(CliSession& session, const CommandLine& line) {
    std::optional<std::uint32_t> type = ParseType(line.Value("--type"));
    if (!type) {
        Error("--type needs a number (1 sort, 2 compare-apply, 5 duplicate deletion)");
        return kExitUsage;
    }
    TBatchSetting setting;
    setting.type = *type;
    for (const std::string& data : line.All("--data")) {
        std::string cp932;
        if (!TextCodec::FromUtf8(data, cp932)) {
            Error("--data " + data + ": not representable in the library's code page");
            return kExitUsage;
        }
        setting.dataLines.push_back(std::move(cp932));
    }
    TBatchRunner(session.Library()).RunBatchSetting(setting);
    return line.Has("--save") ? SaveAfter(session, false) : kExitOk;
}

int RunList(CliSession& session, const CommandLine& line) {
    static const std::map<std::string, std::uint32_t> kTriggers = {
        {"open", 1}, {"close", 2}, {"change", 3}, {"timed", 4}};
    auto trigger = kTriggers.find(line.positional[1]);
    if (trigger == kTriggers.end()) {
        Error("unknown batch list '" + line.positional[1] + "' (open, close, change, timed)");
        return kExitUsage;
    }
    bool failed = false;
    TBatchActions actions;
    actions.save = [&] { failed |= SaveAfter(session, false) != kExitOk; };
    actions.output = [&] {
        TOutputOptions options;
        options.folder = OutputFolderOption(line);
        failed |= !RunOutput(session, options);
    };
    TBatchRunner(session.Library()).RunBatchList(trigger->second, actions);
    if (line.Has("--save")) actions.save();
    return failed ? kExitFailed : kExitOk;
}

// --- check
// ----------------------------------------------------------------------------------------

// Prints one line per error node of a compiled format: where, the piece's ordinal, its text.
int ReportErrors(TFormatCompiler& compiler, const std::string& where, const StringList& lines,
                 const CodeList& code) {
    StringList pieces = compiler.Pieces(lines);
    int errors = 0;
    std::size_t node = 0;
    for (std::size_t i = 0; i < pieces.size() && node < code.size(); ++i) {
        if (pieces[i].empty()) continue;
        if (code[node].kind == kCodeError) {
            std::printf("%s: piece %zu: %s\n", where.c_str(), i + 1, Utf8(pieces[i]).c_str());
            ++errors;
        }
        ++node;
    }
    return errors;
}

int Check(CliSession& session) {
    TZQLCtrl& library = session.Library();
    TFormatCompiler compiler(library);
    int errors = 0;
    if (const TZQPCtrl* parameters = library.ParameterFile()) {
        errors += ReportErrors(compiler, "common draw format", parameters->DrawFormat(),
                               parameters->DrawCode());
        errors += ReportErrors(compiler, "common output format", parameters->OutputFormat(),
                               parameters->OutputCode());
        for (const auto& p : parameters->Parameters()) {
            const std::string code = Utf8(p->Code());
            errors += ReportErrors(compiler, "draw format of parameter " + code, p->DrawFormat(),
                                   p->DrawCode());
            errors += ReportErrors(compiler, "output format of parameter " + code,
                                   p->OutputFormat(), p->OutputCode());
        }
    }
    for (const auto& group : library.Groups()) {
        const std::string name = Utf8(group->Name());
        errors +=
            ReportErrors(compiler, "header of group " + name, group->Header(), group->HeaderCode());
        errors +=
            ReportErrors(compiler, "footer of group " + name, group->Footer(), group->FooterCode());
    }
    return errors ? kExitFailed : kExitOk;
}

// --- commands
// -------------------------------------------------------------------------------------

const std::vector<CommandSpec>& Commands() {
    static const std::vector<CommandSpec> commands = {
        {"output",
         "output LIBRARY [--output-dir DIR] [--all] [--save]",
         1,
         {"--all", "--save"},
         {"--output-dir"}},
        {"check", "check LIBRARY", 1, {}, {}},
        {"batch",
         "batch LIBRARY --type N [--data LINE]... [--save]",
         1,
         {"--save"},
         {"--type", "--data"}},
        {"run",
         "run LIBRARY open|close|change|timed [--output-dir DIR] [--save]",
         2,
         {"--save"},
         {"--output-dir"}},
        {"dump", "dump LIBRARY", 1, {}, {}},
        {"new", "new PATH.ZQL", 1, {}, {}},
        {"save", "save LIBRARY [--all]", 1, {"--all"}, {}},
    };
    return commands;
}

int Dispatch(const CommandSpec& spec, const CommandLine& line) {
    const std::string command = spec.name;
    CliSession session;
    if (command == "new") {
        if (std::filesystem::exists(line.positional[0])) {
            Error(line.positional[0] + " already exists");
            return kExitUsage;
        }
        session.CreateNew(line.positional[0]);
        return SaveAfter(session, true);
    }
    std::string error;
    if (!session.Open(line.positional[0], error)) {
        Error(error);
        return kExitUsage;
    }
    if (command == "output") return Output(session, line);
    if (command == "check") return Check(session);
    if (command == "batch") return Batch(session, line);
    if (command == "run") return RunList(session, line);
    if (command == "dump") {
        std::fputs(DumpLibrary(session.Library()).c_str(), stdout);
        return kExitOk;
    }
    if (command == "save") return SaveAfter(session, line.Has("--all"));
    return kUnknownCommand;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args) {
    for (const CommandSpec& spec : Commands()) {
        if (args[0] != spec.name) continue;
        CommandLine line;
        bool help = false;
        if (!Parse(spec, args, line, help)) {
            std::fprintf(stderr, "usage: tabrix-cli %s\n", spec.usage);
            return kExitUsage;
        }
        if (help) {
            std::printf("usage: tabrix-cli %s\n", spec.usage);
            return kExitOk;
        }
        return Dispatch(spec, line);
    }
    return kUnknownCommand;
}

}  // namespace tabrix::cli
