// The module that reads elevation rasters through GDAL (libhopscale_gdal.so): every use of
// GDAL in the program is here, behind the RasterReader of raster_module.h.
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>

#include "gdal_quiet.h"
#include "raster_module.h"

namespace hopscale::terrain {
namespace {

struct DatasetCloser {
    void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* t) const {
        OGRCoordinateTransformation::DestroyCT(t);
    }
};

class GdalRaster final : public RasterFile {
  public:
    std::unique_ptr<GDALDataset, DatasetCloser> dataset;
    GDALRasterBand* band = nullptr;
    std::unique_ptr<OGRCoordinateTransformation, TransformDeleter> toRaster;  // when projected

    bool read(int c0, int r0, int w, int h, double* out) const override {
        QuietGdal quiet;
        return band->RasterIO(GF_Read, c0, r0, w, h, out, w, h, GDT_Float64, 0, 0, nullptr) ==
               CE_None;
    }
    bool fromWgs84(double& x, double& y) const override {
        return toRaster && toRaster->Transform(1, &x, &y);
    }
    std::string lastMessage() const override { return QuietGdal::lastMessage(); }
};

class GdalReader final : public RasterReader {
  public:
    std::unique_ptr<RasterFile> open(const std::string& file, RasterGrid& grid,
                                     std::string& why) const override {
        static std::once_flag once;
        std::call_once(once, [] { GDALAllRegister(); });
        auto raster = std::make_unique<GdalRaster>();
        QuietGdal quiet;
        raster->dataset.reset(GDALDataset::Open(file.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                                nullptr, nullptr, nullptr));
        if (!raster->dataset || raster->dataset->GetRasterCount() < 1) {
            const std::string message = QuietGdal::lastMessage();
            why = "is not an elevation raster GDAL can read" +
                  (message.empty() ? "" : " (" + message + ")");
            return nullptr;
        }
        GDALDataset& ds = *raster->dataset;
        raster->band = ds.GetRasterBand(1);
        grid.width = ds.GetRasterXSize();
        grid.height = ds.GetRasterYSize();
        double geo[6];
        if (ds.GetGeoTransform(geo) != CE_None || !GDALInvGeoTransform(geo, grid.toPixel)) {
            why = "has no georeferencing (no geotransform)";
            return nullptr;
        }
        int has = 0;
        grid.noData = raster->band->GetNoDataValue(&has);
        grid.hasNoData = has != 0;
        grid.scale = raster->band->GetScale(&has);
        if (!has || grid.scale == 0) grid.scale = 1;
        grid.offset = raster->band->GetOffset(&has);
        if (!has) grid.offset = 0;
        grid.unit = raster->band->GetUnitType() != nullptr ? raster->band->GetUnitType() : "";
        for (char& c : grid.unit)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const double sizeX = std::hypot(geo[1], geo[4]);
        const double sizeY = std::hypot(geo[2], geo[5]);
        const OGRSpatialReference* srs = ds.GetSpatialRef();
        if (srs == nullptr || srs->IsGeographic()) {
            grid.geographic = true;
            grid.pixelXDeg = sizeX;
            grid.pixelYDeg = sizeY;
            if (srs == nullptr) {
                // Without a coordinate system only degrees make sense of the corners.
                const double west = geo[0], north = geo[3];
                const double east = geo[0] + geo[1] * grid.width;
                const double south = geo[3] + geo[5] * grid.height;
                const bool degrees = std::fabs(west) <= 360 && std::fabs(east) <= 360 &&
                                     std::fabs(north) <= 90.0001 && std::fabs(south) <= 90.0001;
                if (!degrees) {
                    why = "has no coordinate system and its corners are not degrees";
                    return nullptr;
                }
            }
        } else {
            grid.geographic = false;
            OGRSpatialReference wgs84;
            wgs84.SetWellKnownGeogCS("WGS84");
            wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
            OGRSpatialReference target(*srs);
            target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
            raster->toRaster.reset(OGRCreateCoordinateTransformation(&wgs84, &target));
            if (!raster->toRaster) {
                why = "has a coordinate system that cannot be reached from WGS84";
                return nullptr;
            }
            const double metres = srs->GetLinearUnits();
            grid.pixelXM = sizeX * metres;
            grid.pixelYM = sizeY * metres;
        }
        GDALDriver* driver = ds.GetDriver();
        grid.plainSrtmTile = driver != nullptr &&
                             std::string(driver->GetDescription()) == "SRTMHGT" &&
                             raster->band->GetRasterDataType() == GDT_Int16;
        return raster;
    }
};

}  // namespace
}  // namespace hopscale::terrain

extern "C" __attribute__((visibility("default"))) const hopscale::terrain::RasterReader*
hopscale_raster_reader() {
    static const hopscale::terrain::GdalReader reader;
    return &reader;
}
