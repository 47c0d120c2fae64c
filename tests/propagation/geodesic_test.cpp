// The geodesic against GeographicLib's own GeodSolve 2.1.2 output (validation table), to 1 mm
// and 1e-6 degree, read from the table's DMS texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "geo.h"
#include "validation_csv.h"

namespace hopscale::propagation {
namespace {

// "41:25:30N" -> 41.425; west and south negative.
double dms(const std::string& text) {
    const double d = std::atof(text.substr(0, text.find(':')).c_str());
    const auto m1 = text.find(':') + 1;
    const double m = std::atof(text.substr(m1, 2).c_str());
    const double s = std::atof(text.substr(m1 + 3, 2).c_str());
    const double value = d + m / 60 + s / 3600;
    const char hemisphere = text.back();
    return hemisphere == 'S' || hemisphere == 'W' ? -value : value;
}

TEST(Geodesic, MatchesTheReferenceSolutions) {
    const auto table = testing::readValidationCsv("geodesic_examples.csv");
    ASSERT_EQ(table.rows.size(), 2u);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const auto& row = table.rows[i];
        const PathEnds ends{{dms(row[0]), dms(row[1])}, {dms(row[2]), dms(row[3])}};
        const GeodesicPath g = geodesicPath(ends);
        EXPECT_NEAR(g.lengthM, table.number(i, "s12_m"), 1e-3);
        EXPECT_NEAR(g.azimuthFromDeg, table.number(i, "azi1_deg"), 1e-6);
        EXPECT_NEAR(g.azimuthToDeg, table.number(i, "back_azimuth_at_2_deg"), 1e-6);
        EXPECT_NEAR(g.centre.latitudeDeg, table.number(i, "mid_lat"), 1e-6);
        EXPECT_NEAR(g.centre.longitudeEastDeg, table.number(i, "mid_lon"), 1e-6);
        // Without the centre, the same length and azimuths.
        const GeodesicPath bare = geodesicPath(ends, false);
        EXPECT_NEAR(bare.lengthM, g.lengthM, 1e-9);
        EXPECT_NEAR(bare.azimuthFromDeg, g.azimuthFromDeg, 1e-12);
        EXPECT_NEAR(bare.azimuthToDeg, g.azimuthToDeg, 1e-12);
    }
}

TEST(Geodesic, ReversedPathSwapsTheAzimuths) {
    const PathEnds there{{41.425, -81.697222}, {41.5, -81.5}};
    const PathEnds back{{41.5, -81.5}, {41.425, -81.697222}};
    const GeodesicPath a = geodesicPath(there);
    const GeodesicPath b = geodesicPath(back);
    EXPECT_NEAR(a.lengthM, b.lengthM, 1e-6);
    EXPECT_NEAR(a.azimuthFromDeg, b.azimuthToDeg, 1e-9);
    EXPECT_NEAR(a.azimuthToDeg, b.azimuthFromDeg, 1e-9);
}

TEST(Geodesic, DueNorthAndSouthStayInRange) {
    const GeodesicPath north = geodesicPath(PathEnds{{40, -80}, {41, -80}});
    EXPECT_NEAR(north.azimuthFromDeg, 0, 1e-9);
    EXPECT_NEAR(north.azimuthToDeg, 180, 1e-9);
    // One degree of latitude near 40.5 N is about 111.04 km on WGS84.
    EXPECT_NEAR(north.lengthM, 111040, 50);
    const GeodesicPath south = geodesicPath(PathEnds{{41, -80}, {40, -80}});
    EXPECT_NEAR(south.azimuthFromDeg, 180, 1e-9);
    EXPECT_GE(south.azimuthToDeg, 0);
    EXPECT_LT(south.azimuthToDeg, 360);
}

}  // namespace
}  // namespace hopscale::propagation
