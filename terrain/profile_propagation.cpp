#include "profile_propagation.h"

#include <cmath>

#include "conversions.h"

namespace hopscale::terrain {
namespace {

std::optional<Error> readNumber(const std::string& name, const std::string& text, double& out) {
    auto value = textToDouble(text);
    if (!value || !std::isfinite(*value))
        return Error::invalidArgument(name, text, "is not a number");
    out = *value;
    return std::nullopt;
}

// An earth factor: a number or a fraction ("4/3").
std::optional<Error> readEarthFactor(const std::string& name, const std::string& text, double& k) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        if (auto e = readNumber(name, text, k)) return e;
    } else {
        double num = 0, den = 0;
        if (auto e = readNumber(name, text.substr(0, slash), num)) return e;
        if (auto e = readNumber(name, text.substr(slash + 1), den)) return e;
        if (den == 0) return Error::invalidArgument(name, text, "divides by 0");
        k = num / den;
    }
    if (!(k > 0) || k > 1000)
        return Error::invalidArgument(name, text, "is not above 0 (and at most 1000)");
    return std::nullopt;
}

}  // namespace

std::optional<Error> readPropagationTexts(const PropagationTexts& t, const PropagationNames& n,
                                          PropagationRequest& o) {
    if (auto e = readEarthFactor(n.earthFactor, t.earthFactor, o.earthFactor)) return e;
    if (t.polarisation == "h" || t.polarisation == "horizontal") {
        o.polarisation = Polarisation::Horizontal;
    } else if (t.polarisation == "v" || t.polarisation == "vertical") {
        o.polarisation = Polarisation::Vertical;
    } else {
        return Error::invalidArgument(n.polarisation, t.polarisation, "is neither h nor v");
    }
    if (!t.seaFraction.empty()) {
        double fraction = 0;
        if (auto e = readNumber(n.seaFraction, t.seaFraction, fraction)) return e;
        if (fraction < 0 || fraction > 1)
            return Error::invalidArgument(n.seaFraction, t.seaFraction, "is outside 0 to 1");
        o.seaFraction = fraction;
    }
    if (t.surface != "fit") {
        double level = 0;
        if (readNumber(n.surface, t.surface, level))
            return Error::invalidArgument(n.surface, t.surface, "is neither fit nor a height in m");
        o.surfaceM = level;
    }
    auto ground = parseGround(t.ground, n.ground);
    if (!ground) return *ground.error;
    o.ground = *ground.value;
    if (auto e = readNumber(n.roughness, t.roughness, o.roughnessM)) return e;
    if (o.roughnessM < 0) return Error::invalidArgument(n.roughness, t.roughness, "is below 0 m");
    if (!t.sweep.empty()) {
        const std::size_t comma = t.sweep.find(',');
        double from = 0, to = 0;
        if (comma == std::string::npos)
            return Error::invalidArgument(n.sweep, t.sweep, "is not two heights FROM,TO in m");
        if (auto e = readNumber(n.sweep, t.sweep.substr(0, comma), from)) return e;
        if (auto e = readNumber(n.sweep, t.sweep.substr(comma + 1), to)) return e;
        if (from < 0 || !(to > from))
            return Error::invalidArgument(n.sweep, t.sweep,
                                          "must rise from 0 m or more to a larger height");
        o.sweepFromM = from;
        o.sweepToM = to;
    }
    const bool reflectionInputs =
        t.surface != "fit" || t.ground != "land" || t.roughness != "0" || !t.sweep.empty();
    if (reflectionInputs && !t.reflection)
        return Error::invalidArgument(n.reflectionOptions, "", "go with --reflection");
    o.reflection = t.reflection;
    return std::nullopt;
}

Result<ProfilePropagation> profilePropagation(const Profile& profile,
                                              const PropagationRequest& request) {
    ProfilePropagation out;
    DiffractionInputs din;
    din.frequencyGhz = request.frequencyGhz;
    din.antennas = request.antennas;
    din.earthFactor = request.earthFactor;
    din.polarisation = request.polarisation;
    din.seaFraction = request.seaFraction;
    auto diffraction = computeDiffraction(profile, din);
    if (!diffraction) return *diffraction.error;
    out.diffraction = std::move(*diffraction.value);
    for (double k : request.criterionFactors) {
        din.earthFactor = k;
        auto at = computeDiffraction(profile, din);
        if (!at) return *at.error;
        out.atCriteria.push_back(std::move(*at.value));
    }
    if (request.reflection) {
        ReflectionInputs rin;
        rin.frequencyGhz = request.frequencyGhz;
        rin.antennas = request.antennas;
        rin.polarisation = request.polarisation;
        rin.earthFactors = request.criterionFactors;
        rin.sweepEarthFactor = request.earthFactor;
        rin.surfaceM = request.surfaceM;
        rin.ground = request.ground;
        rin.roughnessM = request.roughnessM;
        rin.sweepFromM = request.sweepFromM;
        rin.sweepToM = request.sweepToM;
        auto reflection = computeReflection(profile, rin);
        if (!reflection) return *reflection.error;
        out.reflection = std::move(*reflection.value);
    }
    return out;
}

}  // namespace hopscale::terrain
