#include "profile_export.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace hopscale::terrain {
namespace {

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    out.append(big.data(), static_cast<std::size_t>(n));
}

// A CSV field, quoted when it holds a comma, quote or line break (RFC 4180).
void appendCsvText(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

const char* const kCriterionColours[] = {"#c0392b", "#2471a3", "#7d3c98",
                                         "#d68910", "#117a65", "#566573"};

}  // namespace

std::string profileCsv(const Profile& profile, const ClearanceReport& report) {
    std::string out = "distance_km,elevation_m,obstruction_m,label,line_of_sight_m,f1_m";
    for (std::size_t c = 1; c <= report.criteria.size(); ++c) {
        appendf(out, ",bulge_m_%zu,clearance_m_%zu,clearance_f1_%zu", c, c, c);
    }
    out += "\r\n";
    for (std::size_t i = 0; i < profile.points.size(); ++i) {
        const ProfilePoint& p = profile.points[i];
        appendf(out, "%.4f,%.3f,%.3f,", p.distanceKm, p.groundM, p.obstructionM);
        appendCsvText(out, p.label);
        appendf(out, ",%.3f,%.3f", report.lineOfSightM[i], report.f1M[i]);
        for (const CriterionResult& cr : report.criteria) {
            appendf(out, ",%.3f,%.3f,%.4f", cr.bulgeM[i], cr.clearanceM[i], cr.clearanceF1[i]);
        }
        out += "\r\n";
    }
    return out;
}

std::string verdictLine(const CriterionResult& result) {
    std::string out = describe(result.criterion);
    appendf(out, ": %s, worst %.3f F1 (%.2f m) at %.3f km (%.3f km from the To end)",
            result.met ? "met" : "NOT MET", result.worst.clearanceF1, result.worst.clearanceM,
            result.worst.distanceKm, result.worst.distanceToEndKm);
    if (!result.worst.label.empty()) out += " \"" + result.worst.label + "\"";
    return out;
}

