// The real `hopscale profile` binary, run the way scripts run it: no display, files the test
// writes itself, exit statuses and messages checked.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "hgt_tiles.h"
#include "shell_run.h"
#include "test_files.h"

namespace {

using hopscale::testing_files::ScratchDir;
using hopscale::testing_files::writeBytes;

using hopscale::testing_files::ProcessRun;
using hopscale::testing_files::readFile;
using hopscale::testing_files::runShell;

// `environment`: extra NAME='value' assignments for the run.
ProcessRun runHopscale(const ScratchDir& dir, const std::string& arguments,
                       const std::string& environment = "") {
    const std::string errPath = (dir / "stderr.txt").string();
    const std::string command = "cd '" + dir.path().string() +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY " + environment + " '" +
                                std::string(HOPSCALE_BINARY) + "' profile " + arguments +
                                " </dev/null 2>'" + errPath + "'";
    return runShell(command, errPath);
}

// Flat 0 m ground over 20 km with a 25 m knife edge at 5 km; at 10 GHz with 30 m antennas
// (worked in clearance_test.cpp): F1 10.59404 m, clearance at k 4/3 0.584772 m =
// 0.0551982 F1, at k 1 -0.886970 m, at k 2/3 -3.830455 m; Ad 8.896036 dB; heights needed
// 40.1 m both equal, 70.1 m at the To end with the From end kept at 30 m.
std::string knifeEdgeCsv() {
    std::string csv = "distance_km,elevation_m,label\n";
    for (int km = 0; km <= 20; ++km)
        csv += std::to_string(km) + (km == 5 ? ",25,knife edge\n" : ",0,\n");
    return csv;
}

TEST(profile_command, knife_edge_json_matches_the_hand_calculation) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    const ProcessRun run =
        runHopscale(dir, "--profile knife.csv --freq 10 --antenna-heights 30,30 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_NEAR(doc.at("pathKm").get<double>(), 20.0, 1e-12);
    EXPECT_NEAR(doc.at("meanTerrainM").get<double>(), 1.25, 1e-9);
    const auto& criteria = doc.at("criteria");
    ASSERT_EQ(criteria.size(), 3u);
    const double clearM[3] = {0.584772, -0.886970, -3.830455};
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_FALSE(criteria[c].at("met").get<bool>());
        const auto& worst = criteria[c].at("worst");
        EXPECT_NEAR(worst.at("distanceKm").get<double>(), 5.0, 1e-12);
        EXPECT_EQ(worst.at("label"), "knife edge");
        EXPECT_NEAR(worst.at("clearanceM").get<double>(), clearM[c], 0.01);
    }
    EXPECT_NEAR(criteria[0].at("k").get<double>(), 4.0 / 3.0, 1e-12);
    EXPECT_NEAR(criteria[1].at("fraction").get<double>(), 0.6, 1e-12);
    EXPECT_NEAR(criteria[0].at("worst").at("clearanceF1").get<double>(), 0.0551982, 1e-6);
    EXPECT_NEAR(doc.at("diffractionLossDb").get<double>(), 8.896036, 0.01);
    EXPECT_NEAR(doc.at("heightsNeededM")[0].get<double>(), 40.1, 1e-9);
    EXPECT_NEAR(doc.at("heightsNeededM")[1].get<double>(), 40.1, 1e-9);
    EXPECT_FALSE(doc.contains("points"));
}

TEST(profile_command, fixed_end_sixty_percent_and_points) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    const ProcessRun fixed = runHopscale(
        dir, "--profile knife.csv --freq 10 --antenna-heights 30,30 --fixed-end from --json");
    ASSERT_EQ(fixed.status, 0) << fixed.err;
    const auto doc = nlohmann::json::parse(fixed.out);
    EXPECT_NEAR(doc.at("heightsNeededM")[0].get<double>(), 30.0, 1e-12);
    EXPECT_NEAR(doc.at("heightsNeededM")[1].get<double>(), 70.1, 1e-9);
    EXPECT_EQ(doc.at("fixedEnd"), "from");

    // 60 % of F1 at k 4/3 alone: 25 + 4.415228 + 6.356424 = 35.77165 -> 35.8 m.
    const ProcessRun sixty = runHopscale(
        dir,
        "--profile knife.csv --freq 10 --antenna-heights 30,30 --criteria sixty --json --points");
    ASSERT_EQ(sixty.status, 0) << sixty.err;
    const auto s = nlohmann::json::parse(sixty.out);
    ASSERT_EQ(s.at("criteria").size(), 1u);
    EXPECT_NEAR(s.at("heightsNeededM")[0].get<double>(), 35.8, 1e-9);
    ASSERT_EQ(s.at("points").size(), 21u);
    const auto& p5 = s.at("points")[5];
    EXPECT_NEAR(p5.at("f1M").get<double>(), 10.59404, 1e-5);
    EXPECT_NEAR(p5.at("criteria")[0].at("bulgeM").get<double>(), 4.415228, 1e-6);
    EXPECT_NEAR(p5.at("lineOfSightM").get<double>(), 30.0, 1e-12);
}

