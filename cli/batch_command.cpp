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
#include "parallel_rows.h"
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

// CSV text appended to a string: the cells of the rows of one chunk.
class CsvText {
  public:
    explicit CsvText(bool crlf) : crlf_(crlf) {}

    std::string& text() { return text_; }
    void raw(std::string_view text) { text_.append(text); }
    void separator() { text_.push_back(','); }
    void single(float value) { appendSingleText(text_, value); }
    // A field, quoted when it holds a comma, a quote or a line break.
    void field(std::string_view text) {
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            text_.append(text);
            return;
        }
        text_.push_back('"');
        for (char c : text) {
            if (c == '"') text_.push_back('"');
            text_.push_back(c);
        }
        text_.push_back('"');
    }
    void endLine() {
        if (crlf_) text_.push_back('\r');
        text_.push_back('\n');
    }

  private:
    bool crlf_;
    std::string text_;
};

// Output through one large buffer written with fwrite.
class CsvWriter {
  public:
    CsvWriter(std::FILE* out, std::size_t bufferBytes) : out_(out), flushAt_(bufferBytes) {
        buffer_.reserve(bufferBytes + 4096);
    }
    ~CsvWriter() { flush(); }

    // Appends text that ends at a line end.
    void lines(std::string_view text) {
        buffer_.append(text);
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
    std::size_t flushAt_;
    bool failed_ = false;
    std::string buffer_;
};

// What a row failed with before or during its calculation.
struct RowFailure {
    const char* kind;
    std::string message;
};

// One row as read: its fields (a reused vector) and what the reader said of it.
struct ReadRow {
    std::vector<std::string> fields;
    std::size_t count = 0;
    std::size_t line = 0;
    bool oversized = false;
    bool unterminated = false;
};

// A message of a failing row, written to stderr in input order.
struct RowMessage {
    std::size_t row;  // index in the chunk
    std::string message;
};

// A chunk of rows with what one evaluation needs of its own: the working inputs and the
// performance columns (which keep the last row's conditions), so that chunks evaluated at
// the same time share nothing mutable.
struct Chunk {
    std::vector<ReadRow> rows;
    std::size_t used = 0;  // rows[0..used) hold this chunk
    CsvText out;
    std::vector<RowMessage> messages;
    std::vector<std::size_t> largeRows;  // rows longer than kLargeRowBytes
    PathInputs inputs;                   // columns absent from the header keep their default texts
    cli::PerformanceColumns performance;
    std::string performanceCells;

    explicit Chunk(bool crlf) : out(crlf) {}
};

// A chunk is full at this many rows or this many bytes of field text.
constexpr std::size_t kChunkRows = 1024;
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// A row longer than this gives its storage back once its chunk is written, so that the rows
// kept for reuse hold little however long some lines of the input were.
constexpr std::size_t kLargeRowBytes = 4096;

class BatchRun {
  public:
    BatchRun(std::FILE* in, std::FILE* out, std::FILE* err, const BatchOptions& options)
        : reader_(in, std::max(options.bufferBytes, kMinimumBufferSize)),
          writer_(out, std::max(options.bufferBytes, kMinimumBufferSize)),
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

        const std::size_t jobs = std::max<std::size_t>(options_.jobs, 1);
        const std::size_t slots = jobs == 1 ? 1 : cli::chunkSlots(jobs);
        chunks_.reserve(slots);
        for (std::size_t i = 0; i < slots; ++i) {
            chunks_.emplace_back(options_.crlf);
            chunks_.back().performance = performance_;
        }
        cli::ChunkStages stages;
        stages.read = [this](std::size_t slot) { return readChunk(chunks_[slot]); };
        stages.evaluate = [this](std::size_t slot) { evaluateChunk(chunks_[slot]); };
        stages.write = [this](std::size_t slot) { writeChunk(chunks_[slot]); };
        cli::runInOrder(jobs, stages);
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
            name = trimmed(name);
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
        CsvText header(options_.crlf);
        header.raw("name");
        for (const ResultInfo& info : allResults()) {
            header.separator();
            header.raw(info.name);
        }
        header.raw(",error");
        if (performance_.active()) performance_.appendHeader(header.text());
        header.endLine();
        writer_.lines(header.text());
    }

    // Reads the next rows into `chunk` (skipping empty lines); false when there are none.
    bool readChunk(Chunk& chunk) {
        for (std::size_t i : chunk.largeRows) std::vector<std::string>().swap(chunk.rows[i].fields);
        chunk.largeRows.clear();
        chunk.used = 0;
        std::size_t bytes = 0;
        while (chunk.used < kChunkRows && bytes < kChunkBytes) {
            if (chunk.used == chunk.rows.size()) chunk.rows.emplace_back();
            ReadRow& row = chunk.rows[chunk.used];
            if (!reader_.next(row.fields, row.count)) break;
            if (row.count == 1 && row.fields[0].empty() && !reader_.firstQuoted() &&
                !reader_.unterminated()) {
                continue;  // an empty line
            }
            row.line = reader_.recordLine();
            row.oversized = reader_.oversized();
            row.unterminated = reader_.unterminated();
            std::size_t rowBytes = 0;
            for (std::size_t i = 0; i < row.count; ++i) rowBytes += row.fields[i].size();
            if (rowBytes > kLargeRowBytes) chunk.largeRows.push_back(chunk.used);
            bytes += rowBytes;
            ++chunk.used;
        }
        return chunk.used > 0;
    }

