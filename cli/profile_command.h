// `hopscale profile`: the terrain profile of one hop judged against clearance
// criteria.
//
//   hopscale profile (--profile FILE | --dem PATH...) [--from-lat T --from-lon
//   T --to-lat T
//       --to-lon T] --freq GHZ --antenna-heights M,M [--criteria
//       north-american|sixty|K:F,...]
//       [--fixed-end from|to] [--json] [--points] [--csv FILE] [--svg FILE]
//
// The four coordinates are packed texts read as `calc` reads them (north and
// west positive); they are needed with --dem and optional with --profile, whose
// last distance is the path length. Exit status: 0 judged (whether the criteria
// are met or not), 1 a file, raster or calculation error, 2 a usage error
// (options missing, in conflict or unreadable).
#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>

#include "clearance.h"
#include "front_door.h"
#include "profile.h"
#include "profile_propagation.h"

namespace hopscale {

// The `profile` subcommand for the front door.
cli::CommandDefinition profileCommand();

}  // namespace hopscale
