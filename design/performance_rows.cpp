#include "performance_rows.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "csv_writer.h"

namespace hopscale::design {
namespace {

using propagation::LinkPerformance;

// The batch columns, in order: the performance columns (up to performanceError), then the
// outage columns.
enum Column : int {
    PathKm,
    GeodesicKm,
    AzimuthFrom,
    AzimuthTo,
    FlatDifferenceM,
    GasDbPerKm,
    GasDb,
    RslDbm,
    FlatFadeMarginDb,
    RainK,
    RainAlpha,
    RainDbPerKm,
    RainR,
    RainA001Db,
    RainOutagePercent,
    RainSource,
    RainFlags,
    MultipathMethod,
    MultipathWorstMonthPercent,
    MultipathAnnualPercent,
    MultipathFlags,
    OutagePercent,
    AvailabilityPercent,
    OutageMinutesPerYear,
    TargetPercent,
    TargetMet,
    RequiredMarginDb,
    Flags,
    Models,
    PerformanceError,
    Modes,
    MeanCapacityMbps,
    TargetMode,
    ClearAirWorstMonthPercent,
    ClearAirAnnualPercent,
    NonSelectivePercent,
    SelectivePercent,
    XpdPercent,
    DiversityImprovement,
    DiversityOutagePercent,
    RainPercent,
    RainXpdPercent,
    RainAnnualPercent,
    OutageFlags,
    EquipmentWarnings,
    ColumnCount,
};

constexpr std::array<std::string_view, ColumnCount> kColumnNames = {
    "pathKm",
    "geodesicKm",
    "azimuthFrom",
    "azimuthTo",
    "flatDifferenceM",
    "gasDbPerKm",
    "gasDb",
    "rslDbm",
    "flatFadeMarginDb",
    "rainK",
    "rainAlpha",
    "rainDbPerKm",
    "rainR",
    "rainA001Db",
    "rainOutagePercent",
    "rainSource",
    "rainFlags",
    "multipathMethod",
    "multipathWorstMonthPercent",
    "multipathAnnualPercent",
    "multipathFlags",
    "outagePercent",
    "availabilityPercent",
    "outageMinutesPerYear",
    "targetPercent",
    "targetMet",
    "requiredMarginDb",
    "flags",
    "models",
    "performanceError",
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

constexpr unsigned J = kInJson, C = kInColumns, T = kInTable, R = kInReport;
constexpr unsigned kEverywhere = J | C | T | R;

using Visit = std::function<void(const PerformanceField&, PerformanceValue&&)>;

// A number a model may not give: nothing when absent or not finite.
PerformanceValue optional(const std::optional<double>& v) {
    if (!v || !std::isfinite(*v)) return std::monostate{};
    return *v;
}

PerformanceValue percentOf(const std::optional<double>& fraction) {
    if (!fraction) return std::monostate{};
    return 100.0 * *fraction;
}

// Hands each field to the visit when it is shown in one of the views asked for.
class Emitter {
  public:
    Emitter(unsigned views, const Visit& visit) : views_(views), visit_(visit) {}

    bool wants(unsigned views) const { return (views_ & views) != 0; }

    // A value with a batch column, named after it.
    void column(Column c, std::string_view json, std::string_view caption, std::string_view unit,
                int precision, unsigned views, PerformanceValue value,
                TableStyle style = TableStyle::Row,
                const std::vector<std::string>* notes = nullptr) {
        emit({kColumnNames[c], json, c, caption, unit, precision, views, style, notes},
             std::move(value));
    }

    void emit(const PerformanceField& field, PerformanceValue value) {
        if (wants(field.views)) visit_(field, std::move(value));
    }

  private:
    unsigned views_;
    const Visit& visit_;
};

// Only the texts of the table are seven significant digits.
std::string tableNumber(double v) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 7);
    return std::string(buffer, end.ptr);
}

const std::vector<std::string> kNoTexts;

// The modes, the mean capacity, the mode that meets the target, and the clear-air and rain
// parts of the most robust mode's outage.
void outageValues(Emitter& e, const LinkPerformance& p) {
    const propagation::OutageResult& o = p.outage;
    e.emit({"modes", "/modes", -1, "", "", 2, J}, &kNoTexts);  // [] even without a mode
    if (e.wants(J | R)) {
        for (std::size_t i = 0; i < o.modes.size(); ++i) {
            const propagation::ModeOutage& m = o.modes[i];
            const std::string json = "/modes/" + std::to_string(i) + "/";
            const std::string key = "modes[" + std::to_string(i) + "].";
            const std::string name = "Mode " + m.mode.name + ": ";
            auto value = [&](std::string_view member, std::string_view what, std::string_view unit,
                             int precision, unsigned views, PerformanceValue v,
                             const std::vector<std::string>* notes = nullptr) {
                const std::string k = key + std::string(member);
                const std::string j = json + std::string(member);
                const std::string caption = name + std::string(what);
                e.emit({k, j, -1, caption, unit, precision, views, TableStyle::Row, notes},
                       std::move(v));
            };
            value("name", "name", "", 2, J, std::string_view(m.mode.name));
            value("capacityMbps", "capacity", "Mbit/s", 1, J | R, m.mode.capacityMbps);
            value("thresholdDbm", "threshold", "dBm", 2, J, m.mode.thresholdDbm);
            value("fadeMarginDb", "fade margin", "dB", 2, J | R, m.fadeMarginDb);
            value("availabilityPercent", "availability", "%", availabilityDecimals(m.outagePercent),
                  J | R, m.availabilityPercent);
            value("outageMinutesPerYear", "below it a year", "min", 1, J | R,
                  m.outageMinutesPerYear);
            value("timeInModePercent", "time in the mode", "%", 4, J | R, m.timeInModePercent,
                  &m.flags);
            value("flags", "flags", "", 2, J, &m.flags);
        }
    }
    if (e.wants(T)) {
        e.emit({"modes", "", -1, "Modes", "", 2, T, TableStyle::Heading}, std::monostate{});
        for (const propagation::ModeOutage& m : o.modes) {
            e.emit({"modes", "", -1, "", "", 2, T, TableStyle::Lines},
                   m.mode.name + ": " + tableNumber(m.mode.capacityMbps) + " Mbit/s, threshold " +
                       tableNumber(m.mode.thresholdDbm) + " dBm, margin " +
                       tableNumber(m.fadeMarginDb) + " dB, availability " +
                       tableNumber(m.availabilityPercent) + " %, in the mode " +
                       tableNumber(m.timeInModePercent) + " %");
        }
    }
    if (e.wants(C)) {
        std::vector<std::string> modes;
        for (const propagation::ModeOutage& m : o.modes) {
            std::string text = m.mode.name + " ";
            appendShortest(text, m.availabilityPercent);
            modes.push_back(std::move(text));
        }
        e.column(Modes, "", "", "", 2, C, joinedTexts(modes));
    }
    e.column(MeanCapacityMbps, "/meanCapacityMbps", "Mean capacity", "Mbit/s", 1, kEverywhere,
             o.meanCapacityMbps);
    const std::string_view target =
        o.targetMode ? std::string_view(o.modes[*o.targetMode].mode.name) : std::string_view();
    e.column(TargetMode, "/targetMode", "", "", 2, J | C,
             o.targetMode ? PerformanceValue(target) : PerformanceValue());
    e.emit({"targetMode", "", -1, "Target reached up to mode", "", 2, T | R},
           o.targetMode ? target : std::string_view("none"));
    if (o.modes.empty()) return;

    const propagation::ModeOutage& low = o.modes.front();
    const propagation::OutageParts& x = low.parts;
    e.column(NonSelectivePercent, "/clearAir/nonSelectivePercent", "", "", 2, J | C,
             percentOf(x.nonSelective));
    e.column(SelectivePercent, "/clearAir/selectivePercent", "", "", 2, J | C,
             percentOf(x.selective));
    e.column(XpdPercent, "/clearAir/xpdPercent", "", "", 2, J | C,
             x.xpd ? PerformanceValue(100.0 * x.xpd->fraction) : PerformanceValue());
    if (x.diversity) {
        e.column(DiversityImprovement, "/clearAir/diversity/improvement", "", "", 2, J | C,
                 x.diversity->improvement);
        e.emit({"diversityKns2", "/clearAir/diversity/kns2", -1, "", "", 2, J}, x.diversity->kns2);
        e.emit({"diversityKs2", "/clearAir/diversity/ks2", -1, "", "", 2, J}, x.diversity->ks2);
        e.column(DiversityOutagePercent, "/clearAir/diversity/outagePercent", "", "", 2, J | C,
                 100.0 * x.diversity->fraction);
    } else {
        e.emit({"diversity", "/clearAir/diversity", -1, "", "", 2, J}, std::monostate{});
    }
    e.column(ClearAirWorstMonthPercent, "/clearAir/worstMonthPercent", "Clear air, worst month",
             "%", 8, kEverywhere, optional(x.clearAirWorstMonthPercent));
    e.column(ClearAirAnnualPercent, "/clearAir/annualPercent", "Clear air, average year", "%", 8,
             kEverywhere, x.clearAirYearPercent);
    // The flags of the JSON sort the most robust mode's flags into the two parts.
    std::vector<std::string> clearFlags, rainFlags;
    if (e.wants(J)) {
        for (const std::string& f : low.flags) {
            (f.rfind("rain", 0) == 0 ? rainFlags : clearFlags).push_back(f);
        }
        if (!x.nonSelective && x.closes) {
            clearFlags.push_back(p.multipath.method + ": no worst-month non-selective outage");
        }
        if (!p.rain) rainFlags.push_back("no rain source given");
        if (x.rainOutsideRange) {
            rainFlags.push_back("rain outage outside the method's range (0.001 to 1 %)");
        }
    }
    e.emit({"clearAirFlags", "/clearAir/flags", -1, "", "", 2, J}, &clearFlags);
    e.column(RainPercent, "/rainPart/rainPercent", "", "", 2, J | C,
             p.rain && x.closes ? PerformanceValue(x.rainPercent) : PerformanceValue());
    e.column(RainXpdPercent, "/rainPart/xpdPercent", "", "", 2, J | C,
             x.xpr ? PerformanceValue(100.0 * x.xpr->fraction) : PerformanceValue());
    e.column(RainAnnualPercent, "/rainPart/annualPercent", "Rain, average year", "%", 8,
             kEverywhere, x.rainYearPercent);
    e.emit({"rainPartFlags", "/rainPart/flags", -1, "", "", 2, J}, &rainFlags);
    e.column(OutageFlags, "", "Outage flag", "", 2, C | T, &low.flags, TableStyle::EachRow);
}

}  // namespace

