#include "link_performance.h"

#include <GeographicLib/Config.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "coordinates.h"
#include "multipath.h"
#include "rain.h"

namespace hopscale::propagation {
namespace {

Error needs(const char* input, std::string detail) {
    Error e{ErrorKind::InvalidArgument};
    e.input = input;
    e.detail = std::move(detail);
    return e;
}

// Everything the fading outage at a margin F depends on, computed once per hop.
struct FadingModel {
    bool rain = false;
    double a001Db = 0;
    RainPowerLaw law;  // of the hop's frequency

    MultipathMethod method = MultipathMethod::VigantsBarnett;
    bool multipathAssessed = true;
    double vbScale = 0;  // a b 2.5e-6 f D^3
    double p0 = 0, dG = 0;

    double rainPercent(double margin) const {
        if (!rain) return 0;
        return rainOutagePercent(a001Db, law, margin).percent;
    }
    double multipathPercent(double margin) const {
        if (!multipathAssessed) return 0;
        if (method == MultipathMethod::VigantsBarnett) {
            return std::min(100.0 * vbScale * std::pow(10.0, -margin / 10.0), 100.0);
        }
        return annualFadePercent(p0, margin, dG);
    }
    double total(double margin) const {
        return std::min(rainPercent(margin) + multipathPercent(margin), 100.0);
    }

    // The margin each fading part would need on its own to stay within `percent` (closed
    // forms; 0 where there is none). The total needs at least the larger of them.
    double ownMargin(double percent) const {
        double m = 0;
        if (rain && a001Db > 0) {
            m = std::max(m, rainAttenuationExceeded(a001Db, law, percent).attenuationDb);
        }
        if (multipathAssessed && method == MultipathMethod::VigantsBarnett && vbScale > 0) {
            m = std::max(m, 10.0 * std::log10(100.0 * vbScale / percent));
        } else if (multipathAssessed && method == MultipathMethod::P530 && p0 > 0) {
            const double deep = 10.0 * std::log10(std::pow(10.0, -dG / 10.0) * p0 / percent);
            if (deep >= 25.0 + 1.2 * std::log10(p0)) m = std::max(m, deep);
        }
        return m;
    }

