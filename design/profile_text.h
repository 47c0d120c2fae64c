// A judged profile as text, for every view that shows it: the object of `profile --json` (and
// the "profile" of a design report's JSON), the table of `profile`, and the profile window's
// summary, heights and point description. Lengths, heights and losses are written to the same
// decimals everywhere; the verdict, diffraction and reflection lines are the drawing's own.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "clearance.h"
#include "profile.h"
#include "profile_propagation.h"

namespace hopscale::design {

// The JSON object of a judged profile; with `withPoints` every point of it as well.
nlohmann::json profileJson(const terrain::Profile& profile, const terrain::ClearanceReport& report,
                           const terrain::ProfilePropagation& propagation, bool withPoints);

// The table `profile` prints: the path, the verdicts, the diffraction and reflection lines and
// the heights needed.
std::string profileTable(const terrain::Profile& profile, const terrain::ClearanceReport& report,
                         const terrain::ProfilePropagation& propagation);

// "61 points over 16.093 km at 11 GHz, mean terrain 293.3 m, from hop.csv"
std::string profileSummary(const terrain::Profile& profile, const terrain::ClearanceReport& report);

// "Lowest antenna heights meeting every criterion (both ends equal): From 40.1 m, To 40.1 m"
std::string heightsNeededSentence(const terrain::ClearanceReport& report);

// Point `index` of the profile: its distance, ground, obstruction, label, and the clearance at
// the first criterion.
std::string pointDescription(const terrain::Profile& profile,
                             const terrain::ClearanceReport& report, std::size_t index);

}  // namespace hopscale::design
