// The link performance through `calc` and `batch`: the JSON contract, the table block, the batch
// columns, agreement of a batch row with the same hop through calc, and each bad option.
#include "performance_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "link_conditions.h"
#include "link_performance.h"
#include "path_run.h"

namespace hopscale::test {
namespace {

using Json = nlohmann::json;
using Args = std::vector<std::string>;

std::set<std::string> keysOf(const Json& object) {
    std::set<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.insert(key);
    return keys;
}

// The same hop computed directly with the library, for exact comparison.
propagation::LinkPerformance direct(const PathInputs& inputs,
                                    const propagation::LinkConditionTexts& texts) {
    PathState state;
    const RunOutcome run = runPath(inputs, state);
    EXPECT_TRUE(run.ok());
    const auto conditions = propagation::readLinkConditions(texts);
    EXPECT_TRUE(conditions);
    const auto facts = propagation::budgetFacts(state);
    return *propagation::computeLinkPerformance(*facts.value, *conditions.value).value;
}

TEST(calc_performance, json_follows_the_contract) {
    int status = -1;
    const Json doc = calcJson({"--threshold", "-80"}, &status);
    ASSERT_EQ(status, 0) << doc.dump();
    ASSERT_TRUE(doc.contains("performance"));
    const Json& p = doc["performance"];
    EXPECT_EQ(keysOf(p),
              (std::set<std::string>{"pathKm", "gas", "rslDbm", "flatFadeMarginDb", "multipath",
                                     "outagePercent", "availabilityPercent", "outageMinutesPerYear",
                                     "target", "flags", "models"}));
    EXPECT_EQ(keysOf(p["gas"]), (std::set<std::string>{"dbPerKm", "db"}));
    EXPECT_EQ(keysOf(p["multipath"]),
              (std::set<std::string>{"method", "worstMonthPercent", "annualPercent", "flags"}));
    EXPECT_EQ(keysOf(p["target"]), (std::set<std::string>{"percent", "met", "requiredMarginDb"}));
    EXPECT_TRUE(p["pathKm"].is_number());
    EXPECT_TRUE(p["multipath"]["worstMonthPercent"].is_null());  // not given by Vigants-Barnett

    // The default path: 10 miles at 10 GHz, received level -61.55881 dBm. 10 GHz gases 0.0141985
    // dB/km over 16.09347 km take 0.2285 dB: margin 80 - 61.5588 - 0.2285 = 18.2127.
    EXPECT_NEAR(p["pathKm"].get<double>(), 16.09347219, 1e-9);
    EXPECT_NEAR(p["gas"]["db"].get<double>(), 0.0141985 * 16.09347219, 1e-6);
    EXPECT_NEAR(p["flatFadeMarginDb"].get<double>(), 18.2127, 1e-4);
    // Vigants-Barnett, a 1, b 1/4: 100 * 0.25 * 2.5e-6 * 10 * 1000 * 10^(-F/10) %.
    const double margin = p["flatFadeMarginDb"];
    EXPECT_NEAR(p["multipath"]["annualPercent"].get<double>(), 0.625 * std::pow(10, -margin / 10),
                1e-15);
    EXPECT_EQ(p["target"]["percent"], 99.999);
    EXPECT_EQ(p["target"]["met"], false);
    EXPECT_FALSE(p.contains("geodesic"));
    EXPECT_FALSE(p.contains("rain"));
}

TEST(calc_performance, json_numbers_read_back_to_the_same_doubles) {
    PathInputs inputs;
    inputs[Field::Text5] = "412530";
    inputs[Field::Text6] = "814150";
    inputs[Field::Text7] = "413000";
    inputs[Field::Text9] = "813000";
    inputs[Field::Text10] = "23";
    propagation::LinkConditionTexts texts;
    texts[propagation::ConditionInput::Threshold] = "-78.5";
    texts[propagation::ConditionInput::RainZone] = "K";
    const propagation::LinkPerformance expected = direct(inputs, texts);

    const Json doc =
        calcJson({"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000", "--to-lon",
                  "813000", "--freq", "23", "--threshold", "-78.5", "--rain-zone", "K"});
    const Json& p = doc.at("performance");
    EXPECT_EQ(p["pathKm"].get<double>(), expected.pathKm);
    EXPECT_EQ(p["geodesic"]["km"].get<double>(), expected.geodesic->km);
    EXPECT_EQ(p["geodesic"]["azimuthFrom"].get<double>(), expected.geodesic->azimuthFromDeg);
    EXPECT_EQ(p["geodesic"]["azimuthTo"].get<double>(), expected.geodesic->azimuthToDeg);
    EXPECT_EQ(p["geodesic"]["flatDifferenceM"].get<double>(), expected.geodesic->flatDifferenceM);
    EXPECT_EQ(p["gas"]["dbPerKm"].get<double>(), expected.gasDbPerKm);
    EXPECT_EQ(p["rslDbm"].get<double>(), expected.rslDbm);
    EXPECT_EQ(p["rain"]["k"].get<double>(), expected.rain->k);
    EXPECT_EQ(p["rain"]["a001Db"].get<double>(), expected.rain->a001Db);
    EXPECT_EQ(p["rain"]["outagePercent"].get<double>(), *expected.rain->outagePercent);
    EXPECT_EQ(p["rain"]["source"], "R0.01 42 mm/h, ITU-R P.837-1 zone K");
    EXPECT_EQ(p["availabilityPercent"].get<double>(), expected.availabilityPercent);
    EXPECT_EQ(p["target"]["requiredMarginDb"].get<double>(), expected.target.requiredMarginDb);
    // The geodesic of this path: 18.462629733 km, azimuths 63.116211 and 243.246798.
    EXPECT_NEAR(p["geodesic"]["km"].get<double>(), 18.462629733, 1e-6);
    EXPECT_NEAR(p["geodesic"]["azimuthTo"].get<double>(), 243.246798037, 1e-6);
}

TEST(calc_performance, table_gains_the_block_and_stays_the_same_without_threshold) {
    const CommandRun plain = runCalc({});
    const CommandRun with = runCalc({"--threshold", "-80", "--rain-rate", "42"});
    EXPECT_EQ(with.status, 0) << with.err;
    EXPECT_EQ(plain.out.find("Link performance"), std::string::npos);
    // The budget's table is unchanged; the block follows it.
    ASSERT_EQ(with.out.substr(0, plain.out.size()), plain.out);
    const std::string block = with.out.substr(plain.out.size());
    for (const char* caption :
         {"Link performance:", "Flat fade margin dB", "Rain attenuation A0.01 dB", "Availability %",
          "Outage minutes a year", "Target met", "Models:", "ITU-R P.676-13 Annex 1",
          "R0.01 42 mm/h typed"}) {
        EXPECT_NE(block.find(caption), std::string::npos) << caption << "\n" << block;
    }
    const Json doc = calcJson({});
    EXPECT_FALSE(doc.contains("performance"));
}

struct BadOption {
    Args args;
    int status;
    const char* named;  // what the message must name
};

TEST(calc_performance, each_bad_option_is_named_with_its_status) {
    const std::vector<BadOption> cases = {
        {{"--threshold", "abc"}, 2, "Receiver threshold"},
        {{"--threshold", ""}, 2, "Receiver threshold"},
        {{"--threshold", "-80", "--polarisation", "x"}, 2, "Polarisation"},
        {{"--threshold", "-80", "--polarisation", "95"}, 2, "Polarisation"},
        {{"--threshold", "-80", "--rain-rate", "-1"}, 2, "Rain rate R0.01"},
        {{"--threshold", "-80", "--rain-zone", "I"}, 2, "Rain zone"},
        {{"--threshold", "-80", "--rain-map", "/nonexistent/R001.TXT"}, 1, "Rain map file"},
        {{"--threshold", "-80", "--rain-rate", "42", "--rain-zone", "K"}, 2, "Rain"},
        {{"--threshold", "-80", "--multipath", "itu"}, 2, "Multipath method"},
        {{"--threshold", "-80", "--terrain-factor", "0"}, 2, "Terrain factor a"},
        {{"--threshold", "-80", "--climate-factor", "x"}, 2, "Climate factor b"},
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "0"},
         2,
         "Geoclimatic factor K"},
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "1e-4", "--dn75", "-5"},
         2,
         "Refractivity gradient dN75"},
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "1e-4", "--dn75", "40",
          "--ground-elevations", "100"},
         2,
         "Ground elevations"},
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "1e-4", "--dn75", "40",
          "--ground-elevations", "100,90", "--antenna-heights", "a,b"},
         2,
         "Antenna heights"},
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "1e-4", "--dn75", "40",
          "--ground-elevations", "100,90", "--antenna-heights", "30,30", "--mean-terrain", "x"},
         2,
         "Mean terrain height"},
        {{"--threshold", "-80", "--pressure", "-1"}, 2, "Dry-air pressure"},
        {{"--threshold", "-80", "--temperature", "hot"}, 2, "Temperature"},
        {{"--threshold", "-80", "--water-vapour", "-2"}, 2, "Water-vapour density"},
        {{"--threshold", "-80", "--target", "100"}, 2, "Target availability"},
        {{"--threshold", "-80", "--extra-loss", "x"}, 2, "Extra path loss"},
        {{"--threshold", "-80", "--latitude", "100"}, 2, "Path-centre latitude"},
        {{"--rain-rate", "42"}, 2, "--threshold"},
        // P.530 needs the path-centre latitude: neither typed nor from coordinates.
        {{"--threshold", "-80", "--multipath", "p530", "--geoclimatic-k", "1e-4", "--dn75", "40",
          "--ground-elevations", "100,90", "--antenna-heights", "30,30", "--mean-terrain", "80"},
         1,
         "Path-centre latitude"},
    };
    for (const BadOption& c : cases) {
        const CommandRun run = runCalc(c.args);
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(run.status, c.status) << joined << "\n" << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << joined << "\n" << run.err;
    }
}

