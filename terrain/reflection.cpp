#include "reflection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "conversions.h"

namespace hopscale::terrain {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kMostSweepSteps = 100000;

// Everything about the profile and the surface that the antenna heights do not change.
struct Scene {
    std::vector<double> d;        // km
    std::vector<double> terrain;  // ground + obstruction, m
    std::vector<bool> marked;     // sea or reflecting
    bool anyMarked = false;
    double dtot = 0;
    double groundFrom = 0, groundTo = 0;
    double surfaceFrom = 0, surfaceTo = 0;  // the surface at the two ends, m a.s.l.
    double lambda = 0;
    double frequencyGhz = 0;
    Polarisation polarisation = Polarisation::Vertical;
    std::complex<double> eta;  // complex relative permittivity of the ground
    double roughnessM = 0;

    double surfaceAt(double x) const { return surfaceFrom + (surfaceTo - surfaceFrom) * x / dtot; }

    // Index of the profile point nearest to x km.
    std::size_t nearest(double x) const {
        auto it = std::lower_bound(d.begin(), d.end(), x);
        std::size_t i = static_cast<std::size_t>(it - d.begin());
        if (i >= d.size()) return d.size() - 1;
        if (i > 0 && x - d[i - 1] < d[i] - x) --i;
        return i;
    }

    // Ground + obstruction at x km, linear between points.
    double terrainAt(double x) const {
        auto it = std::lower_bound(d.begin(), d.end(), x);
        std::size_t i = static_cast<std::size_t>(it - d.begin());
        if (i == 0) return terrain.front();
        if (i >= d.size()) return terrain.back();
        const double t = (x - d[i - 1]) / (d[i] - d[i - 1]);
        return terrain[i - 1] + t * (terrain[i] - terrain[i - 1]);
    }

    // The specular point and the level for tips `hts`, `hrs` m a.s.l. at earth factor `k`.
    ReflectionPoint reflect(double k, double hts, double hrs) const {
        ReflectionPoint p;
        p.earthFactor = k;
        const double ae = kEarthRadiusKm * k;
        const double h1 = hts - surfaceFrom;
        const double h2 = hrs - surfaceTo;
        const double dd = dtot;
        if (!(h1 > 0) || !(h2 > 0)) {
            // A tip at or below the surface: its own end hides the reflection.
            p.state = ReflectionState::HiddenByEarth;
            p.distanceKm = h1 > 0 ? dd : 0;
            p.distanceToEndKm = dd - p.distanceKm;
            p.surfaceM = surfaceAt(p.distanceKm);
            p.fromAboveM = h1;
            p.toAboveM = h2;
            return p;
        }
        const double c = (h1 - h2) / (h1 + h2);
        const double m = 250 * dd * dd / (ae * (h1 + h2));
        double b = c;
        if (m > 1e-12) {
            const double arg =
                std::clamp(1.5 * c * std::sqrt(3 * m / ((m + 1) * (m + 1) * (m + 1))), -1.0, 1.0);
            b = 2 * std::sqrt((m + 1) / (3 * m)) * std::cos(kPi / 3 + std::acos(arg) / 3);
        }
        const double d1 = dd * (1 + b) / 2;
        const double d2 = dd - d1;
        p.distanceKm = d1;
        p.distanceToEndKm = d2;
        p.surfaceM = surfaceAt(d1);
        p.fromAboveM = h1 - 500 * d1 * d1 / ae;
        p.toAboveM = h2 - 500 * d2 * d2 / ae;
        if (!(p.fromAboveM > 0) || !(p.toAboveM > 0)) {
            p.state = ReflectionState::HiddenByEarth;
            return p;
        }
        const double sum = p.fromAboveM + p.toAboveM;
        const double psi = std::atan(sum / (1000 * dd));
        p.grazingDeg = psi * 180 / kPi;
        p.pathDifferenceM = 2 * p.fromAboveM * p.toAboveM / (1000 * dd);
        p.pathDifferenceWavelengths = p.pathDifferenceM / lambda;
        p.divergence = 1 / std::sqrt(1 + 2 * d1 * d2 / (ae * sum / 1000));
        const double sinPsi = std::sin(psi), cosPsi = std::cos(psi);
        const std::complex<double> root = std::sqrt(eta - cosPsi * cosPsi);
        p.reflection = polarisation == Polarisation::Horizontal
                           ? (sinPsi - root) / (sinPsi + root)
                           : (eta * sinPsi - root) / (eta * sinPsi + root);
        const double g = 2 * kPi * roughnessM * sinPsi / lambda;
        p.roughnessFactor = std::exp(-2 * g * g);

        // On a reflecting surface: where the user marked one, else where the ground lies within
        // the first Fresnel zone's depth of the surface.
        bool on = false;
        if (anyMarked) {
            on = marked[nearest(d1)];
        } else {
            const double depth = std::sqrt(lambda * 1000 * d1 * d2 / dd);
            on = std::fabs(terrainAt(d1) - p.surfaceM) <= depth;
        }
        if (!on) {
            p.state = ReflectionState::OffSurface;
            return p;
        }
        const std::complex<double> gEff = p.reflection * p.roughnessFactor * p.divergence;
        p.coefficient = std::abs(gEff);
        const double phase = -2 * kPi * p.pathDifferenceM / lambda;
        p.levelDb = 20 * std::log10(std::abs(1.0 + gEff * std::polar(1.0, phase)));
        return p;
    }
};

// The receive height in [a, b] where `level` is least (sign +1) or greatest (sign -1).
template <class Level>
double refineExtreme(const Level& level, double a, double b, double sign) {
    const double golden = 0.5 * (std::sqrt(5.0) - 1);
    double x1 = b - golden * (b - a), x2 = a + golden * (b - a);
    double f1 = sign * level(x1), f2 = sign * level(x2);
    for (int i = 0; i < 48 && b - a > 1e-4; ++i) {  // to 0.1 mm
        if (f1 < f2) {
            b = x2;
            x2 = x1;
            f2 = f1;
            x1 = b - golden * (b - a);
            f1 = sign * level(x1);
        } else {
            a = x1;
            x1 = x2;
            f1 = f2;
            x2 = a + golden * (b - a);
            f2 = sign * level(x2);
        }
    }
    return 0.5 * (a + b);
}

std::string number(double v) { return doubleToText(v); }

}  // namespace

