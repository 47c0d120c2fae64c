// Outage of one direction of a hop with real equipment: the modes of an adaptive radio, the
// non-selective (flat) and selective (distortion) multipath outage, cross-polar discrimination
// in clear air and in rain, space and frequency diversity, and the total of ITU-R P.530-18
// sections 2.3.6, 4.1, 4.2.2, 5.1, 6.2 and 7. Outage fractions are of time (0..1) unless a
// name says Percent. Fading is a property of the path; a direction differs from the other only
// through its fade margins and its receiver, so the same FadingStatistics serve both.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors.h"
#include "rain.h"

namespace hopscale::propagation {

inline constexpr const char* kOutageModelName =
    "ITU-R P.530-18 outage (2.3.6, 4.1, 4.2.2, 5.1, 6.2, 7)";

enum class MultipathMethod { VigantsBarnett, P530 };

// ---- The separate models -------------------------------------------------------------------

// eta = 1 - exp(-0.2 P0^0.75), the multipath activity factor; P0 = p0 / 100 (a fraction).
double multipathActivity(double p0Fraction);

// Clear-air cross-polar outage (section 4.1).
struct ClearAirXpdInputs {
    double xpdgDb = 0;         // guaranteed boresight XPD, the smaller of the two antennas'
    double c0iDb = 0;          // the mode's co-channel C0/I
    double xpifDb = 0;         // cross-polar interference canceller improvement; 0 without one
    int txAntennas = 1;        // 1 or 2
    double txSeparationM = 0;  // vertical separation st of two transmit antennas
    double frequencyGHz = 0;
    double p0Fraction = 0;  // P0 = pw(A = 0) / 100, worst month
};
struct ClearAirXpd {
    double xpd0Db = 0, eta = 0, kxp = 0, qDb = 0, cDb = 0, marginDb = 0;
    double fraction = 0;  // P_XP, of the worst month
};
ClearAirXpd clearAirXpdOutage(const ClearAirXpdInputs& in);

// Precipitation cross-polar outage (section 4.2.2).
struct PrecipitationXpd {
    double uDb = 0, v = 0, apDb = 0, m = 0, n = 0;
    double fraction = 0;            // P_XPR, of the year
    bool frequencyOutside = false;  // f outside 8..35 GHz: V taken at the nearer end
    bool nBelowRange = false;       // n < -3: outage below 1e-5, kept as computed
    bool nAboveRange = false;       // n > 0
};
PrecipitationXpd precipitationXpdOutage(double a001Db, double frequencyGHz, double c0iDb,
                                        double xpifDb, double u0Db);

// A dispersion signature: width W (MHz), depth B (dB), reference delay tau_r (ns).
struct Signature {
    double widthMHz = 0, depthDb = 0, delayNs = 0;
};
// tau_m = 0.7 (d / 50)^1.3 ns, the mean time delay.
double meanTimeDelayNs(double pathKm);
// P_s from the signatures of minimum and non-minimum phase (section 5.1), of the worst month.
double selectiveOutage(double eta, double pathKm, const Signature& minimumPhase,
                       const Signature& nonMinimumPhase);
// P_s from the normalised system parameters Kn and the baud period T (ns).
double selectiveOutageKn(double eta, double pathKm, double knMinimum, double knNonMinimum,
                         double baudNs);

// Improvement factors (section 6.1). p0 in %, F and V in dB, S in m, df in GHz (at most 0.5
// is used).
double spaceDiversityImprovement(double separationM, double gainDifferenceDb, double frequencyGHz,
                                 double pathKm, double p0Percent, double fadeDepthDb);
double frequencyDiversityImprovement(double separationGHz, double frequencyGHz, double pathKm,
                                     double fadeDepthDb);

// The diversity outage of digital systems (section 6.2).
struct DiversityOutage {
    double improvement = 0, kns2 = 0, rw = 0, ks2 = 0;
    double pdns = 0, pds = 0;
    double fraction = 0;  // P_d, of the worst month
};
DiversityOutage diversityOutage(double eta, double pnsFraction, double improvement,
                                double psFraction);

// Both directions: two-way outage = the sum (at most 100 %), availability = 100 - that sum,
// and the worse direction (0: the first, 1: the second; the first on a tie).
struct TwoWayOutage {
    double outagePercent = 0, availabilityPercent = 0, outageMinutesPerYear = 0;
    int worseDirection = 0;
    bool capped = false;  // the sum exceeded 100 %
};
TwoWayOutage twoWayOutage(double outagePercentAB, double outagePercentBA);

// ---- One direction -------------------------------------------------------------------------

// One mode of a radio. Optional values a mode does not give leave the model that needs them
// "not assessed" for that mode.
struct RadioMode {
    std::string name;
    double capacityMbps = 0;
    double thresholdDbm = 0;  // BER 1e-6
    std::optional<double> c0iDb;
    std::optional<Signature> signatureMinimum, signatureNonMinimum;
};

enum class DiversityKind { None, Space, Frequency };

// The equipment and operation of one direction beyond the threshold.
struct OutageOptions {
    std::vector<RadioMode> modes;  // empty: one mode "threshold" at the typed threshold
    std::optional<double> c0iDb;   // typed: used for every mode
    std::optional<double> xpdgDb;  // set: co-channel dual-polarised operation
    bool xpdFromAntennas = false;  //   XPDg to be taken from the catalogued antennas
    std::optional<double> xpifDb;  // absent: no canceller
    int txAntennas = 1;
    double txSeparationM = 0;
    double u0Db = 15;
    std::optional<Signature> signatureMinimum, signatureNonMinimum;  // typed: every mode
    DiversityKind diversity = DiversityKind::None;
    double diversitySeparationM = 0;
    double diversityGainDifferenceDb = 0;
    double diversityFrequencySeparationGHz = 0;

