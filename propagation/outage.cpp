#include "outage.h"

#include <algorithm>
#include <cmath>

#include "multipath.h"

namespace hopscale::propagation {
namespace {

constexpr double kSpeedOfLightMGHz = 0.299792458;  // lambda (m) = this / f (GHz)
constexpr double kMinutesInYear = 525960.0;

// A flag costs nothing when nobody collects them (the margin search evaluates many times).
void flag(std::vector<std::string>* flags, const char* text) {
    if (flags != nullptr) flags->emplace_back(text);
}
void flag(std::vector<std::string>* flags, const char* text, const char* more) {
    if (flags != nullptr) flags->push_back(std::string(text) + more);
}

}  // namespace

double multipathActivity(double p0Fraction) {
    return 1.0 - std::exp(-0.2 * std::pow(p0Fraction, 0.75));
}

ClearAirXpd clearAirXpdOutage(const ClearAirXpdInputs& in) {
    ClearAirXpd out;
    out.xpd0Db = in.xpdgDb <= 35.0 ? in.xpdgDb + 5.0 : 40.0;
    out.eta = multipathActivity(in.p0Fraction);
    if (in.txAntennas == 2) {
        const double lambda = kSpeedOfLightMGHz / in.frequencyGHz;
        const double ratio = in.txSeparationM / lambda;
        out.kxp = 1.0 - 0.3 * std::exp(-4e-6 * ratio * ratio);
    } else {
        out.kxp = 0.7;
    }
    out.qDb = -10.0 * std::log10(out.kxp * out.eta / in.p0Fraction);
    out.cDb = out.xpd0Db + out.qDb;
    out.marginDb = out.cDb - in.c0iDb + in.xpifDb;
    out.fraction = std::min(in.p0Fraction * std::pow(10.0, -out.marginDb / 10.0), 1.0);
    return out;
}

PrecipitationXpd precipitationXpdOutage(double a001Db, double f, double c0iDb, double xpifDb,
                                        double u0Db) {
    PrecipitationXpd out;
    out.uDb = u0Db + 30.0 * std::log10(f);
    out.frequencyOutside = f < 8.0 || f > 35.0;
    const double fv = std::clamp(f, 8.0, 35.0);
    out.v = fv <= 20.0 ? 12.8 * std::pow(fv, 0.19) : 22.6;
    out.apDb = std::pow(10.0, (out.uDb - c0iDb + xpifDb) / out.v);
    out.m = std::min(23.26 * std::log10(out.apDb / (0.12 * a001Db)), 40.0);
    out.n = (-12.7 + std::sqrt(161.23 - 4.0 * out.m)) / 2.0;
    out.nBelowRange = out.n < -3.0;
    out.nAboveRange = out.n > 0.0;
    out.fraction = std::min(std::pow(10.0, out.n - 2.0), 1.0);
    return out;
}

double meanTimeDelayNs(double pathKm) { return 0.7 * std::pow(pathKm / 50.0, 1.3); }

double selectiveOutage(double eta, double pathKm, const Signature& mp, const Signature& nmp) {
    const double tm = meanTimeDelayNs(pathKm);
    auto term = [&](const Signature& s) {
        return s.widthMHz / 1000.0 * std::pow(10.0, -s.depthDb / 20.0) * tm * tm /
               std::abs(s.delayNs);
    };
    return std::min(2.15 * eta * (term(mp) + term(nmp)), 1.0);
}

double selectiveOutageKn(double eta, double pathKm, double knM, double knNm, double baudNs) {
    const double tm = meanTimeDelayNs(pathKm);
    return std::min(2.15 * eta * (knM + knNm) * tm * tm / (baudNs * baudNs), 1.0);
}

double spaceDiversityImprovement(double s, double v, double f, double d, double p0, double a) {
    const double exponent =
        -3.34e-4 * std::pow(s, 0.87) * std::pow(f, -0.12) * std::pow(d, 0.48) * std::pow(p0, -1.04);
    return (1.0 - std::exp(exponent)) * std::pow(10.0, (a - v) / 10.0);
}

double frequencyDiversityImprovement(double df, double f, double d, double a) {
    df = std::min(df, 0.5);
    return 80.0 / (f * d) * (df / f) * std::pow(10.0, a / 10.0);
}

DiversityOutage diversityOutage(double eta, double pns, double improvement, double ps) {
    DiversityOutage out;
    out.improvement = improvement;
    out.kns2 = 1.0 - improvement * pns / eta;
    const double one = std::max(1.0 - out.kns2, 0.0);
    out.rw = out.kns2 <= 0.26 ? 1.0 - 0.9746 * std::pow(one, 2.170)
                              : 1.0 - 0.6921 * std::pow(one, 1.034);
    if (out.rw <= 0.5) {
        out.ks2 = 0.8238;
    } else if (out.rw <= 0.9628) {
        const double x = 1.0 - out.rw;
        out.ks2 = 1.0 - 0.195 * std::pow(x, 0.109 - 0.13 * std::log10(x));
    } else {
        out.ks2 = 1.0 - 0.3957 * std::pow(1.0 - out.rw, 0.5136);
    }
    out.pdns = pns / improvement;
    out.pds = ps * ps / (eta * (1.0 - out.ks2));
    out.fraction =
        std::min(std::pow(std::pow(out.pds, 0.75) + std::pow(out.pdns, 0.75), 4.0 / 3.0), 1.0);
    return out;
}

TwoWayOutage twoWayOutage(double ab, double ba) {
    TwoWayOutage out;
    const double sum = ab + ba;
    out.capped = sum > 100.0;
    out.outagePercent = std::min(sum, 100.0);
    out.availabilityPercent = 100.0 - out.outagePercent;
    out.outageMinutesPerYear = out.outagePercent / 100.0 * kMinutesInYear;
    out.worseDirection = ba > ab ? 1 : 0;
    return out;
}

OutageModel::OutageModel(const FadingStatistics& fading, const OutageOptions& options)
    : fading_(fading), options_(options) {
    clearAirStatistics_ = fading_.method == MultipathMethod::P530 && fading_.multipathAssessed &&
                          fading_.p0Percent > 0;
    if (clearAirStatistics_) eta_ = multipathActivity(fading_.p0Percent / 100.0);
    if (fading_.method == MultipathMethod::P530) yearFactor_ = std::pow(10.0, -fading_.dG / 10.0);
    if (options_.diversity == DiversityKind::Space && clearAirStatistics_) {
        // The improvement at F is this times 10^((F - V) / 10).
        spaceDiversityBase_ =
            spaceDiversityImprovement(options_.diversitySeparationM, 0, fading_.frequencyGHz,
                                      fading_.pathKm, fading_.p0Percent, 0);
    }
}

OutageParts OutageModel::parts(double margin, const RadioMode& mode,
                               std::vector<std::string>* flags) const {
    if (!(margin > 0)) {
        OutageParts p;
        p.marginDb = margin;
        p.closes = false;
        p.totalPercent = 100;
        p.clearAirYearPercent = 100;
        flag(flags, "the mode does not close: fade margin of 0 dB or less, no fading model run");
        return p;
    }
    return partsWith(margin, constants(mode, flags), flags);
}

OutageModel::ModeConstants OutageModel::constants(const RadioMode& mode,
                                                  std::vector<std::string>* flags) const {
    ModeConstants k;
    const FadingStatistics& f = fading_;
    const OutageOptions& o = options_;
    const char* noP0 = f.method == MultipathMethod::VigantsBarnett
                           ? "Vigants-Barnett gives no multipath occurrence P0"
                           : "the multipath method is not assessed on this path";

    // Selective.
    const std::optional<Signature>& sm =
        o.signatureMinimum ? o.signatureMinimum : mode.signatureMinimum;
    const std::optional<Signature>& snm =
        o.signatureNonMinimum ? o.signatureNonMinimum : mode.signatureNonMinimum;
    if (sm || snm) {
        if (!clearAirStatistics_) {
            flag(flags, "selective outage not assessed: ", noP0);
        } else {
            const Signature none{};
            k.selective = selectiveOutage(eta_, f.pathKm, sm ? *sm : none, snm ? *snm : none);
        }
    } else {
        flag(flags, "selective outage not assessed: signature not given");
    }

    // Cross-polar discrimination, only in co-channel dual-polarised operation.
    const std::optional<double> c0i = o.c0iDb ? o.c0iDb : mode.c0iDb;
    const double xpif = o.xpifDb.value_or(0.0);
    if (!o.xpdgDb) {
        if (o.c0iDb || o.xpifDb || o.txAntennas != 1) {
            flag(flags,
                 "cross-polar outage not assessed: single polarisation (no antenna XPD given)");
        }
        return k;
    }
    if (!c0i) {
        flag(flags, "cross-polar outage not assessed: C0/I not given");
        return k;
    }
    if (!clearAirStatistics_) {
        flag(flags, "clear-air cross-polar outage not assessed: ", noP0);
    } else {
        ClearAirXpdInputs in;
        in.xpdgDb = *o.xpdgDb;
        in.c0iDb = *c0i;
        in.xpifDb = xpif;
        in.txAntennas = o.txAntennas;
        in.txSeparationM = o.txSeparationM;
        in.frequencyGHz = f.frequencyGHz;
        in.p0Fraction = f.p0Percent / 100.0;
        k.xpd = clearAirXpdOutage(in);
    }
    if (!f.rain || !(f.a001Db > 0)) {
        flag(flags, "rain cross-polar outage not assessed: no rain attenuation");
        return k;
    }
    k.xpr = precipitationXpdOutage(f.a001Db, f.frequencyGHz, *c0i, xpif, o.u0Db);
    if (k.xpr->frequencyOutside) {
        flag(flags,
             "rain cross-polar outage: frequency outside the method's range (8 to 35 GHz), V "
             "taken at the nearer end");
    }
    if (k.xpr->nBelowRange) {
        flag(flags, "rain cross-polar outage: n below -3, outage below 1e-5 kept");
    }
    if (k.xpr->nAboveRange) {
        flag(flags, "rain cross-polar outage: n above 0, outside the method's range");
    }
    return k;
}

OutageParts OutageModel::partsWith(double margin, const ModeConstants& k,
                                   std::vector<std::string>* flags) const {
    OutageParts p;
    p.marginDb = margin;
    p.selective = k.selective;
    p.xpd = k.xpd;
    p.xpr = k.xpr;
    const FadingStatistics& f = fading_;
    const OutageOptions& o = options_;

    // Non-selective: the annual figure exactly as the multipath model gives it.
    if (f.multipathAssessed) {
        if (f.method == MultipathMethod::VigantsBarnett) {
            p.nonSelectiveYearPercent =
                std::min(100.0 * f.vbScale * std::pow(10.0, -margin / 10.0), 100.0);
        } else {
            p.nonSelectiveYearPercent = annualFadePercent(f.p0Percent, margin, f.dG);
            p.nonSelective = worstMonthFadePercent(f.p0Percent, margin) / 100.0;
        }
    }

    // Diversity.
    if (o.diversity != DiversityKind::None) {
        if (!clearAirStatistics_) {
            flag(flags, "diversity not assessed: ",
                 f.method == MultipathMethod::VigantsBarnett
                     ? "Vigants-Barnett gives no multipath occurrence P0"
                     : "the multipath method is not assessed on this path");
        } else {
            double improvement = 0;
            const double d = f.pathKm, fr = f.frequencyGHz;
            if (o.diversity == DiversityKind::Space) {
                const double s = o.diversitySeparationM;
                improvement = spaceDiversityBase_ *
                              std::pow(10.0, (margin - o.diversityGainDifferenceDb) / 10.0);
                if (d < 43 || d > 240 || fr < 2 || fr > 11 || s < 3 || s > 23) {
                    flag(flags,
                         "space diversity outside the method's stated range (43 to 240 km, 2 to "
                         "11 GHz, 3 to 23 m)");
                }
            } else {
                const double df = o.diversityFrequencySeparationGHz;
                improvement = frequencyDiversityImprovement(df, fr, d, margin);
                if (df > 0.5) flag(flags, "frequency separation above 0.5 GHz: 0.5 GHz used");
                if (fr < 2 || fr > 11 || d < 30 || d > 70 || std::min(df, 0.5) / fr > 0.05) {
                    flag(flags,
                         "frequency diversity outside the method's stated range (2 to 11 GHz, 30 "
                         "to 70 km, separation at most 5 %)");
                }
            }
            if (improvement < 1) {
                flag(flags, "diversity improvement below 1 (heavy multipath), used as it is");
            }
            p.diversity =
                diversityOutage(eta_, *p.nonSelective, improvement, p.selective.value_or(0.0));
        }
    }

    // Totals: the clear air of the worst month and of the year, the rain of the year.
    const double xp = p.xpd ? p.xpd->fraction : 0.0;
    if (p.diversity) {
        p.clearAirWorstMonthPercent = 100.0 * (p.diversity->fraction + xp);
        p.clearAirYearPercent = 100.0 * (p.diversity->fraction + xp) * yearFactor_;
    } else {
        const double extra = p.selective.value_or(0.0) + xp;
        if (p.nonSelective) p.clearAirWorstMonthPercent = 100.0 * (*p.nonSelective + extra);
        p.clearAirYearPercent = p.nonSelectiveYearPercent + 100.0 * extra * yearFactor_;
    }
    if (f.rain) {
        const RainOutage r = rainOutagePercent(f.a001Db, f.law, margin);
        p.rainPercent = r.percent;
        p.rainOutsideRange = r.outsideRange;
    }
    p.rainYearPercent = p.xpr ? std::max(p.rainPercent, 100.0 * p.xpr->fraction) : p.rainPercent;
    const double sum = p.clearAirYearPercent + p.rainYearPercent;
    p.capped = sum > 100.0;
    p.totalPercent = std::min(sum, 100.0);
    return p;
}

double OutageModel::ownMargin(double percent, bool guess) const {
    double m = 0;
    const FadingStatistics& f = fading_;
    if (f.rain && f.a001Db > 0) {
        m = std::max(m, rainAttenuationExceeded(f.a001Db, f.law, percent).attenuationDb);
    }
    // With diversity the non-selective part no longer bounds the total from below.
    if (!f.multipathAssessed || (options_.diversity != DiversityKind::None && !guess)) return m;
    if (f.method == MultipathMethod::VigantsBarnett && f.vbScale > 0) {
        m = std::max(m, 10.0 * std::log10(100.0 * f.vbScale / percent));
    } else if (f.method == MultipathMethod::P530 && f.p0Percent > 0) {
        const double deep = 10.0 * std::log10(std::pow(10.0, -f.dG / 10.0) * f.p0Percent / percent);
        if (deep >= 25.0 + 1.2 * std::log10(f.p0Percent)) m = std::max(m, deep);
    }
    return m;
}

// The root of log(total) - log(allowed) is bracketed from the parts' own margins and narrowed
// by regula falsi (Illinois variant) until only a couple of hundredths remain, which are then
// tried themselves: a handful of evaluations where bisection needs twenty.
std::optional<double> OutageModel::requiredMargin(double allowed, const RadioMode& mode) const {
    const double logAllowed = std::log10(allowed);
    const ModeConstants k = constants(mode, nullptr);
    auto g = [&](double margin) {
        return std::log10(std::max(totalWith(margin, k), 1e-300)) - logAllowed;
    };
    double lo = 0;
    double glo = 0;
    const double own = ownMargin(allowed);
    if (own > 0) {
        const double gown = g(own);
        if (gown <= 0) return roundedUp(std::nextafter(own, 0.0), own, allowed, k);
        lo = own;
        glo = gown;
    } else {
        glo = g(0);
        if (glo <= 0) return 0.0;
    }
    double hi = std::max(ownMargin(allowed / 2.0, true), lo + 0.5);
    double ghi = g(hi);
    while (ghi > 0) {
        lo = hi;
        glo = ghi;
        hi = 2.0 * hi + 1.0;
        if (hi > 1000) return std::nullopt;
        ghi = g(hi);
    }
    int side = 0;
    for (int i = 0; i < 200; ++i) {
        // Hundredths strictly above lo (which fails) up to the first at or above hi; the 1e-7
        // absorbs the representation error of a hundredth tried before.
        const double first = std::floor(lo * 100.0 + 1e-7) + 1.0;
        const double last = std::ceil(hi * 100.0 - 1e-7);
        if (first >= last) return last / 100.0;
        double x = 0;
        if (last - first <= 2) {
            x = first / 100.0;
        } else {
            x = hi - ghi * (hi - lo) / (ghi - glo);
            if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
        }
        const double gx = g(x);
        if (gx > 0) {
            lo = x;
            glo = gx;
            if (side == -1) ghi /= 2;
            side = -1;
        } else {
            hi = x;
            ghi = gx;
            if (side == 1) glo /= 2;
            side = 1;
        }
    }
    return roundedUp(lo, hi, allowed, k);
}

double OutageModel::roundedUp(double fails, double meets, double allowed,
                              const ModeConstants& k) const {
    double hundredths = std::ceil(fails * 100.0);
    while (hundredths / 100.0 < meets && totalWith(hundredths / 100.0, k) > allowed) {
        hundredths += 1;
    }
    return hundredths / 100.0;
}

Result<OutageResult> computeOutage(const OutageInputs& in) {
    auto invalid = [](const std::string& input, std::string detail) {
        Error e{ErrorKind::InvalidArgument};
        e.input = input;
        e.detail = std::move(detail);
        return e;
    };
    const OutageOptions& o = in.options;
    if (!(in.fading.frequencyGHz > 0)) return invalid("Frequency", "must be more than 0 GHz");
    if (!(in.fading.pathKm > 0)) return invalid("Path length", "must be more than 0 km");
    if (!std::isfinite(in.rslDbm)) return invalid("Received signal level", "is not a number");
    if (o.modes.empty() && !std::isfinite(in.thresholdDbm)) {
        return invalid("Receiver threshold", "is not a number");
    }
    for (const RadioMode& m : o.modes) {
        if (!std::isfinite(m.thresholdDbm) || !std::isfinite(m.capacityMbps)) {
            return invalid("Radio mode \"" + m.name + "\"",
                           "has a threshold or capacity that is not a number");
        }
    }
    if (o.txAntennas != 1 && o.txAntennas != 2)
        return invalid("Transmit antennas", "is not 1 or 2");
    if (o.txAntennas == 2 && !(o.txSeparationM > 0)) {
        return invalid("Transmit antenna separation", "must be more than 0 m");
    }
    if (o.diversity == DiversityKind::Space && !(o.diversitySeparationM > 0)) {
        return invalid("Diversity separation", "must be more than 0 m");
    }
    if (o.diversity == DiversityKind::Frequency && !(o.diversityFrequencySeparationGHz > 0)) {
        return invalid("Frequency separation", "must be more than 0 GHz");
    }
    if (!(in.targetPercent > 0 && in.targetPercent < 100)) {
        return invalid("Target availability", "must be more than 0 and less than 100 %");
    }
    return computeOutage(OutageModel(in.fading, in.options), in.rslDbm, in.thresholdDbm,
                         in.targetPercent);
}

OutageResult computeOutage(const OutageModel& model, double rslDbm, double thresholdDbm,
                           double targetPercent) {
    const OutageOptions& options = model.options();
    OutageResult out;
    out.extended = options.extended();
    std::vector<RadioMode> modes = options.modes;
    if (modes.empty()) modes.push_back(RadioMode{"threshold", 0, thresholdDbm, {}, {}, {}});
    std::stable_sort(modes.begin(), modes.end(), [](const RadioMode& a, const RadioMode& b) {
        return a.thresholdDbm < b.thresholdDbm;
    });
    out.modes.reserve(modes.size());
    double previous = 100.0;
    for (RadioMode& mode : modes) {
        ModeOutage m;
        m.fadeMarginDb = rslDbm - mode.thresholdDbm;
        m.parts = model.parts(m.fadeMarginDb, mode, &m.flags);
        m.outagePercent = m.parts.totalPercent;
        m.availabilityPercent = 100.0 - m.outagePercent;
        if (m.availabilityPercent > previous) {
            // A mode is never available for longer than a more robust one.
            m.availabilityPercent = previous;
            m.outagePercent = 100.0 - previous;
            m.flags.push_back("availability limited to that of the more robust mode below it");
        }
        if (m.parts.capped) m.flags.push_back("total outage above 100 %, reported as 100 %");
        previous = m.availabilityPercent;
        m.outageMinutesPerYear = (100.0 - m.availabilityPercent) / 100.0 * kMinutesInYear;
        m.mode = std::move(mode);
        out.modes.push_back(std::move(m));
    }
    for (std::size_t i = 0; i < out.modes.size(); ++i) {
        ModeOutage& m = out.modes[i];
        m.timeInModePercent = i + 1 < out.modes.size()
                                  ? m.availabilityPercent - out.modes[i + 1].availabilityPercent
                                  : m.availabilityPercent;
        out.meanCapacityMbps += m.mode.capacityMbps * m.timeInModePercent / 100.0;
        if (m.availabilityPercent >= targetPercent) out.targetMode = i;
    }
    out.models.push_back(kOutageModelName);
    return out;
}

}  // namespace hopscale::propagation
