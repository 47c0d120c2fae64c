// The geo module: packed coordinates as typed to signed degrees (east positive), and the WGS84
// geodesic against the worked examples of GeographicLib's own documentation (GeodSolve(1):
// the route from JFK Airport to Singapore Changi Airport and its waypoints at each tenth of it).
#include "geo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>

#include "conversions.h"

namespace hopscale {
namespace {

// Degrees from degrees, minutes and seconds.
double dms(double d, double m, double s) { return d + m / 60 + s / 3600; }

// ---- packed coordinates

TEST(PackedCoordinates, WestPositiveLongitudesBecomeEastPositive) {
    // 41 25 30 N, 81 41 50 W as typed: longitude west positive.
    const Result<GeoPoint> west = packedPoint(412530, 814150, Field::Text5, Field::Text6);
    ASSERT_TRUE(west);
    EXPECT_DOUBLE_EQ(west.value->latitudeDeg, dms(41, 25, 30));
    EXPECT_DOUBLE_EQ(west.value->longitudeEastDeg, -dms(81, 41, 50));
    // A negative latitude is south, a negative longitude east (33 50 S, 151 10 E).
    const Result<GeoPoint> east = packedPoint(-335000, -1511000, Field::Text5, Field::Text6);
    ASSERT_TRUE(east);
    EXPECT_DOUBLE_EQ(east.value->latitudeDeg, -dms(33, 50, 0));
    EXPECT_DOUBLE_EQ(east.value->longitudeEastDeg, dms(151, 10, 0));
}

TEST(PackedCoordinates, EndsAreReadInTheInputScreensOrderUnderItsFields) {
    const Result<PathEnds> ends = packedEnds(412530, 814150, 413000, 813000);
    ASSERT_TRUE(ends);
    EXPECT_DOUBLE_EQ(ends.value->from.latitudeDeg, 41.425);
    EXPECT_DOUBLE_EQ(ends.value->to.latitudeDeg, 41.5);
    EXPECT_DOUBLE_EQ(ends.value->to.longitudeEastDeg, -81.5);

    // Each position in turn out of range (latitudes beyond 90, longitudes beyond 180), and
    // then every position at once: the first of the four is the one reported.
    const float good[4] = {412530, 814150, 413000, 813000};
    const float bad[4] = {910000, 1810000, 910000, 1810000};
    const Field fields[4] = {Field::Text5, Field::Text6, Field::Text7, Field::Text9};
    for (int wrong = 0; wrong < 4; ++wrong) {
        float v[4] = {good[0], good[1], good[2], good[3]};
        v[wrong] = bad[wrong];
        const Result<PathEnds> r = packedEnds(v[0], v[1], v[2], v[3]);
        ASSERT_FALSE(r) << wrong;
        EXPECT_EQ(r.error->kind, ErrorKind::InvalidCoordinate);
        EXPECT_EQ(r.error->field, fields[wrong]);
        EXPECT_EQ(r.error->detail, wrong % 2 == 0 ? "is beyond 90 degrees of latitude"
                                                  : "is beyond 180 degrees of longitude");
    }
    const Result<PathEnds> allBad = packedEnds(bad[0], bad[1], bad[2], bad[3]);
    ASSERT_FALSE(allBad);
    EXPECT_EQ(allBad.error->field, Field::Text5);
}

TEST(PackedCoordinates, TextsAreReadByTheirLeadingNumberOrStrictly) {
    // The input screen's reading: the number the text starts with.
    const Result<GeoPoint> leading =
        readPackedPoint("412530N", " 814150 W", Field::Text7, Field::Text9);
    ASSERT_TRUE(leading);
    EXPECT_DOUBLE_EQ(leading.value->latitudeDeg, 41.425);
    EXPECT_DOUBLE_EQ(leading.value->longitudeEastDeg, -dms(81, 41, 50));
    // A text with no number reads as 0, which is "not given".
    const Result<double> none = readPackedDegrees("abc", Field::Text5, true);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error->kind, ErrorKind::InvalidCoordinate);
    EXPECT_EQ(none.error->detail, "not given");
    // Beyond single precision: an overflow under the field, before any degrees are read.
    const Result<double> huge = readPackedDegrees("1e40", Field::Text7, true);
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error->kind, ErrorKind::Overflow);
    EXPECT_EQ(huge.error->field, Field::Text7);
    // A fraction of a second survives the reading.
    const Result<double> fraction = readPackedDegrees("412530.5", Field::Text5, true);
    ASSERT_TRUE(fraction);
    EXPECT_NEAR(*fraction, dms(41, 25, 30.5), 1e-9);

