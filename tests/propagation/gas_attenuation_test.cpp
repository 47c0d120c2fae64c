// Gaseous attenuation against the ITU-R validation examples (Rev 8.3.0, standard atmosphere:
// 1013.25 hPa dry, 288.15 K, 7.5 g/m3), every GHz from 1 to 350, and the compiled line tables
// against the published tables.
#include "gas_attenuation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gas_lines.h"
#include "validation_csv.h"

namespace hopscale::propagation {
namespace {

using testing::expectRelative;
using testing::readValidationCsv;

TEST(GasLines, CompiledTablesMatchThePublishedTables) {
    struct Case {
        const char* file;
        const char* prefix;
        const SpectralLine* lines;
        std::size_t count;
    };
    for (const Case& c :
         {Case{"p676_13_lines_oxygen.csv", "a", kOxygenLines.data(), kOxygenLineCount},
          Case{"p676_13_lines_water_vapour.csv", "b", kWaterVapourLines.data(),
               kWaterVapourLineCount}}) {
        const auto table = readValidationCsv(c.file);
        ASSERT_EQ(table.rows.size(), c.count) << c.file;
        for (std::size_t i = 0; i < c.count; ++i) {
            const SpectralLine& l = c.lines[i];
            const double values[] = {l.f0, l.c1, l.c2, l.c3, l.c4, l.c5, l.c6};
            EXPECT_EQ(values[0], table.number(i, "f0")) << c.file << " row " << i;
            for (int j = 1; j <= 6; ++j) {
                EXPECT_EQ(values[j], table.number(i, c.prefix + std::to_string(j)))
                    << c.file << " row " << i << " column " << j;
            }
        }
    }
}

TEST(GasAttenuation, StandardAtmosphereMatchesEveryValidationFrequency) {
    const auto table = readValidationCsv("p676_13_valex_rev8.3.0_std_atm.csv");
    ASSERT_EQ(table.rows.size(), 350u);
    const GasModel model(Atmosphere{1013.25, 288.15, 7.5});
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const double f = table.number(i, "f_GHz");
        const GasSpecificAttenuation g = model.specific(f);
        const std::string at = "f " + std::to_string(f);
        expectRelative(g.oxygenDbPerKm, table.number(i, "gamma_o_dBkm"), 1e-9, at + " oxygen");
        expectRelative(g.waterVapourDbPerKm, table.number(i, "gamma_w_dBkm"), 1e-9, at + " water");
        expectRelative(g.totalDbPerKm, table.number(i, "gamma_dBkm"), 1e-9, at + " total");
    }
}

TEST(GasAttenuation, PublishedSpotValuesAndDryAir) {
    // Rounded figures quoted with the validation examples.
    const Atmosphere standard;
    EXPECT_NEAR(gasSpecificAttenuation(10, standard).totalDbPerKm, 0.0141985, 5e-8);
    EXPECT_NEAR(gasSpecificAttenuation(23, standard).totalDbPerKm, 0.194289, 5e-7);
    EXPECT_NEAR(gasSpecificAttenuation(60, standard).totalDbPerKm, 14.7783, 5e-5);
    // Without water vapour only oxygen attenuates; the 22 GHz water line disappears, and the
    // oxygen part barely moves (the vapour only broadens the oxygen lines).
    const GasSpecificAttenuation dry =
        gasSpecificAttenuation(22.235, Atmosphere{1013.25, 288.15, 0});
    EXPECT_EQ(dry.waterVapourDbPerKm, 0);
    EXPECT_NEAR(dry.oxygenDbPerKm, gasSpecificAttenuation(22.235, standard).oxygenDbPerKm, 1e-3);
}

}  // namespace
}  // namespace hopscale::propagation