Ground seaGround() { return {"sea", 80, 5}; }
Ground landGround() { return {"land", 22, 0.003}; }

Result<Ground> parseGround(const std::string& text, const std::string& optionName) {
    std::string t = text;
    while (!t.empty() && t.front() == ' ') t.erase(t.begin());
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t == "sea") return seaGround();
    if (t == "land") return landGround();
    const std::size_t comma = t.find(',');
    if (comma == std::string::npos || t.find(',', comma + 1) != std::string::npos)
        return Error::invalidArgument(optionName, text,
                                      "is not sea, land or ER,SIGMA (such as 15,0.01)");
    auto er = textToDouble(t.substr(0, comma));
    auto sigma = textToDouble(t.substr(comma + 1));
    if (!er || !sigma || !std::isfinite(*er) || !std::isfinite(*sigma))
        return Error::invalidArgument(optionName, text,
                                      "is not sea, land or ER,SIGMA (such as 15,0.01)");
    if (*er < 1)
        return Error::invalidArgument(optionName, text, "has a relative permittivity below 1");
    if (*sigma < 0)
        return Error::invalidArgument(optionName, text, "has a conductivity below 0 S/m");
    char name[96];
    std::snprintf(name, sizeof name, "er %g, sigma %g S/m", *er, *sigma);
    return Ground{name, *er, *sigma};
}

const char* describe(ReflectionState state) {
    switch (state) {
        case ReflectionState::OnSurface:
            return "on the surface";
        case ReflectionState::OffSurface:
            return "no specular reflection";
        case ReflectionState::HiddenByEarth:
            return "hidden by the earth";
    }
    return "";
}

