#include "profile_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "clearance.h"
#include "conversions.h"
#include "data_file.h"
#include "dem.h"
#include "diffraction.h"
#include "exit_status.h"
#include "geo.h"
#include "profile.h"
#include "profile_drawing.h"
#include "profile_export.h"
#include "profile_propagation.h"
#include "profile_text.h"
#include "reflection.h"

namespace hopscale {
namespace {

using namespace hopscale::terrain;

struct ProfileRequest {
    std::string profileFile;
    std::vector<std::string> demPaths;
    std::string fromLat, fromLon, toLat, toLon;
    std::string freq;
    std::string antennaHeights;
    std::string criteria = "north-american";
    std::string fixedEnd;
    bool json = false;
    bool points = false;
    std::string csvFile;
    std::string svgFile;
    PropagationTexts propagation;  // diffraction and reflection, as typed
};

// A failure of this command: its exit status and the error to report.
struct Failure {
    int status = cli::kExitFailed;
    Error error;
};

Failure usage(const std::string& option, std::string text, std::string detail) {
    Failure f;
    f.status = cli::kExitUsage;
    f.error.kind = ErrorKind::InvalidArgument;
    f.error.input = option;
    f.error.text = std::move(text);
    f.error.detail = std::move(detail);
    return f;
}

Failure failed(Error e) { return {cli::kExitFailed, std::move(e)}; }

// A strict number option ("--freq 7.5"); a text that is no number is a usage
// error.
std::optional<Failure> readNumber(const std::string& option, const std::string& text, double& out) {
    auto value = textToDouble(text);
    if (!value || !std::isfinite(*value)) return usage(option, text, "is not a number");
    out = *value;
    return std::nullopt;
}

// The ends from the four coordinate options: all four, or none (nullopt). Each is read as
// `calc` reads it (the leading number of the text, packed, west positive); an error names the
// option and its text rather than the input screen's box.
std::optional<Failure> readEnds(const ProfileRequest& r, std::optional<PathEnds>& ends) {
    const int given = !r.fromLat.empty() + !r.fromLon.empty() + !r.toLat.empty() + !r.toLon.empty();
    if (given == 0) return std::nullopt;
    if (given != 4) {
        return usage("--from-lat, --from-lon, --to-lat, --to-lon", "",
                     "give all four coordinates or none");
    }
    Result<PathEnds> read = readPackedEnds(r.fromLat, r.fromLon, r.toLat, r.toLon);
    if (!read) {
        Error e = *read.error;
        const Field field = e.field.value_or(Field::Text5);
        e.field.reset();
        e.input = "--" + std::string(fieldInfo(field).option);  // "--from-lat" ...
        e.text = field == Field::Text5   ? r.fromLat
                 : field == Field::Text6 ? r.fromLon
                 : field == Field::Text7 ? r.toLat
                                         : r.toLon;
        return failed(e);
    }
    ends = *read.value;
    return std::nullopt;
}

std::optional<Failure> readHeights(const std::string& text, Antennas& antennas) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
        return usage("--antenna-heights", text,
                     "is not two heights M,M (From end, To end, metres above ground)");
    }
    if (auto f = readNumber("--antenna-heights", text.substr(0, comma), antennas.fromM)) return f;
    if (auto f = readNumber("--antenna-heights", text.substr(comma + 1), antennas.toM)) return f;
    if (antennas.fromM < 0 || antennas.toM < 0) {
        return usage("--antenna-heights", text, "has a negative height; heights are above ground");
    }
    return std::nullopt;
}

// The diffraction and reflection options, read; errors name the options.
std::optional<Failure> readPropagation(const ProfileRequest& r, PropagationRequest& request) {
    const PropagationNames names{"--diffraction-k", "--polarisation",
                                 "--sea-fraction",  "--surface",
                                 "--ground",        "--roughness",
                                 "--sweep",         "--surface, --ground, --roughness, --sweep"};
    if (auto e = readPropagationTexts(r.propagation, names, request))
        return Failure{cli::kExitUsage, *e};
    return std::nullopt;
}

