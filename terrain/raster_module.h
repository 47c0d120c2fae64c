// What the terrain library asks of the module that reads elevation rasters through GDAL
// (libhopscale_gdal.so). The module is loaded with dlopen the first time a raster is opened,
// so that a program that never reads one does not load GDAL and the hundred libraries it
// brings. Plain C++, no GDAL and no Qt here: both sides include this header only.
#pragma once

#include <memory>
#include <string>

#include "errors.h"

namespace hopscale::terrain {

// What the terrain library needs to know of an opened raster to locate and scale its pixels.
struct RasterGrid {
    int width = 0;
    int height = 0;
    double toPixel[6] = {};  // geo (x, y) -> pixel (column, line), corners at whole numbers
    bool hasNoData = false;
    double noData = 0;
    double scale = 1;  // value -> elevation in `unit`: value * scale + offset
    double offset = 0;
    std::string unit;        // the band's unit, lower case ("", "m", "ft", ...)
    bool geographic = true;  // degrees; otherwise projected and reached through fromWgs84
    double pixelXDeg = 0, pixelYDeg = 0;  // geographic pixel size, degrees
    double pixelXM = 0, pixelYM = 0;      // projected pixel size, m
    bool plainSrtmTile = false;           // an SRTM .hgt tile of 16-bit integers
};

// One opened raster.
class RasterFile {
  public:
    virtual ~RasterFile() = default;
    // The window [c0, c0 + w) x [r0, r0 + h) of the first band into `out`, row by row, as
    // doubles; false when it cannot be read, with the reason in lastMessage.
    virtual bool read(int c0, int r0, int w, int h, double* out) const = 0;
    // WGS84 longitude `x`, latitude `y` into the raster's own projected coordinates, in place;
    // false when the point cannot be converted. Only called for a raster that is not geographic.
    virtual bool fromWgs84(double& x, double& y) const = 0;
    // The reader's message of the last failure on this thread, may be empty.
    virtual std::string lastMessage() const = 0;
};

// Opens rasters.
class RasterReader {
  public:
    virtual ~RasterReader() = default;
    // Opens `file` and fills `grid`; on failure null, with `why` completing the sentence that
    // begins with the file name ("is not an elevation raster GDAL can read").
    virtual std::unique_ptr<RasterFile> open(const std::string& file, RasterGrid& grid,
                                             std::string& why) const = 0;
};

// The one function the module exports, resolved with dlsym: the reader, owned by the module
// and alive as long as the module is loaded (which is until the program ends).
inline constexpr const char* kRasterReaderSymbol = "hopscale_raster_reader";
using RasterReaderFactory = const RasterReader* (*)();

// The reader of the module `file` in `directory`, loaded now (uncached). Errors naming the
// module file with the loader's own message (dlerror): no such file (FileNotFound), a file
// that is not a loadable module or lacks the factory function (BadFile).
Result<const RasterReader*> loadRasterModule(const std::string& directory);

// The reader, loaded the first time it is asked for from the first of: the directory in
// $HOPSCALE_MODULE_DIR when set, the install directory beside the running executable
// (<bin>/../lib/hopscale), the build tree's module directory. A failure is not remembered.
Result<const RasterReader*> rasterReader();

// A further function the module exports, by name: the module is loaded as rasterReader loads
// it (the same handle); an error naming the module when it cannot be loaded or lacks `symbol`.
Result<void*> rasterModuleSymbol(const char* symbol);

// The module's file name, "libhopscale_gdal.so".
std::string rasterModuleFileName();

}  // namespace hopscale::terrain
