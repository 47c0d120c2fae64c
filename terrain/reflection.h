// The ground reflection of a hop: the specular reflection point on a smooth spherical earth,
// whether it lies on a reflecting surface or is hidden, the grazing angle, the divergence of the
// curved surface, the Fresnel reflection coefficient of the ground with its roughness, the path
// difference between the direct and reflected rays, and the level they add up to relative to
// free space; swept over the receive (To end) antenna height, with the heights of the nulls
// and peaks and the space-diversity spacing.
//
// The reflecting surface is the smooth earth fitted to the ground (a straight least-squares
// line from the From end to the To end, as diffraction uses) or a level the user types (a lake
// at 212 m). Heights of the tips are taken above the surface at their own ends; the reflection
// point is found on the sphere of radius ae = 6371 k km through the surface.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "clearance.h"
#include "diffraction.h"
#include "errors.h"
#include "profile.h"

namespace hopscale::terrain {

inline constexpr const char* kReflectionMethod =
    "specular reflection over a smooth spherical earth (two rays)";

// The electrical constants of the reflecting ground.
struct Ground {
    std::string name = "land";      // "sea", "land", or "er 15, sigma 0.01 S/m" when typed
    double permittivity = 22;       // relative, er
    double conductivitySm = 0.003;  // S/m
};
Ground seaGround();   // er 80, 5 S/m
Ground landGround();  // er 22, 0.003 S/m
// "sea", "land", or "ER,SIGMA" ("15,0.01"). Errors (InvalidArgument, `input` = optionName):
// anything else, a permittivity below 1, a conductivity below 0.
Result<Ground> parseGround(const std::string& text, const std::string& optionName);

struct ReflectionInputs {
    double frequencyGhz = 0;
    Antennas antennas;  // above ground, m; the To end is the receive end of the sweep
    Polarisation polarisation = Polarisation::Vertical;
    // The earth factors to report at (each criterion's k); at least one.
    std::vector<double> earthFactors{4.0 / 3.0};
    // The earth factor of the height sweep and the diversity spacing.
    double sweepEarthFactor = 4.0 / 3.0;
    // The reflecting surface, m a.s.l.; empty: the smooth earth fitted to the ground.
    std::optional<double> surfaceM;
    Ground ground = landGround();
    double roughnessM = 0;  // rms height of the surface, m, >= 0
    // Receive antenna heights swept, m above ground; empty: 0 to twice the To antenna.
    std::optional<double> sweepFromM, sweepToM;
    int sweepSteps = 400;  // intervals of the sweep, 1..100000
};

enum class ReflectionState {
    OnSurface,     // a specular reflection
    OffSurface,    // the point falls where the ground is no reflecting surface
    HiddenByEarth  // the earth's curvature hides the point from one of the tips
};
// "on the surface", "no specular reflection", "hidden by the earth".
const char* describe(ReflectionState state);

struct ReflectionPoint {
    double earthFactor = 0;
    ReflectionState state = ReflectionState::OnSurface;
    double distanceKm = 0;       // from the From end
    double distanceToEndKm = 0;  // from the To end
    double surfaceM = 0;         // height of the surface there, m a.s.l.
    double fromAboveM = 0;       // h1': the From tip above the plane tangent at the point
    double toAboveM = 0;         // h2'
    double grazingDeg = 0;
    double divergence = 0;
    std::complex<double> reflection;  // Fresnel coefficient R of the ground
    double roughnessFactor = 1;       // rho_s
    double coefficient = 0;           // |G| = |R| rho_s D, 0 when there is no reflection
    double pathDifferenceM = 0;
    double pathDifferenceWavelengths = 0;
    double levelDb = 0;  // the direct and reflected rays against free space
};

struct SweepPoint {
    double heightM = 0;  // receive antenna above ground
    double levelDb = 0;
};

struct ReflectionResult {
    std::string method = kReflectionMethod;
    std::string surface;  // "fitted smooth earth" or "level 212.0 m"
    Ground ground;
    double roughnessM = 0;
    std::vector<ReflectionPoint> points;  // one per earth factor asked
    double sweepEarthFactor = 0;
    std::vector<SweepPoint> sweep;
    std::vector<double> nullHeightsM;  // receive heights of the level's minima in the sweep
    std::vector<double> peakHeightsM;  // and of its maxima
    // The receive-antenna step from a peak to the next null, lambda d / (4 h1'), m: a second
    // antenna this far from the first sees a peak when the first sees a null. Empty when the
    // reflection is hidden at the sweep's earth factor.
    std::optional<double> diversitySpacingM;
};

// Errors (InvalidArgument, `input` naming the value): a frequency not above 0, an earth
// factor not above 0 or none, a negative antenna height, a roughness below 0, a surface level
// above both antenna tips ("surface"), a sweep range not rising or below 0, a step count outside
// 1..100000, a profile that breaks the rules of Profile.
Result<ReflectionResult> computeReflection(const Profile& profile, const ReflectionInputs& inputs);

}  // namespace hopscale::terrain
