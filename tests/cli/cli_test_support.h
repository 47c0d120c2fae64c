// Helpers for the command tests: run a command in-process with captured streams, and read
// CSV text back with the program's one CSV reader.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace hopscale::test {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `hopscale calc` with the given arguments (after the subcommand name).
CommandRun runCalc(const std::vector<std::string>& args);
// The same with --json, stdout parsed as JSON.
nlohmann::json calcJson(const std::vector<std::string>& args, int* status = nullptr);

// Runs the batch over `input`; bufferBytes 0 keeps the default buffer size.
CommandRun runBatchOn(const std::string& input, bool crlf = false, std::size_t bufferBytes = 0);
// The same with the data directory --data-dir would give (its equipment library).
CommandRun runBatchIn(const std::string& input, const std::optional<std::string>& dataDir,
                      bool crlf = false, std::size_t bufferBytes = 0);

// Splits CSV text (RFC 4180, LF or CRLF line ends) into records.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

}  // namespace hopscale::test
