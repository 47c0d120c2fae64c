#include "link_study.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>

#include "catalogue.h"
#include "conversions.h"
#include "dem.h"
#include "geo.h"

namespace hopscale::design {
namespace {

using propagation::ConditionInput;

constexpr double kEarthRadiusKm = 6371.0;

std::string endKey(End end) { return "sites[" + std::to_string(index(end)) + "]"; }

Error keyed(Error e, std::string key) {
    e.key = std::move(key);
    return e;
}

Error designError(ErrorKind kind, std::string key, std::string detail, std::string text = {}) {
    Error e{kind};
    e.input = key;
    e.detail = std::move(detail);
    e.text = std::move(text);
    e.key = std::move(key);
    return e;
}

// The shortest text that reads back to the same double.
std::string numberText(double v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, end.ptr);
}

// A typed number of a site (m); empty text: nothing.
Result<std::optional<double>> optionalNumber(const std::string& text, const std::string& key) {
    if (text.find_first_not_of(" \t") == std::string::npos) return std::optional<double>{};
    Result<double> v = textToDouble(text);
    if (!v) return keyed(*v.error, key);
    return std::optional<double>(*v.value);
}

// The feeder loss text of an end: its typed loss, or its line type looked up at the frequency
// with the transmit (lenient) or receive (strict) rules.
Result<std::string> lossText(const LinkDesign& design, End end, bool transmitting,
                             const std::filesystem::path& dataDir) {
    const SiteDesign& site = design.site(end);
    if (site.lineType.empty()) return site.loss;
    const std::string key = endKey(end) + ".line-type";
    if (dataDir.empty()) {
        return designError(ErrorKind::FileNotFound, key, "needs the catalogue's data directory",
                           site.lineType);
    }
    AttenuationTable table;
    Result<float> loss = transmitting
                             ? lookupTxAttenuation(dataDir, site.lineType, design.path.freq, table)
                             : lookupRxAttenuation(dataDir, site.lineType, design.path.freq, table);
    if (!loss) return keyed(*loss.error, key);
    return signedSingleToText(*loss.value);
}

// A coordinate text of an end; an empty one keeps the input screen's "not given" default.
std::string coordinateText(const std::string& typed, Field field) {
    return typed.empty() ? std::string(fieldInfo(field).defaultText) : typed;
}

Result<terrain::Profile> readProfile(const LinkDesign& design, const Environment& env,
                                     const std::optional<PathEnds>& ends) {
    if (!design.profile.profile.empty()) {
        Result<terrain::Profile> p =
            terrain::readProfileCsv(resolvePath(design, design.profile.profile));
        if (!p) return keyed(*p.error, "profile.profile");
        return p;
    }
    if (!ends) {
        return designError(ErrorKind::InvalidArgument, "profile.dem",
                           "needs the coordinates of both sites");
    }
    const GeoPoint& from = ends->from;
    const GeoPoint& to = ends->to;
    if (env.rasters) {
        Result<terrain::Profile> p = terrain::extractProfile(*env.rasters, from, to);
        if (!p) return keyed(*p.error, "profile.dem");
        return p;
    }
    std::vector<std::string> paths;
    for (const std::string& d : design.profile.dem) paths.push_back(resolvePath(design, d));
    auto rasters = terrain::ElevationRasters::open(paths);
    if (!rasters) return keyed(*rasters.error, "profile.dem");
    Result<terrain::Profile> p = terrain::extractProfile(*rasters.value, from, to);
    if (!p) return keyed(*p.error, "profile.dem");
    return p;
}

// The clearance over the profile for the sites' antenna heights.
Result<terrain::ClearanceReport> judgeProfile(const LinkDesign& design,
                                              const terrain::Profile& profile,
                                              const LinkStudy& study) {
    Result<double> f = textToDouble(design.path.freq);
    if (!f) return keyed(*f.error, "path.freq");
    auto criteria = design.profile.criteria.empty()
                        ? Result<std::vector<terrain::Criterion>>(terrain::northAmericanCriteria())
                        : terrain::parseCriteria(design.profile.criteria, "profile.criteria");
    if (!criteria) return keyed(*criteria.error, "profile.criteria");
    terrain::FixedEnd fixed = terrain::FixedEnd::None;
    if (design.profile.fixedEnd == "from") {
        fixed = terrain::FixedEnd::From;
    } else if (design.profile.fixedEnd == "to") {
        fixed = terrain::FixedEnd::To;
    } else if (!design.profile.fixedEnd.empty()) {
        return designError(ErrorKind::InvalidArgument, "profile.fixed-end",
                           "is neither from nor to", design.profile.fixedEnd);
    }
    for (End end : {End::From, End::To}) {
        if (!study.sites[index(end)].antennaHeightM) {
            return designError(ErrorKind::InvalidArgument, endKey(end) + ".antenna-height",
                               "is needed to judge the profile");
        }
    }
    auto model = terrain::ClearanceModel::make(profile, *f.value, *criteria.value);
    if (!model) return keyed(*model.error, "profile");
    return model.value->evaluate({*study.sites[0].antennaHeightM, *study.sites[1].antennaHeightM},
                                 fixed);
}

// The link's polarisation as the diffraction and reflection models take it: horizontal for
// "h", "horizontal" or a tilt of 0 degrees; anything else is taken as vertical.
terrain::Polarisation profilePolarisation(const LinkDesign& design) {
    std::string text = design.conditions[ConditionInput::Polarisation];
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    if (text == "h" || text == "horizontal") return terrain::Polarisation::Horizontal;
    Result<double> tilt = textToDouble(text);
    if (tilt && *tilt.value == 0) return terrain::Polarisation::Horizontal;
    return terrain::Polarisation::Vertical;
}

// Diffraction and reflection over the judged profile, with the inputs named by their keys.
Result<terrain::ProfilePropagation> profilePropagation(const LinkDesign& design,
                                                       const terrain::Profile& profile,
                                                       const terrain::ClearanceReport& clearance) {
    const ProfileDesign& p = design.profile;
    terrain::PropagationTexts texts;
    texts.earthFactor = p.diffractionK;
    texts.polarisation =
        profilePolarisation(design) == terrain::Polarisation::Horizontal ? "h" : "v";
    texts.seaFraction = p.seaFraction;
    texts.reflection = p.reflection;
    texts.surface = p.surface;
    texts.ground = p.ground;
    texts.roughness = p.roughness;
    texts.sweep = p.sweep;
    const terrain::PropagationNames names{
        "profile.diffraction-k", "conditions.polarisation",
        "profile.sea-fraction",  "profile.surface",
        "profile.ground",        "profile.roughness",
        "profile.sweep",         "profile.surface, ground, roughness, sweep"};
    terrain::PropagationRequest request;
    if (auto e = terrain::readPropagationTexts(texts, names, request)) return keyed(*e, e->input);
    request.frequencyGhz = clearance.frequencyGhz;
    request.antennas = clearance.antennas;
    for (const auto& c : clearance.criteria) request.criterionFactors.push_back(c.criterion.k);
    Result<terrain::ProfilePropagation> out = terrain::profilePropagation(profile, request);
    if (!out) {
        static const std::pair<const char*, const char*> keys[] = {
            {"surface", "profile.surface"},
            {"roughness", "profile.roughness"},
            {"sea fraction", "profile.sea-fraction"},
            {"earth factor k", "profile.diffraction-k"},
            {"sweep", "profile.sweep"},
            {"ground", "profile.ground"}};
        std::string key = "profile";
        for (const auto& [input, k] : keys) {
            if (out.error->input == input) key = k;
        }
        return keyed(*out.error, key);
    }
    return out;
}

// The elevation angle of the antenna at `a` towards the antenna at `b`, degrees above the
// horizontal, over an earth of radius k times the real one.
double elevationAngleDeg(double tipA_m, double tipB_m, double distanceKm, double k) {
    const double d = distanceKm * 1000.0;
    const double radius = k * kEarthRadiusKm * 1000.0;
    return std::atan((tipB_m - tipA_m) / d - d / (2.0 * radius)) * 180.0 / std::numbers::pi;
}

// The conditions of one direction into `texts`: the design's, with the receiving end's threshold
// and both ends' heights in the direction's order. (Assigned over the texts already there, whose
// buffers are reused.)
void directionConditions(const LinkDesign& design, End from, const LinkStudy& study,
                         propagation::LinkConditionTexts& texts) {
    texts = design.conditions;
    const End to = other(from);
    texts[ConditionInput::Threshold] = design.site(to).threshold;
    texts[ConditionInput::Radio] = design.site(from).radio;
    texts[ConditionInput::RxRadio] = design.site(to).radio;
    texts[ConditionInput::Antenna] = design.site(from).antenna;
    texts[ConditionInput::RxAntenna] = design.site(to).antenna;
    const SiteFacts& x = study.sites[index(from)];
    const SiteFacts& y = study.sites[index(to)];
    if (x.groundM || y.groundM) {
        texts[ConditionInput::GroundElevations] = (x.groundM ? numberText(*x.groundM) : "") + "," +
                                                  (y.groundM ? numberText(*y.groundM) : "");
    }
    if (x.antennaHeightM || y.antennaHeightM) {
        texts[ConditionInput::AntennaHeights] =
            design.site(from).antennaHeight + "," + design.site(to).antennaHeight;
    }
    // A rain map named relative to the design is read from the design's folder.
    std::string& rainMap = texts[ConditionInput::RainMap];
    if (!rainMap.empty()) rainMap = resolvePath(design, rainMap);
    if (study.meanTerrainM && texts[ConditionInput::MeanTerrain].empty()) {
        texts[ConditionInput::MeanTerrain] = numberText(*study.meanTerrainM);
    }
}

// The conditions of a direction. The To-to-From direction differs from the other only in its
// threshold and in the order of the two ends' heights, so it takes over what the other read
// (`fromTo`, when the other direction read them without equipment).
Result<propagation::LinkConditions> readConditions(
    End from, const propagation::LinkConditionTexts& texts,
    std::optional<propagation::LinkConditions>& fromTo) {
    if (from == End::From || !fromTo) return propagation::readLinkConditions(texts);
    propagation::LinkConditions c = std::move(*fromTo);
    fromTo.reset();
    Result<double> threshold = propagation::readThreshold(texts[ConditionInput::Threshold]);
    if (!threshold) return *threshold.error;
    c.thresholdDbm = *threshold.value;
    std::swap(c.groundFromM, c.groundToM);
    std::swap(c.antennaFromM, c.antennaToM);
    return c;
}

// The budget of a direction from its inputs.
std::optional<Error> runBudget(const LinkDesign& design, const Environment& env,
                               DirectionStudy& d) {
    Result<PathInputs> inputs = directionInputs(design, d.from, env.dataDir, env.equipment);
    if (!inputs) return std::move(*inputs.error);
    d.budget = runPath(*inputs.value, d.state);
    return std::nullopt;
}

std::optional<Error> evaluateDirection(const LinkDesign& design, const Environment& env,
                                       LinkStudy& study, End from,
                                       std::optional<propagation::LinkConditions>& fromTo) {
    DirectionStudy& d = study.directions[index(from)];
    d.from = from;
    d.fromName = design.site(from).name;
    d.toName = design.site(other(from)).name;
    if (from != End::From) {  // the From end's budget ran first, to place the profile
        if (auto e = runBudget(design, env, d)) return e;
    }
    if (d.budget.error) {
        Error e = *d.budget.error;
        if (e.field)
            e.key = fieldKey(*e.field, from, design);
        else if (e.origin)
            e.key = fieldKey(*e.origin, from, design);
        return e;
    }
    directionConditions(design, from, study, d.conditionTexts);
    const propagation::LinkConditionTexts& texts = d.conditionTexts;
    if (texts[ConditionInput::Threshold].empty() && texts[ConditionInput::Radio].empty() &&
        texts[ConditionInput::RxRadio].empty()) {
        return std::nullopt;
    }
    const bool takenOver = from != End::From && fromTo;  // already carry the diffraction loss
    Result<propagation::LinkConditions> conditions = readConditions(from, texts, fromTo);
    if (!conditions) return keyed(*conditions.error, conditionKey(*conditions.error, from));
    propagation::LinkConditions& c = *conditions.value;
    const bool withEquipment = needsEquipment(c);
    if (withEquipment) {
        if (env.equipment == nullptr) {
            return designError(ErrorKind::FileNotFound, endKey(from) + ".radio",
                               "needs the equipment library of the data directory");
        }
        if (auto e = applyEquipment(c, *env.equipment, d.equipment)) {
            return keyed(*e, conditionKey(*e, from));
        }
        for (const std::string& w : equipmentWarnings(d.equipment, d.state)) {
            study.warnings.push_back(d.fromName + " to " + d.toName + ": " + w);
        }
    }
    if (study.diffractionSubtractedDb != 0) {
        if (!takenOver) c.extraLossDb += study.diffractionSubtractedDb;
        propagation::nameModels(c);
    }
    Result<propagation::LinkBudgetFacts> facts = propagation::budgetFacts(d.state);
    if (!facts) {
        const std::string key =
            facts.error->field ? fieldKey(*facts.error->field, from, design) : "";
        return keyed(*facts.error, key);
    }
    if (from == End::From && study.geodesic) {  // the one computed to place the profile
        facts.value->geodesic = study.geodesic;
        facts.value->geodesicHasCentre = true;
    }
    Result<propagation::LinkPerformance> p = propagation::computeLinkPerformance(*facts.value, c);
    if (!p) return keyed(*p.error, conditionKey(*p.error, from));
    d.performance = std::move(*p.value);
    if (from == End::From && !withEquipment) fromTo = std::move(c);  // the other direction's
    return std::nullopt;
}

// Ground and antenna heights of the sites as typed.
std::optional<Error> readSites(const LinkDesign& design, LinkStudy& study) {
    for (End end : {End::From, End::To}) {
        const SiteDesign& site = design.site(end);
        SiteFacts& facts = study.sites[index(end)];
        auto ground = optionalNumber(site.groundElevation, endKey(end) + ".ground-elevation");
        if (!ground) return *ground.error;
        facts.groundM = *ground.value;
        auto height = optionalNumber(site.antennaHeight, endKey(end) + ".antenna-height");
        if (!height) return *height.error;
        facts.antennaHeightM = *height.value;
        if (facts.antennaHeightM && *facts.antennaHeightM < 0) {
            return designError(ErrorKind::InvalidArgument, endKey(end) + ".antenna-height",
                               "must not be negative", site.antennaHeight);
        }
    }
    return std::nullopt;
}

void warnAboutLengths(LinkStudy& study) {
    const DirectionStudy& ab = study.directions[0];
    const double budgetKm = ab.state.results.pathLengthMiles * kKmPerSurveyMile;
    char line[240];
    if (study.profile && budgetKm > 0 &&
        std::fabs(study.profile->pathKm - budgetKm) > 0.01 * budgetKm) {
        std::snprintf(line, sizeof line,
                      "the profile is %.3f km long but the budget's path is %.3f km",
                      study.profile->pathKm, budgetKm);
        study.warnings.emplace_back(line);
    }
    if (study.geodesic && budgetKm > 0) {
        const double geodesicKm = study.geodesic->lengthM / 1000.0;
        if (std::fabs(geodesicKm - budgetKm) > 0.01 * geodesicKm) {
            std::snprintf(line, sizeof line,
                          "the geodesic between the sites is %.3f km but the budget's path is "
                          "%.3f km",
                          geodesicKm, budgetKm);
            study.warnings.emplace_back(line);
        }
    }
}

void fillGeometry(const LinkDesign& design, LinkStudy& study) {
    const DirectionStudy& ab = study.directions[0];
    if (study.geodesic) {
        study.sites[0].azimuthDeg = study.geodesic->azimuthFromDeg;
        study.sites[1].azimuthDeg = study.geodesic->azimuthToDeg;
    }
    const double km = ab.state.results.pathLengthMiles * kKmPerSurveyMile;
    Result<double> k = textToDouble(design.path.k);
    SiteFacts& a = study.sites[0];
    SiteFacts& b = study.sites[1];
    if (k && *k.value > 0 && km > 0 && a.groundM && b.groundM && a.antennaHeightM &&
        b.antennaHeightM) {
        const double tipA = *a.groundM + *a.antennaHeightM;
        const double tipB = *b.groundM + *b.antennaHeightM;
        a.elevationAngleDeg = elevationAngleDeg(tipA, tipB, km, *k.value);
        b.elevationAngleDeg = elevationAngleDeg(tipB, tipA, km, *k.value);
    }
}

// Whether a site names equipment of the library, or the antennas' XPD is asked for.
bool namesEquipment(const LinkDesign& design) {
    for (const SiteDesign& s : design.sites) {
        if (!s.radio.empty() || !s.antenna.empty()) return true;
    }
    return design.conditions[ConditionInput::XpdAntenna] == "antennas";
}

// Every link condition of both tables.
std::vector<propagation::ConditionInputInfo> allInputs() {
    std::vector<propagation::ConditionInputInfo> out(propagation::allConditionInputs().begin(),
                                                     propagation::allConditionInputs().end());
    out.insert(out.end(), propagation::outageConditionInputs().begin(),
               propagation::outageConditionInputs().end());
    return out;
}

}  // namespace

