#include "coordinates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "conversions.h"
#include "geo.h"
#include "path_run.h"

namespace hopscale {
namespace {

struct Ends {
    const char *fromLat, *fromLon, *toLat, *toLon;
};

RunOutcome runEnds(const Ends& e, PathState& state) {
    PathInputs in;
    in[Field::Text5] = e.fromLat;
    in[Field::Text6] = e.fromLon;
    in[Field::Text7] = e.toLat;
    in[Field::Text9] = e.toLon;
    return runPath(in, state);
}

TEST(Coordinates, DocumentedPath) {
    PathState s;
    auto out = runEnds({"412530", "814150", "413000", "813000"}, s);
    ASSERT_TRUE(out.ok()) << out.error->message();
    EXPECT_EQ(singleToText(s.values.fromLatitude), "41.425");
    EXPECT_EQ(singleToText(s.values.fromLongitude), "81.69722");
    EXPECT_EQ(singleToText(s.values.toLatitude), "41.5");
    EXPECT_EQ(singleToText(s.values.toLongitude), "81.5");
    EXPECT_EQ(singleToText(s.results.midLatitudeRad), "0.7236572");
    EXPECT_EQ(singleToText(s.results.kmPerDegreeLatitude), "111.0612");
    EXPECT_EQ(singleToText(s.results.kmPerDegreeLongitude), "83.54659");
    EXPECT_EQ(singleToText(s.results.northSouthKm), "8.329676");
    EXPECT_EQ(singleToText(s.results.eastWestKm), "16.47705");
    EXPECT_EQ(singleToText(s.results.coordinateDistance), "11.47226");
    EXPECT_EQ(singleToText(s.results.bearingTrue), "63.18194");
    EXPECT_EQ(s.captured.fromLatitudeText, "412530");
}

TEST(Coordinates, BearingsByQuadrant) {
    const std::pair<Ends, const char*> cases[] = {
        {{"413000", "813000", "412530", "814150"}, "243.1819"},  // reversed
        {{"412530", "814150", "413000", "814150"}, "360"},       // due north
        {{"413000", "814150", "412530", "814150"}, "180"},       // due south
        {{"412530", "814150", "412530", "813000"}, "90"},        // due east
        {{"412530", "813000", "412530", "814150"}, "270"},       // due west
        {{"412530", "814150", "412530", "814150"}, "270"},       // same point
        {{"335000", "1182500", "340000", "1181500"}, "39.81883"},
    };
    for (const auto& [ends, bearing] : cases) {
        PathState s;
        auto out = runEnds(ends, s);
        ASSERT_TRUE(out.ok()) << bearing;
        EXPECT_EQ(singleToText(s.results.bearingTrue), bearing);
    }
    PathState s;
    runEnds({"335000", "1182500", "340000", "1181500"}, s);
    EXPECT_EQ(singleToText(s.results.coordinateDistance), "14.95548");
    EXPECT_EQ(singleToText(s.values.fromLongitude), "118.4167");
}

TEST(Coordinates, SamePointUsesTheTypedLength) {
    PathState s;
    auto out = runEnds({"412530", "814150", "412530", "814150"}, s);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(s.results.coordinateDistance, 0);
    EXPECT_EQ(singleToText(s.results.pathLengthMiles), "10");
}

TEST(Coordinates, NoFromLatitudeComputesNothingElse) {
    PathState s;
    s.results.bearingTrue = 123;
    auto out = runEnds({"0", "814150", "413000", "813000"}, s);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(s.results.coordinateDistance, 0);
    EXPECT_EQ(s.results.bearingTrue, 123);
    EXPECT_FALSE(out.computed.test(static_cast<std::size_t>(ResultId::bearingTrue)));
    EXPECT_TRUE(out.computed.test(static_cast<std::size_t>(ResultId::coordinateDistance)));
}

TEST(Coordinates, CapturedTexts) {
    PathState s;
    runEnds({"41 25 30", "0814150", "41.5", "abc"}, s);
    EXPECT_EQ(s.captured.fromLatitudeText, "412530");
    EXPECT_EQ(s.captured.fromLongitudeText, "814150");
    EXPECT_EQ(s.captured.toLatitudeText, "41.5");
    EXPECT_EQ(s.captured.toLongitudeText, "0");
}

TEST(DmsToDegrees, ExtendedForms) {
    const std::tuple<float, bool, double> cases[] = {
        {412530, true, 41.425},
        {1182500, false, 118.0 + 25.0 / 60},
        {52530, true, 5.0 + 25.0 / 60 + 30.0 / 3600},  // below 10 degrees
        {2530, true, 25.0 / 60 + 30.0 / 3600},
        {412530.5f, true, 41.0 + 25.0 / 60 + 30.5 / 3600},
        {-412530, true, -41.425},                 // south
        {-1182500, false, -(118.0 + 25.0 / 60)},  // east
        {900000, true, 90},
        {1800000, false, 180},
    };
    for (auto [packed, lat, degrees] : cases) {
        auto r = dmsToDegrees(packed, Field::Text5, lat);
        ASSERT_TRUE(r) << packed;
        EXPECT_DOUBLE_EQ(*r, degrees) << packed;
    }
}

// The packed digits read as text, the way the rule states it, but through the C library rather
// than the program's own writers and readers: the whole number written with at least seven
// digits, then degrees (three), minutes (two) and seconds (two) each read with strtod and added
// in the stated order, degrees + minutes / 60, then + seconds / 3600.
double readAsText(float packed) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07ld", static_cast<long>(packed));
    const std::string text(digits);
    auto part = [&](std::size_t at, std::size_t n) {
        return std::strtod(text.substr(at, n).c_str(), nullptr);
    };
    const double degrees = part(0, 3) + part(3, 2) / 60;
    return degrees + part(5, 2) / 3600;
}

TEST(DmsToDegrees, WholeNumbersReadExactlyAsTheirDigits) {
    // Worked by hand: 1795959 is 179 + 59/60 + 59/3600 = 179.99972222...; 1 is one second,
    // 1/3600 = 0.000277777...; 100 is one minute; 10000 one degree; 999999 is 99 + 99/60 +
    // 99/3600 = 100.6775 (minutes and seconds are not checked against 60).
    const std::pair<float, double> byHand[] = {
        {1795959, 179 + 59 / 60.0 + 59 / 3600.0},
        {1, 1 / 3600.0},
        {100, 1 / 60.0},
        {10000, 1},
        {999999, 100.6775},
    };
    for (auto [packed, degrees] : byHand) {
        auto r = dmsToDegrees(packed, Field::Text6, false);
        ASSERT_TRUE(r) << packed;
        EXPECT_NEAR(*r, degrees, 1e-12) << packed;
    }
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        const auto packed = static_cast<float>(1 + random() % 1795959);
        auto r = dmsToDegrees(packed, Field::Text6, false);
        ASSERT_TRUE(r) << packed;
        ASSERT_EQ(*r, readAsText(packed)) << packed;
    }
}

