#include "link_conditions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

#include "conversions.h"
#include "multipath.h"

namespace hopscale::propagation {
namespace {

using I = ConditionInput;

const std::array<ConditionInputInfo, kConditionInputCount> kInputs{{
    {I::Threshold, "threshold", "Receiver threshold", "dBm", "",
     "receiver level for BER 1e-6; performance is computed when it is given"},
    {I::Polarisation, "polarisation", "Polarisation", "", "v",
     "h, v or c, or a tilt in degrees (0 horizontal, 90 vertical)"},
    {I::RainRate, "rain-rate", "Rain rate R0.01", "mm/h", "",
     "rain rate exceeded 0.01 % of an average year"},
    {I::RainZone, "rain-zone", "Rain zone", "", "", "rain climatic zone A..Q of ITU-R P.837-1"},
    {I::RainMap, "rain-map", "Rain map file", "", "",
     "ITU-R P.837-7 R001.TXT (1441 x 2881 values), read at the path centre"},
    {I::Multipath, "multipath", "Multipath method", "", "vigants", "vigants or p530"},
    {I::TerrainFactor, "terrain-factor", "Terrain factor a", "", "1",
     "Vigants-Barnett a: 4 smooth or over water, 1 average, 0.25 rough"},
    {I::ClimateFactor, "climate-factor", "Climate factor b", "", "0.25",
     "Vigants-Barnett b: 0.5 hot and humid, 0.25 temperate, 0.125 dry or mountainous"},
    {I::GeoclimaticK, "geoclimatic-k", "Geoclimatic factor K", "", "",
     "P.530 K; a negative value is read as log10 K"},
    {I::DN75, "dn75", "Refractivity gradient dN75", "N-units/km", "",
     "P.530 point refractivity gradient in the lowest 65 m"},
    {I::GroundElevations, "ground-elevations", "Ground elevations", "m", "",
     "P.530 ground above sea level at the From and To ends, \"from,to\""},
    {I::AntennaHeights, "antenna-heights", "Antenna heights", "m", "",
     "P.530 antenna heights above ground at the From and To ends, \"from,to\""},
    {I::MeanTerrain, "mean-terrain", "Mean terrain height", "m", "",
     "P.530 mean terrain height above sea level"},
    {I::CentreLatitude, "latitude", "Path-centre latitude", "degrees", "",
     "P.530 latitude north of the path centre; empty: from the end coordinates"},
    {I::Pressure, "pressure", "Dry-air pressure", "hPa", "1013.25", "dry-air pressure"},
    {I::Temperature, "temperature", "Temperature", "C", "15", "air temperature"},
    {I::WaterVapour, "water-vapour", "Water-vapour density", "g/m3", "7.5", "water-vapour density"},
    {I::Target, "target", "Target availability", "%", "99.999", "availability the hop must reach"},
    {I::ExtraLoss, "extra-loss", "Extra path loss", "dB", "0",
     "further loss subtracted from the received level, e.g. diffraction"},
}};

const std::array<ConditionInputInfo, kOutageInputCount> kOutageInputs{{
    {I::Radio, "radio", "Radio", "", "",
     "radio of the equipment library (its modes replace the threshold); both ends unless "
     "rx-radio"},
    {I::RxRadio, "rx-radio", "Receiving radio", "", "",
     "radio at the receiving end when it differs"},
    {I::Antenna, "antenna", "Antenna", "", "",
     "antenna of the equipment library (sets the dish diameters); both ends unless rx-antenna"},
    {I::RxAntenna, "rx-antenna", "Receiving antenna", "", "",
     "antenna at the receiving end when it differs"},
    {I::C0I, "c0-i", "C0/I", "dB", "", "co-channel C0/I of every mode (else each mode's own)"},
    {I::XpdAntenna, "xpd-antenna", "Antenna XPD", "dB", "",
     "XPDg, guaranteed boresight XPD, or \"antennas\" for the library antennas'; gives "
     "co-channel dual-polarised operation"},
    {I::Xpif, "xpif", "XPIF", "dB", "",
     "cross-polar interference canceller improvement; empty: none"},
    {I::TxAntennas, "tx-antennas", "Transmit antennas", "", "1",
     "1 or 2 transmit antennas for the dual-polarised channels"},
    {I::TxAntennaSeparation, "tx-antenna-separation", "Transmit antenna separation", "m", "",
     "vertical separation of two transmit antennas"},
    {I::U0, "u0", "U0", "dB", "15", "rain cross-polar U0 (9 dB is the measurements' lower bound)"},
    {I::Signature, "signature", "Signature", "", "", "\"W_MHZ,B_DB,TAU_NS\" of both phases"},
    {I::SignatureMin, "signature-min", "Minimum-phase signature", "", "",
     "\"W_MHZ,B_DB,TAU_NS\" of minimum phase"},
    {I::SignatureNonMin, "signature-nonmin", "Non-minimum-phase signature", "", "",
     "\"W_MHZ,B_DB,TAU_NS\" of non-minimum phase"},
    {I::Diversity, "diversity", "Diversity", "", "none", "none, space or frequency"},
    {I::DiversitySeparation, "diversity-separation", "Diversity separation", "m", "",
     "vertical separation of the receiving antennas (space diversity)"},
    {I::DiversityGainDifference, "diversity-gain-difference", "Diversity gain difference", "dB",
     "0", "gain difference of the two receiving antennas (space diversity)"},
    {I::DiversityFrequencySeparation, "diversity-frequency-separation", "Frequency separation",
     "GHz", "", "frequency separation (frequency diversity; at most 0.5 GHz is used)"},
    {I::LogKMap, "logk-map", "LogK map file", "", "",
     "ITU-R P.530-18 LogK.csv (721 x 1441 values), read at the path centre"},
    {I::DN75Map, "dn75-map", "dN75 map file", "", "",
     "ITU-R P.530-18 dN75.csv (721 x 1441 values), read at the path centre"},
}};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

Error inputError(ErrorKind kind, I input, std::string_view text, std::string detail) {
    Error e{kind};
    e.input = conditionInputInfo(input).caption;
    e.text = std::string(text);
    e.detail = std::move(detail);
    return e;
}

// A strict number; the error names the input.
Result<double> numberText(std::string_view text, I input) {
    Result<double> r = textToDouble(text);
    if (!r) {
        Error e = *r.error;
        e.input = conditionInputInfo(input).caption;
        if (trimmed(text).empty()) {
            e.text.clear();
            e.detail = "is empty; a number is needed";
        }
        return e;
    }
    return r;
}
Result<double> number(const LinkConditionTexts& t, I input) { return numberText(t[input], input); }

bool blank(const LinkConditionTexts& t, I input) { return trimmed(t[input]).empty(); }

// Two numbers "from,to".
struct Pair {
    double from = 0, to = 0;
};
Result<Pair> numberPair(const LinkConditionTexts& t, I input) {
    const std::string& text = t[input];
    const auto comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
        return inputError(ErrorKind::TypeMismatch, input, text, "is not two numbers \"from,to\"");
    }
    Result<double> a = textToDouble(std::string_view(text).substr(0, comma));
    Result<double> b = textToDouble(std::string_view(text).substr(comma + 1));
    if (!a || !b) {
        return inputError(a ? b.error->kind : a.error->kind, input, text,
                          "is not two numbers \"from,to\"");
    }
    return Pair{*a, *b};
}

std::shared_ptr<const RainMap> cachedRainMap(const std::string& path, Error& error, bool& ok) {
    struct Cached {
        std::string path;
        std::filesystem::file_time_type time;
        std::uintmax_t size = 0;
        std::shared_ptr<const RainMap> map;
    };
    static std::mutex mutex;
    static Cached cached;
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    const auto size = ec ? 0 : std::filesystem::file_size(path, ec);
    std::lock_guard lock(mutex);
    if (!ec && cached.map && cached.path == path && cached.time == time && cached.size == size) {
        ok = true;
        return cached.map;
    }
    Result<RainMap> read = RainMap::read(path, conditionInputInfo(I::RainMap).caption);
    if (!read) {
        ok = false;
        error = *read.error;
        return nullptr;
    }
    cached = {path, time, size, std::make_shared<const RainMap>(std::move(*read.value))};
    ok = true;
    return cached.map;
}

// The LogK and dN75 maps, kept while their files are unchanged (one slot per input).
std::shared_ptr<const QuarterDegreeMap> cachedClimateMap(I input, const std::string& path,
                                                         Error& error, bool& ok) {
    struct Cached {
        std::string path;
        std::filesystem::file_time_type time;
        std::uintmax_t size = 0;
        std::shared_ptr<const QuarterDegreeMap> map;
    };
    static std::mutex mutex;
    static Cached cached[2];
    Cached& slot = cached[input == I::LogKMap ? 0 : 1];
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    const auto size = ec ? 0 : std::filesystem::file_size(path, ec);
    std::lock_guard lock(mutex);
    if (!ec && slot.map && slot.path == path && slot.time == time && slot.size == size) {
        ok = true;
        return slot.map;
    }
    Result<QuarterDegreeMap> read = QuarterDegreeMap::read(path, conditionInputInfo(input).caption);
    if (!read) {
        ok = false;
        error = *read.error;
        return nullptr;
    }
    slot = {path, time, size, std::make_shared<const QuarterDegreeMap>(std::move(*read.value))};
    ok = true;
    return slot.map;
}

// "W,B,TAU": width MHz > 0, depth dB, reference delay ns not 0.
Result<Signature> signatureText(const LinkConditionTexts& t, I input) {
    const std::string& text = t[input];
    Signature s;
    double* parts[] = {&s.widthMHz, &s.depthDb, &s.delayNs};
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) {
        const auto comma = rest.find(',');
        if ((i < 2) == (comma == std::string_view::npos)) {
            return inputError(ErrorKind::TypeMismatch, input, text,
                              "is not three numbers \"W_MHZ,B_DB,TAU_NS\"");
        }
        Result<double> v = textToDouble(rest.substr(0, comma));
        if (!v) {
            return inputError(v.error->kind, input, text,
                              "is not three numbers \"W_MHZ,B_DB,TAU_NS\"");
        }
        *parts[i] = *v;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    if (!(s.widthMHz > 0)) {
        return inputError(ErrorKind::InvalidArgument, input, text, "has a width of 0 MHz or less");
    }
    if (s.delayNs == 0) {
        return inputError(ErrorKind::InvalidArgument, input, text, "has a reference delay of 0 ns");
    }
    return s;
}

std::shared_ptr<const GasModel> cachedGasModel(const Atmosphere& a) {
    static std::mutex mutex;
    static std::shared_ptr<const GasModel> last;
    std::lock_guard lock(mutex);
    if (!last || last->atmosphere().dryPressureHpa != a.dryPressureHpa ||
        last->atmosphere().temperatureK != a.temperatureK ||
        last->atmosphere().waterVapourGm3 != a.waterVapourGm3) {
        last = std::make_shared<const GasModel>(a);
    }
    return last;
}

// The options of the outage models; an error names the input.
std::optional<Error> readOutageOptions(const LinkConditionTexts& t, OutageOptions& o) {
    auto optionalNumber = [&](I input, std::optional<double>& into) -> std::optional<Error> {
        if (blank(t, input)) return std::nullopt;
        Result<double> v = number(t, input);
        if (!v) return *v.error;
        into = *v;
        return std::nullopt;
    };
    if (auto e = optionalNumber(I::C0I, o.c0iDb)) return e;
    if (lower(trimmed(t[I::XpdAntenna])) == "antennas") {
        o.xpdFromAntennas = true;
    } else if (auto e = optionalNumber(I::XpdAntenna, o.xpdgDb)) {
        return e;
    }
    if (auto e = optionalNumber(I::Xpif, o.xpifDb)) return e;
    if (o.xpifDb && !(*o.xpifDb >= 0)) {
        return inputError(ErrorKind::InvalidArgument, I::Xpif, t[I::Xpif], "is below 0 dB");
    }
    {
        const std::string n(trimmed(t[I::TxAntennas]));
        if (n == "1" || n.empty()) {
            o.txAntennas = 1;
        } else if (n == "2") {
            o.txAntennas = 2;
        } else {
            return inputError(ErrorKind::InvalidArgument, I::TxAntennas, t[I::TxAntennas],
                              "is not 1 or 2");
        }
    }
    std::optional<double> separation;
    if (auto e = optionalNumber(I::TxAntennaSeparation, separation)) return e;
    if (separation && o.txAntennas != 2) {
        return inputError(ErrorKind::InvalidArgument, I::TxAntennaSeparation,
                          t[I::TxAntennaSeparation], "is given for one transmit antenna");
    }
    if (o.txAntennas == 2) {
        if (!separation || !(*separation > 0)) {
            return inputError(
                ErrorKind::InvalidArgument, I::TxAntennaSeparation, t[I::TxAntennaSeparation],
                separation ? "must be more than 0 m" : "is needed with two transmit antennas");
        }
        o.txSeparationM = *separation;
    }
    Result<double> u0 = number(t, I::U0);
    if (!u0) return *u0.error;
    o.u0Db = *u0;

    if (!blank(t, I::Signature) && (!blank(t, I::SignatureMin) || !blank(t, I::SignatureNonMin))) {
        return inputError(ErrorKind::InvalidArgument, I::Signature, t[I::Signature],
                          "is given with a signature of one phase; give both phases in one, or "
                          "each apart");
    }
    for (I input : {I::Signature, I::SignatureMin, I::SignatureNonMin}) {
        if (blank(t, input)) continue;
        Result<Signature> s = signatureText(t, input);
        if (!s) return *s.error;
        if (input != I::SignatureNonMin) o.signatureMinimum = *s;
        if (input != I::SignatureMin) o.signatureNonMinimum = *s;
    }

    const std::string kind = lower(trimmed(t[I::Diversity]));
    if (kind == "none" || kind.empty()) {
        o.diversity = DiversityKind::None;
    } else if (kind == "space") {
        o.diversity = DiversityKind::Space;
    } else if (kind == "frequency") {
        o.diversity = DiversityKind::Frequency;
    } else {
        return inputError(ErrorKind::InvalidArgument, I::Diversity, t[I::Diversity],
                          "is not none, space or frequency");
    }
    struct Needed {
        I input;
        DiversityKind kind;
        double* into;
        bool positive;
    };
    const Needed needed[] = {
        {I::DiversitySeparation, DiversityKind::Space, &o.diversitySeparationM, true},
        {I::DiversityGainDifference, DiversityKind::Space, &o.diversityGainDifferenceDb, false},
        {I::DiversityFrequencySeparation, DiversityKind::Frequency,
         &o.diversityFrequencySeparationGHz, true},
    };
    for (const Needed& n : needed) {
        const bool defaulted = t[n.input] == conditionInputInfo(n.input).defaultText;
        if (o.diversity != n.kind) {
            if (!blank(t, n.input) && !defaulted) {
                return inputError(ErrorKind::InvalidArgument, n.input, t[n.input],
                                  std::string("is given without ") +
                                      (n.kind == DiversityKind::Space ? "space" : "frequency") +
                                      " diversity");
            }
            continue;
        }
        Result<double> v = number(t, n.input);
        if (!v) return *v.error;
        if (n.positive && !(*v > 0)) {
            return inputError(ErrorKind::InvalidArgument, n.input, t[n.input],
                              "must be more than 0");
        }
        *n.into = *v;
    }
    return std::nullopt;
}

}  // namespace

