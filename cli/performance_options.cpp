#include "performance_options.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <variant>

#include "conversions.h"
#include "csv_writer.h"
#include "data_dir.h"

namespace hopscale::cli {
namespace {

using propagation::ConditionInput;
using propagation::LinkPerformance;

// One output value: a number, a text, a yes/no, or nothing (a model that does not give it).
// Texts and lists refer to the performance they come from, so that no cell copies a string.
using Cell =
    std::variant<std::monostate, double, std::string_view, bool, const std::vector<std::string>*>;

struct NamedCell {
    const char* column;   // batch column name
    const char* caption;  // table caption
    Cell value;
};

std::string joined(const std::vector<std::string>& texts) {  // for the table
    std::string out;
    for (const std::string& t : texts) {
        if (!out.empty()) out += "; ";
        out += t;
    }
    return out;
}

Cell optionalNumber(const std::optional<double>& v) {
    if (!v || !std::isfinite(*v)) return std::monostate{};
    return *v;
}

// Every value of a hop, in the column order of `batch`; the geodesic and rain cells are nothing
// when the hop has none.
template <class Visit>
void forEachCell(const LinkPerformance& p, Visit&& c) {
    const auto& g = p.geodesic;
    c(NamedCell{"pathKm", "Path length km", p.pathKm});
    c(NamedCell{"geodesicKm", "Geodesic length km", g ? Cell(g->km) : Cell()});
    c(NamedCell{"azimuthFrom", "Azimuth at the From end deg",
                g ? Cell(g->azimuthFromDeg) : Cell()});
    c(NamedCell{"azimuthTo", "Azimuth at the To end deg", g ? Cell(g->azimuthToDeg) : Cell()});
    c(NamedCell{"flatDifferenceM", "Flat distance less geodesic m",
                g ? Cell(g->flatDifferenceM) : Cell()});
    c(NamedCell{"gasDbPerKm", "Gas attenuation dB/km", p.gasDbPerKm});
    c(NamedCell{"gasDb", "Gas loss dB", p.gasDb});
    c(NamedCell{"rslDbm", "Received signal level dBm", p.rslDbm});
    c(NamedCell{"flatFadeMarginDb", "Flat fade margin dB", p.flatFadeMarginDb});
    const auto& r = p.rain;
    c(NamedCell{"rainK", "Rain k", r ? Cell(r->k) : Cell()});
    c(NamedCell{"rainAlpha", "Rain alpha", r ? Cell(r->alpha) : Cell()});
    c(NamedCell{"rainDbPerKm", "Rain attenuation dB/km", r ? Cell(r->dbPerKm) : Cell()});
    c(NamedCell{"rainR", "Rain distance factor r", r ? Cell(r->r) : Cell()});
    c(NamedCell{"rainA001Db", "Rain attenuation A0.01 dB", r ? Cell(r->a001Db) : Cell()});
    c(NamedCell{"rainOutagePercent", "Rain outage %",
                r ? optionalNumber(r->outagePercent) : Cell()});
    c(NamedCell{"rainSource", "Rain source", r ? Cell(std::string_view(r->source)) : Cell()});
    c(NamedCell{"rainFlags", "Rain flags", r && !r->flags.empty() ? Cell(&r->flags) : Cell()});
    const auto& m = p.multipath;
    c(NamedCell{"multipathMethod", "Multipath method", std::string_view(m.method)});
    c(NamedCell{"multipathWorstMonthPercent", "Multipath worst month %",
                optionalNumber(m.worstMonthPercent)});
    c(NamedCell{"multipathAnnualPercent", "Multipath average year %",
                optionalNumber(m.annualPercent)});
    c(NamedCell{"multipathFlags", "Multipath flags", m.flags.empty() ? Cell() : Cell(&m.flags)});
    c(NamedCell{"outagePercent", "Outage %", p.outagePercent});
    c(NamedCell{"availabilityPercent", "Availability %", p.availabilityPercent});
    c(NamedCell{"outageMinutesPerYear", "Outage minutes a year", p.outageMinutesPerYear});
    c(NamedCell{"targetPercent", "Target availability %", p.target.percent});
    c(NamedCell{"targetMet", "Target met", p.target.met});
    c(NamedCell{"requiredMarginDb", "Fade margin that meets the target dB",
                optionalNumber(p.target.requiredMarginDb)});
    c(NamedCell{"flags", "Flags", p.flags.empty() ? Cell() : Cell(&p.flags)});
    c(NamedCell{"models", "Models", &p.models});
}

// The shortest text that reads back to the same double.
void appendShortest(std::string& out, double v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end.ptr);
}

std::string tableNumber(double v) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 7);
    return std::string(buffer, end.ptr);
}

