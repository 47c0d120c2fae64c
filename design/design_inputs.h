// The design as the windows exchange it: the input screen's fields of the From-to-To budget
// taken into a design and given back from one, and any value of a design read or set by its
// stable key ("sites[1].threshold", "conditions.rain-zone", "path.freq"), the keys that
// evaluate() puts into Error::key.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link_design.h"
#include "path_record.h"

namespace hopscale::design {

// Takes the input screen's fields into the design: dishes, feeders, coordinates, the path,
// the From end's power and amplifier gain and the To end's preamplifier gain, and the path
// name. Values the input screen does not hold (the other end's transmitter, thresholds,
// heights, the conditions) keep theirs. A line type of the design is kept while its feeder
// field still holds the loss the design gives for it (at the same frequency); a loss typed
// over it replaces it. `dataDir` is where line types are looked up.
void takeInputScreen(LinkDesign& design, const PathInputs& fields,
                     const std::filesystem::path& dataDir);

// The input screen's fields for the design's From-to-To budget, with line types looked up
// (a lookup that fails leaves the design's typed loss in the field).
PathInputs inputScreenFields(const LinkDesign& design, const std::filesystem::path& dataDir);

// The text of a value by its key; empty for an unknown key.
std::string keyText(const LinkDesign& design, std::string_view key);
// Sets a value by its key; a message for an unknown key or an unreadable switch.
std::optional<std::string> setKeyText(LinkDesign& design, std::string_view key,
                                      std::string_view text);

}  // namespace hopscale::design
