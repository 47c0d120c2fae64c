#include "diffraction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "conversions.h"

namespace hopscale::terrain {
namespace {

constexpr double kPi = std::numbers::pi;

// Bullington's construction (P.526-16 section 4.5.1) over heights `h` at distances `d` (km,
// d[0] = 0), tips `hts`, `hrs` m a.s.l., earth curvature `ce` 1/km, wavelength `lambda` m.
// `h` may be null for a profile of zero heights.
double bullingtonDb(const std::vector<double>& d, const double* h, double hts, double hrs,
                    double ce, double lambda) {
    const std::size_t n = d.size() - 1;
    const double dtot = d[n];
    double stim = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < n; ++i) {
        const double hi = h ? h[i] : 0.0;
        stim = std::max(stim, (hi + 500 * ce * d[i] * (dtot - d[i]) - hts) / d[i]);
    }
    const double str = (hrs - hts) / dtot;
    double luc = 0;
    if (stim < str) {
        double nuMax = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 1; i < n; ++i) {
            const double hi = h ? h[i] : 0.0;
            const double above =
                hi + 500 * ce * d[i] * (dtot - d[i]) - (hts * (dtot - d[i]) + hrs * d[i]) / dtot;
            nuMax =
                std::max(nuMax, above * std::sqrt(0.002 * dtot / (lambda * d[i] * (dtot - d[i]))));
        }
        luc = knifeEdgeLossDb(nuMax);
    } else {
        double srim = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 1; i < n; ++i) {
            const double hi = h ? h[i] : 0.0;
            srim = std::max(srim, (hi + 500 * ce * d[i] * (dtot - d[i]) - hrs) / (dtot - d[i]));
        }
        const double dbp = (hrs - hts + srim * dtot) / (stim + srim);
        const double nub = (hts + stim * dbp - (hts * (dtot - dbp) + hrs * dbp) / dtot) *
                           std::sqrt(0.002 * dtot / (lambda * dbp * (dtot - dbp)));
        luc = knifeEdgeLossDb(nub);
    }
    return luc + (1 - std::exp(-luc / 6)) * (10 + 0.02 * dtot);
}

// The first-term spherical-earth loss for one set of ground constants (P.452-18 4.2.2.1).
double firstTermDb(double a, double dKm, double hte, double hre, double f, Polarisation pol,
                   double er, double sigma) {
    const double s = 18 * sigma / f;
    double k = 0.036 * std::pow(a * f, -1.0 / 3) * std::pow((er - 1) * (er - 1) + s * s, -0.25);
    if (pol == Polarisation::Vertical) k *= std::sqrt(er * er + s * s);
    const double k2 = k * k, k4 = k2 * k2;
    const double beta = (1 + 1.6 * k2 + 0.67 * k4) / (1 + 4.5 * k2 + 1.53 * k4);
    const double x = 21.88 * beta * std::cbrt(f / (a * a)) * dKm;
    const double yFactor = 0.9575 * beta * std::cbrt(f * f / a);
    const double fx = x >= 1.6 ? 11 + 10 * std::log10(x) - 17.6 * x
                               : -20 * std::log10(x) - 5.6488 * std::pow(x, 1.425);
    const double gMin = 2 + 20 * std::log10(k);
    auto g = [&](double y) {
        const double b = beta * y;
        const double value = b > 2 ? 17.6 * std::sqrt(b - 1.1) - 5 * std::log10(b - 1.1) - 8
                                   : 20 * std::log10(b + 0.1 * b * b * b);
        return std::max(value, gMin);
    };
    return -fx - g(yFactor * hte) - g(yFactor * hre);
}

double firstTermDb(double a, double dKm, double hte, double hre, double f, Polarisation pol,
                   double omega) {
    const double land = firstTermDb(a, dKm, hte, hre, f, pol, 22, 0.003);
    if (omega <= 0) return land;
    const double sea = firstTermDb(a, dKm, hte, hre, f, pol, 80, 5);
    return omega * sea + (1 - omega) * land;
}

std::string number(double v) { return doubleToText(v); }

}  // namespace

const char* polarisationName(Polarisation p) {
    return p == Polarisation::Horizontal ? "horizontal" : "vertical";
}

double knifeEdgeLossDb(double nu) {
    if (!(nu > -0.78)) return 0;
    const double t = nu - 0.1;
    return 6.9 + 20 * std::log10(std::sqrt(t * t + 1) + t);
}