    // Whether anything beyond today's single threshold is asked for.
    bool extended() const {
        return !modes.empty() || c0iDb || xpdgDb || xpdFromAntennas || xpifDb || txAntennas != 1 ||
               signatureMinimum || signatureNonMinimum || diversity != DiversityKind::None;
    }
};

// What the path gives every direction: the rain and multipath statistics.
struct FadingStatistics {
    double frequencyGHz = 0, pathKm = 0;
    bool rain = false;
    double a001Db = 0;
    RainPowerLaw law;
    MultipathMethod method = MultipathMethod::VigantsBarnett;
    bool multipathAssessed = true;  // false: P.530 below 5 km
    double vbScale = 0;             // Vigants-Barnett a b 2.5e-6 f D^3
    double p0Percent = 0, dG = 0;   // P.530
};

// Every part of the outage at one fade margin, before the cap at 100 %.
struct OutageParts {
    double marginDb = 0;
    bool closes = true;
    // Clear air. Fractions of the worst month unless named Year.
    std::optional<double> nonSelective;  // P_ns (worst month); absent with Vigants-Barnett
    double nonSelectiveYearPercent = 0;  // today's annual multipath outage
    std::optional<double> selective;     // P_s
    std::optional<ClearAirXpd> xpd;      // P_XP
    std::optional<DiversityOutage> diversity;
    std::optional<double> clearAirWorstMonthPercent;
    double clearAirYearPercent = 0;
    // Rain, of the year.
    double rainPercent = 0;
    bool rainOutsideRange = false;
    std::optional<PrecipitationXpd> xpr;
    double rainYearPercent = 0;
    double totalPercent = 0;  // clear air + rain, at most 100
    bool capped = false;      // the sum exceeded 100 %
};

struct ModeOutage {
    RadioMode mode;
    double fadeMarginDb = 0;
    double outagePercent = 0;
    double availabilityPercent = 0;
    double outageMinutesPerYear = 0;
    double timeInModePercent = 0;
    OutageParts parts;
    std::vector<std::string> flags;  // models not assessed for this mode, and why
};

struct OutageResult {
    std::vector<ModeOutage> modes;  // by threshold, lowest (most robust) first
    double meanCapacityMbps = 0;
    std::optional<std::size_t> targetMode;  // the highest mode that reaches the target
    bool extended = false;  // anything beyond today's single threshold was asked for
    std::vector<std::string> flags;
    std::vector<std::string> models;
};

// The fading model of a path for a direction's options: every part at any fade margin. It
// refers to the statistics and options it is made from, which must outlive it.
class OutageModel {
  public:
    OutageModel(const FadingStatistics& fading, const OutageOptions& options);
    const FadingStatistics& fading() const { return fading_; }
    const OutageOptions& options() const { return options_; }
    // The parts at margin F for a mode (its C0/I and signature where the options give none).
    // `flags` (may be null) receives what was not assessed and why.
    OutageParts parts(double marginDb, const RadioMode& mode,
                      std::vector<std::string>* flags = nullptr) const;
    double totalPercent(double marginDb, const RadioMode& mode) const {
        return parts(marginDb, mode).totalPercent;
    }
    // The smallest margin in whole hundredths of a dB whose total is at most `allowedPercent`;
    // empty when none up to 1000 dB is.
    std::optional<double> requiredMargin(double allowedPercent, const RadioMode& mode) const;

