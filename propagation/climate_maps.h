// The user's copies of the ITU-R P.530-18 integral digital products LogK.csv (log10 of the
// geoclimatic factor K) and dN75.csv (the refractivity gradient not exceeded 25 % of the
// year, N-units/km): global grids of 0.25 degrees, 721 lines from latitude +90 down to -90,
// each of 1441 comma-separated values from longitude -180 to +180. The ITU maps may not be
// redistributed, so none is shipped; a file of another shape is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "errors.h"

namespace hopscale::propagation {

class QuarterDegreeMap {
  public:
    static constexpr int kRows = 721;
    static constexpr int kColumns = 1441;
    static constexpr double kStepDeg = 0.25;

    // Reads the file. Errors: FileNotFound when it cannot be opened; BadFile when it does not
    // hold exactly 721 lines of 1441 numbers (naming the line and what was found). Both name
    // `inputCaption` and the file.
    static Result<QuarterDegreeMap> read(const std::string& path, const std::string& inputCaption);
    // The same from the file's bytes already in memory (`path` names it in messages).
    static Result<QuarterDegreeMap> parse(std::string_view text, const std::string& path,
                                          const std::string& inputCaption);
    // A map from values in memory (row-major, kRows x kColumns).
    static QuarterDegreeMap fromValues(std::vector<float> values, std::string path);

    // The value at a point (latitude north, longitude east; any longitude is wrapped), bilinear
    // between the four surrounding grid points. A latitude outside -90..90 or a coordinate that
    // is not a number lies outside the grid: an error naming the file.
    Result<double> valueAt(double latitudeDeg, double longitudeEastDeg) const;
    const std::string& path() const { return path_; }

  private:
    std::vector<float> values_;
    std::string path_;
};

}  // namespace hopscale::propagation
