#include "result_rows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "conversions.h"
#include "csv_writer.h"
#include "performance_rows.h"
#include "profile_export.h"

namespace hopscale::design {
namespace {

// Rows of one group, added in order.
class RowWriter {
  public:
    RowWriter(std::vector<ResultRow>& rows, std::string prefix, std::string group)
        : rows_(rows), prefix_(std::move(prefix)), group_(std::move(group)) {}

    ResultRow& add(const std::string& key, std::string caption, std::string unit, RowValue value,
                   int precision = 2) {
        rows_.push_back(ResultRow{prefix_ + key,
                                  std::move(caption),
                                  std::move(unit),
                                  std::move(value),
                                  precision,
                                  group_,
                                  {}});
        return rows_.back();
    }
    ResultRow& number(const std::string& key, std::string caption, std::string unit,
                      std::optional<double> v, int precision = 2) {
        RowValue value;
        if (v && std::isfinite(*v)) value = *v;
        return add(key, std::move(caption), std::move(unit), value, precision);
    }

  private:
    std::vector<ResultRow>& rows_;
    std::string prefix_;
    std::string group_;
};

std::string directionPrefix(End from) { return from == End::From ? "ab." : "ba."; }

void siteRows(std::vector<ResultRow>& rows, const LinkDesign& design, const LinkStudy& study) {
    for (End end : {End::From, End::To}) {
        const SiteDesign& site = design.site(end);
        const SiteFacts& facts = study.sites[index(end)];
        const std::string endName = end == End::From ? "From" : "To";
        RowWriter w(rows, "sites[" + std::to_string(index(end)) + "].",
                    "Site " + endName + ": " + site.name);
        w.add("name", "Name", "", site.name);
        w.add("lat", "Latitude", "DDMMSS", site.lat);
        w.add("lon", "Longitude", "DDDMMSS", site.lon);
        w.number(
            "groundM",
            facts.groundFromProfile ? "Ground elevation (from the profile)" : "Ground elevation",
            "m", facts.groundM, 1);
        w.number("antennaHeightM", "Antenna height", "m", facts.antennaHeightM, 1);
        w.number("azimuthDeg", "Azimuth towards the other end (true)", "deg", facts.azimuthDeg, 2);
        w.number("elevationAngleDeg", "Elevation angle towards the other end", "deg",
                 facts.elevationAngleDeg, 3);
        w.add("dish", "Dish diameter", "ft", site.dish);
        w.add("feeder", "Feeder", "",
              site.lineType.empty() ? site.loss + " dB/100 ft, " + site.length + " ft"
                                    : site.lineType + ", " + site.length + " ft");
        w.add("power", "Transmitter power", site.watts ? "W" : "dBm", site.power);
        w.add("ampGain", "Amplifier gain", "dB", site.ampGain);
        w.add("preampGain", "Preamplifier gain", "dB", site.preampGain);
        w.add("threshold", "Receiver threshold", "dBm", site.threshold);
    }
}

void budgetRows(RowWriter& w, const DirectionStudy& d) {
    const bool coordinates = d.state.captured.fromLatitudePacked != 0;
    for (const ResultInfo& info : allResults()) {
        if (!d.budget.computed.test(static_cast<std::size_t>(info.id))) continue;
        if (info.resultsCaption[0] == '\0') continue;  // intermediate values
        if (info.id == ResultId::coordinateDistance && !coordinates) continue;
        const char* caption = info.id == ResultId::coordinateDistance
                                  ? "Distance Miles (from coordinates)"
                                  : info.resultsCaption;
        // Budget values are singles shown exactly as the results screen shows them.
        w.add(info.name, caption, "", singleToText(d.state.results.*info.member), -1);
    }
}

// The performance of one direction: the values of the report, with their notes.
void performanceRows(RowWriter& w, const propagation::LinkPerformance& p) {
    forEachPerformanceValue(p, kInReport, [&](const PerformanceField& f, PerformanceValue&& v) {
        RowValue value;
        if (const double* d = std::get_if<double>(&v); d != nullptr && std::isfinite(*d))
            value = *d;
        if (const bool* b = std::get_if<bool>(&v)) value = *b;
        if (const auto* s = std::get_if<std::string_view>(&v)) value = std::string(*s);
        if (auto* s = std::get_if<std::string>(&v)) value = std::move(*s);
        if (const auto* list = std::get_if<const std::vector<std::string>*>(&v)) {
            if ((*list)->empty()) return;
            value = joinedTexts(**list);
        }
        ResultRow& row = w.add(std::string(f.key), std::string(f.caption), std::string(f.unit),
                               value, f.precision);
        if (f.notes != nullptr) row.flags = *f.notes;
    });
}

void directionRows(std::vector<ResultRow>& rows, const DirectionStudy& d) {
    RowWriter w(rows, directionPrefix(d.from), d.fromName + " to " + d.toName);
    budgetRows(w, d);
    if (d.performance) performanceRows(w, *d.performance);
}

void twoWayRows(std::vector<ResultRow>& rows, const LinkDesign& design, const TwoWay& t) {
    RowWriter w(rows, "twoWay.", "Both directions");
    w.number("outagePercent", "Two-way outage (sum of both directions)", "%", t.outagePercent, 6);
    w.number("availabilityPercent", "Two-way availability", "%", t.availabilityPercent,
             availabilityDecimals(t.outagePercent));
    w.number("outageMinutesPerYear", "Two-way outage a year", "min", t.outageMinutesPerYear, 1);
    const SiteDesign& x = design.site(t.worse);
    const SiteDesign& y = design.site(other(t.worse));
    w.add("worseDirection", "Worse direction", "", x.name + " to " + y.name);
    w.number("targetPercent", "Target availability", "%", t.targetPercent, 4);
    w.add("targetMet", "Target met by both directions together", "", t.targetMet);
    for (std::size_t i = 0; i < t.modes.size(); ++i) {
        w.number("modes[" + std::to_string(i) + "].availabilityPercent",
                 "Mode " + t.modes[i].name + ": two-way availability", "%",
                 t.modes[i].availabilityPercent, availabilityDecimals(t.modes[i].outagePercent));
    }
}

void diffractionRows(RowWriter& w, const terrain::ProfilePropagation& p) {
    const terrain::DiffractionResult& d = p.diffraction;
    char k[32];
    std::snprintf(k, sizeof k, "%.4g", d.earthFactor);
    w.add("diffraction.method", "Diffraction method", "", d.method);
    w.number("diffraction.lossDb", std::string("Diffraction loss at k ") + k, "dB", d.lossDb, 1);
    w.number("diffraction.knifeEdgeDb", "Single knife edge", "dB", d.knifeEdge.lossDb, 1);
    w.number("diffraction.knifeEdgeKm", "Knife edge at", "km", d.knifeEdge.distanceKm, 3);
    w.number("diffraction.bullingtonDb", "Bullington over the profile", "dB", d.bullingtonDb, 1);
    w.number("diffraction.sphericalEarthDb", "Spherical earth", "dB", d.sphericalEarthDb, 1);
    w.number("diffraction.averageTerrainDb", "Average terrain (P.530, a planning figure)", "dB",
             d.averageTerrainDb, 1);
    for (std::size_t i = 0; i < p.atCriteria.size(); ++i) {
        std::snprintf(k, sizeof k, "%.4g", p.atCriteria[i].earthFactor);
        w.number("diffraction.atCriteria[" + std::to_string(i) + "]",
                 std::string("Diffraction loss at k ") + k, "dB", p.atCriteria[i].lossDb, 1);
    }
}

void reflectionRows(RowWriter& w, const terrain::ReflectionResult& r) {
    w.add("reflection.method", "Reflection method", "", r.method);
    w.add("reflection.surface", "Reflecting surface", "", r.surface + ", " + r.ground.name);
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const terrain::ReflectionPoint& p = r.points[i];
        char k[32];
        std::snprintf(k, sizeof k, "%.4g", p.earthFactor);
        const std::string key = "reflection.points[" + std::to_string(i) + "].";
        const std::string at = std::string(" at k ") + k;
        w.add(key + "state", "Reflection" + at, "", terrain::describe(p.state));
        w.number(key + "distanceKm", "Reflection point from the From end" + at, "km", p.distanceKm,
                 3);
        w.number(key + "pathDifferenceM", "Path difference" + at, "m", p.pathDifferenceM, 3);
        w.number(key + "levelDb", "Level against free space" + at, "dB", p.levelDb, 1);
    }
    w.number("reflection.diversitySpacingM", "Space-diversity spacing", "m", r.diversitySpacingM,
             2);
}

void profileRows(std::vector<ResultRow>& rows, const LinkStudy& study) {
    const terrain::ClearanceReport& r = *study.clearance;
    RowWriter w(rows, "profile.", "Profile");
    w.add("source", "Profile", "", study.profile->source);
    w.number("pathKm", "Profile length", "km", r.pathKm, 3);
    w.number("meanTerrainM", "Mean terrain height (for P.530)", "m", r.meanTerrainM, 1);
    for (std::size_t i = 0; i < r.criteria.size(); ++i) {
        const terrain::CriterionResult& c = r.criteria[i];
        const std::string key = "criteria[" + std::to_string(i) + "].";
        w.add(key + "verdict", terrain::describe(c.criterion), "", terrain::verdictLine(c));
        w.number(key + "worstClearanceF1", "Worst clearance", "F1", c.worst.clearanceF1, 3);
    }
    w.add("allMet", "Every criterion met", "", r.allMet);
    w.number("heightsNeededFromM", "Antenna height needed, From end", "m", r.heightsNeeded.fromM,
             1);
    w.number("heightsNeededToM", "Antenna height needed, To end", "m", r.heightsNeeded.toM, 1);
    if (study.propagation) diffractionRows(w, *study.propagation);
    w.number("diffractionSubtractedDb", "Diffraction loss taken from the fade margin", "dB",
             study.diffractionSubtractedDb, 2);
    if (study.propagation && study.propagation->reflection) {
        reflectionRows(w, *study.propagation->reflection);
    }
}

void modelRows(std::vector<ResultRow>& rows, const LinkStudy& study) {
    RowWriter w(rows, "models.", "Models");
    std::vector<std::string> seen;
    for (const DirectionStudy& d : study.directions) {
        if (!d.performance) continue;
        for (const std::string& m : d.performance->models) {
            bool known = false;
            for (const std::string& s : seen) known |= s == m;
            if (known) continue;
            seen.push_back(m);
            w.add("[" + std::to_string(seen.size() - 1) + "]", "Model", "", m);
        }
    }
}

}  // namespace

