#include "result_rows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "conversions.h"
#include "csv_writer.h"
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

// Decimals of an availability that show its outage (at least two significant digits of it):
// 99.999356 for 0.000644 %, 99.99999987 for 1.3e-7 %.
int availabilityDecimals(double outagePercent) {
    if (!(outagePercent > 0)) return 6;
    const int needed = static_cast<int>(std::ceil(-std::log10(outagePercent))) + 2;
    return std::clamp(needed, 6, 12);
}

std::string directionPrefix(End from) { return from == End::From ? "ab." : "ba."; }

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : "; ") + t;
    return out;
}

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

// The radio's modes, the mean capacity, and the clear-air and rain parts of the most robust
// mode's outage.
void outageRows(RowWriter& w, const propagation::OutageResult& o) {
    for (std::size_t i = 0; i < o.modes.size(); ++i) {
        const propagation::ModeOutage& m = o.modes[i];
        const std::string key = "modes[" + std::to_string(i) + "].";
        const std::string name = "Mode " + m.mode.name;
        w.number(key + "capacityMbps", name + ": capacity", "Mbit/s", m.mode.capacityMbps, 1);
        w.number(key + "fadeMarginDb", name + ": fade margin", "dB", m.fadeMarginDb, 2);
        w.number(key + "availabilityPercent", name + ": availability", "%", m.availabilityPercent,
                 availabilityDecimals(m.outagePercent));
        w.number(key + "outageMinutesPerYear", name + ": below it a year", "min",
                 m.outageMinutesPerYear, 1);
        w.number(key + "timeInModePercent", name + ": time in the mode", "%", m.timeInModePercent,
                 4)
            .flags = m.flags;
    }
    w.number("meanCapacityMbps", "Mean capacity", "Mbit/s", o.meanCapacityMbps, 1);
    w.add("targetMode", "Highest mode that meets the target", "",
          o.targetMode ? o.modes[*o.targetMode].mode.name : std::string("none"));
    if (o.modes.empty()) return;
    const propagation::OutageParts& parts = o.modes.front().parts;
    w.number("clearAirWorstMonthPercent", "Clear-air outage, average worst month", "%",
             parts.clearAirWorstMonthPercent, 8);
    w.number("clearAirAnnualPercent", "Clear-air outage, average year", "%",
             parts.clearAirYearPercent, 8);
    w.number("rainAnnualPercent", "Rain outage, average year", "%", parts.rainYearPercent, 8);
}

void performanceRows(RowWriter& w, const propagation::LinkPerformance& p) {
    w.number("pathKm", "Path length", "km", p.pathKm, 3);
    w.number("gasDb", "Gas loss", "dB", p.gasDb, 2);
    w.number("extraLossDb", "Extra path loss", "dB", p.extraLossDb, 2);
    w.number("rslDbm", "Received signal level", "dBm", p.rslDbm, 2);
    w.number("thresholdDbm", "Receiver threshold", "dBm", p.thresholdDbm, 2);
    w.number("flatFadeMarginDb", "Flat fade margin", "dB", p.flatFadeMarginDb, 2);
    if (p.rain) {
        w.number("rainA001Db", "Rain attenuation A0.01", "dB", p.rain->a001Db, 2);
        w.number("rainOutagePercent", "Rain outage", "%", p.rain->outagePercent, 6);
        w.add("rainSource", "Rain source", "", p.rain->source).flags = p.rain->flags;
    }
    w.add("multipathMethod", "Multipath method", "", p.multipath.method).flags = p.multipath.flags;
    w.number("multipathWorstMonthPercent", "Multipath worst month", "%",
             p.multipath.worstMonthPercent, 6);
    w.number("multipathAnnualPercent", "Multipath average year", "%", p.multipath.annualPercent, 6);
    w.number("outagePercent", "Outage", "%", p.outagePercent, 6);
    w.number("availabilityPercent", "Availability", "%", p.availabilityPercent,
             availabilityDecimals(p.outagePercent));
    w.number("outageMinutesPerYear", "Outage a year", "min", p.outageMinutesPerYear, 1);
    w.number("targetPercent", "Target availability", "%", p.target.percent, 4);
    w.add("targetMet", "Target met", "", p.target.met);
    w.number("requiredMarginDb", "Fade margin that meets the target", "dB",
             p.target.requiredMarginDb, 2);
    if (p.outage.extended) outageRows(w, p.outage);
    if (!p.flags.empty()) w.add("flags", "Flags", "", joined(p.flags));
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
    w.number("diffraction.lossDb", std::string("Diffraction loss at k ") + k, "dB", d.lossDb, 2);
    w.number("diffraction.knifeEdgeDb", "Single knife edge", "dB", d.knifeEdge.lossDb, 2);
    w.number("diffraction.knifeEdgeKm", "Knife edge at", "km", d.knifeEdge.distanceKm, 3);
    w.number("diffraction.bullingtonDb", "Bullington over the profile", "dB", d.bullingtonDb, 2);
    w.number("diffraction.sphericalEarthDb", "Spherical earth", "dB", d.sphericalEarthDb, 2);
    w.number("diffraction.averageTerrainDb", "Average terrain (P.530, a planning figure)", "dB",
             d.averageTerrainDb, 1);
    for (std::size_t i = 0; i < p.atCriteria.size(); ++i) {
        std::snprintf(k, sizeof k, "%.4g", p.atCriteria[i].earthFactor);
        w.number("diffraction.atCriteria[" + std::to_string(i) + "]",
                 std::string("Diffraction loss at k ") + k, "dB", p.atCriteria[i].lossDb, 2);
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
        w.number(key + "levelDb", "Level against free space" + at, "dB", p.levelDb, 2);
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
        w.number(key + "worstClearanceF1", "Worst clearance", "F1", c.worst.clearanceF1, 2);
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
    const double v = std::get<double>(row.value);
    char buffer[64];
    if (row.precision < 0) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v);
        return std::string(buffer, end.ptr);
    }
    std::snprintf(buffer, sizeof buffer, "%.*f", row.precision, v);
    std::string text(buffer);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
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
        if (!row.flags.empty()) out += "  [" + joined(row.flags) + "]";
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