// Whether a CSV field must be quoted (a comma, a quote or a line break in it). One pass over
// the bytes: find_first_of would search the four characters for every byte.
bool needsQuotes(std::string_view text) {
    for (const char ch : text) {
        if (ch == ',' || ch == '"' || ch == '\r' || ch == '\n') return true;
    }
    return false;
}

// Texts joined by "; ", quoted as one field when one of them needs it.
void appendCsvList(std::string& out, const std::vector<std::string>& texts) {
    bool quote = false;
    bool quotes = false;
    for (const std::string& t : texts) {
        quote |= needsQuotes(t);
        quotes |= t.find('"') != std::string::npos;
    }
    if (quote) out.push_back('"');
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out.append("; ");
        if (!quotes) {
            out.append(texts[i]);
            continue;
        }
        for (char ch : texts[i]) {
            if (ch == '"') out.push_back('"');
            out.push_back(ch);
        }
    }
    if (quote) out.push_back('"');
}

nlohmann::ordered_json jsonNumber(const std::optional<double>& v) {
    if (!v || !std::isfinite(*v)) return nullptr;
    return *v;
}

}  // namespace

int conditionErrorStatus(const Error& error) {
    return error.kind == ErrorKind::FileNotFound || error.kind == ErrorKind::BadFile ? kExitFailed
                                                                                     : kExitUsage;
}

PerformanceOutcome computePerformance(const PathState& state, const RunOutcome& budget,
                                      const propagation::LinkConditions& conditions) {
    PerformanceOutcome out;
    if (!budget.ok()) return out;
    Result<LinkPerformance> p = propagation::computeLinkPerformance(state, conditions);
    if (!p) {
        out.error = *p.error;
        return out;
    }
    out.performance = std::move(*p.value);
    return out;
}

nlohmann::ordered_json equipmentJson(const EquipmentUse& use,
                                     const std::vector<std::string>& warnings) {
    using Json = nlohmann::ordered_json;
    auto name = [](const std::string& n) { return n.empty() ? Json(nullptr) : Json(n); };
    return Json{{"radio", name(use.txRadio)},
                {"rxRadio", name(use.rxRadio)},
                {"antenna", name(use.txAntenna)},
                {"rxAntenna", name(use.rxAntenna)},
                {"warnings", warnings}};
}

