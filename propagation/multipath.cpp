#include "multipath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hopscale::propagation {
namespace {

constexpr double kPi = std::numbers::pi;

// Section 2.3.2 for A < At, given pt (the percentage at At, worst month or average year).
double shallowFadePercent(double pt, double at, double a) {
    const double qaPrime = -20.0 * std::log10(-std::log((100.0 - pt) / 100.0)) / at;
    const double qt =
        (qaPrime - 2.0) / ((1.0 + 0.3 * std::pow(10.0, -at / 20.0)) * std::pow(10.0, -0.016 * at)) -
        4.3 * (std::pow(10.0, -at / 20.0) + at / 800.0);
    const double qa = 2.0 + (1.0 + 0.3 * std::pow(10.0, -a / 20.0)) * std::pow(10.0, -0.016 * a) *
                                (qt + 4.3 * (std::pow(10.0, -a / 20.0) + a / 800.0));
    return 100.0 * (1.0 - std::exp(-std::pow(10.0, -qa * a / 20.0)));
}

double transitionDepthDb(double p0) { return 25.0 + 1.2 * std::log10(p0); }

}  // namespace

MultipathGeometry multipathGeometry(const MultipathPath& p) {
    MultipathGeometry g;
    const double d = p.pathKm;
    g.inclinationMrad = std::abs(p.receiverHeightM - p.emitterHeightM) / d;
    g.altitudeM = (p.receiverHeightM + p.emitterHeightM) / 2.0 - d * d / 102.0 - p.meanTerrainM;
    g.lowerAntennaM = std::min(p.emitterHeightM, p.receiverHeightM);
    g.vsr = std::min(std::pow(p.dN75 / 50.0, 1.8) * std::exp(-g.altitudeM / (2.5 * std::sqrt(d))),
                     p.dN75 * std::pow(d, 1.5) * std::sqrt(p.frequencyGHz) / 24730.0);
    return g;
}

double multipathOccurrencePercent(const MultipathPath& p) {
    const MultipathGeometry g = multipathGeometry(p);
    const double f = p.frequencyGHz;
    return p.geoclimaticK * std::pow(p.pathKm, 3.51) * std::pow(f * f + 13.0, 0.447) *
           std::pow(10.0, -0.376 * std::tanh((g.altitudeM - 147.0) / 125.0) -
                              0.334 * std::pow(g.inclinationMrad, 0.39) -
                              0.00027 * g.lowerAntennaM + 17.85 * g.vsr);
}

double worstMonthFadePercent(double p0, double a) {
    const double at = transitionDepthDb(p0);
    if (a >= at) return p0 * std::pow(10.0, -a / 10.0);
    return shallowFadePercent(p0 * std::pow(10.0, -at / 10.0), at, a);
}

double worstMonthToYearDb(double xi, double d, double ep) {
    const double c = std::pow(std::abs(std::cos(2.0 * xi * kPi / 180.0)), 0.7);
    const double term = std::abs(xi) <= 45.0 ? 1.1 + c : 1.1 - c;
    const double dg =
        10.5 - 5.6 * std::log10(term) - 2.7 * std::log10(d) + 1.7 * std::log10(1.0 + ep);
    return std::min(dg, 10.8);
}

double annualFadePercent(double p0, double a, double dg) {
    const double factor = std::pow(10.0, -dg / 10.0);
    const double at = transitionDepthDb(p0);
    if (a >= at) return factor * p0 * std::pow(10.0, -a / 10.0);
    return shallowFadePercent(factor * p0 * std::pow(10.0, -at / 10.0), at, a);
}

double vigantsBarnettFraction(double a, double b, double f, double miles, double marginDb) {
    return a * b * 2.5e-6 * f * miles * miles * miles * std::pow(10.0, -marginDb / 10.0);
}

}  // namespace hopscale::propagation