TEST(calc_performance, a_failed_budget_computes_no_performance) {
    int status = -1;
    const Json doc = calcJson({"--freq", "abc", "--threshold", "-80"}, &status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(doc.contains("error"));
    EXPECT_FALSE(doc.contains("performance"));
}

std::vector<std::string> columnsOf(const std::vector<std::string>& header,
                                   const std::vector<std::string>& row, const std::string& name) {
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == name) return {row.at(i)};
    }
    ADD_FAILURE() << "no column " << name;
    return {""};
}

TEST(batch_performance, columns_follow_the_existing_ones_and_agree_with_calc) {
    const std::string input =
        "name,freq,from-lat,from-lon,to-lat,to-lon,"
        "threshold,rain-zone,polarisation\n"
        "a,23,412530,814150,413000,813000,-78.5,K,h\n"
        "b,23,412530,814150,413000,813000,,K,h\n";
    const CommandRun run = runBatchOn(input);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto records = parseCsv(run.out);
    ASSERT_EQ(records.size(), 3u);
    const auto& header = records[0];
    const CommandRun plain = runBatchOn("name\nx\n");
    const auto plainHeader = parseCsv(plain.out)[0];
    // Existing columns first and unchanged, then the performance columns.
    ASSERT_EQ(header.size(), plainHeader.size() + cli::performanceColumnNames().size());
    EXPECT_TRUE(std::equal(plainHeader.begin(), plainHeader.end(), header.begin()));
    EXPECT_TRUE(std::equal(cli::performanceColumnNames().begin(),
                           cli::performanceColumnNames().end(),
                           header.begin() + static_cast<long>(plainHeader.size())));

    const Json doc = calcJson({"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000",
                               "--to-lon", "813000", "--freq", "23", "--threshold", "-78.5",
                               "--rain-zone", "K", "--polarisation", "h"});
    const Json& p = doc.at("performance");
    auto number = [&](const std::string& column) {
        return std::strtod(columnsOf(header, records[1], column)[0].c_str(), nullptr);
    };
    EXPECT_EQ(number("pathKm"), p["pathKm"].get<double>());
    EXPECT_EQ(number("geodesicKm"), p["geodesic"]["km"].get<double>());
    EXPECT_EQ(number("azimuthFrom"), p["geodesic"]["azimuthFrom"].get<double>());
    EXPECT_EQ(number("azimuthTo"), p["geodesic"]["azimuthTo"].get<double>());
    EXPECT_EQ(number("gasDb"), p["gas"]["db"].get<double>());
    EXPECT_EQ(number("rslDbm"), p["rslDbm"].get<double>());
    EXPECT_EQ(number("flatFadeMarginDb"), p["flatFadeMarginDb"].get<double>());
    EXPECT_EQ(number("rainK"), p["rain"]["k"].get<double>());
    EXPECT_EQ(number("rainAlpha"), p["rain"]["alpha"].get<double>());
    EXPECT_EQ(number("rainA001Db"), p["rain"]["a001Db"].get<double>());
    EXPECT_EQ(number("rainOutagePercent"), p["rain"]["outagePercent"].get<double>());
    EXPECT_EQ(number("multipathAnnualPercent"), p["multipath"]["annualPercent"].get<double>());
    EXPECT_EQ(number("outagePercent"), p["outagePercent"].get<double>());
    EXPECT_EQ(number("availabilityPercent"), p["availabilityPercent"].get<double>());
    EXPECT_EQ(number("outageMinutesPerYear"), p["outageMinutesPerYear"].get<double>());
    EXPECT_EQ(number("requiredMarginDb"), p["target"]["requiredMarginDb"].get<double>());
    EXPECT_EQ(columnsOf(header, records[1], "rainSource")[0], p["rain"]["source"]);
    EXPECT_EQ(columnsOf(header, records[1], "multipathWorstMonthPercent")[0], "");
    EXPECT_EQ(columnsOf(header, records[1], "performanceError")[0], "");

    // Row b has no threshold: every performance cell is empty.
    for (std::size_t i = plainHeader.size(); i < header.size(); ++i) {
        EXPECT_EQ(records[2][i], "") << header[i];
    }
}

