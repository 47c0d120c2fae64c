#include "gas_attenuation.h"

#include <cmath>

namespace hopscale::propagation {

GasModel::GasModel(const Atmosphere& atmosphere) : atmosphere_(atmosphere) {
    const double p = atmosphere.dryPressureHpa;
    const double theta = 300.0 / atmosphere.temperatureK;
    const double e = atmosphere.waterVapourGm3 * atmosphere.temperatureK / 216.7;  // hPa
    const double theta08 = std::pow(theta, 0.8);

    for (std::size_t i = 0; i < kOxygenLineCount; ++i) {
        const SpectralLine& l = kOxygenLines[i];
        OxygenLine& o = oxygen_[i];
        o.f0 = l.f0;
        o.strength = l.c1 * 1e-7 * p * theta * theta * theta * std::exp(l.c2 * (1.0 - theta));
        double width = l.c3 * 1e-4 * (p * std::pow(theta, 0.8 - l.c4) + 1.1 * e * theta);
        o.width = std::sqrt(width * width + 2.25e-6);  // Zeeman splitting
        o.interference = (l.c5 + l.c6 * theta) * 1e-4 * (p + e) * theta08;
    }
    for (std::size_t i = 0; i < kWaterVapourLineCount; ++i) {
        const SpectralLine& l = kWaterVapourLines[i];
        WaterLine& w = water_[i];
        w.f0 = l.f0;
        w.strength = l.c1 * 1e-1 * e * std::pow(theta, 3.5) * std::exp(l.c2 * (1.0 - theta));
        const double width =
            l.c3 * 1e-4 * (p * std::pow(theta, l.c4) + l.c5 * e * std::pow(theta, l.c6));
        // Doppler broadening
        w.width =
            0.535 * width + std::sqrt(0.217 * width * width + 2.1316e-12 * l.f0 * l.f0 / theta);
    }
    continuumWidth_ = 5.6e-4 * (p + e) * theta08;
    continuumFactor_ = p * theta * theta;
    pressureTerm_ = 1.4e-12 * p * std::pow(theta, 1.5);
}

GasSpecificAttenuation GasModel::specific(double f) const {
    // Both directions of a hop, and most rows of a batch, ask again for the last frequency in
    // the last atmosphere: give back what was found then (each thread keeps its own).
    struct Last {
        Atmosphere atmosphere;
        double frequencyGHz = -1;
        GasSpecificAttenuation result;
    };
    thread_local Last last;
    if (f == last.frequencyGHz && atmosphere_.dryPressureHpa == last.atmosphere.dryPressureHpa &&
        atmosphere_.temperatureK == last.atmosphere.temperatureK &&
        atmosphere_.waterVapourGm3 == last.atmosphere.waterVapourGm3) {
        return last.result;
    }
    last.result = compute(f);
    last.atmosphere = atmosphere_;
    last.frequencyGHz = f;
    return last.result;
}

GasSpecificAttenuation GasModel::compute(double f) const {
    double oxygen = 0;
    for (const OxygenLine& o : oxygen_) {
        const double below = o.f0 - f;
        const double above = o.f0 + f;
        const double w2 = o.width * o.width;
        const double shape = f / o.f0 *
                             ((o.width - o.interference * below) / (below * below + w2) +
                              (o.width - o.interference * above) / (above * above + w2));
        oxygen += o.strength * shape;
    }
    double water = 0;
    for (const WaterLine& w : water_) {
        const double below = w.f0 - f;
        const double above = w.f0 + f;
        const double w2 = w.width * w.width;
        const double shape =
            f / w.f0 * (w.width / (below * below + w2) + w.width / (above * above + w2));
        water += w.strength * shape;
    }
    const double d = continuumWidth_;
    const double ratio = f / d;
    const double dry =
        f * continuumFactor_ *
        (6.14e-5 / (d * (1.0 + ratio * ratio)) + pressureTerm_ / (1.0 + 1.9e-5 * std::pow(f, 1.5)));

    GasSpecificAttenuation out;
    out.oxygenDbPerKm = 0.1820 * f * (oxygen + dry);
    out.waterVapourDbPerKm = 0.1820 * f * water;
    out.totalDbPerKm = out.oxygenDbPerKm + out.waterVapourDbPerKm;
    return out;
}

GasSpecificAttenuation gasSpecificAttenuation(double frequencyGHz, const Atmosphere& atmosphere) {
    return GasModel(atmosphere).specific(frequencyGHz);
}

}  // namespace hopscale::propagation
