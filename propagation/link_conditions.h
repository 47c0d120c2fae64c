// The inputs of the link performance beyond the budget, as a user types them, and their
// reading into numbers. One table of the inputs (name, caption, unit, default text) serves the
// command line, the batch columns and the window, so all three use the same words.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "climate_maps.h"
#include "errors.h"
#include "gas_attenuation.h"
#include "outage.h"
#include "rain.h"

namespace hopscale::propagation {

enum class ConditionInput {
    Threshold,
    Polarisation,
    RainRate,
    RainZone,
    RainMap,
    Multipath,
    TerrainFactor,
    ClimateFactor,
    GeoclimaticK,
    DN75,
    GroundElevations,
    AntennaHeights,
    MeanTerrain,
    CentreLatitude,
    Pressure,
    Temperature,
    WaterVapour,
    Target,
    ExtraLoss,
    // Equipment and the outage models beyond the single threshold.
    Radio,
    RxRadio,
    Antenna,
    RxAntenna,
    C0I,
    XpdAntenna,
    Xpif,
    TxAntennas,
    TxAntennaSeparation,
    U0,
    Signature,
    SignatureMin,
    SignatureNonMin,
    Diversity,
    DiversitySeparation,
    DiversityGainDifference,
    DiversityFrequencySeparation,
    LogKMap,
    DN75Map,
};
// The link conditions (threshold to extra loss): the window, calc and batch.
inline constexpr std::size_t kConditionInputCount = 19;
// The equipment and outage inputs after them (radio to the dN75 map): calc and batch.
inline constexpr std::size_t kOutageInputCount = 19;
inline constexpr std::size_t kAllInputCount = kConditionInputCount + kOutageInputCount;
// The first of the inputs that ask for the outage models beyond the single threshold.
inline constexpr ConditionInput kFirstOutageInput = ConditionInput::Radio;

struct ConditionInputInfo {
    ConditionInput input;
    const char* name;         // option and column name: "threshold", "rain-zone"
    const char* caption;      // "Receiver threshold"
    const char* unit;         // "dBm"; "" when none
    const char* defaultText;  // the text an untouched input holds
    const char* help;         // one line for --help and tool tips
};
const std::array<ConditionInputInfo, kConditionInputCount>& allConditionInputs();
// The sibling table of the equipment and outage inputs, in the same form.
const std::array<ConditionInputInfo, kOutageInputCount>& outageConditionInputs();
// Of either table.
const ConditionInputInfo& conditionInputInfo(ConditionInput input);
// The input of a name ("threshold", "radio"), of either table; empty when unknown.
std::optional<ConditionInput> conditionInputByName(const std::string& name);

// Every input of both tables as text, indexed by ConditionInput; each starts at its default.
struct LinkConditionTexts {
    std::array<std::string, kAllInputCount> texts;
    LinkConditionTexts();
    std::string& operator[](ConditionInput i) { return texts[static_cast<std::size_t>(i)]; }
    const std::string& operator[](ConditionInput i) const {
        return texts[static_cast<std::size_t>(i)];
    }
};

enum class RainSource { None, Rate, Zone, Map };

// The inputs as numbers, checked.
struct LinkConditions {
    double thresholdDbm = 0;
    double polarisationTiltDeg = 90;  // 0 horizontal, 45 circular, 90 vertical
    std::string polarisationName;     // "vertical", "horizontal", "circular", "tilt 30 degrees"

    RainSource rainSource = RainSource::None;
    double rainRateMmH = 0;  // R0.01 for Rate and Zone (Map: looked up at the centre)
    char rainZone = 0;       // for Zone
    std::shared_ptr<const RainMap> rainMap;  // for Map

