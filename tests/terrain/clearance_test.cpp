// Clearance, criteria, diffraction loss and antenna heights on profiles whose answers are
// worked out by hand below (bulge d1 d2 / (12.74 k) m, F1 17.3 sqrt(d1 d2 / (f d)) m).
#include "clearance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "terrain_test_support.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

ClearanceModel modelFor(Profile profile, double ghz, std::vector<Criterion> criteria) {
    auto model = ClearanceModel::make(std::move(profile), ghz, std::move(criteria));
    EXPECT_TRUE(model.ok()) << model.error->message();
    return std::move(*model.value);
}

// Flat ground at 0 m, 20 km, points every km, one knife edge of 25 m at 5 km.
Profile knifeEdge() {
    Profile p;
    for (int km = 0; km <= 20; ++km)
        p.points.push_back({static_cast<double>(km), km == 5 ? 25.0 : 0.0, 0, ""});
    p.points[5].label = "knife edge";
    p.pathKm = 20;
    return p;
}

// Knife edge at d1 = 5, d2 = 15 km, d = 20 km, f = 10 GHz, both antennas 30 m:
//   F1 = 17.3 sqrt(75 / 200) = 17.3 x 0.6123724 = 10.59404 m
//   bulge = 75 / 12.74 / k = 5.886970 / k: 4.415228 (k 4/3), 5.886970 (k 1), 8.830455 (k 2/3)
//   clearance = 30 - 25 - bulge = 0.584772, -0.886970, -3.830455 m
//             = 0.0551982, -0.0837235, -0.3615669 F1: none of 1.0, 0.6, 0.3 is met.
//   Ad = -20 x 0.584772 / 10.59404 + 10 = 8.896036 dB.
// Elsewhere the flat ground clears by more (mid-path k 2/3: 30 - 11.774 = 18.2 m = 1.49 F1).
// Two equal knife edges placed symmetrically (5 and 15 km on 20 km, equal antennas) clear by
// exactly the same amount: the worst point is the one nearer the From end.
TEST(clearance, a_tie_between_worst_points_goes_to_the_one_nearer_the_from_end) {
    Profile p = knifeEdge();
    p.points[15].obstructionM = 0;
    p.points[15].groundM = 25;
    p.points[15].label = "second edge";
    const ClearanceModel model = modelFor(p, 10, northAmericanCriteria());
    const ClearanceReport r = model.evaluate({30, 30});
    for (const CriterionResult& cr : r.criteria) {
        ASSERT_EQ(cr.clearanceF1[5], cr.clearanceF1[15]);
        EXPECT_EQ(cr.worst.index, 5u);
        EXPECT_EQ(cr.worst.label, "knife edge");
    }
    // Reversed, the other edge is nearer the From end and becomes the worst point.
    Profile reversed = p;
    for (std::size_t i = 0; i < reversed.points.size(); ++i) {
        reversed.points[i] = p.points[p.points.size() - 1 - i];
        reversed.points[i].distanceKm = static_cast<double>(i);
    }
    const ClearanceReport back = modelFor(reversed, 10, northAmericanCriteria()).evaluate({30, 30});
    EXPECT_EQ(back.criteria.front().worst.label, "second edge");
}

