#include "equipment_use.h"

#include <algorithm>
#include <cmath>

namespace hopscale::design {

using propagation::ConditionInput;

bool needsEquipment(const propagation::LinkConditions& c) {
    return !c.radioName.empty() || !c.rxRadioName.empty() || !c.antennaName.empty() ||
           !c.rxAntennaName.empty() || c.outage.xpdFromAntennas;
}

namespace {

Error equipmentError(ConditionInput input, const std::string& name, std::string detail) {
    Error e{ErrorKind::InvalidArgument};
    e.input = propagation::conditionInputInfo(input).caption;
    e.text = name;
    e.detail = std::move(detail);
    return e;
}

}  // namespace

std::optional<Error> applyEquipment(propagation::LinkConditions& c, const EquipmentLibrary& library,
                                    EquipmentUse& use) {
    use = EquipmentUse{};
    const RadioRecord* tx = nullptr;
    const RadioRecord* rx = nullptr;
    if (!c.radioName.empty()) {
        tx = library.radio(c.radioName);
        if (tx == nullptr) {
            return equipmentError(ConditionInput::Radio, c.radioName,
                                  "is not a radio of the equipment library (radios.csv)");
        }
    }
    if (!c.rxRadioName.empty()) {
        rx = library.radio(c.rxRadioName);
        if (rx == nullptr) {
            return equipmentError(ConditionInput::RxRadio, c.rxRadioName,
                                  "is not a radio of the equipment library (radios.csv)");
        }
    }
    if (rx == nullptr) rx = tx;
    if (tx != nullptr) {
        use.txRadio = tx->name;
        for (const RadioModeRecord& m : tx->modes) {
            if (m.maxPowerDbm && (!use.txMaxPowerDbm || *m.maxPowerDbm > *use.txMaxPowerDbm)) {
                use.txMaxPowerDbm = m.maxPowerDbm;
            }
        }
    }
    if (rx != nullptr) {
        use.rxRadio = rx->name;
        c.outage.modes.clear();
        for (const RadioModeRecord& m : rx->modes) {
            propagation::RadioMode mode;
            mode.name = m.mode;
            mode.capacityMbps = m.capacityMbps;
            mode.thresholdDbm = m.thresholdDbm;
            mode.c0iDb = m.c0iDb;
            auto signature = [](const std::optional<SignatureRecord>& s) {
                return s ? std::optional<propagation::Signature>(
                               propagation::Signature{s->widthMHz, s->depthDb, s->delayNs})
                         : std::nullopt;
            };
            mode.signatureMinimum = signature(m.signatureMinimum);
            mode.signatureNonMinimum = signature(m.signatureNonMinimum);
            c.outage.modes.push_back(std::move(mode));
        }
    }
    const std::string& rxAntennaName = c.rxAntennaName.empty() ? c.antennaName : c.rxAntennaName;
    if (!c.antennaName.empty()) {
        const AntennaRecord* a = library.antenna(c.antennaName);
        if (a == nullptr) {
            return equipmentError(ConditionInput::Antenna, c.antennaName,
                                  "is not an antenna of the equipment library (antennas.csv)");
        }
        use.txAntenna = a->name;
        use.txAntennaRecord = *a;
    }
    if (!rxAntennaName.empty()) {
        const AntennaRecord* a = library.antenna(rxAntennaName);
        if (a == nullptr) {
            return equipmentError(ConditionInput::RxAntenna, rxAntennaName,
                                  "is not an antenna of the equipment library (antennas.csv)");
        }
        use.rxAntenna = a->name;
        use.rxAntennaRecord = *a;
    }
    if (c.outage.xpdFromAntennas) {
        if (!use.txAntennaRecord || !use.rxAntennaRecord) {
            return equipmentError(ConditionInput::XpdAntenna, "antennas",
                                  "needs --antenna (and --rx-antenna where the ends differ)");
        }
        for (const auto* a : {&*use.txAntennaRecord, &*use.rxAntennaRecord}) {
            if (!a->xpdDb) {
                return equipmentError(ConditionInput::XpdAntenna, "antennas",
                                      "needs the XPD of antenna \"" + a->name +
                                          "\", which antennas.csv does not give");
            }
        }
        c.outage.xpdgDb = std::min(*use.txAntennaRecord->xpdDb, *use.rxAntennaRecord->xpdDb);
    }
    return std::nullopt;
}

std::vector<std::string> equipmentWarnings(const EquipmentUse& use, const PathState& state) {
    std::vector<std::string> warnings;
    const double f = state.values.frequencyGHz;
    const struct {
        const std::optional<AntennaRecord>& antenna;
        const char* end;
    } ends[] = {{use.txAntennaRecord, "transmitting"}, {use.rxAntennaRecord, "receiving"}};
    for (const auto& e : ends) {
        if (!e.antenna || !e.antenna->gainDbi || !(f > 0)) continue;
        const double budget = budgetDishGainDbi(e.antenna->diameterFt, f);
        if (std::abs(*e.antenna->gainDbi - budget) > 0.5) {
            warnings.push_back(
                "the catalogued gain of the " + std::string(e.end) + " antenna \"" +
                e.antenna->name + "\", " + propagation::modelNumber(*e.antenna->gainDbi) +
                " dBi, differs from the budget's " + propagation::modelNumber(budget) +
                " dBi for its diameter at this frequency by more than 0.5 dB; the "
                "budget's gain is used");
        }
    }
    if (use.txMaxPowerDbm) {
        const double power = state.results.txPowerDbm;
        if (power > *use.txMaxPowerDbm) {
            warnings.push_back("the transmitter power " + propagation::modelNumber(power) +
                               " dBm is above the radio's maximum of " +
                               propagation::modelNumber(*use.txMaxPowerDbm) + " dBm");
        }
    }
    return warnings;
}

}  // namespace hopscale::design
