// The outage options through a whole hop, the LogK and dN75 maps, and decisions that earlier
// tests let through: the required margin to the hundredth, the cap at 100 %, the rain distance
// factor just below its cap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "climate_maps.h"
#include "gas_attenuation.h"
#include "link_conditions.h"
#include "link_performance.h"
#include "rain.h"

namespace hopscale::propagation {
namespace {

using I = ConditionInput;

LinkConditions read(const LinkConditionTexts& t) {
    const Result<LinkConditions> c = readLinkConditions(t);
    EXPECT_TRUE(c) << c.error->message();
    return *c.value;
}

// A hop of `km` at `f` whose received level after the gases is -40 dBm less `margin` above the
// threshold "-40 - margin" (gases at the default atmosphere are added back into the RSL).
LinkBudgetFacts factsFor(double f, double km) {
    LinkBudgetFacts facts;
    facts.frequencyGHz = f;
    facts.pathLengthMiles = km / kKmPerSurveyMile;
    facts.receiveSignalLevelDbm = -40 + gasSpecificAttenuation(f, Atmosphere{}).totalDbPerKm *
                                            facts.pathLengthMiles * kKmPerSurveyMile;
    return facts;
}

std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

LinkConditionTexts p530Texts() {
    LinkConditionTexts t;
    t[I::Multipath] = "p530";
    t[I::GeoclimaticK] = "1e-5";
    t[I::DN75] = "40";
    t[I::GroundElevations] = "200,150";
    t[I::AntennaHeights] = "60,60";
    t[I::MeanTerrain] = "120";
    t[I::CentreLatitude] = "45";
    return t;
}

TEST(OutageHop, ThresholdAloneGivesTodaysFiguresAndNoExtendedResult) {
    LinkConditionTexts t = p530Texts();
    t[I::Threshold] = "-80";
    t[I::RainRate] = "42";
    const Result<LinkPerformance> p = computeLinkPerformance(factsFor(6, 40), read(t));
    ASSERT_TRUE(p) << p.error->message();
    EXPECT_FALSE(p.value->outage.extended);
    EXPECT_EQ(p.value->outagePercent,
              *p.value->rain->outagePercent + *p.value->multipath.annualPercent);
    // A radio of one mode at the same threshold gives the very same figures.
    LinkConditionTexts r = p530Texts();
    r[I::Radio] = "One";
    r[I::RainRate] = "42";
    LinkConditions c = read(r);
    c.outage.modes = {RadioMode{"only", 100, -80, {}, {}, {}}};
    const Result<LinkPerformance> q = computeLinkPerformance(factsFor(6, 40), c);
    ASSERT_TRUE(q) << q.error->message();
    EXPECT_TRUE(q.value->outage.extended);
    EXPECT_EQ(q.value->flatFadeMarginDb, p.value->flatFadeMarginDb);
    EXPECT_EQ(q.value->outagePercent, p.value->outagePercent);
    EXPECT_EQ(q.value->availabilityPercent, p.value->availabilityPercent);
    EXPECT_EQ(q.value->outageMinutesPerYear, p.value->outageMinutesPerYear);
    EXPECT_EQ(q.value->target.requiredMarginDb, p.value->target.requiredMarginDb);
    EXPECT_DOUBLE_EQ(q.value->outage.meanCapacityMbps, 100 * p.value->availabilityPercent / 100);
}

TEST(OutageHop, TheSiblingInputTableFollowsTheConditionsInOrder) {
    const auto& inputs = outageConditionInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(inputs[i].input), kConditionInputCount + i);
        EXPECT_EQ(conditionInputByName(inputs[i].name), inputs[i].input);
        EXPECT_EQ(&conditionInputInfo(inputs[i].input), &inputs[i]);
        for (const auto& other : allConditionInputs()) {
            EXPECT_NE(std::string(other.name), inputs[i].name);
        }
    }
    EXPECT_EQ(inputs.front().input, kFirstOutageInput);
    // The defaults of a fresh set of texts ask for nothing beyond the threshold.
    LinkConditionTexts t;
    t[I::Threshold] = "-80";
    EXPECT_FALSE(read(t).outage.extended());
}

