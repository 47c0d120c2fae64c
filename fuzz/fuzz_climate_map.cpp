// libFuzzer target: the reader of the LogK.csv and dN75.csv grids. Any input is a map of the
// right shape or an error naming the file; a map read is looked up at a point the input chooses.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "climate_maps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto map = hopscale::propagation::QuarterDegreeMap::parse(text, "LogK.csv", "LogK map");
    if (!map) {
        if (map.error->file != "LogK.csv") __builtin_trap();
        (void)map.error->message();
        return 0;
    }
    double point[2] = {0, 0};
    if (size >= sizeof point) std::memcpy(point, data, sizeof point);
    const auto value = map.value->valueAt(point[0], point[1]);
    if (value && !std::isfinite(*value)) __builtin_trap();
    return 0;
}