TEST(clearance, knife_edge_judged_at_three_earth_factors) {
    const ClearanceModel model = modelFor(knifeEdge(), 10, northAmericanCriteria());
    const ClearanceReport r = model.evaluate({30, 30});
    ASSERT_EQ(r.criteria.size(), 3u);
    EXPECT_NEAR(r.f1M[5], 10.59404, 1e-5);
    EXPECT_NEAR(r.lineOfSightM[5], 30.0, 1e-12);
    const double clearM[3] = {0.584772, -0.886970, -3.830455};
    const double clearF1[3] = {0.0551982, -0.0837235, -0.3615669};
    const double bulge[3] = {4.415228, 5.886970, 8.830455};
    for (int c = 0; c < 3; ++c) {
        const CriterionResult& cr = r.criteria[c];
        EXPECT_FALSE(cr.met) << c;
        EXPECT_EQ(cr.worst.index, 5u) << c;
        EXPECT_DOUBLE_EQ(cr.worst.distanceKm, 5.0);
        EXPECT_DOUBLE_EQ(cr.worst.distanceToEndKm, 15.0);
        EXPECT_EQ(cr.worst.label, "knife edge");
        EXPECT_NEAR(cr.worst.clearanceM, clearM[c], 1e-6) << c;
        EXPECT_NEAR(cr.worst.clearanceF1, clearF1[c], 1e-7) << c;
        EXPECT_NEAR(cr.bulgeM[5], bulge[c], 1e-6) << c;
        EXPECT_NEAR(cr.raisedTerrainM[5], 25 + bulge[c], 1e-6) << c;
    }
    // The fraction curves: line of sight less 1.0, 0.6, 0.3 F1.
    EXPECT_NEAR(r.criteria[0].requiredM[5], 30 - 10.59404, 1e-5);
    EXPECT_NEAR(r.criteria[1].requiredM[5], 30 - 6.356424, 1e-5);
    EXPECT_NEAR(r.criteria[2].requiredM[5], 30 - 3.178212, 1e-5);
    EXPECT_FALSE(r.allMet);
    EXPECT_NEAR(r.diffractionLossDb, 8.896036, 1e-5);
    EXPECT_TRUE(r.diffractionLossApplies);
    // Mean ground: the spike's triangle over 4..6 km has area 25 km m, spread over 20 km.
    EXPECT_NEAR(r.meanTerrainM, 1.25, 1e-12);
}

// Heights for the knife edge. Both equal: the line rises with h and must reach
// 25 + bulge + fraction F1 at 5 km for every criterion: 25 + 4.415228 + 10.59404 = 40.00927
// (k 4/3 governs; k 1 needs 37.24339, k 2/3 37.00867), rounded up to 40.1 m.
// From fixed at 30 m: 30 x 0.75 + hTo x 0.25 >= 40.00927 -> hTo >= 70.0371 -> 70.1 m.
// To fixed at 30 m: hFrom x 0.75 + 30 x 0.25 >= 40.00927 -> hFrom >= 43.3457 -> 43.4 m.
TEST(clearance, knife_edge_heights_needed) {
    const ClearanceModel model = modelFor(knifeEdge(), 10, northAmericanCriteria());
    const Antennas equal = model.heightsNeeded({30, 30}, FixedEnd::None);
    EXPECT_NEAR(equal.fromM, 40.1, 1e-9);
    EXPECT_NEAR(equal.toM, 40.1, 1e-9);
    const Antennas fromFixed = model.heightsNeeded({30, 30}, FixedEnd::From);
    EXPECT_NEAR(fromFixed.fromM, 30.0, 1e-12);
    EXPECT_NEAR(fromFixed.toM, 70.1, 1e-9);
    const Antennas toFixed = model.heightsNeeded({30, 30}, FixedEnd::To);
    EXPECT_NEAR(toFixed.fromM, 43.4, 1e-9);
    EXPECT_NEAR(toFixed.toM, 30.0, 1e-12);

    // The heights found clear every criterion; a decimetre less does not.
    EXPECT_TRUE(model.evaluate({40.1, 40.1}).allMet);
    EXPECT_FALSE(model.evaluate({40.0, 40.0}).allMet);
    EXPECT_TRUE(model.evaluate({30, 70.1}).allMet);
    EXPECT_FALSE(model.evaluate({30, 70.0}).allMet);
    EXPECT_TRUE(model.evaluate({43.4, 30}).allMet);
    EXPECT_FALSE(model.evaluate({43.3, 30}).allMet);
    // evaluate reports the same heights for its fixed end.
    EXPECT_NEAR(model.evaluate({30, 30}, FixedEnd::From).heightsNeeded.toM, 70.1, 1e-9);
}

