// The one object that holds the process-wide state of a running program. It is created by
// main() and handed to every screen, lookup and command that needs it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "catalogue.h"
#include "errors.h"
#include "path_record.h"

namespace hopscale {

// Which line type, at which frequency text, gave an attenuation that is held.
struct LookedUp {
    std::string lineType;
    std::string frequency;
};

struct AppState {
    std::filesystem::path dataDir;  // the install directory: catalogue and saved inputs
    // Why the install directory cannot be used, when it cannot: the windows still start, say
    // so once, offer nothing and load nothing (saves then fail and say so).
    std::optional<Error> dataDirError;

    PathState path;  // numeric inputs as read, captured values, results

    // How the input screen was reached: 1 after the start screen's Skip, 0 after GO or the
    // guide's Continue.
    std::int16_t guideSkipped = 0;

    // The guide's choices and lookups; they outlive the guide window.
    std::string selectedTxLineType;
    std::string selectedRxLineType;
    float txAttenuation = 0;  // dB per 100 ft
    float rxAttenuation = 0;  // dB per 100 ft
    LookedUp txLookedUp;      // what gave txAttenuation; empty before the first lookup
    LookedUp rxLookedUp;

    Catalogue catalogue;
    AttenuationTable txTable;
    AttenuationTable rxTable;
};

}  // namespace hopscale