namespace {

nlohmann::ordered_json percentOf(const std::optional<double>& fraction) {
    if (!fraction) return nullptr;
    return 100.0 * *fraction;
}

// The outage parts of the most robust mode, and every mode.
void appendOutageJson(nlohmann::ordered_json& j, const LinkPerformance& p) {
    using Json = nlohmann::ordered_json;
    const propagation::OutageResult& o = p.outage;
    Json modes = Json::array();
    for (const propagation::ModeOutage& m : o.modes) {
        modes.push_back(Json{{"name", m.mode.name},
                             {"capacityMbps", m.mode.capacityMbps},
                             {"thresholdDbm", m.mode.thresholdDbm},
                             {"fadeMarginDb", m.fadeMarginDb},
                             {"availabilityPercent", m.availabilityPercent},
                             {"outageMinutesPerYear", m.outageMinutesPerYear},
                             {"timeInModePercent", m.timeInModePercent},
                             {"flags", m.flags}});
    }
    j["modes"] = std::move(modes);
    j["meanCapacityMbps"] = o.meanCapacityMbps;
    j["targetMode"] = o.targetMode ? Json(o.modes[*o.targetMode].mode.name) : Json(nullptr);
    const propagation::ModeOutage& low = o.modes.front();
    const propagation::OutageParts& x = low.parts;
    std::vector<std::string> clearFlags, rainFlags;
    for (const std::string& f : low.flags) {
        (f.rfind("rain", 0) == 0 ? rainFlags : clearFlags).push_back(f);
    }
    if (!x.nonSelective && x.closes) {
        clearFlags.push_back(p.multipath.method + ": no worst-month non-selective outage");
    }
    Json diversity = nullptr;
    if (x.diversity) {
        diversity = Json{{"improvement", x.diversity->improvement},
                         {"kns2", x.diversity->kns2},
                         {"ks2", x.diversity->ks2},
                         {"outagePercent", 100.0 * x.diversity->fraction}};
    }
    j["clearAir"] =
        Json{{"nonSelectivePercent", percentOf(x.nonSelective)},
             {"selectivePercent", percentOf(x.selective)},
             {"xpdPercent", x.xpd ? Json(100.0 * x.xpd->fraction) : Json(nullptr)},
             {"diversity", std::move(diversity)},
             {"worstMonthPercent",
              x.clearAirWorstMonthPercent ? Json(*x.clearAirWorstMonthPercent) : Json(nullptr)},
             {"annualPercent", x.clearAirYearPercent},
             {"flags", clearFlags}};
    if (!p.rain) rainFlags.push_back("no rain source given");
    if (x.rainOutsideRange)
        rainFlags.push_back("rain outage outside the method's range (0.001 to 1 %)");
    j["rainPart"] = Json{{"rainPercent", p.rain && x.closes ? Json(x.rainPercent) : Json(nullptr)},
                         {"xpdPercent", x.xpr ? Json(100.0 * x.xpr->fraction) : Json(nullptr)},
                         {"annualPercent", x.rainYearPercent},
                         {"flags", rainFlags}};
}

}  // namespace

nlohmann::ordered_json performanceJson(const LinkPerformance& p) {
    using Json = nlohmann::ordered_json;
    Json j = Json::object();
    j["pathKm"] = p.pathKm;
    if (p.geodesic) {
        j["geodesic"] = Json{{"km", p.geodesic->km},
                             {"azimuthFrom", p.geodesic->azimuthFromDeg},
                             {"azimuthTo", p.geodesic->azimuthToDeg},
                             {"flatDifferenceM", p.geodesic->flatDifferenceM}};
    }
    j["gas"] = Json{{"dbPerKm", p.gasDbPerKm}, {"db", p.gasDb}};
    j["rslDbm"] = p.rslDbm;
    j["flatFadeMarginDb"] = p.flatFadeMarginDb;
    if (p.rain) {
        j["rain"] = Json{{"k", p.rain->k},
                         {"alpha", p.rain->alpha},
                         {"dbPerKm", p.rain->dbPerKm},
                         {"r", p.rain->r},
                         {"a001Db", p.rain->a001Db},
                         {"outagePercent", jsonNumber(p.rain->outagePercent)},
                         {"source", p.rain->source},
                         {"flags", p.rain->flags}};
    }
    j["multipath"] = Json{{"method", p.multipath.method},
                          {"worstMonthPercent", jsonNumber(p.multipath.worstMonthPercent)},
                          {"annualPercent", jsonNumber(p.multipath.annualPercent)},
                          {"flags", p.multipath.flags}};
    if (p.multipath.fromMaps) {
        j["multipath"]["geoclimaticK"] = jsonNumber(p.multipath.geoclimaticK);
        j["multipath"]["dN75"] = jsonNumber(p.multipath.dN75);
    }
    j["outagePercent"] = p.outagePercent;
    j["availabilityPercent"] = p.availabilityPercent;
    j["outageMinutesPerYear"] = p.outageMinutesPerYear;
    j["target"] = Json{{"percent", p.target.percent},
                       {"met", p.target.met},
                       {"requiredMarginDb", jsonNumber(p.target.requiredMarginDb)}};
    j["flags"] = p.flags;
    j["models"] = p.models;
    if (p.outage.extended) appendOutageJson(j, p);
    return j;
}