  private:
    // The parts of a mode that do not depend on the fade margin.
    struct ModeConstants {
        std::optional<double> selective;
        std::optional<ClearAirXpd> xpd;
        std::optional<PrecipitationXpd> xpr;
    };
    ModeConstants constants(const RadioMode& mode, std::vector<std::string>* flags) const;
    OutageParts partsWith(double marginDb, const ModeConstants& k,
                          std::vector<std::string>* flags) const;
    double totalWith(double marginDb, const ModeConstants& k) const {
        return marginDb > 0 ? partsWith(marginDb, k, nullptr).totalPercent : 100.0;
    }
    // The margin each fading part would need on its own to stay within `percent` (closed forms);
    // a lower bound of the total's unless `guess`, when the non-selective part is counted even
    // with diversity (then only a first guess of where the total meets it).
    double ownMargin(double percent, bool guess = false) const;
    double roundedUp(double fails, double meets, double allowed, const ModeConstants& k) const;

    const FadingStatistics& fading_;
    const OutageOptions& options_;
    double eta_ = 0;
    bool clearAirStatistics_ = false;  // P0 known: selective, clear-air XPD, diversity assessable
    double yearFactor_ = 1;            // 10^(-dG/10) with P.530
    double spaceDiversityBase_ = 0;    // the bracket of the space diversity improvement
};

// Everything the outage of one direction depends on: the path's fading statistics (the same
// for both directions), this direction's received level (after gases and extra loss) and its
// receiver's radio and options.
struct OutageInputs {
    FadingStatistics fading;
    double rslDbm = 0;
    double thresholdDbm = 0;  // the one-mode radio "threshold" when options.modes is empty
    OutageOptions options;
    double targetPercent = 99.999;  // chooses the target mode
};

// The outage of one direction: each mode at FFM_i = rsl - T_i, the time in each mode and the
// mean capacity. Run it once per direction (A -> B, B -> A) and combine with twoWayOutage.
// Errors (InvalidArgument, naming the input): a frequency or path length of 0 or less, a level
// or threshold that is not a finite number, transmit antennas other than 1 or 2 (two without a
// separation above 0), diversity without its separation above 0, a target outside 0..100 %.
Result<OutageResult> computeOutage(const OutageInputs& inputs);

// The same, unchecked, with the model of the path and options made beforehand (the whole-hop
// computation, which has checked its inputs, calls this).
OutageResult computeOutage(const OutageModel& model, double rslDbm, double thresholdDbm,
                           double targetPercent);

}  // namespace hopscale::propagation
