#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conversions.h"
#include "example_paths.h"
#include "path_run.h"

namespace hopscale {
namespace {

using Expected = std::map<std::string, std::string>;

// Runs one path in a fresh state and returns every computed result as text.
struct PathRun {
    PathState state;
    RunOutcome outcome;
    Expected texts;

    explicit PathRun(const PathInputs& inputs) : outcome(runPath(inputs, state)) {
        for (const auto& r : allResults()) {
            if (outcome.computed.test(static_cast<std::size_t>(r.id))) {
                texts[r.name] = singleToText(state.results.*r.member);
            }
        }
    }
};

void expectTexts(const PathRun& run, const Expected& expected) {
    for (const auto& [name, text] : expected) {
        ASSERT_TRUE(run.texts.count(name)) << name << " was not computed";
        EXPECT_EQ(run.texts.at(name), text) << name;
    }
}

TEST(Budget, DefaultsGiveTheDocumentedValues) {
    PathRun run{PathInputs{}};
    ASSERT_TRUE(run.outcome.ok()) << run.outcome.error->message();
    expectTexts(run, {{"txLineLoss", "1"},
                      {"rxLineLoss", "1"},
                      {"fixedLoss", "2"},
                      {"txAntennaGain", "33.5206"},
                      {"rxAntennaGain", "33.5206"},
                      {"freeSpaceLoss", "136.6"},
                      {"halfPowerBeamwidth", "3.5"},
                      {"beamwidthLoss", "10.5"},
                      {"systemLoss", "-61.55881"},
                      {"receiveSignalLevel", "-61.55881"},
                      {"earthBulge", "12.53133"},
                      {"firstFresnelZone", "36.00151"},
                      {"secondFresnelZone", "50.91383"},
                      {"amplifierInputPower", "9"},
                      {"dishInputPowerDbm", "9"},
                      {"dishInputPowerWatts", "0.007943282"},
                      {"eirpWatts", "17.86734"},
                      {"coordinateDistance", "0"}});
    EXPECT_EQ(run.state.eirpWarning, "");
    // Without coordinates nothing of the coordinate computation but the distance is written.
    EXPECT_FALSE(run.texts.count("bearingTrue"));
    EXPECT_EQ(run.texts.size(), 23u);
}

TEST(Budget, KilometresWattsAndGains) {
    const PathInputs in = examples::kmWattsPath();
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok()) << run.outcome.error->message();
    EXPECT_EQ(run.outcome.pathLengthField, "12.4274");
    EXPECT_EQ(run.state.captured.pathLengthText, "20");
    expectTexts(run, {{"pathLengthMiles", "12.4274"},
                      {"txPowerDbm", "40"},
                      {"txLineLoss", "2.25"},
                      {"rxLineLoss", "4.5"},
                      {"fixedLoss", "26.75"},
                      {"txAntennaGain", "38.62605"},
                      {"rxAntennaGain", "41.12482"},
                      {"freeSpaceLoss", "134.0506"},
                      {"halfPowerBeamwidth", "1.944444"},
                      {"beamwidthLoss", "5.833333"},
                      {"systemLoss", "-36.04976"},
                      {"receiveSignalLevel", "-16.04976"},
                      {"earthBulge", "19.35342"},
                      {"firstFresnelZone", "51.81258"},
                      {"secondFresnelZone", "73.27406"},
                      {"amplifierInputPower", "37.75"},
                      {"dishInputPowerDbm", "40.75"},
                      {"dishInputPowerWatts", "11.88502"},
                      {"eirpWatts", "86617.35"}});
    EXPECT_EQ(run.state.captured.wattsSelected, 1);
    EXPECT_EQ(run.state.captured.dbmSelected, 0);
}

TEST(Budget, AmplifierGainRoundsHalvesToEven) {
    for (auto [typed, gain] : {std::pair{"2.5", 2}, {"3.5", 4}, {"-2.5", -2}}) {
        PathInputs in;
        in[Field::Text15] = typed;
        PathRun run{in};
        ASSERT_TRUE(run.outcome.ok());
        EXPECT_EQ(run.state.values.ampGain, gain) << typed;
    }
}

TEST(Budget, HighEirpPreparesTheWarning) {
    PathInputs in;
    in[Field::Text26] = "40";
    in[Field::Text1] = "10";
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok());
    EXPECT_EQ(run.state.eirpWarning, "EIRP SEEMS HIGH.  MIGHT WANT TO CHECK YOU FIGURES.");
}

struct FailureCase {
    const char* name;
    Field field;
    const char* text;
    bool watts;
    ErrorKind kind;
    std::optional<Field> errorField;
    const char* lastComputed;   // a result the run still wrote, or ""
    const char* notComputed;    // a result the run did not reach
};

