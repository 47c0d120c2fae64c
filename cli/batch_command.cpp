#include "batch_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "cli_common.h"
#include "conversions.h"
#include "csv_reader.h"
#include "data_file.h"
#include "errors.h"
#include "exit_status.h"
#include "fields.h"
#include "path_record.h"
#include "path_run.h"
#include "performance_options.h"

namespace hopscale {
namespace {

constexpr std::size_t kMinimumBufferSize = 16;
// The limits of one line of the input (a record: a line, or more when quotes hold breaks).
constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxRecordFields = 10000;
constexpr const char* kLimitsText = "1 MB or has more than 10000 fields";
// Failing rows whose message is written in full; the rest are only counted.
constexpr std::size_t kMaxRowMessages = 20;

// Output through one large buffer written with fwrite.
class CsvWriter {
  public:
    CsvWriter(std::FILE* out, bool crlf, std::size_t bufferBytes)
        : out_(out), crlf_(crlf), flushAt_(bufferBytes) {
        buffer_.reserve(bufferBytes + 4096);
    }
    ~CsvWriter() { flush(); }

    void raw(std::string_view text) { buffer_.append(text); }
    void separator() { buffer_.push_back(','); }
    void single(float value) { appendSingleText(buffer_, value); }
    // A field, quoted when it holds a comma, a quote or a line break.
    void field(std::string_view text) {
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            buffer_.append(text);
            return;
        }
        buffer_.push_back('"');
        for (char c : text) {
            if (c == '"') buffer_.push_back('"');
            buffer_.push_back(c);
        }
        buffer_.push_back('"');
    }
    void endLine() {
        if (crlf_) buffer_.push_back('\r');
        buffer_.push_back('\n');
        if (buffer_.size() >= flushAt_) flush();
    }
    void flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
            failed_ = true;
        }
        buffer_.clear();
    }
    bool failed() {
        flush();
        return failed_ || std::fflush(out_) != 0 || std::ferror(out_) != 0;
    }

  private:
    std::FILE* out_;
    bool crlf_;
    std::size_t flushAt_;
    bool failed_ = false;
    std::string buffer_;
};

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// What a row failed with before or during its calculation.
struct RowFailure {
    const char* kind;
    std::string message;
};

class BatchRun {
  public:
    BatchRun(std::FILE* in, std::FILE* out, std::FILE* err, const BatchOptions& options)
        : reader_(in, std::max(options.bufferBytes, kMinimumBufferSize)),
          writer_(out, options.crlf, std::max(options.bufferBytes, kMinimumBufferSize)),
          err_(err),
          options_(options) {}

    int run() {
        // No line can make the batch's memory grow without bound: the header is refused
        // at the limits, a row beyond them fails and the batch goes on.
        reader_.setLimits(kMaxRecordBytes, kMaxRecordFields, false);
        if (auto status = readHeader()) return *status;
        reader_.setLimits(kMaxRecordBytes, kMaxRecordFields, true);
        writeHeader();
        lastProgress_ = std::chrono::steady_clock::now();
        std::size_t count = 0;
        while (reader_.next(fields_, count)) {
            if (count == 1 && fields_[0].empty() && !reader_.firstQuoted() &&
                !reader_.unterminated()) {
                continue;  // an empty line
            }
            processRow(count);
            if (options_.progress && (rows_ & 0xFFF) == 0) showProgress(false);
        }
        if (options_.progress) showProgress(true);

        int status = failed_ > 0 ? cli::kExitFailed : cli::kExitOk;
        if (reader_.readError()) {
            std::fprintf(err_, "hopscale batch: reading the input failed: %s\n",
                         std::strerror(errno));
            status = cli::kExitFailed;
        }
        if (writer_.failed()) {
            std::fprintf(err_, "hopscale batch: writing the output failed: %s\n",
                         std::strerror(errno));
            status = cli::kExitFailed;
        }
        if (failed_ > 0) {
            std::fprintf(err_, "hopscale batch: %zu of %zu rows failed (first on line %zu)\n",
                         failed_, rows_, firstFailedLine_);
        }
        return status;
    }