    // The smallest margin, in whole hundredths of a dB, whose outage is at most `allowed` %;
    // empty when even 1000 dB does not reach it. The root of log(total) - log(allowed) is
    // bracketed from the parts' own margins and narrowed by regula falsi (Illinois variant)
    // until only a couple of hundredths remain, which are then tried themselves: a handful of
    // evaluations where bisection needs twenty.
    std::optional<double> requiredMargin(double allowed) const {
        const double logAllowed = std::log10(allowed);
        auto g = [&](double margin) {
            return std::log10(std::max(total(margin), 1e-300)) - logAllowed;
        };
        // A bracket: lo fails the target, hi meets it.
        double lo = 0;
        double glo = 0;
        const double own = ownMargin(allowed);
        if (own > 0) {
            // That part alone exceeds `allowed` at any smaller margin, so 0 fails.
            const double gown = g(own);
            if (gown <= 0) return roundedUp(std::nextafter(own, 0.0), own, allowed);
            lo = own;
            glo = gown;
        } else {
            glo = g(0);
            if (glo <= 0) return 0.0;
        }
        double hi = std::max(ownMargin(allowed / 2.0), lo + 0.5);
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
            // Hundredths strictly above lo (which fails) up to the first at or above hi; the
            // 1e-7 absorbs the representation error of a hundredth tried before.
            const double first = std::floor(lo * 100.0 + 1e-7) + 1.0;
            const double last = std::ceil(hi * 100.0 - 1e-7);
            if (first >= last) return last / 100.0;
            double x = 0;
            if (last - first <= 2) {
                x = first / 100.0;  // close: decide the hundredths themselves
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
        return roundedUp(lo, hi, allowed);
    }

    // The first whole hundredth from `fails` on that meets `allowed` (`meets` does).
    double roundedUp(double fails, double meets, double allowed) const {
        double hundredths = std::ceil(fails * 100.0);
        while (hundredths / 100.0 < meets && total(hundredths / 100.0) > allowed) hundredths += 1;
        return hundredths / 100.0;
    }
};

}  // namespace

Result<LinkBudgetFacts> budgetFacts(const PathState& state) {
    LinkBudgetFacts facts;
    facts.receiveSignalLevelDbm = state.results.receiveSignalLevel;
    facts.frequencyGHz = state.values.frequencyGHz;
    facts.pathLengthMiles = state.results.pathLengthMiles;
    const CapturedValues& c = state.captured;
    if (c.fromLatitudePacked != 0) {
        Result<double> lat1 = dmsToDegrees(c.fromLatitudePacked, Field::Text5, true);
        if (!lat1) return *lat1.error;
        Result<double> lon1 = dmsToDegrees(c.fromLongitudePacked, Field::Text6, false);
        if (!lon1) return *lon1.error;
        Result<double> lat2 = dmsToDegrees(c.toLatitudePacked, Field::Text7, true);
        if (!lat2) return *lat2.error;
        Result<double> lon2 = dmsToDegrees(c.toLongitudePacked, Field::Text9, false);
        if (!lon2) return *lon2.error;
        facts.ends = PathEnds{*lat1, -*lon1, *lat2, -*lon2};
        facts.coordinateDistanceMiles = state.results.coordinateDistance;
    }
    return facts;
}

Result<LinkPerformance> computeLinkPerformance(const LinkBudgetFacts& facts,
                                               const LinkConditions& c) {
    if (!(facts.frequencyGHz > 0)) return needs("Frequency", "must be more than 0 GHz");
    if (!(facts.pathLengthMiles > 0)) return needs("Path length", "must be more than 0");
    const double f = facts.frequencyGHz;

    LinkPerformance out;
    out.models.reserve(6);
    out.pathKm = facts.pathLengthMiles * kKmPerMile;
    const double d = out.pathKm;

    // Path on the ellipsoid.
    std::optional<GeodesicPath> geo;
    if (facts.ends) {
        // The centre is needed for a rain map, and for P.530 without a typed latitude.
        const bool needCentre = c.rainSource == RainSource::Map ||
                                (c.multipath == MultipathMethod::P530 && !c.centreLatitudeDeg);
        if (facts.geodesic && (!needCentre || facts.geodesicHasCentre)) {
            geo = *facts.geodesic;
        } else {
            geo = geodesicPath(*facts.ends, needCentre);
        }
        GeodesicResult g;
        g.km = geo->lengthM / 1000.0;
        g.azimuthFromDeg = geo->azimuthFromDeg;
        g.azimuthToDeg = geo->azimuthToDeg;
        g.flatDifferenceM = facts.coordinateDistanceMiles * kKmPerMile * 1000.0 - geo->lengthM;
        g.flatDifferencePercent = geo->lengthM > 0 ? 100.0 * g.flatDifferenceM / geo->lengthM : 0;
        out.geodesic = g;
        static const std::string geodesicModel =
            std::string(kGeodesicModelName) + " " + GEOGRAPHICLIB_VERSION_STRING;
        out.models.push_back(geodesicModel);
    }
    // The path-centre latitude: typed, else the geodesic's centre.
    const bool haveCentreLatitude = c.centreLatitudeDeg.has_value() || geo.has_value();
    const double centreLatitude =
        c.centreLatitudeDeg ? *c.centreLatitudeDeg : (geo ? geo->centreLatitudeDeg : 0.0);

    // Levels.
    out.gasDbPerKm = c.gas->specific(f).totalDbPerKm;
    out.gasDb = out.gasDbPerKm * d;
    out.models.push_back(c.gasModelText);
    out.extraLossDb = c.extraLossDb;
    if (!c.extraLossText.empty()) out.models.push_back(c.extraLossText);
    out.rslDbm = facts.receiveSignalLevelDbm - out.gasDb - c.extraLossDb;
    out.thresholdDbm = c.thresholdDbm;
    out.flatFadeMarginDb = out.rslDbm - c.thresholdDbm;
    out.closes = out.flatFadeMarginDb > 0;

    FadingModel fading;

    // Rain.
    if (c.rainSource != RainSource::None) {
        RainResult r;
        switch (c.rainSource) {
            case RainSource::Rate:
                r.rainRateMmH = c.rainRateMmH;
                r.source = c.rainSourceText;
                break;
            case RainSource::Zone:
                r.rainRateMmH = c.rainRateMmH;
                r.source = c.rainSourceText;
                break;
            case RainSource::Map: {
                if (!geo) {
                    return needs(conditionInputInfo(ConditionInput::RainMap).caption,
                                 "needs the end coordinates to find the path centre");
                }
                r.rainRateMmH =
                    c.rainMap->rateAt(geo->centreLatitudeDeg, geo->centreLongitudeEastDeg);
                r.source = "R0.01 " + modelNumber(r.rainRateMmH) + " mm/h, ITU-R P.837-7 map \"" +
                           c.rainMap->path() + "\" at " + modelNumber(geo->centreLatitudeDeg) +
                           ", " + modelNumber(geo->centreLongitudeEastDeg) + " (north, east)";
                break;
            }
            case RainSource::None:
                break;
        }
        const RainCoefficients k = rainCoefficients(f, c.polarisationTiltDeg, 0.0);
        r.k = k.k;
        r.alpha = k.alpha;
        r.dbPerKm = rainSpecificAttenuation(k, r.rainRateMmH);
        r.r = rainDistanceFactor(d, r.rainRateMmH, k.alpha, f);
        r.a001Db = r.dbPerKm * r.r * d;
        if (f < 1 || f > 100) r.flags.push_back("frequency outside the method's 1 to 100 GHz");
        if (d > 60) r.flags.push_back("path longer than the method's 60 km");
        fading.rain = true;
        fading.a001Db = r.a001Db;
        fading.law = rainPowerLaw(f);
        if (out.closes) {
            const RainOutage o = rainOutagePercent(r.a001Db, fading.law, out.flatFadeMarginDb);
            r.outagePercent = o.percent;
            if (o.outsideRange) {
                r.flags.push_back("outage outside the method's range (0.001 to 1 %)");
            }
        }
        out.models.push_back(c.rainCoefficientText);
        out.models.push_back(std::string(kRainPathModelName) + ", " + r.source);
        out.rain = std::move(r);
    }

    // Multipath.
    MultipathResult& m = out.multipath;
    fading.method = c.multipath;
    if (c.multipath == MultipathMethod::VigantsBarnett) {
        m.method = kVigantsBarnettName;
        const double miles = facts.pathLengthMiles;
        fading.vbScale = c.terrainFactor * c.climateFactor * 2.5e-6 * f * miles * miles * miles;
        out.models.push_back(c.multipathModelText);
        if (out.closes) {
            const double u = vigantsBarnettFraction(c.terrainFactor, c.climateFactor, f, miles,
                                                    out.flatFadeMarginDb);
            m.annualPercent = std::min(100.0 * u, 100.0);
            if (u > 1) m.flags.push_back("Vigants-Barnett outage above 100 %, reported as 100 %");
        }
        m.flags.push_back("worst month not given by Vigants-Barnett");
    } else {
        m.method = kMultipathModelName;
        out.models.push_back(c.multipathModelText);
        if (d < 5) {
            fading.multipathAssessed = false;
            m.flags.push_back("not assessed: the method is stated for paths of 5 km or more");
        } else {
            if (!haveCentreLatitude) {
                return needs(conditionInputInfo(ConditionInput::CentreLatitude).caption,
                             "is needed by the P.530-18 multipath method when the end "
                             "coordinates are not given");
            }
            MultipathPath mp;
            mp.pathKm = d;
            mp.frequencyGHz = f;
            mp.emitterHeightM = c.groundFromM + c.antennaFromM;
            mp.receiverHeightM = c.groundToM + c.antennaToM;
            mp.meanTerrainM = c.meanTerrainM;
            mp.geoclimaticK = c.geoclimaticK;
            mp.dN75 = c.dN75;
            const MultipathGeometry g = multipathGeometry(mp);
            fading.p0 = multipathOccurrencePercent(mp);
            fading.dG = worstMonthToYearDb(centreLatitude, d, g.inclinationMrad);
            m.occurrenceP0Percent = fading.p0;
            if (out.closes) {
                m.worstMonthPercent = worstMonthFadePercent(fading.p0, out.flatFadeMarginDb);
                m.annualPercent = annualFadePercent(fading.p0, out.flatFadeMarginDb, fading.dG);
            }
        }
    }

    // Totals.
    if (out.closes) {
        out.outagePercent = fading.total(out.flatFadeMarginDb);
        if ((out.rain && out.rain->outagePercent ? *out.rain->outagePercent : 0) +
                m.annualPercent.value_or(0) >
            100) {
            out.flags.push_back("total outage above 100 %, reported as 100 %");
        }
    } else {
        out.outagePercent = 100;
        out.flags.push_back(
            "the hop does not close: flat fade margin of 0 dB or less, no fading model run");
    }
    out.availabilityPercent = 100.0 - out.outagePercent;
    out.outageMinutesPerYear = out.outagePercent / 100.0 * kMinutesPerYear;

    out.target.percent = c.targetPercent;
    const double allowed = 100.0 - c.targetPercent;
    out.target.met = out.closes && out.outagePercent <= allowed;
    if (const std::optional<double> need = fading.requiredMargin(allowed)) {
        out.target.requiredMarginDb = *need;
    } else {
        out.target.requiredMarginDb = std::numeric_limits<double>::infinity();
        out.flags.push_back("no fade margin up to 1000 dB meets the target");
    }
    return out;
}

Result<LinkPerformance> computeLinkPerformance(const PathState& state,
                                               const LinkConditions& conditions) {
    Result<LinkBudgetFacts> facts = budgetFacts(state);
    if (!facts) return *facts.error;
    return computeLinkPerformance(*facts.value, conditions);
}

}  // namespace hopscale::propagation
