#include "profile_export.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "csv_writer.h"
#include "profile_drawing.h"

namespace hopscale::terrain {

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

std::string profileCsv(const Profile& profile, const ClearanceReport& report) {
    std::string out = "distance_km,elevation_m,obstruction_m,label,line_of_sight_m,f1_m";
    for (std::size_t c = 1; c <= report.criteria.size(); ++c) {
        appendf(out, ",bulge_m_%zu,clearance_m_%zu,clearance_f1_%zu", c, c, c);
    }
    // The sea and reflecting marks travel with the points when the profile has any.
    const bool marks = std::any_of(profile.points.begin(), profile.points.end(),
                                   [](const ProfilePoint& p) { return p.sea || p.reflecting; });
    if (marks) out += ",sea,reflecting";
    out += "\r\n";
    for (std::size_t i = 0; i < profile.points.size(); ++i) {
        const ProfilePoint& p = profile.points[i];
        appendf(out, "%.4f,%.3f,%.3f,", p.distanceKm, p.groundM, p.obstructionM);
        appendCsvField(out, p.label);
        appendf(out, ",%.3f,%.3f", report.lineOfSightM[i], report.f1M[i]);
        for (const CriterionResult& cr : report.criteria) {
            appendf(out, ",%.3f,%.3f,%.4f", cr.bulgeM[i], cr.clearanceM[i], cr.clearanceF1[i]);
        }
        if (marks) appendf(out, ",%d,%d", p.sea ? 1 : 0, p.reflecting ? 1 : 0);
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

std::string profileSvg(const Profile& profile, const ClearanceReport& report,
                       const DiffractionResult* diffraction, const ReflectionResult* reflection) {
    return renderSvg(buildProfileDrawing(profile, report, diffraction, reflection));
}

}  // namespace hopscale::terrain
