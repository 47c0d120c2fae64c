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
#include "coordinates.h"
#include "dem.h"
#include "exit_status.h"
#include "profile.h"
#include "profile_export.h"

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

// A packed coordinate read as `calc` reads it: the leading number of the text,
// then degrees.
std::optional<Failure> readCoordinate(const std::string& option, const std::string& text,
                                      Field field, bool isLatitude, double& degrees) {
    auto packed = toSingle(textLeadingValue(text), field);
    Result<double> value =
        packed ? dmsToDegrees(*packed, field, isLatitude) : Result<double>(*packed.error);
    if (!value) {
        Error e = *value.error;
        e.field.reset();  // name the option, not the input screen's box
        e.input = option;
        e.text = text;
        return failed(e);
    }
    degrees = *value;
    return std::nullopt;
}

struct Ends {
    GeoPoint from;
    GeoPoint to;
};

// The ends from the four coordinate options: all four, or none (nullopt).
std::optional<Failure> readEnds(const ProfileRequest& r, std::optional<Ends>& ends) {
    const int given = !r.fromLat.empty() + !r.fromLon.empty() + !r.toLat.empty() + !r.toLon.empty();
    if (given == 0) return std::nullopt;
    if (given != 4) {
        return usage("--from-lat, --from-lon, --to-lat, --to-lon", "",
                     "give all four coordinates or none");
    }
    Ends e;
    double fromLon = 0, toLon = 0;
    if (auto f = readCoordinate("--from-lat", r.fromLat, Field::Text5, true, e.from.latitudeDeg))
        return f;
    if (auto f = readCoordinate("--from-lon", r.fromLon, Field::Text6, false, fromLon)) return f;
    if (auto f = readCoordinate("--to-lat", r.toLat, Field::Text7, true, e.to.latitudeDeg))
        return f;
    if (auto f = readCoordinate("--to-lon", r.toLon, Field::Text9, false, toLon)) return f;
    // The program reads west as positive; the geodesic wants east positive.
    e.from.longitudeDeg = -fromLon;
    e.to.longitudeDeg = -toLon;
    ends = e;
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

// Writes `text` to `path` through a temporary file beside it, so that a failed
// write never leaves half a file in place of the old one.
std::optional<Error> writeWhole(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(temporary, ec);
            Error e;
            e.kind = ErrorKind::BadFile;
            e.file = path;
            e.detail = "cannot be written";
            return e;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        Error e;
        e.kind = ErrorKind::BadFile;
        e.file = path;
        e.detail = "cannot be written (" + ec.message() + ")";
        return e;
    }
    return std::nullopt;
}

const char* fixedEndName(FixedEnd end) {
    switch (end) {
        case FixedEnd::None:
            return "none";
        case FixedEnd::From:
            return "from";
        case FixedEnd::To:
            return "to";
    }
    return "none";
}

nlohmann::json reportJson(const Profile& profile, const ClearanceReport& r, bool withPoints) {
    nlohmann::json doc;
    doc["source"] = profile.source;
    doc["pathKm"] = r.pathKm;
    doc["frequencyGhz"] = r.frequencyGhz;
    doc["antennaHeightsM"] = {r.antennas.fromM, r.antennas.toM};
    doc["meanTerrainM"] = r.meanTerrainM;
    doc["pointCount"] = profile.points.size();
    nlohmann::json criteria = nlohmann::json::array();
    for (const CriterionResult& c : r.criteria) {
        criteria.push_back({{"k", c.criterion.k},
                            {"fraction", c.criterion.fraction},
                            {"met", c.met},
                            {"worst",
                             {{"distanceKm", c.worst.distanceKm},
                              {"distanceToEndKm", c.worst.distanceToEndKm},
                              {"label", c.worst.label},
                              {"clearanceM", c.worst.clearanceM},
                              {"clearanceF1", c.worst.clearanceF1}}}});
    }
    doc["criteria"] = criteria;
    doc["allMet"] = r.allMet;
    doc["diffractionLossDb"] = r.diffractionLossApplies ? r.diffractionLossDb : 0.0;
    doc["diffractionModel"] = kDiffractionModel;
    doc["heightsNeededM"] = {r.heightsNeeded.fromM, r.heightsNeeded.toM};
    doc["fixedEnd"] = fixedEndName(r.fixedEnd);
    if (withPoints) {
        nlohmann::json points = nlohmann::json::array();
        for (std::size_t i = 0; i < profile.points.size(); ++i) {
            const ProfilePoint& p = profile.points[i];
            nlohmann::json perCriterion = nlohmann::json::array();
            for (const CriterionResult& c : r.criteria) {
                perCriterion.push_back({{"bulgeM", c.bulgeM[i]},
                                        {"clearanceM", c.clearanceM[i]},
                                        {"clearanceF1", c.clearanceF1[i]}});
            }
            points.push_back({{"distanceKm", p.distanceKm},
                              {"groundM", p.groundM},
                              {"obstructionM", p.obstructionM},
                              {"label", p.label},
                              {"lineOfSightM", r.lineOfSightM[i]},
                              {"f1M", r.f1M[i]},
                              {"criteria", perCriterion}});
        }
        doc["points"] = points;
    }
    return doc;
}

void writeTable(std::ostream& out, const Profile& profile, const ClearanceReport& r) {
    char line[256];
    out << "Profile: " << profile.source << " (" << profile.points.size() << " points)\n";
    std::snprintf(line, sizeof line,
                  "Path %.3f km at %g GHz, antennas %.1f m (From) and %.1f m (To)\n", r.pathKm,
                  r.frequencyGhz, r.antennas.fromM, r.antennas.toM);
    out << line;
    std::snprintf(line, sizeof line, "Mean terrain height: %.1f m\n\n", r.meanTerrainM);
    out << line;
    for (const CriterionResult& c : r.criteria) out << verdictLine(c) << "\n";
    out << "\n";
    if (r.diffractionLossApplies) {
        std::snprintf(line, sizeof line, "Diffraction loss: %.1f dB (%s)\n", r.diffractionLossDb,
                      kDiffractionModel);
    } else {
        std::snprintf(line, sizeof line, "Diffraction loss: none (%s)\n", kDiffractionModel);
    }
    out << line;
    const char* how = r.fixedEnd == FixedEnd::None   ? "both ends equal"
                      : r.fixedEnd == FixedEnd::From ? "From end kept"
                                                     : "To end kept";
    std::snprintf(line, sizeof line, "Heights needed (%s): %.1f m (From) and %.1f m (To)\n", how,
                  r.heightsNeeded.fromM, r.heightsNeeded.toM);
    out << line;
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
    std::optional<Ends> ends;
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

    if (!r.csvFile.empty()) {
        if (auto e = writeWhole(r.csvFile, profileCsv(model.value->profile(), result)))
            return report(failed(*e));
    }
    if (!r.svgFile.empty()) {
        if (auto e = writeWhole(r.svgFile, profileSvg(model.value->profile(), result)))
            return report(failed(*e));
    }
    if (r.json) {
        out << reportJson(model.value->profile(), result, r.points).dump(2) << "\n";
    } else {
        writeTable(out, model.value->profile(), result);
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

nlohmann::json profileReportJson(const terrain::Profile& profile,
                                 const terrain::ClearanceReport& report) {
    return reportJson(profile, report, false);
}

}  // namespace hopscale
