#include "rain.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>

namespace hopscale::propagation {
namespace {

constexpr double kPi = std::numbers::pi;

// The Gaussian sums of P.838-3: sum_j a_j exp(-((x - b_j) / c_j)^2) + m x + c, x = log10 f.
template <std::size_t N>
struct Fit {
    std::array<double, N> a, b, c;
    double m, offset;
    double operator()(double x) const {
        double sum = m * x + offset;
        for (std::size_t j = 0; j < N; ++j) {
            const double t = (x - b[j]) / c[j];
            sum += a[j] * std::exp(-t * t);
        }
        return sum;
    }
};

constexpr Fit<4> kKH{{-5.33980, -0.35351, -0.23789, -0.94158},
                     {-0.10008, 1.26970, 0.86036, 0.64552},
                     {1.13098, 0.45400, 0.15354, 0.16817},
                     -0.18961,
                     0.71147};
constexpr Fit<4> kKV{{-3.80595, -3.44965, -0.39902, 0.50167},
                     {0.56934, -0.22911, 0.73042, 1.07319},
                     {0.81061, 0.51059, 0.11899, 0.27195},
                     -0.16398,
                     0.63297};
constexpr Fit<5> kAlphaH{{-0.14318, 0.29591, 0.32177, -5.37610, 16.1721},
                         {1.82442, 0.77564, 0.63773, -0.96230, -3.29980},
                         {-0.55187, 0.19822, 0.13164, 1.47828, 3.43990},
                         0.67849,
                         -1.95537};
constexpr Fit<5> kAlphaV{{-0.07771, 0.56727, -0.20238, -48.2991, 48.5833},
                         {2.33840, 0.95545, 1.14520, 0.791669, 0.791459},
                         {-0.76284, 0.54039, 0.26809, 0.116226, 0.116479},
                         -0.053739,
                         0.83433};

struct Zone {
    char letter;
    double rate;
};
constexpr std::array<Zone, 15> kZones{{{'A', 8},
                                       {'B', 12},
                                       {'C', 15},
                                       {'D', 19},
                                       {'E', 22},
                                       {'F', 28},
                                       {'G', 30},
                                       {'H', 32},
                                       {'J', 35},
                                       {'K', 42},
                                       {'L', 60},
                                       {'M', 63},
                                       {'N', 95},
                                       {'P', 145},
                                       {'Q', 115}}};

}  // namespace

RainCoefficientsHV rainCoefficientsHV(double f) {
    // Both directions of a hop, and most rows of a batch, ask again for the last frequency.
    thread_local double lastF = -1;
    thread_local RainCoefficientsHV last;
    if (f == lastF) return last;
    const double x = std::log10(f);
    last = {std::pow(10.0, kKH(x)), std::pow(10.0, kKV(x)), kAlphaH(x), kAlphaV(x)};
    lastF = f;
    return last;
}

RainCoefficients rainCoefficients(double f, double tiltDeg, double elevationDeg) {
    const RainCoefficientsHV hv = rainCoefficientsHV(f);
    const double cosTheta = std::cos(elevationDeg * kPi / 180.0);
    const double factor = cosTheta * cosTheta * std::cos(2.0 * tiltDeg * kPi / 180.0);
    RainCoefficients c;
    c.k = (hv.kH + hv.kV + (hv.kH - hv.kV) * factor) / 2.0;
    c.alpha =
        (hv.kH * hv.alphaH + hv.kV * hv.alphaV + (hv.kH * hv.alphaH - hv.kV * hv.alphaV) * factor) /
        (2.0 * c.k);
    return c;
}

double rainSpecificAttenuation(const RainCoefficients& c, double rainRateMmH) {
    return c.k * std::pow(rainRateMmH, c.alpha);
}

double rainDistanceFactor(double d, double rate, double alpha, double f) {
    const double denominator =
        0.477 * std::pow(d, 0.633) * std::pow(rate, 0.073 * alpha) * std::pow(f, 0.123) -
        10.579 * (1.0 - std::exp(-0.024 * d));
    if (denominator <= 0.4) return 2.5;
    return std::min(1.0 / denominator, 2.5);
}

RainPowerLaw rainPowerLaw(double f) {
    const double c0 = f < 10.0 ? 0.12 : 0.12 + 0.4 * std::log10(std::pow(f / 10.0, 0.8));
    RainPowerLaw law;
    law.c1 = std::pow(0.07, c0) * std::pow(0.12, 1.0 - c0);
    law.c2 = 0.855 * c0 + 0.546 * (1.0 - c0);
    law.c3 = 0.139 * c0 + 0.043 * (1.0 - c0);
    return law;
}

RainExceedance rainAttenuationExceeded(double a001Db, double f, double percent) {
    return rainAttenuationExceeded(a001Db, rainPowerLaw(f), percent);
}

RainExceedance rainAttenuationExceeded(double a001Db, const RainPowerLaw& law, double percent) {
    const double x = std::log10(percent);
    RainExceedance out;
    out.attenuationDb = a001Db * law.c1 * std::pow(percent, -(law.c2 + law.c3 * x));
    out.outsideRange = percent < 0.001 || percent > 1.0;
    return out;
}

RainOutage rainOutagePercent(double a001Db, double f, double marginDb) {
    return rainOutagePercent(a001Db, rainPowerLaw(f), marginDb);
}

RainOutage rainOutagePercent(double a001Db, const RainPowerLaw& law, double marginDb) {
    RainOutage out;
    if (a001Db <= 0.0) return out;  // no rain attenuation: no rain outage
    if (marginDb <= 0.0) {
        // Every rain event exceeds a margin of nothing; the power law has no answer here.
        out.percent = 100.0;
        out.outsideRange = true;
        return out;
    }
    const double l = std::log10(marginDb / (law.c1 * a001Db));
    const double discriminant = law.c2 * law.c2 - 4.0 * law.c3 * l;
    if (discriminant < 0.0) {
        out.outsideRange = true;
        return out;
    }
    const double x = (-law.c2 + std::sqrt(discriminant)) / (2.0 * law.c3);
    out.percent = std::pow(10.0, x);
    out.outsideRange = out.percent < 0.001 || out.percent > 1.0;
    return out;
}

std::optional<double> rainZoneRate(char zone) {
    const char upper = zone >= 'a' && zone <= 'z' ? static_cast<char>(zone - 'a' + 'A') : zone;
    for (const Zone& z : kZones) {
        if (z.letter == upper) return z.rate;
    }
    return std::nullopt;
}

Result<RainMap> RainMap::read(const std::string& path, const std::string& inputCaption) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        Error e{ErrorKind::FileNotFound};
        e.input = inputCaption;
        e.file = path;
        e.detail = "cannot be opened";
        return e;
    }
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(kRows) * kColumns);
    auto bad = [&](std::string detail) {
        Error e{ErrorKind::BadFile};
        e.input = inputCaption;
        e.file = path;
        e.detail = std::move(detail);
        return e;
    };
    // Read line by line so that the shape (rows of 2881) is checked, not only the count.
    std::string line;
    int row = 0;
    char buffer[65536];
    bool pending = false;
    auto finishLine = [&]() -> std::optional<Error> {
        const char* s = line.c_str();
        int count = 0;
        while (true) {
            while (*s == ' ' || *s == '\t' || *s == '\r' || *s == ',') ++s;
            if (*s == '\0') break;
            char* end = nullptr;
            errno = 0;
            const double v = std::strtod(s, &end);
            if (end == s || !std::isfinite(v)) {
                return bad("line " + std::to_string(row + 1) + " holds text that is not a number");
            }
            values.push_back(static_cast<float>(v));
            ++count;
            s = end;
        }
        line.clear();
        if (count == 0) return std::nullopt;  // blank line
        if (count != kColumns) {
            return bad("line " + std::to_string(row + 1) + " holds " + std::to_string(count) +
                       " numbers, not " + std::to_string(kColumns));
        }
        ++row;
        if (row > kRows) return bad("holds more than " + std::to_string(kRows) + " rows");
        return std::nullopt;
    };
    while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
        line += buffer;
        pending = true;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (auto e = finishLine()) return *e;
            pending = false;
        }
    }
    if (pending) {
        if (auto e = finishLine()) return *e;
    }
    if (std::ferror(file.get()) != 0) return bad("cannot be read");
    if (row != kRows) {
        return bad("holds " + std::to_string(row) + " rows of numbers, not " +
                   std::to_string(kRows));
    }
    return fromValues(std::move(values), path);
}

