#include "cli_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "batch_command.h"
#include "calc_command.h"
#include "csv_reader.h"

namespace hopscale::test {

CommandRun runCalc(const std::vector<std::string>& args) {
    std::vector<std::string> storage{"calc"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.status = runCalcCommand(static_cast<int>(storage.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

nlohmann::json calcJson(const std::vector<std::string>& args, int* status) {
    std::vector<std::string> withJson{"--json"};
    withJson.insert(withJson.end(), args.begin(), args.end());
    const CommandRun run = runCalc(withJson);
    if (status != nullptr) *status = run.status;
    return nlohmann::json::parse(run.out);
}

namespace {

// Everything written to a memory stream, once closed.
class MemoryStream {
  public:
    MemoryStream() : file_(open_memstream(&data_, &size_)) {
        if (file_ == nullptr) throw std::runtime_error("open_memstream failed");
    }
    ~MemoryStream() {
        if (file_ != nullptr) std::fclose(file_);
        std::free(data_);
    }
    std::FILE* file() { return file_; }
    std::string take() {
        std::fclose(file_);
        file_ = nullptr;
        return std::string(data_, size_);
    }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

}  // namespace

CommandRun runBatchOn(const std::string& input, bool crlf, std::size_t bufferBytes) {
    return runBatchIn(input, std::nullopt, crlf, bufferBytes);
}

CommandRun runBatchIn(const std::string& input, const std::optional<std::string>& dataDir,
                      bool crlf, std::size_t bufferBytes) {
    std::FILE* in = std::tmpfile();
    if (in == nullptr) throw std::runtime_error("tmpfile failed");
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    MemoryStream out;
    MemoryStream err;
    BatchOptions options;
    options.crlf = crlf;
    options.dataDir = dataDir;
    if (bufferBytes != 0) options.bufferBytes = bufferBytes;
    CommandRun run;
    run.status = runBatch(in, out.file(), err.file(), options);
    std::fclose(in);
    run.out = out.take();
    run.err = err.take();
    return run;
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    // The program's one RFC 4180 reader, from the text in memory.
    CsvReader reader(text);
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::size_t count = 0;
    while (reader.next(fields, count)) {
        records.emplace_back(fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return records;
}

}  // namespace hopscale::test
