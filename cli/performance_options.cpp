#include "performance_options.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <variant>

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

void appendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (char ch : text) {
        if (ch == '"') out.push_back('"');
        out.push_back(ch);
    }
    out.push_back('"');
}

// Texts joined by "; ", quoted as one field when one of them needs it.
void appendCsvList(std::string& out, const std::vector<std::string>& texts) {
    bool quote = false;
    bool quotes = false;
    for (const std::string& t : texts) {
        quote |= t.find_first_of(",\"\r\n") != std::string::npos;
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

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
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
    j["outagePercent"] = p.outagePercent;
    j["availabilityPercent"] = p.availabilityPercent;
    j["outageMinutesPerYear"] = p.outageMinutesPerYear;
    j["target"] = Json{{"percent", p.target.percent},
                       {"met", p.target.met},
                       {"requiredMarginDb", jsonNumber(p.target.requiredMarginDb)}};
    j["flags"] = p.flags;
    j["models"] = p.models;
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
    out << "Models:\n";
    for (const std::string& m : p.models) out << "  " << m << '\n';
}

void PerformanceOptions::define(CLI::App& app) {
    for (const auto& info : propagation::allConditionInputs()) {
        const auto i = static_cast<std::size_t>(info.input);
        std::string help = std::string(info.caption);
        if (info.unit[0] != '\0') help += std::string(" (") + info.unit + ")";
        help += ": " + std::string(info.help);
        if (info.defaultText[0] != '\0') help += std::string(" (default ") + info.defaultText + ")";
        options_[i] =
            app.add_option("--" + std::string(info.name), texts_.texts[i], help)->type_name("TEXT");
    }
}

bool PerformanceOptions::requested() const {
    return options_[static_cast<std::size_t>(ConditionInput::Threshold)]->count() > 0;
}

std::optional<int> PerformanceOptions::check(std::string_view command, std::ostream& err) {
    // Options left out keep their defaults (the parser leaves the text untouched then, but a
    // repeated parse must not see an earlier value).
    propagation::LinkConditionTexts texts;
    std::string without;
    for (const auto& info : propagation::allConditionInputs()) {
        const auto i = static_cast<std::size_t>(info.input);
        if (options_[i]->count() == 0) continue;
        texts.texts[i] = texts_.texts[i];
        if (info.input != ConditionInput::Threshold) {
            without += (without.empty() ? "--" : ", --") + std::string(info.name);
        }
    }
    if (!requested()) {
        if (without.empty()) return std::nullopt;
        err << command << ": " << without
            << (without.find(',') == std::string::npos ? " needs" : " need")
            << " --threshold: the link performance is computed only when it is "
               "given\n";
        return kExitUsage;
    }
    Result<propagation::LinkConditions> c = propagation::readLinkConditions(texts);
    if (!c) {
        err << command << ": " << c.error->message() << '\n';
        return conditionErrorStatus(*c.error);
    }
    conditions_ = std::move(*c.value);
    return std::nullopt;
}

std::string conditionNamesList() {
    std::string names;
    for (const auto& info : propagation::allConditionInputs()) {
        if (!names.empty()) names += ", ";
        names += info.name;
    }
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

bool PerformanceColumns::claim(std::string_view name, std::size_t index) {
    const auto input = propagation::conditionInputByName(std::string(name));
    if (!input) return false;
    columns_.emplace_back(*input, index);
    if (*input == ConditionInput::Threshold) threshold_ = index;
    return true;
}

std::optional<std::string> PerformanceColumns::headerProblem() const {
    if (threshold_ || columns_.empty()) return std::nullopt;
    std::string names;
    for (const auto& [input, index] : columns_) {
        names += (names.empty() ? "\"" : ", \"") +
                 std::string(propagation::conditionInputInfo(input).name) + "\"";
    }
    return "column(s) " + names +
           " need a \"threshold\" column: the link performance is computed only "
           "with one";
}

void PerformanceColumns::appendHeader(std::string& out) const {
    for (const std::string& name : performanceColumnNames()) {
        out.push_back(',');
        out.append(name);
    }
}

void PerformanceColumns::appendEmptyRow(std::string& out) const {
    out.append(performanceColumnNames().size(), ',');
}

std::optional<Error> PerformanceColumns::appendRow(std::string& out,
                                                   const std::vector<std::string>& fields,
                                                   const PathState& state,
                                                   const RunOutcome& budget) {
    if (!budget.ok() || trimmed(fields[*threshold_]).empty()) {
        appendEmptyRow(out);
        return std::nullopt;
    }
    // Rows mostly repeat the last row's conditions, or change only the threshold: read the
    // conditions again only when something else changed.
    bool same = lastConditions_.has_value();
    bool sameButThreshold = same && lastConditions_->ok();
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
        for (const auto& [input, index] : columns_) lastTexts_[input] = fields[index];
        lastConditions_ = propagation::readLinkConditions(lastTexts_);
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
    return std::nullopt;
}

}  // namespace hopscale::cli