const std::array<ConditionInputInfo, kConditionInputCount>& allConditionInputs() { return kInputs; }

const std::array<ConditionInputInfo, kOutageInputCount>& outageConditionInputs() {
    return kOutageInputs;
}

const ConditionInputInfo& conditionInputInfo(ConditionInput input) {
    const auto i = static_cast<std::size_t>(input);
    return i < kConditionInputCount ? kInputs[i] : kOutageInputs[i - kConditionInputCount];
}

std::optional<ConditionInput> conditionInputByName(const std::string& name) {
    for (const ConditionInputInfo& info : kInputs) {
        if (name == info.name) return info.input;
    }
    for (const ConditionInputInfo& info : kOutageInputs) {
        if (name == info.name) return info.input;
    }
    return std::nullopt;
}

namespace {

// Every input's default text, made once: texts are made for every hop evaluated, and copying
// short strings costs a fraction of making them from the table.
const std::array<std::string, kAllInputCount>& defaultConditionTexts() {
    static const std::array<std::string, kAllInputCount> defaults = [] {
        std::array<std::string, kAllInputCount> t;
        for (const ConditionInputInfo& info : kInputs) {
            t[static_cast<std::size_t>(info.input)] = info.defaultText;
        }
        for (const ConditionInputInfo& info : kOutageInputs) {
            t[static_cast<std::size_t>(info.input)] = info.defaultText;
        }
        return t;
    }();
    return defaults;
}

}  // namespace

