#include "budget.h"

#include <cmath>

#include "conversions.h"

namespace hopscale {
namespace {

// The number and the words of the budget step that computes a result; "" for the results
// of the coordinate computation.
std::string stepName(ResultId id) {
    using I = ResultId;
    switch (id) {
        case I::txLineLossPerFt:
            return "step 1 (transmit line loss per foot)";
        case I::rxLineLossPerFt:
            return "step 2 (receive line loss per foot)";
        case I::pathLengthMiles:
            return "step 8 (path length in miles)";
        case I::txPowerDbm:
            return "step 15 (transmitter power in dBm)";
        case I::txLineLoss:
            return "step 16 (transmit line loss)";
        case I::rxLineLoss:
            return "step 17 (receive line loss)";
        case I::fixedLoss:
            return "step 18 (fixed loss)";
        case I::rxAntennaGain:
            return "step 19 (receive antenna gain)";
        case I::txAntennaGain:
            return "step 20 (transmit antenna gain)";
        case I::freeSpaceLoss:
            return "step 21 (free-space loss)";
        case I::halfPowerBeamwidth:
            return "step 22 (half-power beamwidth)";
        case I::beamwidthLoss:
            return "step 23 (beamwidth loss)";
        case I::systemLoss:
            return "step 24 (system loss)";
        case I::earthBulge:
            return "step 25 (earth bulge)";
        case I::midpointDistance:
            return "step 26 (midpoint distance)";
        case I::firstFresnelZone:
            return "step 27 (first Fresnel zone)";
        case I::secondFresnelZone:
            return "step 28 (second Fresnel zone)";
        case I::amplifierInputPower:
            return "step 29 (power level into the amplifier)";
        case I::receiveSignalLevel:
            return "step 30 (receive signal level)";
        case I::dishInputPowerWatts:
            return "step 31 (power into the dish in watts)";
        case I::dishInputPowerDbm:
            return "step 32 (power into the dish in dBm)";
        case I::eirpWatts:
            return "step 33 (EIRP in watts)";
        default:
            return "";
    }
}

// One quantity entering a step: the input field it goes back to and how strongly it pushes
// the result away from ordinary sizes. A failing step names the input of its strongest term.
struct Term {
    std::optional<Field> origin;
    double size = 0;
};

// A term that is added or subtracted: its magnitude.
Term added(double value, std::optional<Field> origin) { return {origin, std::fabs(value)}; }

// A factor or divisor: its distance from 1 in binary orders of magnitude; 0 counts as the
// strongest of all, since dividing by it is what overflows.
Term factor(double value, std::optional<Field> origin) {
    if (value == 0 || !std::isfinite(value)) return {origin, HUGE_VAL};
    return {origin, static_cast<double>(std::abs(std::ilogb(value)))};
}

std::optional<Field> strongest(std::initializer_list<Term> terms) {
    const Term* best = nullptr;
    for (const Term& t : terms) {
        if (best == nullptr || t.size > best->size) best = &t;
    }
    return best == nullptr ? std::nullopt : best->origin;
}

double log10OrHuge(double x) { return x > 0 ? std::log10(x) : HUGE_VAL; }

// The input a result goes back to: the input of the strongest term of the step that computes
// it, followed back through earlier results. It is worked out from the stored values, which are
// what the step used, and only when a step fails, so a successful run pays nothing for it.
std::optional<Field> originOf(ResultId id, const PathState& s) {
    using I = ResultId;
    using F = Field;
    const PathValues& v = s.values;
    const PathResults& r = s.results;
    auto from = [&s](ResultId other) { return originOf(other, s); };
    switch (id) {
        case I::txLineLossPerFt:
            return F::Text2;
        case I::rxLineLossPerFt:
            return F::Text8;
        case I::txPowerDbm:
            return F::Text26;
        // Derived from the end points, no one input leads there.
        case I::pathLengthMiles:
            return r.coordinateDistance != 0 ? std::nullopt : std::optional(F::Text24);
        case I::txLineLoss:
            return strongest(
                {factor(v.txLineLength, F::Text16), factor(r.txLineLossPerFt, F::Text2)});
        case I::rxLineLoss:
            return strongest(
                {factor(v.rxLineLength, F::Text18), factor(r.rxLineLossPerFt, F::Text8)});
        case I::fixedLoss:
            return strongest({added(r.rxLineLoss, from(I::rxLineLoss)),
                              added(r.txLineLoss, from(I::txLineLoss)),
                              added(v.fadeMargin, F::Text12)});
        case I::rxAntennaGain:
            return strongest({added(log10OrHuge(v.frequencyGHz), F::Text10),
                              added(log10OrHuge(v.rxDishDiameter), F::Text3)});
        case I::txAntennaGain:
            return strongest({added(log10OrHuge(v.frequencyGHz), F::Text10),
                              added(log10OrHuge(v.txDishDiameter), F::Text1)});
        case I::freeSpaceLoss:
            return strongest({added(log10OrHuge(v.frequencyGHz), F::Text10),
                              added(log10OrHuge(r.pathLengthMiles), from(I::pathLengthMiles))});
        case I::halfPowerBeamwidth:
            return strongest(
                {factor(v.frequencyGHz, F::Text10), factor(v.txDishDiameter, F::Text1)});
        case I::beamwidthLoss:
            return from(I::halfPowerBeamwidth);
        case I::systemLoss:
            return strongest({added(r.txAntennaGain, from(I::txAntennaGain)),
                              added(r.rxAntennaGain, from(I::rxAntennaGain)),
                              added(r.freeSpaceLoss, from(I::freeSpaceLoss)),
                              added(r.fixedLoss, from(I::fixedLoss)),
                              added(r.txPowerDbm, F::Text26), added(v.ampGain, F::Text15),
                              added(v.preampGain, F::Text4)});
        case I::earthBulge:
            return strongest(
                {factor(double(r.pathLengthMiles) * r.pathLengthMiles, from(I::pathLengthMiles)),
                 factor(v.earthFactor, F::Text22)});
        case I::midpointDistance:
            return from(I::pathLengthMiles);
        case I::firstFresnelZone:
            return strongest({factor(r.pathLengthMiles, from(I::pathLengthMiles)),
                              factor(v.frequencyGHz, F::Text10)});
        case I::secondFresnelZone:
            return from(I::firstFresnelZone);
        case I::amplifierInputPower:
            return strongest(
                {added(r.txPowerDbm, F::Text26), added(r.txLineLoss, from(I::txLineLoss))});
        case I::receiveSignalLevel:
            return strongest(
                {added(r.systemLoss, from(I::systemLoss)), added(v.fadeMargin, F::Text12)});
        // The dish power is a power of ten of the level: the level's largest term leads there.
        case I::dishInputPowerWatts:
        case I::dishInputPowerDbm:
            return strongest({added(r.txPowerDbm, F::Text26),
                              added(r.txLineLoss, from(I::txLineLoss)),
                              added(v.ampGain, F::Text15)});
        // Both factors in decimal orders of magnitude: the gain in dB / 10, the watts as log10.
        case I::eirpWatts:
            return strongest(
                {added(double(r.txAntennaGain) / 10, from(I::txAntennaGain)),
                 added(log10OrHuge(r.dishInputPowerWatts), from(I::dishInputPowerWatts))});
        default:
            return std::nullopt;
    }
}

// Writes result values with the single rounding and overflow check every stored value gets,
// and records which ones this run wrote.
class Store {
  public:
    Store(PathState& state, ResultSet& computed) : state_(state), computed_(computed) {}

