// Rain: P.838-3 coefficients against the ITU-R validation examples (slant paths, so the
// elevation terms are exercised), the path attenuation and its exceedance against the check
// values worked out with two independent public implementations of P.530-18, the inverse
// against the forward power law, the P.837-1 zones and the P.837-7 map reader.
#include "rain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "test_files.h"
#include "validation_csv.h"

namespace hopscale::propagation {
namespace {

using testing::expectRelative;
using testing::readValidationCsv;

TEST(RainCoefficients, EveryValidationRow) {
    const auto table = readValidationCsv("p838_3_valex_rev8.3.0.csv");
    ASSERT_EQ(table.rows.size(), 16u);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const double f = table.number(i, "f_GHz");
        const double elevation = table.number(i, "elev_deg");
        const double tau = table.number(i, "tau_deg");
        const std::string at = "row " + std::to_string(i + 1);
        const RainCoefficientsHV hv = rainCoefficientsHV(f);
        expectRelative(hv.kH, table.number(i, "kH"), 1e-9, at + " kH");
        expectRelative(hv.kV, table.number(i, "kV"), 1e-9, at + " kV");
        expectRelative(hv.alphaH, table.number(i, "alphaH"), 1e-9, at + " alphaH");
        expectRelative(hv.alphaV, table.number(i, "alphaV"), 1e-9, at + " alphaV");
        const RainCoefficients c = rainCoefficients(f, tau, elevation);
        expectRelative(c.k, table.number(i, "k"), 1e-9, at + " k");
        expectRelative(c.alpha, table.number(i, "alpha"), 1e-9, at + " alpha");
        expectRelative(rainSpecificAttenuation(c, table.number(i, "R_mmh")),
                       table.number(i, "gammaR_dBkm"), 1e-9, at + " gamma");
    }
}

TEST(RainCoefficients, TerrestrialPathAgreesWithThePublishedTable) {
    // P.838-3 Table 5 at 10 GHz (rounded as printed).
    const RainCoefficients h = rainCoefficients(10, 0);
    const RainCoefficients v = rainCoefficients(10, 90);
    EXPECT_NEAR(h.k, 0.01217, 5e-6);
    EXPECT_NEAR(h.alpha, 1.2571, 5e-5);
    EXPECT_NEAR(v.k, 0.01129, 5e-6);
    EXPECT_NEAR(v.alpha, 1.2156, 5e-5);
    // Circular polarisation lies between the two: k is their mean, alpha the k-weighted mean.
    const RainCoefficients c = rainCoefficients(10, 45);
    EXPECT_NEAR(c.k, (h.k + v.k) / 2, 1e-15);
    EXPECT_NEAR(c.alpha, (h.k * h.alpha + v.k * v.alpha) / (h.k + v.k), 1e-12);
}

TEST(RainPath, CheckValuesAt23GHz) {
    const RainCoefficients c = rainCoefficients(23, 0);
    const double gamma = rainSpecificAttenuation(c, 42);
    EXPECT_NEAR(gamma, 5.8522, 5e-5);
    const double r = rainDistanceFactor(10, 42, c.alpha, 23);
    EXPECT_NEAR(r, 0.5800, 5e-5);
    const double a001 = gamma * r * 10;
    EXPECT_NEAR(a001, 33.942, 5e-4);
    EXPECT_NEAR(rainAttenuationExceeded(a001, 23, 0.001).attenuationDb, 66.159, 5e-4);
    EXPECT_NEAR(rainAttenuationExceeded(a001, 23, 0.1).attenuationDb, 12.822, 5e-4);
    EXPECT_NEAR(rainAttenuationExceeded(a001, 23, 1).attenuationDb, 3.587, 5e-4);
    const RainOutage o = rainOutagePercent(a001, 23, 30);
    EXPECT_NEAR(o.percent, 0.013941, 5e-7);
    EXPECT_FALSE(o.outsideRange);
}

TEST(RainPath, CheckValuesAt11GHz) {
    const RainCoefficients c = rainCoefficients(11, 0);
    const double a001 =
        rainSpecificAttenuation(c, 42) * rainDistanceFactor(25, 42, c.alpha, 11) * 25;
    EXPECT_NEAR(a001, 19.984, 5e-4);
    EXPECT_NEAR(rainAttenuationExceeded(a001, 11, 0.001).attenuationDb, 40.557, 5e-4);
    EXPECT_NEAR(rainOutagePercent(a001, 11, 15).percent, 0.021083, 5e-7);
}

TEST(RainPath, DistanceFactorIsCappedAt2Point5) {
    // 0.5 km at 5 GHz, alpha 1.2, R 5: 0.477 * 0.5^0.633 * 5^0.0876 * 5^0.123 = 0.4319 less
    // 10.579 (1 - e^-0.012) = 0.1262 leaves 0.3057, at most 0.4: r is the cap.
    EXPECT_EQ(rainDistanceFactor(0.5, 5, 1.2, 5), 2.5);
    // 1 km: 0.477 * 5^0.2106 = 0.6695 less 0.2509 leaves 0.4187, so r = 1 / 0.4187 = 2.389.
    EXPECT_NEAR(rainDistanceFactor(1, 5, 1.2, 5), 2.389, 2e-3);
    // A long hop is well below the cap.
    EXPECT_LT(rainDistanceFactor(50, 42, 1.0, 18), 1.0);
}

TEST(RainPath, PowerLawAnchorsBelowAndAbove10GHz) {
    // Below 10 GHz C0 = 0.12: C1 = 0.07^0.12 0.12^0.88 = exp(-0.31911 - 1.86583) = 0.112484,
    // C2 = 0.855 * 0.12 + 0.546 * 0.88 = 0.58308, C3 = 0.139 * 0.12 + 0.043 * 0.88 = 0.05452.
    const RainPowerLaw low = rainPowerLaw(8);
    EXPECT_NEAR(low.c1, 0.112484, 5e-6);
    EXPECT_NEAR(low.c2, 0.58308, 1e-12);
    EXPECT_NEAR(low.c3, 0.05452, 1e-12);
    // At 20 GHz C0 = 0.12 + 0.4 log10(2^0.8) = 0.216330 (the logarithm of (f/10)^0.8).
    const RainPowerLaw high = rainPowerLaw(20);
    EXPECT_NEAR(high.c2, 0.855 * 0.216330 + 0.546 * (1 - 0.216330), 1e-6);
    // At 0.01 % the law gives A0.01 times C1 0.01^-(C2 - 2 C3): 1 within a few per cent.
    EXPECT_NEAR(rainAttenuationExceeded(10, 20, 0.01).attenuationDb, 10, 0.3);
}

TEST(RainOutage, InverseGivesBackTheMarginFrom1To100GHz) {
    for (double f = 1; f <= 100; f += 0.5) {
        for (double a001 : {5.0, 20.0, 60.0}) {
            for (double margin : {0.5, 3.0, 10.0, 25.0, 50.0}) {
                const RainOutage o = rainOutagePercent(a001, f, margin);
                if (o.percent == 0) continue;  // beyond the law's reach
                EXPECT_NEAR(rainAttenuationExceeded(a001, f, o.percent).attenuationDb, margin, 1e-9)
                    << "f " << f << " A0.01 " << a001 << " F " << margin;
            }
        }
    }
}

TEST(RainOutage, FlagsOutsideTheMethodsRange) {
    // A margin far above A0.001 puts the outage below 0.001 %.
    EXPECT_TRUE(rainOutagePercent(20, 23, 60).outsideRange);
    // A margin well below A1 puts it above 1 %.
    EXPECT_TRUE(rainOutagePercent(20, 23, 0.5).outsideRange);
    // Far beyond the law's maximum there is no real root: 0 %, flagged, never NaN.
    const RainOutage none = rainOutagePercent(20, 23, 1e6);
    EXPECT_EQ(none.percent, 0);
    EXPECT_TRUE(none.outsideRange);
    // No rain attenuation, no rain outage.
    EXPECT_EQ(rainOutagePercent(0, 23, 10).percent, 0);
    EXPECT_FALSE(rainOutagePercent(0, 23, 10).outsideRange);
}

TEST(RainZones, P837Dash1Rates) {
    EXPECT_EQ(rainZoneRate('A'), 8);
    EXPECT_EQ(rainZoneRate('k'), 42);
    EXPECT_EQ(rainZoneRate('N'), 95);
    EXPECT_EQ(rainZoneRate('P'), 145);
    EXPECT_EQ(rainZoneRate('Q'), 115);
    EXPECT_FALSE(rainZoneRate('I'));
    EXPECT_FALSE(rainZoneRate('O'));
    EXPECT_FALSE(rainZoneRate('R'));
    EXPECT_FALSE(rainZoneRate('1'));
}

// A map whose value is linear in latitude and longitude, so bilinear interpolation is exact.
std::vector<float> linearMap() {
    std::vector<float> v(static_cast<std::size_t>(RainMap::kRows) * RainMap::kColumns);
    for (int r = 0; r < RainMap::kRows; ++r) {
        for (int c = 0; c < RainMap::kColumns; ++c) {
            const double lat = 90 - 0.125 * r;
            const double lon = -180 + 0.125 * c;
            v[static_cast<std::size_t>(r) * RainMap::kColumns + c] =
                static_cast<float>(100 + lat + lon / 8);
        }
    }
    return v;
}

TEST(RainMap, BilinearAtThePoint) {
    const RainMap map = RainMap::fromValues(linearMap(), "R001.TXT");
    EXPECT_NEAR(map.rateAt(41.4625, -81.5987), 100 + 41.4625 - 81.5987 / 8, 1e-4);
    EXPECT_NEAR(map.rateAt(-33.9, 151.2), 100 - 33.9 + 151.2 / 8, 1e-4);
    // East longitudes written 0..360 wrap onto the same point.
    EXPECT_NEAR(map.rateAt(10, 350), map.rateAt(10, -10), 1e-9);
    // Grid edges stay inside the grid (the last column, +180, is the -180 meridian again).
    EXPECT_NEAR(map.rateAt(90, 0), 100 + 90, 1e-4);
    EXPECT_NEAR(map.rateAt(-90, 179.875), 100 - 90 + 179.875 / 8, 1e-4);
    EXPECT_NEAR(map.rateAt(-90, -180), 100 - 90 - 180.0 / 8, 1e-4);
}

class RainMapFile : public ::testing::Test {
  protected:
    std::string write(const std::string& name, int rows, int columns) {
        const std::string path = (dir_ / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) std::fputs(c == 0 ? "1.5" : " 1.5", f);
            std::fputc('\n', f);
        }
        std::fclose(f);
        return path;
    }
    testing_files::ScratchDir dir_;
};

