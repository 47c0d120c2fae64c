// The names of the files in the data directory, written once for every reader and writer.
#pragma once

#include <string_view>

namespace hopscale {

// The catalogue index.
inline constexpr const char* kIndexFileName = "listing.dat";
// The saved inputs of the last path.
inline constexpr const char* kSavedInputsFileName = "PATHCFG.DAT";
// What follows a line-type name in the name of its attenuation table ("WR90.dat").
inline constexpr std::string_view kAttenuationFileSuffix = ".dat";
// The environment variable that names the data directory.
inline constexpr const char* kDataDirEnvironment = "HOPSCALE_HOME";

}  // namespace hopscale
