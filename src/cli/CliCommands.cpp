#include "cli/CliCommands.h"

#include <cstdio>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>

#include "batch/TBatchRunner.h"
#include "cli/BatchDataKeys.h"
#include "cli/CliSession.h"
#include "cli/JsonDump.h"
#include "files/TBackgroundFlush.h"
#include "files/TElementDataReader.h"
#include "format/TFormatCheck.h"
#include "format/TOutputGenerator.h"
#include "model/FileBytes.h"
#include "model/PathName.h"
#include "model/TCodeData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TTableImport.h"
#include "model/TTableWriter.h"
#include "model/TZQPCtrl.h"
#include "model/TextCodec.h"

namespace tabrix::cli {

namespace {

void Error(const std::string& text) {
    std::fprintf(stderr, "tabrix-cli: %s\n", text.c_str());
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

// The output folder given with --output-dir, as a library path (empty when none is given).
// False, with a message, when the folder has no exact library path.
bool OutputFolderOption(const CommandLine& line, std::string& folder) {
    folder.clear();
    if (line.Value("--output-dir").empty()) return true;
    std::string error;
    if (ModelPathOf(line.Value("--output-dir"), folder, error)) return true;
    Error("--output-dir " + error);
    return false;
}

// The --max-output-size value, bytes an output file may hold; false, with a message, when it is
// not a whole number above 0.
bool OutputLimitOption(const CommandLine& line, TOutputOptions& options) {
    const std::string text = line.Value("--max-output-size");
    if (text.empty()) return true;
    if (text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18 ||
        std::stoull(text) == 0) {
        Error("--max-output-size needs a number of bytes above 0");
        return false;
    }
    options.fileSizeLimit = static_cast<std::size_t>(std::stoull(text));
    return true;
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
        // The native name is UTF-8 already; a NUL in it is shown, as printing would end there.
        std::string shown = PathName::ToNative(path);
        for (std::size_t at; (at = shown.find('\0')) != std::string::npos;)
            shown.replace(at, 1, "\\0");
        Error("cannot write " + shown + ": " + reason);
    };
    TOutputReport report = TOutputGenerator(library, callbacks).Run(options);
    session.EndProgress();
    return report.failures == 0;
}

int Output(CliSession& session, const CommandLine& line) {
    TOutputOptions options;
    options.everyGroup = line.Has("--all");
    if (!OutputFolderOption(line, options.folder) || !OutputLimitOption(line, options))
        return kExitUsage;
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

// Why the engine refused an item.
std::string Refusal(std::uint32_t result) {
    if (result == TBatchRunner::kBatchNamesDeleted)
        return "it names a parameter or group that was deleted (-1)";
    return "the judge parameters ([JudgeParam]) name no parameter of the library, or one that is "
           "not there (duplicate deletion needs at least one)";
}

int Batch(CliSession& session, const CommandLine& line) {
    // Any other type would run nothing and report success; an unknown key or a malformed line
    // would be skipped by the engine, so the operation would run on other lists than meant.
    const std::optional<std::uint32_t> type = ParseType(line.Value("--type"));
    const BatchDataKeys::Type* keys = type ? BatchDataKeys::Find(*type) : nullptr;
    if (!keys) {
        Error("--type needs 1 (sort), 2 (compare-apply) or 5 (duplicate deletion)");
        return kExitUsage;
    }
    TBatchSetting setting;
    setting.type = *type;
    for (const std::string& data : line.All("--data")) {
        if (const std::optional<std::string> problem = BatchDataKeys::Problem(*keys, data)) {
            Error(TextCodec::ValidUtf8("--data " + data + ": " + *problem));
            return kExitUsage;
        }
        std::string cp932;
        if (!TextCodec::FromUtf8(data, cp932)) {
            Error("--data " + data + ": not representable in the library's code page");
            return kExitUsage;
        }
        setting.dataLines.push_back(std::move(cp932));
    }
    if (const std::uint32_t result = TBatchRunner(session.Library()).RunBatchSetting(setting);
        result != TBatchRunner::kBatchRan) {
        Error("batch: " + Refusal(result) + "; nothing was changed");
        return kExitUsage;
    }
    return line.Has("--save") ? SaveAfter(session, false) : kExitOk;
}

int RunList(CliSession& session, const CommandLine& line) {
    static const std::map<std::string, BatchTrigger> kTriggers = {{"open", kBatchOpen},
                                                                  {"close", kBatchClose},
                                                                  {"change", kBatchChange},
                                                                  {"timed", kBatchTimed}};
    auto trigger = kTriggers.find(line.positional[1]);
    if (trigger == kTriggers.end()) {
        Error("unknown batch list '" + line.positional[1] + "' (open, close, change, timed)");
        return kExitUsage;
    }
    TOutputOptions outputOptions;
    if (!OutputFolderOption(line, outputOptions.folder) || !OutputLimitOption(line, outputOptions))
        return kExitUsage;
    bool failed = false;
    TBatchActions actions;
    actions.save = [&] { failed |= SaveAfter(session, false) != kExitOk; };
    actions.output = [&] { failed |= !RunOutput(session, outputOptions); };
    actions.skipped = [&](const TBatchSetting& item, std::uint32_t result) {
        Error("warning: batch item " + std::to_string(item.type) + " \"" + Utf8(item.name) +
              "\" skipped: " + Refusal(result));
    };
    TBatchRunner(session.Library()).RunBatchList(trigger->second, actions);
    if (line.Has("--save")) actions.save();
    return failed ? kExitFailed : kExitOk;
}

// --- check
// ----------------------------------------------------------------------------------------

struct CheckCounts {
    int errors = 0;
    int warnings = 0;
};

// Prints the findings of one format: each piece that does not compile as where, its ordinal
// and its text; each warning with its line and column.
void ReportFindings(const TFormatCheck& check, const std::string& where, const StringList& lines,
                    CheckCounts& counts) {
    for (const TFormatFinding& finding : check.Check(lines)) {
        const std::string text = Utf8(finding.text);
        if (finding.kind == TFormatFinding::kError) {
            std::printf("%s: piece %zu: %s\n", where.c_str(), finding.piece, text.c_str());
            ++counts.errors;
            continue;
        }
        std::string what;
        if (finding.kind == TFormatFinding::kPlainWord)
            what = "\"" + text +
                   "\" between % is plain text: no statement, function or "
                   "parameter has this name";
        else if (finding.kind == TFormatFinding::kUnknownName)
            what = "no parameter has the format identifier \"" + text + "\"";
        else
            what = text + " is never closed by " + (text == "WHILE" ? "WEND" : "END_IF");
        std::printf("warning: %s: line %zu, column %zu: %s\n", where.c_str(), finding.line,
                    finding.column, what.c_str());
        ++counts.warnings;
    }
}

int Check(CliSession& session, const CommandLine& line) {
    TZQLCtrl& library = session.Library();
    const TFormatCheck check(library);
    CheckCounts counts;
    if (const TZQPCtrl* parameters = library.ParameterFile()) {
        ReportFindings(check, "common draw format", parameters->DrawFormat(), counts);
        ReportFindings(check, "common output format", parameters->OutputFormat(), counts);
        for (const auto& p : parameters->Parameters()) {
            // Only the composite types run their own formats, and only those are compiled.
            const std::string code = Utf8(p->Code());
            if (!p->DrawCode().empty())
                ReportFindings(check, "draw format of parameter " + code, p->DrawFormat(), counts);
            if (!p->OutputCode().empty())
                ReportFindings(check, "output format of parameter " + code, p->OutputFormat(),
                               counts);
        }
    }
    for (const auto& group : library.Groups()) {
        const std::string name = Utf8(group->Name());
        ReportFindings(check, "header of group " + name, group->Header(), counts);
        ReportFindings(check, "footer of group " + name, group->Footer(), counts);
    }
    if (counts.errors || (counts.warnings && line.Has("--strict"))) return kExitFailed;
    return kExitOk;
}

// --- export and import
// ---------------------------------------------------------------------------

// The group --group names: the one group of that name, or else the group of that number.
// Its position in the library's group list; false, with a message, when it names none.
bool GroupOption(const TZQLCtrl& library, const CommandLine& line, std::size_t& position) {
    const std::string given = line.Value("--group");
    if (given.empty()) {
        Error("--group needs a group name or number");
        return false;
    }
    const std::string name = TextCodec::FromUtf8(given);
    std::size_t named = 0;
    for (std::size_t g = 0; g < library.GroupCount(); ++g)
        if (library.Group(g)->Name() == name && named++ == 0) position = g;
    if (named == 1) return true;
    if (named > 1) {
        Error("several groups are named " + given + "; give the group's number");
        return false;
    }
    if (const std::optional<std::uint32_t> number = ParseType(given)) {
        for (std::size_t g = 0; g < library.GroupCount(); ++g) {
            if (library.Group(g)->Number() == *number) {
                position = g;
                return true;
            }
        }
    }
    Error("the library has no group " + given);
    return false;
}

bool TableFormatOptions(const CommandLine& line, TTableFormat& format) {
    const std::string kind = line.Value("--format");
    const std::string encoding = line.Value("--encoding");
    if (kind == "tsv")
        format.kind = TTableFormat::kTsv;
    else if (!kind.empty() && kind != "csv") {
        Error("--format is csv or tsv");
        return false;
    }
    if (encoding == "cp932")
        format.encoding = TTableFormat::kCp932;
    else if (!encoding.empty() && encoding != "utf-8") {
        Error("--encoding is utf-8 or cp932");
        return false;
    }
    return true;
}

int Export(CliSession& session, const CommandLine& line) {
    std::size_t group = 0;
    TTableFormat format;
    if (!TableFormatOptions(line, format) || !GroupOption(session.Library(), line, group))
        return kExitUsage;
    const std::string output = line.Value("--output");
    std::FILE* file = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
    bool written =
        file && TTableWriter::WriteTo(session.Library(), *session.Library().Group(group), format,
                                      [file](std::string_view bytes) {
                                          return std::fwrite(bytes.data(), 1, bytes.size(), file) ==
                                                 bytes.size();
                                      });
    written = file && (file == stdout ? std::fflush(stdout) : std::fclose(file)) == 0 && written;
    if (written) return kExitOk;
    if (output.empty()) return kExitFailed;
    Error("cannot write " + TextCodec::ValidUtf8(output));
    return kExitFailed;
}

int Import(CliSession& session, const CommandLine& line) {
    std::size_t group = 0;
    TTableFormat format;
    if (!TableFormatOptions(line, format) || !GroupOption(session.Library(), line, group))
        return kExitUsage;
    const std::string path = line.positional[1];
    std::string bytes;
    if (FileBytes::Read(path, bytes) != kFileOk) {
        Error("cannot read " + TextCodec::ValidUtf8(path));
        return kExitUsage;
    }
    TTableImport import(session.Library(), group);
    if (const TTableProblem problem = import.Run(bytes, format, line.Has("--replace"))) {
        std::string where = TextCodec::ValidUtf8(path);
        if (problem.line) where += ": line " + std::to_string(problem.line);
        if (problem.column) where += ", column " + std::to_string(problem.column);
        std::string text = where + ": " + std::string(Describe(problem.kind));
        if (problem.line) text += ": \"" + problem.value + "\"";
        if (!problem.detail.empty()) text += " (" + problem.detail + ")";
        Error(text + "; nothing was changed");
        return kExitUsage;
    }
    std::printf("imported %zu elements into %s\n", import.Imported(),
                Utf8(session.Library().Group(group)->Name()).c_str());
    return line.Has("--save") ? SaveAfter(session, false) : kExitOk;
}

// --- commands
// -------------------------------------------------------------------------------------

bool WritesFiles(const std::string& command, const CommandLine& line) {
    static const std::set<std::string> kWriting = {"output", "export", "run", "save"};
    return kWriting.count(command) > 0 || line.Has("--save");
}

int RunInSession(CliSession& session, const std::string& command, const CommandLine& line) {
    std::string error;
    if (command == "new") {
        if (!session.CreateNew(line.positional[0], error)) {
            Error("new: " + error);
            return kExitUsage;
        }
        return SaveAfter(session, true);
    }
    // A command that writes files gives the disk a head start on the files it reads: its own
    // flushes would wait for their writes still under way.
    std::optional<TBackgroundFlush> flush;
    if (WritesFiles(command, line)) flush.emplace();
    // A save changes nothing before it writes: the lines read are kept so that it can write
    // them back as they stand rather than build each one again.
    // Nor does it read the values of the elements whose lines it writes back: those are not
    // built.
    const bool keptLines = TElementDataReader::KeepsLinesRead();
    const bool leftValues = TElementDataReader::LeavesValuesInKeptLines();
    TElementDataReader::SetKeepsLinesRead(command == "save");
    TElementDataReader::SetLeavesValuesInKeptLines(command == "save");
    const bool opened = session.Open(line.positional[0], error);
    TElementDataReader::SetKeepsLinesRead(keptLines);
    TElementDataReader::SetLeavesValuesInKeptLines(leftValues);
    if (!opened) {
        Error(error);
        return kExitUsage;
    }
    if (command == "output") return Output(session, line);
    if (command == "check") return Check(session, line);
    if (command == "batch") return Batch(session, line);
    if (command == "run") return RunList(session, line);
    if (command == "dump") {
        std::fputs(DumpLibrary(session.Library()).c_str(), stdout);
        return kExitOk;
    }
    if (command == "save") return SaveAfter(session, line.Has("--all"));
    if (command == "export") return Export(session, line);
    if (command == "import") return Import(session, line);
    return kUnknownCommand;
}

int Dispatch(const std::string& command, const CommandLine& line, bool exitWhenDone) {
    CliSession session;
    const int status = RunInSession(session, command, line);
    if (exitWhenDone) session.ExitWithoutTeardown(status);
    return status;
}

// Memory can run out on huge or hostile libraries; the command then ends with a message and a
// failure status instead of an abort. The writers replace a file only once its new text is
// complete, so what was not saved when memory ran out stays as it was on disk.
int DispatchCatchingExhaustion(const std::string& command, const CommandLine& line,
                               bool exitWhenDone) {
    try {
        return Dispatch(command, line, exitWhenDone);
    } catch (const std::bad_alloc&) {
        Error(std::string("out of memory while running ") + command + "; nothing more was done");
    } catch (const std::length_error&) {
        Error(std::string("out of memory while running ") + command +
              " (a list grew past its limit); nothing more was done");
    }
    return kExitFailed;
}

}  // namespace

int RunCommand(const std::string& command, const CommandLine& line, bool exitWhenDone) {
    return DispatchCatchingExhaustion(command, line, exitWhenDone);
}

}  // namespace tabrix::cli
