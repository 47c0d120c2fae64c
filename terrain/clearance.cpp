#include "clearance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "conversions.h"

namespace hopscale::terrain {
namespace {

constexpr double kBulgeDivisor = 12.74;  // m per km^2: d1 d2 / (12.74 k) for km in, m out
constexpr double kF1Factor = 17.3;       // m: 17.3 sqrt(d1 d2 / (f d)), km and GHz in
constexpr double kLargestK = 1000;
constexpr double kLargestFraction = 10;

std::optional<Error> checkCriterion(const Criterion& c, const std::string& input,
                                    const std::string& text) {
    if (!(c.k > 0) || c.k > kLargestK)
        return Error::invalidArgument(input, text, "has k outside 0 (excluded) to 1000");
    if (!(c.fraction >= 0) || c.fraction > kLargestFraction) {
        return Error::invalidArgument(input, text, "has a fraction of F1 outside 0 to 10");
    }
    return std::nullopt;
}

// Rounds a height up to the next 0.1 m, allowing for the rounding error of the arithmetic
// so that an exact 12.3 stays 12.3.
double roundUpToDecimetre(double metres) {
    if (metres <= 0) return 0;
    return std::ceil(metres * 10 - 1e-6) / 10;
}

}  // namespace

std::vector<Criterion> northAmericanCriteria() {
    return {{4.0 / 3.0, 1.0}, {1.0, 0.6}, {2.0 / 3.0, 0.3}};
}

std::vector<Criterion> sixtyPercentCriteria() { return {{4.0 / 3.0, 0.6}}; }

Result<std::vector<Criterion>> parseCriteria(std::string_view text, const std::string& optionName) {
    const std::string whole = std::string(trimmed(text, " "));
    if (whole == "north-american") return northAmericanCriteria();
    if (whole == "sixty") return sixtyPercentCriteria();
    if (whole.empty())
        return Error::invalidArgument(optionName, "",
                                      "is empty; give north-american, sixty or K:F,...");
    std::vector<Criterion> out;
    std::string_view rest = whole;
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string item = std::string(trimmed(rest.substr(0, comma), " "));
        const std::size_t colon = item.find(':');
        if (colon == std::string::npos) {
            return Error::invalidArgument(
                optionName, item,
                "is not K:F (an earth factor and a fraction of F1, such as 4/3:1)");
        }
        const std::string kText(trimmed(std::string_view(item).substr(0, colon), " "));
        const std::string fText(trimmed(std::string_view(item).substr(colon + 1), " "));
        Criterion c;
        const std::size_t slash = kText.find('/');
        if (slash == std::string::npos) {
            auto k = textToDouble(kText);
            if (!k)
                return Error::invalidArgument(optionName, item,
                                              "has an earth factor that is not a number");
            c.k = *k;
        } else {
            auto num = textToDouble(std::string_view(kText).substr(0, slash));
            auto den = textToDouble(std::string_view(kText).substr(slash + 1));
            if (!num || !den)
                return Error::invalidArgument(optionName, item,
                                              "has an earth factor that is not a number");
            if (*den == 0)
                return Error::invalidArgument(optionName, item, "divides its earth factor by 0");
            c.k = *num / *den;
        }
        auto f = textToDouble(fText);
        if (!f)
            return Error::invalidArgument(optionName, item,
                                          "has a fraction of F1 that is not a number");
        c.fraction = *f;
        if (auto e = checkCriterion(c, optionName, item)) return *e;
        out.push_back(c);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return out;
}

std::string describe(const Criterion& criterion) {
    // The usual factors by the names engineers give them; others as decimals.
    char k[32];
    if (std::fabs(criterion.k - 4.0 / 3.0) < 1e-9) {
        std::snprintf(k, sizeof k, "4/3");
    } else if (std::fabs(criterion.k - 2.0 / 3.0) < 1e-9) {
        std::snprintf(k, sizeof k, "2/3");
    } else {
        std::snprintf(k, sizeof k, "%.3f", criterion.k);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "k %s, %.2f F1", k, criterion.fraction);
    return buffer;
}

double averageTerrainDiffractionDb(double clearanceM, double f1M) {
    return -20.0 * clearanceM / f1M + 10.0;
}

Result<ClearanceModel> ClearanceModel::make(Profile profile, double frequencyGhz,
                                            std::vector<Criterion> criteria) {
    if (!(frequencyGhz > 0) || !std::isfinite(frequencyGhz)) {
        return Error::invalidArgument("frequency", doubleToText(frequencyGhz),
                                      "must be above 0 GHz");
    }
    if (criteria.empty()) return Error::invalidArgument("criteria", "", "none given");
    for (const Criterion& c : criteria) {
        if (auto e = checkCriterion(c, "criteria", describe(c))) return *e;
    }
    const auto& points = profile.points;
    if (points.size() < 3)
        return Error::invalidArgument("profile", "",
                                      "needs both ends and at least one point between them");
    if (points.front().distanceKm != 0)
        return Error::invalidArgument("profile", "", "does not start at 0 km");
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (!(points[i].distanceKm > points[i - 1].distanceKm)) {
            return Error::invalidArgument("profile", doubleToText(points[i].distanceKm),
                                          "km is not beyond the point before it");
        }
    }
    if (profile.pathKm != points.back().distanceKm)
        return Error::invalidArgument("profile", "", "does not end at its path length");