TEST_F(RainMapFile, MissingAndMisshapenFilesNameTheFileAndTheInput) {
    const Result<RainMap> missing = RainMap::read("/nonexistent/R001.TXT", "Rain map file");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error->kind, ErrorKind::FileNotFound);
    EXPECT_EQ(missing.error->input, "Rain map file");
    EXPECT_EQ(missing.error->file, "/nonexistent/R001.TXT");

    const Result<RainMap> fewRows =
        RainMap::read(write("rows", 3, RainMap::kColumns), "Rain map file");
    ASSERT_FALSE(fewRows);
    EXPECT_EQ(fewRows.error->kind, ErrorKind::BadFile);
    EXPECT_NE(fewRows.error->message().find("3 rows"), std::string::npos)
        << fewRows.error->message();

    const Result<RainMap> shortRow = RainMap::read(write("short", 2, 100), "Rain map file");
    ASSERT_FALSE(shortRow);
    EXPECT_EQ(shortRow.error->kind, ErrorKind::BadFile);
    EXPECT_NE(shortRow.error->message().find("100 numbers"), std::string::npos);
}

TEST_F(RainMapFile, AFullMapIsRead) {
    const Result<RainMap> map =
        RainMap::read(write("full", RainMap::kRows, RainMap::kColumns), "Rain map file");
    ASSERT_TRUE(map) << map.error->message();
    EXPECT_FLOAT_EQ(static_cast<float>(map.value->rateAt(12.3, 45.6)), 1.5f);
}

}  // namespace
}  // namespace hopscale::propagation
