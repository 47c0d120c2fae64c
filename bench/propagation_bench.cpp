// Link performance: the cost of each model and of one whole hop (gases, rain, multipath,
// geodesic, target search) once the conditions have been read.
#include <benchmark/benchmark.h>

#include "gas_attenuation.h"
#include "geo.h"
#include "link_conditions.h"
#include "link_performance.h"
#include "multipath.h"
#include "rain.h"

namespace hopscale::propagation {
namespace {

LinkConditions readConditions(bool p530) {
    LinkConditionTexts t;
    t[ConditionInput::Threshold] = "-75";
    t[ConditionInput::RainRate] = "42";
    if (p530) {
        t[ConditionInput::Multipath] = "p530";
        t[ConditionInput::GeoclimaticK] = "1e-4";
        t[ConditionInput::DN75] = "40";
        t[ConditionInput::GroundElevations] = "250,200";
        t[ConditionInput::AntennaHeights] = "50,50";
        t[ConditionInput::MeanTerrain] = "150";
    }
    return *readLinkConditions(t).value;
}

LinkBudgetFacts facts(bool coordinates) {
    LinkBudgetFacts f;
    f.receiveSignalLevelDbm = -35;
    f.frequencyGHz = 18;
    f.pathLengthMiles = 11.47226;
    if (coordinates) {
        f.ends = PathEnds{{41.425, -81.6972222}, {41.5, -81.5}};
        f.coordinateDistanceMiles = 11.47226;
    }
    return f;
}

void BM_GasSpecificAttenuation(benchmark::State& state) {
    const GasModel model{Atmosphere{}};
    double f = 18;
    for (auto _ : state) benchmark::DoNotOptimize(model.specific(f));
}
BENCHMARK(BM_GasSpecificAttenuation);

void BM_GasModelForANewAtmosphere(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GasModel(Atmosphere{1000, 290, 10}));
}
BENCHMARK(BM_GasModelForANewAtmosphere);

void BM_RainCoefficients(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(rainCoefficients(18, 90));
}
BENCHMARK(BM_RainCoefficients);

void BM_RainOutage(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(rainOutagePercent(30, 18, 25));
}
BENCHMARK(BM_RainOutage);

void BM_Geodesic(benchmark::State& state) {
    const PathEnds ends{{41.425, -81.6972222}, {41.5, -81.5}};
    for (auto _ : state) benchmark::DoNotOptimize(geodesicPath(ends));
}
BENCHMARK(BM_Geodesic);

void BM_ReadLinkConditions(benchmark::State& state) {
    LinkConditionTexts t;
    t[ConditionInput::Threshold] = "-75";
    t[ConditionInput::RainRate] = "42";
    for (auto _ : state) benchmark::DoNotOptimize(readLinkConditions(t));
}
BENCHMARK(BM_ReadLinkConditions);

// One hop: gases, rain, Vigants-Barnett, totals and the target search; with and without the
// geodesic.
void BM_HopVigantsBarnett(benchmark::State& state) {
    const LinkConditions c = readConditions(false);
    const LinkBudgetFacts f = facts(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(computeLinkPerformance(f, c));
}
BENCHMARK(BM_HopVigantsBarnett)->Arg(0)->Arg(1);

void BM_HopP530(benchmark::State& state) {
    const LinkConditions c = readConditions(true);
    const LinkBudgetFacts f = facts(true);
    for (auto _ : state) benchmark::DoNotOptimize(computeLinkPerformance(f, c));
}
BENCHMARK(BM_HopP530);

// One direction of a 40 km, 6 GHz hop with an eight-mode radio, dual polarisation (XPD in clear
// air and rain), a signature per mode and space diversity: every mode's outage, the mean
// capacity and the required margin.
LinkConditions outageConditions() {
    LinkConditionTexts t;
    t[ConditionInput::Radio] = "Eight";
    t[ConditionInput::RainRate] = "42";
    t[ConditionInput::Multipath] = "p530";
    t[ConditionInput::GeoclimaticK] = "1e-5";
    t[ConditionInput::DN75] = "40";
    t[ConditionInput::GroundElevations] = "200,150";
    t[ConditionInput::AntennaHeights] = "60,60";
    t[ConditionInput::MeanTerrain] = "120";
    t[ConditionInput::XpdAntenna] = "30";
    t[ConditionInput::Diversity] = "space";
    t[ConditionInput::DiversitySeparation] = "10";
    LinkConditions c = *readLinkConditions(t).value;
    const char* names[] = {"QPSK", "8PSK", "16QAM", "32QAM", "64QAM", "128QAM", "256QAM", "512QAM"};
    for (int i = 0; i < 8; ++i) {
        RadioMode m;
        m.name = names[i];
        m.capacityMbps = 45.0 * (i + 2);
        m.thresholdDbm = -90 + 3.0 * i;
        m.c0iDb = 15 + 3.0 * i;
        m.signatureMinimum = m.signatureNonMinimum = Signature{30, 20 - 1.5 * i, 6.3};
        c.outage.modes.push_back(m);
    }
    return c;
}

void BM_OutageEightModesXpdSpaceDiversity(benchmark::State& state) {
    const LinkConditions c = outageConditions();
    LinkBudgetFacts f = facts(true);
    f.frequencyGHz = 6;
    f.pathLengthMiles = 40 / kKmPerSurveyMile;
    for (auto _ : state) benchmark::DoNotOptimize(computeLinkPerformance(f, c));
}
BENCHMARK(BM_OutageEightModesXpdSpaceDiversity);

// The modes alone, from the path's fading statistics.
void BM_ComputeOutageEightModes(benchmark::State& state) {
    const LinkConditions c = outageConditions();
    LinkBudgetFacts f = facts(true);
    f.frequencyGHz = 6;
    f.pathLengthMiles = 40 / kKmPerSurveyMile;
    const LinkPerformance p = *computeLinkPerformance(f, c).value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            computeOutage(OutageInputs{p.fading, p.rslDbm, 0, c.outage, 99.999}));
    }
}
BENCHMARK(BM_ComputeOutageEightModes);

}  // namespace
}  // namespace hopscale::propagation

BENCHMARK_MAIN();