std::string fieldKey(Field field, End from, const LinkDesign& design) {
    const std::string x = endKey(from);
    const std::string y = endKey(other(from));
    switch (field) {
        case Field::Text1:
            return x + ".dish";
        case Field::Text3:
            return y + ".dish";
        case Field::Text15:
            return x + ".amp-gain";
        case Field::Text4:
            return y + ".preamp-gain";
        case Field::Text2:
            return x + (design.site(from).lineType.empty() ? ".loss" : ".line-type");
        case Field::Text8:
            return y + (design.site(other(from)).lineType.empty() ? ".loss" : ".line-type");
        case Field::Text16:
            return x + ".length";
        case Field::Text18:
            return y + ".length";
        case Field::Text5:
            return x + ".lat";
        case Field::Text6:
            return x + ".lon";
        case Field::Text7:
            return y + ".lat";
        case Field::Text9:
            return y + ".lon";
        case Field::Text24:
            return "path.length";
        case Field::Text10:
            return "path.freq";
        case Field::Text12:
            return "path.fade-margin";
        case Field::Text22:
            return "path.k";
        case Field::Text26:
            return x + ".power";
        case Field::Text11:
            return "name";
    }
    return {};
}

std::string conditionKey(const Error& error, End from) {
    for (const auto& info : allInputs()) {
        if (error.input != info.caption) continue;
        switch (info.input) {
            case ConditionInput::Threshold:
                return endKey(other(from)) + ".threshold";
            case ConditionInput::GroundElevations:
                return "sites.ground-elevation";
            case ConditionInput::AntennaHeights:
                return "sites.antenna-height";
            case ConditionInput::Radio:
                return endKey(from) + ".radio";
            case ConditionInput::RxRadio:
                return endKey(other(from)) + ".radio";
            case ConditionInput::Antenna:
                return endKey(from) + ".antenna";
            case ConditionInput::RxAntenna:
                return endKey(other(from)) + ".antenna";
            default:
                return std::string("conditions.") + info.name;
        }
    }
    return "conditions";
}