double seaFractionOf(const Profile& profile) {
    const auto& p = profile.points;
    if (p.size() < 2) return 0;
    double sea = 0;
    for (std::size_t i = 1; i < p.size(); ++i) {
        const double marks = (p[i].sea ? 0.5 : 0.0) + (p[i - 1].sea ? 0.5 : 0.0);
        sea += marks * (p[i].distanceKm - p[i - 1].distanceKm);
    }
    const double total = p.back().distanceKm - p.front().distanceKm;
    return total > 0 ? std::clamp(sea / total, 0.0, 1.0) : 0.0;
}

SmoothEarthHeights smoothEarthHeights(const Profile& profile, double tipFromM, double tipToM) {
    const auto& p = profile.points;
    const std::size_t n = p.size() - 1;
    const double d0 = p.front().distanceKm;
    const double dtot = p[n].distanceKm - d0;
    double v1 = 0, v2 = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const double di = p[i].distanceKm - d0, dp = p[i - 1].distanceKm - d0;
        const double hi = p[i].groundM, hp = p[i - 1].groundM;
        v1 += (di - dp) * (hi + hp);
        v2 += (di - dp) * (hi * (2 * di + dp) + hp * (di + 2 * dp));
    }
    SmoothEarthHeights s;
    s.fitFromM = (2 * v1 * dtot - v2) / (dtot * dtot);
    s.fitToM = (v2 - v1 * dtot) / (dtot * dtot);
    // The obstruction above the line between the tips lowers the surface at both ends.
    double hobs = -std::numeric_limits<double>::infinity();
    double aobt = hobs, aobr = hobs;
    for (std::size_t i = 1; i < n; ++i) {
        const double di = p[i].distanceKm - d0;
        const double hi = p[i].groundM + p[i].obstructionM;
        const double above = hi - (tipFromM * (dtot - di) + tipToM * di) / dtot;
        hobs = std::max(hobs, above);
        aobt = std::max(aobt, above / di);
        aobr = std::max(aobr, above / (dtot - di));
    }
    double hst = s.fitFromM, hsr = s.fitToM;
    if (hobs > 0) {
        const double gt = aobt / (aobt + aobr);
        const double gr = aobr / (aobt + aobr);
        hst -= hobs * gt;
        hsr -= hobs * gr;
    }
    s.fromM = hst >= p.front().groundM ? p.front().groundM : hst;
    s.toM = hsr > p[n].groundM ? p[n].groundM : hsr;
    return s;
}

double sphericalEarthLossDb(double dKm, double hteM, double hreM, double apKm, double frequencyGhz,
                            Polarisation polarisation, double seaFraction) {
    // Antennas on the smooth surface itself: a millimetre keeps the formulas finite.
    const double hte = std::max(hteM, 1e-3), hre = std::max(hreM, 1e-3);
    const double d = dKm, f = frequencyGhz;
    const double lambda = kSpeedOfLightGm / f;
    const double dlos = std::sqrt(2 * apKm) * (std::sqrt(0.001 * hte) + std::sqrt(0.001 * hre));
    if (d >= dlos) return firstTermDb(apKm, d, hte, hre, f, polarisation, seaFraction);
    const double c = (hte - hre) / (hte + hre);
    const double m = 250 * d * d / (apKm * (hte + hre));
    double b = c;
    if (m > 1e-12) {
        const double arg =
            std::clamp(1.5 * c * std::sqrt(3 * m / ((m + 1) * (m + 1) * (m + 1))), -1.0, 1.0);
        b = 2 * std::sqrt((m + 1) / (3 * m)) * std::cos(kPi / 3 + std::acos(arg) / 3);
    }
    const double dse1 = d * (1 + b) / 2;
    const double dse2 = d - dse1;
    const double hse =
        ((hte - 500 * dse1 * dse1 / apKm) * dse2 + (hre - 500 * dse2 * dse2 / apKm) * dse1) / d;
    const double hreq = 17.456 * std::sqrt(dse1 * dse2 * lambda / d);
    if (hse > hreq) return 0;
    const double root = d / (std::sqrt(hte) + std::sqrt(hre));
    const double aem = 500 * root * root;
    const double ldft = firstTermDb(aem, d, hte, hre, f, polarisation, seaFraction);
    return std::max(0.0, (1 - hse / hreq) * ldft);
}

