// Diffraction and reflection of one judged profile together: the loss at the chosen earth
// factor and at each criterion's, and, when asked, the reflection analysis. The profile
// command and the link design both go through here, so they report the same figures.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "clearance.h"
#include "diffraction.h"
#include "errors.h"
#include "profile.h"
#include "reflection.h"

namespace hopscale::terrain {

struct PropagationRequest {
    double frequencyGhz = 0;
    Antennas antennas;
    double earthFactor = 4.0 / 3.0;  // of the reported loss, the sweep and the spacing
    Polarisation polarisation = Polarisation::Vertical;
    std::optional<double> seaFraction;     // empty: the profile's sea marks
    std::vector<double> criterionFactors;  // each criterion's k
    bool reflection = false;
    std::optional<double> surfaceM;  // empty: the fitted smooth earth
    Ground ground = landGround();
    double roughnessM = 0;
    std::optional<double> sweepFromM, sweepToM;
};

struct ProfilePropagation {
    DiffractionResult diffraction;              // at the request's earth factor
    std::vector<DiffractionResult> atCriteria;  // at each criterion's k
    std::optional<ReflectionResult> reflection;
};

// The diffraction and reflection inputs as a user types them.
struct PropagationTexts {
    std::string earthFactor = "4/3";  // a number or a fraction "4/3", above 0, at most 1000
    std::string polarisation = "v";   // h, v, horizontal or vertical
    std::string seaFraction;          // 0..1; empty: the profile's sea marks
    bool reflection = false;
    std::string surface = "fit";  // "fit" or a level, m above sea level
    std::string ground = "land";  // sea, land or "ER,SIGMA"
    std::string roughness = "0";  // rms height, m, >= 0
    std::string sweep;            // "FROM,TO" receive heights, m; empty: 0 to twice the antenna
};

// The names errors give the inputs ("--sea-fraction", "profile.sea-fraction").
struct PropagationNames {
    std::string earthFactor, polarisation, seaFraction, surface, ground, roughness, sweep;
    std::string reflectionOptions;  // the surface, ground, roughness and sweep together
};

// Reads the texts into `request` (whose frequency, antennas and criteria are the caller's).
// Errors (InvalidArgument, `input` the input's name, `text` as typed): a number that cannot be
// read, a value out of its range, a reflection input without `reflection`.
std::optional<Error> readPropagationTexts(const PropagationTexts& texts,
                                          const PropagationNames& names,
                                          PropagationRequest& request);

// Errors: those of computeDiffraction and computeReflection (`input` naming the value).
Result<ProfilePropagation> profilePropagation(const Profile& profile,
                                              const PropagationRequest& request);

}  // namespace hopscale::terrain