void printPerformanceTable(std::ostream& out, const LinkPerformance& p, std::size_t width) {
    out << "Link performance:\n";
    forEachCell(p, [&](const NamedCell& c) {
        std::string value;
        if (const double* d = std::get_if<double>(&c.value)) value = tableNumber(*d);
        if (const auto* s = std::get_if<std::string_view>(&c.value)) value = *s;
        if (const bool* b = std::get_if<bool>(&c.value)) value = *b ? "yes" : "no";
        if (const auto* list = std::get_if<const std::vector<std::string>*>(&c.value)) {
            value = joined(**list);
        }
        if (value.empty() || std::string_view(c.column) == "models") return;
        const std::string_view caption = c.caption;
        out << "  " << caption;
        for (std::size_t n = caption.size(); n < width; ++n) out << ' ';
        out << ' ' << value << '\n';
    });
    if (p.outage.extended) {
        out << "Modes:\n";
        for (const propagation::ModeOutage& m : p.outage.modes) {
            out << "  " << m.mode.name << ": " << tableNumber(m.mode.capacityMbps)
                << " Mbit/s, threshold " << tableNumber(m.mode.thresholdDbm) << " dBm, margin "
                << tableNumber(m.fadeMarginDb) << " dB, availability "
                << tableNumber(m.availabilityPercent) << " %, in the mode "
                << tableNumber(m.timeInModePercent) << " %\n";
        }
        const propagation::OutageParts& x = p.outage.modes.front().parts;
        auto row = [&](std::string_view caption, const std::string& value) {
            out << "  " << caption;
            for (std::size_t n = caption.size(); n < width; ++n) out << ' ';
            out << ' ' << value << '\n';
        };
        row("Mean capacity Mbit/s", tableNumber(p.outage.meanCapacityMbps));
        row("Target reached up to mode",
            p.outage.targetMode ? p.outage.modes[*p.outage.targetMode].mode.name : "none");
        if (x.clearAirWorstMonthPercent) {
            row("Clear air, worst month %", tableNumber(*x.clearAirWorstMonthPercent));
        }
        row("Clear air, average year %", tableNumber(x.clearAirYearPercent));
        row("Rain, average year %", tableNumber(x.rainYearPercent));
        for (const std::string& f : p.outage.modes.front().flags) row("Outage flag", f);
    }
    out << "Models:\n";
    for (const std::string& m : p.models) out << "  " << m << '\n';
}

namespace {

// Every input of the two tables: the link conditions, then the equipment and outage inputs.
template <class Visit>
void forEachInput(Visit&& visit) {
    for (const auto& info : propagation::allConditionInputs()) visit(info);
    for (const auto& info : propagation::outageConditionInputs()) visit(info);
}

}  // namespace

void PerformanceOptions::define(CLI::App& app) {
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        const auto i = static_cast<std::size_t>(info.input);
        std::string help = std::string(info.caption);
        if (info.unit[0] != '\0') help += std::string(" (") + info.unit + ")";
        help += ": " + std::string(info.help);
        if (info.defaultText[0] != '\0') help += std::string(" (default ") + info.defaultText + ")";
        options_[i] =
            app.add_option("--" + std::string(info.name), texts_.texts[i], help)->type_name("TEXT");
    });
}

bool PerformanceOptions::requested() const {
    return given(ConditionInput::Threshold) || given(ConditionInput::Radio) ||
           given(ConditionInput::RxRadio);
}

bool PerformanceOptions::given(ConditionInput input) const {
    return options_[static_cast<std::size_t>(input)]->count() > 0;
}

