// The link design: its file read strictly and written so that it re-opens exactly, both
// directions of its evaluation, and the rules that join the budget, the performance and the
// profile (tested here once, for every view).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "design_file.h"
#include "link_study.h"
#include "result_rows.h"
#include "test_files.h"

namespace hopscale::design {
namespace {

using propagation::ConditionInput;
using testing_files::ScratchDir;

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// A 20 km hop without coordinates, both ends alike, thresholds at both ends.
LinkDesign symmetricDesign() {
    LinkDesign d;
    d.name = "Symmetric";
    d.path.freq = "11";
    d.path.length = "20";
    d.path.km = true;
    for (SiteDesign& s : d.sites) {
        s.dish = "6";
        s.loss = "2";
        s.length = "100";
        s.power = "30";
        s.threshold = "-75";
        s.antennaHeight = "30";
        s.groundElevation = "100";
    }
    d.sites[0].name = "North";
    d.sites[1].name = "South";
    d.conditions[ConditionInput::RainZone] = "K";
    return d;
}

// ---- the file ----

TEST(DesignFile, WrittenDesignReopensWithEveryValueAsTyped) {
    ScratchDir dir;
    LinkDesign d = exampleDesign();
    d.sites[1].watts = true;
    d.sites[1].power = " 1.5 ";  // blanks are part of the text as typed
    d.path.km = true;
    d.conditions[ConditionInput::Multipath] = "p530";
    d.profile.dem = {"tiles", "/abs/N41W082.hgt"};
    d.profile.subtractDiffraction = true;
    d.profile.criteria = "1.33:0.6";
    ASSERT_FALSE(writeDesignFile(dir / "a.hop", d));
    Result<LinkDesign> back = readDesignFile(dir / "a.hop");
    ASSERT_TRUE(back.ok()) << back.error->message();
    EXPECT_EQ(designJson(*back.value), designJson(d));
    EXPECT_EQ(back.value->sites[1].power, " 1.5 ");
    EXPECT_TRUE(back.value->sites[1].watts);
    EXPECT_EQ(back.value->baseDir, dir.path());
    EXPECT_EQ(resolvePath(*back.value, "tiles"), (dir / "tiles").string());
    EXPECT_EQ(resolvePath(*back.value, "/abs/N41W082.hgt"), "/abs/N41W082.hgt");
}

TEST(DesignFile, MissingKeysTakeTheirDefaults) {
    Result<LinkDesign> d = parseDesign(
        R"({"format": "hopscale-design", "version": 1, "sites": [{}, {"dish": "8"}]})", "x.hop");
    ASSERT_TRUE(d.ok()) << d.error->message();
    const LinkDesign defaults;
    EXPECT_EQ(d.value->path.freq, defaults.path.freq);
    EXPECT_EQ(d.value->sites[0].dish, defaults.sites[0].dish);
    EXPECT_EQ(d.value->sites[1].dish, "8");
    EXPECT_EQ(d.value->conditions[ConditionInput::Polarisation], "v");
}

TEST(DesignFile, EveryKindOfBadFileNamesTheFileAndTheKey) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"format": "hopscale-design", "version": 1, "sites": [{}, {"dihs": "6"}]})",
         R"(sites[1].dihs: unknown key; did you mean "dish"?)"},
        {R"({"format": "hopscale-design", "version": 1, "path": {"freq": 11}})",
         "path.freq: must be a text, not a number"},
        {R"({"format": "hopscale-design", "version": 1, "path": {"km": "1"}})",
         "path.km: must be true or false, not a text"},
        {"{\"format\": \"hopscale-design\",\n \"version\": 1,,}", "line 2, column 15"},
        {R"({"format": "something-else", "version": 1})", "format: must be \"hopscale-design\""},
        {R"({"format": "hopscale-design", "version": 2})", "version: is 2"},
        {R"({"format": "hopscale-design", "version": 1, "sites": [{}]})",
         "sites: must hold exactly two sites"},
        {R"({"format": "hopscale-design", "version": 1, "conditions": {"threshold": "-70"}})",
         "conditions.threshold: unknown key"},
        {R"({"format": "hopscale-design", "version": 1, "profile": {"dem": ["a;b"]}})",
         "profile.dem[0]"},
        {R"({"format": "hopscale-design", "version": 1, "extra": 1})", "extra: unknown key"},
        {R"([1, 2])", "one JSON object"},
        {R"({"format": 8888000000000000373554960302e888888})", "a number is out of range"},
    };
    for (const Case& c : cases) {
        Result<LinkDesign> d = parseDesign(c.text, "bad.hop");
        ASSERT_FALSE(d.ok()) << c.text;
        EXPECT_EQ(d.error->kind, ErrorKind::BadFile);
        const std::string message = d.error->message();
        EXPECT_NE(message.find("bad.hop"), std::string::npos) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
}