    ClearanceModel model;
    const std::size_t n = points.size();
    const double d = profile.pathKm;
    model.terrainM_.resize(n);
    model.along_.resize(n);
    model.f1M_.resize(n);
    model.bulgeUnitM_.resize(n);
    double area = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d1 = points[i].distanceKm;
        const double d2 = std::max(0.0, d - d1);
        model.terrainM_[i] = points[i].groundM + points[i].obstructionM;
        model.along_[i] = d1 / d;
        model.f1M_[i] = kF1Factor * std::sqrt(d1 * d2 / (frequencyGhz * d));
        model.bulgeUnitM_[i] = d1 * d2 / kBulgeDivisor;
        if (i > 0)
            area +=
                0.5 * (points[i].groundM + points[i - 1].groundM) * (d1 - points[i - 1].distanceKm);
    }
    model.meanTerrainM_ = area / d;
    model.profile_ = std::move(profile);
    model.frequencyGhz_ = frequencyGhz;
    model.criteria_ = std::move(criteria);
    return model;
}

Antennas ClearanceModel::heightsNeeded(Antennas antennas, FixedEnd fixed) const {
    const auto& points = profile_.points;
    const std::size_t n = points.size();
    const double groundFrom = points.front().groundM;
    const double groundTo = points.back().groundM;
    // Each interior point and criterion asks the line of sight to pass at least
    // `need` = terrain + bulge + fraction F1 above sea level there; the line is linear in the
    // free height, so the height needed is the largest of the per-point bounds.
    double worst = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double t = along_[i];
        for (const Criterion& c : criteria_) {
            const double need = terrainM_[i] + bulgeUnitM_[i] / c.k + c.fraction * f1M_[i];
            double bound = 0;
            switch (fixed) {
                case FixedEnd::None:  // both tips rise together: the line rises by h everywhere
                    bound = need - (groundFrom * (1 - t) + groundTo * t);
                    break;
                case FixedEnd::From:  // the line pivots on the From tip
                    bound = (need - (groundFrom + antennas.fromM) * (1 - t)) / t - groundTo;
                    break;
                case FixedEnd::To:  // the line pivots on the To tip
                    bound = (need - (groundTo + antennas.toM) * t) / (1 - t) - groundFrom;
                    break;
            }
            worst = std::max(worst, bound);
        }
    }
    const double h = roundUpToDecimetre(worst);
    switch (fixed) {
        case FixedEnd::None:
            return {h, h};
        case FixedEnd::From:
            return {antennas.fromM, h};
        case FixedEnd::To:
            return {h, antennas.toM};
    }
    return {h, h};
}

ClearanceReport ClearanceModel::evaluate(Antennas antennas, FixedEnd fixed) const {
    const auto& points = profile_.points;
    const std::size_t n = points.size();
    ClearanceReport r;
    r.pathKm = profile_.pathKm;
    r.frequencyGhz = frequencyGhz_;
    r.antennas = antennas;
    r.meanTerrainM = meanTerrainM_;
    r.fixedEnd = fixed;
    r.distanceKm.resize(n);
    r.lineOfSightM.resize(n);
    for (std::size_t i = 0; i < n; ++i) r.distanceKm[i] = points[i].distanceKm;
    r.terrainM = terrainM_;
    r.f1M = f1M_;
    const double tipFrom = points.front().groundM + antennas.fromM;
    const double tipTo = points.back().groundM + antennas.toM;
    for (std::size_t i = 0; i < n; ++i) r.lineOfSightM[i] = tipFrom + (tipTo - tipFrom) * along_[i];

    r.allMet = true;
    r.criteria.reserve(criteria_.size());
    for (const Criterion& c : criteria_) {
        CriterionResult cr;
        cr.criterion = c;
        cr.bulgeM.resize(n);
        cr.raisedTerrainM.resize(n);
        cr.clearanceM.resize(n);
        cr.clearanceF1.resize(n);
        cr.requiredM.resize(n);
        std::size_t worst = 1;
        for (std::size_t i = 0; i < n; ++i) {
            const double bulge = bulgeUnitM_[i] / c.k;
            const double raised = terrainM_[i] + bulge;
            const double clearance = r.lineOfSightM[i] - raised;
            cr.bulgeM[i] = bulge;
            cr.raisedTerrainM[i] = raised;
            cr.clearanceM[i] = clearance;
            cr.requiredM[i] = r.lineOfSightM[i] - c.fraction * f1M_[i];
            const bool interior = i > 0 && i + 1 < n;
            cr.clearanceF1[i] = interior ? clearance / f1M_[i] : 0.0;
            if (interior && cr.clearanceF1[i] < cr.clearanceF1[worst]) worst = i;
        }
        cr.worst.index = worst;
        cr.worst.distanceKm = points[worst].distanceKm;
        cr.worst.distanceToEndKm = profile_.pathKm - points[worst].distanceKm;
        cr.worst.label = points[worst].label;
        cr.worst.clearanceM = cr.clearanceM[worst];
        cr.worst.clearanceF1 = cr.clearanceF1[worst];
        cr.met = cr.worst.clearanceF1 >= c.fraction;
        r.allMet = r.allMet && cr.met;
        r.criteria.push_back(std::move(cr));
    }
    const WorstPoint& first = r.criteria.front().worst;
    r.diffractionLossDb = averageTerrainDiffractionDb(first.clearanceM, f1M_[first.index]);
    r.diffractionLossApplies = r.diffractionLossDb > 0;
    r.heightsNeeded = heightsNeeded(antennas, fixed);
    return r;
}

}  // namespace hopscale::terrain
