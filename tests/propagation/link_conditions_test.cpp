// Reading the link conditions: defaults, the accepted forms, and each bad input rejected with
// an error naming that input by its caption.
#include "link_conditions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "test_files.h"

namespace hopscale::propagation {
namespace {

using I = ConditionInput;

LinkConditionTexts withThreshold() {
    LinkConditionTexts t;
    t[I::Threshold] = "-80";
    return t;
}

TEST(LinkConditions, InputTableIsCompleteAndInOrder) {
    const auto& inputs = allConditionInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(inputs[i].input), i);
        EXPECT_EQ(conditionInputByName(inputs[i].name), inputs[i].input);
        EXPECT_NE(std::string(inputs[i].caption), "");
    }
    EXPECT_FALSE(conditionInputByName("freq"));
}

TEST(LinkConditions, Defaults) {
    const Result<LinkConditions> c = readLinkConditions(withThreshold());
    ASSERT_TRUE(c) << c.error->message();
    EXPECT_EQ(c.value->thresholdDbm, -80);
    EXPECT_EQ(c.value->polarisationTiltDeg, 90);  // vertical
    EXPECT_EQ(c.value->rainSource, RainSource::None);
    EXPECT_EQ(c.value->multipath, MultipathMethod::VigantsBarnett);
    EXPECT_EQ(c.value->terrainFactor, 1);
    EXPECT_EQ(c.value->climateFactor, 0.25);
    EXPECT_EQ(c.value->targetPercent, 99.999);
    EXPECT_EQ(c.value->extraLossDb, 0);
    EXPECT_EQ(c.value->gas->atmosphere().dryPressureHpa, 1013.25);
    EXPECT_NEAR(c.value->gas->atmosphere().temperatureK, 288.15, 1e-12);
    EXPECT_EQ(c.value->gas->atmosphere().waterVapourGm3, 7.5);
}

TEST(LinkConditions, AcceptedForms) {
    LinkConditionTexts t = withThreshold();
    t[I::Polarisation] = " H ";
    t[I::RainZone] = "k";
    t[I::Multipath] = "P530";
    t[I::GeoclimaticK] = "-4";  // log10 K
    t[I::DN75] = "40";
    t[I::GroundElevations] = "200, 150";
    t[I::AntennaHeights] = "100,100";
    t[I::MeanTerrain] = "150";
    const Result<LinkConditions> c = readLinkConditions(t);
    ASSERT_TRUE(c) << c.error->message();
    EXPECT_EQ(c.value->polarisationTiltDeg, 0);
    EXPECT_EQ(c.value->rainSource, RainSource::Zone);
    EXPECT_EQ(c.value->rainZone, 'K');
    EXPECT_EQ(c.value->rainRateMmH, 42);
    EXPECT_EQ(c.value->multipath, MultipathMethod::P530);
    EXPECT_TRUE(c.value->kFromLogK);
    EXPECT_NEAR(c.value->geoclimaticK, 1e-4, 1e-18);
    EXPECT_EQ(c.value->groundFromM, 200);
    EXPECT_EQ(c.value->groundToM, 150);

    t[I::Polarisation] = "30";
    t[I::RainZone] = "";
    t[I::RainRate] = "0";
    t[I::GeoclimaticK] = "1e-4";
    const Result<LinkConditions> tilt = readLinkConditions(t);
    ASSERT_TRUE(tilt) << tilt.error->message();
    EXPECT_EQ(tilt.value->polarisationTiltDeg, 30);
    EXPECT_EQ(tilt.value->rainSource, RainSource::Rate);
    EXPECT_FALSE(tilt.value->kFromLogK);
}

struct BadCase {
    I input;
    const char* text;
    ErrorKind kind;
    const char* caption;
};

