// The outage options of calc and batch: the equipment library of the data directory, the mode
// table in the JSON, the worked example of the README, and every bad input named.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calc_command.h"
#include "cli_test_support.h"
#include "equipment.h"
#include "performance_options.h"
#include "test_files.h"

namespace hopscale {
namespace {

using Json = nlohmann::json;
using test::calcJson;
using test::runCalc;
using testing_files::ScratchDir;
using testing_files::writeBytes;

constexpr const char* kRadios =
    "radio,mode,capacity_mbps,threshold_dbm,max_power_dbm,c0_i_db,signature_w_mhz,"
    "signature_b_db,signature_tau_ns\n"
    "Example 6,QPSK,90,-88,30,15,30,20,6.3\n"
    "Example 6,128QAM,310,-71,27,33,30,12,6.3\n"
    "One,only,100,-80,,,,,\n";
constexpr const char* kAntennas =
    "antenna,diameter_ft,gain_dbi,xpd_db\n"
    "Example 6ft,6,39.1,30\n"
    "Odd 2ft,2,45,28\n";

// A data directory holding the example library.
struct Library {
    ScratchDir dir;
    Library() {
        writeBytes(dir / kRadiosFileName, kRadios);
        writeBytes(dir / kAntennasFileName, kAntennas);
    }
    std::string path() const { return dir.path().string(); }
};

// The README's worked example: a 2-mode radio with space diversity on 45 km at 6 GHz.
std::vector<std::string> readmeExample(const std::string& dataDir) {
    return {"--data-dir",  dataDir,
            "--freq",      "6",
            "--length",    "45",
            "--km",        "--power",
            "30",          "--radio",
            "Example 6",   "--antenna",
            "Example 6ft", "--multipath",
            "p530",        "--geoclimatic-k",
            "1e-5",        "--dn75",
            "40",          "--ground-elevations",
            "200,150",     "--antenna-heights",
            "60,60",       "--mean-terrain",
            "120",         "--latitude",
            "45",          "--rain-rate",
            "42",          "--diversity",
            "space",       "--diversity-separation",
            "10"};
}

TEST(calc_outage, the_readme_example) {
    Library library;
    int status = -1;
    const Json doc = calcJson(readmeExample(library.path()), &status);
    ASSERT_EQ(status, 0) << doc.dump();
    const Json& p = doc.at("performance");
    ASSERT_EQ(p.at("modes").size(), 2u);
    const Json& qpsk = p["modes"][0];
    const Json& qam = p["modes"][1];
    EXPECT_EQ(qpsk["name"], "QPSK");
    EXPECT_NEAR(qpsk["fadeMarginDb"].get<double>(), 51.73217, 5e-6);
    EXPECT_NEAR(qpsk["availabilityPercent"].get<double>(), 99.99992, 5e-6);
    EXPECT_NEAR(qam["fadeMarginDb"].get<double>(), 34.73217, 5e-6);
    EXPECT_NEAR(qam["availabilityPercent"].get<double>(), 99.998, 5e-6);
    EXPECT_NEAR(p["meanCapacityMbps"].get<double>(), 309.9955, 5e-5);
    EXPECT_EQ(p["targetMode"], "QPSK");
    const Json& clear = p.at("clearAir");
    EXPECT_NEAR(clear["annualPercent"].get<double>(), 7.637107e-05, 5e-11);
    EXPECT_TRUE(clear["diversity"]["improvement"].is_number());
    EXPECT_TRUE(clear["xpdPercent"].is_null());  // no --xpd-antenna: single polarisation
    EXPECT_EQ(p.at("rainPart")["annualPercent"], 0.0);
    // The times in the modes and the outage add up to the year.
    EXPECT_NEAR(qpsk["timeInModePercent"].get<double>() + qam["timeInModePercent"].get<double>() +
                    p["outagePercent"].get<double>(),
                100, 1e-9);
    // The dish diameters came from the antenna, and no warning: the catalogued 39.1 dBi lies
    // 0.47 dB from the budget's 20 log 6 + 20 log 6 + 7.5 = 38.63 dBi.
    EXPECT_EQ(doc.at("inputs")["txDishDiameter"], "6");
    EXPECT_EQ(doc.at("equipment")["warnings"].size(), 0u);
    EXPECT_EQ(doc.at("equipment")["radio"], "Example 6");
}

TEST(calc_outage, a_one_mode_radio_gives_todays_figures_for_its_threshold) {
    Library library;
    const std::vector<std::string> hop = {"--data-dir", library.path(), "--rain-zone",
                                          "K",          "--freq",       "18"};
    std::vector<std::string> typed = hop;
    typed.insert(typed.end(), {"--threshold", "-80"});
    std::vector<std::string> radio = hop;
    radio.insert(radio.end(), {"--radio", "One"});
    const Json a = calcJson(typed).at("performance");
    const Json b = calcJson(radio).at("performance");
    for (const auto& [key, value] : a.items()) {
        if (key == "models") continue;  // the radio adds the outage model's name
        EXPECT_EQ(b.at(key), value) << key;
    }
    EXPECT_FALSE(a.contains("modes"));
    EXPECT_EQ(b.at("modes").size(), 1u);
    EXPECT_EQ(b["modes"][0]["name"], "only");
    EXPECT_EQ(b["modes"][0]["availabilityPercent"], a["availabilityPercent"]);
}

TEST(calc_outage, a_threshold_alone_keeps_the_json_as_it_was) {
    const Json p = calcJson({"--threshold", "-80"}).at("performance");
    for (const char* key : {"modes", "meanCapacityMbps", "clearAir", "rainPart", "targetMode"}) {
        EXPECT_FALSE(p.contains(key)) << key;
    }
}

TEST(calc_outage, cross_polar_parts_and_their_flags) {
    int status = -1;
    const Json p = calcJson({"--threshold", "-75",
                             "--freq",      "6",
                             "--length",    "40",
                             "--km",        "--multipath",
                             "p530",        "--geoclimatic-k",
                             "1e-5",        "--dn75",
                             "40",          "--ground-elevations",
                             "200,150",     "--antenna-heights",
                             "60,60",       "--mean-terrain",
                             "120",         "--latitude",
                             "45",          "--rain-rate",
                             "42",          "--xpd-antenna",
                             "28",          "--c0-i",
                             "15",          "--xpif",
                             "20"},
                            &status)
                       .at("performance");
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(p.at("clearAir")["xpdPercent"].is_number());
    EXPECT_TRUE(p.at("clearAir")["selectivePercent"].is_null());
    EXPECT_TRUE(p.at("rainPart")["xpdPercent"].is_number());
    const auto flags = p.at("clearAir")["flags"].dump() + p.at("rainPart")["flags"].dump();
    EXPECT_NE(flags.find("signature not given"), std::string::npos) << flags;
    EXPECT_NE(flags.find("8 to 35 GHz"), std::string::npos) << flags;

    // Vigants-Barnett (the default) gives no P0: the clear-air parts are not assessed.
    const Json vb = calcJson({"--threshold", "-75", "--xpd-antenna", "28", "--c0-i", "15",
                              "--signature", "30,20,6.3"})
                        .at("performance");
    EXPECT_TRUE(vb.at("clearAir")["xpdPercent"].is_null());
    EXPECT_TRUE(vb.at("clearAir")["selectivePercent"].is_null());
    EXPECT_TRUE(vb.at("clearAir")["worstMonthPercent"].is_null());
    EXPECT_NE(vb.at("clearAir")["flags"].dump().find("Vigants-Barnett"), std::string::npos);
}

TEST(calc_outage, antennas_catalogued_gain_is_only_a_warning) {
    Library library;
    const test::CommandRun run = runCalc({"--data-dir", library.path(), "--threshold", "-80",
                                          "--antenna", "Odd 2ft", "--freq", "10"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the catalogued gain of the transmitting antenna \"Odd 2ft\""),
              std::string::npos)
        << run.err;
    const Json doc = calcJson({"--data-dir", library.path(), "--threshold", "-80", "--antenna",
                               "Odd 2ft", "--freq", "10", "--xpd-antenna", "antennas"});
    EXPECT_EQ(doc.at("equipment")["warnings"].size(), 2u);  // both ends use it
    // The budget keeps its own gain: 20 log 10 + 20 log 2 + 7.5.
    EXPECT_NEAR(std::stod(doc.at("results")["txAntennaGain"].get<std::string>()), 33.52, 0.01);
}

TEST(calc_outage, bad_options_and_files_are_named) {
    Library library;
    ScratchDir broken;
    writeBytes(broken / kRadiosFileName, "radio,mode,capacity_mbps,threshold_dbm\nA,B,1,x\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string named;
    };
    const std::vector<Case> cases = {
        {{"--data-dir", library.path(), "--radio", "Nope"}, 2, "\"Nope\" is not a radio"},
        {{"--data-dir", library.path(), "--threshold", "-80", "--antenna", "Nope"},
         2,
         "\"Nope\" is not an antenna"},
        {{"--data-dir", library.path(), "--radio", "One", "--threshold", "-80"},
         2,
         "is given with a radio"},
        {{"--data-dir", library.path(), "--radio", "One", "--antenna", "Example 6ft", "--tx-dish",
          "4"},
         2,
         "--tx-dish and --antenna both give the dish diameter"},
        {{"--data-dir", broken.path().string(), "--radio", "A"},
         1,
         "radios.csv\": line 2, column 4 (threshold_dbm)"},
        {{"--threshold", "-80", "--signature", "30,20"}, 2, "\"Signature\""},
        {{"--threshold", "-80", "--diversity", "space"}, 2, "\"Diversity separation\""},
        {{"--threshold", "-80", "--tx-antennas", "2"}, 2, "\"Transmit antenna separation\""},
        {{"--threshold", "-80", "--u0", "x"}, 2, "\"U0\""},
        {{"--threshold", "-80", "--xpd-antenna", "antennas"}, 2, "needs --antenna"},
        {{"--c0-i", "15"}, 2, "--c0-i needs --threshold or --radio"},
        {{"--threshold", "-80", "--multipath", "p530", "--logk-map", "/nonexistent/LogK.csv",
          "--dn75", "40", "--ground-elevations", "1,1", "--antenna-heights", "1,1",
          "--mean-terrain", "0"},
         1,
         "/nonexistent/LogK.csv"},
        {{"--threshold", "-80", "--logk-map", "/nonexistent/LogK.csv"},
         2,
         "read by the p530 multipath method only"},
    };
    for (const Case& c : cases) {
        const test::CommandRun run = runCalc(c.args);
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(run.status, c.status) << joined << "\n" << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << joined << "\n" << run.err;
    }
}

std::string column(const std::vector<std::string>& header, const std::vector<std::string>& row,
                   const std::string& name) {
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name) return row.at(i);
    }
    ADD_FAILURE() << "no column " << name;
    return "";
}

