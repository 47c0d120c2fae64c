// Ground reflection: a flat sea worked by hand, the sweep's nulls and peaks against the two-ray
// spacing, hidden and off-surface points, the ground presets, and bad inputs.
#include "reflection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "terrain_test_support.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

// 20 km of sea at 0 m, a point every 100 m, masts 50 m (From) and 30 m (To), 6 GHz (lambda
// 0.0499654 m), horizontal polarisation.
Profile flatSea(bool marked = true) {
    Profile p;
    for (int i = 0; i <= 200; ++i) {
        ProfilePoint pt{i * 0.1, 0, 0, ""};
        pt.sea = marked;
        p.points.push_back(pt);
    }
    p.points.back().distanceKm = 20;
    p.pathKm = 20;
    return p;
}

ReflectionInputs seaInputs() {
    ReflectionInputs in;
    in.frequencyGhz = 6;
    in.antennas = {50, 30};
    in.polarisation = Polarisation::Horizontal;
    in.ground = seaGround();
    in.surfaceM = 0;
    return in;
}

TEST(reflection, flat_sea_worked_by_hand) {
    ReflectionInputs in = seaInputs();
    // Near-flat earth (k 1000): the point divides the path as the heights do, d1 = 20 x 50 /
    // 80 = 12.5 km; the path difference 2 x 50 x 30 / 20000 = 0.15 m is three wavelengths, so
    // the reflected ray, turned over by R close to -1, cancels the direct one: a deep null.
    // Grazing angle atan(80 / 20000) = 0.2292 deg.
    in.earthFactors = {1000, 4.0 / 3.0};
    in.sweepEarthFactor = 1000;
    const auto r = computeReflection(flatSea(), in);
    ASSERT_TRUE(r.ok()) << r.error->message();
    ASSERT_EQ(r.value->points.size(), 2u);
    const ReflectionPoint& flat = r.value->points[0];
    EXPECT_EQ(flat.state, ReflectionState::OnSurface);
    EXPECT_NEAR(flat.distanceKm, 12.5, 1e-3);
    EXPECT_NEAR(flat.distanceToEndKm, 7.5, 1e-3);
    EXPECT_NEAR(flat.grazingDeg, 0.22918, 1e-4);
    EXPECT_NEAR(flat.pathDifferenceM, 0.15, 1e-4);
    EXPECT_NEAR(flat.pathDifferenceWavelengths, 3.0, 2e-3);
    EXPECT_NEAR(flat.divergence, 1.0, 1e-3);
    EXPECT_NEAR(std::abs(flat.reflection), 0.99911, 1e-5);
    EXPECT_LT(flat.levelDb, -30);
    EXPECT_GE(flat.levelDb, 20 * std::log10(1 - flat.coefficient) - 1e-9);
    // The diversity spacing lambda d / (4 h1) = 0.0499654 x 20000 / 200 = 4.997 m.
    ASSERT_TRUE(r.value->diversitySpacingM);
    EXPECT_NEAR(*r.value->diversitySpacingM, 4.998, 2e-3);

    // k 4/3 (ae 8494.667 km): the cubic puts the point at 12.1928 km, the tips stand 41.2495 m
    // and 26.4123 m above the tangent plane, both seen at the same angle (h1'/d1 = h2'/d2 =
    // 3.38309 m/km); grazing 0.19384 deg, divergence 0.86671, path difference 0.108950 m =
    // 2.1805 wavelengths, |R| 0.999249, |G| 0.866056, level +0.076 dB.
    const ReflectionPoint& curved = r.value->points[1];
    EXPECT_EQ(curved.state, ReflectionState::OnSurface);
    EXPECT_NEAR(curved.distanceKm, 12.192838, 1e-5);
    EXPECT_NEAR(curved.fromAboveM, 41.249493, 1e-5);
    EXPECT_NEAR(curved.toAboveM, 26.412350, 1e-5);
    EXPECT_NEAR(curved.fromAboveM / curved.distanceKm, curved.toAboveM / curved.distanceToEndKm,
                1e-9);
    EXPECT_NEAR(curved.grazingDeg, 0.193836, 1e-6);
    EXPECT_NEAR(curved.divergence, 0.866707, 1e-6);
    EXPECT_NEAR(curved.pathDifferenceM, 0.108950, 1e-6);
    EXPECT_NEAR(curved.pathDifferenceWavelengths, 2.180501, 1e-5);
    EXPECT_NEAR(std::abs(curved.reflection), 0.999249, 1e-6);
    EXPECT_NEAR(curved.coefficient, 0.866056, 1e-6);
    EXPECT_NEAR(curved.levelDb, 0.075768, 1e-5);

    // Vertical polarisation reflects less near the Brewster angle: |R| 0.940658, -0.147 dB.
    in.polarisation = Polarisation::Vertical;
    const auto v = computeReflection(flatSea(), in);
    ASSERT_TRUE(v.ok());
    EXPECT_NEAR(std::abs(v.value->points[1].reflection), 0.940658, 1e-6);
    EXPECT_NEAR(v.value->points[1].levelDb, -0.146721, 1e-5);
}

