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
#include "p452_validation.h"
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
// 0.0551982 F1, at k 1 -0.886970 m, at k 2/3 -3.830455 m; heights needed 40.1 m both equal,
// 70.1 m at the To end with the From end kept at 30 m. The diffraction loss is the
// delta-Bullington loss (worked in diffraction_test.cpp): Bullington over the profile
// 11.505444 dB, nothing from the smooth earth.
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
    EXPECT_NEAR(doc.at("diffractionLossDb").get<double>(), 11.505444, 0.01);
    EXPECT_EQ(doc.at("diffractionModel"), "ITU-R P.526-16 delta-Bullington");
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
    EXPECT_NE(run.out.find("Diffraction loss 11.5 dB (ITU-R P.526-16 delta-Bullington, k 4/3, "
                           "vertical polarisation)"),
              std::string::npos)
        << run.out;
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

// The P.452-18 validation example through the real binary: the smooth-earth heights to 1 cm,
// the spherical-earth and delta-Bullington losses to 0.01 dB at every frequency.
TEST(profile_command, reproduces_the_p452_validation_example) {
    ScratchDir dir;
    const std::string profile =
        hopscale::terrain::testing::validationFile("p452_land70km_profile.csv");
    const auto rows = hopscale::terrain::testing::p452Results();
    ASSERT_EQ(rows.size(), 18u);
    for (const auto& row : rows) {
        char arguments[512];
        std::snprintf(arguments, sizeof arguments,
                      "--profile '%s' --freq %.17g --antenna-heights %g,%g --diffraction-k %.17g "
                      "--polarisation h --json",
                      profile.c_str(), row.frequencyGhz, row.antennaFromM, row.antennaToM,
                      row.aeKm / 6371);
        const ProcessRun run = runHopscale(dir, arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto doc = nlohmann::json::parse(run.out);
        const auto& d = doc.at("diffraction");
        EXPECT_EQ(d.at("method"), "ITU-R P.526-16 delta-Bullington");
        EXPECT_NEAR(d.at("k").get<double>(), row.aeKm / 6371, 1e-12);
        EXPECT_NEAR(d.at("smoothEarthHeightsM")[0].get<double>(), row.hstdM, 0.01);
        EXPECT_NEAR(d.at("smoothEarthHeightsM")[1].get<double>(), row.hsrdM, 0.01);
        EXPECT_NEAR(d.at("sphericalEarthDb").get<double>(), row.ldsphDb, 0.01) << row.frequencyGhz;
        EXPECT_NEAR(d.at("deltaBullingtonDb").get<double>(), row.ldDb, 0.01) << row.frequencyGhz;
        EXPECT_NEAR(d.at("lossDb").get<double>(), row.ldDb, 0.01);
        EXPECT_NEAR(doc.at("diffractionLossDb").get<double>(), row.ldDb, 0.01);
    }
}

TEST(profile_command, diffraction_object_and_each_criterion) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    const ProcessRun run =
        runHopscale(dir, "--profile knife.csv --freq 10 --antenna-heights 30,30 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    const auto& d = doc.at("diffraction");
    EXPECT_NEAR(d.at("k").get<double>(), 4.0 / 3.0, 1e-12);
    EXPECT_EQ(d.at("polarisation"), "vertical");
    EXPECT_NEAR(d.at("knifeEdge").at("distanceKm").get<double>(), 5.0, 1e-12);
    EXPECT_NEAR(d.at("knifeEdge").at("nu").get<double>(), -0.0780891, 1e-6);
    EXPECT_NEAR(d.at("knifeEdge").at("lossDb").get<double>(), 5.361200, 1e-5);
    EXPECT_NEAR(d.at("bullingtonDb").get<double>(), 11.505444, 1e-5);
    EXPECT_TRUE(d.at("averageTerrainDb").is_null());  // the path clears: no planning figure
    ASSERT_EQ(doc.at("diffractionAtCriteria").size(), 3u);
    // The flatter the earth the less it bends: more loss at k 2/3 than at 4/3.
    EXPECT_GT(doc.at("diffractionAtCriteria")[2].at("lossDb").get<double>(),
              doc.at("diffractionAtCriteria")[0].at("lossDb").get<double>());
    EXPECT_FALSE(doc.contains("reflection"));
}

// 20 km of sea at 0 m (a sea column), masts 50 m and 30 m, 6 GHz, horizontal: the reflection
// worked in reflection_test.cpp (k 4/3: 12.1928 km, 0.108950 m, +0.076 dB).
TEST(profile_command, reflection_over_a_flat_sea) {
    ScratchDir dir;
    std::string csv = "distance_km,elevation_m,sea\n";
    for (int i = 0; i <= 200; ++i) csv += std::to_string(i / 10.0) + ",0,1\n";
    writeBytes(dir / "sea.csv", csv);
    const ProcessRun run = runHopscale(
        dir,
        "--profile sea.csv --freq 6 --antenna-heights 50,30 --polarisation h --criteria 4/3:1 "
        "--reflection --surface 0 --ground sea --json --svg sea.svg");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_NEAR(doc.at("diffraction").at("seaFraction").get<double>(), 1.0, 1e-12);
    ASSERT_EQ(doc.at("reflection").size(), 1u);
    const auto& p = doc.at("reflection")[0];
    EXPECT_TRUE(p.at("onSurface").get<bool>());
    EXPECT_NEAR(p.at("distanceKm").get<double>(), 12.192838, 1e-5);
    EXPECT_NEAR(p.at("grazingDeg").get<double>(), 0.193836, 1e-6);
    EXPECT_NEAR(p.at("divergence").get<double>(), 0.866707, 1e-6);
    EXPECT_NEAR(p.at("coefficient").get<double>(), 0.866056, 1e-6);
    EXPECT_NEAR(p.at("pathDifferenceM").get<double>(), 0.108950, 1e-6);
    EXPECT_NEAR(p.at("levelDb").get<double>(), 0.075768, 1e-5);
    const auto& sweep = doc.at("heightSweep");
    ASSERT_GT(sweep.size(), 100u);
    EXPECT_EQ(sweep.front().at("heightM").get<double>(), 0.0);
    EXPECT_EQ(sweep.back().at("heightM").get<double>(), 60.0);
    EXPECT_NEAR(doc.at("diversitySpacingM").get<double>(), 6.056488, 1e-5);
    EXPECT_FALSE(doc.at("nullHeightsM").empty());
    const std::string svg = readFile(dir / "sea.svg");
    for (const char* id : {"id=\"ray-1\"", "id=\"reflection-1\"", "id=\"panel-level\"",
                           "id=\"level\"", "Space-diversity spacing 6.06 m"}) {
        EXPECT_NE(svg.find(id), std::string::npos) << id;
    }

    // The table says what the drawing says.
    const ProcessRun table = runHopscale(
        dir,
        "--profile sea.csv --freq 6 --antenna-heights 50,30 --polarisation h --criteria 4/3:1 "
        "--reflection --surface 0 --ground sea");
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("k 4/3: at 12.193 km (7.807 km from the To end), on the surface"),
              std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("Space-diversity spacing 6.06 m"), std::string::npos);
    EXPECT_NE(svg.find("k 4/3: at 12.193 km (7.807 km from the To end), on the surface"),
              std::string::npos);
}

