// Path clearance over a terrain profile: earth bulge at an effective earth-radius factor k,
// the line of sight between the antenna tips, the first Fresnel zone, clearance criteria,
// the diffraction loss over average terrain and the lowest antenna heights that clear.
//
// Per point at d1 km from the From end and d2 = d - d1 km from the To end (d path km, f GHz):
//   bulge          d1 d2 / (12.74 k)                  m
//   line of sight  straight between the antenna tips (ground + antenna height at each end)
//   F1             17.3 sqrt(d1 d2 / (f d))           m
//   clearance      line of sight - (ground + obstruction + bulge)   m, and / F1
// Criteria are judged at the points strictly between the ends (F1 is 0 at the ends).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "errors.h"
#include "profile.h"

namespace hopscale::terrain {

// The profile must clear `fraction` of F1 with the earth bulge of factor `k`.
struct Criterion {
    double k = 4.0 / 3.0;  // effective earth-radius factor, > 0
    double fraction = 1;   // of the first Fresnel radius, >= 0
};

// "North American": 1.0 F1 at k 4/3, 0.6 F1 at k 1, 0.3 F1 at k 2/3 (the default).
std::vector<Criterion> northAmericanCriteria();
// "60 % F1 at 4/3".
std::vector<Criterion> sixtyPercentCriteria();
// The criteria named by `text`: "north-american", "sixty", or a list "K:F,K:F,..." where K is
// a number or a fraction of two numbers ("4/3:1,1:0.6"). Errors (InvalidArgument, `input` =
// optionName, `text` = the offending item): an empty list, an item without ":", a number that
// cannot be read, k not above 0 (or above 1000), a fraction below 0 (or above 10).
Result<std::vector<Criterion>> parseCriteria(std::string_view text, const std::string& optionName);
// The criterion as reports write it: "k 4/3, 1.00 F1", "k 1.000, 0.60 F1" (4/3 and 2/3 by
// name, other factors with three decimals).
std::string describe(const Criterion& criterion);

// Antenna heights above ground at the two ends, m.
struct Antennas {
    double fromM = 0;
    double toM = 0;
};

// Which end keeps its height when searching for the heights needed.
enum class FixedEnd { None, From, To };

// The point of a criterion with the smallest clearance in F1.
struct WorstPoint {
    std::size_t index = 0;       // into the profile's points
    double distanceKm = 0;       // from the From end
    double distanceToEndKm = 0;  // from the To end
    std::string label;
    double clearanceM = 0;   // negative: the terrain reaches above the line of sight
    double clearanceF1 = 0;  // clearanceM / F1
};

// One criterion judged over the profile; the curves hold one value per profile point.
struct CriterionResult {
    Criterion criterion;
    bool met = false;
    WorstPoint worst;
    std::vector<double> bulgeM;
    std::vector<double> raisedTerrainM;  // ground + obstruction + bulge
    std::vector<double> clearanceM;      // line of sight - raised terrain
    std::vector<double> clearanceF1;     // clearanceM / F1; 0 at the two ends
    std::vector<double> requiredM;  // line of sight - fraction F1: raised terrain must stay below
};

inline constexpr const char* kDiffractionModel = "ITU-R P.530-18 section 2.2.1 (average terrain)";

struct ClearanceReport {
    double pathKm = 0;
    double frequencyGhz = 0;
    Antennas antennas;
    double meanTerrainM = 0;           // mean ground elevation, distance-weighted
    std::vector<double> distanceKm;    // per point
    std::vector<double> terrainM;      // ground + obstruction
    std::vector<double> lineOfSightM;  // height of the line of sight above sea level
    std::vector<double> f1M;           // first Fresnel radius
    std::vector<CriterionResult> criteria;
    bool allMet = false;
    // Ad = -20 h / F1 + 10 dB at the worst point of the first criterion (h its clearance),
    // which counts only when above 0 dB (diffractionLossApplies).
    double diffractionLossDb = 0;
    bool diffractionLossApplies = false;
    // The lowest heights, in steps of 0.1 m, that meet every criterion (see heightsNeeded).
    Antennas heightsNeeded;
    FixedEnd fixedEnd = FixedEnd::None;
};

// Everything about a profile that does not depend on the antenna heights, worked out once
// so that a change of height is judged quickly (a few microseconds per thousand points).
class ClearanceModel {
  public:
    // Errors (InvalidArgument, `input` naming the value): a frequency not above 0, no
    // criteria, a criterion outside the ranges of parseCriteria, a profile that breaks the
    // rules of Profile (fewer than three points, distances not increasing from 0 to pathKm).
    static Result<ClearanceModel> make(Profile profile, double frequencyGhz,
                                       std::vector<Criterion> criteria);

    // Judges the profile for antenna heights `antennas` (m above ground, >= 0) and finds the
    // heights needed, keeping `fixed`'s end at its height in `antennas`.
    ClearanceReport evaluate(Antennas antennas, FixedEnd fixed = FixedEnd::None) const;

    // The lowest heights (m above ground, >= 0, rounded up to 0.1 m) that meet every
    // criterion: both ends equal (FixedEnd::None), or the other end's height with one end
    // kept at its height in `antennas`.
    Antennas heightsNeeded(Antennas antennas, FixedEnd fixed) const;

    const Profile& profile() const { return profile_; }
    const std::vector<Criterion>& criteria() const { return criteria_; }
    double frequencyGhz() const { return frequencyGhz_; }
    double meanTerrainM() const { return meanTerrainM_; }

  private:
    Profile profile_;
    double frequencyGhz_ = 0;
    std::vector<Criterion> criteria_;
    std::vector<double> terrainM_;  // ground + obstruction
    std::vector<double> along_;     // d1 / d
    std::vector<double> f1M_;
    std::vector<double> bulgeUnitM_;  // d1 d2 / 12.74: the bulge at k = 1
    double meanTerrainM_ = 0;
};

// Diffraction loss over average terrain, ITU-R P.530-18 section 2.2.1: -20 h / F1 + 10 dB,
// h the clearance (negative when the obstruction is above the line of sight), F1 > 0.
double averageTerrainDiffractionDb(double clearanceM, double f1M);

}  // namespace hopscale::terrain
