#include "map_writer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "data_file.h"
#include "profile_export.h"
#include "raster_module.h"

namespace hopscale::terrain {

std::string mapDriverFor(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".kml") return "KML";
    if (extension == ".geojson" || extension == ".json") return "GeoJSON";
    if (extension == ".gpkg") return "GPKG";
    if (extension == ".svg") return "SVG";
    return {};
}

namespace {

// The colour of an OGR pen style ("PEN(c:#00A000,w:4px)"); grey without one.
std::string penColour(const std::string& style) {
    const auto at = style.find("c:#");
    if (at == std::string::npos || at + 9 > style.size()) return "#808080";
    return style.substr(at + 2, 7);
}

}  // namespace

std::string mapSvg(const std::vector<MapLayer>& layers) {
    // The extent of every vertex; longitudes scaled by the cosine of the mean latitude, so
    // that distances look right near the area drawn (an equirectangular view).
    double south = 90, north = -90, west = 180, east = -180;
    for (const MapLayer& layer : layers) {
        for (const MapFeature& f : layer.features) {
            for (const GeoPoint& p : f.vertices) {
                south = std::min(south, p.latitudeDeg);
                north = std::max(north, p.latitudeDeg);
                west = std::min(west, p.longitudeEastDeg);
                east = std::max(east, p.longitudeEastDeg);
            }
        }
    }
    if (south > north) south = north = west = east = 0;
    const double scaleX = std::cos((south + north) / 2 * 3.14159265358979323846 / 180);
    const double spanX = std::max((east - west) * scaleX, 1e-6);
    const double spanY = std::max(north - south, 1e-6);
    // Room on the right for the labels of the easternmost points.
    constexpr double kWidth = 800, kMargin = 60, kLabelRoom = 120;
    const double scale = (kWidth - 2 * kMargin - kLabelRoom) / std::max(spanX, spanY);
    const double height = spanY * scale + 2 * kMargin;
    auto x = [&](const GeoPoint& p) {
        return kMargin + (p.longitudeEastDeg - west) * scaleX * scale;
    };
    auto y = [&](const GeoPoint& p) { return kMargin + (north - p.latitudeDeg) * scale; };
    char buffer[256];
    std::string out;
    std::snprintf(buffer, sizeof buffer,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                  "font-family=\"DejaVu Sans, sans-serif\" font-size=\"13\">\n"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                  kWidth, height);
    out += buffer;
    for (bool lines : {true, false}) {  // the links under the sites
        for (const MapLayer& layer : layers) {
            if (layer.lines != lines) continue;
            for (const MapFeature& f : layer.features) {
                if (f.vertices.empty()) continue;
                const std::string name =
                    !f.values.empty() && std::holds_alternative<std::string>(f.values[0])
                        ? xmlEscaped(std::get<std::string>(f.values[0]))
                        : std::string();
                if (lines) {
                    out += "<polyline fill=\"none\" stroke-width=\"4\" stroke=\"" +
                           penColour(f.style) + "\" points=\"";
                    for (const GeoPoint& p : f.vertices) {
                        std::snprintf(buffer, sizeof buffer, "%.1f,%.1f ", x(p), y(p));
                        out += buffer;
                    }
                    out += "\"><title>" + name + "</title></polyline>\n";
                } else {
                    const GeoPoint& p = f.vertices.front();
                    std::snprintf(buffer, sizeof buffer,
                                  "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"#1f3f7f\"/>"
                                  "<text x=\"%.1f\" y=\"%.1f\">",
                                  x(p), y(p), x(p) + 9, y(p) - 7);
                    out += buffer + name + "</text>\n";
                }
            }
        }
    }
    out += "</svg>\n";
    return out;
}

Result<bool> writeMap(const std::string& path, const std::vector<MapLayer>& layers) {
    Error e;
    e.file = path;
    const std::string driver = mapDriverFor(path);
    if (driver.empty()) {
        e.kind = ErrorKind::InvalidArgument;
        e.detail = "is not a map file name: it must end in .kml, .geojson, .gpkg or .svg";
        return e;
    }
    if (driver == "SVG") {  // drawn here, without GDAL
        if (auto failed = writeFileAtomically(path, mapSvg(layers))) return *failed;
        return true;
    }
    Result<void*> symbol = rasterModuleSymbol(kVectorWriterSymbol);
    if (!symbol) return *symbol.error;
    const VectorWriter* writer = reinterpret_cast<VectorWriterFactory>(*symbol)();
    std::string bytes;
    std::string why;
    if (writer == nullptr || !writer->write(driver, layers, bytes, why)) {
        e.kind = ErrorKind::BadFile;
        e.detail = writer == nullptr ? "the map writer is missing" : why;
        return e;
    }
    if (auto failed = writeFileAtomically(path, bytes)) return *failed;
    return true;
}

Result<bool> setRasterCacheBytes(std::int64_t bytes) {
    Result<void*> symbol = rasterModuleSymbol(kCacheSizeSymbol);
    if (!symbol) return *symbol.error;
    reinterpret_cast<CacheSizeSetter> (*symbol)(bytes);
    return true;
}

}  // namespace hopscale::terrain
