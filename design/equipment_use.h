// The equipment of a hop from the user's library, joined to its link conditions: the
// receiving radio's modes become the conditions' modes, the antennas' catalogued XPD the
// cross-polar XPDg, and what does not agree with the budget becomes a warning. calc, batch and
// the link design all go through here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "equipment.h"
#include "errors.h"
#include "link_conditions.h"
#include "path_record.h"

namespace hopscale::design {

// The equipment a hop uses from the library: the transmitting and receiving radio and antenna.
struct EquipmentUse {
    std::string txRadio, rxRadio, txAntenna, rxAntenna;  // names; empty when not used
    std::optional<AntennaRecord> txAntennaRecord, rxAntennaRecord;
    std::optional<double> txMaxPowerDbm;  // the transmitting radio's highest max_power_dbm
    bool any() const {
        return !txRadio.empty() || !rxRadio.empty() || txAntennaRecord || rxAntennaRecord;
    }
};

// Whether the conditions name equipment of the library (a radio, an antenna, or the antennas'
// XPD).
bool needsEquipment(const propagation::LinkConditions& conditions);

// Resolves the equipment named in `conditions` in `library`: the receiving radio's modes become
// the conditions' modes (the receiving radio is the rx radio, else the radio), the smaller
// catalogued XPD of the two antennas becomes XPDg when asked for. An InvalidArgument error naming
// the option for a name the library does not hold, or an antenna without its XPD.
std::optional<Error> applyEquipment(propagation::LinkConditions& conditions,
                                    const EquipmentLibrary& library, EquipmentUse& use);

// Warnings about the equipment on this hop: a catalogued antenna gain more than 0.5 dB from the
// budget's formula at the hop's frequency (the budget's gain is used), a transmitter power above
// the transmitting radio's maximum.
std::vector<std::string> equipmentWarnings(const EquipmentUse& use, const PathState& state);

}  // namespace hopscale::design