    // Strictly, trailing letters make the text no number at all.
    const Result<GeoPoint> strict =
        readPackedPoint("412530", "814150W", Field::Text5, Field::Text6, PackedText::Strict);
    ASSERT_FALSE(strict);
    EXPECT_EQ(strict.error->kind, ErrorKind::TypeMismatch);
    EXPECT_EQ(strict.error->field, Field::Text6);
    EXPECT_TRUE(
        readPackedPoint("412530", "814150", Field::Text5, Field::Text6, PackedText::Strict));
}

TEST(PackedCoordinates, ReadPackedEndsNamesTheFieldOfTheTextThatFailed) {
    const std::tuple<const char*, const char*, const char*, const char*, Field> cases[] = {
        {"0", "814150", "413000", "813000", Field::Text5},
        {"412530", "12345678", "413000", "813000", Field::Text6},
        {"412530", "814150", "-910000", "813000", Field::Text7},
        {"412530", "814150", "413000", "", Field::Text9},
    };
    for (const auto& [a, b, c, d, field] : cases) {
        const Result<PathEnds> r = readPackedEnds(a, b, c, d);
        ASSERT_FALSE(r) << a << " " << b << " " << c << " " << d;
        EXPECT_EQ(r.error->kind, ErrorKind::InvalidCoordinate);
        EXPECT_EQ(r.error->field, field);
    }
}

// Degrees written as packed DDDMMSS text, then read back: whole seconds come back to within
// rounding, in every quadrant.
TEST(PackedCoordinates, RoundTripThroughPackedText) {
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        const int latSeconds = static_cast<int>(random() % (90 * 3600)) + 1;
        const int lonSeconds = static_cast<int>(random() % (180 * 3600)) + 1;
        const bool south = random() % 2 == 0;
        const bool east = random() % 2 == 0;
        auto packed = [](int seconds, bool negative) {
            const int d = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
            return std::string(negative ? "-" : "") + std::to_string(d * 10000 + m * 100 + s);
        };
        const Result<GeoPoint> p =
            readPackedPoint(packed(latSeconds, south), packed(lonSeconds, east), Field::Text5,
                            Field::Text6, PackedText::Strict);
        ASSERT_TRUE(p) << latSeconds << " " << lonSeconds;
        ASSERT_NEAR(p.value->latitudeDeg, (south ? -1 : 1) * latSeconds / 3600.0, 1e-12);
        // Typed west positive: an east longitude is typed negative and comes back positive.
        ASSERT_NEAR(p.value->longitudeEastDeg, (east ? 1 : -1) * lonSeconds / 3600.0, 1e-12);
    }
}

// ---- the geodesic

const GeoPoint kJfk{dms(40, 38, 23), -dms(73, 46, 44)};
const GeoPoint kSingapore{dms(1, 21, 33), dms(103, 59, 22)};

TEST(Geodesic, JfkToSingaporeAsGeographicLibDocumentsIt) {
    // GeodSolve -i -p 0: 003:18:29.9 177:29:09.2 15347628 (azi2 forward at Singapore).
    const GeodesicPath g = geodesicPath({kJfk, kSingapore}, false);
    EXPECT_NEAR(g.lengthM, 15347628, 0.5);
    EXPECT_NEAR(g.azimuthFromDeg, dms(3, 18, 29.9), 0.05 / 3600);
    EXPECT_NEAR(g.azimuthToDeg, dms(177, 29, 9.2) + 180, 0.05 / 3600);
    EXPECT_DOUBLE_EQ(geodesicKm(kJfk, kSingapore), g.lengthM / 1000);
    // The centre is the waypoint half way: 70:20:29.2N 097:01:29.4E.
    const GeodesicPath withCentre = geodesicPath({kJfk, kSingapore});
    EXPECT_NEAR(withCentre.lengthM, g.lengthM, 1e-6);
    EXPECT_NEAR(withCentre.centre.latitudeDeg, dms(70, 20, 29.2), 0.051 / 3600);
    EXPECT_NEAR(withCentre.centre.longitudeEastDeg, dms(97, 1, 29.4), 0.051 / 3600);
    EXPECT_EQ(g.centre.latitudeDeg, 0);  // not asked for
}