RainMap RainMap::fromValues(std::vector<float> values, std::string path) {
    RainMap map;
    map.values_ = std::move(values);
    map.path_ = std::move(path);
    return map;
}

double RainMap::rateAt(double lat, double lon) const {
    return globalGridValue(values_, kRows, kColumns, 0.125, std::clamp(lat, -90.0, 90.0), lon);
}

double globalGridValue(const std::vector<float>& values, int rows, int columns, double stepDeg,
                       double lat, double lon) {
    lon = std::fmod(lon + 180.0, 360.0);
    if (lon < 0) lon += 360.0;  // now 0..360 from -180
    const double rowPos = (90.0 - lat) / stepDeg;
    const double colPos = lon / stepDeg;
    const int r0 = std::min(static_cast<int>(std::floor(rowPos)), rows - 2);
    const int c0 = std::min(static_cast<int>(std::floor(colPos)), columns - 2);
    const double fr = rowPos - r0;
    const double fc = colPos - c0;
    auto at = [&](int r, int c) {
        return static_cast<double>(values[static_cast<std::size_t>(r) * columns + c]);
    };
    return (1 - fr) * ((1 - fc) * at(r0, c0) + fc * at(r0, c0 + 1)) +
           fr * ((1 - fc) * at(r0 + 1, c0) + fc * at(r0 + 1, c0 + 1));
}

}  // namespace hopscale::propagation
