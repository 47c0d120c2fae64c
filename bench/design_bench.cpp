// Both directions of a link design evaluated: budget, performance and, with a profile, the
// clearance over 3,000 points read from its CSV file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "design_file.h"
#include "link_study.h"
#include "result_rows.h"

namespace {

using namespace hopscale::design;

LinkDesign withoutProfile() {
    LinkDesign d = exampleDesign();
    d.conditions[hopscale::propagation::ConditionInput::Multipath] = "p530";
    d.conditions[hopscale::propagation::ConditionInput::GeoclimaticK] = "1e-4";
    d.conditions[hopscale::propagation::ConditionInput::DN75] = "300";
    d.conditions[hopscale::propagation::ConditionInput::MeanTerrain] = "280";
    return d;
}

void BM_EvaluateBothDirections(benchmark::State& state) {
    const LinkDesign d = withoutProfile();
    for (auto _ : state) {
        auto study = evaluate(d);
        benchmark::DoNotOptimize(study);
    }
}
BENCHMARK(BM_EvaluateBothDirections);

void BM_EvaluateAndRows(benchmark::State& state) {
    const LinkDesign d = withoutProfile();
    for (auto _ : state) {
        auto study = evaluate(d);
        auto rows = resultRows(d, *study.value);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_EvaluateAndRows);

void BM_EvaluateWithProfile(benchmark::State& state) {
    const auto file = std::filesystem::temp_directory_path() / "hopscale_design_bench.csv";
    {
        std::ofstream out(file);
        out << "distance_km,elevation_m\n";
        const int points = 3000;
        for (int i = 0; i < points; ++i) {
            const double d = 29.52 * i / (points - 1);
            out << d << "," << 250 + 40 * std::sin(d / 3) + 20 * std::sin(d * 1.7) << "\n";
        }
    }
    LinkDesign d = withoutProfile();
    d.profile.profile = file.string();
    d.sites[0].groundElevation.clear();
    d.sites[1].groundElevation.clear();
    d.conditions[hopscale::propagation::ConditionInput::MeanTerrain].clear();
    for (auto _ : state) {
        auto study = evaluate(d);
        if (!study) state.SkipWithError(study.error->message().c_str());
        benchmark::DoNotOptimize(study);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_EvaluateWithProfile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
