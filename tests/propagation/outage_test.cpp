// The outage models beyond the single threshold: the worked check values of a 40 km, 6 GHz
// path (p0 4 %, F 35 dB) computed from the formulas by hand, the decisions where they bite,
// and the mode table's bookkeeping on generated radios.
#include "outage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "multipath.h"

namespace hopscale::propagation {
namespace {

// Relative agreement to 1e-4 (the check values carry five significant digits).
void expectRelative(double actual, double expected, double tolerance = 1e-4) {
    EXPECT_NEAR(actual, expected, std::abs(expected) * tolerance)
        << "actual " << actual << ", expected " << expected;
}

constexpr double kP0 = 0.04;  // P0 of the check path
const double kEta = multipathActivity(kP0);

TEST(OutageCheckValues, ClearAirCrossPolarOneAntenna) {
    expectRelative(kEta, 0.017729);
    ClearAirXpdInputs in;
    in.xpdgDb = 28;
    in.c0iDb = 15;
    in.frequencyGHz = 6;
    in.p0Fraction = kP0;
    const ClearAirXpd x = clearAirXpdOutage(in);
    EXPECT_DOUBLE_EQ(x.xpd0Db, 33);
    expectRelative(x.qDb, 5.0827);
    expectRelative(x.cDb, 38.0827);
    expectRelative(x.marginDb, 23.0827);
    expectRelative(x.fraction, 1.967e-4);
    in.xpifDb = 20;
    expectRelative(clearAirXpdOutage(in).fraction, 1.967e-6);
}

TEST(OutageCheckValues, ClearAirCrossPolarAboveThirtyFiveAndTwoAntennas) {
    ClearAirXpdInputs in;
    in.xpdgDb = 38;
    in.c0iDb = 15;
    in.frequencyGHz = 6;
    in.p0Fraction = kP0;
    EXPECT_DOUBLE_EQ(clearAirXpdOutage(in).xpd0Db, 40);  // 40 above 35 dB, not XPDg + 5
    in.xpdgDb = 35;
    EXPECT_DOUBLE_EQ(clearAirXpdOutage(in).xpd0Db, 40);
    // Two antennas far apart: kXP tends to 1; close together to 0.7.
    in.txAntennas = 2;
    in.txSeparationM = 100;
    EXPECT_NEAR(clearAirXpdOutage(in).kxp, 1.0, 1e-6);
    in.txSeparationM = 0.01;
    EXPECT_NEAR(clearAirXpdOutage(in).kxp, 0.7, 1e-6);
    in.txSeparationM = 10;  // lambda 0.04997 m, (st/lambda)^2 = 40050
    EXPECT_NEAR(clearAirXpdOutage(in).kxp,
                1 - 0.3 * std::exp(-4e-6 * std::pow(10 / (0.299792458 / 6), 2)), 1e-12);
}

TEST(OutageCheckValues, PrecipitationCrossPolar) {
    const PrecipitationXpd x = precipitationXpdOutage(30, 18, 15, 0, 15);
    expectRelative(x.uDb, 52.658);
    expectRelative(x.v, 22.1672);
    expectRelative(x.apDb, 49.983);
    expectRelative(x.m, 26.575);
    expectRelative(x.n, -2.64426);
    expectRelative(x.fraction, 2.2685e-5);
    EXPECT_FALSE(x.frequencyOutside);
    EXPECT_FALSE(x.nBelowRange);
}

TEST(OutageDecisions, PrecipitationCrossPolarOutsideEightToThirtyFiveGHz) {
    // Below 8 GHz V is taken at 8 GHz, above 35 at 22.6, and both are flagged.
    const PrecipitationXpd low = precipitationXpdOutage(30, 6, 15, 0, 15);
    EXPECT_TRUE(low.frequencyOutside);
    EXPECT_DOUBLE_EQ(low.v, 12.8 * std::pow(8.0, 0.19));
    const PrecipitationXpd high = precipitationXpdOutage(30, 38, 15, 0, 15);
    EXPECT_TRUE(high.frequencyOutside);
    EXPECT_DOUBLE_EQ(high.v, 22.6);
    EXPECT_DOUBLE_EQ(precipitationXpdOutage(30, 25, 15, 0, 15).v, 22.6);
    EXPECT_FALSE(precipitationXpdOutage(30, 8, 15, 0, 15).frequencyOutside);
    EXPECT_FALSE(precipitationXpdOutage(30, 35, 15, 0, 15).frequencyOutside);
}

TEST(OutageDecisions, PrecipitationCrossPolarNBelowMinusThreeIsKeptAndFlagged) {
    // A canceller of 30 dB drives n below -3: the tiny outage stays as computed.
    const PrecipitationXpd x = precipitationXpdOutage(30, 18, 15, 30, 15);
    EXPECT_TRUE(x.nBelowRange);
    EXPECT_LT(x.n, -3);
    EXPECT_DOUBLE_EQ(x.fraction, std::pow(10.0, x.n - 2));
    EXPECT_LT(x.fraction, 1e-5);
    // m is held at 40 at most.
    EXPECT_DOUBLE_EQ(precipitationXpdOutage(0.001, 18, 0, 60, 15).m, 40);
}

TEST(OutageCheckValues, Selective) {
    expectRelative(meanTimeDelayNs(40), 0.52374);
    const Signature s{30, 20, 6.3};
    expectRelative(selectiveOutage(kEta, 40, s, s), 9.958e-6);
    // Kn form: a signature of W 0.030 GHz, B 20 dB, tau_r 6.3 ns is Kn = W 10^(-B/20) T^2 / tau_r.
    const double baud = 20;
    const double kn = 0.030 * 0.1 * baud * baud / 6.3;
    expectRelative(selectiveOutageKn(kEta, 40, kn, kn, baud), selectiveOutage(kEta, 40, s, s),
                   1e-12);
}

TEST(OutageCheckValues, TotalWithoutDiversity) {
    const double pns = worstMonthFadePercent(4, 35) / 100;
    expectRelative(pns, 1.2649e-5);
    const Signature s{30, 20, 6.3};
    ClearAirXpdInputs in{28, 15, 0, 1, 0, 6, kP0};
    const double total = pns + selectiveOutage(kEta, 40, s, s) + clearAirXpdOutage(in).fraction;
    expectRelative(total, 2.1930e-4);
}

TEST(OutageCheckValues, SpaceDiversity) {
    const double pns = worstMonthFadePercent(4, 35) / 100;
    const double ps = selectiveOutage(kEta, 40, {30, 20, 6.3}, {30, 20, 6.3});
    const double i = spaceDiversityImprovement(10, 0, 6, 40, 4, 35);
    expectRelative(i, 8.7622);
    const DiversityOutage d = diversityOutage(kEta, pns, i, ps);
    expectRelative(d.kns2, 0.993749);
    expectRelative(d.rw, 0.996359);
    expectRelative(d.ks2, 0.977879);
    expectRelative(d.pdns, 1.4436e-6);
    expectRelative(d.pds, 2.5284e-7);
    expectRelative(d.fraction, 1.9870e-6);
}

TEST(OutageCheckValues, FrequencyDiversity) {
    const double pns = worstMonthFadePercent(4, 35) / 100;
    const double ps = selectiveOutage(kEta, 40, {30, 20, 6.3}, {30, 20, 6.3});
    const double i = frequencyDiversityImprovement(0.2, 6, 40, 35);
    expectRelative(i, 35.136);
    const DiversityOutage d = diversityOutage(kEta, pns, i, ps);
    expectRelative(d.kns2, 0.974932);
    expectRelative(d.rw, 0.984694);
    expectRelative(d.ks2, 0.953750);
    expectRelative(d.pdns, 3.6000e-7);
    expectRelative(d.pds, 1.2093e-7);
    expectRelative(d.fraction, 5.8608e-7);
    // At most 0.5 GHz of separation counts.
    EXPECT_DOUBLE_EQ(frequencyDiversityImprovement(0.9, 6, 40, 35),
                     frequencyDiversityImprovement(0.5, 6, 40, 35));
}

TEST(OutageDecisions, DiversityRegionsOfTheCorrelation) {
    // r_w at or below 0.5 gives k_s^2 = 0.8238; the middle branch joins the upper one.
    const DiversityOutage heavy = diversityOutage(kEta, 0.01, 1.5, 1e-5);
    EXPECT_LE(heavy.rw, 0.5);
    EXPECT_DOUBLE_EQ(heavy.ks2, 0.8238);
    const DiversityOutage middle = diversityOutage(kEta, 5e-3, 1.5, 1e-5);
    EXPECT_GT(middle.rw, 0.5);
    EXPECT_LE(middle.rw, 0.9628);
    EXPECT_NEAR(middle.ks2,
                1 - 0.195 * std::pow(1 - middle.rw, 0.109 - 0.13 * std::log10(1 - middle.rw)),
                1e-12);
}

TEST(OutageTwoWay, SumAvailabilityAndTheWorseDirection) {
    const TwoWayOutage t = twoWayOutage(1e-3, 3e-3);
    EXPECT_DOUBLE_EQ(t.outagePercent, 4e-3);
    EXPECT_DOUBLE_EQ(t.availabilityPercent, 100 - 4e-3);
    EXPECT_EQ(t.worseDirection, 1);
    EXPECT_EQ(twoWayOutage(2e-3, 2e-3).worseDirection, 0);  // a tie names the first
    const TwoWayOutage full = twoWayOutage(70, 60);
    EXPECT_TRUE(full.capped);
    EXPECT_DOUBLE_EQ(full.outagePercent, 100);
    EXPECT_DOUBLE_EQ(full.availabilityPercent, 0);
    EXPECT_DOUBLE_EQ(full.outageMinutesPerYear, 525960);
}

// ---- One direction through computeOutage ----

// The check path as FadingStatistics: P.530 with p0 4 %, dG 3 dB, rain A0.01 30 dB.
FadingStatistics checkPath(bool rain = true) {
    FadingStatistics f;
    f.frequencyGHz = 6;
    f.pathKm = 40;
    f.method = MultipathMethod::P530;
    f.p0Percent = 4;
    f.dG = 3;
    f.rain = rain;
    f.a001Db = 30;
    f.law = rainPowerLaw(6);
    return f;
}

// One direction through the checked entry point.
OutageResult computeOutage(const FadingStatistics& fading, double rsl, double threshold,
                           const OutageOptions& options, double target) {
    const Result<OutageResult> r =
        propagation::computeOutage(OutageInputs{fading, rsl, threshold, options, target});
    EXPECT_TRUE(r) << r.error->message();
    return *r.value;
}

TEST(OutageDirection, BadInputsAreNamed) {
    OutageInputs in{checkPath(), -40, -75, {}, 99.999};
    EXPECT_TRUE(propagation::computeOutage(in));
    OutageInputs bad = in;
    bad.fading.pathKm = 0;
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Path length");
    bad = in;
    bad.rslDbm = std::nan("");
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Received signal level");
    bad = in;
    bad.options.txAntennas = 2;
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Transmit antenna separation");
    bad = in;
    bad.options.diversity = DiversityKind::Frequency;
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Frequency separation");
    bad = in;
    bad.options.modes = {RadioMode{"QPSK", 10, INFINITY, {}, {}, {}}};
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Radio mode \"QPSK\"");
    bad = in;
    bad.targetPercent = 100;
    EXPECT_EQ(propagation::computeOutage(bad).error->input, "Target availability");
}

bool hasFlag(const std::vector<std::string>& flags, const std::string& part) {
    for (const std::string& f : flags) {
        if (f.find(part) != std::string::npos) return true;
    }
    return false;
}

TEST(OutageDirection, ThePartsOfTheCheckPathAndTheirYear) {
    OutageOptions o;
    o.xpdgDb = 28;
    o.c0iDb = 15;
    o.signatureMinimum = o.signatureNonMinimum = Signature{30, 20, 6.3};
    const OutageResult r = computeOutage(checkPath(), -40, -75, o, 99.999);
    ASSERT_EQ(r.modes.size(), 1u);
    const OutageParts& p = r.modes[0].parts;
    EXPECT_DOUBLE_EQ(r.modes[0].fadeMarginDb, 35);
    expectRelative(*p.nonSelective, 1.2649e-5);
    expectRelative(*p.selective, 9.958e-6);
    expectRelative(p.xpd->fraction, 1.967e-4);
    expectRelative(*p.clearAirWorstMonthPercent, 2.1930e-2);
    // The year: today's annual multipath plus the rest at 10^(-dG/10).
    const double factor = std::pow(10.0, -0.3);
    EXPECT_NEAR(p.clearAirYearPercent,
                annualFadePercent(4, 35, 3) + 100 * (*p.selective + p.xpd->fraction) * factor,
                1e-15);
    // Rain: the larger of the rain outage and the rain cross-polar outage.
    const double rain = rainOutagePercent(30, 6, 35).percent;
    EXPECT_DOUBLE_EQ(p.rainYearPercent, std::max(rain, 100 * p.xpr->fraction));
    EXPECT_TRUE(p.xpr->frequencyOutside);  // 6 GHz
    EXPECT_TRUE(hasFlag(r.modes[0].flags, "outside the method's range (8 to 35 GHz)"));
    EXPECT_DOUBLE_EQ(r.modes[0].outagePercent, p.clearAirYearPercent + p.rainYearPercent);
}

TEST(OutageDecisions, AC0IWithoutAntennaXpdSaysWhyNothingIsComputed) {
    OutageOptions o;
    o.c0iDb = 15;
    const OutageResult r = computeOutage(checkPath(), -40, -75, o, 99.999);
    EXPECT_FALSE(r.modes[0].parts.xpd);
    EXPECT_FALSE(r.modes[0].parts.xpr);
    EXPECT_TRUE(hasFlag(r.modes[0].flags, "single polarisation"));
}

TEST(OutageDirection, WithoutExtrasEveryFigureIsTodays) {
    const OutageResult r = computeOutage(checkPath(), -40, -75, OutageOptions{}, 99.999);
    ASSERT_EQ(r.modes.size(), 1u);
    EXPECT_EQ(r.modes[0].mode.name, "threshold");
    EXPECT_EQ(r.modes[0].outagePercent,
              rainOutagePercent(30, rainPowerLaw(6), 35).percent + annualFadePercent(4, 35, 3));
    EXPECT_FALSE(r.modes[0].parts.selective);
    EXPECT_FALSE(r.modes[0].parts.xpd);
    EXPECT_TRUE(hasFlag(r.modes[0].flags, "signature not given"));
}

TEST(OutageDirection, SpaceDiversityReplacesTheMultipathParts) {
    OutageOptions o;
    o.xpdgDb = 28;
    o.c0iDb = 15;
    o.signatureMinimum = o.signatureNonMinimum = Signature{30, 20, 6.3};
    o.diversity = DiversityKind::Space;
    o.diversitySeparationM = 10;
    const OutageResult r = computeOutage(checkPath(false), -40, -75, o, 99.999);
    const OutageParts& p = r.modes[0].parts;
    ASSERT_TRUE(p.diversity);
    expectRelative(p.diversity->fraction, 1.9870e-6);
    expectRelative(*p.clearAirWorstMonthPercent, 100 * (1.9870e-6 + 1.967e-4));
    EXPECT_NEAR(p.clearAirYearPercent, *p.clearAirWorstMonthPercent * std::pow(10.0, -0.3), 1e-15);
    // 40 km lies below the stated 43 km.
    EXPECT_TRUE(hasFlag(r.modes[0].flags, "space diversity outside"));
}

TEST(OutageDecisions, ImprovementBelowOneIsUsedAsItIsAndFlagged) {
    OutageOptions o;
    o.diversity = DiversityKind::Space;
    o.diversitySeparationM = 3;
    FadingStatistics f = checkPath(false);
    f.p0Percent = 400;                                             // heavy multipath
    const OutageResult r = computeOutage(f, -40, -45, o, 99.999);  // F 5 dB
    const OutageParts& p = r.modes[0].parts;
    ASSERT_TRUE(p.diversity);
    EXPECT_LT(p.diversity->improvement, 1);
    EXPECT_DOUBLE_EQ(p.diversity->improvement, spaceDiversityImprovement(3, 0, 6, 40, 400, 5));
    EXPECT_TRUE(hasFlag(r.modes[0].flags, "improvement below 1"));
}

TEST(OutageDecisions, VigantsBarnettLeavesTheP0ModelsNotAssessed) {
    FadingStatistics f;
    f.frequencyGHz = 18;
    f.pathKm = 20;
    f.method = MultipathMethod::VigantsBarnett;
    f.vbScale = 0.25 * 2.5e-6 * 18 * std::pow(20 / 1.609347219, 3);
    f.rain = true;
    f.a001Db = 30;
    f.law = rainPowerLaw(18);
    OutageOptions o;
    o.xpdgDb = 28;
    o.c0iDb = 15;
    o.signatureMinimum = o.signatureNonMinimum = Signature{30, 20, 6.3};
    o.diversity = DiversityKind::Space;
    o.diversitySeparationM = 10;
    const OutageResult r = computeOutage(f, -40, -75, o, 99.999);
    const ModeOutage& m = r.modes[0];
    EXPECT_FALSE(m.parts.xpd);
    EXPECT_FALSE(m.parts.selective);
    EXPECT_FALSE(m.parts.diversity);
    EXPECT_FALSE(m.parts.clearAirWorstMonthPercent);
    EXPECT_TRUE(hasFlag(m.flags, "clear-air cross-polar outage not assessed: Vigants-Barnett"));
    EXPECT_TRUE(hasFlag(m.flags, "selective outage not assessed: Vigants-Barnett"));
    EXPECT_TRUE(hasFlag(m.flags, "diversity not assessed: Vigants-Barnett"));
    // The rain cross-polar outage needs no P0: it is assessed.
    ASSERT_TRUE(m.parts.xpr);
    EXPECT_DOUBLE_EQ(m.parts.clearAirYearPercent, 100 * f.vbScale * std::pow(10.0, -3.5));
}

TEST(OutageDecisions, AModeWithoutSignatureOrC0IHasNoSelectiveOrCrossPolarPart) {
    OutageOptions o;
    o.xpdgDb = 28;
    RadioMode robust{"QPSK", 100, -90, 15, Signature{30, 20, 6.3}, Signature{30, 20, 6.3}};
    RadioMode fast{"256QAM", 400, -70, {}, {}, {}};
    o.modes = {fast, robust};
    const OutageResult r = computeOutage(checkPath(), -40, 0, o, 99.999);
    ASSERT_EQ(r.modes.size(), 2u);
    EXPECT_EQ(r.modes[0].mode.name, "QPSK");  // sorted by threshold
    EXPECT_TRUE(r.modes[0].parts.selective);
    EXPECT_TRUE(r.modes[0].parts.xpd);
    EXPECT_FALSE(r.modes[1].parts.selective);
    EXPECT_FALSE(r.modes[1].parts.xpd);
    EXPECT_TRUE(hasFlag(r.modes[1].flags, "signature not given"));
    EXPECT_TRUE(hasFlag(r.modes[1].flags, "C0/I not given"));
}

TEST(OutageDirection, AModeThatDoesNotCloseIsOutTheWholeYear) {
    OutageOptions o;
    o.modes = {{"QPSK", 100, -90, {}, {}, {}}, {"1024QAM", 1000, -35, {}, {}, {}}};
    const OutageResult r = computeOutage(checkPath(), -40, 0, o, 99.999);
    EXPECT_FALSE(r.modes[1].parts.closes);
    EXPECT_DOUBLE_EQ(r.modes[1].availabilityPercent, 0);
    EXPECT_DOUBLE_EQ(r.modes[1].timeInModePercent, 0);
    EXPECT_DOUBLE_EQ(r.modes[1].outageMinutesPerYear, 525960);
    EXPECT_DOUBLE_EQ(r.meanCapacityMbps, 100 * r.modes[0].availabilityPercent / 100);
}

TEST(OutageModes, TheTableAddsUpOnGeneratedRadios) {
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> threshold(-95, -45), capacity(10, 2000);
    std::uniform_int_distribution<int> count(1, 8);
    for (int radio = 0; radio < 200; ++radio) {
        OutageOptions o;
        const int n = count(rng);
        for (int i = 0; i < n; ++i) {
            o.modes.push_back({"m" + std::to_string(i), capacity(rng), threshold(rng), {}, {}, {}});
        }
        if (radio % 2 == 0) {
            o.xpdgDb = 30;
            o.c0iDb = 20;
            o.diversity = DiversityKind::Space;
            o.diversitySeparationM = 10;
        }
        const OutageResult r = computeOutage(checkPath(), -38, 0, o, 99.99);
        double time = 0, mean = 0;
        for (std::size_t i = 0; i < r.modes.size(); ++i) {
            const ModeOutage& m = r.modes[i];
            time += m.timeInModePercent;
            mean += m.mode.capacityMbps * m.timeInModePercent / 100;
            EXPECT_GE(m.timeInModePercent, 0);
            if (i > 0) {
                // Higher threshold, no more availability.
                EXPECT_GE(r.modes[i - 1].mode.thresholdDbm, -1e300);
                EXPECT_LE(r.modes[i - 1].mode.thresholdDbm, m.mode.thresholdDbm);
                EXPECT_LE(m.availabilityPercent, r.modes[i - 1].availabilityPercent);
            }
        }
        EXPECT_NEAR(time + r.modes.front().outagePercent, 100, 1e-9);
        EXPECT_NEAR(r.meanCapacityMbps, mean, 1e-9 * std::max(mean, 1.0));
        if (r.targetMode) {
            EXPECT_GE(r.modes[*r.targetMode].availabilityPercent, 99.99);
            for (std::size_t i = *r.targetMode + 1; i < r.modes.size(); ++i) {
                EXPECT_LT(r.modes[i].availabilityPercent, 99.99);
            }
        }
    }
}

TEST(OutageModes, AvailabilityIsMonotoneInTheThreshold) {
    // One mode moved up step by step never gains availability.
    OutageOptions o;
    o.xpdgDb = 25;
    o.c0iDb = 18;
    o.signatureMinimum = o.signatureNonMinimum = Signature{30, 20, 6.3};
    o.diversity = DiversityKind::Frequency;
    o.diversityFrequencySeparationGHz = 0.2;
    double previous = 100;
    for (double t = -100; t < -39; t += 0.25) {
        const double a = computeOutage(checkPath(), -40, t, o, 99.999).modes[0].availabilityPercent;
        EXPECT_LE(a, previous + 1e-12) << "threshold " << t;
        previous = a;
    }
}

TEST(OutageRequiredMargin, NoMarginMeetsATargetBelowAConstantPart) {
    // The clear-air cross-polar outage does not fall with the margin: when it alone exceeds
    // what the target allows, no margin meets it.
    OutageOptions o;
    o.xpdgDb = 10;
    o.c0iDb = 25;
    const FadingStatistics path = checkPath(false);
    const OutageModel model(path, o);
    const RadioMode mode{"threshold", 0, -75, {}, {}, {}};
    EXPECT_GT(model.totalPercent(200, mode), 1e-3);
    EXPECT_FALSE(model.requiredMargin(1e-3, mode));
}

}  // namespace
}  // namespace hopscale::propagation