TEST(OutageHop, ARadioWhoseModesWereNotLookedUpIsAnError) {
    LinkConditionTexts t;
    t[I::Radio] = "Somewhere";
    const Result<LinkPerformance> p = computeLinkPerformance(factsFor(6, 40), read(t));
    ASSERT_FALSE(p);
    EXPECT_EQ(p.error->input, "Radio");
}

TEST(OutageHop, TheOptionsAreReadAndCheckedByName) {
    struct Case {
        I input;
        const char* text;
        const char* caption;
    };
    const Case bad[] = {
        {I::TxAntennas, "3", "Transmit antennas"},
        {I::Signature, "30,20", "Signature"},
        {I::Signature, "0,20,6.3", "Signature"},
        {I::Signature, "30,20,0", "Signature"},
        {I::Diversity, "angle", "Diversity"},
        {I::Xpif, "-3", "XPIF"},
        {I::C0I, "many", "C0/I"},
        {I::DiversityFrequencySeparation, "0.2", "Frequency separation"},  // without frequency
    };
    for (const Case& c : bad) {
        LinkConditionTexts t;
        t[I::Threshold] = "-80";
        t[c.input] = c.text;
        const Result<LinkConditions> r = readLinkConditions(t);
        ASSERT_FALSE(r) << c.caption << " " << c.text;
        EXPECT_EQ(r.error->input, c.caption) << c.text;
    }
    LinkConditionTexts two;
    two[I::Threshold] = "-80";
    two[I::TxAntennas] = "2";
    EXPECT_EQ(readLinkConditions(two).error->input, "Transmit antenna separation");
    two[I::TxAntennaSeparation] = "3";
    const LinkConditions ok = read(two);
    EXPECT_EQ(ok.outage.txAntennas, 2);
    EXPECT_EQ(ok.outage.txSeparationM, 3);
    LinkConditionTexts both;
    both[I::Threshold] = "-80";
    both[I::Signature] = "30,20,6.3";
    both[I::SignatureMin] = "30,20,6.3";
    EXPECT_FALSE(readLinkConditions(both));
    LinkConditionTexts phases;
    phases[I::Threshold] = "-80";
    phases[I::SignatureMin] = "30,20,6.3";
    phases[I::SignatureNonMin] = "25,15,-6.3";
    const LinkConditions s = read(phases);
    EXPECT_EQ(s.outage.signatureMinimum->widthMHz, 30);
    EXPECT_EQ(s.outage.signatureNonMinimum->delayNs, -6.3);
    LinkConditionTexts withRadio;
    withRadio[I::Threshold] = "-80";
    withRadio[I::Radio] = "X";
    EXPECT_EQ(readLinkConditions(withRadio).error->input, "Receiver threshold");
}

// A LogK or dN75 map in memory: value = a + b lat + c lon at every grid point, so that the
// bilinear reading is exact anywhere.
std::string planeMapText(double a, double b, double c) {
    std::string text;
    for (int row = 0; row < QuarterDegreeMap::kRows; ++row) {
        const double lat = 90 - 0.25 * row;
        for (int col = 0; col < QuarterDegreeMap::kColumns; ++col) {
            const double lon = -180 + 0.25 * col;
            if (col > 0) text += ',';
            text += number(static_cast<float>(a + b * lat + c * lon));
        }
        text += "\r\n";
    }
    return text;
}

TEST(ClimateMaps, BilinearAtAnyPointAndTheGridCorners) {
    const Result<QuarterDegreeMap> m =
        QuarterDegreeMap::parse(planeMapText(-4, 0.01, 0.001), "LogK.csv", "LogK map file");
    ASSERT_TRUE(m) << m.error->message();
    EXPECT_NEAR(*m.value->valueAt(41.4625, -81.64), -4 + 0.01 * 41.4625 - 0.08164, 1e-6);
    EXPECT_NEAR(*m.value->valueAt(90, -180), -4 + 0.9 - 0.18, 1e-6);
    EXPECT_NEAR(*m.value->valueAt(-90, -180), -4 - 0.9 - 0.18, 1e-6);
    EXPECT_NEAR(*m.value->valueAt(10, 190), *m.value->valueAt(10, -170), 1e-12);  // wrapped
    const Result<double> outside = m.value->valueAt(91, 0);
    ASSERT_FALSE(outside);
    EXPECT_EQ(outside.error->file, "LogK.csv");
    EXPECT_FALSE(m.value->valueAt(std::nan(""), 0));
}

