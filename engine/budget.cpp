#include "budget.h"

#include <cmath>

#include "conversions.h"

namespace hopscale {
namespace {

// Writes result values with the single rounding and overflow check every stored value gets,
// and records which ones this run wrote.
class Store {
public:
    Store(PathResults& results, ResultSet& computed) : results_(results), computed_(computed) {}

    std::optional<Error> set(ResultId id, double value, std::optional<Field> field = {}) {
        auto single = toSingle(value, field);
        if (!single) return single.error;
        const auto index = static_cast<std::size_t>(id);
        results_.*(members()[index]) = *single;
        computed_.set(index);
        return std::nullopt;
    }

private:
    // The member of each result, indexed by ResultId.
    static const std::array<float PathResults::*, kResultCount>& members() {
        static const auto table = [] {
            std::array<float PathResults::*, kResultCount> t{};
            for (const auto& r : allResults()) t[static_cast<std::size_t>(r.id)] = r.member;
            return t;
        }();
        return table;
    }

    PathResults& results_;
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

}  // namespace

#define HOPSCALE_TRY(expr)                   \
    do {                                     \
        if (auto err_ = (expr)) return err_; \
    } while (0)

#define HOPSCALE_READ(target, reader, field)          \
    do {                                              \
        auto read_ = reader(inputs[field], field);    \
        if (!read_) return read_.error;               \
        target = *read_;                              \
    } while (0)

std::optional<Error> calculatePath(const PathInputs& inputs, PathState& state,
                                   ResultSet& computed, std::string& pathLengthField) {
    PathValues& v = state.values;
    PathResults& r = state.results;
    Store out(r, computed);
    using I = ResultId;

    // 1-2. Line losses per foot. The receive loss is divided before its single rounding.
    HOPSCALE_READ(v.txLineLossPer100Ft, textToSingle, Field::Text2);
    HOPSCALE_TRY(out.set(I::txLineLossPerFt, double(v.txLineLossPer100Ft) / 100, Field::Text2));
    double rxLossPer100Ft = 0;
    HOPSCALE_READ(rxLossPer100Ft, textToDouble, Field::Text8);
    HOPSCALE_TRY(out.set(I::rxLineLossPerFt, rxLossPer100Ft / 100, Field::Text8));

    // 3-6.
    HOPSCALE_READ(v.txDishDiameter, textToSingle, Field::Text1);
    HOPSCALE_READ(v.rxDishDiameter, textToSingle, Field::Text3);
    HOPSCALE_READ(v.frequencyGHz, textToSingle, Field::Text10);
    HOPSCALE_READ(v.earthFactor, textToSingle, Field::Text22);

    // 7-8. A kilometre length reaches the budget through its 7-digit miles text.
    if (inputs.km) pathLengthField = singleToText(state.captured.kmPathLengthInMiles);
    if (r.coordinateDistance != 0) {
        HOPSCALE_TRY(out.set(I::pathLengthMiles, r.coordinateDistance));
    } else {
        auto length = textToSingle(pathLengthField, Field::Text24);
        if (!length) return length.error;
        HOPSCALE_TRY(out.set(I::pathLengthMiles, *length));
    }
    const double d = r.pathLengthMiles;
    const double f = v.frequencyGHz;

    // 9-14.
    HOPSCALE_READ(v.ampGain, textToInteger, Field::Text15);
    HOPSCALE_READ(v.txLineLength, textToSingle, Field::Text16);
    HOPSCALE_READ(v.rxLineLength, textToSingle, Field::Text18);
    HOPSCALE_READ(v.preampGain, textToSingle, Field::Text4);
    {
        auto power = textToSingle(inputs[Field::Text26], Field::Text26);
        if (!power) return power.error;
        HOPSCALE_TRY(out.set(I::txPowerDbm, *power));
    }
    HOPSCALE_READ(v.fadeMargin, textToSingle, Field::Text12);

    // 15. Watts to dBm.
    if (inputs.watts) {
        if (!(r.txPowerDbm > 0)) {
            return domainError(ErrorKind::InvalidArgument, Field::Text26, r.txPowerDbm,
                               "watts must be greater than 0 (logarithm)");
        }
        HOPSCALE_TRY(out.set(I::txPowerDbm,
                             10 * std::log(double(r.txPowerDbm) / 0.001) / std::log(10.0),
                             Field::Text26));
    }

    // 16-18.
    HOPSCALE_TRY(out.set(I::txLineLoss, double(v.txLineLength) * r.txLineLossPerFt));
    HOPSCALE_TRY(out.set(I::rxLineLoss, double(v.rxLineLength) * r.rxLineLossPerFt));
    HOPSCALE_TRY(out.set(I::fixedLoss, double(r.rxLineLoss) + r.txLineLoss + v.fadeMargin));

    // 19-21. Gains and free-space loss.
    double logF = 0, logDish = 0, logD = 0;
    HOPSCALE_TRY(log10Of(v.frequencyGHz, Field::Text10, logF));
    HOPSCALE_TRY(log10Of(v.rxDishDiameter, Field::Text3, logDish));
    HOPSCALE_TRY(out.set(I::rxAntennaGain, 20 * logF + 20 * logDish + 7.5));
    HOPSCALE_TRY(log10Of(v.frequencyGHz, Field::Text10, logF));
    HOPSCALE_TRY(log10Of(v.txDishDiameter, Field::Text1, logDish));
    HOPSCALE_TRY(out.set(I::txAntennaGain, 20 * logF + 20 * logDish + 7.5));
    HOPSCALE_TRY(log10Of(v.frequencyGHz, Field::Text10, logF));
    HOPSCALE_TRY(log10Of(r.pathLengthMiles, Field::Text24, logD));
    HOPSCALE_TRY(out.set(I::freeSpaceLoss, 20 * logF + 96.6 + 20 * logD));

    // 22-24.
    HOPSCALE_TRY(out.set(I::halfPowerBeamwidth, 70 / (f * double(v.txDishDiameter))));
    HOPSCALE_TRY(out.set(I::beamwidthLoss, double(r.halfPowerBeamwidth) * 3));
    HOPSCALE_TRY(out.set(I::systemLoss, double(r.txAntennaGain) + r.rxAntennaGain -
                                            r.freeSpaceLoss - r.fixedLoss + r.txPowerDbm +
                                            double(v.ampGain) + v.preampGain));

    // 25-28. Earth bulge and Fresnel zones at mid-path.
    if (v.earthFactor == 0) {
        return domainError(ErrorKind::DivisionByZero, Field::Text22, v.earthFactor,
                           "the earth factor must not be 0");
    }
    HOPSCALE_TRY(out.set(I::earthBulge,
                         (d - 0.5 * d) * (0.5 * d + 0.5 * d) / (3 * double(v.earthFactor))));
    HOPSCALE_TRY(out.set(I::midpointDistance, d / 2));
    const double d1 = r.midpointDistance;
    const double radicand =
        ((d - d1) / kMilesPerKm) * (d1 / kMilesPerKm) / ((d / kMilesPerKm) * f);
    if (radicand < 0) {
        Error e;
        e.kind = ErrorKind::InvalidArgument;
        e.detail = "square root of a negative value in the Fresnel zone";
        return e;
    }
    HOPSCALE_TRY(out.set(I::firstFresnelZone, std::sqrt(radicand) * 17.3 * kFeetPerMetre));
    HOPSCALE_TRY(out.set(I::secondFresnelZone, double(r.firstFresnelZone) * std::sqrt(2.0)));

    // 29-33. Levels along the chain.
    HOPSCALE_TRY(out.set(I::amplifierInputPower, double(r.txPowerDbm) - r.txLineLoss));
    HOPSCALE_TRY(out.set(I::receiveSignalLevel, double(r.systemLoss) + v.fadeMargin));
    HOPSCALE_TRY(out.set(I::dishInputPowerWatts,
                         std::pow(10.0, (double(r.txPowerDbm) - r.txLineLoss + v.ampGain) / 10) *
                             0.001));
    HOPSCALE_TRY(
        out.set(I::dishInputPowerDbm, double(r.txPowerDbm) - r.txLineLoss + double(v.ampGain)));
    HOPSCALE_TRY(out.set(I::eirpWatts,
                         std::pow(10.0, double(r.txAntennaGain) / 10) * r.dishInputPowerWatts));

    state.eirpWarning = double(r.eirpWatts) >= 100000 ? kEirpWarningText : "";
    return std::nullopt;
}

}  // namespace hopscale
