// The design file (*.hop): one link design as one JSON object, every value the text exactly
// as typed (a JSON boolean for a switch), so a design re-opens exactly as it was saved.
//
//   {"format": "hopscale-design", "version": 1, "name": TEXT,
//    "path": {"freq", "k", "fade-margin", "length", "km"},
//    "sites": [SITE, SITE],           // From (A), To (B)
//    "conditions": {"polarisation", "rain-zone", ...},
//    "profile": {"profile" or "dem": [PATH, ...], "criteria", "fixed-end",
//                "subtract-diffraction"}}
//
// A SITE holds name, lat, lon, ground-elevation, antenna-height, dish, line-type, loss, length,
// power, watts, amp-gain, preamp-gain, threshold. A missing key keeps its default. Relative
// file names are relative to the design file's folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "errors.h"
#include "link_design.h"

namespace hopscale::design {

inline constexpr const char* kDesignFormat = "hopscale-design";
inline constexpr int kDesignVersion = 1;
inline constexpr const char* kDesignExtension = ".hop";

// Reads a design from JSON text, strictly. Errors (BadFile, `file` = fileName, `key` = the key
// path, `detail` saying what is wrong): JSON that cannot be read (with line and column), a
// top level that is not an object, a `format` that is not ours, a `version` that is not a
// whole number or is newer than this program's, an unknown key (with the closest known one),
// a value of the wrong JSON type, not exactly two sites.
Result<LinkDesign> parseDesign(std::string_view text, const std::string& fileName);

// Reads the design file at `path`; relative names in it are then read against its folder.
// A missing or unreadable file is FileNotFound naming it.
Result<LinkDesign> readDesignFile(const std::filesystem::path& path);

// The JSON text of a design, every key written (defaults too), two-space indented, ending
// with a newline.
std::string designJson(const LinkDesign& design);

// Writes the design atomically (a temporary file renamed over the old one).
std::optional<Error> writeDesignFile(const std::filesystem::path& path, const LinkDesign& design);

// A complete, valid example design: two sites with coordinates, a rain zone and thresholds.
LinkDesign exampleDesign();

}  // namespace hopscale::design
