// Gaseous attenuation on a terrestrial path: ITU-R P.676-13 Annex 1, line by line.
//
// Specific attenuation gamma = gamma_o + gamma_w = 0.1820 f (N''_ox + N''_D + N''_wv) dB/km,
// summed over the 44 oxygen and 35 water-vapour lines of gas_lines.h, with the dry-air
// continuum. Valid 1 to 1000 GHz; the published check values cover 1 to 350 GHz.
#pragma once

#include <array>

#include "gas_lines.h"

namespace hopscale::propagation {

inline constexpr const char* kGasModelName = "ITU-R P.676-13 Annex 1";

// The air along the path.
struct Atmosphere {
    double dryPressureHpa = 1013.25;  // dry-air pressure p, hPa (not the total pressure)
    double temperatureK = 288.15;     // T, kelvin
    double waterVapourGm3 = 7.5;      // water-vapour density rho, g/m3
};

struct GasSpecificAttenuation {
    double oxygenDbPerKm = 0;       // gamma_o: oxygen lines and the dry continuum
    double waterVapourDbPerKm = 0;  // gamma_w
    double totalDbPerKm = 0;        // gamma_o + gamma_w
};

// The line strengths and widths for one atmosphere, computed once (they do not depend on the
// frequency), so that each frequency costs only the line shapes.
// Expects a pressure and temperature above 0 and a density of 0 or more; readLinkConditions
// checks these before building one.
class GasModel {
  public:
    explicit GasModel(const Atmosphere& atmosphere);

    const Atmosphere& atmosphere() const { return atmosphere_; }

    // Specific attenuation at f GHz (f > 0).
    GasSpecificAttenuation specific(double frequencyGHz) const;

  private:
    GasSpecificAttenuation compute(double frequencyGHz) const;
    struct OxygenLine {
        double f0, strength, width, interference;  // S, delta-f, delta
    };
    struct WaterLine {
        double f0, strength, width;
    };
    Atmosphere atmosphere_;
    std::array<OxygenLine, kOxygenLineCount> oxygen_{};
    std::array<WaterLine, kWaterVapourLineCount> water_{};
    double continuumWidth_ = 0;   // d, GHz
    double continuumFactor_ = 0;  // p theta^2
    double pressureTerm_ = 0;     // 1.4e-12 p theta^1.5
};

// Convenience for one frequency and atmosphere (builds a GasModel).
GasSpecificAttenuation gasSpecificAttenuation(double frequencyGHz, const Atmosphere& atmosphere);

}  // namespace hopscale::propagation
