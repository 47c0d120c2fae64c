// A terrain profile between the two ends of a hop, and reading one from a CSV file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "errors.h"

namespace hopscale::terrain {

// One point of a profile.
struct ProfilePoint {
    double distanceKm = 0;    // from the From end, km
    double groundM = 0;       // ground elevation above sea level, m
    double obstructionM = 0;  // trees, buildings above the ground, m (0 when none)
    std::string label;        // free text from the profile ("ridge", "water tower"), may be empty
    bool sea = false;         // the ground here is sea (for the ground constants of diffraction)
    bool reflecting = false;  // marked as a reflecting surface (a lake, a flat field)
};

// Points in strictly increasing distance; the first lies at the From end (0 km) and the last
// at the To end (pathKm). At least one point lies between the two ends.
struct Profile {
    std::vector<ProfilePoint> points;
    double pathKm = 0;   // path length, km
    std::string source;  // where the points came from (file names), for reports
};

inline constexpr double kMetresPerFoot = 0.3048;
// The mile of a profile file's distance_mi column, the international mile: it is the one the
// mapping tools that export profiles use.
inline constexpr double kKmPerInternationalMile = 1.609344;

// Elevations outside this range are refused: they are void markers (-32768, -9999) or a unit
// mistake, never real ground.
inline constexpr double kLowestGroundM = -1000;
inline constexpr double kHighestGroundM = 9000;

// Reads a profile from CSV text (RFC 4180, the program's one reader). The header row names
// the columns, in any order, matched without regard to case or surrounding blanks:
//   distance_km | distance_mi       distance from the From end (required, one of the two)
//   elevation_m | elevation_ft      ground elevation (required, one of the two)
//   obstruction_m | obstruction_ft  height of trees or buildings above ground (optional;
//                                   an empty cell is 0)
//   label                           text (optional)
//   sea                             1 where the point is sea, 0 or empty where not (optional)
//   reflecting                      1 where the point is marked as a reflecting surface, 0 or
//                                   empty where not (optional)
// Other columns are ignored; blank lines are skipped. Numbers follow textToDouble's grammar
// ("12.5", "1e3", " -3 "; not "12,5" or "12 m").
// Errors (BadFile, `file` = fileName, `detail` naming line and column): no header, a
// required column missing or given in both units, a row without a required cell, a number
// that cannot be read, a distance that is not larger than the one before, a first distance
// other than 0, a negative obstruction, a sea or reflecting cell other than 0 or 1, an elevation
// outside kLowestGroundM..kHighestGroundM, fewer than three points, an unterminated quoted field.
Result<Profile> parseProfileCsv(std::string_view text, const std::string& fileName);

// The rules of Profile checked: at least three points, the first at 0 km, distances strictly
// increasing, the last at pathKm. Errors are InvalidArgument with `input` = `input`.
std::optional<Error> checkProfileShape(const Profile& profile, const std::string& input);

// As parseProfileCsv, reading the file at `path`. A missing or unreadable file is a
// FileNotFound error naming it.
Result<Profile> readProfileCsv(const std::string& path);

}  // namespace hopscale::terrain
