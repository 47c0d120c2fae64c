// Diffraction over the profile: the P.452-18 validation example reproduced, a knife edge and a
// clear line-of-sight path worked by hand, the sea and obstruction inputs, and bad inputs.
#include "diffraction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "p452_validation.h"
#include "terrain_test_support.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

TEST(diffraction, reproduces_the_p452_land_70km_validation_example) {
    auto profile = readProfileCsv(testing::validationFile("p452_land70km_profile.csv"));
    ASSERT_TRUE(profile.ok()) << profile.error->message();
    ASSERT_EQ(profile.value->points.size(), 2002u);
    const std::vector<testing::P452Row> rows = testing::p452Results();
    ASSERT_EQ(rows.size(), 18u);
    for (const testing::P452Row& row : rows) {
        DiffractionInputs in;
        in.frequencyGhz = row.frequencyGhz;
        in.antennas = {row.antennaFromM, row.antennaToM};
        in.earthFactor = row.aeKm / kEarthRadiusKm;
        in.polarisation = Polarisation::Horizontal;
        const auto r = computeDiffraction(*profile.value, in);
        ASSERT_TRUE(r.ok()) << r.error->message();
        const DiffractionResult& d = *r.value;
        EXPECT_NEAR(d.effectiveRadiusKm, row.aeKm, 1e-5);
        EXPECT_NEAR(profile.value->points.front().groundM + in.antennas.fromM, row.tipFromM, 1e-9);
        EXPECT_NEAR(profile.value->points.back().groundM + in.antennas.toM, row.tipToM, 1e-9);
        EXPECT_NEAR(d.smoothEarth.fromM, row.hstdM, 0.01) << row.frequencyGhz;
        EXPECT_NEAR(d.smoothEarth.toM, row.hsrdM, 0.01) << row.frequencyGhz;
        EXPECT_NEAR(d.sphericalEarthDb, row.ldsphDb, 0.01) << row.frequencyGhz;
        EXPECT_NEAR(d.deltaBullingtonDb, row.ldDb, 0.01) << row.frequencyGhz;
        EXPECT_EQ(d.lossDb, d.deltaBullingtonDb);
        EXPECT_EQ(d.method, "ITU-R P.526-16 delta-Bullington");
        EXPECT_EQ(d.seaFraction, 0.0);
    }
}

TEST(diffraction, knife_edge_function_at_known_points) {
    // J(nu) = 6.9 + 20 log(sqrt((nu - 0.1)^2 + 1) + nu - 0.1): J(0) = 6.0329 dB, J(1) =
    // 13.9257 dB, J(-0.5) = 1.9592 dB, and 0 from -0.78 down.
    EXPECT_NEAR(knifeEdgeLossDb(0), 6.032852, 1e-6);
    EXPECT_NEAR(knifeEdgeLossDb(1), 13.925729, 1e-6);
    EXPECT_NEAR(knifeEdgeLossDb(-0.5), 1.959250, 1e-6);
    EXPECT_EQ(knifeEdgeLossDb(-0.78), 0.0);
    EXPECT_EQ(knifeEdgeLossDb(-3), 0.0);
    EXPECT_GT(knifeEdgeLossDb(-0.77), 0.0);
}

// Flat 0 m ground over 20 km, one point a km, with a 25 m edge at 5 km; 10 GHz (lambda
// 0.0299792458 m), antennas 30 m, k 4/3 (ae 8494.667 km). At the edge (d1 5, d2 15 km):
//   bulge 500 x 5 x 15 / 8494.667 = 4.414535 m; edge above the line 25 + 4.414535 - 30 =
//   -0.585465 m; nu = -0.585465 sqrt(0.002 x 20 / (0.0299792458 x 5 x 15)) = -0.0780891;
//   J = 5.361200 dB. The line of sight passes (Stim -0.117 < Str 0), so
//   Lba = 5.361200 + (1 - exp(-5.361200 / 6)) (10 + 0.02 x 20) = 11.505444 dB.
Profile knifeEdge(double edgeM = 25) {
    Profile p;
    for (int km = 0; km <= 20; ++km)
        p.points.push_back({static_cast<double>(km), km == 5 ? edgeM : 0.0, 0, ""});
    p.pathKm = 20;
    return p;
}