TEST(Budget, FailuresStopAtTheirStepAndKeepEarlierValues) {
    const FailureCase cases[] = {
        {"empty frequency", Field::Text10, "", false, ErrorKind::TypeMismatch, Field::Text10,
         "rxLineLossPerFt", "pathLengthMiles"},
        {"letters", Field::Text1, "abc", false, ErrorKind::TypeMismatch, Field::Text1,
         "rxLineLossPerFt", "pathLengthMiles"},
        {"zero frequency", Field::Text10, "0", false, ErrorKind::InvalidArgument, Field::Text10,
         "fixedLoss", "rxAntennaGain"},
        {"zero watts", Field::Text26, "0", true, ErrorKind::InvalidArgument, Field::Text26,
         "txPowerDbm", "txLineLoss"},
        {"earth factor 0", Field::Text22, "0", false, ErrorKind::DivisionByZero, Field::Text22,
         "systemLoss", "earthBulge"},
        {"amplifier 40000", Field::Text15, "40000", false, ErrorKind::Overflow, Field::Text15,
         "pathLengthMiles", "txPowerDbm"},
        {"power 500 dBm", Field::Text26, "500", false, ErrorKind::Overflow, std::nullopt,
         "receiveSignalLevel", "eirpWatts"},
        {"receive dish 0", Field::Text3, "0", false, ErrorKind::InvalidArgument, Field::Text3,
         "fixedLoss", "rxAntennaGain"},
        {"transmit dish -1", Field::Text1, "-1", false, ErrorKind::InvalidArgument, Field::Text1,
         "rxAntennaGain", "txAntennaGain"},
        {"single overflow", Field::Text16, "1e39", false, ErrorKind::Overflow, Field::Text16,
         "pathLengthMiles", "txLineLoss"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PathInputs in;
        in[c.field] = c.text;
        in.watts = c.watts;
        PathRun run{in};
        ASSERT_FALSE(run.outcome.ok());
        EXPECT_EQ(run.outcome.error->kind, c.kind);
        EXPECT_EQ(run.outcome.error->field, c.errorField);
        EXPECT_TRUE(run.texts.count(c.lastComputed));
        EXPECT_FALSE(run.texts.count(c.notComputed));
    }
}

TEST(Budget, PowerOf500DbmFailsAtTheDishPowerAfterTheLevels) {
    PathInputs in;
    in[Field::Text26] = "500";
    PathRun run{in};
    ASSERT_FALSE(run.outcome.ok());
    EXPECT_EQ(run.texts.at("amplifierInputPower"), "499");
    EXPECT_FALSE(run.texts.count("dishInputPowerWatts"));
}

TEST(Budget, KilometreLengthIsReadLeniently) {
    PathInputs in;
    in.km = true;
    in[Field::Text24] = "abc";
    PathRun run{in};
    ASSERT_FALSE(run.outcome.ok());
    EXPECT_EQ(run.outcome.error->kind, ErrorKind::InvalidArgument);
    EXPECT_EQ(run.outcome.error->field, Field::Text24);
    EXPECT_EQ(run.outcome.pathLengthField, "0");
    EXPECT_EQ(run.state.captured.pathLengthText, "abc");
}

TEST(Budget, CoordinateDistanceReplacesAnUnreadableMilesLength) {
    PathInputs in;
    in[Field::Text5] = "412530";
    in[Field::Text6] = "814150";
    in[Field::Text7] = "413000";
    in[Field::Text9] = "813000";
    in[Field::Text24] = "not a number";
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok()) << run.outcome.error->message();
    EXPECT_EQ(run.texts.at("pathLengthMiles"), "11.47226");
    EXPECT_EQ(run.texts.at("bearingTrue"), "63.18194");
}

TEST(Budget, NegativeValuesThatReachNoLogarithmFlowThrough) {
    PathInputs in;
    in[Field::Text16] = "-100";
    in[Field::Text22] = "-1.33";
    in[Field::Text12] = "-5";
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok());
    EXPECT_EQ(run.texts.at("txLineLoss"), "-1");
    EXPECT_EQ(run.texts.at("earthBulge"), "-12.53133");
}

TEST(Budget, ErrorMessagesNameTheFieldByCaption) {
    PathInputs in;
    in[Field::Text10] = "abc";
    PathRun run{in};
    ASSERT_FALSE(run.outcome.ok());
    EXPECT_EQ(run.outcome.error->message(),
              "Type mismatch in \"Enter Frequency in GHz\": \"abc\" is not a number");
}

}  // namespace
}  // namespace hopscale