LinkConditionTexts::LinkConditionTexts() : texts(defaultConditionTexts()) {}

Result<LinkConditions> readLinkConditions(const LinkConditionTexts& t) {
    LinkConditions c;

    c.radioName = std::string(trimmed(t[I::Radio]));
    c.rxRadioName = std::string(trimmed(t[I::RxRadio]));
    c.antennaName = std::string(trimmed(t[I::Antenna]));
    c.rxAntennaName = std::string(trimmed(t[I::RxAntenna]));
    const bool radio = !c.radioName.empty() || !c.rxRadioName.empty();
    if (radio && !blank(t, I::Threshold)) {
        return inputError(ErrorKind::InvalidArgument, I::Threshold, t[I::Threshold],
                          "is given with a radio; the radio's modes give the thresholds");
    }
    if (!radio) {
        Result<double> threshold = readThreshold(t[I::Threshold]);
        if (!threshold) return *threshold.error;
        c.thresholdDbm = *threshold;
    }

    // Polarisation: a letter or word, or a tilt angle.
    {
        const std::string p = lower(trimmed(t[I::Polarisation]));
        if (p == "h" || p == "horizontal") {
            c.polarisationTiltDeg = 0;
            c.polarisationName = "horizontal";
        } else if (p == "v" || p == "vertical") {
            c.polarisationTiltDeg = 90;
            c.polarisationName = "vertical";
        } else if (p == "c" || p == "circular") {
            c.polarisationTiltDeg = 45;
            c.polarisationName = "circular";
        } else {
            Result<double> tilt = textToDouble(p);
            if (!tilt) {
                return inputError(ErrorKind::TypeMismatch, I::Polarisation, t[I::Polarisation],
                                  "is not h, v, c or a tilt in degrees");
            }
            if (!(*tilt >= 0 && *tilt <= 90)) {
                return inputError(ErrorKind::InvalidArgument, I::Polarisation, t[I::Polarisation],
                                  "is a tilt outside 0 to 90 degrees");
            }
            c.polarisationTiltDeg = *tilt;
            c.polarisationName = "tilt " + doubleToText(*tilt) + " degrees";
        }
    }

    // Rain: at most one source.
    const int rainInputs = !blank(t, I::RainRate) + !blank(t, I::RainZone) + !blank(t, I::RainMap);
    if (rainInputs > 1) {
        Error e{ErrorKind::InvalidArgument};
        e.input = "Rain";
        e.detail = "give only one of a rain rate, a rain zone or a rain map file";
        return e;
    }
    if (!blank(t, I::RainRate)) {
        Result<double> rate = number(t, I::RainRate);
        if (!rate) return *rate.error;
        if (!(*rate >= 0)) {
            return inputError(ErrorKind::InvalidArgument, I::RainRate, t[I::RainRate],
                              "is below 0 mm/h");
        }
        c.rainSource = RainSource::Rate;
        c.rainRateMmH = *rate;
    } else if (!blank(t, I::RainZone)) {
        const std::string_view z = trimmed(t[I::RainZone]);
        const std::optional<double> rate = z.size() == 1 ? rainZoneRate(z[0]) : std::nullopt;
        if (!rate) {
            return inputError(ErrorKind::InvalidArgument, I::RainZone, t[I::RainZone],
                              "is not a zone letter A to Q (no I or O)");
        }
        c.rainSource = RainSource::Zone;
        c.rainZone = static_cast<char>(std::toupper(static_cast<unsigned char>(z[0])));
        c.rainRateMmH = *rate;
    } else if (!blank(t, I::RainMap)) {
        Error error;
        bool ok = false;
        c.rainMap = cachedRainMap(std::string(trimmed(t[I::RainMap])), error, ok);
        if (!ok) return error;
        c.rainSource = RainSource::Map;
    }

    // Multipath.
    {
        const std::string m = lower(trimmed(t[I::Multipath]));
        if (m == "vigants" || m == "vigants-barnett" || m.empty()) {
            c.multipath = MultipathMethod::VigantsBarnett;
        } else if (m == "p530" || m == "p.530") {
            c.multipath = MultipathMethod::P530;
        } else {
            return inputError(ErrorKind::InvalidArgument, I::Multipath, t[I::Multipath],
                              "is not vigants or p530");
        }
    }
    for (I input : {I::TerrainFactor, I::ClimateFactor}) {
        Result<double> v = number(t, input);
        if (!v) return *v.error;
        if (!(*v > 0)) {
            return inputError(ErrorKind::InvalidArgument, input, t[input], "must be more than 0");
        }
        (input == I::TerrainFactor ? c.terrainFactor : c.climateFactor) = *v;
    }
    for (I map : {I::LogKMap, I::DN75Map}) {
        if (blank(t, map)) continue;
        const I typed = map == I::LogKMap ? I::GeoclimaticK : I::DN75;
        if (!blank(t, typed)) {
            return inputError(ErrorKind::InvalidArgument, typed, t[typed],
                              std::string("is given with the ") + conditionInputInfo(map).caption +
                                  "; give only one");
        }
        if (c.multipath != MultipathMethod::P530) {
            return inputError(ErrorKind::InvalidArgument, map, t[map],
                              "is read by the p530 multipath method only");
        }
        Error error;
        bool ok = false;
        auto read = cachedClimateMap(map, std::string(trimmed(t[map])), error, ok);
        if (!ok) return error;
        (map == I::LogKMap ? c.logKMap : c.dN75Map) = std::move(read);
    }
    if (c.multipath == MultipathMethod::P530) {
        if (!c.logKMap) {
            Result<double> k = number(t, I::GeoclimaticK);
            if (!k) return *k.error;
            if (*k == 0) {
                return inputError(ErrorKind::InvalidArgument, I::GeoclimaticK, t[I::GeoclimaticK],
                                  "must be more than 0 (or a negative log10 K)");
            }
            c.kFromLogK = *k < 0;
            c.geoclimaticK = c.kFromLogK ? std::pow(10.0, *k) : *k;
        }
        if (!c.dN75Map) {
            Result<double> dn = number(t, I::DN75);
            if (!dn) return *dn.error;
            if (!(*dn >= 0)) {
                return inputError(ErrorKind::InvalidArgument, I::DN75, t[I::DN75], "is below 0");
            }
            c.dN75 = *dn;
        }
        Result<Pair> ground = numberPair(t, I::GroundElevations);
        if (!ground) return *ground.error;
        c.groundFromM = ground.value->from;
        c.groundToM = ground.value->to;
        Result<Pair> heights = numberPair(t, I::AntennaHeights);
        if (!heights) return *heights.error;
        if (!(heights.value->from >= 0 && heights.value->to >= 0)) {
            return inputError(ErrorKind::InvalidArgument, I::AntennaHeights, t[I::AntennaHeights],
                              "holds a height below 0");
        }
        c.antennaFromM = heights.value->from;
        c.antennaToM = heights.value->to;
        Result<double> mean = number(t, I::MeanTerrain);
        if (!mean) return *mean.error;
        c.meanTerrainM = *mean;
    }
    if (!blank(t, I::CentreLatitude)) {
        Result<double> lat = number(t, I::CentreLatitude);
        if (!lat) return *lat.error;
        if (!(*lat >= -90 && *lat <= 90)) {
            return inputError(ErrorKind::InvalidArgument, I::CentreLatitude, t[I::CentreLatitude],
                              "is outside -90 to 90 degrees");
        }
        c.centreLatitudeDeg = *lat;
    }

    // Atmosphere.
    Atmosphere air;
    Result<double> pressure = number(t, I::Pressure);
    if (!pressure) return *pressure.error;
    if (!(*pressure > 0)) {
        return inputError(ErrorKind::InvalidArgument, I::Pressure, t[I::Pressure],
                          "must be more than 0 hPa");
    }
    air.dryPressureHpa = *pressure;
    Result<double> temperature = number(t, I::Temperature);
    if (!temperature) return *temperature.error;
    if (!(*temperature > -273.15)) {
        return inputError(ErrorKind::InvalidArgument, I::Temperature, t[I::Temperature],
                          "is at or below absolute zero");
    }
    air.temperatureK = *temperature + 273.15;
    Result<double> vapour = number(t, I::WaterVapour);
    if (!vapour) return *vapour.error;
    if (!(*vapour >= 0)) {
        return inputError(ErrorKind::InvalidArgument, I::WaterVapour, t[I::WaterVapour],
                          "is below 0 g/m3");
    }
    air.waterVapourGm3 = *vapour;
    c.gas = cachedGasModel(air);

    Result<double> target = number(t, I::Target);
    if (!target) return *target.error;
    if (!(*target > 0 && *target < 100)) {
        return inputError(ErrorKind::InvalidArgument, I::Target, t[I::Target],
                          "must be more than 0 and less than 100 %");
    }
    c.targetPercent = *target;

    Result<double> extra = number(t, I::ExtraLoss);
    if (!extra) return *extra.error;
    c.extraLossDb = *extra;
    if (auto error = readOutageOptions(t, c.outage)) return *error;
    nameModels(c);
    return c;
}

