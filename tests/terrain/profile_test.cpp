// Reading profiles from CSV: columns by name in either unit, and every defect named by line
// and column.
#include "profile.h"

#include <gtest/gtest.h>

#include "terrain_test_support.h"
#include "test_files.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

TEST(profile_csv, metric_columns_in_any_order_with_others_ignored) {
    const auto p = parseProfileCsv(
        "Label, ELEVATION_M ,lat,distance_km,obstruction_m\n"
        "From site,120.5,41.1,0,\n"
        "\"oak wood, dense\",135,41.2,2.5,18\n"
        "\n"
        "To site,101,41.3,5,0\n",
        "hop.csv");
    ASSERT_TRUE(p.ok()) << p.error->message();
    ASSERT_EQ(p.value->points.size(), 3u);
    EXPECT_DOUBLE_EQ(p.value->pathKm, 5.0);
    EXPECT_EQ(p.value->source, "hop.csv");
    EXPECT_EQ(p.value->points[0].label, "From site");
    EXPECT_DOUBLE_EQ(p.value->points[0].groundM, 120.5);
    EXPECT_DOUBLE_EQ(p.value->points[0].obstructionM, 0.0);  // empty cell
    EXPECT_EQ(p.value->points[1].label, "oak wood, dense");
    EXPECT_DOUBLE_EQ(p.value->points[1].distanceKm, 2.5);
    EXPECT_DOUBLE_EQ(p.value->points[1].obstructionM, 18.0);
}

TEST(profile_csv, sea_and_reflecting_marks) {
    const auto p = parseProfileCsv(
        "distance_km,elevation_m,sea,reflecting\n0,5,0,\n1,0,1,1\n2,0,1,0\n3,212,,1\n4,8,0,0\n",
        "bay.csv");
    ASSERT_TRUE(p.ok()) << p.error->message();
    const auto& pts = p.value->points;
    EXPECT_FALSE(pts[0].sea || pts[0].reflecting);  // an empty cell is no mark
    EXPECT_TRUE(pts[1].sea && pts[1].reflecting);
    EXPECT_TRUE(pts[2].sea && !pts[2].reflecting);
    EXPECT_TRUE(!pts[3].sea && pts[3].reflecting);
    // Without the columns nothing is marked.
    const auto plain = parseProfileCsv("distance_km,elevation_m\n0,1\n1,2\n2,3\n", "p.csv");
    ASSERT_TRUE(plain.ok());
    for (const ProfilePoint& pt : plain.value->points) EXPECT_FALSE(pt.sea || pt.reflecting);
    // A mark is 0 or 1, nothing else.
    EXPECT_TRUE(failsWith(
        parseProfileCsv("distance_km,elevation_m,sea\n0,1,0\n1,2,0.5\n2,3,0\n", "bay.csv"),
        ErrorKind::BadFile, {"bay.csv", "neither 0 nor 1", "line 3, column 3 (sea)"}));
    EXPECT_TRUE(failsWith(
        parseProfileCsv("distance_km,elevation_m,reflecting\n0,1,yes\n1,2,0\n2,3,0\n", "b.csv"),
        ErrorKind::BadFile, {"line 2, column 3 (reflecting)"}));
}

TEST(profile_csv, miles_and_feet_are_converted) {
    // 1 mi = 1.609344 km and 1 ft = 0.3048 m exactly (international definitions).
    const auto p = parseProfileCsv(
        "distance_mi,elevation_ft,obstruction_ft\r\n0,1000,0\r\n1,2000,50\r\n2.5,0,\r\n",
        "hop.csv");
    ASSERT_TRUE(p.ok()) << p.error->message();
    EXPECT_NEAR(p.value->points[1].distanceKm, 1.609344, 1e-12);
    EXPECT_NEAR(p.value->points[2].distanceKm, 4.02336, 1e-12);
    EXPECT_NEAR(p.value->pathKm, 4.02336, 1e-12);
    EXPECT_NEAR(p.value->points[0].groundM, 304.8, 1e-9);
    EXPECT_NEAR(p.value->points[1].groundM, 609.6, 1e-9);
    EXPECT_NEAR(p.value->points[1].obstructionM, 15.24, 1e-9);
    EXPECT_TRUE(p.value->points[1].label.empty());
}

TEST(profile_csv, header_defects_are_named) {
    EXPECT_TRUE(
        failsWith(parseProfileCsv("", "a.csv"), ErrorKind::BadFile, {"\"a.csv\"", "is empty"}));
    EXPECT_TRUE(failsWith(parseProfileCsv("km,elevation_m\n0,1\n", "a.csv"), ErrorKind::BadFile,
                          {"a.csv", "no column distance_km or distance_mi"}));
    EXPECT_TRUE(failsWith(parseProfileCsv("distance_km,height\n0,1\n", "a.csv"), ErrorKind::BadFile,
                          {"no column elevation_m or elevation_ft"}));
    EXPECT_TRUE(failsWith(parseProfileCsv("distance_km,distance_mi,elevation_m\n", "a.csv"),
                          ErrorKind::BadFile, {"both column distance_km and column distance_mi"}));
    EXPECT_TRUE(failsWith(parseProfileCsv("distance_km,elevation_m,elevation_ft\n", "a.csv"),
                          ErrorKind::BadFile, {"elevation_m", "elevation_ft"}));
}