std::optional<int> PerformanceOptions::check(std::string_view command, std::ostream& err,
                                             const std::optional<std::string>& dataDir) {
    // Options left out keep their defaults (the parser leaves the text untouched then, but a
    // repeated parse must not see an earlier value).
    propagation::LinkConditionTexts texts;
    std::string without;
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        const auto i = static_cast<std::size_t>(info.input);
        if (options_[i]->count() == 0) return;
        texts.texts[i] = texts_.texts[i];
        if (info.input != ConditionInput::Threshold && info.input != ConditionInput::Radio &&
            info.input != ConditionInput::RxRadio) {
            without += (without.empty() ? "--" : ", --") + std::string(info.name);
        }
    });
    if (!requested()) {
        if (without.empty()) return std::nullopt;
        err << command << ": " << without
            << (without.find(',') == std::string::npos ? " needs" : " need")
            << " --threshold or --radio: the link performance is computed only when one is "
               "given\n";
        return kExitUsage;
    }
    Result<propagation::LinkConditions> c = propagation::readLinkConditions(texts);
    if (!c) {
        err << command << ": " << c.error->message() << '\n';
        return conditionErrorStatus(*c.error);
    }
    conditions_ = std::move(*c.value);
    if (needsEquipment(*conditions_)) {
        Result<std::filesystem::path> dir = resolveDataDir(dataDir);
        if (!dir) {
            err << command << ": " << errorMessage(*dir.error) << '\n';
            return kExitFailed;
        }
        Result<EquipmentLibrary> library = loadEquipment(*dir);
        if (!library) {
            err << command << ": " << errorMessage(*library.error) << '\n';
            return kExitFailed;
        }
        if (auto error = applyEquipment(*conditions_, *library, equipment_)) {
            err << command << ": " << errorMessage(*error) << '\n';
            return kExitUsage;
        }
    }
    return std::nullopt;
}

std::string conditionNamesList() {
    std::string names;
    forEachInput([&](const propagation::ConditionInputInfo& info) {
        if (!names.empty()) names += ", ";
        names += info.name;
    });
    return names;
}

const std::vector<std::string>& performanceColumnNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        forEachCell(LinkPerformance{}, [&](const NamedCell& c) { n.emplace_back(c.column); });
        n.emplace_back("performanceError");
        return n;
    }();
    return names;
}

const std::vector<std::string>& outageColumnNames() {
    static const std::vector<std::string> names = {
        "modes",
        "meanCapacityMbps",
        "targetMode",
        "clearAirWorstMonthPercent",
        "clearAirAnnualPercent",
        "nonSelectivePercent",
        "selectivePercent",
        "xpdPercent",
        "diversityImprovement",
        "diversityOutagePercent",
        "rainPercent",
        "rainXpdPercent",
        "rainAnnualPercent",
        "outageFlags",
        "equipmentWarnings",
    };
    return names;
}

namespace {

// The outage cells of one row (each preceded by a comma), in the order of outageColumnNames.
void appendOutageCells(std::string& out, const LinkPerformance& p,
                       const std::vector<std::string>& warnings) {
    const propagation::OutageResult& o = p.outage;
    auto number = [&](const std::optional<double>& v) {
        out.push_back(',');
        if (v && std::isfinite(*v)) appendShortest(out, *v);
    };
    std::vector<std::string> modes;
    for (const propagation::ModeOutage& m : o.modes) {
        std::string text = m.mode.name + " ";
        appendShortest(text, m.availabilityPercent);
        modes.push_back(std::move(text));
    }
    out.push_back(',');
    appendCsvList(out, modes);
    number(o.meanCapacityMbps);
    out.push_back(',');
    if (o.targetMode) appendCsvField(out, o.modes[*o.targetMode].mode.name);
    const propagation::ModeOutage& low = o.modes.front();
    const propagation::OutageParts& x = low.parts;
    auto percent = [](const std::optional<double>& f) {
        return f ? std::optional<double>(100.0 * *f) : std::nullopt;
    };
    number(x.clearAirWorstMonthPercent);
    number(x.clearAirYearPercent);
    number(percent(x.nonSelective));
    number(percent(x.selective));
    number(x.xpd ? std::optional<double>(100.0 * x.xpd->fraction) : std::nullopt);
    number(x.diversity ? std::optional<double>(x.diversity->improvement) : std::nullopt);
    number(x.diversity ? std::optional<double>(100.0 * x.diversity->fraction) : std::nullopt);
    number(p.rain && x.closes ? std::optional<double>(x.rainPercent) : std::nullopt);
    number(x.xpr ? std::optional<double>(100.0 * x.xpr->fraction) : std::nullopt);
    number(x.rainYearPercent);
    out.push_back(',');
    appendCsvList(out, low.flags);
    out.push_back(',');
    appendCsvList(out, warnings);
}

}  // namespace