TEST(profile_command, bad_diffraction_and_reflection_options_are_named) {
    ScratchDir dir;
    writeBytes(dir / "knife.csv", knifeEdgeCsv());
    writeBytes(dir / "one.csv", "distance_km,elevation_m\n0,10\n");
    writeBytes(dir / "badsea.csv", "distance_km,elevation_m,sea\n0,0,1\n1,0,2\n2,0,0\n");
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    };
    const std::string base = "--profile knife.csv --freq 10 --antenna-heights 30,30 ";
    const Case cases[] = {
        {"--reflection --surface 31", 2, "--surface"},
        {"--reflection --surface lake", 2, "--surface"},
        {"--reflection --roughness -1", 2, "--roughness"},
        {"--reflection --ground mud", 2, "--ground"},
        {"--reflection --sweep 10,5", 2, "--sweep"},
        {"--roughness 1", 2, "go with --reflection"},
        {"--sea-fraction 1.5", 2, "--sea-fraction"},
        {"--sea-fraction -0.1", 2, "--sea-fraction"},
        {"--polarisation x", 2, "--polarisation"},
        {"--diffraction-k 0", 2, "--diffraction-k"},
        {"--diffraction-k 4/0", 2, "--diffraction-k"},
    };
    for (const Case& c : cases) {
        const ProcessRun run = runHopscale(dir, base + c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
    }
    // A profile of one point and a sea cell that is no mark: file errors naming the file.
    for (const char* file : {"one.csv", "badsea.csv"}) {
        const ProcessRun run =
            runHopscale(dir, std::string("--profile ") + file + " --freq 10 --antenna-heights 1,1");
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    }
}

}  // namespace
