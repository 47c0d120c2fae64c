// SRTM .hgt tiles written byte by byte for the tests, so that the raster reader is checked
// against the format itself rather than against another GDAL writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "test_files.h"

namespace hopscale::terrain::testing {

// A tile of n x n samples (1201 for 3 arc-seconds, 3601 for 1 arc-second) whose south-west
// corner is at whole degrees (south, west; west negative for W). Samples lie on whole
// multiples of 1 / (n - 1) degree, rows from north to south, big-endian int16; `elevation`
// (latitude, longitude east positive) is rounded to whole metres (-32768 marks a void).
template <class Elevation>
void writeHgt(const std::filesystem::path& file, int n, int south, int west, Elevation elevation) {
    std::string bytes(static_cast<std::size_t>(n) * n * 2, '\0');
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            const double lat = south + 1 - static_cast<double>(row) / (n - 1);
            const double lon = west + static_cast<double>(col) / (n - 1);
            const auto value = static_cast<std::int16_t>(std::lround(elevation(lat, lon)));
            const auto u = static_cast<std::uint16_t>(value);
            const std::size_t at = (static_cast<std::size_t>(row) * n + col) * 2;
            bytes[at] = static_cast<char>(u >> 8);
            bytes[at + 1] = static_cast<char>(u & 0xff);
        }
    }
    testing_files::writeBytes(file, bytes);
}

// The plateau ridge of tile N41W082 used by the command tests: 100 m plain, a plateau of
// 220 m from 41.45 to 41.55 N with ramps of 2 m per 3-arc-second pixel (0.05 degree) on
// either side. Every kink lies on a pixel row, so bilinear reading reproduces it exactly.
inline double plateauRidgeM(double lat) {
    const double fromPlateau = std::max(0.0, std::fabs(lat - 41.5) - 0.05);
    return 100 + 120 * std::max(0.0, 1 - fromPlateau / 0.05);
}

}  // namespace hopscale::terrain::testing