TEST(profile_command, table_csv_and_svg) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    const ProcessRun run = runHopscale(
        dir, "--profile knife.csv --freq 10 --antenna-heights 30,30 --csv out.csv --svg out.svg");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("k 4/3, 1.00 F1: NOT MET, worst 0.055 F1 (0.58 m) at 5.000 km"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Diffraction loss: 8.9 dB"), std::string::npos);
    EXPECT_NE(run.out.find("Heights needed (both ends equal): 40.1 m (From) and 40.1 m (To)"),
              std::string::npos);
    EXPECT_EQ(readFile(dir / "out.csv").rfind("distance_km,elevation_m,obstruction_m,label,", 0),
              0u);
    EXPECT_NE(readFile(dir / "out.svg").find("</svg>"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv.part"));
}

// The plateau ridge (hgt_tiles.h, worked in dem_test.cpp) from 41 18 00 N to 41 42 00 N
// along 81 30 00 W at 8 GHz with 170 m antennas: clearance 20.95341 m at k 4/3 (met),
// 11.27121 m at k 1, -8.09319 m at k 2/3; heights needed 184.3 m.
TEST(profile_command, ridge_tile_json_matches_the_hand_calculation) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "tiles");
    hopscale::terrain::testing::writeHgt(
        dir / "tiles" / "N41W082.hgt", 1201, 41, -82,
        [](double lat, double) { return hopscale::terrain::testing::plateauRidgeM(lat); });
    const ProcessRun run =
        runHopscale(dir,
                    "--dem tiles --from-lat 411800 --from-lon 813000 --to-lat 414200 "
                    "--to-lon 813000 --freq 8 --antenna-heights 170,170 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_NEAR(doc.at("pathKm").get<double>(), 44.42543, 1e-3);
    const double clearM[3] = {20.95341, 11.27121, -8.09319};
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_NEAR(doc.at("criteria")[c].at("worst").at("clearanceM").get<double>(), clearM[c],
                    0.01)
            << c;
    }
    EXPECT_TRUE(doc.at("criteria")[0].at("met").get<bool>());
    EXPECT_FALSE(doc.at("criteria")[1].at("met").get<bool>());
    EXPECT_NEAR(doc.at("diffractionLossDb").get<double>(), 0.0, 1e-12);
    EXPECT_NEAR(doc.at("heightsNeededM")[0].get<double>(), 184.3, 1e-9);
    EXPECT_NEAR(doc.at("heightsNeededM")[1].get<double>(), 184.3, 1e-9);

    // The path runs on into tile N42W082, which was not given.
    const ProcessRun outside =
        runHopscale(dir,
                    "--dem tiles --from-lat 411800 --from-lon 813000 --to-lat 421000 "
                    "--to-lon 813000 --freq 8 --antenna-heights 170,170");
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.err.find("N42W082.hgt"), std::string::npos) << outside.err;
    EXPECT_NE(outside.err.find("km from the From end"), std::string::npos) << outside.err;
}