TEST(DmsToDegrees, RejectsWhatCannotBeACoordinate) {
    const std::tuple<float, bool, const char*> cases[] = {
        {0, true, "not given"},
        {12345678, false, "has more than 7 digits"},
        {910000, true, "is beyond 90 degrees of latitude"},
        {1810000, false, "is beyond 180 degrees of longitude"},
    };
    for (auto [packed, lat, detail] : cases) {
        auto r = dmsToDegrees(packed, Field::Text9, lat);
        ASSERT_FALSE(r) << packed;
        EXPECT_EQ(r.error->kind, ErrorKind::InvalidCoordinate);
        EXPECT_EQ(r.error->field, Field::Text9);
        EXPECT_EQ(r.error->detail, detail);
    }
}

// 10000000 has eight digits and is refused as such, like every larger whole number; 9999999 is
// the largest seven-digit one (999 degrees, beyond any longitude).
TEST(DmsToDegrees, EightDigitsFromTenMillionOn) {
    for (float packed : {1e7f, -1e7f, 10000001.0f, 99999999.0f}) {
        auto r = dmsToDegrees(packed, Field::Text6, false);
        ASSERT_FALSE(r) << packed;
        EXPECT_EQ(r.error->detail, "has more than 7 digits") << packed;
    }
    auto seven = dmsToDegrees(9999999, Field::Text6, false);
    ASSERT_FALSE(seven);
    EXPECT_EQ(seven.error->detail, "is beyond 180 degrees of longitude");
}

// From 342923, 750601 to 343813, 752229 the legs are 16.33111 km north-south and 25.18649 km
// east-west (worked out separately from the formulas, each stored value rounded to single).
// Their sum of squares has the root 30.0177313457 km, which is stored as the single
// 30.0177307129 before the division: 30.0177307129 / 1.609347219 = 18.6521158, the single
// 18.6521149 (text 18.65211). Dividing the unrounded root would give 18.6521162, the single
// 18.6521168 (text 18.65212).
TEST(Coordinates, KilometreDistanceIsRoundedToSingleBeforeItBecomesMiles) {
    PathState s;
    auto out = runEnds({"342923", "750601", "343813", "752229"}, s);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(singleToText(s.results.coordinateDistance), "18.65211");
}

TEST(Coordinates, AMissingEndIsAnErrorNamingItsField) {
    PathState s;
    auto out = runEnds({"412530", "814150", "0", "813000"}, s);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error->kind, ErrorKind::InvalidCoordinate);
    EXPECT_EQ(out.error->field, Field::Text7);
    EXPECT_EQ(out.error->message(), "Invalid coordinate in \"To Latitude\": not given");

    // The two longitude boxes share their caption; the message tells them apart in words.
    PathState s2;
    out = runEnds({"412530", "814150", "413000", "0"}, s2);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error->message(), "Invalid coordinate in \"To Longitude\": not given");
    PathState s3;
    out = runEnds({"412530", "1812500", "413000", "813000"}, s3);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error->message(),
              "Invalid coordinate in \"From Longitude\": \"1812500\" is beyond 180 degrees of "
              "longitude");
}

}  // namespace
}  // namespace hopscale