TEST(diffraction, knife_edge_profile_worked_by_hand) {
    DiffractionInputs in;
    in.frequencyGhz = 10;
    in.antennas = {30, 30};
    const auto r = computeDiffraction(knifeEdge(), in);
    ASSERT_TRUE(r.ok()) << r.error->message();
    const DiffractionResult& d = *r.value;
    EXPECT_EQ(d.knifeEdge.index, 5u);
    EXPECT_EQ(d.knifeEdge.distanceKm, 5.0);
    EXPECT_NEAR(d.knifeEdge.heightM, -0.585465, 1e-6);
    EXPECT_NEAR(d.knifeEdge.nu, -0.0780891, 1e-7);
    EXPECT_NEAR(d.knifeEdge.lossDb, 5.361200, 1e-6);
    EXPECT_NEAR(d.bullingtonDb, 11.505444, 1e-6);
    // v1 = sum (d_i - d_i-1)(h_i + h_i-1) = 25 + 25 = 50; v2 = 25 (2 x 5 + 4) + 25 (6 + 2 x 5)
    // = 350 + 400 = 750. hst = (2 x 50 x 20 - 750) / 400 = 3.125 m, above the 0 m ground at the
    // From end, so hstd = 0; hsr = (750 - 50 x 20) / 400 = -0.625 m. Nothing stands above
    // the line between the tips (H = 25 - 30 < 0): no obstruction correction.
    EXPECT_NEAR(d.smoothEarth.fitFromM, 3.125, 1e-12);
    EXPECT_NEAR(d.smoothEarth.fitToM, -0.625, 1e-12);
    EXPECT_EQ(d.smoothEarth.fromM, 0.0);
    EXPECT_NEAR(d.smoothEarth.toM, -0.625, 1e-12);
    EXPECT_NEAR(d.deltaBullingtonDb,
                d.bullingtonDb + std::max(d.sphericalEarthDb - d.smoothBullingtonDb, 0.0), 1e-12);
    // Clearance 0.055 F1 at k 4/3 is above the grazing range of the average-terrain line.
    EXPECT_NEAR(d.worstClearanceF1, 0.0551982, 1e-6);
    EXPECT_FALSE(d.averageTerrainDb);

    // A 9 F1 ridge: the average-terrain line would read some 190 dB; a knife edge about 35 dB.
    DiffractionInputs tall = in;
    const auto blocked = computeDiffraction(knifeEdge(125), tall);
    ASSERT_TRUE(blocked.ok());
    EXPECT_GT(blocked.value->knifeEdge.lossDb, 25);
    EXPECT_LT(blocked.value->knifeEdge.lossDb, 40);
    EXPECT_GE(blocked.value->lossDb, blocked.value->knifeEdge.lossDb);
    EXPECT_LT(blocked.value->lossDb, 60);
    EXPECT_FALSE(blocked.value->averageTerrainDb);  // far below -1.5 F1
}

TEST(diffraction, a_clear_line_of_sight_loses_nothing) {
    // 100 m towers over 10 km of flat 0 m ground at 10 GHz: F1 at mid-path 8.65 m, bulge at
    // k 4/3 1.47 m; the edge nu is about -16 and every part of the method gives 0 dB.
    Profile flat;
    for (int i = 0; i <= 10; ++i) flat.points.push_back({static_cast<double>(i), 0, 0, ""});
    flat.pathKm = 10;
    DiffractionInputs in;
    in.frequencyGhz = 10;
    in.antennas = {100, 100};
    for (Polarisation pol : {Polarisation::Horizontal, Polarisation::Vertical}) {
        in.polarisation = pol;
        const auto r = computeDiffraction(flat, in);
        ASSERT_TRUE(r.ok());
        EXPECT_LT(r.value->knifeEdge.nu, -10);
        EXPECT_EQ(r.value->knifeEdge.lossDb, 0.0);
        EXPECT_EQ(r.value->bullingtonDb, 0.0);
        EXPECT_EQ(r.value->smoothBullingtonDb, 0.0);
        EXPECT_EQ(r.value->sphericalEarthDb, 0.0);
        EXPECT_EQ(r.value->lossDb, 0.0);
        EXPECT_FALSE(r.value->averageTerrainDb);
    }
}

TEST(diffraction, obstructions_count_and_the_planning_figure_where_it_applies) {
    // The 25 m edge with 2.5 m of trees on it grazes the line at k 4/3: clearance
    // 30 - (27.5 + 4.415228) = -1.915228 m = -0.180783 F1 (F1 10.59404 m), inside -1.5..0, and
    // the average-terrain figure 10 + 20 x 0.180783 = 13.6157 dB is below 25 dB.
    Profile treed = knifeEdge();
    treed.points[5].obstructionM = 2.5;
    DiffractionInputs in;
    in.frequencyGhz = 10;
    in.antennas = {30, 30};
    const auto bare = computeDiffraction(knifeEdge(), in);
    const auto r = computeDiffraction(treed, in);
    ASSERT_TRUE(r.ok() && bare.ok());
    EXPECT_GT(r.value->knifeEdge.nu, bare.value->knifeEdge.nu);
    EXPECT_GT(r.value->lossDb, bare.value->lossDb);
    ASSERT_TRUE(r.value->averageTerrainDb);
    EXPECT_NEAR(*r.value->averageTerrainDb, 13.6157, 1e-3);
    // The smooth-earth fit is of the bare ground.
    EXPECT_EQ(r.value->smoothEarth.fitFromM, bare.value->smoothEarth.fitFromM);
}