// Without the raster reader module (a packaging fault) a raster is refused with the module's
// file and the loader's reason, exit 1, and profiles from CSV files, which need no module,
// still work.
TEST(profile_command, missing_raster_module_is_a_clear_error) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "no-modules");
    std::filesystem::create_directory(dir / "tiles");
    hopscale::terrain::testing::writeHgt(
        dir / "tiles" / "N41W082.hgt", 1201, 41, -82,
        [](double lat, double) { return hopscale::terrain::testing::plateauRidgeM(lat); });
    const std::string noModules = "HOPSCALE_MODULE_DIR='" + (dir / "no-modules").string() + "'";
    const ProcessRun run =
        runHopscale(dir,
                    "--dem tiles --from-lat 411800 --from-lon 813000 --to-lat 414200 "
                    "--to-lon 813000 --freq 8 --antenna-heights 170,170 --json",
                    noModules);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find((dir / "no-modules" / "libhopscale_gdal.so").string()),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("cannot open shared object file"), std::string::npos) << run.err;

    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    const ProcessRun csv =
        runHopscale(dir, "--profile knife.csv --freq 10 --antenna-heights 30,30 --json", noModules);
    EXPECT_EQ(csv.status, 0) << csv.err;
}

TEST(profile_command, usage_errors_exit_2) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    struct Case {
        const char* arguments;
        const char* says;
    };
    const Case cases[] = {
        {"--freq 10 --antenna-heights 30,30", "--profile"},
        {"--profile knife.csv --dem tiles --freq 10 --antenna-heights 30,30", "exactly one"},
        {"--profile knife.csv --antenna-heights 30,30", "--freq"},
        {"--profile knife.csv --freq ten --antenna-heights 30,30", "\"ten\" is not a number"},
        {"--profile knife.csv --freq 10", "--antenna-heights"},
        {"--profile knife.csv --freq 10 --antenna-heights 30", "is not two heights"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,x", "\"x\" is not a number"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,-2", "negative"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --criteria 4/3", "is not K:F"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --fixed-end middle",
         "neither from nor to"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --points", "goes with --json"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --from-lat 411800", "all four"},
        {"--dem tiles --freq 10 --antenna-heights 30,30", "needed with --dem"},
    };
    for (const Case& c : cases) {
        const ProcessRun run = runHopscale(dir, c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
}

TEST(profile_command, file_and_calculation_errors_exit_1) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    writeBytes(dir / "bad.csv", "distance_km,elevation_m\n0,1\n1,abc\n2,1\n");
    writeBytes(dir / "nodist.csv", "km,elevation_m\n0,1\n1,1\n2,1\n");
    writeBytes(dir / "notes.hgt", "not a tile");
    struct Case {
        const char* arguments;
        const char* says;
    };
    const Case cases[] = {
        {"--profile missing.csv --freq 10 --antenna-heights 30,30", "missing.csv"},
        {"--profile bad.csv --freq 10 --antenna-heights 30,30", "line 3, column 2 (elevation_m)"},
        {"--profile nodist.csv --freq 10 --antenna-heights 30,30", "no column distance_km"},
        {"--profile knife.csv --freq 0 --antenna-heights 30,30", "frequency"},
        {"--dem notes.hgt --from-lat 411800 --from-lon 813000 --to-lat 414200 --to-lon 813000 "
         "--freq 8 "
         "--antenna-heights 1,1",
         "notes.hgt"},
        {"--dem nowhere --from-lat 411800 --from-lon 813000 --to-lat 414200 --to-lon 813000 --freq "
         "8 "
         "--antenna-heights 1,1",
         "nowhere"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --from-lat 951800 --from-lon "
         "813000 --to-lat "
         "414200 --to-lon 813000",
         "--from-lat"},
        {"--profile knife.csv --freq 10 --antenna-heights 30,30 --csv no/such/dir/out.csv",
         "out.csv"},
    };
    for (const Case& c : cases) {
        const ProcessRun run = runHopscale(dir, c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
    }
    // With --json the failure is still one JSON object on stdout.
    const ProcessRun json =
        runHopscale(dir, "--profile bad.csv --freq 10 --antenna-heights 30,30 --json");
    EXPECT_EQ(json.status, 1);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc.at("error").at("kind"), "bad file");
    EXPECT_EQ(doc.at("error").at("file"), "bad.csv");
}

TEST(profile_command, ends_that_disagree_with_the_profile_are_reported) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    // 41 18 00 N to 41 42 00 N is 44.4 km, not the profile's 20 km: a warning, the profile rules.
    const ProcessRun run =
        runHopscale(dir,
                    "--profile knife.csv --freq 10 --antenna-heights 30,30 --from-lat 411800 "
                    "--from-lon 813000 --to-lat 414200 --to-lon 813000 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning"), std::string::npos);
    EXPECT_NEAR(nlohmann::json::parse(run.out).at("pathKm").get<double>(), 20.0, 1e-12);
}

}  // namespace