Result<PathInputs> directionInputs(const LinkDesign& design, End from,
                                   const std::filesystem::path& dataDir,
                                   const EquipmentLibrary* equipment) {
    const End to = other(from);
    const SiteDesign& x = design.site(from);
    const SiteDesign& y = design.site(to);
    PathInputs in;
    in[Field::Text1] = x.dish;
    in[Field::Text3] = y.dish;
    for (End end : {from, to}) {
        const SiteDesign& site = design.site(end);
        if (site.antenna.empty()) continue;
        const AntennaRecord* a = equipment ? equipment->antenna(site.antenna) : nullptr;
        if (a == nullptr) {
            return designError(ErrorKind::InvalidArgument, endKey(end) + ".antenna",
                               "is not an antenna of the equipment library (antennas.csv)",
                               site.antenna);
        }
        in[end == from ? Field::Text1 : Field::Text3] = a->cells[1];  // its diameter, ft
    }
    in[Field::Text15] = x.ampGain;
    in[Field::Text4] = y.preampGain;
    Result<std::string> txLoss = lossText(design, from, true, dataDir);
    if (!txLoss) return *txLoss.error;
    Result<std::string> rxLoss = lossText(design, to, false, dataDir);
    if (!rxLoss) return *rxLoss.error;
    in[Field::Text2] = *txLoss.value;
    in[Field::Text8] = *rxLoss.value;
    in[Field::Text16] = x.length;
    in[Field::Text18] = y.length;
    in[Field::Text5] = coordinateText(x.lat, Field::Text5);
    in[Field::Text6] = coordinateText(x.lon, Field::Text6);
    in[Field::Text7] = coordinateText(y.lat, Field::Text7);
    in[Field::Text9] = coordinateText(y.lon, Field::Text9);
    in[Field::Text24] = design.path.length;
    in[Field::Text10] = design.path.freq;
    in[Field::Text12] = design.path.fadeMargin;
    in[Field::Text22] = design.path.k;
    in[Field::Text26] = x.power;
    in[Field::Text11] = design.name;
    in.km = design.path.km;
    in.watts = x.watts;
    return in;
}