TEST(batch_outage, radio_columns_add_the_outage_columns_and_agree_with_calc) {
    Library library;
    const std::string input =
        "name,freq,length,km,power,radio,antenna,multipath,geoclimatic-k,dn75,ground-elevations,"
        "antenna-heights,mean-terrain,latitude,rain-rate,diversity,diversity-separation\n"
        "a,6,45,1,30,Example 6,Example 6ft,p530,1e-5,40,\"200,150\",\"60,60\",120,45,42,space,10\n"
        "b,6,45,1,30,,,p530,1e-5,40,\"200,150\",\"60,60\",120,45,42,space,10\n"
        "c,6,45,1,30,Nope,Example 6ft,p530,1e-5,40,\"200,150\",\"60,60\",120,45,42,space,10\n";
    const test::CommandRun run = test::runBatchIn(input, library.path());
    EXPECT_EQ(run.status, 1) << run.err;  // row c names no radio of the library
    EXPECT_NE(run.err.find("line 4: Invalid argument in \"Radio\""), std::string::npos) << run.err;
    const auto records = test::parseCsv(run.out);
    ASSERT_EQ(records.size(), 4u);
    const auto& header = records[0];
    const auto plain = test::parseCsv(test::runBatchOn("name\nx\n").out)[0];
    ASSERT_EQ(header.size(), plain.size() + cli::performanceColumnNames().size() +
                                 cli::outageColumnNames().size());
    const Json p = calcJson(readmeExample(library.path())).at("performance");
    EXPECT_EQ(std::stod(column(header, records[1], "meanCapacityMbps")),
              p["meanCapacityMbps"].get<double>());
    EXPECT_EQ(std::stod(column(header, records[1], "clearAirAnnualPercent")),
              p["clearAir"]["annualPercent"].get<double>());
    EXPECT_EQ(std::stod(column(header, records[1], "availabilityPercent")),
              p["availabilityPercent"].get<double>());
    EXPECT_EQ(column(header, records[1], "targetMode"), "QPSK");
    EXPECT_NE(column(header, records[1], "modes").find("128QAM "), std::string::npos);
    // Row b: neither threshold nor radio, so no performance at all.
    EXPECT_EQ(column(header, records[2], "availabilityPercent"), "");
    EXPECT_EQ(column(header, records[3], "performanceError"), "invalid argument");
    EXPECT_EQ(records[3].size(), header.size());
}