  private:
    std::optional<int> readHeader() {
        std::size_t count = 0;
        reader_.skipByteOrderMark();
        if (!reader_.next(fields_, count)) {
            std::fprintf(err_, "hopscale batch: the input is empty; it needs a header line\n");
            return cli::kExitUsage;
        }
        if (reader_.oversized()) {
            std::fprintf(err_, "hopscale batch: the header line is longer than %s\n", kLimitsText);
            return cli::kExitUsage;
        }
        if (reader_.unterminated()) {
            std::fprintf(err_, "hopscale batch: the header line has an unterminated quote\n");
            return cli::kExitUsage;
        }
        // Each unknown or repeated name is named once, found in one pass.
        cli::NameList unknown;
        cli::NameList repeated;
        std::unordered_set<std::string_view> seen;
        for (std::size_t i = 0; i < count; ++i) {
            std::string_view name = fields_[i];
            name = trimBlanks(name);
            const auto target = cli::targetByName(name);
            // A link condition column is read by the performance columns, not the budget.
            // A repeated one is not claimed twice.
            const bool known = target || seen.count(name) != 0;
            const bool condition =
                !target && (seen.count(name) != 0 || performance_.claim(name, i));
            if (!known && !condition) {
                unknown.add(name);
                continue;
            }
            if (!seen.insert(name).second) {
                repeated.add(name);
                continue;
            }
            columns_.push_back(target.value_or(cli::InputTarget{}));
            conditionColumns_.push_back(condition);
            columnNames_.emplace_back(name);
            if (target && target->kind == cli::InputTarget::Kind::Field &&
                target->field == Field::Text11) {
                nameColumn_ = i;
            }
        }
        if (!unknown.empty()) {
            std::fprintf(err_, "hopscale batch: unknown column(s) in the header: %s\n",
                         unknown.text().c_str());
            std::fprintf(err_, "known columns: %s, %s\n", cli::knownNamesList().c_str(),
                         cli::conditionNamesList().c_str());
            return cli::kExitUsage;
        }
        if (!repeated.empty()) {
            std::fprintf(err_, "hopscale batch: column(s) named twice in the header: %s\n",
                         repeated.text().c_str());
            return cli::kExitUsage;
        }
        if (const auto problem = performance_.headerProblem()) {
            std::fprintf(err_, "hopscale batch: %s\n", problem->c_str());
            return cli::kExitUsage;
        }
        if (const auto problem = performance_.prepare(columnNames_, options_.dataDir)) {
            std::fprintf(err_, "hopscale batch: %s\n", printableText(problem->first).c_str());
            return problem->second;
        }
        return std::nullopt;
    }

    void writeHeader() {
        writer_.raw("name");
        for (const ResultInfo& info : allResults()) {
            writer_.separator();
            writer_.raw(info.name);
        }
        writer_.raw(",error");
        if (performance_.active()) {
            std::string header;
            performance_.appendHeader(header);
            writer_.raw(header);
        }
        writer_.endLine();
    }

    // Sets the row's inputs from its fields; a failure when the row cannot be read as a path.
    std::optional<RowFailure> readRow(std::size_t count) {
        if (reader_.oversized()) {
            return RowFailure{kindName(ErrorKind::BadFile),
                              std::string("the row is longer than ") + kLimitsText};
        }
        if (reader_.unterminated()) {
            return RowFailure{kindName(ErrorKind::BadFile),
                              "a quoted field is not closed before the end of the input"};
        }
        if (count != columns_.size()) {
            return RowFailure{kindName(ErrorKind::BadFile), "the row has " + std::to_string(count) +
                                                                " fields, the header " +
                                                                std::to_string(columns_.size())};
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (conditionColumns_[i]) continue;
            const cli::InputTarget& target = columns_[i];
            if (target.kind == cli::InputTarget::Kind::Field) {
                inputs_[target.field].assign(fields_[i]);
                continue;
            }
            const std::string_view flag = trimBlanks(fields_[i]);
            bool& choice = target.kind == cli::InputTarget::Kind::Km ? inputs_.km : inputs_.watts;
            if (flag.empty() || flag == "0") {
                choice = false;
            } else if (flag == "1") {
                choice = true;
            } else {
                return RowFailure{kindName(ErrorKind::TypeMismatch),
                                  "column \"" + columnNames_[i] +
                                      "\": " + cli::quotedText(fields_[i]) + " is not 1 or 0"};
            }
        }
        return std::nullopt;
    }