TEST(DesignFile, AMissingFileIsNamedAndABadOneIsLeftAsItWas) {
    ScratchDir dir;
    Result<LinkDesign> missing = readDesignFile(dir / "none.hop");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error->kind, ErrorKind::FileNotFound);
    const std::string bad = R"({"format": "hopscale-design", "version": 1, "name": 5})";
    write(dir / "bad.hop", bad);
    EXPECT_FALSE(readDesignFile(dir / "bad.hop").ok());
    EXPECT_EQ(slurp(dir / "bad.hop"), bad);
}

// ---- both directions ----

TEST(LinkStudy, ASymmetricDesignGivesTheSameFiguresBothWays) {
    Result<LinkStudy> s = evaluate(symmetricDesign());
    ASSERT_TRUE(s.ok()) << s.error->message();
    const auto& ab = s.value->directions[0];
    const auto& ba = s.value->directions[1];
    ASSERT_TRUE(ab.performance && ba.performance);
    EXPECT_EQ(ab.fromName, "North");
    EXPECT_EQ(ba.fromName, "South");
    EXPECT_EQ(ab.state.results.receiveSignalLevel, ba.state.results.receiveSignalLevel);
    EXPECT_EQ(ab.performance->availabilityPercent, ba.performance->availabilityPercent);
    ASSERT_TRUE(s.value->twoWay);
    EXPECT_DOUBLE_EQ(s.value->twoWay->outagePercent, 2 * ab.performance->outagePercent);
    EXPECT_DOUBLE_EQ(s.value->twoWay->availabilityPercent, 100 - 2 * ab.performance->outagePercent);
}

TEST(LinkStudy, AnAsymmetricDesignDiffersByExactlyTheAsymmetry) {
    LinkDesign d = symmetricDesign();
    d.sites[1].power = "27";       // South transmits 3 dB less
    d.sites[1].threshold = "-80";  // and hears 5 dB deeper
    Result<LinkStudy> s = evaluate(d);
    ASSERT_TRUE(s.ok()) << s.error->message();
    const auto& ab = *s.value->directions[0].performance;
    const auto& ba = *s.value->directions[1].performance;
    EXPECT_NEAR(ab.rslDbm - ba.rslDbm, 3.0, 1e-5);
    // North to South: South's threshold; South to North: North's.
    EXPECT_EQ(ab.thresholdDbm, -80);
    EXPECT_EQ(ba.thresholdDbm, -75);
    EXPECT_NEAR(ab.flatFadeMarginDb - ba.flatFadeMarginDb, 3.0 + 5.0, 1e-5);
    EXPECT_EQ(s.value->twoWay->worse, End::To);
}

TEST(LinkStudy, EachDirectionUsesItsTransmitterAndTheOtherEndsReceiver) {
    LinkDesign d = symmetricDesign();
    d.sites[0].dish = "4";
    d.sites[0].loss = "1";
    d.sites[0].ampGain = "3";
    d.sites[1].preampGain = "2";
    Result<PathInputs> ab = directionInputs(d, End::From, {});
    Result<PathInputs> ba = directionInputs(d, End::To, {});
    ASSERT_TRUE(ab.ok() && ba.ok());
    EXPECT_EQ((*ab.value)[Field::Text1], "4");
    EXPECT_EQ((*ab.value)[Field::Text3], "6");
    EXPECT_EQ((*ab.value)[Field::Text2], "1");
    EXPECT_EQ((*ab.value)[Field::Text15], "3");
    EXPECT_EQ((*ab.value)[Field::Text4], "2");
    EXPECT_EQ((*ba.value)[Field::Text1], "6");
    EXPECT_EQ((*ba.value)[Field::Text3], "4");
    EXPECT_EQ((*ba.value)[Field::Text8], "1");
    EXPECT_EQ((*ba.value)[Field::Text15], "0");
}