    void evaluateChunk(Chunk& chunk) {
        chunk.out.text().clear();
        chunk.messages.clear();
        for (std::size_t i = 0; i < chunk.used; ++i) evaluateRow(chunk, i);
    }

    // Writes the chunk's rows and, in the same order, the messages of its failing rows.
    void writeChunk(Chunk& chunk) {
        auto message = chunk.messages.begin();
        for (std::size_t i = 0; i < chunk.used; ++i) {
            ++rows_;
            for (; message != chunk.messages.end() && message->row == i; ++message) {
                reportFailure(chunk.rows[i].line, message->message);
            }
            if (options_.progress && (rows_ & 0xFFF) == 0) showProgress(false);
        }
        writer_.lines(chunk.out.text());
    }

    // Sets the row's inputs from its fields; a failure when the row cannot be read as a path.
    std::optional<RowFailure> readRow(const ReadRow& row, PathInputs& inputs) const {
        if (row.oversized) {
            return RowFailure{kindName(ErrorKind::BadFile),
                              std::string("the row is longer than ") + kLimitsText};
        }
        if (row.unterminated) {
            return RowFailure{kindName(ErrorKind::BadFile),
                              "a quoted field is not closed before the end of the input"};
        }
        if (row.count != columns_.size()) {
            return RowFailure{kindName(ErrorKind::BadFile),
                              "the row has " + std::to_string(row.count) + " fields, the header " +
                                  std::to_string(columns_.size())};
        }
        for (std::size_t i = 0; i < row.count; ++i) {
            if (conditionColumns_[i]) continue;
            const cli::InputTarget& target = columns_[i];
            if (target.kind == cli::InputTarget::Kind::Field) {
                inputs[target.field].assign(row.fields[i]);
                continue;
            }
            const std::string_view flag = trimmed(row.fields[i]);
            bool& choice = target.kind == cli::InputTarget::Kind::Km ? inputs.km : inputs.watts;
            if (flag.empty() || flag == "0") {
                choice = false;
            } else if (flag == "1") {
                choice = true;
            } else {
                return RowFailure{kindName(ErrorKind::TypeMismatch),
                                  "column \"" + columnNames_[i] +
                                      "\": " + cli::quotedText(row.fields[i]) + " is not 1 or 0"};
            }
        }
        return std::nullopt;
    }

    // The output line of row `index` of the chunk, and its messages.
    void evaluateRow(Chunk& chunk, std::size_t index) const {
        const ReadRow& row = chunk.rows[index];
        CsvText& out = chunk.out;
        const std::optional<RowFailure> failure = readRow(row, chunk.inputs);
        if (failure) {
            out.field(nameColumn_ && *nameColumn_ < row.count
                          ? std::string_view(row.fields[*nameColumn_])
                          : std::string_view());
            for (std::size_t i = 0; i < kResultCount; ++i) out.separator();
            out.separator();
            out.raw(failure->kind);
            if (chunk.performance.active()) chunk.performance.appendEmptyRow(out.text());
            out.endLine();
            chunk.messages.push_back({index, failure->message});
            return;
        }

        PathState state;  // every row starts from a fresh state
        chunk.performance.prepareInputs(row.fields, chunk.inputs);
        const RunOutcome outcome = runPath(chunk.inputs, state);
        out.field(chunk.inputs[Field::Text11]);
        for (const ResultInfo& info : allResults()) {
            out.separator();
            if (outcome.computed.test(static_cast<std::size_t>(info.id))) {
                out.single(state.results.*info.member);
            }
        }
        out.separator();
        if (outcome.error) {
            out.raw(kindName(outcome.error->kind));
            chunk.messages.push_back({index, cli::errorMessage(*outcome.error)});
        }
        if (chunk.performance.active()) {
            chunk.performanceCells.clear();
            const auto error =
                chunk.performance.appendRow(chunk.performanceCells, row.fields, state, outcome);
            out.raw(chunk.performanceCells);
            if (error) chunk.messages.push_back({index, cli::errorMessage(*error)});
        }
        out.endLine();
    }

    void reportFailure(std::size_t line, const std::string& message) {
        if (failed_++ == 0) firstFailedLine_ = line;
        if (failed_ > kMaxRowMessages) return;
        clearProgress();
        std::fprintf(err_, "hopscale batch: line %zu: %s\n", line, printableText(message).c_str());
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
    std::optional<std::size_t> nameColumn_;
    std::vector<std::string> fields_;  // the header's
    std::vector<Chunk> chunks_;

    std::size_t rows_ = 0;
    std::size_t failed_ = 0;
    std::size_t firstFailedLine_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    bool progressShown_ = false;
};

// The batch over FILE (or stdin); stdio's own streams, for speed.
int runBatchFile(const std::string& file, bool crlf, std::size_t jobs,
                 const std::optional<std::string>& dataDir) {
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
    options.jobs = jobs;
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
                    std::size_t jobs = cli::availableCores();
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
                app.add_option("--jobs", request->jobs,
                               "Rows calculated at once (default: the number of cores); the "
                               "output is the same whatever the number")
                    ->check(CLI::Range(std::size_t{1}, std::size_t{1024}))
                    ->capture_default_str();
                return [request](const cli::CommandContext& context) {
                    return runBatchFile(request->file, request->crlf, request->jobs,
                                        context.global.dataDir);
                };
            }};
}

}  // namespace hopscale
