// Example paths shared by the engine's tests and benchmarks.
#pragma once

#include "path_record.h"

namespace hopscale::examples {

// Dishes 6 and 8 ft, amplifier 3, preamplifier 2, transmit line 1.5 dB/100 ft over 150 ft,
// receive line 2.25 dB/100 ft over 200 ft, 20 km, 6 GHz, fade margin 20, 10 W.
inline PathInputs kmWattsPath() {
    PathInputs in;
    in[Field::Text1] = "6";
    in[Field::Text3] = "8";
    in[Field::Text15] = "3";
    in[Field::Text4] = "2";
    in[Field::Text2] = "1.5";
    in[Field::Text16] = "150";
    in[Field::Text8] = "2.25";
    in[Field::Text18] = "200";
    in[Field::Text24] = "20";
    in[Field::Text10] = "6";
    in[Field::Text12] = "20";
    in[Field::Text26] = "10";
    in.km = true;
    in.watts = true;
    return in;
}

}  // namespace hopscale::examples
