// Multipath fading: P.530-18 sections 2.3.1, 2.3.2 and 2.3.4 and Vigants-Barnett against the
// check values (ITU-R WP3M validation examples for 2.3.2; the others computed by hand).
#include "multipath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hopscale::propagation {
namespace {

TEST(Multipath, AnyDepthMethodMatchesTheValidationExamples) {
    // p0 = 138.7 %: the transition depth is At = 25 + 1.2 log 138.7 = 27.57 dB.
    EXPECT_NEAR(worstMonthFadePercent(138.7, 2), 25.86, 5e-3);
    EXPECT_NEAR(worstMonthFadePercent(138.7, 5), 10.71, 5e-3);
    EXPECT_NEAR(worstMonthFadePercent(138.7, 10), 4.842, 5e-4);
    EXPECT_NEAR(worstMonthFadePercent(138.7, 30), 0.1387, 5e-5);  // deep: p0 10^-3
}

TEST(Multipath, ShallowAndDeepBranchesMeetAtTheTransition) {
    const double p0 = 56.7194;
    const double at = 25 + 1.2 * std::log10(p0);
    EXPECT_NEAR(worstMonthFadePercent(p0, at - 1e-9), worstMonthFadePercent(p0, at), 1e-9);
    // Deeper fades are rarer.
    double last = 100;
    for (double a = 0.5; a < 50; a += 0.5) {
        const double p = worstMonthFadePercent(p0, a);
        EXPECT_LT(p, last) << a;
        last = p;
    }
}

TEST(Multipath, OccurrenceFactorCheckValue) {
    // d 30 km, f 11 GHz, he 300 m, hr 250 m, ht 150 m, K 1e-4, dN75 40, A 35 dB.
    MultipathPath path{30, 11, 300, 250, 150, 1e-4, 40};
    const MultipathGeometry g = multipathGeometry(path);
    EXPECT_NEAR(g.inclinationMrad, 50.0 / 30.0, 1e-12);
    EXPECT_NEAR(g.altitudeM, 275 - 900.0 / 102 - 150, 1e-12);
    EXPECT_EQ(g.lowerAntennaM, 250);
    const double p0 = multipathOccurrencePercent(path);
    EXPECT_NEAR(p0, 56.7194, 5e-4);
    EXPECT_NEAR(worstMonthFadePercent(p0, 35), 0.0179362, 5e-7);
}

TEST(Multipath, WorstMonthToYearFactor) {
    // xi 45: |cos 90|^0.7 = 0, so dG = 10.5 - 5.6 log 1.1 - 2.7 log 30 = 6.27995 for d 30, ep 0.
    EXPECT_NEAR(worstMonthToYearDb(45, 30, 0), 10.5 - 5.6 * std::log10(1.1) - 2.7 * std::log10(30),
                1e-6);
    // xi 0 on a 1 km level path: 10.5 - 5.6 log 2.1 = 8.69558.
    EXPECT_NEAR(worstMonthToYearDb(0, 1, 0), 8.69558, 1e-5);
    // Above 45 degrees the sign changes: xi 60, d 0.5 km gives 13.08 dB before the cap, and
    // the cap is a limit from above (a year holds at least a twelfth of its worst month).
    EXPECT_EQ(worstMonthToYearDb(60, 0.5, 0), 10.8);
    EXPECT_EQ(worstMonthToYearDb(-60, 0.5, 0), 10.8);
    // Inclination raises it: +1.7 log(1 + 9) = +1.7 dB.
    EXPECT_NEAR(worstMonthToYearDb(45, 30, 9) - worstMonthToYearDb(45, 30, 0), 1.7, 1e-9);
}

TEST(Multipath, AnnualFromWorstMonth) {
    const double p0 = 56.7194;
    const double dg = 6.0;
    // Deep fade: a plain factor 10^-0.6.
    EXPECT_NEAR(annualFadePercent(p0, 35, dg), worstMonthFadePercent(p0, 35) * std::pow(10, -0.6),
                1e-12);
    // Shallow fade: less than the worst month, and continuous at the transition.
    const double at = 25 + 1.2 * std::log10(p0);
    EXPECT_LT(annualFadePercent(p0, 10, dg), worstMonthFadePercent(p0, 10));
    EXPECT_NEAR(annualFadePercent(p0, at - 1e-9, dg), annualFadePercent(p0, at, dg), 1e-9);
}

TEST(VigantsBarnett, CheckValue) {
    // a 1, b 1/4, 6 GHz, 30 mi, 40 dB: 0.25 * 2.5e-6 * 6 * 27000 * 1e-4 = 1.0125e-5.
    const double u = vigantsBarnettFraction(1, 0.25, 6, 30, 40);
    EXPECT_NEAR(u, 1.0125e-5, 1e-15);
    EXPECT_NEAR(100 - 100 * u, 99.99899, 5e-6);
    EXPECT_NEAR(u * 525960 * 60, 319.5, 0.05);  // seconds a year
    // Each 10 dB of margin divides the outage by ten; doubling the length multiplies it by 8.
    EXPECT_NEAR(vigantsBarnettFraction(1, 0.25, 6, 30, 50), u / 10, 1e-18);
    EXPECT_NEAR(vigantsBarnettFraction(1, 0.25, 6, 60, 40), u * 8, 1e-15);
}

}  // namespace
}  // namespace hopscale::propagation
