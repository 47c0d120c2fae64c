// Timings of the text conversions and of one whole path (capture, coordinates, budget), the
// work done per row by `hopscale batch` and per CONTINUE by the input screen.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

#include "conversions.h"
#include "example_paths.h"
#include "fields.h"
#include "path_record.h"
#include "path_run.h"

namespace {

using namespace hopscale;

// Field texts as users type them: whole numbers, decimals, blanks, exponents.
constexpr std::array<std::string_view, 8> kNumberTexts = {
    "2", "1.33", " 2.5 ", "-36.04976", "1e3", "12.4274", "0.007943282", "86617.35",
};

// Values of the sizes results take: gains, losses, watts, small and large magnitudes.
constexpr std::array<float, 8> kSingles = {
    33.5206f, -61.55881f, 0.007943282f, 86617.35f, 12.4274f, 1.944444f, 1.0e-5f, 12345678.0f,
};

void BM_textToSingle(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(textToSingle(kNumberTexts[i++ % kNumberTexts.size()]));
    }
}
BENCHMARK(BM_textToSingle);

void BM_textToDouble(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(textToDouble(kNumberTexts[i++ % kNumberTexts.size()]));
    }
}
BENCHMARK(BM_textToDouble);

void BM_textToInteger(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(textToInteger(kNumberTexts[i++ % 3]));
    }
}
BENCHMARK(BM_textToInteger);

void BM_textToSingle_rejected(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(textToSingle("two", Field::Text10));
}
BENCHMARK(BM_textToSingle_rejected);

void BM_textLeadingValue(benchmark::State& state) {
    constexpr std::array<std::string_view, 4> texts = {"41 25 30", "1182500", "12abc", "abc"};
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(textLeadingValue(texts[i++ % texts.size()]));
}
BENCHMARK(BM_textLeadingValue);

void BM_singleToText(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(singleToText(kSingles[i++ % kSingles.size()]));
}
BENCHMARK(BM_singleToText);

void BM_signedSingleToText(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(signedSingleToText(kSingles[i++ % kSingles.size()]));
    }
}
BENCHMARK(BM_signedSingleToText);

void BM_doubleToText(benchmark::State& state) {
    constexpr std::array<double, 4> values = {412530.0, 1182500.0, 41.5, 6.213699179};
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(doubleToText(values[i++ % values.size()]));
}
BENCHMARK(BM_doubleToText);

PathInputs coordinatePath() {
    PathInputs in;
    in[Field::Text5] = "412530";
    in[Field::Text6] = "814150";
    in[Field::Text7] = "413000";
    in[Field::Text9] = "813000";
    return in;
}

// One whole path from texts to results, in a fresh state as `batch` runs each row.
void runPathBenchmark(benchmark::State& state, const PathInputs& inputs) {
    for (auto _ : state) {
        PathState path;
        RunOutcome outcome = runPath(inputs, path);
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(path.results);
    }
}

void BM_runPath_defaults(benchmark::State& state) { runPathBenchmark(state, PathInputs()); }
BENCHMARK(BM_runPath_defaults);

void BM_runPath_kmWatts(benchmark::State& state) {
    runPathBenchmark(state, examples::kmWattsPath());
}
BENCHMARK(BM_runPath_kmWatts);

void BM_runPath_coordinates(benchmark::State& state) { runPathBenchmark(state, coordinatePath()); }
BENCHMARK(BM_runPath_coordinates);

// A failing path stops early; this is the cost of a bad row.
void BM_runPath_typeMismatch(benchmark::State& state) {
    PathInputs inputs;
    inputs[Field::Text10] = "two";
    runPathBenchmark(state, inputs);
}
BENCHMARK(BM_runPath_typeMismatch);

// A whole path plus writing all of its results as text, the per-row work of `batch` apart
// from reading and writing the CSV.
void BM_runPath_andResultTexts(benchmark::State& state) {
    const PathInputs inputs = examples::kmWattsPath();
    for (auto _ : state) {
        PathState path;
        RunOutcome outcome = runPath(inputs, path);
        std::size_t bytes = 0;
        for (const ResultInfo& info : allResults()) {
            if (outcome.computed.test(static_cast<std::size_t>(info.id))) {
                bytes += singleToText(path.results.*info.member).size();
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_runPath_andResultTexts);

}  // namespace

BENCHMARK_MAIN();