TEST(ClimateMaps, AFileOfAnotherShapeIsRefusedNamingLineAndFile) {
    const std::string good = planeMapText(40, 0, 0);
    struct Case {
        std::string text;
        std::string says;
    };
    std::string shortRow = good;
    shortRow.erase(shortRow.find("\r\n") - 3, 3);  // line 1 loses its last value
    std::size_t hundred = 0;
    for (int i = 0; i < 100; ++i) hundred = good.find('\n', hundred) + 1;
    std::string word = good;
    word.replace(0, 2, "ab");
    const Case cases[] = {
        {shortRow, "line 1 holds 1440 numbers, not 1441"},
        {word, "line 1, value 1 is not a number"},
        {good.substr(0, hundred), "holds 100 lines of numbers, not 721"},
        {good + "1\n", "more than 721 lines"},
        {"", "holds 0 lines of numbers, not 721"},
        {good.substr(0, good.find('\n') + 1), "holds 1 lines of numbers, not 721"},
    };
    for (const Case& c : cases) {
        const Result<QuarterDegreeMap> m =
            QuarterDegreeMap::parse(c.text, "dN75.csv", "dN75 map file");
        ASSERT_FALSE(m) << c.says;
        EXPECT_EQ(m.error->kind, ErrorKind::BadFile);
        EXPECT_EQ(m.error->file, "dN75.csv");
        EXPECT_NE(m.error->message().find(c.says), std::string::npos) << m.error->message();
    }
    const Result<QuarterDegreeMap> missing =
        QuarterDegreeMap::read("/nonexistent/LogK.csv", "LogK map file");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error->kind, ErrorKind::FileNotFound);
}

TEST(ClimateMaps, KAndDN75FromTheMapsEqualTheSameValuesTyped) {
    const double logK = -4.7;
    LinkBudgetFacts facts = factsFor(6, 40);
    facts.ends = PathEnds{{45.0, 10.0}, {45.3, 10.4}};
    LinkConditionTexts typed = p530Texts();
    typed[I::Threshold] = "-75";
    typed[I::CentreLatitude] = "";
    typed[I::GeoclimaticK] = number(std::pow(10.0, logK));
    typed[I::DN75] = "35";
    const Result<LinkPerformance> a = computeLinkPerformance(facts, read(typed));
    ASSERT_TRUE(a) << a.error->message();

    // Typed placeholders, then the maps that take their place.
    LinkConditionTexts t = typed;
    t[I::GeoclimaticK] = "1";
    t[I::DN75] = "0";
    LinkConditions c = read(t);
    // Constant maps: every point reads the same.
    c.logKMap = std::make_shared<const QuarterDegreeMap>(
        *QuarterDegreeMap::parse(planeMapText(logK, 0, 0), "LogK.csv", "LogK map file").value);
    c.dN75Map = std::make_shared<const QuarterDegreeMap>(
        *QuarterDegreeMap::parse(planeMapText(35, 0, 0), "dN75.csv", "dN75 map file").value);
    nameModels(c);
    const Result<LinkPerformance> b = computeLinkPerformance(facts, c);
    ASSERT_TRUE(b) << b.error->message();
    EXPECT_NEAR(*b.value->multipath.geoclimaticK, std::pow(10.0, logK),
                1e-6 * std::pow(10.0, logK));
    EXPECT_NEAR(*b.value->multipath.annualPercent, *a.value->multipath.annualPercent,
                1e-5 * *a.value->multipath.annualPercent);
    EXPECT_TRUE(b.value->multipath.fromMaps);

    // The maps need the path centre: without end coordinates they are an error naming the map.
    facts.ends.reset();
    t[I::CentreLatitude] = "45";
    LinkConditions noEnds = c;
    noEnds.centreLatitudeDeg = 45;
    const Result<LinkPerformance> none = computeLinkPerformance(facts, noEnds);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error->input, "LogK map file");
}