void forEachPerformanceValue(const LinkPerformance& p, unsigned views, const Visit& visit) {
    Emitter e(views, visit);
    e.column(PathKm, "/pathKm", "Path length", "km", 3, kEverywhere, p.pathKm);

    const auto& g = p.geodesic;
    const unsigned inGeodesic = (g ? J : 0u) | C | T;
    auto geodesic = [&](double propagation::GeodesicResult::*member) {
        return g ? PerformanceValue((*g).*member) : PerformanceValue();
    };
    e.column(GeodesicKm, "/geodesic/km", "Geodesic length", "km", 3, inGeodesic,
             geodesic(&propagation::GeodesicResult::km));
    e.column(AzimuthFrom, "/geodesic/azimuthFrom", "Azimuth at the From end", "deg", 2, inGeodesic,
             geodesic(&propagation::GeodesicResult::azimuthFromDeg));
    e.column(AzimuthTo, "/geodesic/azimuthTo", "Azimuth at the To end", "deg", 2, inGeodesic,
             geodesic(&propagation::GeodesicResult::azimuthToDeg));
    e.column(FlatDifferenceM, "/geodesic/flatDifferenceM", "Flat distance less geodesic", "m", 1,
             inGeodesic, geodesic(&propagation::GeodesicResult::flatDifferenceM));

    e.column(GasDbPerKm, "/gas/dbPerKm", "Gas attenuation", "dB/km", 4, J | C | T, p.gasDbPerKm);
    e.column(GasDb, "/gas/db", "Gas loss", "dB", 2, kEverywhere, p.gasDb);
    e.emit({"extraLossDb", "", -1, "Extra path loss", "dB", 2, R}, p.extraLossDb);
    e.column(RslDbm, "/rslDbm", "Received signal level", "dBm", 2, kEverywhere, p.rslDbm);
    e.emit({"thresholdDbm", "", -1, "Receiver threshold", "dBm", 2, R}, p.thresholdDbm);
    e.column(FlatFadeMarginDb, "/flatFadeMarginDb", "Flat fade margin", "dB", 2, kEverywhere,
             p.flatFadeMarginDb);

    // The rain values are nothing in the columns and the table without a rain source, and absent
    // from the JSON and the report.
    const auto& r = p.rain;
    const unsigned inRain = (r ? J | R : 0u) | C | T;
    auto rain = [&](double propagation::RainResult::*member) {
        return r ? PerformanceValue((*r).*member) : PerformanceValue();
    };
    e.column(RainK, "/rain/k", "Rain k", "", 6, inRain & ~R, rain(&propagation::RainResult::k));
    e.column(RainAlpha, "/rain/alpha", "Rain alpha", "", 4, inRain & ~R,
             rain(&propagation::RainResult::alpha));
    e.column(RainDbPerKm, "/rain/dbPerKm", "Rain attenuation", "dB/km", 4, inRain & ~R,
             rain(&propagation::RainResult::dbPerKm));
    e.column(RainR, "/rain/r", "Rain distance factor r", "", 4, inRain & ~R,
             rain(&propagation::RainResult::r));
    e.column(RainA001Db, "/rain/a001Db", "Rain attenuation A0.01", "dB", 2, inRain,
             rain(&propagation::RainResult::a001Db));
    e.column(RainOutagePercent, "/rain/outagePercent", "Rain outage", "%", 6, inRain,
             r ? optional(r->outagePercent) : PerformanceValue());
    e.column(RainSource, "/rain/source", "Rain source", "", 2, inRain,
             r ? PerformanceValue(std::string_view(r->source)) : PerformanceValue(),
             TableStyle::Row, r ? &r->flags : nullptr);
    e.column(RainFlags, "/rain/flags", "Rain flags", "", 2, inRain & ~R,
             r ? PerformanceValue(&r->flags) : PerformanceValue());

    const propagation::MultipathResult& m = p.multipath;
    e.column(MultipathMethod, "/multipath/method", "Multipath method", "", 2, kEverywhere,
             std::string_view(m.method), TableStyle::Row, &m.flags);
    e.column(MultipathWorstMonthPercent, "/multipath/worstMonthPercent", "Multipath worst month",
             "%", 6, kEverywhere, optional(m.worstMonthPercent));
    e.column(MultipathAnnualPercent, "/multipath/annualPercent", "Multipath average year", "%", 6,
             kEverywhere, optional(m.annualPercent));
    e.column(MultipathFlags, "/multipath/flags", "Multipath flags", "", 2, J | C | T, &m.flags);
    if (m.fromMaps) {
        e.emit({"geoclimaticK", "/multipath/geoclimaticK", -1, "", "", 2, J},
               optional(m.geoclimaticK));
        e.emit({"dN75", "/multipath/dN75", -1, "", "", 2, J}, optional(m.dN75));
    }

    e.column(OutagePercent, "/outagePercent", "Outage", "%", 6, kEverywhere, p.outagePercent);
    e.column(AvailabilityPercent, "/availabilityPercent", "Availability", "%",
             availabilityDecimals(p.outagePercent), kEverywhere, p.availabilityPercent);
    e.column(OutageMinutesPerYear, "/outageMinutesPerYear", "Outage", "minutes a year", 1,
             kEverywhere, p.outageMinutesPerYear);
    e.column(TargetPercent, "/target/percent", "Target availability", "%", 4, kEverywhere,
             p.target.percent);
    e.column(TargetMet, "/target/met", "Target met", "", 2, kEverywhere, p.target.met);
    e.column(RequiredMarginDb, "/target/requiredMarginDb", "Fade margin that meets the target",
             "dB", 2, kEverywhere, optional(p.target.requiredMarginDb));
    e.column(Flags, "/flags", "Flags", "", 2, J | C | T | (p.flags.empty() ? 0u : R), &p.flags);
    e.column(Models, "/models", "Models", "", 2, J | C, &p.models);
    // The outage columns of batch are written for every row once one row asks for them; the
    // other views show the modes only when something beyond the threshold was asked for.
    if (p.outage.extended) {
        outageValues(e, p);
    } else if (e.wants(C)) {
        Emitter columnsOnly(C, visit);
        outageValues(columnsOnly, p);
    }
    e.emit({"models", "", -1, "Models", "", 2, T, TableStyle::Heading}, std::monostate{});
    e.emit({"models", "", -1, "", "", 2, T, TableStyle::Lines}, &p.models);
}

