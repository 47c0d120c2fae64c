// Maps of a network: layers of points (sites) and lines (links) with their figures as
// attributes, written through GDAL's vector drivers by the module that also reads elevation
// rasters (libhopscale_gdal.so, loaded on first use). Plain C++: no GDAL here.
//
// The format follows the file's extension: .kml (KML, each line coloured by its style),
// .geojson or .json (GeoJSON), .gpkg (GeoPackage). Coordinates are WGS84 degrees. A GeoJSON
// file holds one feature collection: the layers are merged into it, each feature with a
// `layer` attribute naming its layer (a field two layers give with different types is text).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "errors.h"
#include "geo.h"

namespace hopscale::terrain {

// A value of an attribute: none (null), a number or a text.
using MapValue = std::variant<std::monostate, double, std::string>;

struct MapField {
    std::string name;
    bool numeric = false;  // Real when true, String otherwise
};

// One feature: a point (one vertex) or a line (two or more), its values in the order of
// the layer's fields, and an optional OGR feature style string ("PEN(c:#00FF00,w:4px)")
// that drivers with styles (KML) draw it with.
struct MapFeature {
    std::vector<GeoPoint> vertices;
    std::vector<MapValue> values;
    std::string style;
};

struct MapLayer {
    std::string name;
    bool lines = false;  // line strings; points otherwise
    std::vector<MapField> fields;
    std::vector<MapFeature> features;
};

// The GDAL driver a map file's extension asks for ("KML", "GeoJSON", "GPKG"), or "SVG" for a
// picture drawn without GDAL; empty when the extension is none of .kml, .geojson, .json,
// .gpkg, .svg (any case).
std::string mapDriverFor(const std::string& path);

// Writes the layers to `path` (replaced as a whole, never left half written). Errors: an
// extension no driver is known for (InvalidArgument, naming the file), the module that
// cannot be loaded (FileNotFound or BadFile), GDAL failing (BadFile with its message), the
// file that cannot be written.
Result<bool> writeMap(const std::string& path, const std::vector<MapLayer>& layers);

// A picture of the layers as SVG: the lines in their pen colour under the points, each point
// labelled with its first value (the name), in an equirectangular view of their extent.
std::string mapSvg(const std::vector<MapLayer>& layers);

// GDAL's raster block cache, in bytes, for the rest of the run: a run that samples many
// profiles from the same rasters keeps their tiles in memory. Loads the module.
Result<bool> setRasterCacheBytes(std::int64_t bytes);

// What the module exports for maps, resolved with dlsym by the names below.
class VectorWriter {
  public:
    virtual ~VectorWriter() = default;
    // The file's bytes as `driver` writes the layers; false with the reason in `why`.
    virtual bool write(const std::string& driver, const std::vector<MapLayer>& layers,
                       std::string& bytes, std::string& why) const = 0;
};
inline constexpr const char* kVectorWriterSymbol = "hopscale_vector_writer";
using VectorWriterFactory = const VectorWriter* (*)();
inline constexpr const char* kCacheSizeSymbol = "hopscale_set_cache_max";
using CacheSizeSetter = void (*)(std::int64_t bytes);

}  // namespace hopscale::terrain