std::vector<ResultRow> resultRows(const LinkDesign& design, const LinkStudy& study) {
    std::vector<ResultRow> rows;
    rows.reserve(160);
    siteRows(rows, design, study);
    for (const DirectionStudy& d : study.directions) directionRows(rows, d);
    if (study.twoWay) twoWayRows(rows, design, *study.twoWay);
    if (study.clearance) profileRows(rows, study);
    modelRows(rows, study);
    RowWriter w(rows, "warnings.", "Warnings");
    for (std::size_t i = 0; i < study.warnings.size(); ++i) {
        w.add("[" + std::to_string(i) + "]", "Warning", "", study.warnings[i]);
    }
    return rows;
}

std::string rowText(const ResultRow& row) {
    if (std::holds_alternative<std::monostate>(row.value)) return "-";
    if (const auto* b = std::get_if<bool>(&row.value)) return *b ? "yes" : "no";
    if (const auto* s = std::get_if<std::string>(&row.value)) return *s;
    return numberText(std::get<double>(row.value), row.precision);
}

std::string rowsTable(const std::vector<ResultRow>& rows, const std::string& title) {
    constexpr std::size_t kCaptionWidth = 52;
    std::string out = title + "\n";
    std::string group;
    for (const ResultRow& row : rows) {
        if (row.group != group) {
            group = row.group;
            out += "\n" + group + "\n";
        }
        std::string caption = row.caption;
        if (!row.unit.empty()) caption += " (" + row.unit + ")";
        out += "  " + caption;
        out +=
            std::string(caption.size() < kCaptionWidth ? kCaptionWidth - caption.size() : 1, ' ');
        out += rowText(row);
        if (!row.flags.empty()) out += "  [" + joinedTexts(row.flags) + "]";
        out += "\n";
    }
    return out;
}

std::string rowsCsv(const std::vector<ResultRow>& rows) {
    std::string out = "key,group,caption,unit,value\n";
    for (const ResultRow& row : rows) {
        appendCsvField(out, row.key);
        out += ',';
        appendCsvField(out, row.group);
        out += ',';
        appendCsvField(out, row.caption);
        out += ',';
        appendCsvField(out, row.unit);
        out += ',';
        appendCsvField(out, rowText(row));
        out += '\n';
    }
    return out;
}

}  // namespace hopscale::design
