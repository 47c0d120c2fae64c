#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

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

// The warning comes at 100000 W and above. A 13.335214 ft dish at 10 GHz has a gain of
// 20 + 20 log10(13.335214) + 7.5 = 49.99999957 dB, which is 50 as a single; 31 dBm less 1 dB of
// line is 30 dBm = 1 W into the dish, so the EIRP is 10^(50 / 10) x 1 = exactly 100000 W.
// With 30.99999 dBm it is 99999.78 W; the kilometre path's 86617.35 W is below as well.
TEST(Budget, EirpWarningFromExactly100000Watts) {
    PathInputs in;
    in[Field::Text1] = "13.335214";
    in[Field::Text26] = "31";
    PathRun exact{in};
    ASSERT_TRUE(exact.outcome.ok());
    ASSERT_EQ(exact.state.results.txAntennaGain, 50.0f);
    EXPECT_EQ(exact.state.results.eirpWatts, 100000.0f);
    EXPECT_EQ(exact.state.eirpWarning, kEirpWarningText);

    in[Field::Text26] = "30.99999";
    PathRun below{in};
    EXPECT_EQ(below.texts.at("eirpWatts"), "99999.78");
    EXPECT_EQ(below.state.eirpWarning, "");

    PathRun km{examples::kmWattsPath()};
    EXPECT_EQ(km.texts.at("eirpWatts"), "86617.35");
    EXPECT_EQ(km.state.eirpWarning, "");
}

// Step 3 reads the transmit dish before step 4 reads the receive dish: with both unreadable
// the transmit one is named, and with only the receive one unreadable the transmit diameter
// has already been stored.
TEST(Budget, DishesAreReadTransmitFirst) {
    PathInputs both;
    both[Field::Text1] = "x";
    both[Field::Text3] = "y";
    PathRun first{both};
    ASSERT_FALSE(first.outcome.ok());
    EXPECT_EQ(first.outcome.error->field, Field::Text1);

    PathInputs receive;
    receive[Field::Text1] = "6";
    receive[Field::Text3] = "y";
    PathRun second{receive};
    ASSERT_FALSE(second.outcome.ok());
    EXPECT_EQ(second.outcome.error->field, Field::Text3);
    EXPECT_EQ(second.state.values.txDishDiameter, 6.0f);
}

// Receive loss 1.00000005 dB per 100 ft over 100 ft. Read as a double and divided by 100 it is
// 0.0100000005, which rounds to the single above 0.01f: 0.01f + 2^-30 = 0.0100000007078
// (0.01f = 0.0099999997765; the double lies 2.1E-10 from the upper and 7.2E-10 from the lower
// one). The line loss multiplies that stored single: 100 x 0.0100000007078 = 1.00000007078,
// above the midpoint 1 + 2^-24 = 1.0000000596, so it is the single 1 + 2^-23 = 1.00000012.
// (Rounding 1.00000005 to single first gives 1, then 0.01f, then a loss of exactly 1; and the
// unrounded 0.0100000005 x 100 = 1.00000005 lies below the midpoint and also gives 1.)
TEST(Budget, ReceiveLossIsDividedBeforeRoundingAndItsLineLossUsesTheStoredSingle) {
    PathInputs in;
    in[Field::Text8] = "1.00000005";
    in[Field::Text18] = "100";
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok());
    EXPECT_EQ(run.state.results.rxLineLossPerFt, 0.01f + 0x1p-30f);
    EXPECT_EQ(run.state.results.rxLineLoss, 1.0f + 0x1p-23f);
}

// Kilometres become miles by the survey mile: 10 / 1.609347219 = 6.21369949 (6.213699), where
// 10 x 0.62137 would give 6.2137.
TEST(Budget, KilometresBecomeMilesByTheSurveyMile) {
    PathInputs in;
    in.km = true;
    in[Field::Text24] = "10";
    PathRun run{in};
    ASSERT_TRUE(run.outcome.ok());
    EXPECT_EQ(run.outcome.pathLengthField, "6.213699");
    EXPECT_EQ(run.texts.at("pathLengthMiles"), "6.213699");
}