    MultipathMethod multipath = MultipathMethod::VigantsBarnett;
    double terrainFactor = 1;                         // Vigants-Barnett a
    double climateFactor = 0.25;                      // Vigants-Barnett b
    double geoclimaticK = 0;                          // P.530: K
    bool kFromLogK = false;                           //   typed as log10 K
    double dN75 = 0;                                  // P.530: N-units/km
    std::shared_ptr<const QuarterDegreeMap> logKMap;  // P.530: K from LogK.csv at the centre
    std::shared_ptr<const QuarterDegreeMap> dN75Map;  // P.530: dN75 from dN75.csv
    double groundFromM = 0, groundToM = 0;            // ground elevations, m above sea level
    double antennaFromM = 0, antennaToM = 0;          // antenna heights above ground, m
    double meanTerrainM = 0;                          // m above sea level
    std::optional<double> centreLatitudeDeg;          // typed; else from the end coordinates

    std::shared_ptr<const GasModel> gas;  // the atmosphere with its line strengths
    double targetPercent = 99.999;
    double extraLossDb = 0;

    // Equipment named from the library (the caller resolves the names into `outage.modes`, the
    // dish diameters and XPDg) and the options of the outage models.
    std::string radioName, rxRadioName, antennaName, rxAntennaName;
    OutageOptions outage;

    // The models' names with their inputs as every result lists them, written once here
    // rather than for every hop (nameModels; readLinkConditions calls it).
    std::string gasModelText;         // "ITU-R P.676-13 Annex 1, p 1013.25 hPa dry, ..."
    std::string rainCoefficientText;  // "ITU-R P.838-3, vertical polarisation"
    std::string rainSourceText;       // "R0.01 42 mm/h typed" (empty for a map)
    std::string multipathModelText;   // "Vigants-Barnett, a 1, b 0.25, annual"
    std::string extraLossText;        // "Extra path loss 6 dB", empty for 0 dB
};

// Fills the model texts of `c` from its values; call it again after changing them by hand.
void nameModels(LinkConditions& c);

// A number as the model texts write it: six significant digits ("1013.25", "1e-04").
std::string modelNumber(double value);

// Checks and converts the texts. Numbers follow the program's strict reading (blanks around
// allowed, "1e-4" accepted). Every error names its input by caption in Error::input:
//   Receiver threshold: a number (required: without it there is nothing to compute);
//   Polarisation: h, v or c (any case, or the words) or a tilt in degrees 0..90;
//   Rain rate: a number >= 0; Rain zone: one letter A..Q of P.837-1 (no I, no O);
//   Rain map file: readable, 1441 x 2881 numbers; at most one of the three rain inputs;
//   Multipath method: vigants or p530; Terrain factor a and Climate factor b: numbers > 0;
//   Geoclimatic factor K: > 0, or a negative number read as log10 K; dN75: >= 0;
//   Ground elevations and Antenna heights: two numbers "from,to" (antenna heights >= 0);
//   K, dN75, the heights and the mean terrain height are required by p530 only;
//   Path-centre latitude: -90..90 or empty; Dry-air pressure > 0; Temperature > -273.15 C;
//   Water-vapour density >= 0; Target availability: more than 0 and less than 100 %;
//   Extra path loss: a number (dB, may be negative);
//   Radio, Receiving radio: names (the threshold is then not typed; the caller fills the modes);
//   C0/I, XPIF, Gain difference: numbers; Antenna XPD: a number or "antennas";
//   Transmit antennas: 1 or 2 (2 needs their separation > 0); U0: a number;
//   Signature: "W_MHZ,B_DB,TAU_NS" with W > 0 and TAU not 0, both phases, or the two phases
//   apart (not both forms); Diversity: none, space (needs Diversity separation > 0) or
//   frequency (needs Frequency separation > 0);
//   LogK and dN75 map files: readable 721 x 1441 grids (instead of a typed K or dN75).
// A rain map read before is reused while its file is unchanged, and the gas line strengths of
// the last atmosphere likewise, so that a batch of hops pays for them once.
Result<LinkConditions> readLinkConditions(const LinkConditionTexts& texts);

// The receiver threshold alone, read and checked exactly as readLinkConditions reads it (for a
// caller that changes only the threshold of conditions it already holds).
Result<double> readThreshold(const std::string& text);

}  // namespace hopscale::propagation