Result<DiffractionResult> computeDiffraction(const Profile& profile,
                                             const DiffractionInputs& inputs) {
    if (!(inputs.frequencyGhz > 0) || !std::isfinite(inputs.frequencyGhz))
        return Error::invalidArgument("frequency", number(inputs.frequencyGhz),
                                      "must be above 0 GHz");
    if (!(inputs.earthFactor > 0) || !std::isfinite(inputs.earthFactor))
        return Error::invalidArgument("earth factor k", number(inputs.earthFactor),
                                      "must be above 0");
    if (!(inputs.antennas.fromM >= 0) || !(inputs.antennas.toM >= 0) ||
        !std::isfinite(inputs.antennas.fromM + inputs.antennas.toM)) {
        return Error::invalidArgument("antenna heights", "",
                                      "must be 0 m or more above the ground");
    }
    if (inputs.seaFraction && !(*inputs.seaFraction >= 0 && *inputs.seaFraction <= 1))
        return Error::invalidArgument("sea fraction", number(*inputs.seaFraction),
                                      "must be from 0 to 1");
    if (auto e = checkProfileShape(profile, "profile")) return *e;

    const auto& pts = profile.points;
    const std::size_t n = pts.size() - 1;
    const double f = inputs.frequencyGhz;
    const double lambda = kSpeedOfLightGm / f;
    const double ae = kEarthRadiusKm * inputs.earthFactor;
    const double ce = 1 / ae;
    const double dtot = pts[n].distanceKm;
    const double hts = pts.front().groundM + inputs.antennas.fromM;
    const double hrs = pts[n].groundM + inputs.antennas.toM;

    std::vector<double> d(n + 1), h(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
        d[i] = pts[i].distanceKm;
        h[i] = pts[i].groundM + pts[i].obstructionM;
    }

    DiffractionResult r;
    r.earthFactor = inputs.earthFactor;
    r.effectiveRadiusKm = ae;
    r.frequencyGhz = f;
    r.polarisation = inputs.polarisation;
    r.seaFraction = inputs.seaFraction ? *inputs.seaFraction : seaFractionOf(profile);

    // The dominant knife edge: the point of largest nu, and the worst clearance in F1 as the
    // clearance criteria measure it, for the planning figure.
    double worstF1 = std::numeric_limits<double>::infinity();
    double worstClearance = 0, worstF1Radius = 1;
    r.knifeEdge.nu = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < n; ++i) {
        const double d1 = d[i], d2 = dtot - d[i];
        const double lineOfSight = (hts * d2 + hrs * d1) / dtot;
        const double above = h[i] + 500 * ce * d1 * d2 - lineOfSight;
        const double nu = above * std::sqrt(0.002 * dtot / (lambda * d1 * d2));
        if (nu > r.knifeEdge.nu) {
            r.knifeEdge.nu = nu;
            r.knifeEdge.index = i;
            r.knifeEdge.distanceKm = d1;
            r.knifeEdge.heightM = above;
        }
        const double f1 = 17.3 * std::sqrt(d1 * d2 / (f * dtot));
        const double clearance = lineOfSight - (h[i] + d1 * d2 / (12.74 * inputs.earthFactor));
        if (clearance / f1 < worstF1) {
            worstF1 = clearance / f1;
            worstClearance = clearance;
            worstF1Radius = f1;
        }
    }
    r.knifeEdge.lossDb = knifeEdgeLossDb(r.knifeEdge.nu);
    r.worstClearanceF1 = worstF1;
    const double planning = averageTerrainDiffractionDb(worstClearance, worstF1Radius);
    if (worstF1 >= -1.5 && worstF1 <= 0 && planning <= 25) r.averageTerrainDb = planning;

    r.smoothEarth = smoothEarthHeights(profile, hts, hrs);
    const double hte = hts - r.smoothEarth.fromM;
    const double hre = hrs - r.smoothEarth.toM;
    r.bullingtonDb = bullingtonDb(d, h.data(), hts, hrs, ce, lambda);
    r.smoothBullingtonDb = bullingtonDb(d, nullptr, hte, hre, ce, lambda);
    r.sphericalEarthDb =
        sphericalEarthLossDb(dtot, hte, hre, ae, f, inputs.polarisation, r.seaFraction);
    r.deltaBullingtonDb = r.bullingtonDb + std::max(r.sphericalEarthDb - r.smoothBullingtonDb, 0.0);
    r.lossDb = r.deltaBullingtonDb;
    return r;
}

}  // namespace hopscale::terrain