// A clear knife edge: with 50 m antennas the k 4/3 clearance is 50 - 29.415228 = 20.58477 m
// = 1.943052 F1, so Ad = -20 x 1.943052 + 10 = -28.86 dB, which does not count.
TEST(clearance, diffraction_loss_counts_only_above_zero) {
    const ClearanceModel model = modelFor(knifeEdge(), 10, northAmericanCriteria());
    const ClearanceReport r = model.evaluate({50, 50});
    EXPECT_TRUE(r.allMet);
    EXPECT_NEAR(r.criteria[0].worst.clearanceF1, 1.943052, 1e-6);
    EXPECT_NEAR(r.diffractionLossDb, -28.86103, 1e-4);
    EXPECT_FALSE(r.diffractionLossApplies);
    // The formula itself: grazing (h = 0) gives 10 dB; h = -F1/2 gives 20 dB.
    EXPECT_DOUBLE_EQ(averageTerrainDiffractionDb(0, 7), 10.0);
    EXPECT_DOUBLE_EQ(averageTerrainDiffractionDb(-3.5, 7), 20.0);
}

// Sea-level path of 40 km at 6 GHz, points every 100 m, k 4/3, both antennas 50 m. The
// clearance in F1, (50 - u / 16.98667) / (17.3 sqrt(u / 240)) with u = d1 d2, falls as u
// grows, so the worst point is mid-path (u = 400): bulge 23.54788 m, F1 22.33420 m,
// clearance 26.45212 m = 1.184377 F1. Heights for 1.0 F1: 23.54788 + 22.33420 = 45.88208 ->
// 45.9 m; for 0.6 F1: 23.54788 + 13.40052 = 36.94840 -> 37.0 m.
TEST(clearance, smooth_spherical_earth) {
    Profile sea;
    for (int i = 0; i <= 400; ++i) sea.points.push_back({i * 0.1, 0, 0, ""});
    sea.points.back().distanceKm = 40;  // 400 x 0.1 is not exactly 40 in binary
    sea.pathKm = 40;
    const ClearanceModel full = modelFor(sea, 6, {{4.0 / 3.0, 1.0}});
    const ClearanceReport r = full.evaluate({50, 50});
    EXPECT_EQ(r.criteria[0].worst.index, 200u);
    EXPECT_NEAR(r.criteria[0].bulgeM[200], 23.54788, 1e-5);
    EXPECT_NEAR(r.f1M[200], 22.33420, 1e-5);
    EXPECT_NEAR(r.criteria[0].worst.clearanceM, 26.45212, 1e-5);
    EXPECT_NEAR(r.criteria[0].worst.clearanceF1, 1.184377, 1e-6);
    EXPECT_TRUE(r.criteria[0].met);
    EXPECT_NEAR(r.meanTerrainM, 0.0, 1e-12);
    EXPECT_NEAR(full.heightsNeeded({50, 50}, FixedEnd::None).fromM, 45.9, 1e-9);
    const ClearanceModel sixty = modelFor(sea, 6, sixtyPercentCriteria());
    EXPECT_NEAR(sixty.heightsNeeded({50, 50}, FixedEnd::None).toM, 37.0, 1e-9);
    // The ends: no Fresnel zone, no bulge, the line of sight at the antenna tips.
    EXPECT_DOUBLE_EQ(r.f1M.front(), 0.0);
    EXPECT_DOUBLE_EQ(r.f1M.back(), 0.0);
    EXPECT_DOUBLE_EQ(r.lineOfSightM.front(), 50.0);
    EXPECT_DOUBLE_EQ(r.criteria[0].bulgeM.back(), 0.0);
}