TEST(profile_csv, cell_defects_name_line_and_column) {
    const char* header = "label,distance_km,elevation_m,obstruction_m\n";
    auto with = [&](const char* rows) {
        return parseProfileCsv(std::string(header) + rows, "p.csv");
    };
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1,1OO,0\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"p.csv", "\"1OO\" is not a number at line 3, column 3 (elevation_m)"}));
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1 km,100,0\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"\"1 km\" is not a number at line 3, column 2 (distance_km)"}));
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1,,0\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"has no value at line 3, column 3 (elevation_m)"}));
    // A short row lacks the cell altogether.
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"has no value at line 3, column 3 (elevation_m)"}));
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1,100,tall\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"\"tall\" is not a number at line 3, column 4 (obstruction_m)"}));
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,1,100,-2\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"\"-2\" is negative at line 3, column 4 (obstruction_m)"}));
    EXPECT_TRUE(failsWith(with("a,0,100,0\nb,nan,100,0\nc,2,90,0\n"), ErrorKind::BadFile,
                          {"line 3, column 2"}));
}

TEST(profile_csv, distances_start_at_zero_and_increase) {
    const char* header = "distance_km,elevation_m\n";
    auto with = [&](const char* rows) {
        return parseProfileCsv(std::string(header) + rows, "p.csv");
    };
    EXPECT_TRUE(failsWith(with("0.5,1\n1,1\n2,1\n"), ErrorKind::BadFile,
                          {"\"0.5\" is not 0 at line 2, column 1 (distance_km)", "From end"}));
    EXPECT_TRUE(failsWith(with("0,1\n2,1\n2,1\n"), ErrorKind::BadFile,
                          {"\"2\" is not larger than the distance before it at line 4, column 1"}));
    EXPECT_TRUE(
        failsWith(with("0,1\n2,1\n1.5,1\n3,1\n"), ErrorKind::BadFile, {"line 4, column 1"}));
    EXPECT_TRUE(failsWith(with("0,1\n5,1\n"), ErrorKind::BadFile, {"has 2 points"}));
    EXPECT_TRUE(failsWith(with(""), ErrorKind::BadFile, {"has 0 points"}));
}

TEST(profile_csv, void_markers_are_not_ground) {
    // SRTM exports write -32768 for a void; -9999 is the other common marker.
    const char* header = "distance_km,elevation_m\n";
    EXPECT_TRUE(failsWith(parseProfileCsv(std::string(header) + "0,10\n1,-32768\n2,10\n", "p.csv"),
                          ErrorKind::BadFile,
                          {"\"-32768\" is outside -1000 to 9000 m", "line 3, column 2"}));
    EXPECT_TRUE(
        failsWith(parseProfileCsv("distance_km,elevation_ft\n0,10\n1,-9999\n2,10\n", "p.csv"),
                  ErrorKind::BadFile, {"\"-9999\"", "line 3, column 2 (elevation_ft)"}));
    // The shore of the Dead Sea is real ground.
    EXPECT_TRUE(parseProfileCsv(std::string(header) + "0,-430\n1,-420\n2,-400\n", "p.csv").ok());
}

TEST(profile_csv, quoted_field_never_closed) {
    EXPECT_TRUE(failsWith(
        parseProfileCsv("distance_km,elevation_m,label\n0,1,a\n1,1,\"ridge\n2,1,b\n", "p.csv"),
        ErrorKind::BadFile, {"never closed, from line 3"}));
}

TEST(profile_csv, files_missing_unreadable_and_good) {
    testing_files::ScratchDir dir;
    EXPECT_TRUE(failsWith(readProfileCsv((dir / "none.csv").string()), ErrorKind::FileNotFound,
                          {"none.csv", "does not exist"}));
    EXPECT_TRUE(
        failsWith(readProfileCsv(dir.path().string()), ErrorKind::FileNotFound, {"is not a file"}));
    testing_files::writeBytes(dir / "hop.csv",
                              "\xEF\xBB\xBF"
                              "distance_km,elevation_m\n0,5\n1,6\n2,7\n");
    const auto p = readProfileCsv((dir / "hop.csv").string());
    ASSERT_TRUE(p.ok()) << p.error->message();
    EXPECT_EQ(p.value->points.size(), 3u);
    EXPECT_DOUBLE_EQ(p.value->points[2].groundM, 7.0);
    testing_files::writeBytes(dir / "bad.csv", "distance_km,elevation_m\n0,5\n1,x\n2,7\n");
    EXPECT_TRUE(failsWith(readProfileCsv((dir / "bad.csv").string()), ErrorKind::BadFile,
                          {"bad.csv", "line 3, column 2"}));
}

}  // namespace
}  // namespace hopscale::terrain
