// `hopscale network LINKS.csv --sites SITES.csv`: every link of a network designed and judged
// at once, on every core.
//
//   hopscale network LINKS.csv --sites SITES.csv [--design TEMPLATE.hop] [--dem PATH...]
//                    [--csv OUT] [--json] [--map OUT.kml|OUT.geojson|OUT.gpkg] [--jobs N]
//                    [--quiet]
//
// Each link starts from the template design (or the defaults), takes its two sites from
// SITES.csv, then its own row of LINKS.csv (network_inputs.h says what the files hold), and
// is evaluated by the design layer exactly as `design report` evaluates a design file.
// Rasters (--dem, or a `dem` the template or a row gives) are opened once per core for the
// whole run and GDAL's block cache keeps their tiles.
//
// Output, one row per link in input order whatever --jobs: CSV (networkColumns()) on stdout,
// or in OUT with --csv; with --json one JSON object per line on stdout, the object of
// `design report --json` for the link ({"name", "from", "to", "error"} for a link that
// failed). --map writes the sites as points and the links as lines with their figures,
// coloured by verdict in KML. A progress line (links done, links per second, time left) is
// shown on stderr when it is a terminal, the run takes more than a second and --quiet is not
// given. Failing links are named on stderr (the first 20), then counted.
// Exit status: 0 every link evaluated, 1 a link failed or a file could not be read or
// written, 2 a usage error (options, or a header of the two files).
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "errors.h"
#include "front_door.h"
#include "link_design.h"
#include "network_inputs.h"

namespace hopscale {

// The `network` subcommand for the front door.
cli::CommandDefinition networkCommand();

struct NetworkOptions {
    std::string linksFile;
    std::string sitesFile;
    std::string designFile;        // empty: the default design
    std::vector<std::string> dem;  // rasters for links without a profile or dem of their own
    std::string csvFile;           // empty: CSV on `out` (unless json)
    bool json = false;
    std::string mapFile;
    std::size_t jobs = 1;
    bool progress = false;
    std::filesystem::path dataDir;  // for catalogue line types
};

// The run over open output streams; returns the exit status.
int runNetwork(const NetworkOptions& options, std::FILE* out, std::FILE* err);

// The names of the CSV columns, in order.
const std::vector<std::string>& networkColumns();

// The design of one link: `base` (the template) with its sites' ground elevations cleared
// (they belong to the template's own places), the link's name, its two sites' keys, then the
// row's path, condition and profile keys. `dem` (when not empty) replaces the template's
// profile and dem; a row's own `profile` or `dem` replaces both, its relative file names read
// against `linksDir`. An error (TypeMismatch, Error::key naming the design key) for a value
// the design cannot take, such as a switch that is not 1 or 0.
Result<design::LinkDesign> designForLink(const design::LinkDesign& base,
                                         const cli::LinkRecord& link,
                                         const std::filesystem::path& linksDir,
                                         const std::vector<std::string>& dem);

}  // namespace hopscale