Result<double> readThreshold(const std::string& text) { return numberText(text, I::Threshold); }

std::string modelNumber(double v) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    return std::string(buffer, end.ptr);
}

void nameModels(LinkConditions& c) {
    const Atmosphere& air = c.gas->atmosphere();
    c.gasModelText = std::string(kGasModelName) + ", p " + modelNumber(air.dryPressureHpa) +
                     " hPa dry, T " + modelNumber(air.temperatureK) + " K, rho " +
                     modelNumber(air.waterVapourGm3) + " g/m3";
    c.rainCoefficientText =
        std::string(kRainCoefficientModelName) + ", " + c.polarisationName + " polarisation";
    switch (c.rainSource) {
        case RainSource::Rate:
            c.rainSourceText = "R0.01 " + modelNumber(c.rainRateMmH) + " mm/h typed";
            break;
        case RainSource::Zone:
            c.rainSourceText = "R0.01 " + modelNumber(c.rainRateMmH) +
                               " mm/h, ITU-R P.837-1 zone " + std::string(1, c.rainZone);
            break;
        case RainSource::Map:
        case RainSource::None:
            c.rainSourceText.clear();
            break;
    }
    if (c.multipath == MultipathMethod::VigantsBarnett) {
        c.multipathModelText = std::string(kVigantsBarnettName) + ", a " +
                               modelNumber(c.terrainFactor) + ", b " +
                               modelNumber(c.climateFactor) + ", annual";
    } else {
        c.multipathModelText =
            std::string(kMultipathModelName) + " (2.3.1, 2.3.2, 2.3.4), K " +
            (c.logKMap ? "from the LogK map \"" + c.logKMap->path() + "\""
                       : modelNumber(c.geoclimaticK) + (c.kFromLogK ? " from LogK" : "")) +
            ", dN75 " +
            (c.dN75Map ? "from the dN75 map \"" + c.dN75Map->path() + "\"" : modelNumber(c.dN75));
    }
    c.extraLossText =
        c.extraLossDb != 0 ? "Extra path loss " + modelNumber(c.extraLossDb) + " dB" : "";
}

}  // namespace hopscale::propagation
