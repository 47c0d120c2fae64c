// Maps through GDAL's vector drivers, in the module libhopscale_gdal.so beside the raster
// reader: the layers are written into GDAL's in-memory file system and handed back as bytes,
// which the caller writes to the real file atomically. Also the module-wide block cache size.
#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "gdal_quiet.h"
#include "map_writer.h"

namespace hopscale::terrain {
namespace {

struct DatasetCloser {
    void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
struct FeatureDeleter {
    void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};

// GDAL's last message in parentheses, for the end of a reason; empty when it gave none.
std::string gdalReason() {
    const std::string m = QuietGdal::lastMessage();
    return m.empty() ? std::string() : " (" + m + ")";
}

std::string extensionOf(const std::string& driver) {
    if (driver == "KML") return ".kml";
    if (driver == "GPKG") return ".gpkg";
    return ".geojson";
}

// A fresh name in GDAL's in-memory file system for one write.
std::string memoryPath(const std::string& driver) {
    static std::atomic<unsigned> counter{0};
    return "/vsimem/hopscale_map_" + std::to_string(counter++) + extensionOf(driver);
}

// Removes an in-memory file (a GeoPackage leaves journal files beside it too).
void removeMemoryFiles(const std::string& path) {
    VSIUnlink(path.c_str());
    VSIUnlink((path + "-journal").c_str());
    VSIUnlink((path + "-wal").c_str());
    VSIUnlink((path + "-shm").c_str());
}

// Writes one layer; a `mixed` one holds points and lines (each feature's by its vertices).
bool writeLayer(GDALDataset& ds, const MapLayer& layer, bool mixed, OGRSpatialReference& wgs84,
                std::string& why) {
    const OGRwkbGeometryType type = mixed ? wkbUnknown : layer.lines ? wkbLineString : wkbPoint;
    OGRLayer* out = ds.CreateLayer(layer.name.c_str(), &wgs84, type, nullptr);
    if (out == nullptr) {
        why = "cannot create the layer \"" + layer.name + "\"" + gdalReason();
        return false;
    }
    for (const MapField& field : layer.fields) {
        OGRFieldDefn definition(field.name.c_str(), field.numeric ? OFTReal : OFTString);
        if (out->CreateField(&definition) != OGRERR_NONE) {
            why = "cannot create the field \"" + field.name + "\"" + gdalReason();
            return false;
        }
    }
    // GeoPackage writes row by row unless the layer's features share one transaction.
    const bool transaction = out->StartTransaction() == OGRERR_NONE;
    for (const MapFeature& source : layer.features) {
        std::unique_ptr<OGRFeature, FeatureDeleter> feature(
            OGRFeature::CreateFeature(out->GetLayerDefn()));
        for (std::size_t i = 0; i < source.values.size() && i < layer.fields.size(); ++i) {
            const int index = static_cast<int>(i);
            if (const double* number = std::get_if<double>(&source.values[i])) {
                feature->SetField(index, *number);
            } else if (const std::string* text = std::get_if<std::string>(&source.values[i])) {
                feature->SetField(index, text->c_str());
            } else {
                feature->SetFieldNull(index);
            }
        }
        // A feature without vertices (a line whose ends could not be placed) has no geometry.
        if (source.vertices.empty()) {
        } else if (layer.lines || (mixed && source.vertices.size() > 1)) {
            OGRLineString line;
            for (const GeoPoint& p : source.vertices)
                line.addPoint(p.longitudeEastDeg, p.latitudeDeg);
            feature->SetGeometry(&line);
        } else {
            OGRPoint point(source.vertices.front().longitudeEastDeg,
                           source.vertices.front().latitudeDeg);
            feature->SetGeometry(&point);
        }
        if (!source.style.empty()) feature->SetStyleString(source.style.c_str());
        if (out->CreateFeature(feature.get()) != OGRERR_NONE) {
            why = "cannot write a feature of the layer \"" + layer.name + "\"" + gdalReason();
            if (transaction) out->RollbackTransaction();
            return false;
        }
    }
    if (transaction && out->CommitTransaction() != OGRERR_NONE) {
        why = "cannot write the layer \"" + layer.name + "\"" + gdalReason();
        return false;
    }
    return true;
}

// GeoJSON holds one feature collection: the layers are merged into one whose fields are all
// of theirs (a name met with two types is text) and a `layer` field naming each feature's.
MapLayer mergedLayer(const std::vector<MapLayer>& layers) {
    MapLayer merged{"features", false, {{"layer", false}}, {}};
    auto indexOf = [&](const std::string& name) {
        for (std::size_t i = 0; i < merged.fields.size(); ++i) {
            if (merged.fields[i].name == name) return i;
        }
        return merged.fields.size();
    };
    for (const MapLayer& layer : layers) {
        for (const MapField& field : layer.fields) {
            const std::size_t at = indexOf(field.name);
            if (at == merged.fields.size()) {
                merged.fields.push_back(field);
            } else if (merged.fields[at].numeric != field.numeric) {
                merged.fields[at].numeric = false;
            }
        }
    }
    for (const MapLayer& layer : layers) {
        for (const MapFeature& feature : layer.features) {
            MapFeature copy{feature.vertices, {}, feature.style};
            copy.values.resize(merged.fields.size());
            copy.values[0] = layer.name;
            for (std::size_t i = 0; i < feature.values.size() && i < layer.fields.size(); ++i) {
                const std::size_t at = indexOf(layer.fields[i].name);
                const double* number = std::get_if<double>(&feature.values[i]);
                if (number != nullptr && !merged.fields[at].numeric) {
                    copy.values[at] = CPLSPrintf("%.15g", *number);
                } else {
                    copy.values[at] = feature.values[i];
                }
            }
            merged.features.push_back(std::move(copy));
        }
    }
    return merged;
}

class GdalVectorWriter final : public VectorWriter {
  public:
    bool write(const std::string& driverName, const std::vector<MapLayer>& layers,
               std::string& bytes, std::string& why) const override {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
        QuietGdal quiet;
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
        // KML through libkml where GDAL has it: it keeps every attribute as extended data.
        if (driverName == "KML") {
            if (GDALDriver* libkml = GetGDALDriverManager()->GetDriverByName("LIBKML")) {
                driver = libkml;
            }
        }
        if (driver == nullptr) {
            why = "GDAL has no " + driverName + " driver";
            return false;
        }
        const std::string path = memoryPath(driverName);
        bool ok = true;
        {
            std::unique_ptr<GDALDataset, DatasetCloser> ds(
                driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
            if (!ds) {
                why = "the " + driverName + " driver cannot create the map" + gdalReason();
                removeMemoryFiles(path);
                return false;
            }
            OGRSpatialReference wgs84;
            wgs84.SetWellKnownGeogCS("WGS84");
            wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
            const bool oneLayer = driverName == "GeoJSON" && layers.size() > 1;
            const std::vector<MapLayer> merged =
                oneLayer ? std::vector<MapLayer>{mergedLayer(layers)} : std::vector<MapLayer>{};
            for (const MapLayer& layer : oneLayer ? merged : layers) {
                if (!writeLayer(*ds, layer, oneLayer, wgs84, why)) {
                    ok = false;
                    break;
                }
            }
        }  // closed: the driver has written everything
        if (ok) {
            vsi_l_offset size = 0;
            GByte* data = VSIGetMemFileBuffer(path.c_str(), &size, FALSE);
            if (data == nullptr) {
                why = "the " + driverName + " driver wrote nothing" + gdalReason();
                ok = false;
            } else {
                bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
            }
        }
        removeMemoryFiles(path);
        return ok;
    }
};

}  // namespace
}  // namespace hopscale::terrain

extern "C" __attribute__((visibility("default"))) const hopscale::terrain::VectorWriter*
hopscale_vector_writer() {
    static const hopscale::terrain::GdalVectorWriter writer;
    return &writer;
}

extern "C" __attribute__((visibility("default"))) void hopscale_set_cache_max(std::int64_t bytes) {
    GDALSetCacheMax64(bytes);
}