nlohmann::ordered_json performanceJson(const LinkPerformance& p) {
    using Json = nlohmann::ordered_json;
    Json j = Json::object();
    forEachPerformanceValue(p, kInJson, [&](const PerformanceField& f, PerformanceValue&& v) {
        Json& at = j[Json::json_pointer(std::string(f.json))];
        std::visit(
            [&](const auto& x) {
                using X = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<X, std::monostate>) {
                    at = nullptr;
                } else if constexpr (std::is_same_v<X, const std::vector<std::string>*>) {
                    at = *x;
                } else {
                    at = x;
                }
            },
            v);
    });
    return j;
}

const std::vector<std::string>& performanceColumnNames() {
    static const std::vector<std::string> names(kColumnNames.begin(),
                                                kColumnNames.begin() + PerformanceError + 1);
    return names;
}

const std::vector<std::string>& outageColumnNames() {
    static const std::vector<std::string> names(kColumnNames.begin() + Modes, kColumnNames.end());
    return names;
}

void appendPerformanceCells(std::string& out, const LinkPerformance& p, bool outageColumns,
                            const std::vector<std::string>& equipmentWarnings) {
    std::array<PerformanceValue, ColumnCount> cells;
    forEachPerformanceValue(p, kInColumns, [&](const PerformanceField& f, PerformanceValue&& v) {
        cells[static_cast<std::size_t>(f.column)] = std::move(v);
    });
    cells[EquipmentWarnings] = &equipmentWarnings;
    const int end = outageColumns ? ColumnCount : PerformanceError + 1;
    for (int c = 0; c < end; ++c) {
        out.push_back(',');
        std::visit(
            [&](const auto& x) {
                using X = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<X, double>) {
                    // The outage columns leave a value that is not finite empty; the
                    // performance columns have always written it ("nan").
                    if (c < Modes || std::isfinite(x)) appendShortest(out, x);
                } else if constexpr (std::is_same_v<X, bool>) {
                    out.push_back(x ? '1' : '0');
                } else if constexpr (std::is_same_v<X, const std::vector<std::string>*>) {
                    appendCsvList(out, *x);
                } else if constexpr (!std::is_same_v<X, std::monostate>) {
                    appendCsvField(out, x);
                }
            },
            cells[static_cast<std::size_t>(c)]);
    }
}

