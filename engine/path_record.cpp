#include "path_record.h"

namespace hopscale {

namespace {

// Every field's default text, made once (inputs are made for every hop computed).
const std::array<std::string, kFieldCount>& defaultTexts() {
    static const std::array<std::string, kFieldCount> defaults = [] {
        std::array<std::string, kFieldCount> t;
        for (const auto& f : allFields()) t[static_cast<std::size_t>(f.field)] = f.defaultText;
        return t;
    }();
    return defaults;
}

}  // namespace

PathInputs::PathInputs() : texts(defaultTexts()) {}

const std::array<ResultInfo, kResultCount>& allResults() {
    using R = PathResults;
    using I = ResultId;
    static const std::array<ResultInfo, kResultCount> results{{
        {I::txPowerDbm, "txPowerDbm", &R::txPowerDbm, "Transmitter power DBm"},
        {I::txLineLossPerFt, "txLineLossPerFt", &R::txLineLossPerFt, ""},
        {I::rxLineLossPerFt, "rxLineLossPerFt", &R::rxLineLossPerFt, ""},
        {I::txLineLoss, "txLineLoss", &R::txLineLoss, "Transmitter coax loss DBm"},
        {I::rxLineLoss, "rxLineLoss", &R::rxLineLoss, "Receiver coax loss DBm"},
        {I::fixedLoss, "fixedLoss", &R::fixedLoss, "Fixed loss DBm"},
        {I::amplifierInputPower, "amplifierInputPower", &R::amplifierInputPower,
         "Power level into amplifier DBm"},
        {I::dishInputPowerDbm, "dishInputPowerDbm", &R::dishInputPowerDbm, "Input in DBm"},
        {I::dishInputPowerWatts, "dishInputPowerWatts", &R::dishInputPowerWatts,
         "Input power to dish in watts"},
        {I::txAntennaGain, "txAntennaGain", &R::txAntennaGain, "Transmit Antenna Gain DBm"},
        {I::rxAntennaGain, "rxAntennaGain", &R::rxAntennaGain, "Receiver  antenna gain DBm"},
        {I::halfPowerBeamwidth, "halfPowerBeamwidth", &R::halfPowerBeamwidth,
         "Transmit Half Power Beamwidth in Degrees"},
        {I::beamwidthLoss, "beamwidthLoss", &R::beamwidthLoss, "Beamwidth loss DBm"},
        {I::freeSpaceLoss, "freeSpaceLoss", &R::freeSpaceLoss, "Free space loss DBM"},
        {I::systemLoss, "systemLoss", &R::systemLoss, "System loss DBm"},
        {I::receiveSignalLevel, "receiveSignalLevel", &R::receiveSignalLevel,
         "Receiver signal level DBm"},
        {I::eirpWatts, "eirpWatts", &R::eirpWatts, "EIRP Watts"},
        {I::pathLengthMiles, "pathLengthMiles", &R::pathLengthMiles, "Distance Miles"},
        {I::midpointDistance, "midpointDistance", &R::midpointDistance, ""},
        {I::earthBulge, "earthBulge", &R::earthBulge, "Earth curvature bulge in feet at midpoint"},
        {I::firstFresnelZone, "firstFresnelZone", &R::firstFresnelZone,
         "First Fresnel Zone Dip in feet"},
        {I::secondFresnelZone, "secondFresnelZone", &R::secondFresnelZone,
         "Second Fresnel Zone Dip in feet"},
        {I::coordinateDistance, "coordinateDistance", &R::coordinateDistance, "Distance Miles"},
        {I::bearingTrue, "bearingTrue", &R::bearingTrue, "Angle True"},
        {I::midLatitudeRad, "midLatitudeRad", &R::midLatitudeRad, ""},
        {I::kmPerDegreeLatitude, "kmPerDegreeLatitude", &R::kmPerDegreeLatitude, ""},
        {I::kmPerDegreeLongitude, "kmPerDegreeLongitude", &R::kmPerDegreeLongitude, ""},
        {I::northSouthKm, "northSouthKm", &R::northSouthKm, ""},
        {I::eastWestKm, "eastWestKm", &R::eastWestKm, ""},
    }};
    return results;
}

}  // namespace hopscale