TEST(reflection, roughness_weakens_the_reflection) {
    // sigma 1 m at k 4/3: rho = exp(-2 (2 pi x 1 x sin 0.19384 deg / 0.0499654)^2) = 0.696303,
    // so |G| = 0.999249 x 0.696303 x 0.866707 = 0.603037.
    ReflectionInputs in = seaInputs();
    in.roughnessM = 1;
    const auto r = computeReflection(flatSea(), in);
    ASSERT_TRUE(r.ok());
    EXPECT_NEAR(r.value->points[0].roughnessFactor, 0.696303, 1e-6);
    EXPECT_NEAR(r.value->points[0].coefficient, 0.603037, 1e-6);
}

TEST(reflection, sweep_finds_the_two_ray_nulls_and_peaks) {
    // On a flat earth the path difference 2 h1 h2 / d is a whole number of wavelengths at
    // h2 = n lambda d / (2 h1) = 9.993 n m: nulls there, peaks half-way, and a peak to the next
    // null is the diversity spacing.
    ReflectionInputs in = seaInputs();
    in.earthFactors = {1000};
    in.sweepEarthFactor = 1000;
    in.sweepSteps = 600;
    const auto r = computeReflection(flatSea(), in);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value->sweep.size(), 601u);
    EXPECT_EQ(r.value->sweep.front().heightM, 0.0);
    EXPECT_EQ(r.value->sweep.back().heightM, 60.0);  // twice the To antenna
    const double step = 0.0499654 * 20000 / 100;
    ASSERT_GE(r.value->nullHeightsM.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(r.value->nullHeightsM[i], step * (i + 1), 0.02) << i;
    ASSERT_GE(r.value->peakHeightsM.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(r.value->peakHeightsM[i], step * (i + 0.5), 0.02) << i;
    EXPECT_NEAR(r.value->nullHeightsM[0] - r.value->peakHeightsM[0], *r.value->diversitySpacingM,
                0.02);
    for (const SweepPoint& s : r.value->sweep) {
        EXPECT_LE(s.levelDb, 20 * std::log10(2.0) + 1e-9);
    }

    // A range of its own.
    in.sweepFromM = 20;
    in.sweepToM = 40;
    in.sweepSteps = 10;
    const auto ranged = computeReflection(flatSea(), in);
    ASSERT_TRUE(ranged.ok());
    ASSERT_EQ(ranged.value->sweep.size(), 11u);
    EXPECT_EQ(ranged.value->sweep[1].heightM, 22.0);
}

TEST(reflection, hidden_and_off_surface_points_reflect_nothing) {
    // 80 km of sea with 10 m masts: each horizon is 13 km away at k 4/3, so the earth hides it.
    Profile longSea;
    for (int km = 0; km <= 80; ++km) longSea.points.push_back({double(km), 0, 0, ""});
    longSea.pathKm = 80;
    ReflectionInputs in = seaInputs();
    in.antennas = {10, 10};
    const auto hidden = computeReflection(longSea, in);
    ASSERT_TRUE(hidden.ok());
    EXPECT_EQ(hidden.value->points[0].state, ReflectionState::HiddenByEarth);
    EXPECT_EQ(hidden.value->points[0].levelDb, 0.0);
    EXPECT_EQ(hidden.value->points[0].coefficient, 0.0);
    EXPECT_FALSE(hidden.value->diversitySpacingM);

    // Sea marked only on the first 5 km: the point at 12.2 km is on no reflecting surface.
    Profile partly = flatSea(false);
    for (std::size_t i = 0; i <= 50; ++i) partly.points[i].sea = true;
    const auto off = computeReflection(partly, seaInputs());
    ASSERT_TRUE(off.ok());
    EXPECT_EQ(off.value->points[0].state, ReflectionState::OffSurface);
    EXPECT_STREQ(describe(off.value->points[0].state), "no specular reflection");
    EXPECT_EQ(off.value->points[0].levelDb, 0.0);
    EXPECT_GT(off.value->points[0].grazingDeg, 0.0);  // the geometry is still reported

    // Unmarked ground: a 40 m hill where the point falls is far outside the first Fresnel
    // zone's depth (about 15 m there) of a 0 m surface; flat ground right there is on it.
    Profile hill = flatSea(false);
    for (std::size_t i = 115; i <= 130; ++i) hill.points[i].groundM = 40;
    const auto onHill = computeReflection(hill, seaInputs());
    ASSERT_TRUE(onHill.ok());
    EXPECT_EQ(onHill.value->points[0].state, ReflectionState::OffSurface);
    const auto onFlat = computeReflection(flatSea(false), seaInputs());
    EXPECT_EQ(onFlat.value->points[0].state, ReflectionState::OnSurface);
}

TEST(reflection, the_fitted_surface_follows_a_tilted_plain) {
    // Ground rising evenly from 100 m to 300 m over 20 km: the fit is that slope, so the tips
    // stand their antenna heights above it and the point lies on the ground.
    Profile tilted;
    for (int i = 0; i <= 20; ++i) tilted.points.push_back({double(i), 100 + 10.0 * i, 0, ""});
    tilted.pathKm = 20;
    ReflectionInputs in = seaInputs();
    in.surfaceM.reset();
    in.ground = landGround();
    in.earthFactors = {1000};
    const auto r = computeReflection(tilted, in);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value->surface, "fitted smooth earth");
    EXPECT_NEAR(r.value->points[0].distanceKm, 12.5, 1e-3);
    EXPECT_NEAR(r.value->points[0].surfaceM, 225, 0.02);
    EXPECT_EQ(r.value->points[0].state, ReflectionState::OnSurface);
}

