// One link as a whole: the two sites with their equipment, the path, the link conditions and
// the terrain profile, every value held as the text the user typed (so that a design re-opens
// exactly as it was saved) and read into numbers only when the link is evaluated.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link_conditions.h"

namespace hopscale::design {

// The ends of a link: From (A) and To (B).
enum class End { From = 0, To = 1 };
inline constexpr std::size_t kEndCount = 2;
inline std::size_t index(End end) { return static_cast<std::size_t>(end); }
inline End other(End end) { return end == End::From ? End::To : End::From; }

// One end of the link: where it stands and what it has.
struct SiteDesign {
    std::string name;
    std::string lat, lon;         // packed DDMMSS / DDDMMSS as the input screen reads them
    std::string groundElevation;  // m above sea level; empty: from the profile's end
    std::string antennaHeight;    // m above ground
    std::string dish;             // diameter, ft
    std::string lineType;         // a catalogue line type; empty: `loss` is used
    std::string loss;             // feeder loss, dB per 100 ft
    std::string length;           // feeder length, ft
    std::string power;            // transmitter power, dBm (or W with `watts`)
    bool watts = false;
    std::string ampGain;     // transmit amplifier gain, dB (whole number)
    std::string preampGain;  // receive preamplifier gain, dB
    std::string threshold;   // receiver threshold, dBm; empty: no performance
    std::string radio;       // a radio of the equipment library (its modes give the thresholds)
    std::string antenna;     // an antenna of the library (its diameter is the dish)
};

struct PathDesign {
    std::string freq;        // GHz
    std::string k;           // earth factor
    std::string fadeMargin;  // desired fade margin, dB
    std::string length;      // used when the sites have no coordinates; miles, or km with `km`
    bool km = false;
};

struct ProfileDesign {
    std::string profile;           // a CSV profile file; relative to the design's folder
    std::vector<std::string> dem;  // elevation rasters or folders; relative likewise
    std::string criteria;          // clearance criteria; empty: the North American preset
    std::string fixedEnd;          // "", "from" or "to": the end kept when searching heights
    bool subtractDiffraction = false;
    // Diffraction and reflection over the profile (the polarisation is the link's).
    std::string diffractionK = "4/3";  // earth factor of the reported loss
    std::string seaFraction;           // 0..1; empty: the profile's sea marks
    bool reflection = false;
    std::string surface = "fit";  // "fit" or a level, m above sea level
    std::string ground = "land";  // sea, land or "ER,SIGMA"
    std::string roughness = "0";  // rms height, m
    std::string sweep;            // "FROM,TO" receive heights, m
    bool given() const { return !profile.empty() || !dem.empty(); }
};

struct LinkDesign {
    std::string name;
    PathDesign path;
    std::array<SiteDesign, kEndCount> sites;
    // The link conditions by their option names; the per-site ones (threshold, ground
    // elevations, antenna heights) are not read from here but from the sites.
    propagation::LinkConditionTexts conditions;
    ProfileDesign profile;
    // The folder relative file names are read against (the design file's own folder).
    std::filesystem::path baseDir;

    LinkDesign();  // every value at its default
    SiteDesign& site(End end) { return sites[index(end)]; }
    const SiteDesign& site(End end) const { return sites[index(end)]; }
};

// The link conditions a design holds in `conditions`: all but the threshold, ground
// elevations, antenna heights, radios and antennas, which belong to the sites.
bool isDesignCondition(propagation::ConditionInput input);

// ---- keys ----
// Every value has a key: the option name of `calc` without dashes, as `batch` columns are.
// A site key is one of kSiteKeys; a path key one of kPathKeys; a profile key one of
// kProfileKeys; a condition key the name of a design condition.

struct TextKey {
    const char* key;      // "dish"
    const char* caption;  // "Dish diameter"
    const char* unit;     // "ft"; "" when none
};
inline constexpr std::array<TextKey, 16> kSiteKeys{{
    {"name", "Site name", ""},
    {"lat", "Latitude", "DDMMSS"},
    {"lon", "Longitude", "DDDMMSS"},
    {"ground-elevation", "Ground elevation", "m"},
    {"antenna-height", "Antenna height", "m"},
    {"dish", "Dish diameter", "ft"},
    {"line-type", "Feeder line type", ""},
    {"loss", "Feeder loss", "dB/100 ft"},
    {"length", "Feeder length", "ft"},
    {"power", "Transmitter power", "dBm or W"},
    {"watts", "Power in watts", ""},
    {"amp-gain", "Amplifier gain", "dB"},
    {"preamp-gain", "Preamplifier gain", "dB"},
    {"threshold", "Receiver threshold", "dBm"},
    {"radio", "Radio", ""},
    {"antenna", "Antenna", ""},
}};
inline constexpr std::array<TextKey, 5> kPathKeys{{
    {"freq", "Frequency", "GHz"},
    {"k", "Earth factor", ""},
    {"fade-margin", "Desired fade margin", "dB"},
    {"length", "Path length", "mi or km"},
    {"km", "Length in kilometres", ""},
}};
inline constexpr std::array<TextKey, 12> kProfileKeys{{
    {"profile", "Profile file", ""},
    {"dem", "Elevation rasters", ""},
    {"criteria", "Clearance criteria", ""},
    {"fixed-end", "Fixed end", ""},
    {"subtract-diffraction", "Subtract the diffraction loss", ""},
    {"diffraction-k", "Earth factor of the diffraction loss", ""},
    {"sea-fraction", "Fraction of the path over sea", ""},
    {"reflection", "Reflection analysis", ""},
    {"surface", "Reflecting surface", "m"},
    {"ground", "Ground of the surface", ""},
    {"roughness", "Surface roughness", "m"},
    {"sweep", "Receive heights swept", "m"},
}};

// Whether a key holds a switch (a JSON boolean; "1"/"0" or "true"/"false" as text).
bool isSwitchKey(std::string_view key);

// Sets a value by key from its text. Switches read "1", "true", "yes" as on and "0", "false",
// "no" or "" as off; `dem` reads a list separated by ';'. Unknown keys and unreadable switches
// are an error naming the key.
std::optional<std::string> setSiteKey(SiteDesign& site, std::string_view key,
                                      std::string_view text);
std::optional<std::string> setPathKey(PathDesign& path, std::string_view key,
                                      std::string_view text);
std::optional<std::string> setProfileKey(ProfileDesign& profile, std::string_view key,
                                         std::string_view text);
// A design condition by its name; an error for other names.
std::optional<std::string> setConditionKey(propagation::LinkConditionTexts& conditions,
                                           std::string_view key, std::string_view text);

// The text of a value by key ("1"/"0" for a switch, ';'-joined for `dem`); empty when unknown.
std::string siteKeyText(const SiteDesign& site, std::string_view key);
std::string pathKeyText(const PathDesign& path, std::string_view key);
std::string profileKeyText(const ProfileDesign& profile, std::string_view key);

// The known key closest to `key` among `known` (for "did you mean"), when one is close.
std::optional<std::string> closestKey(std::string_view key, const std::vector<std::string>& known);

// Names of every key of a kind, in table order.
std::vector<std::string> siteKeyNames();
std::vector<std::string> pathKeyNames();
std::vector<std::string> profileKeyNames();
std::vector<std::string> conditionKeyNames();

// A file name of the design as the program opens it: absolute as it is, else against baseDir.
std::string resolvePath(const LinkDesign& design, const std::string& name);

}  // namespace hopscale::design
