#include "link_performance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

}  // namespace

Result<LinkBudgetFacts> budgetFacts(const PathState& state) {
    LinkBudgetFacts facts;
    facts.receiveSignalLevelDbm = state.results.receiveSignalLevel;
    facts.frequencyGHz = state.values.frequencyGHz;
    facts.pathLengthMiles = state.results.pathLengthMiles;
    const CapturedValues& c = state.captured;
    if (c.fromLatitudePacked != 0) {
        Result<PathEnds> ends = packedEnds(c.fromLatitudePacked, c.fromLongitudePacked,
                                           c.toLatitudePacked, c.toLongitudePacked);
        if (!ends) return *ends.error;
        facts.ends = *ends.value;
        facts.coordinateDistanceMiles = state.results.coordinateDistance;
    }
    return facts;
}

Result<LinkPerformance> computeLinkPerformance(const LinkBudgetFacts& facts,
                                               const LinkConditions& c) {
    if (!(facts.frequencyGHz > 0)) return needs("Frequency", "must be more than 0 GHz");
    if (!(facts.pathLengthMiles > 0)) return needs("Path length", "must be more than 0");
    if ((!c.radioName.empty() || !c.rxRadioName.empty()) && c.outage.modes.empty()) {
        return needs(conditionInputInfo(ConditionInput::Radio).caption,
                     "names a radio whose modes were not looked up");
    }
    const double f = facts.frequencyGHz;

    LinkPerformance out;
    out.models.reserve(6);
    out.pathKm = facts.pathLengthMiles * kKmPerSurveyMile;
    const double d = out.pathKm;

    // Path on the ellipsoid.
    std::optional<GeodesicPath> geo;
    if (facts.ends) {
        // The centre is needed for a rain map, and for P.530 without a typed latitude.
        const bool needCentre = c.rainSource == RainSource::Map || c.logKMap || c.dN75Map ||
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
        g.flatDifferenceM =
            facts.coordinateDistanceMiles * kKmPerSurveyMile * 1000.0 - geo->lengthM;
        g.flatDifferencePercent = geo->lengthM > 0 ? 100.0 * g.flatDifferenceM / geo->lengthM : 0;
        out.geodesic = g;
        out.models.push_back(geodesicModelText());
    }
    // The path-centre latitude: typed, else the geodesic's centre.
    const bool haveCentreLatitude = c.centreLatitudeDeg.has_value() || geo.has_value();
    const double centreLatitude =
        c.centreLatitudeDeg ? *c.centreLatitudeDeg : (geo ? geo->centre.latitudeDeg : 0.0);

    // Levels.
    out.gasDbPerKm = c.gas->specific(f).totalDbPerKm;
    out.gasDb = out.gasDbPerKm * d;
    out.models.push_back(c.gasModelText);
    out.extraLossDb = c.extraLossDb;
    if (!c.extraLossText.empty()) out.models.push_back(c.extraLossText);
    out.rslDbm = facts.receiveSignalLevelDbm - out.gasDb - c.extraLossDb;
    // The link's threshold is its most robust mode's.
    double threshold = c.thresholdDbm;
    for (std::size_t i = 0; i < c.outage.modes.size(); ++i) {
        if (i == 0 || c.outage.modes[i].thresholdDbm < threshold) {
            threshold = c.outage.modes[i].thresholdDbm;
        }
    }
    out.thresholdDbm = threshold;
    out.flatFadeMarginDb = out.rslDbm - threshold;
    out.closes = out.flatFadeMarginDb > 0;

    FadingStatistics& fading = out.fading;
    fading.frequencyGHz = f;
    fading.pathKm = d;

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
                    c.rainMap->rateAt(geo->centre.latitudeDeg, geo->centre.longitudeEastDeg);
                r.source = "R0.01 " + modelNumber(r.rainRateMmH) + " mm/h, ITU-R P.837-7 map \"" +
                           c.rainMap->path() + "\" at " + modelNumber(geo->centre.latitudeDeg) +
                           ", " + modelNumber(geo->centre.longitudeEastDeg) + " (north, east)";
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
            for (const auto* map : {c.logKMap.get(), c.dN75Map.get()}) {
                if (map == nullptr) continue;
                const char* caption =
                    conditionInputInfo(map == c.logKMap.get() ? ConditionInput::LogKMap
                                                              : ConditionInput::DN75Map)
                        .caption;
                if (!geo)
                    return needs(caption, "needs the end coordinates to find the path centre");
                Result<double> v =
                    map->valueAt(geo->centre.latitudeDeg, geo->centre.longitudeEastDeg);
                if (!v) {
                    Error e = *v.error;
                    e.input = caption;
                    return e;
                }
                (map == c.logKMap.get() ? mp.geoclimaticK : mp.dN75) =
                    map == c.logKMap.get() ? std::pow(10.0, *v) : *v;
            }
            m.geoclimaticK = mp.geoclimaticK;
            m.dN75 = mp.dN75;
            m.fromMaps = c.logKMap || c.dN75Map;
            const MultipathGeometry g = multipathGeometry(mp);
            fading.p0Percent = multipathOccurrencePercent(mp);
            fading.dG = worstMonthToYearDb(centreLatitude, d, g.inclinationMrad);
            m.occurrenceP0Percent = fading.p0Percent;
            if (out.closes) {
                m.worstMonthPercent = worstMonthFadePercent(fading.p0Percent, out.flatFadeMarginDb);
                m.annualPercent =
                    annualFadePercent(fading.p0Percent, out.flatFadeMarginDb, fading.dG);
            }
        }
    }

    // Every mode, and the link's totals from the most robust one.
    const OutageModel model(fading, c.outage);
    out.outage = computeOutage(model, out.rslDbm, c.thresholdDbm, c.targetPercent);
    if (c.outage.extended()) out.models.push_back(kOutageModelName);
    const ModeOutage& lowest = out.outage.modes.front();
    if (out.closes) {
        out.outagePercent = lowest.parts.totalPercent;
        if ((out.rain && out.rain->outagePercent ? *out.rain->outagePercent : 0) +
                    m.annualPercent.value_or(0) >
                100 ||
            lowest.parts.capped) {
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
    if (const std::optional<double> need = model.requiredMargin(allowed, lowest.mode)) {
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