TEST(diffraction, sea_share_from_the_profile_or_given) {
    Profile p = knifeEdge();
    EXPECT_EQ(seaFractionOf(p), 0.0);
    // Points 10..20 are sea: the intervals 10-11 .. 19-20 count whole, the one ending at 10
    // half: 10.5 km of 20.
    for (std::size_t i = 10; i <= 20; ++i) p.points[i].sea = true;
    EXPECT_NEAR(seaFractionOf(p), 10.5 / 20, 1e-12);

    DiffractionInputs in;
    in.frequencyGhz = 0.2;
    in.antennas = {10, 10};
    in.polarisation = Polarisation::Vertical;
    const auto fromMarks = computeDiffraction(p, in);
    ASSERT_TRUE(fromMarks.ok());
    EXPECT_NEAR(fromMarks.value->seaFraction, 0.525, 1e-12);
    in.seaFraction = 0;
    const auto land = computeDiffraction(p, in);
    in.seaFraction = 1;
    const auto sea = computeDiffraction(p, in);
    ASSERT_TRUE(land.ok() && sea.ok());
    EXPECT_EQ(land.value->seaFraction, 0.0);
    // Beyond the horizon of the smooth earth the ground constants matter at 200 MHz.
    EXPECT_GT(land.value->sphericalEarthDb, 0.0);
    EXPECT_NE(land.value->sphericalEarthDb, sea.value->sphericalEarthDb);
    const double mixed = fromMarks.value->sphericalEarthDb;
    EXPECT_GE(mixed, std::min(land.value->sphericalEarthDb, sea.value->sphericalEarthDb) - 1e-9);
    EXPECT_LE(mixed, std::max(land.value->sphericalEarthDb, sea.value->sphericalEarthDb) + 1e-9);
}

TEST(diffraction, the_polarisation_changes_the_spherical_earth_loss) {
    // 80 km of sea at 0 m, 10 m masts: well beyond the radio horizon at 100 MHz, where the
    // vertical and horizontal ground waves differ.
    const double h = sphericalEarthLossDb(80, 10, 10, 8494.667, 0.1, Polarisation::Horizontal, 1);
    const double v = sphericalEarthLossDb(80, 10, 10, 8494.667, 0.1, Polarisation::Vertical, 1);
    EXPECT_GT(h, 0);
    EXPECT_GT(v, 0);
    EXPECT_GT(std::fabs(h - v), 1.0);
}

TEST(diffraction, bad_inputs_are_named) {
    DiffractionInputs in;
    in.frequencyGhz = 10;
    in.antennas = {30, 30};
    const Profile p = knifeEdge();
    auto with = [&](auto change) {
        DiffractionInputs c = in;
        change(c);
        return computeDiffraction(p, c);
    };
    EXPECT_TRUE(failsWith(with([](DiffractionInputs& c) { c.seaFraction = 1.5; }),
                          ErrorKind::InvalidArgument, {"sea fraction", "0 to 1"}));
    EXPECT_TRUE(failsWith(with([](DiffractionInputs& c) { c.seaFraction = -0.1; }),
                          ErrorKind::InvalidArgument, {"sea fraction"}));
    EXPECT_TRUE(failsWith(with([](DiffractionInputs& c) { c.frequencyGhz = 0; }),
                          ErrorKind::InvalidArgument, {"frequency"}));
    EXPECT_TRUE(failsWith(with([](DiffractionInputs& c) { c.earthFactor = -1; }),
                          ErrorKind::InvalidArgument, {"earth factor"}));
    EXPECT_TRUE(failsWith(with([](DiffractionInputs& c) { c.antennas.toM = -1; }),
                          ErrorKind::InvalidArgument, {"antenna heights"}));
    Profile one;
    one.points.push_back({0, 100, 0, ""});
    EXPECT_TRUE(failsWith(computeDiffraction(one, in), ErrorKind::InvalidArgument,
                          {"profile", "at least one point between"}));
    EXPECT_TRUE(
        failsWith(computeDiffraction(Profile{}, in), ErrorKind::InvalidArgument, {"profile"}));
    Profile backwards = knifeEdge();
    backwards.points[3].distanceKm = 1;
    EXPECT_TRUE(failsWith(computeDiffraction(backwards, in), ErrorKind::InvalidArgument,
                          {"not beyond the point before it"}));
}

}  // namespace
}  // namespace hopscale::terrain