TEST(LinkConditions, EachBadInputIsNamed) {
    const BadCase cases[] = {
        {I::Threshold, "abc", ErrorKind::TypeMismatch, "Receiver threshold"},
        {I::Threshold, "", ErrorKind::TypeMismatch, "Receiver threshold"},
        {I::Threshold, "1e999", ErrorKind::Overflow, "Receiver threshold"},
        {I::Polarisation, "x", ErrorKind::TypeMismatch, "Polarisation"},
        {I::Polarisation, "91", ErrorKind::InvalidArgument, "Polarisation"},
        {I::Polarisation, "-1", ErrorKind::InvalidArgument, "Polarisation"},
        {I::RainRate, "-0.5", ErrorKind::InvalidArgument, "Rain rate R0.01"},
        {I::RainRate, "lots", ErrorKind::TypeMismatch, "Rain rate R0.01"},
        {I::RainZone, "I", ErrorKind::InvalidArgument, "Rain zone"},
        {I::RainZone, "O", ErrorKind::InvalidArgument, "Rain zone"},
        {I::RainZone, "R", ErrorKind::InvalidArgument, "Rain zone"},
        {I::RainZone, "KK", ErrorKind::InvalidArgument, "Rain zone"},
        {I::RainMap, "/nonexistent/R001.TXT", ErrorKind::FileNotFound, "Rain map file"},
        {I::Multipath, "fast", ErrorKind::InvalidArgument, "Multipath method"},
        {I::TerrainFactor, "0", ErrorKind::InvalidArgument, "Terrain factor a"},
        {I::ClimateFactor, "b", ErrorKind::TypeMismatch, "Climate factor b"},
        {I::CentreLatitude, "91", ErrorKind::InvalidArgument, "Path-centre latitude"},
        {I::Pressure, "0", ErrorKind::InvalidArgument, "Dry-air pressure"},
        {I::Temperature, "-300", ErrorKind::InvalidArgument, "Temperature"},
        {I::WaterVapour, "-1", ErrorKind::InvalidArgument, "Water-vapour density"},
        {I::Target, "100", ErrorKind::InvalidArgument, "Target availability"},
        {I::Target, "0", ErrorKind::InvalidArgument, "Target availability"},
        {I::ExtraLoss, "6 dB", ErrorKind::TypeMismatch, "Extra path loss"},
    };
    for (const BadCase& c : cases) {
        LinkConditionTexts t = withThreshold();
        t[c.input] = c.text;
        const Result<LinkConditions> r = readLinkConditions(t);
        ASSERT_FALSE(r) << c.caption << " \"" << c.text << "\" was accepted";
        EXPECT_EQ(r.error->kind, c.kind) << c.caption << " \"" << c.text << "\"";
        EXPECT_EQ(r.error->input, c.caption) << c.text;
        EXPECT_NE(r.error->message().find(c.caption), std::string::npos) << r.error->message();
    }
}

TEST(LinkConditions, P530NeedsItsInputsAndTheirForms) {
    LinkConditionTexts t = withThreshold();
    t[I::Multipath] = "p530";
    Result<LinkConditions> r = readLinkConditions(t);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error->input, "Geoclimatic factor K");
    t[I::GeoclimaticK] = "0";
    EXPECT_EQ(readLinkConditions(t).error->input, "Geoclimatic factor K");
    t[I::GeoclimaticK] = "1e-4";
    EXPECT_EQ(readLinkConditions(t).error->input, "Refractivity gradient dN75");
    t[I::DN75] = "40";
    EXPECT_EQ(readLinkConditions(t).error->input, "Ground elevations");
    t[I::GroundElevations] = "200";  // one number only
    r = readLinkConditions(t);
    EXPECT_EQ(r.error->input, "Ground elevations");
    EXPECT_NE(r.error->message().find("from,to"), std::string::npos);
    t[I::GroundElevations] = "200,150";
    t[I::AntennaHeights] = "30,-2";
    EXPECT_EQ(readLinkConditions(t).error->input, "Antenna heights");
    t[I::AntennaHeights] = "30,40";
    EXPECT_EQ(readLinkConditions(t).error->input, "Mean terrain height");
    t[I::MeanTerrain] = "120";
    EXPECT_TRUE(readLinkConditions(t));
    // The Vigants-Barnett method needs none of them.
    LinkConditionTexts vb = withThreshold();
    vb[I::GeoclimaticK] = "";
    EXPECT_TRUE(readLinkConditions(vb));
}

TEST(LinkConditions, OnlyOneRainSource) {
    LinkConditionTexts t = withThreshold();
    t[I::RainRate] = "42";
    t[I::RainZone] = "K";
    const Result<LinkConditions> r = readLinkConditions(t);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error->input, "Rain");
}

TEST(LinkConditions, RainMapFileIsReadAndReusedUntilItChanges) {
    testing_files::ScratchDir dir;
    const std::string path = (dir / "R001.TXT").string();
    auto writeMap = [&](const char* value) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        for (int r = 0; r < RainMap::kRows; ++r) {
            for (int c = 0; c < RainMap::kColumns; ++c) {
                std::fputs(value, f);
                std::fputc(c + 1 == RainMap::kColumns ? '\n' : ' ', f);
            }
        }
        std::fclose(f);
    };
    writeMap("42");
    LinkConditionTexts t = withThreshold();
    t[I::RainMap] = path;
    const Result<LinkConditions> first = readLinkConditions(t);
    ASSERT_TRUE(first) << first.error->message();
    EXPECT_EQ(first.value->rainSource, RainSource::Map);
    EXPECT_EQ(first.value->rainMap->rateAt(41, -81), 42);
    const Result<LinkConditions> again = readLinkConditions(t);
    EXPECT_EQ(again.value->rainMap.get(), first.value->rainMap.get());

    // A file of the wrong shape is a bad file naming the input and the file.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("1 2 3\n", f);
    std::fclose(f);
    const Result<LinkConditions> bad = readLinkConditions(t);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error->kind, ErrorKind::BadFile);
    EXPECT_EQ(bad.error->input, "Rain map file");
    EXPECT_EQ(bad.error->file, path);
}

}  // namespace
}  // namespace hopscale::propagation
