// The input fields of a path, identified by the control names of the input screen.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace hopscale {

// In the order of the `calc` command's options.
enum class Field {
    Text1,   // transmit dish diameter, ft
    Text3,   // receive dish diameter, ft
    Text15,  // amplifier gain, dB (whole number)
    Text4,   // preamplifier gain, dB
    Text2,   // transmit line loss, dB per 100 ft
    Text8,   // receive line loss, dB per 100 ft
    Text16,  // transmit line length, ft
    Text18,  // receive line length, ft
    Text5,   // from latitude, packed DMS
    Text6,   // from longitude, packed DMS
    Text7,   // to latitude, packed DMS
    Text9,   // to longitude, packed DMS
    Text24,  // path length, miles or km
    Text10,  // frequency, GHz
    Text12,  // fade margin, dB
    Text22,  // earth factor k
    Text26,  // transmitter power, dBm or W
    Text11,  // path name
};
inline constexpr std::size_t kFieldCount = 18;

struct FieldInfo {
    Field field;
    std::string_view control;      // "Text10"
    std::string_view caption;      // caption on the input screen, "Enter Frequency in GHz"
    std::string_view option;       // command-line option and CSV column, "freq"
    std::string_view defaultText;  // design-time text, "10"
};

// All fields, in enum order.
const std::array<FieldInfo, kFieldCount>& allFields();
inline const FieldInfo& fieldInfo(Field f) { return allFields()[static_cast<std::size_t>(f)]; }

// The words that name a field in messages: its caption, except where two boxes share one.
// Both longitude boxes are captioned "Longitude"; they are told apart by the end of the path
// they belong to: "From Longitude" (Text6) and "To Longitude" (Text9).
std::string_view fieldName(Field f);

}  // namespace hopscale
