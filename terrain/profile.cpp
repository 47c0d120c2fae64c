#include "profile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "conversions.h"
#include "csv_reader.h"

namespace hopscale::terrain {
namespace {

std::string normalisedName(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    std::string out(text.substr(begin, end - begin));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

std::string where(std::size_t line, std::size_t column, const std::string& name) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + " (" + name +
           ")";
}

// A column the profile uses: its position in the row and the factor to metres or km.
struct Column {
    std::optional<std::size_t> index;
    std::string name;
    double factor = 1;
};

// Finds the one column named `metric` or `imperial`; both present is ambiguous.
std::optional<Error> pickColumn(const std::vector<std::string>& header, std::size_t count,
                                const char* metric, const char* imperial, double imperialFactor,
                                const std::string& fileName, Column& out) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = normalisedName(header[i]);
        const bool isMetric = name == metric;
        const bool isImperial = name == imperial;
        if (!isMetric && !isImperial) continue;
        if (out.index) {
            return Error::badFile(fileName, "line 1 names both column " + out.name +
                                                " and column " + name + "; give only one");
        }
        out.index = i;
        out.name = name;
        out.factor = isImperial ? imperialFactor : 1.0;
    }
    return std::nullopt;
}

Result<Profile> parse(CsvReader& reader, const std::string& fileName) {
    std::vector<std::string> fields;
    std::size_t count = 0;
    reader.skipByteOrderMark();
    if (!reader.next(fields, count) || (count == 1 && isBlank(fields[0]))) {
        return Error::badFile(fileName, "is empty; line 1 must name the columns");
    }
    Column distance, elevation, obstruction, label, sea, reflecting;
    if (auto e = pickColumn(fields, count, "distance_km", "distance_mi", kKmPerInternationalMile,
                            fileName, distance))
        return *e;
    if (auto e = pickColumn(fields, count, "elevation_m", "elevation_ft", kMetresPerFoot, fileName,
                            elevation))
        return *e;
    if (auto e = pickColumn(fields, count, "obstruction_m", "obstruction_ft", kMetresPerFoot,
                            fileName, obstruction))
        return *e;
    if (auto e = pickColumn(fields, count, "label", "label", 1.0, fileName, label)) return *e;
    if (auto e = pickColumn(fields, count, "sea", "sea", 1.0, fileName, sea)) return *e;
    if (auto e = pickColumn(fields, count, "reflecting", "reflecting", 1.0, fileName, reflecting))
        return *e;
    if (!distance.index)
        return Error::badFile(fileName, "line 1 has no column distance_km or distance_mi");
    if (!elevation.index)
        return Error::badFile(fileName, "line 1 has no column elevation_m or elevation_ft");

    Profile profile;
    profile.source = fileName;
    // Reads the number in `column` of the current row; an empty cell is `emptyValue` when
    // one is allowed.
    auto number = [&](const Column& column, std::optional<double> emptyValue) -> Result<double> {
        const std::size_t line = reader.recordLine();
        const std::size_t i = *column.index;
        if (i >= count || isBlank(fields[i])) {
            if (emptyValue) return *emptyValue;
            return Error::badFile(fileName, "has no value at " + where(line, i + 1, column.name));
        }
        auto value = textToDouble(fields[i]);
        if (!value || !std::isfinite(*value)) {
            return Error::badFile(fileName, "is not a number at " + where(line, i + 1, column.name),
                                  fields[i]);
        }
        return *value * column.factor;
    };

    while (reader.next(fields, count)) {
        if (reader.unterminated()) {
            return Error::badFile(fileName, "has a quoted field that is never closed, from line " +
                                                std::to_string(reader.recordLine()));
        }
        if (count == 1 && isBlank(fields[0])) continue;
        const std::size_t line = reader.recordLine();
        ProfilePoint point;
        auto d = number(distance, std::nullopt);
        if (!d) return *d.error;
        auto g = number(elevation, std::nullopt);
        if (!g) return *g.error;
        point.distanceKm = *d;
        point.groundM = *g;
        if (obstruction.index) {
            auto o = number(obstruction, 0.0);
            if (!o) return *o.error;
            if (*o < 0) {
                return Error::badFile(fileName,
                                      "is negative at " +
                                          where(line, *obstruction.index + 1, obstruction.name) +
                                          "; obstructions stand above the ground",
                                      fields[*obstruction.index]);
            }
            point.obstructionM = *o;
        }
        if (label.index && *label.index < count) point.label = fields[*label.index];
        // A 0/1 mark; an empty cell is 0.
        auto mark = [&](const Column& column, bool& out) -> std::optional<Error> {
            if (!column.index) return std::nullopt;
            auto v = number(column, 0.0);
            if (!v) return *v.error;
            if (*v != 0 && *v != 1) {
                return Error::badFile(
                    fileName,
                    "is neither 0 nor 1 at " + where(line, *column.index + 1, column.name),
                    fields[*column.index]);
            }
            out = *v == 1;
            return std::nullopt;
        };
        if (auto e = mark(sea, point.sea)) return *e;
        if (auto e = mark(reflecting, point.reflecting)) return *e;

        // Made only for a message: building it for every row cost a sixth of a design's
        // evaluation with a long profile.
        auto distanceAt = [&] { return where(line, *distance.index + 1, distance.name); };
        if (profile.points.empty() && point.distanceKm != 0) {
            return Error::badFile(
                fileName, "is not 0 at " + distanceAt() + "; the first point is the From end",
                fields[*distance.index]);
        }
        if (!profile.points.empty() && point.distanceKm <= profile.points.back().distanceKm) {
            return Error::badFile(fileName,
                                  "is not larger than the distance before it at " + distanceAt(),
                                  fields[*distance.index]);
        }
        if (point.groundM < kLowestGroundM || point.groundM > kHighestGroundM) {
            return Error::badFile(fileName,
                                  "is outside -1000 to 9000 m (a void marker?) at " +
                                      where(line, *elevation.index + 1, elevation.name),
                                  fields[*elevation.index]);
        }
        profile.points.push_back(std::move(point));
    }
    if (reader.readError()) return Error::badFile(fileName, "could not be read to its end");
    if (profile.points.size() < 3) {
        return Error::badFile(
            fileName, "has " + std::to_string(profile.points.size()) +
                          " points; a profile needs both ends and at least one point between them");
    }
    profile.pathKm = profile.points.back().distanceKm;
    return profile;
}

}  // namespace