    void processRow(std::size_t count) {
        ++rows_;
        const std::optional<RowFailure> failure = readRow(count);
        if (failure) {
            writer_.field(nameColumn_ && *nameColumn_ < count
                              ? std::string_view(fields_[*nameColumn_])
                              : std::string_view());
            for (std::size_t i = 0; i < kResultCount; ++i) writer_.separator();
            writer_.separator();
            writer_.raw(failure->kind);
            if (performance_.active()) {
                performanceCells_.clear();
                performance_.appendEmptyRow(performanceCells_);
                writer_.raw(performanceCells_);
            }
            writer_.endLine();
            reportFailure(failure->message);
            return;
        }

        PathState state;  // every row starts from a fresh state
        performance_.prepareInputs(fields_, inputs_);
        const RunOutcome outcome = runPath(inputs_, state);
        writer_.field(inputs_[Field::Text11]);
        for (const ResultInfo& info : allResults()) {
            writer_.separator();
            if (outcome.computed.test(static_cast<std::size_t>(info.id))) {
                writer_.single(state.results.*info.member);
            }
        }
        writer_.separator();
        if (outcome.error) {
            writer_.raw(kindName(outcome.error->kind));
            reportFailure(cli::errorMessage(*outcome.error));
        }
        if (performance_.active()) {
            performanceCells_.clear();
            const auto error = performance_.appendRow(performanceCells_, fields_, state, outcome);
            writer_.raw(performanceCells_);
            if (error) reportFailure(cli::errorMessage(*error));
        }
        writer_.endLine();
    }

    void reportFailure(const std::string& message) {
        if (failed_++ == 0) firstFailedLine_ = reader_.recordLine();
        if (failed_ > kMaxRowMessages) return;
        clearProgress();
        std::fprintf(err_, "hopscale batch: line %zu: %s\n", reader_.recordLine(),
                     printableText(message).c_str());
        if (failed_ == kMaxRowMessages) {
            std::fprintf(err_, "hopscale batch: further failing rows are only counted\n");
        }
    }

    void showProgress(bool last) {
        const auto now = std::chrono::steady_clock::now();
        if (!last && now - lastProgress_ < std::chrono::milliseconds(250)) return;
        lastProgress_ = now;
        std::fprintf(err_, "\r%zu rows, %zu failed%s", rows_, failed_, last ? "\n" : "");
        progressShown_ = !last;
        std::fflush(err_);
    }
    void clearProgress() {
        if (!progressShown_) return;
        std::fputs("\r\033[K", err_);
        progressShown_ = false;
    }

    CsvReader reader_;
    CsvWriter writer_;
    std::FILE* err_;
    BatchOptions options_;

    std::vector<cli::InputTarget> columns_;
    std::vector<std::string> columnNames_;
    std::vector<bool> conditionColumns_;  // true for a link condition column
    cli::PerformanceColumns performance_;
    std::string performanceCells_;
    std::optional<std::size_t> nameColumn_;
    std::vector<std::string> fields_;
    PathInputs inputs_;  // columns absent from the header keep their default texts

    std::size_t rows_ = 0;
    std::size_t failed_ = 0;
    std::size_t firstFailedLine_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    bool progressShown_ = false;
};

// The batch over FILE (or stdin); stdio's own streams, for speed.
int runBatchFile(const std::string& file, bool crlf, const std::optional<std::string>& dataDir) {
    std::FILE* in = stdin;
    if (file != "-") {
        in = std::fopen(file.c_str(), "rb");
        if (in == nullptr) {
            std::fprintf(stderr, "hopscale batch: cannot open \"%s\": %s\n",
                         printableText(file).c_str(), std::strerror(errno));
            return cli::kExitFailed;
        }
    }
    BatchOptions options;
    options.progress = isatty(fileno(stderr)) != 0;
    options.crlf = crlf;
    options.dataDir = dataDir;
    const int status = runBatch(in, stdout, stderr, options);
    if (in != stdin) std::fclose(in);
    // A failed write is reported by the batch itself, once.
    std::clearerr(stdout);
    return status;
}

}  // namespace

int runBatch(std::FILE* in, std::FILE* out, std::FILE* err, const BatchOptions& options) {
    BatchRun run(in, out, err, options);
    return run.run();
}

cli::CommandDefinition batchCommand() {
    return {"batch", "Calculate many paths from a CSV file; results as CSV on stdout",
            [](CLI::App& app) -> cli::CommandAction {
                struct Request {
                    std::string file = "-";
                    bool crlf = false;
                };
                auto request = std::make_shared<Request>();
                app.footer("Columns: " + cli::knownNamesList() +
                           " (km and watts hold 1 or 0); with a threshold column also " +
                           cli::conditionNamesList() +
                           ".\n"
                           "Exit status: 0 every row calculated, 1 a row failed or a file "
                           "error, 2 usage error.");
                app.add_option("file", request->file, "CSV file of paths; - or nothing reads stdin")
                    ->type_name("FILE|-");
                app.add_flag("--crlf", request->crlf, "End output lines with CR LF");
                return [request](const cli::CommandContext& context) {
                    return runBatchFile(request->file, request->crlf, context.global.dataDir);
                };
            }};
}

}  // namespace hopscale
