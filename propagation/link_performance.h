// Will the hop work: gases, rain and multipath fading against the receiver's threshold, the
// flat fade margin, the outage and availability in one direction, and the geodesic, computed
// from the budget's results after a successful run (never instead of it).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors.h"
#include "geo.h"
#include "link_conditions.h"
#include "outage.h"
#include "path_record.h"

namespace hopscale::propagation {

inline constexpr double kMinutesPerYear = 525960.0;  // 365.25 days

// What the budget's successful run gives the performance models.
struct LinkBudgetFacts {
    double receiveSignalLevelDbm = 0;  // the budget's receiveSignalLevel
    double frequencyGHz = 0;
    double pathLengthMiles = 0;          // the length the budget used
    std::optional<PathEnds> ends;        // when the end coordinates were given
    double coordinateDistanceMiles = 0;  // the budget's flat distance (with ends)
    // The geodesic between `ends` when the caller has it already (with its centre when
    // geodesicHasCentre); computed afresh when absent.
    std::optional<GeodesicPath> geodesic;
    bool geodesicHasCentre = false;
};

// The facts of a state after runPath succeeded. Coordinates are taken from the packed values
// as captured and converted in double precision (packedEnds: north and west positive as
// typed, the longitude turned to east positive). An error only for coordinates that cannot be
// read.
Result<LinkBudgetFacts> budgetFacts(const PathState& state);

struct GeodesicResult {
    double km = 0;
    double azimuthFromDeg = 0;
    double azimuthToDeg = 0;
    double flatDifferenceM = 0;        // the budget's coordinate distance minus the geodesic
    double flatDifferencePercent = 0;  // of the geodesic
};

struct RainResult {
    double k = 0, alpha = 0;
    double rainRateMmH = 0;  // R0.01 used
    double dbPerKm = 0;      // gamma_R
    double r = 0;            // distance factor
    double a001Db = 0;       // gamma_R r d
    std::optional<double>
        outagePercent;   // at the flat fade margin; absent when the hop does not close
    std::string source;  // "R0.01 42 mm/h typed", "zone K (42 mm/h)", "map R001.TXT (41.2 mm/h)"
    std::vector<std::string> flags;
};

struct MultipathResult {
    std::string method;  // "Vigants-Barnett" or "ITU-R P.530-18 multipath"
    std::optional<double>
        worstMonthPercent;  // not given by Vigants-Barnett; not assessed below 5 km
    std::optional<double> annualPercent;
    std::optional<double> occurrenceP0Percent;  // P.530: p0 (worst month at 0 dB)
    std::optional<double> geoclimaticK, dN75;   // P.530: as used (typed or from the maps)
    bool fromMaps = false;                      // K or dN75 read from the maps
    std::vector<std::string> flags;
};

struct TargetResult {
    double percent = 0;
    bool met = false;
    double requiredMarginDb = 0;  // the flat fade margin that meets the target, to 0.01 dB
};

struct LinkPerformance {
    double pathKm = 0;
    std::optional<GeodesicResult> geodesic;
    double gasDbPerKm = 0;
    double gasDb = 0;
    double extraLossDb = 0;
    double rslDbm = 0;  // the budget's level less gases and the extra loss
    double thresholdDbm = 0;
    double flatFadeMarginDb = 0;
    bool closes = true;              // false: margin of 0 dB or less, no fading model run
    std::optional<RainResult> rain;  // absent without a rain source
    MultipathResult multipath;
    double outagePercent = 0;
    double availabilityPercent = 0;
    double outageMinutesPerYear = 0;
    TargetResult target;
    std::vector<std::string> flags;   // about the whole hop ("the hop does not close ...")
    std::vector<std::string> models;  // every model and version used, with its inputs

    // The path's fading statistics (the same for both directions), and the outage of this
    // direction mode by mode. The figures above are those of the lowest (most robust) mode.
    FadingStatistics fading;
    OutageResult outage;
};

// Computes everything. Errors (InvalidArgument, naming the input): a radio named in the
// conditions whose modes the caller did not fill; a rain, LogK or dN75 map or the P.530
// method without end coordinates or a typed path-centre latitude where they need one; a path
// length or frequency of 0 or less.
Result<LinkPerformance> computeLinkPerformance(const LinkBudgetFacts& facts,
                                               const LinkConditions& conditions);

// The same from the engine's state after runPath succeeded (budgetFacts, then the above): the
// one call the windows, calc and batch make.
Result<LinkPerformance> computeLinkPerformance(const PathState& state,
                                               const LinkConditions& conditions);

}  // namespace hopscale::propagation