void writePerformanceTable(std::ostream& out, const LinkPerformance& p, std::size_t captionWidth) {
    auto row = [&](const PerformanceField& f, std::string_view value) {
        std::string caption(f.caption);
        if (!f.unit.empty()) caption.append(" ").append(f.unit);
        out << "  " << caption;
        for (std::size_t n = caption.size(); n < captionWidth; ++n) out << ' ';
        out << ' ' << value << '\n';
    };
    out << "Link performance:\n";
    forEachPerformanceValue(p, kInTable, [&](const PerformanceField& f, PerformanceValue&& v) {
        const auto* list = std::get_if<const std::vector<std::string>*>(&v);
        switch (f.style) {
            case TableStyle::Heading:
                out << f.caption << ":\n";
                return;
            case TableStyle::Lines:
                if (list != nullptr) {
                    for (const std::string& line : **list) out << "  " << line << '\n';
                } else if (const auto* text = std::get_if<std::string>(&v)) {
                    out << "  " << *text << '\n';
                }
                return;
            case TableStyle::EachRow:
                if (list != nullptr) {
                    for (const std::string& item : **list) row(f, item);
                }
                return;
            case TableStyle::Row:
                break;
        }
        std::string value;
        if (const double* d = std::get_if<double>(&v)) value = tableNumber(*d);
        if (const auto* s = std::get_if<std::string_view>(&v)) value = *s;
        if (const auto* s = std::get_if<std::string>(&v)) value = *s;
        if (const bool* b = std::get_if<bool>(&v)) value = *b ? "yes" : "no";
        if (list != nullptr) value = joinedTexts(**list);
        if (!value.empty()) row(f, value);
    });
}

std::string joinedTexts(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) {
        if (!out.empty()) out += "; ";
        out += t;
    }
    return out;
}

int availabilityDecimals(double outagePercent) {
    if (!(outagePercent > 0)) return 6;
    const int needed = static_cast<int>(std::ceil(-std::log10(outagePercent))) + 2;
    return std::clamp(needed, 6, 12);
}

void appendShortest(std::string& out, double v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, end.ptr);
}

std::string numberText(double v, int precision) {
    if (precision < 0) {
        std::string text;
        appendShortest(text, v);
        return text;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", precision, v);
    std::string text(buffer);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

}  // namespace hopscale::design