    // A value read from, or computed from, one field alone: an error names that field.
    std::optional<Error> set(ResultId id, double value, Field field) {
        return store(id, value, field);
    }

    // A value computed from earlier ones: an error names the step and the input that led there.
    std::optional<Error> set(ResultId id, double value) { return store(id, value, std::nullopt); }

  private:
    std::optional<Error> store(ResultId id, double value, std::optional<Field> field) {
        const auto index = static_cast<std::size_t>(id);
        auto single = toSingle(value, field);
        if (!single) {
            if (!field) {
                single.error->step = stepName(id);
                single.error->origin = originOf(id, state_);
            }
            return single.error;
        }
        state_.results.*(members()[index]) = *single;
        computed_.set(index);
        return std::nullopt;
    }

    // The member of each result, indexed by ResultId.
    static const std::array<float PathResults::*, kResultCount>& members() {
        static const auto table = [] {
            std::array<float PathResults::*, kResultCount> t{};
            for (const auto& r : allResults()) t[static_cast<std::size_t>(r.id)] = r.member;
            return t;
        }();
        return table;
    }

    PathState& state_;
    ResultSet& computed_;
};

Error domainError(ErrorKind kind, Field field, float value, const char* detail) {
    Error e;
    e.kind = kind;
    e.field = field;
    e.text = singleToText(value);
    e.detail = detail;
    return e;
}

// log10 as the natural logarithm divided by that of 10; fails on values of 0 or less.
std::optional<Error> log10Of(float value, Field field, double& out) {
    if (!(value > 0)) {
        return domainError(ErrorKind::InvalidArgument, field, value,
                           "must be greater than 0 (logarithm)");
    }
    out = std::log(double(value)) / std::log(10.0);
    return std::nullopt;
}

// A kilometre length is read leniently, so a text that is not a number reaches the logarithm
// of step 21 as 0 miles: say what was typed rather than only the "0" that replaced it.
Error explainKilometres(Error e, const PathInputs& inputs, const PathState& state) {
    if (!inputs.km || state.results.coordinateDistance != 0) return e;
    const std::string& typed = state.captured.pathLengthText;
    e.text = typed;
    if (textToDouble(typed)) {
        e.detail = "km must be greater than 0 (logarithm)";
    } else {
        e.detail =
            "is not a number of kilometres (read as 0); the path length must be greater "
            "than 0 (logarithm)";
    }
    return e;
}

}  // namespace

#define HOPSCALE_TRY(expr)                   \
    do {                                     \
        if (auto err_ = (expr)) return err_; \
    } while (0)

#define HOPSCALE_READ(target, reader, field)       \
    do {                                           \
        auto read_ = reader(inputs[field], field); \
        if (!read_) return read_.error;            \
        target = *read_;                           \
    } while (0)

std::optional<Error> calculatePath(const PathInputs& inputs, PathState& state, ResultSet& computed,
                                   std::string& pathLengthField) {
    PathValues& v = state.values;
    PathResults& r = state.results;
    Store out(state, computed);
    using I = ResultId;
    using F = Field;

    // 1-2. Line losses per foot. The receive loss is divided before its single rounding.
    HOPSCALE_READ(v.txLineLossPer100Ft, textToSingle, F::Text2);
    HOPSCALE_TRY(out.set(I::txLineLossPerFt, double(v.txLineLossPer100Ft) / 100, F::Text2));
    double rxLossPer100Ft = 0;
    HOPSCALE_READ(rxLossPer100Ft, textToDouble, F::Text8);
    HOPSCALE_TRY(out.set(I::rxLineLossPerFt, rxLossPer100Ft / 100, F::Text8));

    // 3-6.
    HOPSCALE_READ(v.txDishDiameter, textToSingle, F::Text1);
    HOPSCALE_READ(v.rxDishDiameter, textToSingle, F::Text3);
    HOPSCALE_READ(v.frequencyGHz, textToSingle, F::Text10);
    HOPSCALE_READ(v.earthFactor, textToSingle, F::Text22);

    // 7-8. A kilometre length reaches the budget through its 7-digit miles text.
    if (inputs.km) pathLengthField = singleToText(state.captured.kmPathLengthInMiles);
    if (r.coordinateDistance != 0) {
        HOPSCALE_TRY(out.set(I::pathLengthMiles, r.coordinateDistance));
    } else {
        auto length = textToSingle(pathLengthField, F::Text24);
        if (!length) return length.error;
        HOPSCALE_TRY(out.set(I::pathLengthMiles, *length, F::Text24));
    }
    const double d = r.pathLengthMiles;
    const double f = v.frequencyGHz;

    // 9-14.
    HOPSCALE_READ(v.ampGain, textToInteger, F::Text15);
    HOPSCALE_READ(v.txLineLength, textToSingle, F::Text16);
    HOPSCALE_READ(v.rxLineLength, textToSingle, F::Text18);
    HOPSCALE_READ(v.preampGain, textToSingle, F::Text4);
    {
        auto power = textToSingle(inputs[F::Text26], F::Text26);
        if (!power) return power.error;
        HOPSCALE_TRY(out.set(I::txPowerDbm, *power, F::Text26));
    }
    HOPSCALE_READ(v.fadeMargin, textToSingle, F::Text12);

    // 15. Watts to dBm.
    if (inputs.watts) {
        if (!(r.txPowerDbm > 0)) {
            return domainError(ErrorKind::InvalidArgument, F::Text26, r.txPowerDbm,
                               "watts must be greater than 0 (logarithm)");
        }
        HOPSCALE_TRY(out.set(I::txPowerDbm,
                             10 * std::log(double(r.txPowerDbm) / 0.001) / std::log(10.0),
                             F::Text26));
    }

    // 16-18.
    HOPSCALE_TRY(out.set(I::txLineLoss, double(v.txLineLength) * r.txLineLossPerFt));
    HOPSCALE_TRY(out.set(I::rxLineLoss, double(v.rxLineLength) * r.rxLineLossPerFt));
    HOPSCALE_TRY(out.set(I::fixedLoss, double(r.rxLineLoss) + r.txLineLoss + v.fadeMargin));

    // 19-21. Gains and free-space loss.
    double logF = 0, logDish = 0, logD = 0;
    HOPSCALE_TRY(log10Of(v.frequencyGHz, F::Text10, logF));
    HOPSCALE_TRY(log10Of(v.rxDishDiameter, F::Text3, logDish));
    HOPSCALE_TRY(out.set(I::rxAntennaGain, 20 * logF + 20 * logDish + 7.5));
    HOPSCALE_TRY(log10Of(v.frequencyGHz, F::Text10, logF));
    HOPSCALE_TRY(log10Of(v.txDishDiameter, F::Text1, logDish));
    HOPSCALE_TRY(out.set(I::txAntennaGain, 20 * logF + 20 * logDish + 7.5));
    HOPSCALE_TRY(log10Of(v.frequencyGHz, F::Text10, logF));
    if (auto err = log10Of(r.pathLengthMiles, F::Text24, logD)) {
        return explainKilometres(*err, inputs, state);
    }
    HOPSCALE_TRY(out.set(I::freeSpaceLoss, 20 * logF + 96.6 + 20 * logD));

    // 22-24.
    HOPSCALE_TRY(out.set(I::halfPowerBeamwidth, 70 / (f * double(v.txDishDiameter))));
    HOPSCALE_TRY(out.set(I::beamwidthLoss, double(r.halfPowerBeamwidth) * 3));
    HOPSCALE_TRY(out.set(I::systemLoss, double(r.txAntennaGain) + r.rxAntennaGain -
                                            r.freeSpaceLoss - r.fixedLoss + r.txPowerDbm +
                                            double(v.ampGain) + v.preampGain));

    // 25-28. Earth bulge and Fresnel zones at mid-path.
    if (v.earthFactor == 0) {
        return domainError(ErrorKind::DivisionByZero, F::Text22, v.earthFactor,
                           "must not be 0 (division)");
    }
    HOPSCALE_TRY(
        out.set(I::earthBulge, (d - 0.5 * d) * (0.5 * d + 0.5 * d) / (3 * double(v.earthFactor))));
    HOPSCALE_TRY(out.set(I::midpointDistance, d / 2));
    const double d1 = r.midpointDistance;
    const double radicand = ((d - d1) / kMilesPerKm) * (d1 / kMilesPerKm) / ((d / kMilesPerKm) * f);
    if (radicand < 0) {
        Error e;
        e.kind = ErrorKind::InvalidArgument;
        e.step = stepName(I::firstFresnelZone);
        e.origin = originOf(I::firstFresnelZone, state);
        e.detail = "square root of a negative value in the Fresnel zone";
        return e;
    }
    HOPSCALE_TRY(out.set(I::firstFresnelZone, std::sqrt(radicand) * 17.3 * kFeetPerMetre));
    HOPSCALE_TRY(out.set(I::secondFresnelZone, double(r.firstFresnelZone) * std::sqrt(2.0)));

    // 29-33. Levels along the chain.
    HOPSCALE_TRY(out.set(I::amplifierInputPower, double(r.txPowerDbm) - r.txLineLoss));
    HOPSCALE_TRY(out.set(I::receiveSignalLevel, double(r.systemLoss) + v.fadeMargin));
    HOPSCALE_TRY(
        out.set(I::dishInputPowerWatts,
                std::pow(10.0, (double(r.txPowerDbm) - r.txLineLoss + v.ampGain) / 10) * 0.001));
    HOPSCALE_TRY(
        out.set(I::dishInputPowerDbm, double(r.txPowerDbm) - r.txLineLoss + double(v.ampGain)));
    HOPSCALE_TRY(out.set(I::eirpWatts,
                         std::pow(10.0, double(r.txAntennaGain) / 10) * r.dishInputPowerWatts));

    state.eirpWarning = double(r.eirpWatts) >= 100000 ? kEirpWarningText : "";
    return std::nullopt;
}

}  // namespace hopscale
