// Timings of the batch: the appending number formatter against singleToText, and whole batches of
// generated rows read from memory and written to /dev/null (rows per second as a counter).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>

#include "batch_command.h"
#include "cli_common.h"
#include "conversions.h"

namespace {

using namespace hopscale;

constexpr std::array<float, 8> kSingles = {
    33.5206f, -61.55881f, 0.007943282f, 86617.35f, 12.4274f, 1.944444f, 1.0e-5f, 12345678.0f,
};

void BM_appendSingleText(benchmark::State& state) {
    std::string out;
    std::size_t i = 0;
    for (auto _ : state) {
        out.clear();
        appendSingleText(out, kSingles[i++ % kSingles.size()]);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_appendSingleText);

void BM_singleToTextAppended(benchmark::State& state) {
    std::string out;
    std::size_t i = 0;
    for (auto _ : state) {
        out.clear();
        out += singleToText(kSingles[i++ % kSingles.size()]);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_singleToTextAppended);

// Rows in the mix of tools/bench_batch.sh: every fourth with coordinates, a third in km,
// half in watts.
std::string generatedCsv(int rows) {
    std::string csv =
        "name,tx-dish,rx-dish,amp-gain,tx-loss,rx-loss,tx-length,rx-length,from-lat,from-lon,"
        "to-lat,to-lon,length,km,freq,fade-margin,k,power,watts\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        const std::string ends = i % 4 == 0 ? "41" + std::to_string(2000 + i % 3000) + ",81" +
                                                  std::to_string(4000 + i % 5000) + ",413000,813000"
                                            : "0,0,0,0";
        csv += "hop " + n + "," + std::to_string(2 + i % 9) + "," + std::to_string(2 + i % 7) +
               "," + std::to_string(i % 10) + ",1.5,2.25,150,200," + ends + "," +
               std::to_string(5 + i % 40) + "." + std::to_string(i % 10) + "," +
               std::to_string(i % 3 == 0) + "," + std::to_string(1 + i % 20) + ".5,20,1.33," +
               std::to_string(1 + i % 15) + "," + std::to_string(i % 2) + "\n";
    }
    return csv;
}

void BM_batchRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    std::string csv = generatedCsv(rows);
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* errors = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        std::FILE* in = fmemopen(csv.data(), csv.size(), "r");
        benchmark::DoNotOptimize(runBatch(in, sink, errors, BatchOptions{}));
        std::fclose(in);
    }
    std::fclose(sink);
    std::fclose(errors);
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_batchRows)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same rows with --jobs N (the second argument): wall-clock time, since the work is
// spread over threads.
void BM_batchRowsJobs(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    std::string csv = generatedCsv(rows);
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* errors = std::fopen("/dev/null", "w");
    BatchOptions options;
    options.jobs = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) {
        std::FILE* in = fmemopen(csv.data(), csv.size(), "r");
        benchmark::DoNotOptimize(runBatch(in, sink, errors, options));
        std::fclose(in);
    }
    std::fclose(sink);
    std::fclose(errors);
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_batchRowsJobs)
    ->Args({200000, 1})
    ->Args({200000, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
