#include "profile_text.h"

#include <cmath>
#include <complex>

#include "diffraction.h"
#include "profile_drawing.h"
#include "profile_export.h"
#include "reflection.h"

namespace hopscale::design {
namespace {

using namespace hopscale::terrain;

// How the heights needed were found, in words.
const char* fixedEndWords(FixedEnd end) {
    return end == FixedEnd::None   ? "both ends equal"
           : end == FixedEnd::From ? "From end kept"
                                   : "To end kept";
}

nlohmann::json diffractionJson(const DiffractionResult& d) {
    return {{"k", d.earthFactor},
            {"method", d.method},
            {"polarisation", polarisationName(d.polarisation)},
            {"seaFraction", d.seaFraction},
            {"lossDb", d.lossDb},
            {"knifeEdge",
             {{"distanceKm", d.knifeEdge.distanceKm},
              {"nu", d.knifeEdge.nu},
              {"lossDb", d.knifeEdge.lossDb},
              {"method", kKnifeEdgeMethod}}},
            {"bullingtonDb", d.bullingtonDb},
            {"smoothBullingtonDb", d.smoothBullingtonDb},
            {"sphericalEarthDb", d.sphericalEarthDb},
            {"deltaBullingtonDb", d.deltaBullingtonDb},
            {"smoothEarthHeightsM", {d.smoothEarth.fromM, d.smoothEarth.toM}},
            {"averageTerrainDb",
             d.averageTerrainDb ? nlohmann::json(*d.averageTerrainDb) : nlohmann::json(nullptr)},
            {"averageTerrainMethod", kDiffractionModel}};
}

void addReflectionJson(nlohmann::json& doc, const ReflectionResult& r) {
    nlohmann::json points = nlohmann::json::array();
    for (const ReflectionPoint& p : r.points) {
        points.push_back({{"k", p.earthFactor},
                          {"distanceKm", p.distanceKm},
                          {"distanceToEndKm", p.distanceToEndKm},
                          {"state", describe(p.state)},
                          {"onSurface", p.state == ReflectionState::OnSurface},
                          {"surfaceM", p.surfaceM},
                          {"grazingDeg", p.grazingDeg},
                          {"divergence", p.divergence},
                          {"reflectionCoefficient", std::abs(p.reflection)},
                          {"coefficient", p.coefficient},
                          {"pathDifferenceM", p.pathDifferenceM},
                          {"pathDifferenceWavelengths", p.pathDifferenceWavelengths},
                          {"levelDb", p.levelDb}});
    }
    doc["reflection"] = points;
    doc["reflectionSurface"] = {{"surface", r.surface},
                                {"ground", r.ground.name},
                                {"permittivity", r.ground.permittivity},
                                {"conductivitySm", r.ground.conductivitySm},
                                {"roughnessM", r.roughnessM},
                                {"method", r.method}};
    nlohmann::json sweep = nlohmann::json::array();
    for (const SweepPoint& s : r.sweep)
        sweep.push_back({{"heightM", s.heightM}, {"levelDb", s.levelDb}});
    doc["heightSweep"] = sweep;
    doc["heightSweepK"] = r.sweepEarthFactor;
    doc["nullHeightsM"] = r.nullHeightsM;
    doc["peakHeightsM"] = r.peakHeightsM;
    doc["diversitySpacingM"] =
        r.diversitySpacingM ? nlohmann::json(*r.diversitySpacingM) : nlohmann::json(nullptr);
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

// The results of the diffraction and reflection models beside the clearance report.
}  // namespace

nlohmann::json profileJson(const Profile& profile, const ClearanceReport& r,
                           const ProfilePropagation& p, bool withPoints) {
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
    doc["diffractionLossDb"] = p.diffraction.lossDb;
    doc["diffractionModel"] = p.diffraction.method;
    doc["diffraction"] = diffractionJson(p.diffraction);
    nlohmann::json atCriteria = nlohmann::json::array();
    for (const DiffractionResult& d : p.atCriteria) atCriteria.push_back(diffractionJson(d));
    doc["diffractionAtCriteria"] = atCriteria;
    if (p.reflection) addReflectionJson(doc, *p.reflection);
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

std::string profileTable(const Profile& profile, const ClearanceReport& r,
                         const ProfilePropagation& p) {
    std::string out = "Profile: " + profile.source;
    appendf(out, " (%zu points)\n", profile.points.size());
    appendf(out, "Path %.3f km at %g GHz, antennas %.1f m (From) and %.1f m (To)\n", r.pathKm,
            r.frequencyGhz, r.antennas.fromM, r.antennas.toM);
    appendf(out, "Mean terrain height: %.1f m\n\n", r.meanTerrainM);
    for (const CriterionResult& c : r.criteria) out += verdictLine(c) + "\n";
    out += "\n";
    // The same lines the drawing carries.
    for (const std::string& text : diffractionLines(p.diffraction)) out += text + "\n";
    for (const DiffractionResult& d : p.atCriteria) {
        appendf(out, "  at k %s: %.1f dB (knife edge %.1f dB)\n",
                earthFactorText(d.earthFactor).c_str(), d.lossDb, d.knifeEdge.lossDb);
    }
    if (p.reflection) {
        out += "\n";
        for (const std::string& text : reflectionLines(*p.reflection)) out += text + "\n";
    }
    out += "\n";
    appendf(out, "Heights needed (%s): %.1f m (From) and %.1f m (To)\n", fixedEndWords(r.fixedEnd),
            r.heightsNeeded.fromM, r.heightsNeeded.toM);
    return out;
}

std::string profileSummary(const Profile& profile, const ClearanceReport& r) {
    std::string text;
    appendf(text, "%zu points over %.3f km at %g GHz, mean terrain %.1f m, from ",
            profile.points.size(), r.pathKm, r.frequencyGhz, r.meanTerrainM);
    return text + profile.source;
}

std::string heightsNeededSentence(const ClearanceReport& r) {
    std::string text;
    appendf(text, "Lowest antenna heights meeting every criterion (%s): From %.1f m, To %.1f m",
            fixedEndWords(r.fixedEnd), r.heightsNeeded.fromM, r.heightsNeeded.toM);
    return text;
}

std::string pointDescription(const Profile& profile, const ClearanceReport& r, std::size_t i) {
    const ProfilePoint& p = profile.points[i];
    std::string text;
    appendf(text, "%.3f km: elevation %.1f m", r.distanceKm[i], p.groundM);
    if (p.obstructionM > 0) appendf(text, " + %.1f m obstruction", p.obstructionM);
    if (!p.label.empty()) text += " (" + p.label + ")";
    if (!r.criteria.empty()) {
        const CriterionResult& first = r.criteria.front();
        appendf(text, ", clearance %.2f m (%.3f F1) at k %.4g", first.clearanceM[i],
                first.clearanceF1[i], first.criterion.k);
    }
    return text;
}

}  // namespace hopscale::design
