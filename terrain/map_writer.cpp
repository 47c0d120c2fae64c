#include "map_writer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "data_file.h"
#include "raster_module.h"

namespace hopscale::terrain {

std::string mapDriverFor(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".kml") return "KML";
    if (extension == ".geojson" || extension == ".json") return "GeoJSON";
    if (extension == ".gpkg") return "GPKG";
    return {};
}

Result<bool> writeMap(const std::string& path, const std::vector<MapLayer>& layers) {
    Error e;
    e.file = path;
    const std::string driver = mapDriverFor(path);
    if (driver.empty()) {
        e.kind = ErrorKind::InvalidArgument;
        e.detail = "is not a map file name: it must end in .kml, .geojson or .gpkg";
        return e;
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