// A library error about one of the options, named by the option.
Failure optionFailure(Error e) {
    static const std::pair<const char*, const char*> names[] = {
        {"surface", "--surface"},
        {"roughness", "--roughness"},
        {"sea fraction", "--sea-fraction"},
        {"earth factor k", "--diffraction-k"},
        {"sweep", "--sweep"},
        {"ground", "--ground"}};
    for (const auto& [input, option] : names) {
        if (e.input == input) {
            e.input = option;
            return {cli::kExitUsage, std::move(e)};
        }
    }
    return failed(std::move(e));
}

// Everything after the options are parsed: a report, or the failure to report.
int runProfile(const ProfileRequest& r, std::ostream& out, std::ostream& err) {
    auto report = [&](const Failure& f) {
        if (r.json) {
            nlohmann::json e = {{"kind", kindName(f.error.kind)}, {"message", f.error.message()}};
            if (!f.error.file.empty()) e["file"] = f.error.file;
            if (!f.error.input.empty()) e["input"] = f.error.input;
            out << nlohmann::json{{"error", e}}.dump(2) << "\n";
        }
        err << "hopscale profile: " << f.error.message() << "\n";
        if (f.status == cli::kExitUsage) err << "Run 'hopscale profile --help' for the options.\n";
        return f.status;
    };

    if (r.profileFile.empty() == r.demPaths.empty()) {
        return report(
            usage("--profile, --dem", "", "give exactly one of --profile FILE and --dem PATH..."));
    }
    if (r.freq.empty()) return report(usage("--freq", "", "is required (GHz)"));
    if (r.antennaHeights.empty())
        return report(usage("--antenna-heights", "", "is required (M,M)"));
    double frequencyGhz = 0;
    if (auto f = readNumber("--freq", r.freq, frequencyGhz)) return report(*f);
    Antennas antennas;
    if (auto f = readHeights(r.antennaHeights, antennas)) return report(*f);
    auto criteria = parseCriteria(r.criteria, "--criteria");
    if (!criteria) return report({cli::kExitUsage, *criteria.error});
    FixedEnd fixed = FixedEnd::None;
    if (r.fixedEnd == "from") {
        fixed = FixedEnd::From;
    } else if (r.fixedEnd == "to") {
        fixed = FixedEnd::To;
    } else if (!r.fixedEnd.empty()) {
        return report(usage("--fixed-end", r.fixedEnd, "is neither from nor to"));
    }
    if (r.points && !r.json) return report(usage("--points", "", "goes with --json"));
    PropagationRequest request;
    if (auto f = readPropagation(r, request)) return report(*f);
    std::optional<PathEnds> ends;
    if (auto f = readEnds(r, ends)) return report(*f);
    if (!r.demPaths.empty() && !ends) {
        return report(
            usage("--from-lat, --from-lon, --to-lat, --to-lon", "", "are needed with --dem"));
    }

    Result<Profile> profile = Error{};
    if (!r.profileFile.empty()) {
        profile = readProfileCsv(r.profileFile);
    } else {
        auto rasters = ElevationRasters::open(r.demPaths);
        if (!rasters) return report(failed(*rasters.error));
        profile = extractProfile(*rasters.value, ends->from, ends->to);
    }
    if (!profile) return report(failed(*profile.error));
    if (ends && !r.profileFile.empty()) {
        // The profile's own length rules; say so when the ends given disagree with
        // it.
        const double geodesic = geodesicKm(ends->from, ends->to);
        if (std::fabs(geodesic - profile.value->pathKm) > std::max(0.1, 0.01 * geodesic)) {
            char line[200];
            std::snprintf(line, sizeof line,
                          "hopscale profile: warning: the profile is %.3f km long "
                          "but its ends are %.3f km apart; "
                          "the profile's length is used\n",
                          profile.value->pathKm, geodesic);
            err << line;
        }
    }
    auto model = ClearanceModel::make(*profile.value, frequencyGhz, *criteria.value);
    if (!model) return report(failed(*model.error));
    const ClearanceReport result = model.value->evaluate(antennas, fixed);

    request.frequencyGhz = frequencyGhz;
    request.antennas = antennas;
    for (const Criterion& c : *criteria.value) request.criterionFactors.push_back(c.k);
    auto computed = profilePropagation(model.value->profile(), request);
    if (!computed) return report(optionFailure(*computed.error));
    const ProfilePropagation& propagation = *computed.value;
    const ReflectionResult* reflected = propagation.reflection ? &*propagation.reflection : nullptr;

    if (!r.csvFile.empty()) {
        if (auto e = writeFileAtomically(r.csvFile, profileCsv(model.value->profile(), result)))
            return report(failed(*e));
    }
    if (!r.svgFile.empty()) {
        if (auto e = writeFileAtomically(
                r.svgFile,
                profileSvg(model.value->profile(), result, &propagation.diffraction, reflected)))
            return report(failed(*e));
    }
    if (r.json) {
        out << design::profileJson(model.value->profile(), result, propagation, r.points).dump(2)
            << "\n";
    } else {
        out << design::profileTable(model.value->profile(), result, propagation);
    }
    return cli::kExitOk;
}

