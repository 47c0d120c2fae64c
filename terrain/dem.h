// Elevation rasters (SRTM .hgt, GeoTIFF, any format GDAL reads) and profiles sampled from them
// along the WGS84 geodesic between the two ends of a hop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "errors.h"
#include "geo.h"
#include "profile.h"

namespace hopscale::terrain {

// "41.42500 N, 81.69722 W": a point as the error messages write it.
std::string pointText(GeoPoint p);
// The SRTM tile holding a point, "N41W082.hgt" (south-west corner of the 1-degree cell).
std::string srtmTileName(GeoPoint p);

// A set of elevation rasters, opened once and read many times. Reading remembers which raster
// served the last point, so one set must not be read from two threads at once.
class ElevationRasters {
  public:
    // Opens every path: a file GDAL reads as a raster, or a folder, whose files with a raster
    // extension (.hgt .tif .tiff .dem .vrt .img .asc .dt0 .dt1 .dt2 .bil .flt, any case) are
    // opened and whose other files are ignored.
    // Errors naming the file: a path that does not exist (FileNotFound), a file that is not a
    // raster, a raster without georeferencing or with a coordinate system that cannot be
    // converted from WGS84, a folder with no raster in it (BadFile); no path at all
    // (InvalidArgument).
    static Result<ElevationRasters> open(const std::vector<std::string>& paths);

    ElevationRasters(ElevationRasters&&) noexcept;
    ElevationRasters& operator=(ElevationRasters&&) noexcept;
    ~ElevationRasters();

    // Ground elevation at `p`, m, interpolated bilinearly between the four nearest pixel
    // centres of the first raster that covers it. Errors: no raster covers the point
    // (FileNotFound, `input` = the point, `detail` naming its SRTM tile); a void (no-data or
    // NaN) pixel among the four (BadFile naming the raster and the point); a read failure
    // (BadFile naming the raster).
    Result<double> elevationAt(GeoPoint p) const;

    // Spacing, m, between samples along a path leaving at azimuth `azimuthDeg` (clockwise
    // from north) near latitude `latitudeDeg`, such that each step moves one pixel of the finest
    // raster along the axis the path crosses fastest.
    double sampleSpacingM(double latitudeDeg, double azimuthDeg) const;

    // The rasters opened, in the order they are tried.
    std::vector<std::string> files() const;

  private:
    struct Raster;
    ElevationRasters();
    std::vector<std::unique_ptr<Raster>> rasters_;
    mutable std::size_t lastHit_ = 0;
};

// Largest number of samples of one profile; a longer path at a finer resolution is an error.
inline constexpr std::size_t kMostProfileSamples = 1000000;

// The profile from `from` to `to` along the WGS84 geodesic (GeographicLib), sampled at the
// rasters' own resolution (sampleSpacingM), both ends included, each point's distance in km
// along the geodesic. Errors: those of elevationAt for the first point that fails, naming
// its distance from the From end; the two ends closer than 1 m or the path needing more than
// kMostProfileSamples samples (InvalidArgument).
Result<Profile> extractProfile(const ElevationRasters& rasters, GeoPoint from, GeoPoint to);

}  // namespace hopscale::terrain