TEST(batch_outage, without_outage_columns_the_columns_are_those_of_before) {
    const std::string input =
        "name,freq,threshold,rain-zone\n"
        "a,18,-80,K\n"
        "b,23,-75,\n";
    const auto records = test::parseCsv(test::runBatchOn(input).out);
    const auto plain = test::parseCsv(test::runBatchOn("name\nx\n").out)[0];
    std::vector<std::string> expected = plain;
    expected.insert(expected.end(), cli::performanceColumnNames().begin(),
                    cli::performanceColumnNames().end());
    EXPECT_EQ(records.at(0), expected);
    for (const auto& row : records) EXPECT_EQ(row.size(), expected.size());
}

TEST(batch_outage, an_antenna_column_beside_a_dish_column_is_refused) {
    Library library;
    const test::CommandRun run =
        test::runBatchIn("name,tx-dish,threshold,antenna\na,4,-80,Example 6ft\n", library.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("column \"tx-dish\" and an antenna column"), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace hopscale

namespace hopscale {
namespace {

// `hopscale equipment ...` through the front door.
test::CommandRun runEquipment(std::vector<std::string> args) {
    args.insert(args.begin(), "equipment");
    std::vector<char*> argv;
    for (std::string& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    test::CommandRun run;
    run.status = runCalcCommand(static_cast<int>(args.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(equipment_command, import_list_and_check) {
    ScratchDir data;
    ScratchDir in;
    writeBytes(in / "radios.csv", kRadios);
    writeBytes(in / "bad.csv", "antenna,diameter_ft\nA,2\nB,-1\n");
    const std::string dir = data.path().string();
    const test::CommandRun imported =
        runEquipment({"import", "--data-dir", dir, (in / "radios.csv").string()});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("it holds 2 radios"), std::string::npos) << imported.out;
    const test::CommandRun bad =
        runEquipment({"import", "--data-dir", dir, (in / "bad.csv").string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("bad.csv: line 3, column 2 (diameter_ft): -1 must be more than 0"),
              std::string::npos)
        << bad.err;
    EXPECT_NE(bad.err.find("nothing was imported"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(data / kAntennasFileName));
    const test::CommandRun list = runEquipment({"list", "--data-dir", dir});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("128QAM: 310 Mbit/s, threshold -71 dBm"), std::string::npos)
        << list.out;
    EXPECT_EQ(runEquipment({"check", "--data-dir", dir}).status, 0);
    writeBytes(data / kAntennasFileName, "antenna,diameter_ft\nA,x\n");
    const test::CommandRun check = runEquipment({"check", "--data-dir", dir});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("antennas.csv: line 2, column 2 (diameter_ft)"), std::string::npos)
        << check.out;
    EXPECT_EQ(runEquipment({"list", "--data-dir", dir}).status, 1);
    EXPECT_EQ(runEquipment({"import", "--data-dir", dir, "/nonexistent/r.csv"}).status, 1);
    EXPECT_EQ(runEquipment({"frobnicate"}).status, 2);
}

}  // namespace
}  // namespace hopscale

namespace hopscale {
namespace {

// Rows that come back to conditions read before give what the row gives alone.
TEST(batch_outage, rows_returning_to_earlier_conditions_agree_with_the_row_alone) {
    const std::string header =
        "name,freq,threshold,rain-rate,c0-i,xpd-antenna,multipath,"
        "geoclimatic-k,dn75,ground-elevations,antenna-heights,"
        "mean-terrain,latitude\n";
    const std::vector<std::string> rows = {
        "a,6,-80,42,15,30,p530,1e-5,40,\"200,150\",\"60,60\",120,45\n",
        "b,6,-75,22,20,30,p530,1e-5,40,\"200,150\",\"60,60\",120,45\n",
        "c,6,-80,42,15,28,vigants,,,,,,\n",
    };
    std::string all = header;
    for (int i = 0; i < 3; ++i) {
        for (const std::string& r : rows) all += r;
    }
    const auto together = test::parseCsv(test::runBatchOn(all).out);
    ASSERT_EQ(together.size(), 10u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto alone = test::parseCsv(test::runBatchOn(header + rows[i]).out);
        ASSERT_EQ(alone.size(), 2u);
        for (int round = 0; round < 3; ++round) {
            EXPECT_EQ(together[1 + round * rows.size() + i], alone[1]) << rows[i];
        }
    }
}

}  // namespace
}  // namespace hopscale
