// Runs a command line through the shell for the tests of the real binary: standard output is
// collected, standard error is read back from the file the command sends it to.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace hopscale::testing_files {

struct ProcessRun {
    int status = -1;  // the exit status, -1 when the command did not exit normally
    std::string out;
    std::string err;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `command`, which must send its standard error to `errPath` (2>'errPath').
inline ProcessRun runShell(const std::string& command, const std::filesystem::path& errPath) {
    ProcessRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readFile(errPath);
    return run;
}

}  // namespace hopscale::testing_files
