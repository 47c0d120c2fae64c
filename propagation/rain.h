// Rain attenuation on a terrestrial path: specific attenuation from ITU-R P.838-3, path
// attenuation and its exceedance from ITU-R P.530-18 section 2.4.1, and the sources of the
// rain rate R0.01 (a typed rate, a zone of ITU-R P.837-1, or a user's P.837-7 map).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors.h"

namespace hopscale::propagation {

inline constexpr const char* kRainCoefficientModelName = "ITU-R P.838-3";
inline constexpr const char* kRainPathModelName = "ITU-R P.530-18 rain";

// Coefficients of gamma_R = k R^alpha for horizontal and vertical polarisation.
struct RainCoefficientsHV {
    double kH = 0, kV = 0, alphaH = 0, alphaV = 0;
};
// k and alpha for one polarisation.
struct RainCoefficients {
    double k = 0, alpha = 0;
};

// kH, kV, alphaH, alphaV at f GHz (f > 0; the fit is published for 1 to 1000 GHz).
RainCoefficientsHV rainCoefficientsHV(double frequencyGHz);

// k and alpha for a polarisation tilt tau (degrees: 0 horizontal, 45 circular, 90 vertical)
// on a path of elevation theta (degrees; 0 on a terrestrial hop).
RainCoefficients rainCoefficients(double frequencyGHz, double tiltDeg, double elevationDeg = 0);

// gamma_R = k R^alpha, dB/km, R the rain rate in mm/h (R >= 0).
double rainSpecificAttenuation(const RainCoefficients& c, double rainRateMmH);

// Distance factor r = 1 / (0.477 d^0.633 R^(0.073 alpha) f^0.123 - 10.579 (1 - exp(-0.024 d))),
// capped at 2.5 (also when the denominator is 0.4 or less). d km (> 0), R mm/h (> 0).
double rainDistanceFactor(double pathKm, double rainRateMmH, double alpha, double frequencyGHz);

// The power law A_p = A0.01 C1 p^-(C2 + C3 log p) for other percentages of time.
struct RainPowerLaw {
    double c1 = 0, c2 = 0, c3 = 0;
};
// C0 = 0.12 below 10 GHz, else 0.12 + 0.4 log10((f/10)^0.8).
RainPowerLaw rainPowerLaw(double frequencyGHz);

// Attenuation exceeded for p % of an average year (dB); the method states 0.001 <= p <= 1,
// outsideRange is set beyond that (the formula is still applied).
struct RainExceedance {
    double attenuationDb = 0;
    bool outsideRange = false;
};
RainExceedance rainAttenuationExceeded(double a001Db, double frequencyGHz, double percent);
RainExceedance rainAttenuationExceeded(double a001Db, const RainPowerLaw& law, double percent);

// The percentage of an average year for which rain attenuation exceeds a fade margin F (dB):
// the inverse of the power law (x = log p solves C3 x^2 + C2 x + log(F / (C1 A0.01)) = 0).
// outsideRange is set when p falls outside 0.001..1 % or when there is no real solution
// (the margin lies beyond the power law's reach: p is then 0). A0.01 of 0 gives 0 %.
struct RainOutage {
    double percent = 0;
    bool outsideRange = false;
};
RainOutage rainOutagePercent(double a001Db, double frequencyGHz, double fadeMarginDb);
// The same with the power law of the frequency computed beforehand.
RainOutage rainOutagePercent(double a001Db, const RainPowerLaw& law, double fadeMarginDb);

// R0.01 of a rain climatic zone of ITU-R P.837-1 (A..H, J..N, P, Q; upper or lower case);
// empty for any other letter.
std::optional<double> rainZoneRate(char zone);

// A user-supplied ITU-R P.837-7 R0.01 map (R001.TXT): 1441 rows from latitude +90 down to
// -90 by 0.125 degrees, each of 2881 values from longitude -180 to +180 by 0.125 degrees,
// mm/h, separated by blanks. The ITU maps may not be redistributed, so none is shipped.
class RainMap {
  public:
    static constexpr int kRows = 1441;
    static constexpr int kColumns = 2881;

    // Reads the file. Errors: FileNotFound when it cannot be opened; BadFile when it does not
    // hold exactly 1441 rows of 2881 numbers (the error says what was found). Both name
    // `inputCaption` and the file.
    static Result<RainMap> read(const std::string& path, const std::string& inputCaption);
    // Builds a map from values already in memory (row-major, kRows x kColumns).
    static RainMap fromValues(std::vector<float> values, std::string path);

    // R0.01 at a point (degrees; latitude north, longitude east, any longitude is wrapped),
    // bilinear between the four surrounding grid points.
    double rateAt(double latitudeDeg, double longitudeEastDeg) const;
    const std::string& path() const { return path_; }

  private:
    std::vector<float> values_;
    std::string path_;
};

// The bilinear value at a latitude (-90..90) and an east longitude (any; wrapped) of a global
// grid of `rows` x `columns` values `stepDeg` apart, row 0 at 90 N and column 0 at 180 W.
double globalGridValue(const std::vector<float>& values, int rows, int columns, double stepDeg,
                       double lat, double lon);

}  // namespace hopscale::propagation