TEST(LinkStudy, ErrorsNameTheDesignKeyOfTheDirectionThatFailed) {
    LinkDesign d = symmetricDesign();
    d.sites[1].dish = "abc";
    Result<LinkStudy> s = evaluate(d);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "sites[1].dish");
    d = symmetricDesign();
    d.sites[0].threshold = "loud";  // read when South transmits to North
    s = evaluate(d);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "sites[0].threshold");
    d = symmetricDesign();
    d.conditions[ConditionInput::RainZone] = "Z";
    s = evaluate(d);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "conditions.rain-zone");
    d = symmetricDesign();
    d.sites[0].lineType = "WR90";
    s = evaluate(d);  // no data directory to look it up in
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "sites[0].line-type");
}

// ---- the rules that join budget, performance and terrain ----

// A 20 km profile with a ridge near the middle; no coordinates.
void writeRidgeProfile(const std::filesystem::path& file, double ridgeM) {
    std::string csv = "distance_km,elevation_m\n";
    for (int i = 0; i <= 20; ++i) {
        const double h = i == 10 ? ridgeM : 100.0;
        csv += std::to_string(i) + "," + std::to_string(h) + "\n";
    }
    write(file, csv);
}

TEST(LinkRules, HeightsAndGroundAreOneInputForTheProfileAndP530) {
    ScratchDir dir;
    writeRidgeProfile(dir / "ridge.csv", 120);
    LinkDesign d = symmetricDesign();
    d.sites[0].groundElevation = "";  // from the profile's end
    d.sites[1].antennaHeight = "25";
    d.conditions[ConditionInput::Multipath] = "p530";
    d.conditions[ConditionInput::GeoclimaticK] = "1e-4";
    d.conditions[ConditionInput::DN75] = "300";
    d.conditions[ConditionInput::CentreLatitude] = "45";
    d.profile.profile = "ridge.csv";
    d.baseDir = dir.path();
    Result<LinkStudy> s = evaluate(d);
    ASSERT_TRUE(s.ok()) << s.error->message();
    ASSERT_TRUE(s.value->clearance);
    EXPECT_EQ(s.value->clearance->antennas.fromM, 30);
    EXPECT_EQ(s.value->clearance->antennas.toM, 25);
    EXPECT_TRUE(s.value->sites[0].groundFromProfile);
    EXPECT_EQ(*s.value->sites[0].groundM, 100);
    const auto& ab = s.value->directions[0].conditionTexts;
    EXPECT_EQ(ab[ConditionInput::AntennaHeights], "30,25");
    EXPECT_EQ(ab[ConditionInput::GroundElevations], "100,100");
    // The mean terrain of the profile feeds P.530 when none is typed.
    EXPECT_NEAR(std::stod(ab[ConditionInput::MeanTerrain]), s.value->clearance->meanTerrainM, 1e-9);
    const auto& ba = s.value->directions[1].conditionTexts;
    EXPECT_EQ(ba[ConditionInput::AntennaHeights], "25,30");
}

TEST(LinkRules, TheDiffractionLossIsTakenFromTheMarginOnlyWhenAsked) {
    ScratchDir dir;
    writeRidgeProfile(dir / "ridge.csv", 160);  // grazing the line of sight
    LinkDesign d = symmetricDesign();
    d.profile.profile = (dir / "ridge.csv").string();
    Result<LinkStudy> kept = evaluate(d);
    ASSERT_TRUE(kept.ok()) << kept.error->message();
    // The loss taken is the delta-Bullington loss at the design's k, not the P.530 planning
    // figure.
    ASSERT_TRUE(kept.value->propagation);
    EXPECT_NE(kept.value->propagation->diffraction.method.find("delta-Bullington"),
              std::string::npos);
    const double loss = kept.value->propagation->diffraction.lossDb;
    ASSERT_GT(loss, 0);
    EXPECT_EQ(kept.value->diffractionSubtractedDb, 0);

    d.profile.subtractDiffraction = true;
    Result<LinkStudy> taken = evaluate(d);
    ASSERT_TRUE(taken.ok());
    EXPECT_EQ(taken.value->diffractionSubtractedDb, loss);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(kept.value->directions[i].performance->flatFadeMarginDb -
                        taken.value->directions[i].performance->flatFadeMarginDb,
                    loss, 1e-9);
    }
}