TEST(reflection, ground_presets_and_typed_constants) {
    EXPECT_EQ(parseGround("sea", "--ground").value->permittivity, 80);
    EXPECT_EQ(parseGround(" land ", "--ground").value->conductivitySm, 0.003);
    const auto typed = parseGround("15,0.01", "--ground");
    ASSERT_TRUE(typed.ok());
    EXPECT_EQ(typed.value->permittivity, 15);
    EXPECT_EQ(typed.value->conductivitySm, 0.01);
    EXPECT_TRUE(failsWith(parseGround("lake", "--ground"), ErrorKind::InvalidArgument,
                          {"--ground", "lake", "sea, land or ER,SIGMA"}));
    EXPECT_TRUE(failsWith(parseGround("0.5,1", "--ground"), ErrorKind::InvalidArgument,
                          {"permittivity below 1"}));
    EXPECT_TRUE(failsWith(parseGround("15,-1", "--ground"), ErrorKind::InvalidArgument,
                          {"conductivity below 0"}));
}

TEST(reflection, bad_inputs_are_named) {
    const Profile sea = flatSea();
    auto with = [&](auto change) {
        ReflectionInputs in = seaInputs();
        change(in);
        return computeReflection(sea, in);
    };
    // The tips stand at 50 m and 30 m.
    EXPECT_TRUE(failsWith(with([](ReflectionInputs& in) { in.surfaceM = 60; }),
                          ErrorKind::InvalidArgument, {"surface", "not below the antenna tips"}));
    EXPECT_TRUE(failsWith(with([](ReflectionInputs& in) { in.roughnessM = -0.1; }),
                          ErrorKind::InvalidArgument, {"roughness"}));
    EXPECT_TRUE(failsWith(with([](ReflectionInputs& in) { in.earthFactors.clear(); }),
                          ErrorKind::InvalidArgument, {"earth factor"}));
    EXPECT_TRUE(failsWith(with([](ReflectionInputs& in) {
                              in.sweepFromM = 30;
                              in.sweepToM = 10;
                          }),
                          ErrorKind::InvalidArgument, {"sweep"}));
    EXPECT_TRUE(failsWith(with([](ReflectionInputs& in) { in.sweepSteps = 0; }),
                          ErrorKind::InvalidArgument, {"sweep steps"}));
    // Above one tip only: that end's own surface hides the reflection.
    const auto oneTip = with([](ReflectionInputs& in) { in.surfaceM = 40; });
    ASSERT_TRUE(oneTip.ok());
    EXPECT_EQ(oneTip.value->points[0].state, ReflectionState::HiddenByEarth);
    Profile one;
    one.points.push_back({0, 0, 0, ""});
    EXPECT_TRUE(
        failsWith(computeReflection(one, seaInputs()), ErrorKind::InvalidArgument, {"profile"}));
}

}  // namespace
}  // namespace hopscale::terrain