// A hill of 120 m at mid-path (16 km, ends at 100 m, antennas 40 m, so the line of sight is
// at 140 m) wooded with 15 m trees, 11 GHz. At 8 km: F1 = 17.3 sqrt(64 / 176) = 10.43229 m,
// bulge k 4/3 = 64 / 16.98667 = 3.767661 m. With the trees: 140 - 135 - 3.767661 =
// 1.232339 m = 0.1181274 F1 (fails 1.0 F1), Ad = 10 - 2.362547 = 7.637453 dB. The bare hill
// would clear by 16.23234 m = 1.555970 F1.
TEST(clearance, trees_on_a_hilltop_count_as_terrain) {
    Profile hill;
    hill.points = {{0, 100, 0, ""},
                   {4, 110, 0, ""},
                   {8, 120, 15, "oak wood"},
                   {12, 110, 0, ""},
                   {16, 100, 0, ""}};
    hill.pathKm = 16;
    const ClearanceReport wooded = modelFor(hill, 11, northAmericanCriteria()).evaluate({40, 40});
    EXPECT_EQ(wooded.criteria[0].worst.label, "oak wood");
    EXPECT_NEAR(wooded.terrainM[2], 135.0, 1e-12);
    EXPECT_NEAR(wooded.criteria[0].worst.clearanceM, 1.232339, 1e-6);
    EXPECT_NEAR(wooded.criteria[0].worst.clearanceF1, 0.1181274, 1e-7);
    EXPECT_FALSE(wooded.criteria[0].met);
    EXPECT_NEAR(wooded.diffractionLossDb, 7.637453, 1e-5);
    // Mean ground by trapezoids ignores the trees: (105 + 115 + 115 + 105) x 4 / 16 = 110 m.
    EXPECT_NEAR(wooded.meanTerrainM, 110.0, 1e-12);

    hill.points[2].obstructionM = 0;
    const ClearanceReport bare = modelFor(hill, 11, {{4.0 / 3.0, 1.0}}).evaluate({40, 40});
    EXPECT_NEAR(bare.criteria[0].worst.clearanceF1, 1.555970, 1e-6);
    EXPECT_TRUE(bare.criteria[0].met);
}