TEST(RequiredMargin, IsTheSmallestWholeHundredthThatMeetsTheTargetOverManyHops) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> f(4, 38), km(3, 70), rate(5, 120), target(99.9, 99.9999);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int hop = 0; hop < 150; ++hop) {
        const double freq = f(rng), d = km(rng);
        LinkConditionTexts t = kind(rng) % 2 == 0 ? p530Texts() : LinkConditionTexts();
        t[I::Threshold] = "-75";
        t[I::RainRate] = number(rate(rng));
        t[I::Target] = number(target(rng));
        const int extras = kind(rng);
        if (extras >= 2) {
            t[I::XpdAntenna] = "32";
            t[I::C0I] = "20";
            t[I::Signature] = "30,20,6.3";
        }
        if (extras == 3) {
            t[I::Diversity] = "space";
            t[I::DiversitySeparation] = "12";
        }
        const LinkConditions c = read(t);
        const LinkBudgetFacts facts = factsFor(freq, d);
        const Result<LinkPerformance> p = computeLinkPerformance(facts, c);
        ASSERT_TRUE(p) << p.error->message();
        const double need = p.value->target.requiredMarginDb;
        if (!std::isfinite(need)) continue;
        const double allowed = 100 - c.targetPercent;
        EXPECT_NEAR(need * 100, std::round(need * 100), 1e-6) << need;
        const OutageModel model(p.value->fading, c.outage);
        const RadioMode mode{"threshold", 0, -75, {}, {}, {}};
        EXPECT_LE(model.totalPercent(need, mode), allowed) << "hop " << hop;
        if (need > 0) {
            EXPECT_GT(model.totalPercent(need - 0.01, mode), allowed) << "hop " << hop;
        }
    }
}

TEST(OutageCap, ASumAboveAHundredPercentIsAHundredWithItsFlag) {
    // Vigants-Barnett over water in a hot climate on 60 miles at 38 GHz with a 1 dB margin:
    // U is far above 1, and the heavy rain adds more.
    LinkConditionTexts t;
    t[I::Threshold] = "-41";
    t[I::TerrainFactor] = "4";
    t[I::ClimateFactor] = "0.5";
    t[I::RainRate] = "145";
    const Result<LinkPerformance> p = computeLinkPerformance(factsFor(38, 96.56), read(t));
    ASSERT_TRUE(p) << p.error->message();
    EXPECT_EQ(p.value->outagePercent, 100);
    EXPECT_EQ(p.value->availabilityPercent, 0);
    EXPECT_EQ(p.value->outageMinutesPerYear, 525960);
    bool flagged = false;
    for (const std::string& f : p.value->flags)
        flagged |= f.find("above 100 %") != std::string::npos;
    EXPECT_TRUE(flagged);
    // The rain alone below 100 % and the multipath below 100 %, whose sum exceeds it, is capped
    // the same way.
    const ModeOutage& m = p.value->outage.modes.front();
    EXPECT_TRUE(m.parts.capped);
}

TEST(RainDistanceFactor, JustBelowTheCapOnAShortLowRateHop) {
    // 1 km at 14 GHz in 1 mm/h: the denominator lies between 0.4 and 1/2.4, so r lies between
    // 2.4 and 2.5 and is 1/denominator, not the cap.
    const RainCoefficients k = rainCoefficients(14, 90);
    const double denominator =
        0.477 * std::pow(1.0, 0.633) * std::pow(1.0, 0.073 * k.alpha) * std::pow(14.0, 0.123) -
        10.579 * (1 - std::exp(-0.024));
    ASSERT_GT(denominator, 0.4);
    ASSERT_LT(denominator, 1 / 2.4);
    const double r = rainDistanceFactor(1, 1, k.alpha, 14);
    EXPECT_GT(r, 2.4);
    EXPECT_LT(r, 2.5);
    EXPECT_DOUBLE_EQ(r, 1 / denominator);
    // At 10 GHz the denominator falls below 0.4: the cap.
    EXPECT_EQ(rainDistanceFactor(1, 1, rainCoefficients(10, 90).alpha, 10), 2.5);
}

}  // namespace
}  // namespace hopscale::propagation
