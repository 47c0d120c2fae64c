// The computed profile written out: a CSV table (readable again as a profile) and an SVG
// drawing of the path as engineers read it.
#pragma once

#include <string>

#include "clearance.h"
#include "diffraction.h"
#include "reflection.h"

namespace hopscale::terrain {

// One row per point: distance_km, elevation_m, obstruction_m, label, line_of_sight_m, f1_m,
// then per criterion n (1-based) bulge_m_n, clearance_m_n, clearance_f1_n, and sea and
// reflecting (0 or 1) when any point is marked so. Numbers in metres
// and km with up to 3 decimals (0.1 mm would be noise); labels quoted when they need it.
std::string profileCsv(const Profile& profile, const ClearanceReport& report);

// A self-contained SVG document: terrain (ground filled, obstructions above it), the line of
// sight, the terrain raised by each criterion's bulge, the lower edge of F1 and each
// criterion's fraction of it, the worst point of each criterion marked, and one verdict line
// per criterion under the drawing.
// With `diffraction` the figures of the diffraction model replace the average-terrain line; with
// `reflection` the reflection points, their rays and the level against the receive height are
// drawn and described. The drawing is buildProfileDrawing's, rendered by renderSvg.
std::string profileSvg(const Profile& profile, const ClearanceReport& report,
                       const DiffractionResult* diffraction = nullptr,
                       const ReflectionResult* reflection = nullptr);

// "k 1.333, 1.00 F1: met, worst 0.527 F1 (5.59 m) at 5.000 km (15.000 km from the To end)"
std::string verdictLine(const CriterionResult& result);

// `text` with &, <, > and " written as XML entities.
std::string xmlEscaped(const std::string& text);

// Appends printf-formatted text to `out` (the SVG and CSV writers' one formatter).
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace hopscale::terrain
