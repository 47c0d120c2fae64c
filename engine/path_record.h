// The path record: the inputs as field texts and unit choices, the numbers read from them,
// the values captured when the calculation runs, and the results.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fields.h"

namespace hopscale {

// What the user typed or chose on the input screen.
struct PathInputs {
    std::array<std::string, kFieldCount> texts;  // indexed by Field; design defaults
    bool km = false;     // path length unit: KM (Check2) checked, else Miles (Check1)
    bool watts = false;  // power unit: WATTS (Option3) selected, else DBM (Option2)

    PathInputs();  // every field at its default text, Miles, DBM
    std::string& operator[](Field f) { return texts[static_cast<std::size_t>(f)]; }
    const std::string& operator[](Field f) const { return texts[static_cast<std::size_t>(f)]; }
};

// Numeric inputs as the calculation read them (singles unless stated).
struct PathValues {
    float txLineLossPer100Ft = 0;  // dB per 100 ft
    float txDishDiameter = 0;      // ft
    float rxDishDiameter = 0;      // ft
    float frequencyGHz = 0;        // GHz
    float earthFactor = 0;         // k
    std::int16_t ampGain = 0;      // dB, whole number
    float txLineLength = 0;        // ft
    float rxLineLength = 0;        // ft
    float preampGain = 0;          // dB
    float fadeMargin = 0;          // dB
    // End points: packed DMS as captured, replaced by decimal degrees by computeCoordinates.
    float fromLatitude = 0;
    float fromLongitude = 0;
    float toLatitude = 0;
    float toLongitude = 0;
};

// Values captured by CONTINUE before the calculation, kept for the data sheet and the save.
struct CapturedValues {
    std::string fromLatitudeText, fromLongitudeText, toLatitudeText, toLongitudeText;
    std::string pathLengthText;     // Text24 exactly as it stood, before any unit conversion
    float kmPathLengthInMiles = 0;  // set only when KM is checked
    std::int16_t dbmSelected = 1;
    std::int16_t wattsSelected = 0;
    // The packed coordinates as captured (before conversion to degrees); 0 = not given.
    float fromLatitudePacked = 0, fromLongitudePacked = 0, toLatitudePacked = 0,
          toLongitudePacked = 0;
};

// Computed values; all single.
struct PathResults {
    float txPowerDbm = 0;           // dBm
    float txLineLossPerFt = 0;      // dB/ft
    float rxLineLossPerFt = 0;      // dB/ft
    float txLineLoss = 0;           // dB
    float rxLineLoss = 0;           // dB
    float fixedLoss = 0;            // dB
    float amplifierInputPower = 0;  // dBm
    float dishInputPowerDbm = 0;    // dBm
    float dishInputPowerWatts = 0;  // W
    float txAntennaGain = 0;        // dB
    float rxAntennaGain = 0;        // dB
    float halfPowerBeamwidth = 0;   // degrees
    float beamwidthLoss = 0;
    float freeSpaceLoss = 0;         // dB
    float systemLoss = 0;            // dBm
    float receiveSignalLevel = 0;    // dBm
    float eirpWatts = 0;             // W
    float pathLengthMiles = 0;       // miles
    float midpointDistance = 0;      // miles
    float earthBulge = 0;            // ft
    float firstFresnelZone = 0;      // ft
    float secondFresnelZone = 0;     // ft
    float coordinateDistance = 0;    // miles
    float bearingTrue = 0;           // degrees
    float midLatitudeRad = 0;        // radians
    float kmPerDegreeLatitude = 0;   // km
    float kmPerDegreeLongitude = 0;  // km
    float northSouthKm = 0;          // km
    float eastWestKm = 0;            // km
};

// One result value by name; the table lists them in the order of the record's documentation
// (txPowerDbm first, eastWestKm last), which is also the column order of `batch`.
enum class ResultId {
    txPowerDbm,
    txLineLossPerFt,
    rxLineLossPerFt,
    txLineLoss,
    rxLineLoss,
    fixedLoss,
    amplifierInputPower,
    dishInputPowerDbm,
    dishInputPowerWatts,
    txAntennaGain,
    rxAntennaGain,
    halfPowerBeamwidth,
    beamwidthLoss,
    freeSpaceLoss,
    systemLoss,
    receiveSignalLevel,
    eirpWatts,
    pathLengthMiles,
    midpointDistance,
    earthBulge,
    firstFresnelZone,
    secondFresnelZone,
    coordinateDistance,
    bearingTrue,
    midLatitudeRad,
    kmPerDegreeLatitude,
    kmPerDegreeLongitude,
    northSouthKm,
    eastWestKm,
};
inline constexpr std::size_t kResultCount = 29;

struct ResultInfo {
    ResultId id;
    const char* name;  // "txPowerDbm"
    float PathResults::*member;
    const char* resultsCaption;  // caption on the results screen, "" for intermediates
};
const std::array<ResultInfo, kResultCount>& allResults();

// Which results one run wrote.
using ResultSet = std::bitset<kResultCount>;

// The whole process-wide path state the engine works on.
struct PathState {
    PathValues values;
    CapturedValues captured;
    PathResults results;
    std::string eirpWarning;  // "EIRP SEEMS HIGH.  MIGHT WANT TO CHECK YOU FIGURES." or ""
};

inline constexpr const char* kEirpWarningText =
    "EIRP SEEMS HIGH.  MIGHT WANT TO CHECK YOU FIGURES.";
// The budget's mile, the US survey mile: the budget's arithmetic has always converted with it,
// and every length it reports (and every saved file's) depends on it.
inline constexpr double kKmPerSurveyMile = 1.609347219;
inline constexpr double kMilesPerKm = 0.62137;  // used only in the Fresnel formula
inline constexpr double kFeetPerMetre = 3.2808;

}  // namespace hopscale