namespace {

// Everything evaluate() does, into a study made in place: a study is large, and moving it into
// its result cost as much as a fifth of a hop's evaluation.
std::optional<Error> evaluateInto(const LinkDesign& design, const Environment& given,
                                  LinkStudy& study) {
    Environment environment = given;
    std::optional<EquipmentLibrary> library;
    if (!environment.equipment && namesEquipment(design)) {
        if (environment.dataDir.empty()) {
            return designError(ErrorKind::FileNotFound, "sites",
                               "a radio or antenna needs the equipment library of the data "
                               "directory");
        }
        Result<EquipmentLibrary> read = loadEquipment(environment.dataDir);
        if (!read) return keyed(*read.error, "sites");
        library = std::move(*read.value);
        environment.equipment = &*library;
    }
    study.name = design.name;
    if (auto e = readSites(design, study)) return *e;

    // The A-to-B budget first: its coordinates place the profile.
    DirectionStudy& ab = study.directions[0];
    ab.from = End::From;
    if (auto e = runBudget(design, environment, ab)) return *e;
    if (ab.budget.ok()) {
        auto facts = propagation::budgetFacts(ab.state);
        if (facts && facts.value->ends) {
            study.ends = facts.value->ends;
            study.geodesic = geodesicPath(*study.ends, true);
        }
    }

    if (design.profile.given() && ab.budget.ok()) {
        Result<terrain::Profile> profile = readProfile(design, environment, study.ends);
        if (!profile) return *profile.error;
        study.profile = std::move(*profile.value);
        // Ground elevations not typed come from the profile's ends.
        const auto& points = study.profile->points;
        for (End end : {End::From, End::To}) {
            SiteFacts& s = study.sites[index(end)];
            if (s.groundM) continue;
            s.groundM = end == End::From ? points.front().groundM : points.back().groundM;
            s.groundFromProfile = true;
        }
        Result<terrain::ClearanceReport> clearance = judgeProfile(design, *study.profile, study);
        if (!clearance) return *clearance.error;
        study.clearance = std::move(*clearance.value);
        study.meanTerrainM = study.clearance->meanTerrainM;
        Result<terrain::ProfilePropagation> propagation =
            profilePropagation(design, *study.profile, *study.clearance);
        if (!propagation) return *propagation.error;
        study.propagation = std::move(*propagation.value);
        if (design.profile.subtractDiffraction) {
            study.diffractionSubtractedDb = study.propagation->diffraction.lossDb;
        }
    }

    std::optional<propagation::LinkConditions> fromTo;  // read once, for both directions
    for (End from : {End::From, End::To}) {
        if (auto e = evaluateDirection(design, environment, study, from, fromTo)) return *e;
    }
    fillGeometry(design, study);
    warnAboutLengths(study);

    const auto& pa = study.directions[0].performance;
    const auto& pb = study.directions[1].performance;
    if (pa && pb) {
        TwoWay t;
        t.outagePercent = std::min(100.0, pa->outagePercent + pb->outagePercent);
        t.availabilityPercent = 100.0 - t.outagePercent;
        t.outageMinutesPerYear = t.outagePercent / 100.0 * propagation::kMinutesPerYear;
        t.worse = pb->outagePercent > pa->outagePercent ? End::To : End::From;
        t.targetPercent = pa->target.percent;
        t.targetMet = t.availabilityPercent >= t.targetPercent;
        const auto& ma = pa->outage.modes;
        const auto& mb = pb->outage.modes;
        if (pa->outage.extended && pb->outage.extended && ma.size() == mb.size()) {
            for (std::size_t i = 0; i < ma.size(); ++i) {
                TwoWay::Mode m;
                m.name = ma[i].mode.name == mb[i].mode.name
                             ? ma[i].mode.name
                             : ma[i].mode.name + " / " + mb[i].mode.name;
                m.outagePercent = std::min(100.0, ma[i].outagePercent + mb[i].outagePercent);
                m.availabilityPercent = 100.0 - m.outagePercent;
                t.modes.push_back(std::move(m));
            }
        }
        study.twoWay = t;
    }
    return std::nullopt;
}

}  // namespace

Result<LinkStudy> evaluate(const LinkDesign& design, const Environment& given) {
    Result<LinkStudy> out(std::in_place);
    if (auto e = evaluateInto(design, given, *out.value)) {
        out.value.reset();
        out.error = std::move(*e);
    }
    return out;
}

}  // namespace hopscale::design