bool PerformanceColumns::claim(std::string_view name, std::size_t index) {
    const auto input = propagation::conditionInputByName(std::string(name));
    if (!input) return false;
    columns_.emplace_back(*input, index);
    switch (*input) {
        case ConditionInput::Threshold:
            threshold_ = index;
            break;
        case ConditionInput::Radio:
            radio_ = index;
            break;
        case ConditionInput::RxRadio:
            rxRadio_ = index;
            break;
        case ConditionInput::Antenna:
            antenna_ = index;
            break;
        case ConditionInput::RxAntenna:
            rxAntenna_ = index;
            break;
        default:
            break;
    }
    if (*input >= propagation::kFirstOutageInput && *input != ConditionInput::LogKMap &&
        *input != ConditionInput::DN75Map) {
        outage_ = true;
    }
    return true;
}

std::optional<std::string> PerformanceColumns::headerProblem() const {
    if (threshold_ || radio_ || columns_.empty()) return std::nullopt;
    std::string names;
    for (const auto& [input, index] : columns_) {
        names += (names.empty() ? "\"" : ", \"") +
                 std::string(propagation::conditionInputInfo(input).name) + "\"";
    }
    return "column(s) " + names +
           " need a \"threshold\" column: the link performance is computed only "
           "with one";
}

std::optional<std::pair<std::string, int>> PerformanceColumns::prepare(
    const std::vector<std::string>& allNames, const std::optional<std::string>& dataDir) {
    if (antenna_ || rxAntenna_) {
        for (const std::string& name : allNames) {
            if (name == "tx-dish" || name == "rx-dish") {
                return std::make_pair("column \"" + name +
                                          "\" and an antenna column both give the dish "
                                          "diameter; give only one",
                                      kExitUsage);
            }
        }
    }
    bool needs = radio_ || rxRadio_ || antenna_ || rxAntenna_;
    for (const auto& [input, index] : columns_) needs |= input == ConditionInput::XpdAntenna;
    if (!needs) return std::nullopt;
    Result<std::filesystem::path> dir = resolveDataDir(dataDir);
    if (!dir) return std::make_pair(errorMessage(*dir.error), kExitFailed);
    Result<EquipmentLibrary> library = loadEquipment(*dir);
    if (!library) return std::make_pair(errorMessage(*library.error), kExitFailed);
    library_ = std::move(*library.value);
    return std::nullopt;
}

std::size_t PerformanceColumns::columnCount() const {
    return performanceColumnNames().size() + (outage_ ? outageColumnNames().size() : 0);
}

void PerformanceColumns::appendHeader(std::string& out) const {
    for (const std::string& name : performanceColumnNames()) {
        out.push_back(',');
        out.append(name);
    }
    if (!outage_) return;
    for (const std::string& name : outageColumnNames()) {
        out.push_back(',');
        out.append(name);
    }
}

void PerformanceColumns::appendEmptyRow(std::string& out) const { out.append(columnCount(), ','); }

void PerformanceColumns::prepareInputs(const std::vector<std::string>& fields,
                                       PathInputs& inputs) const {
    if (!library_ || (!antenna_ && !rxAntenna_)) return;
    static const PathInputs defaults;
    const std::string tx = antenna_ ? std::string(trimmed(fields[*antenna_])) : std::string();
    const std::string rx = rxAntenna_ && !trimmed(fields[*rxAntenna_]).empty()
                               ? std::string(trimmed(fields[*rxAntenna_]))
                               : tx;
    const AntennaRecord* a = tx.empty() ? nullptr : library_->antenna(tx);
    const AntennaRecord* b = rx.empty() ? nullptr : library_->antenna(rx);
    // An unknown name fails the row when its conditions are read; the default meanwhile.
    inputs[Field::Text1] = a != nullptr ? a->cells[1] : defaults[Field::Text1];
    inputs[Field::Text3] = b != nullptr ? b->cells[1] : defaults[Field::Text3];
}