// A kilometre length that does not fit a single (1E+39 km = 6.2E+38 miles) stops the run
// before the power unit and the typed length are captured: they keep their earlier values.
TEST(Budget, FailedKilometreConversionCapturesNothingAfterIt) {
    PathState state;
    state.captured.pathLengthText = "7";
    state.captured.kmPathLengthInMiles = 3;
    PathInputs in;
    in.km = true;
    in.watts = true;
    in[Field::Text24] = "1e39";
    const RunOutcome out = runPath(in, state);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error->kind, ErrorKind::Overflow);
    EXPECT_EQ(out.error->field, Field::Text24);
    EXPECT_EQ(out.pathLengthField, "1e39");
    EXPECT_EQ(out.error->message(),
              "Overflow in \"Total Path Length in\": \"1e39\" km is beyond "
              "the single-precision range in miles");
    EXPECT_EQ(state.captured.pathLengthText, "7");
    EXPECT_EQ(state.captured.kmPathLengthInMiles, 3.0f);
    EXPECT_EQ(state.captured.dbmSelected, 1);
    EXPECT_EQ(state.captured.wattsSelected, 0);
    EXPECT_EQ(state.captured.fromLatitudeText, "0");  // captured before the conversion
}

struct FailureCase {
    const char* name;
    Field field;
    const char* text;
    bool watts;
    ErrorKind kind;
    std::optional<Field> errorField;
    const char* lastComputed;  // a result the run still wrote, or ""
    const char* notComputed;   // a result the run did not reach
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

TEST(Budget, EarthFactorZeroNamesTheDivision) {
    PathInputs in;
    in[Field::Text22] = "0";
    PathRun run{in};
    ASSERT_FALSE(run.outcome.ok());
    EXPECT_EQ(run.outcome.error->message(),
              "Division by zero in \"Normal Earth Factor 1.33\": \"0\" must not be 0 (division)");
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
        {"power 500 dBm",
         {{Field::Text26, "500"}},
         Field::Text26,
         "Overflow at step 31 (power into the dish in watts), from \"Transmitter Power\": the "
         "result is beyond the single-precision range"},
        // Amplifier 400 dB: the dish gets 10^((10 - 1 + 400) / 10) x 0.001 = 7.9E+37 W, still a
        // single; the EIRP multiplies it by 10^(33.52 / 10) = 2249: 1.8E+41 W at step 33. Of its
        // two factors the dish power (37.9 decades) outweighs the gain (3.35 decades), and the
        // dish power goes back to the amplifier gain (400 against 10 and 1).
        {"amplifier 400 dB",
         {{Field::Text15, "400"}},
         Field::Text15,
         "Overflow at step 33 (EIRP in watts), from \"Enter amplifier gain in dbm if used.\": "
         "the result is beyond the single-precision range"},
        // 1E+38 ft of line at 1000 dB per 100 ft: 1E+38 x 10 = 1E+39 dB at step 16; the length
        // is 126 binary orders from 1, the loss per foot (10) only 3.
        {"line 1E+38 ft",
         {{Field::Text16, "1e38"}, {Field::Text2, "1000"}},
         Field::Text16,
         "Overflow at step 16 (transmit line loss), from \"Tx cable length\": the result is "
         "beyond the single-precision range"},
        // 70 / (0.01 GHz x 1E-37 ft) = 7E+40 degrees at step 22; the dish (2^-123) is further
        // from 1 than the frequency (2^-7).
        {"dish 1E-37 ft",
         {{Field::Text1, "1e-37"}, {Field::Text10, "0.01"}},
         Field::Text1,
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

// A transmit line of the largest single length (3.4028235E+38 ft) at 100 dB per 100 ft loses
// exactly 1 dB per foot, so its loss is the largest single itself: stored, not an overflow.
TEST(Budget, TheLargestSingleIsAStoredResult) {
    PathInputs in;
    in[Field::Text16] = "3.4028235E+38";
    in[Field::Text2] = "100";
    PathRun run{in};
    ASSERT_TRUE(run.texts.count("txLineLoss"));
    EXPECT_EQ(run.state.results.txLineLoss, std::numeric_limits<float>::max());
    EXPECT_EQ(run.texts.at("txLineLoss"), "3.402823E+38");
}

// A kilometre text that is no number is read as 0 km and fails at the logarithm of step 21;
// the message quotes what was typed, not the "0" that replaced it.
TEST(Budget, KilometreTextThatIsNoNumberIsNamedAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc",
         "Invalid argument in \"Total Path Length in\": \"abc\" is not a number of "
         "kilometres (read as 0); the path length must be greater than 0 (logarithm)"},
        {"-5",
         "Invalid argument in \"Total Path Length in\": \"-5\" km must be greater than 0 "
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
