// The commands of tabrix-cli. Each returns the exit status: 0 success, 1 some work failed,
// 2 a usage error or a library that could not be opened.
#pragma once

#include <string>

#include "cli/CommandLine.h"

namespace tabrix::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kUnknownCommand = -1;

// Runs the named command on its parsed arguments (their number already checked by the
// parser). With exitWhenDone a command that opened a library ends the process itself once
// its files are written and its output flushed, without taking the library apart (freeing a
// million elements one by one takes longer than the system's reclaiming the memory); only the
// tool's main asks for that.
int RunCommand(const std::string& command, const CommandLine& line, bool exitWhenDone = false);

}  // namespace tabrix::cli