std::optional<Error> PerformanceColumns::appendRow(std::string& out,
                                                   const std::vector<std::string>& fields,
                                                   const PathState& state,
                                                   const RunOutcome& budget) {
    const bool thresholdEmpty = !threshold_ || trimmed(fields[*threshold_]).empty();
    const bool radioEmpty = (!radio_ || trimmed(fields[*radio_]).empty()) &&
                            (!rxRadio_ || trimmed(fields[*rxRadio_]).empty());
    if (!budget.ok() || (thresholdEmpty && radioEmpty)) {
        appendEmptyRow(out);
        return std::nullopt;
    }
    // Rows mostly repeat the last row's conditions, or change only the threshold: read the
    // conditions again only when something else changed.
    bool same = lastConditions_.has_value();
    bool sameButThreshold = same && lastConditions_->ok() && threshold_ && radioEmpty;
    for (const auto& [input, index] : columns_) {
        if (!same && !sameButThreshold) break;
        if (fields[index] == lastTexts_[input]) continue;
        same = false;
        if (input != ConditionInput::Threshold) sameButThreshold = false;
    }
    if (!same && sameButThreshold) {
        const std::string& text = fields[*threshold_];
        Result<double> threshold = propagation::readThreshold(text);
        if (threshold) {
            lastConditions_->value->thresholdDbm = *threshold;
        } else {
            lastConditions_ = Result<propagation::LinkConditions>(*threshold.error);
        }
        lastTexts_[ConditionInput::Threshold] = text;
    } else if (!same) {
        key_.clear();
        for (const auto& [input, index] : columns_) {
            lastTexts_[input] = fields[index];
            key_ += std::to_string(fields[index].size());
            key_.push_back(':');
            key_ += fields[index];
        }
        if (const auto known = read_.find(key_); known != read_.end()) {
            lastConditions_ = known->second.conditions;
            lastEquipment_ = known->second.equipment;
        } else {
            lastConditions_ = propagation::readLinkConditions(lastTexts_);
            lastEquipment_ = EquipmentUse{};
            if (*lastConditions_ && library_ && needsEquipment(*lastConditions_->value)) {
                propagation::LinkConditions c = *lastConditions_->value;
                if (auto e = applyEquipment(c, *library_, lastEquipment_)) {
                    lastConditions_ = Result<propagation::LinkConditions>(*e);
                } else {
                    lastConditions_ = Result<propagation::LinkConditions>(std::move(c));
                }
            }
            if (read_.size() >= 64) read_.clear();
            read_.emplace(key_, Read{*lastConditions_, lastEquipment_});
        }
    }
    std::optional<Error> error;
    PerformanceOutcome outcome;
    if (!*lastConditions_) {
        error = *lastConditions_->error;
    } else {
        outcome = computePerformance(state, budget, **lastConditions_);
        error = outcome.error;
    }
    if (!outcome.performance) {
        out.append(performanceColumnNames().size() - 1, ',');
        out.push_back(',');
        out.append(kindName(error->kind));
        if (outage_) out.append(outageColumnNames().size(), ',');
        return error;
    }
    forEachCell(*outcome.performance, [&](const NamedCell& c) {
        out.push_back(',');
        if (const double* d = std::get_if<double>(&c.value)) appendShortest(out, *d);
        if (const auto* s = std::get_if<std::string_view>(&c.value)) appendCsvField(out, *s);
        if (const bool* b = std::get_if<bool>(&c.value)) out.push_back(*b ? '1' : '0');
        if (const auto* list = std::get_if<const std::vector<std::string>*>(&c.value)) {
            appendCsvList(out, **list);
        }
    });
    out.push_back(',');  // performanceError: none
    if (outage_) {
        appendOutageCells(out, *outcome.performance,
                          lastEquipment_.any() ? equipmentWarnings(lastEquipment_, state)
                                               : std::vector<std::string>());
    }
    return std::nullopt;
}

}  // namespace hopscale::cli
