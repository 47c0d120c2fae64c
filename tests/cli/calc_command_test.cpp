#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace hopscale::test {
namespace {

using Json = nlohmann::json;
using Args = std::vector<std::string>;

// The results of a path with every field at its default text.
const std::map<std::string, std::string> kDefaultResults = {
    {"txPowerDbm", "10"},
    {"txLineLossPerFt", "0.01"},
    {"rxLineLossPerFt", "0.01"},
    {"txLineLoss", "1"},
    {"rxLineLoss", "1"},
    {"fixedLoss", "2"},
    {"amplifierInputPower", "9"},
    {"dishInputPowerDbm", "9"},
    {"dishInputPowerWatts", "0.007943282"},
    {"txAntennaGain", "33.5206"},
    {"rxAntennaGain", "33.5206"},
    {"halfPowerBeamwidth", "3.5"},
    {"beamwidthLoss", "10.5"},
    {"freeSpaceLoss", "136.6"},
    {"systemLoss", "-61.55881"},
    {"receiveSignalLevel", "-61.55881"},
    {"eirpWatts", "17.86734"},
    {"pathLengthMiles", "10"},
    {"midpointDistance", "5"},
    {"earthBulge", "12.53133"},
    {"firstFresnelZone", "36.00151"},
    {"secondFresnelZone", "50.91383"},
    {"coordinateDistance", "0"},
};

std::map<std::string, std::string> resultsOf(const Json& doc) {
    std::map<std::string, std::string> results;
    for (const auto& [name, value] : doc.at("results").items()) results[name] = value;
    return results;
}

TEST(calc_json, defaults_give_exactly_the_budget_results) {
    int status = -1;
    const Json doc = calcJson({}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(doc.contains("error"));
    // No from-latitude: coordinateDistance is set to 0 (computed), bearing and intermediates
    // are not computed and must not appear.
    EXPECT_EQ(resultsOf(doc), kDefaultResults);
    EXPECT_EQ(doc.at("eirpWarning"), "");
    EXPECT_EQ(doc.at("pathLengthField"), "10");
}

TEST(calc_json, kilometres_and_watts_path) {
    int status = -1;
    const Json doc = calcJson({"--tx-dish",
                               "6",
                               "--rx-dish",
                               "8",
                               "--amp-gain",
                               "3",
                               "--preamp-gain",
                               "2",
                               "--tx-loss",
                               "1.5",
                               "--tx-length",
                               "150",
                               "--rx-loss",
                               "2.25",
                               "--rx-length",
                               "200",
                               "--length",
                               "20",
                               "--km",
                               "--freq",
                               "6",
                               "--fade-margin",
                               "20",
                               "--k",
                               "1.33",
                               "--power",
                               "10",
                               "--watts"},
                              &status);
    EXPECT_EQ(status, 0);
    const std::map<std::string, std::string> expected = {
        {"txPowerDbm", "40"},
        {"txLineLossPerFt", "0.015"},
        {"rxLineLossPerFt", "0.0225"},
        {"txLineLoss", "2.25"},
        {"rxLineLoss", "4.5"},
        {"fixedLoss", "26.75"},
        {"amplifierInputPower", "37.75"},
        {"dishInputPowerDbm", "40.75"},
        {"dishInputPowerWatts", "11.88502"},
        {"txAntennaGain", "38.62605"},
        {"rxAntennaGain", "41.12482"},
        {"halfPowerBeamwidth", "1.944444"},
        {"beamwidthLoss", "5.833333"},
        {"freeSpaceLoss", "134.0506"},
        {"systemLoss", "-36.04976"},
        {"receiveSignalLevel", "-16.04976"},
        {"eirpWatts", "86617.35"},
        {"pathLengthMiles", "12.4274"},
        {"midpointDistance", "6.2137"},
        {"earthBulge", "19.35342"},
        {"firstFresnelZone", "51.81258"},
        {"secondFresnelZone", "73.27406"},
        {"coordinateDistance", "0"},
    };
    EXPECT_EQ(resultsOf(doc), expected);
    // The length field now holds miles; the typed kilometres survive as the captured text.
    EXPECT_EQ(doc.at("pathLengthField"), "12.4274");
    EXPECT_EQ(doc.at("captured").at("pathLengthText"), "20");
    EXPECT_EQ(doc.at("captured").at("wattsSelected"), 1);
    EXPECT_EQ(doc.at("captured").at("dbmSelected"), 0);
}

struct CoordinateCase {
    Args args;
    const char* distance;
    const char* bearing;
};

TEST(calc_json, distance_and_bearing_from_coordinates) {
    const std::vector<CoordinateCase> cases = {
        {{"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000", "--to-lon",
          "813000"},
         "11.47226",
         "63.18194"},
        {{"--from-lat", "413000", "--from-lon", "813000", "--to-lat", "412530", "--to-lon",
          "814150"},
         "11.47226",
         "243.1819"},
        {{"--from-lat", "335000", "--from-lon", "1182500", "--to-lat", "340000", "--to-lon",
          "1181500"},
         "14.95548",
         "39.81883"},
        // Due north gives 360, not 0.
        {{"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000", "--to-lon",
          "814150"},
         nullptr,
         "360"},
    };
    for (const CoordinateCase& c : cases) {
        SCOPED_TRACE(c.args[1] + " -> " + c.args[5]);
        int status = -1;
        const Json doc = calcJson(c.args, &status);
        EXPECT_EQ(status, 0);
        const Json& results = doc.at("results");
        if (c.distance != nullptr) {
            EXPECT_EQ(results.at("coordinateDistance"), c.distance);
            EXPECT_EQ(results.at("pathLengthMiles"), c.distance);
        }
        EXPECT_EQ(results.at("bearingTrue"), c.bearing);
        for (const char* name : {"midLatitudeRad", "kmPerDegreeLatitude", "kmPerDegreeLongitude",
                                 "northSouthKm", "eastWestKm"}) {
            EXPECT_TRUE(results.contains(name)) << name;
        }
    }
}

TEST(calc_json, first_example_intermediates) {
    const Json doc = calcJson({"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000",
                               "--to-lon", "813000"});
    const Json& r = doc.at("results");
    EXPECT_EQ(r.at("midLatitudeRad"), "0.7236572");
    EXPECT_EQ(r.at("kmPerDegreeLatitude"), "111.0612");
    EXPECT_EQ(r.at("kmPerDegreeLongitude"), "83.54659");
    EXPECT_EQ(r.at("northSouthKm"), "8.329676");
    EXPECT_EQ(r.at("eastWestKm"), "16.47705");
    EXPECT_EQ(doc.at("captured").at("fromLatitudeText"), "412530");
}

// A failing run: the kind and field of the error, and which results the steps before it
// stored (present) and which they did not reach (absent).
struct FailureCase {
    const char* what;
    Args args;
    const char* kind;
    const char* field;  // nullptr: no field
    std::vector<const char*> present;
    std::vector<const char*> absent;
};

TEST(calc_json, failures_name_kind_field_and_keep_earlier_results) {
    const std::vector<FailureCase> cases = {
        {"empty tx dish",
         {"--tx-dish", ""},
         "type mismatch",
         "Text1",
         {"txLineLossPerFt", "rxLineLossPerFt", "coordinateDistance"},
         {"txAntennaGain", "systemLoss", "eirpWatts"}},
        {"blank tx dish", {"--tx-dish=  "}, "type mismatch", "Text1", {}, {"txAntennaGain"}},
        {"letters for the frequency",
         {"--freq", "two"},
         "type mismatch",
         "Text10",
         {"rxLineLossPerFt"},
         {"freeSpaceLoss"}},
        {"0 GHz",
         {"--freq", "0"},
         "invalid argument",
         "Text10",
         {"fixedLoss", "txLineLoss"},
         {"rxAntennaGain", "txAntennaGain"}},
        {"0 watts",
         {"--power", "0", "--watts"},
         "invalid argument",
         "Text26",
         {},
         {"txLineLoss", "systemLoss"}},
        {"earth factor 0",
         {"--k", "0"},
         "division by zero",
         "Text22",
         {"systemLoss", "freeSpaceLoss", "beamwidthLoss"},
         {"earthBulge", "firstFresnelZone", "eirpWatts"}},
        {"amplifier gain 40000",
         {"--amp-gain", "40000"},
         "overflow",
         "Text15",
         {"rxLineLossPerFt"},
         {"txLineLoss", "txPowerDbm"}},
        {"500 dBm",
         {"--power", "500"},
         "overflow",
         nullptr,
         {"secondFresnelZone", "receiveSignalLevel"},
         {"eirpWatts"}},
        {"kilometres that are no number",
         {"--km", "--length", "abc"},
         "invalid argument",
         "Text24",
         {"txAntennaGain"},
         {"freeSpaceLoss"}},
        {"to-longitude not given",
         {"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000"},
         "invalid coordinate",
         "Text9",
         {},
         {"coordinateDistance", "txPowerDbm"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        int status = -1;
        const Json doc = calcJson(c.args, &status);
        EXPECT_EQ(status, 1);
        ASSERT_TRUE(doc.contains("error"));
        const Json& error = doc.at("error");
        EXPECT_EQ(error.at("kind"), c.kind);
        if (c.field != nullptr) {
            EXPECT_EQ(error.value("field", ""), c.field);
        } else {
            EXPECT_FALSE(error.contains("field"));
        }
        for (const char* name : c.present) EXPECT_TRUE(doc["results"].contains(name)) << name;
        for (const char* name : c.absent) EXPECT_FALSE(doc["results"].contains(name)) << name;
        EXPECT_FALSE(doc.value("errorMessage", "").empty());
    }
}

TEST(calc_json, earth_factor_zero_keeps_the_gains_of_earlier_steps) {
    const Json doc = calcJson({"--k", "0"});
    EXPECT_EQ(doc.at("results").at("systemLoss"), "-61.55881");
    EXPECT_EQ(doc.at("results").at("txAntennaGain"), "33.5206");
}

TEST(calc_json, amplifier_gain_halves_round_to_even) {
    // 10 dBm - 1 dB line loss + gain.
    EXPECT_EQ(calcJson({"--amp-gain", "2.5"}).at("results").at("dishInputPowerDbm"), "11");
    EXPECT_EQ(calcJson({"--amp-gain", "3.5"}).at("results").at("dishInputPowerDbm"), "13");
}

TEST(calc_json, coordinates_override_a_length_that_is_no_number) {
    int status = -1;
    const Json doc = calcJson({"--from-lat", "412530", "--from-lon", "814150", "--to-lat", "413000",
                               "--to-lon", "813000", "--length", "abc"},
                              &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(doc.at("results").at("pathLengthMiles"), "11.47226");
}

TEST(calc_json, zero_dbm_is_valid_but_zero_watts_is_not) {
    int status = -1;
    calcJson({"--power", "0"}, &status);
    EXPECT_EQ(status, 0);
    calcJson({"--power", "0", "--watts"}, &status);
    EXPECT_EQ(status, 1);
}

TEST(calc_json, high_eirp_warning) {
    const Json high = calcJson({"--power", "60", "--tx-dish", "10"});
    EXPECT_EQ(high.at("eirpWarning"), "EIRP SEEMS HIGH.  MIGHT WANT TO CHECK YOU FIGURES.");
    EXPECT_EQ(calcJson({}).at("eirpWarning"), "");
}

TEST(calc_json, text_that_is_not_utf8_still_gives_valid_json) {
    int status = -1;
    const Json doc = calcJson({"--name", "Hop \xff\xfe"}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(doc.at("name").is_string());
}

TEST(calc_options, values_may_be_empty_blank_or_look_like_options) {
    // A negative number is a value, not an unknown option.
    int status = -1;
    const Json doc = calcJson({"--fade-margin", "-3"}, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(doc.at("results").at("fixedLoss"), "-1");
    // "--opt=" and "--opt ''" both give the field an empty text.
    for (const Args& args : {Args{"--freq="}, Args{"--freq", ""}}) {
        const Json empty = calcJson(args, &status);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(empty.at("error").at("field"), "Text10");
    }
    // Blanks around a number are allowed by the field reader.
    // 20 log10 10 + 20 log10 6 + 7.5
    EXPECT_EQ(calcJson({"--tx-dish", " 6 "}).at("results").at("txAntennaGain"), "43.06303");
}

TEST(calc_options, usage_errors_exit_2_and_print_nothing_on_stdout) {
    const std::vector<Args> cases = {
        {"--bogus"}, {"--freq"}, {"stray"}, {"--freq", "5", "--freq", "6"}, {"--km=maybe"},
    };
    for (const Args& args : cases) {
        SCOPED_TRACE(args.front());
        const CommandRun run = runCalc(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}

TEST(calc_options, help_lists_every_option_and_exits_0) {
    const CommandRun run = runCalc({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* option :
         {"--json",    "--tx-dish",   "--rx-dish",   "--amp-gain", "--preamp-gain", "--tx-loss",
          "--rx-loss", "--tx-length", "--rx-length", "--from-lat", "--from-lon",    "--to-lat",
          "--to-lon",  "--length",    "--km",        "--freq",     "--fade-margin", "--k",
          "--power",   "--watts",     "--name"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

TEST(calc_table, shows_captions_and_values) {
    const CommandRun run = runCalc({"--name", "North hop"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("North hop"), std::string::npos);
    for (const char* line : {"System loss DBm", "-61.55881", "EIRP Watts", "17.86734",
                             "Receiver  antenna gain DBm", "Distance Miles"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
    // Without coordinates there is no bearing to show.
    EXPECT_EQ(run.out.find("Angle True"), std::string::npos);
    EXPECT_EQ(run.out.find("EIRP SEEMS HIGH"), std::string::npos);
}

TEST(calc_table, coordinates_show_the_bearing) {
    const CommandRun run = runCalc({"--from-lat", "412530", "--from-lon", "814150", "--to-lat",
                                    "413000", "--to-lon", "813000"});
    EXPECT_NE(run.out.find("Angle True"), std::string::npos);
    EXPECT_NE(run.out.find("63.18194"), std::string::npos);
}

TEST(calc_table, failure_goes_to_stderr_with_the_field_caption) {
    const CommandRun run = runCalc({"--freq", "abc"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Enter Frequency in GHz"), std::string::npos);
    EXPECT_NE(run.err.find("abc"), std::string::npos);
    // What was computed before the failure is still shown.
    EXPECT_NE(run.out.find("0.01"), std::string::npos);
    EXPECT_EQ(run.out.find("System loss DBm"), std::string::npos);
}

TEST(calc_table, high_eirp_warning_is_shown) {
    const CommandRun run = runCalc({"--power", "60", "--tx-dish", "10"});
    EXPECT_NE(run.out.find("EIRP SEEMS HIGH.  MIGHT WANT TO CHECK YOU FIGURES."),
              std::string::npos);
}

}  // namespace
}  // namespace hopscale::test