TEST(batch_performance, without_a_threshold_column_the_output_is_unchanged) {
    const std::string input = "name,freq\nx,10\n";
    const CommandRun run = runBatchOn(input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("availabilityPercent"), std::string::npos);
}

TEST(batch_performance, bad_headers_and_rows) {
    // A condition column without a threshold column is a usage error.
    const CommandRun noThreshold = runBatchOn("name,rain-zone\nx,K\n");
    EXPECT_EQ(noThreshold.status, 2);
    EXPECT_NE(noThreshold.err.find("threshold"), std::string::npos) << noThreshold.err;

    // A bad value fails its row only, naming the input; the budget results are still written.
    const CommandRun bad = runBatchOn("name,threshold,rain-zone\nx,-80,O\ny,-80,K\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Rain zone"), std::string::npos) << bad.err;
    const auto records = parseCsv(bad.out);
    ASSERT_EQ(records.size(), 3u);
    const auto& header = records[0];
    EXPECT_EQ(columnsOf(header, records[1], "performanceError")[0], "invalid argument");
    EXPECT_EQ(columnsOf(header, records[1], "receiveSignalLevel")[0], "-61.55881");
    EXPECT_EQ(columnsOf(header, records[1], "availabilityPercent")[0], "");
    EXPECT_EQ(columnsOf(header, records[2], "performanceError")[0], "");
    EXPECT_NE(columnsOf(header, records[2], "availabilityPercent")[0], "");
}