std::string profileSvg(const Profile& profile, const ClearanceReport& report) {
    const std::size_t n = profile.points.size();
    const double width = 1000, plotLeft = 70, plotRight = 970, plotTop = 44, plotBottom = 420;
    const std::size_t textLines = report.criteria.size() + 2;
    const double height = plotBottom + 40 + 18.0 * static_cast<double>(textLines);

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (std::size_t i = 0; i < n; ++i) {
        low = std::min(low, profile.points[i].groundM);
        high = std::max({high, report.terrainM[i], report.lineOfSightM[i] + report.f1M[i]});
        for (const CriterionResult& cr : report.criteria)
            high = std::max(high, cr.raisedTerrainM[i]);
    }
    const double span = std::max(high - low, 1.0);
    low -= 0.05 * span;
    high += 0.05 * span;
    const double pathKm = std::max(report.pathKm, 1e-9);
    auto x = [&](double km) { return plotLeft + (plotRight - plotLeft) * km / pathKm; };
    auto y = [&](double m) {
        return plotBottom - (plotBottom - plotTop) * (m - low) / (high - low);
    };
    auto polyline = [&](const char* id, const char* colour, const char* dash, auto&& value) {
        std::string s;
        appendf(s,
                "<polyline id=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\"%s points=\"",
                id, colour, dash);
        for (std::size_t i = 0; i < n; ++i)
            appendf(s, "%s%.2f,%.2f", i ? " " : "", x(report.distanceKm[i]), y(value(i)));
        s += "\"/>\n";
        return s;
    };

    std::string svg;
    appendf(svg,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 "
            "0 %.0f %.0f\" "
            "font-family=\"sans-serif\" font-size=\"12\">\n",
            width, height, width, height);
    appendf(svg, "<rect width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", width, height);
    appendf(
        svg,
        "<text x=\"%.0f\" y=\"22\" font-size=\"14\">%s: %.3f km at %.3f GHz, antennas %.1f m and "
        "%.1f m</text>\n",
        plotLeft,
        xmlEscaped(profile.source.empty() ? std::string("Path profile") : profile.source).c_str(),
        report.pathKm, report.frequencyGhz, report.antennas.fromM, report.antennas.toM);
    appendf(
        svg,
        "<text id=\"legend\" x=\"%.0f\" y=\"36\" text-anchor=\"end\" font-size=\"11\" "
        "fill=\"#444\">"
        "solid: terrain raised by the bulge at k; dashed: line of sight less the fraction of F1; "
        "dotted: first Fresnel zone</text>\n",
        plotRight);
    // Axes with the elevation range and the path length.
    appendf(svg,
            "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" "
            "stroke=\"#999\"/>\n",
            plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop);
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">%.0f m</text>\n", plotLeft - 4,
            plotTop + 10, high);
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">%.0f m</text>\n", plotLeft - 4,
            plotBottom, low);
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\">0 km</text>\n", plotLeft, plotBottom + 16);
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"end\">%.3f km</text>\n", plotRight,
            plotBottom + 16, report.pathKm);

    // Obstructions first, then the ground over their foot.
    svg += "<polygon id=\"obstructions\" fill=\"#58a55c\" stroke=\"none\" points=\"";
    for (std::size_t i = 0; i < n; ++i)
        appendf(svg, "%.2f,%.2f ", x(report.distanceKm[i]), y(report.terrainM[i]));
    for (std::size_t i = n; i-- > 0;)
        appendf(svg, "%.2f,%.2f ", x(report.distanceKm[i]), y(profile.points[i].groundM));
    svg += "\"/>\n";
    svg += "<polygon id=\"ground\" fill=\"#b9935a\" stroke=\"#7a5c2e\" points=\"";
    appendf(svg, "%.2f,%.2f", x(0), plotBottom);
    for (std::size_t i = 0; i < n; ++i)
        appendf(svg, " %.2f,%.2f", x(report.distanceKm[i]), y(profile.points[i].groundM));
    appendf(svg, " %.2f,%.2f\"/>\n", x(report.pathKm), plotBottom);

    svg += polyline("f1-upper", "#888", " stroke-dasharray=\"2,3\"",
                    [&](std::size_t i) { return report.lineOfSightM[i] + report.f1M[i]; });
    svg += polyline("f1-lower", "#888", " stroke-dasharray=\"2,3\"",
                    [&](std::size_t i) { return report.lineOfSightM[i] - report.f1M[i]; });
    appendf(svg,
            "<line id=\"line-of-sight\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" "
            "stroke=\"black\" stroke-width=\"1.5\"/>\n",
            x(0), y(report.lineOfSightM.front()), x(report.pathKm), y(report.lineOfSightM.back()));
    for (std::size_t c = 0; c < report.criteria.size(); ++c) {
        const CriterionResult& cr = report.criteria[c];
        const char* colour =
            kCriterionColours[c % (sizeof kCriterionColours / sizeof kCriterionColours[0])];
        const std::string raisedId = "raised-" + std::to_string(c + 1);
        const std::string fractionId = "fraction-" + std::to_string(c + 1);
        svg += polyline(raisedId.c_str(), colour, "",
                        [&](std::size_t i) { return cr.raisedTerrainM[i]; });
        svg += polyline(fractionId.c_str(), colour, " stroke-dasharray=\"6,4\"",
                        [&](std::size_t i) { return cr.requiredM[i]; });
        appendf(svg,
                "<circle id=\"worst-%zu\" cx=\"%.2f\" cy=\"%.2f\" r=\"4\" fill=\"none\" "
                "stroke=\"%s\" stroke-width=\"2\"/>\n",
                c + 1, x(cr.worst.distanceKm), y(cr.raisedTerrainM[cr.worst.index]), colour);
    }

    double line = plotBottom + 40;
    for (std::size_t c = 0; c < report.criteria.size(); ++c, line += 18) {
        const char* colour =
            kCriterionColours[c % (sizeof kCriterionColours / sizeof kCriterionColours[0])];
        appendf(svg, "<text class=\"verdict\" x=\"%.0f\" y=\"%.0f\" fill=\"%s\">%s</text>\n",
                plotLeft, line, colour, xmlEscaped(verdictLine(report.criteria[c])).c_str());
    }
    std::string tail;
    if (report.diffractionLossApplies) {
        appendf(tail, "Diffraction loss %.1f dB (%s). ", report.diffractionLossDb,
                kDiffractionModel);
    }
    appendf(tail, "Heights needed: %.1f m and %.1f m. Mean terrain %.1f m.",
            report.heightsNeeded.fromM, report.heightsNeeded.toM, report.meanTerrainM);
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\">%s</text>\n", plotLeft, line,
            xmlEscaped(tail).c_str());
    svg += "</svg>\n";
    return svg;
}

}  // namespace hopscale::terrain