TEST(clearance, criteria_presets_and_lists) {
    const auto na = northAmericanCriteria();
    ASSERT_EQ(na.size(), 3u);
    EXPECT_DOUBLE_EQ(na[0].k, 4.0 / 3.0);
    EXPECT_DOUBLE_EQ(na[0].fraction, 1.0);
    EXPECT_DOUBLE_EQ(na[1].k, 1.0);
    EXPECT_DOUBLE_EQ(na[1].fraction, 0.6);
    EXPECT_DOUBLE_EQ(na[2].k, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(na[2].fraction, 0.3);

    auto named = parseCriteria("north-american", "--criteria");
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(named.value->size(), 3u);
    auto sixty = parseCriteria("sixty", "--criteria");
    ASSERT_TRUE(sixty.ok());
    ASSERT_EQ(sixty.value->size(), 1u);
    EXPECT_DOUBLE_EQ((*sixty)[0].k, 4.0 / 3.0);
    EXPECT_DOUBLE_EQ((*sixty)[0].fraction, 0.6);

    auto listed = parseCriteria("4/3:1, 0.5:0 ,1.2:0.6", "--criteria");
    ASSERT_TRUE(listed.ok()) << listed.error->message();
    ASSERT_EQ(listed.value->size(), 3u);
    EXPECT_DOUBLE_EQ((*listed)[0].k, 4.0 / 3.0);
    EXPECT_DOUBLE_EQ((*listed)[1].k, 0.5);
    EXPECT_DOUBLE_EQ((*listed)[1].fraction, 0.0);
    EXPECT_DOUBLE_EQ((*listed)[2].fraction, 0.6);
}

TEST(clearance, criteria_described_as_engineers_write_them) {
    EXPECT_EQ(describe({4.0 / 3.0, 1.0}), "k 4/3, 1.00 F1");
    EXPECT_EQ(describe({2.0 / 3.0, 0.3}), "k 2/3, 0.30 F1");
    EXPECT_EQ(describe({1.0, 0.6}), "k 1.000, 0.60 F1");
    EXPECT_EQ(describe({1.2, 0.0}), "k 1.200, 0.00 F1");
}

TEST(clearance, bad_criteria_are_named) {
    using K = ErrorKind;
    EXPECT_TRUE(
        failsWith(parseCriteria("", "--criteria"), K::InvalidArgument, {"--criteria", "is empty"}));
    EXPECT_TRUE(
        failsWith(parseCriteria("4/3", "--criteria"), K::InvalidArgument, {"\"4/3\" is not K:F"}));
    EXPECT_TRUE(failsWith(parseCriteria("1:0.6,x:1", "--criteria"), K::InvalidArgument,
                          {"\"x:1\" has an earth factor that is not a number"}));
    EXPECT_TRUE(failsWith(parseCriteria("1:most", "--criteria"), K::InvalidArgument,
                          {"\"1:most\" has a fraction"}));
    EXPECT_TRUE(
        failsWith(parseCriteria("4/0:1", "--criteria"), K::InvalidArgument, {"divides", "by 0"}));
    EXPECT_TRUE(failsWith(parseCriteria("0:1", "--criteria"), K::InvalidArgument,
                          {"\"0:1\" has k outside"}));
    EXPECT_TRUE(
        failsWith(parseCriteria("-1:1", "--criteria"), K::InvalidArgument, {"has k outside"}));
    EXPECT_TRUE(failsWith(parseCriteria("1:-0.3", "--criteria"), K::InvalidArgument,
                          {"fraction of F1 outside"}));
    EXPECT_TRUE(
        failsWith(parseCriteria("1:0.6,", "--criteria"), K::InvalidArgument, {"is not K:F"}));
}

TEST(clearance, model_refuses_what_it_cannot_judge) {
    using K = ErrorKind;
    EXPECT_TRUE(failsWith(ClearanceModel::make(knifeEdge(), 0, northAmericanCriteria()),
                          K::InvalidArgument, {"frequency", "above 0 GHz"}));
    EXPECT_TRUE(failsWith(ClearanceModel::make(knifeEdge(), 10, {}), K::InvalidArgument,
                          {"criteria", "none"}));
    EXPECT_TRUE(failsWith(ClearanceModel::make(knifeEdge(), 10, {{0, 1}}), K::InvalidArgument,
                          {"k outside"}));
    Profile two;
    two.points = {{0, 1, 0, ""}, {5, 1, 0, ""}};
    two.pathKm = 5;
    EXPECT_TRUE(failsWith(ClearanceModel::make(two, 10, northAmericanCriteria()),
                          K::InvalidArgument, {"profile", "at least one point between"}));
    Profile backwards = knifeEdge();
    backwards.points[7].distanceKm = 6;
    EXPECT_TRUE(failsWith(ClearanceModel::make(backwards, 10, northAmericanCriteria()),
                          K::InvalidArgument, {"profile", "\"6\" km is not beyond"}));
}

// The line of sight runs straight between tips of different heights: ends at 100 m and
// 300 m ground with 10 m and 20 m antennas give tips at 110 and 320 m, so at a quarter of
// the way it is 110 + 210 / 4 = 162.5 m.
TEST(clearance, line_of_sight_between_unequal_tips) {
    Profile slope;
    slope.points = {{0, 100, 0, ""}, {2.5, 150, 0, ""}, {10, 300, 0, ""}};
    slope.pathKm = 10;
    const ClearanceReport r = modelFor(slope, 10, northAmericanCriteria()).evaluate({10, 20});
    EXPECT_NEAR(r.lineOfSightM[1], 162.5, 1e-9);
    EXPECT_NEAR(r.lineOfSightM[2], 320.0, 1e-9);
}

}  // namespace
}  // namespace hopscale::terrain