std::optional<Error> checkProfileShape(const Profile& profile, const std::string& input) {
    auto invalid = [&](std::string text, std::string detail) {
        return Error::invalidArgument(input, std::move(text), std::move(detail));
    };
    const auto& points = profile.points;
    if (points.size() < 3)
        return invalid("", "needs both ends and at least one point between them");
    if (points.front().distanceKm != 0) return invalid("", "does not start at 0 km");
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (!(points[i].distanceKm > points[i - 1].distanceKm) ||
            !std::isfinite(points[i].distanceKm)) {
            return invalid(doubleToText(points[i].distanceKm),
                           "km is not beyond the point before it");
        }
    }
    for (const ProfilePoint& p : points) {
        if (!std::isfinite(p.groundM) || !std::isfinite(p.obstructionM))
            return invalid("", "has a height that is not a number");
    }
    if (profile.pathKm != points.back().distanceKm)
        return invalid("", "does not end at its path length");
    return std::nullopt;
}

Result<Profile> parseProfileCsv(std::string_view text, const std::string& fileName) {
    CsvReader reader(text);
    return parse(reader, fileName);
}

Result<Profile> readProfileCsv(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        Error e;
        e.kind = ErrorKind::FileNotFound;
        e.file = path;
        e.detail = std::filesystem::exists(path, ec) ? "is not a file" : "does not exist";
        return e;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (!in) {
        Error e;
        e.kind = ErrorKind::FileNotFound;
        e.file = path;
        e.detail = "cannot be opened for reading";
        return e;
    }
    CsvReader reader(in.get(), 1 << 16);
    return parse(reader, path);
}

}  // namespace hopscale::terrain
