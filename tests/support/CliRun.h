// Runs the built tabrix-cli in a child process and collects its exit status and output.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TempDir.h"

namespace tabrix::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs tabrix-cli with the arguments (each quoted for the shell); the output lands in dir.
// A file size limit (ulimit -f, in blocks of 512 bytes) other than 0 applies to the tool.
inline Outcome RunCli(const std::vector<std::string>& args, const TempDir& dir,
                      unsigned fileSizeBlocks = 0) {
    std::string command =
        fileSizeBlocks ? "ulimit -f " + std::to_string(fileSizeBlocks) + "; " : std::string();
    command += TABRIX_CLI_PATH;
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    const std::string outPath = dir.File("cli.out");
    const std::string errPath = dir.File("cli.err");
    command += " >'" + outPath + "' 2>'" + errPath + "' </dev/null";
    Outcome outcome;
    int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    return outcome;
}

}  // namespace tabrix::test