void defineOptions(CLI::App& app, ProfileRequest& r) {
    app.add_option("--profile", r.profileFile,
                   "CSV profile: distance_km|distance_mi, elevation_m|elevation_ft, "
                   "optional obstruction_m|obstruction_ft and label");
    app.add_option("--dem", r.demPaths,
                   "Elevation rasters (SRTM .hgt, GeoTIFF, any GDAL format) or "
                   "folders of them")
        ->expected(1, -1);
    app.add_option("--from-lat", r.fromLat, "From latitude, packed DDMMSS (north positive)");
    app.add_option("--from-lon", r.fromLon, "From longitude, packed DDDMMSS (west positive)");
    app.add_option("--to-lat", r.toLat, "To latitude, packed DDMMSS");
    app.add_option("--to-lon", r.toLon, "To longitude, packed DDDMMSS");
    app.add_option("--freq", r.freq, "Frequency, GHz");
    app.add_option("--antenna-heights", r.antennaHeights,
                   "Antenna heights above ground at the From and To ends, m");
    app.add_option("--criteria", r.criteria,
                   "north-american (default), sixty, or K:F,... (k and fraction of F1)");
    app.add_option("--fixed-end", r.fixedEnd,
                   "Keep this end's height when finding the heights needed: from or to");
    app.add_option("--diffraction-k", r.propagation.earthFactor,
                   "Earth factor of the diffraction loss (default 4/3; also given at each "
                   "criterion's k)");
    app.add_option("--polarisation", r.propagation.polarisation,
                   "Polarisation of the hop: h or v (default)");
    app.add_option("--sea-fraction", r.propagation.seaFraction,
                   "Fraction of the path over sea, 0..1 (default: the share of the profile's "
                   "sea column)");
    app.add_flag("--reflection", r.propagation.reflection,
                 "Analyse the ground reflection at each criterion's k and sweep the To antenna");
    app.add_option("--surface", r.propagation.surface,
                   "With --reflection: the reflecting surface, fit (the smooth earth fitted to "
                   "the ground, default) or a level in m");
    app.add_option("--ground", r.propagation.ground,
                   "With --reflection: sea, land (default) or ER,SIGMA (permittivity, S/m)");
    app.add_option("--roughness", r.propagation.roughness,
                   "With --reflection: rms height of the surface, m (default 0)");
    app.add_option("--sweep", r.propagation.sweep,
                   "With --reflection: receive antenna heights FROM,TO m to sweep (default 0 "
                   "to twice the To antenna)");
    app.add_flag("--json", r.json, "Print one JSON object instead of a table");
    app.add_flag("--points", r.points, "With --json: every point of the profile as well");
    app.add_option("--csv", r.csvFile, "Write the computed profile to this CSV file");
    app.add_option("--svg", r.svgFile, "Write a drawing of the profile to this SVG file");
    app.footer(
        "Exit status: 0 judged (met or not), 1 file, raster or "
        "calculation error, 2 usage error.\n"
        "Nothing is downloaded: profiles and elevation tiles are files "
        "you provide.");
}

}  // namespace

cli::CommandDefinition profileCommand() {
    return {"profile",
            "Judge the terrain clearance of one path and find the antenna "
            "heights needed",
            [](CLI::App& app) -> cli::CommandAction {
                auto request = std::make_shared<ProfileRequest>();
                defineOptions(app, *request);
                return [request](const cli::CommandContext& context) {
                    return runProfile(*request, context.out, context.err);
                };
            }};
}

}  // namespace hopscale