Result<ReflectionResult> computeReflection(const Profile& profile, const ReflectionInputs& in) {
    if (!(in.frequencyGhz > 0) || !std::isfinite(in.frequencyGhz))
        return Error::invalidArgument("frequency", number(in.frequencyGhz), "must be above 0 GHz");
    if (in.earthFactors.empty()) return Error::invalidArgument("earth factor k", "", "none given");
    for (double k : in.earthFactors) {
        if (!(k > 0) || !std::isfinite(k))
            return Error::invalidArgument("earth factor k", number(k), "must be above 0");
    }
    if (!(in.sweepEarthFactor > 0) || !std::isfinite(in.sweepEarthFactor))
        return Error::invalidArgument("earth factor k", number(in.sweepEarthFactor),
                                      "must be above 0");
    if (!(in.antennas.fromM >= 0) || !(in.antennas.toM >= 0) ||
        !std::isfinite(in.antennas.fromM + in.antennas.toM))
        return Error::invalidArgument("antenna heights", "",
                                      "must be 0 m or more above the ground");
    if (!(in.roughnessM >= 0) || !std::isfinite(in.roughnessM))
        return Error::invalidArgument("roughness", number(in.roughnessM), "must be 0 m or more");
    if (!(in.ground.permittivity >= 1) || !(in.ground.conductivitySm >= 0))
        return Error::invalidArgument("ground", in.ground.name,
                                      "needs a permittivity of 1 or more and a "
                                      "conductivity of 0 or more");
    if (in.surfaceM && !std::isfinite(*in.surfaceM))
        return Error::invalidArgument("surface", number(*in.surfaceM), "is not a height");
    if (in.sweepSteps < 1 || in.sweepSteps > kMostSweepSteps)
        return Error::invalidArgument("sweep steps", std::to_string(in.sweepSteps),
                                      "must be 1 to 100000");
    if (auto e = checkProfileShape(profile, "profile")) return *e;

    const auto& pts = profile.points;
    Scene s;
    s.frequencyGhz = in.frequencyGhz;
    s.lambda = kSpeedOfLightGm / in.frequencyGhz;
    s.polarisation = in.polarisation;
    s.eta = {in.ground.permittivity, -17.98 * in.ground.conductivitySm / in.frequencyGhz};
    s.roughnessM = in.roughnessM;
    s.d.reserve(pts.size());
    s.terrain.reserve(pts.size());
    s.marked.reserve(pts.size());
    for (const ProfilePoint& p : pts) {
        s.d.push_back(p.distanceKm);
        s.terrain.push_back(p.groundM + p.obstructionM);
        s.marked.push_back(p.sea || p.reflecting);
        s.anyMarked = s.anyMarked || p.sea || p.reflecting;
    }
    s.dtot = pts.back().distanceKm;
    s.groundFrom = pts.front().groundM;
    s.groundTo = pts.back().groundM;
    const double hts = s.groundFrom + in.antennas.fromM;
    const double hrs = s.groundTo + in.antennas.toM;

    ReflectionResult r;
    r.ground = in.ground;
    r.roughnessM = in.roughnessM;
    r.sweepEarthFactor = in.sweepEarthFactor;
    if (in.surfaceM) {
        if (*in.surfaceM >= hts && *in.surfaceM >= hrs) {
            char tips[96];
            std::snprintf(tips, sizeof tips, "is not below the antenna tips (%.1f m and %.1f m)",
                          hts, hrs);
            return Error::invalidArgument("surface", number(*in.surfaceM), tips);
        }
        s.surfaceFrom = s.surfaceTo = *in.surfaceM;
        char name[64];
        std::snprintf(name, sizeof name, "level %.1f m", *in.surfaceM);
        r.surface = name;
    } else {
        const SmoothEarthHeights fit = smoothEarthHeights(profile, hts, hrs);
        s.surfaceFrom = fit.fitFromM;
        s.surfaceTo = fit.fitToM;
        r.surface = "fitted smooth earth";
    }

    for (double k : in.earthFactors) r.points.push_back(s.reflect(k, hts, hrs));

    const double from = in.sweepFromM.value_or(0);
    const double to = in.sweepToM.value_or(2 * in.antennas.toM);
    if (!(from >= 0) || !(to > from) || !std::isfinite(to)) {
        if (in.sweepFromM || in.sweepToM)
            return Error::invalidArgument("sweep", number(from) + "," + number(to),
                                          "must rise from 0 m or more to a larger height");
    } else {
        const double ks = in.sweepEarthFactor;
        auto level = [&](double h) { return s.reflect(ks, hts, s.groundTo + h).levelDb; };
        const int steps = in.sweepSteps;
        r.sweep.reserve(static_cast<std::size_t>(steps) + 1);
        for (int i = 0; i <= steps; ++i) {
            const double h = from + (to - from) * i / steps;
            r.sweep.push_back({h, level(h)});
        }
        for (std::size_t i = 1; i + 1 < r.sweep.size(); ++i) {
            const double before = r.sweep[i - 1].levelDb, here = r.sweep[i].levelDb,
                         after = r.sweep[i + 1].levelDb;
            const double a = r.sweep[i - 1].heightM, b = r.sweep[i + 1].heightM;
            // An extreme that runs into an end of the sweep is that end, not a null or peak
            // (at 0 m the receive antenna lies on the surface itself).
            const double edge = 1e-3 * (to - from);
            auto inside = [&](double h) { return h > from + edge && h < to - edge; };
            if (here < before && here <= after) {
                const double h = refineExtreme(level, a, b, 1);
                if (inside(h)) r.nullHeightsM.push_back(h);
            } else if (here > before && here >= after) {
                const double h = refineExtreme(level, a, b, -1);
                if (inside(h)) r.peakHeightsM.push_back(h);
            }
        }
    }
    const ReflectionPoint atSweep = s.reflect(in.sweepEarthFactor, hts, hrs);
    if (atSweep.state != ReflectionState::HiddenByEarth)
        r.diversitySpacingM = s.lambda * s.dtot / (4 * atSweep.fromAboveM / 1000);
    return r;
}

}  // namespace hopscale::terrain