TEST(LinkRules, AProfileOfAnotherLengthIsAWarning) {
    ScratchDir dir;
    writeRidgeProfile(dir / "ridge.csv", 100);
    LinkDesign d = symmetricDesign();
    d.path.length = "25";
    d.profile.profile = (dir / "ridge.csv").string();
    Result<LinkStudy> s = evaluate(d);
    ASSERT_TRUE(s.ok()) << s.error->message();
    ASSERT_EQ(s.value->warnings.size(), 1u);
    EXPECT_NE(s.value->warnings[0].find("20.000 km"), std::string::npos);
    d.path.length = "20.1";  // within 1 %
    s = evaluate(d);
    EXPECT_TRUE(s.value->warnings.empty());
}

TEST(LinkRules, AProfileNeedsBothAntennaHeights) {
    ScratchDir dir;
    writeRidgeProfile(dir / "ridge.csv", 100);
    LinkDesign d = symmetricDesign();
    d.sites[1].antennaHeight = "";
    d.profile.profile = (dir / "ridge.csv").string();
    Result<LinkStudy> s = evaluate(d);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "sites[1].antenna-height");
}

// ---- rows ----

TEST(ResultRows, NumbersAreWrittenOnceToTheirPrecision) {
    ResultRow row{"k", "c", "dB", 1.25, 1, "g", {}};
    EXPECT_EQ(rowText(row), "1.2");  // to nearest even at the tie as printf does
    row.value = -0.04;
    EXPECT_EQ(rowText(row), "0.0");  // no negative zero
    row.value = std::monostate{};
    EXPECT_EQ(rowText(row), "-");
    row.value = true;
    EXPECT_EQ(rowText(row), "yes");
    row.value = 0.1;
    row.precision = -1;
    EXPECT_EQ(rowText(row), "0.1");
}

TEST(ResultRows, EveryRowKeyIsUniqueAndTheCsvQuotesWhatNeedsIt) {
    LinkDesign d = symmetricDesign();
    d.sites[0].name = "North, upper";
    Result<LinkStudy> s = evaluate(d);
    ASSERT_TRUE(s.ok());
    const auto rows = resultRows(d, *s.value);
    std::set<std::string> keys;
    for (const ResultRow& r : rows) EXPECT_TRUE(keys.insert(r.key).second) << r.key;
    EXPECT_TRUE(keys.count("ab.rslDbm") && keys.count("ba.rslDbm"));
    EXPECT_TRUE(keys.count("twoWay.availabilityPercent"));
    const std::string csv = rowsCsv(rows);
    EXPECT_NE(csv.find("sites[0].name,\"Site From: North, upper\",Name,,\"North, upper\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace hopscale::design

namespace hopscale::design {
namespace {

TEST(LinkRules, ARainMapNamedRelativeToTheDesignIsReadFromItsFolder) {
    testing_files::ScratchDir dir;
    LinkDesign d = symmetricDesign();
    d.conditions[propagation::ConditionInput::RainZone] = "";
    d.conditions[propagation::ConditionInput::RainMap] = "R001.TXT";
    d.baseDir = dir.path();
    Result<LinkStudy> s = evaluate(d);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error->key, "conditions.rain-map");
    EXPECT_NE(s.error->message().find((dir / "R001.TXT").string()), std::string::npos)
        << s.error->message();
}

TEST(ResultRows, AvailabilityShowsItsOutageHoweverSmall) {
    LinkDesign d = symmetricDesign();
    d.path.length = "2";  // a short hop: an outage of a few parts in 10^9
    d.conditions[propagation::ConditionInput::RainZone] = "";
    Result<LinkStudy> s = evaluate(d);
    ASSERT_TRUE(s.ok()) << s.error->message();
    const double outage = s.value->directions[0].performance->outagePercent;
    ASSERT_GT(outage, 0);
    ASSERT_LT(outage, 1e-6);
    for (const ResultRow& row : resultRows(d, *s.value)) {
        if (row.key != "ab.availabilityPercent") continue;
        const std::string text = rowText(row);
        EXPECT_NE(text.substr(0, 3), "100") << text;
        EXPECT_EQ(text.substr(0, 9), "99.999999") << text;
    }
}

}  // namespace
}  // namespace hopscale::design