TEST(batch_performance, rows_that_change_only_the_threshold_match_calc) {
    // Consecutive rows share their conditions except the threshold; one threshold is bad.
    const CommandRun run = runBatchOn(
        "name,freq,threshold,rain-rate\n"
        "a,18,-80,42\n"
        "b,18,abc,42\n"
        "c,18,-70,42\n"
        "d,18,-70,60\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Receiver threshold"), std::string::npos) << run.err;
    const auto records = parseCsv(run.out);
    ASSERT_EQ(records.size(), 5u);
    const auto& header = records[0];
    EXPECT_EQ(columnsOf(header, records[2], "performanceError")[0], "type mismatch");
    const struct {
        std::size_t row;
        const char* threshold;
        const char* rate;
    } hops[] = {{1, "-80", "42"}, {3, "-70", "42"}, {4, "-70", "60"}};
    for (const auto& hop : hops) {
        const Json p =
            calcJson({"--freq", "18", "--threshold", hop.threshold, "--rain-rate", hop.rate})
                .at("performance");
        const auto cell = [&](const char* column) {
            return std::strtod(columnsOf(header, records[hop.row], column)[0].c_str(), nullptr);
        };
        EXPECT_EQ(cell("flatFadeMarginDb"), p["flatFadeMarginDb"].get<double>()) << hop.row;
        EXPECT_EQ(cell("rainA001Db"), p["rain"]["a001Db"].get<double>()) << hop.row;
        EXPECT_EQ(cell("outagePercent"), p["outagePercent"].get<double>()) << hop.row;
        EXPECT_EQ(cell("requiredMarginDb"), p["target"]["requiredMarginDb"].get<double>())
            << hop.row;
    }
}

}  // namespace
}  // namespace hopscale::test
