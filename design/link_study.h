// A link design evaluated as a whole: the budget and performance of both directions, the
// clearance over the profile, and the rules that join them. The windows, `design report`
// and `network` all go through evaluate(), so they cannot diverge.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "clearance.h"
#include "equipment.h"
#include "equipment_use.h"
#include "errors.h"
#include "geo.h"
#include "link_conditions.h"
#include "link_design.h"
#include "link_performance.h"
#include "path_record.h"
#include "path_run.h"
#include "profile.h"
#include "profile_propagation.h"

namespace hopscale::terrain {
class ElevationRasters;
}

namespace hopscale::design {

// What evaluation needs beyond the design itself.
struct Environment {
    // Where catalogue line types are looked up; empty: a site that names a line type is an
    // error.
    std::filesystem::path dataDir;
    // Rasters already opened (a network run opens them once); when null the design's `dem`
    // files are opened for this evaluation. Not for two threads at once.
    const terrain::ElevationRasters* rasters = nullptr;
    // The equipment library already read (a network run reads it once); when null and a site
    // names a radio or an antenna, the data directory's library is read for this evaluation.
    const EquipmentLibrary* equipment = nullptr;
};

// One direction of the link, X to Y: X's transmitter and Y's receiver.
struct DirectionStudy {
    End from = End::From;
    std::string fromName, toName;
    PathState state;  // the budget, run from the inputs calc would be given for it
    RunOutcome budget;
    propagation::LinkConditionTexts conditionTexts;  // the conditions as read for it
    // Present when the receiving end has a threshold or either end a radio.
    std::optional<propagation::LinkPerformance> performance;
    EquipmentUse equipment;  // the radios and antennas of the library this direction uses
};

// The two directions together: outages add up (a conservative combination).
struct TwoWay {
    double outagePercent = 0;
    double availabilityPercent = 0;
    double outageMinutesPerYear = 0;
    End worse = End::From;  // the direction (by its transmitting end) with the larger outage
    double targetPercent = 0;
    bool targetMet = false;
    // Per mode, when both directions have the same radio modes: the two directions' outages
    // below that mode added up.
    struct Mode {
        std::string name;
        double outagePercent = 0;
        double availabilityPercent = 0;
    };
    std::vector<Mode> modes;
};

struct SiteFacts {
    std::optional<double> groundM;  // typed, or the profile's end
    bool groundFromProfile = false;
    std::optional<double> antennaHeightM;
    std::optional<double> azimuthDeg;         // towards the other end, true (geodesic)
    std::optional<double> elevationAngleDeg;  // towards the other end's antenna, at k
};

struct LinkStudy {
    // Members as their own initialisers give them; not "= default", which would have a study
    // made in place zeroed first (some 9 kB) before they are.
    LinkStudy() {}  // NOLINT(modernize-use-equals-default)
    std::string name;
    std::array<DirectionStudy, kEndCount> directions;  // [0] From to To, [1] To to From
    std::array<SiteFacts, kEndCount> sites;
    std::optional<PathEnds> ends;          // when the sites have coordinates
    std::optional<GeodesicPath> geodesic;  // between them, with its centre
    std::optional<TwoWay> twoWay;          // when both directions have performance
    std::optional<terrain::Profile> profile;
    std::optional<terrain::ClearanceReport> clearance;
    std::optional<terrain::ProfilePropagation> propagation;  // diffraction and reflection
    double diffractionSubtractedDb = 0;  // the delta-Bullington loss taken from both margins
    std::optional<double> meanTerrainM;  // from the profile, fed to P.530
    std::vector<std::string> warnings;
};

// Evaluates both directions. Errors carry the design key in Error::key ("sites[1].dish",
// "path.freq", "conditions.rain-zone", "profile.dem") besides the kind and message:
// a budget that fails in either direction, conditions that cannot be read, a line type that
// cannot be looked up, a profile that cannot be read or judged.
Result<LinkStudy> evaluate(const LinkDesign& design, const Environment& environment = {});

// The budget inputs of one direction (X's transmit side, Y's receive side), with line types
// looked up at the frequency: the transmit rules for X, the receive rules for Y.
// A site's antenna from the library sets its dish diameter.
Result<PathInputs> directionInputs(const LinkDesign& design, End from,
                                   const std::filesystem::path& dataDir,
                                   const EquipmentLibrary* equipment = nullptr);

// The design key of an input field in the direction leaving `from` ("sites[0].dish").
std::string fieldKey(Field field, End from, const LinkDesign& design);

// The design key of a link condition that failed to read, from the error's input caption.
std::string conditionKey(const Error& error, End from);

}  // namespace hopscale::design
