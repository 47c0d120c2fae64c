#include <gtest/gtest.h>

#include <map>
#include <vector>
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

// A value computed from several inputs that overflows names its step and the input whose term
// pushed it there; the error carries no field (no box was being read), as before.
TEST(Budget, ComputedOverflowNamesTheStepAndTheInputThatLedThere) {
    struct Case {
        const char* name;
        std::vector<std::pair<Field, const char*>> typed;
        Field origin;
        const char* message;
    };
    const Case cases[] = {
        // 500 dBm less 1 dB of line: 10^(499 / 10) x 0.001 = 7.9E+46 W at step 31, far beyond
        // the single range (3.4E+38); the power term (500) outweighs the line loss (1).
        {"power 500 dBm", {{Field::Text26, "500"}}, Field::Text26,
         "Overflow at step 31 (power into the dish in watts), from \"Transmitter Power\": the "
         "result is beyond the single-precision range"},
        // Amplifier 400 dB: the dish gets 10^((10 - 1 + 400) / 10) x 0.001 = 7.9E+37 W, still a
        // single; the EIRP multiplies it by 10^(33.52 / 10) = 2249: 1.8E+41 W at step 33. Of its
        // two factors the dish power (37.9 decades) outweighs the gain (3.35 decades), and the
        // dish power goes back to the amplifier gain (400 against 10 and 1).
        {"amplifier 400 dB", {{Field::Text15, "400"}}, Field::Text15,
         "Overflow at step 33 (EIRP in watts), from \"Enter amplifier gain in dbm if used.\": "
         "the result is beyond the single-precision range"},
        // 1E+38 ft of line at 1000 dB per 100 ft: 1E+38 x 10 = 1E+39 dB at step 16; the length
        // is 126 binary orders from 1, the loss per foot (10) only 3.
        {"line 1E+38 ft", {{Field::Text16, "1e38"}, {Field::Text2, "1000"}}, Field::Text16,
         "Overflow at step 16 (transmit line loss), from \"Tx cable length\": the result is "
         "beyond the single-precision range"},
        // 70 / (0.01 GHz x 1E-37 ft) = 7E+40 degrees at step 22; the dish (2^-123) is further
        // from 1 than the frequency (2^-7).
        {"dish 1E-37 ft", {{Field::Text1, "1e-37"}, {Field::Text10, "0.01"}}, Field::Text1,
         "Overflow at step 22 (half-power beamwidth), from \"Enter tx dish diameter\": the "
         "result is beyond the single-precision range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathInputs in;
        for (const auto& [field, text] : c.typed) in[field] = text;
        PathRun run{in};
        ASSERT_FALSE(run.outcome.ok());
        const Error& e = *run.outcome.error;
        EXPECT_EQ(e.kind, ErrorKind::Overflow);
        EXPECT_FALSE(e.field.has_value());
        EXPECT_EQ(e.origin, c.origin);
        EXPECT_EQ(e.message(), c.message);
    }
}

// A kilometre text that is no number is read as 0 km and fails at the logarithm of step 21;
// the message quotes what was typed, not the "0" that replaced it.
TEST(Budget, KilometreTextThatIsNoNumberIsNamedAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "Invalid argument in \"Total Path Length in\": \"abc\" is not a number of "
                "kilometres (read as 0); the path length must be greater than 0 (logarithm)"},
        {"-5", "Invalid argument in \"Total Path Length in\": \"-5\" km must be greater than 0 "
               "(logarithm)"},
    };
    for (auto [typed, message] : cases) {
        PathInputs in;
        in.km = true;
        in[Field::Text24] = typed;
        PathRun run{in};
        ASSERT_FALSE(run.outcome.ok());
        EXPECT_EQ(run.outcome.error->field, Field::Text24);
        EXPECT_EQ(run.outcome.error->message(), message);
    }
    // In miles the typed text is what the logarithm saw.
    PathInputs in;
    in[Field::Text24] = "0";
    PathRun run{in};
    EXPECT_EQ(run.outcome.error->message(),
              "Invalid argument in \"Total Path Length in\": \"0\" must be greater than 0 "
              "(logarithm)");
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