TEST(Geodesic, WaypointsAtEachTenthAsGeographicLibDocumentsThem) {
    // GeodSolve -I 40:38:23N 073:46:44W 01:21:33N 103:59:22E -F -: -p 0, at 0, 0.1, ... 1
    // of the length: latitude, longitude (east positive) and forward azimuth, to 0.1 arc
    // second.
    struct Waypoint {
        double lat, lon, azi;
    };
    const Waypoint expected[] = {
        {dms(40, 38, 23.0), -dms(73, 46, 44.0), dms(3, 18, 29.9)},
        {dms(54, 24, 51.3), -dms(72, 25, 39.6), dms(4, 18, 44.1)},
        {dms(68, 7, 37.7), -dms(69, 40, 42.9), dms(6, 44, 25.4)},
        {dms(81, 38, 0.4), -dms(58, 37, 53.9), dms(17, 28, 52.7)},
        {dms(83, 43, 26.0), dms(80, 37, 16.9), dms(156, 26, 0.4)},
        {dms(70, 20, 29.2), dms(97, 1, 29.4), dms(172, 31, 56.4)},
        {dms(56, 38, 36.0), dms(100, 14, 47.6), dms(175, 26, 10.5)},
        {dms(42, 52, 37.1), dms(101, 43, 37.2), dms(176, 34, 28.6)},
        {dms(29, 3, 57.0), dms(102, 39, 34.8), dms(177, 7, 35.2)},
        {dms(15, 13, 18.6), dms(103, 22, 8.0), dms(177, 23, 44.7)},
        {dms(1, 21, 33.0), dms(103, 59, 22.0), dms(177, 29, 9.2)},
    };
    const GeodesicLine line(kJfk, kSingapore);
    EXPECT_NEAR(line.lengthM(), 15347628, 0.5);
    EXPECT_NEAR(line.startAzimuthDeg(), expected[0].azi, 0.05 / 3600);
    const double tolerance = 0.051 / 3600;  // half the last printed digit
    for (int i = 0; i <= 10; ++i) {
        double azimuth = 0;
        const double s = line.lengthM() * i / 10;
        const GeoPoint p = line.pointAt(s, azimuth);
        EXPECT_NEAR(p.latitudeDeg, expected[i].lat, tolerance) << i;
        EXPECT_NEAR(p.longitudeEastDeg, expected[i].lon, tolerance) << i;
        EXPECT_NEAR(azimuth, expected[i].azi, tolerance) << i;
        const GeoPoint same = line.pointAt(s);
        EXPECT_EQ(same.latitudeDeg, p.latitudeDeg);
        EXPECT_EQ(same.longitudeEastDeg, p.longitudeEastDeg);
    }
}

TEST(Geodesic, TheLineEndsWhereTheInverseSaysAndPassesTheCentre) {
    const GeoPoint from{41.425, -81.697222}, to{41.5, -81.5};
    const GeodesicPath g = geodesicPath({from, to});
    const GeodesicLine line(from, to);
    EXPECT_EQ(line.lengthM(), g.lengthM);
    const GeoPoint end = line.pointAt(line.lengthM());
    EXPECT_NEAR(end.latitudeDeg, to.latitudeDeg, 1e-12);
    EXPECT_NEAR(end.longitudeEastDeg, to.longitudeEastDeg, 1e-12);
    const GeoPoint half = line.pointAt(line.lengthM() / 2);
    EXPECT_NEAR(half.latitudeDeg, g.centre.latitudeDeg, 1e-12);
    EXPECT_NEAR(half.longitudeEastDeg, g.centre.longitudeEastDeg, 1e-12);
    // The line's own start azimuth, unnormalised, is the path's azimuth from the From end.
    EXPECT_NEAR(line.startAzimuthDeg(), g.azimuthFromDeg, 1e-12);
}

TEST(Geodesic, AcrossTheAntimeridianAndBetweenIdenticalEnds) {
    // 1 degree of longitude along the equator, either side of 180: 111319.491 m due east.
    const GeodesicPath dateLine = geodesicPath({{0, 179.5}, {0, -179.5}});
    EXPECT_NEAR(dateLine.lengthM, 111319.491, 1e-3);
    EXPECT_NEAR(dateLine.azimuthFromDeg, 90, 1e-9);
    EXPECT_NEAR(dateLine.azimuthToDeg, 270, 1e-9);
    EXPECT_NEAR(std::fabs(dateLine.centre.longitudeEastDeg), 180, 1e-9);

    const GeodesicPath none = geodesicPath({{41.5, -81.5}, {41.5, -81.5}});
    EXPECT_EQ(none.lengthM, 0);
    EXPECT_EQ(none.azimuthFromDeg, 180);
    EXPECT_EQ(none.azimuthToDeg, 0);
}

TEST(Geodesic, ModelTextNamesGeographicLibAndItsVersion) {
    const std::string& text = geodesicModelText();
    const std::string name = kGeodesicModelName;
    ASSERT_GT(text.size(), name.size() + 1);
    EXPECT_EQ(text.substr(0, name.size() + 1), name + " ");
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(text[name.size() + 1]))) << text;
}

}  // namespace
}  // namespace hopscale
