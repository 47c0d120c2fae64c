// Diffraction over the real terrain profile of a hop: the single knife edge at the dominant
// point, Bullington's construction over the actual profile, the smooth-earth surface with its
// effective antenna heights, spherical-earth diffraction over land and sea, and the complete
// delta-Bullington loss that combines them (ITU-R P.526-16 sections 4.1, 4.5.1 and 4.5.2, with
// the smooth-earth heights and spherical-earth loss of ITU-R P.452-18 sections 4.2.2, 5.1.6).
//
// Conventions: distances d in km from the From end, heights in m above sea level, f in GHz,
// wavelength 0.299792458 / f m, effective earth radius ae = 6371 k km. Profile heights are the
// ground plus its obstructions (trees and buildings diffract like ground does); the smooth-earth
// fit alone uses the bare ground.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "clearance.h"
#include "errors.h"
#include "profile.h"

namespace hopscale::terrain {

inline constexpr double kEarthRadiusKm = 6371;
inline constexpr double kSpeedOfLightGm = 0.299792458;  // wavelength m = this / f GHz

inline constexpr const char* kDeltaBullingtonMethod = "ITU-R P.526-16 delta-Bullington";
inline constexpr const char* kKnifeEdgeMethod = "ITU-R P.526-16 single knife edge";

enum class Polarisation { Horizontal, Vertical };
// "horizontal", "vertical".
const char* polarisationName(Polarisation p);

// The knife-edge loss J(nu) of ITU-R P.526-16 equation 31, dB: 0 for nu <= -0.78.
double knifeEdgeLossDb(double nu);

// Share of the path's distance over sea, 0..1: each interval between two points counts half
// for each end that is marked sea.
double seaFractionOf(const Profile& profile);

// The least-squares smooth earth of the bare ground and the heights the diffraction model
// uses, corrected for the obstruction above the line between the antenna tips.
struct SmoothEarthHeights {
    double fitFromM = 0;  // hst: the fitted line at the From end, m a.s.l.
    double fitToM = 0;    // hsr: at the To end
    double fromM = 0;     // hstd: the diffraction model's surface height at the From end
    double toM = 0;       // hsrd
};
// `tipFromM`, `tipToM`: the antenna tips, m a.s.l. The profile must have at least two points.
SmoothEarthHeights smoothEarthHeights(const Profile& profile, double tipFromM, double tipToM);

struct DiffractionInputs {
    double frequencyGhz = 0;  // > 0
    Antennas antennas;        // above ground at the two ends, m, >= 0
    double earthFactor = 4.0 / 3.0;
    Polarisation polarisation = Polarisation::Vertical;
    // Fraction of the path over sea, 0..1; empty: the distance share of the profile's points
    // marked sea (seaFractionOf).
    std::optional<double> seaFraction;
};

// The single knife edge at the point of largest nu.
struct KnifeEdge {
    std::size_t index = 0;  // into the profile's points
    double distanceKm = 0;
    double heightM = 0;  // of the edge (ground + obstruction + earth bulge) above the line of sight
    double nu = 0;
    double lossDb = 0;
};

struct DiffractionResult {
    std::string method = kDeltaBullingtonMethod;
    double earthFactor = 0;
    double effectiveRadiusKm = 0;
    double frequencyGhz = 0;
    Polarisation polarisation = Polarisation::Vertical;
    double seaFraction = 0;
    double lossDb = 0;  // the diffraction loss of the hop: the delta-Bullington loss
    KnifeEdge knifeEdge;
    double bullingtonDb = 0;        // Lba: Bullington over the actual profile
    double smoothBullingtonDb = 0;  // Lbs: Bullington over the smooth earth
    double sphericalEarthDb = 0;    // Ldsph
    double deltaBullingtonDb = 0;   // Ld = Lba + max(Ldsph - Lbs, 0)
    SmoothEarthHeights smoothEarth;
    // The worst clearance at this k in F1 (17.3 sqrt(d1 d2 / (f d))) and, where the P.530
    // average-terrain line applies (worst clearance between -1.5 F1 and 0 and the figure at
    // most 25 dB), that planning figure.
    double worstClearanceF1 = 0;
    std::optional<double> averageTerrainDb;
};

// The diffraction losses of `profile` for `inputs`.
// Errors (InvalidArgument, `input` naming the value): a frequency not above 0, an earth factor
// not above 0, a negative antenna height, a sea fraction outside 0..1, a profile with fewer
// than three points or whose distances do not rise from 0 to its path length.
Result<DiffractionResult> computeDiffraction(const Profile& profile,
                                             const DiffractionInputs& inputs);

// Spherical-earth diffraction loss Ldsph, dB, over `dKm` with effective antenna heights
// `hteM`, `hreM` (above the smooth earth), earth radius `apKm` and `seaFraction` of the path
// over sea.
double sphericalEarthLossDb(double dKm, double hteM, double hreM, double apKm, double frequencyGhz,
                            Polarisation polarisation, double seaFraction);

}  // namespace hopscale::terrain
