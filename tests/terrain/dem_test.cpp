// Elevation rasters the tests write themselves (a GeoTIFF through GDAL, an SRTM .hgt tile
// byte by byte), read back along a geodesic and matched against the ridge they hold.
#include "dem.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "clearance.h"
#include "hgt_tiles.h"
#include "raster_module.h"
#include "terrain_test_support.h"
#include "test_files.h"

namespace hopscale::terrain {
namespace {

using testing::failsWith;

// The ridge of the .hgt tile N41W082 (3 arc-second, 1201 x 1201): a function of longitude
// only, 100 m plain with a triangular ridge 600 m high centred on 81.5 W and 0.05 degrees
// wide on each side. Its kinks (81.55, 81.5, 81.45 W) fall on pixel centres (every 1/1200
// degree), so bilinear interpolation between pixel centres reproduces it exactly.
double ridgeM(double lonEast) {
    return 100 + 600 * std::max(0.0, 1 - std::fabs(lonEast + 81.5) / 0.05);
}

// The ridge tile, with a void at (voidRow, voidColumn) when given.
void writeRidgeHgt(const std::filesystem::path& file, int voidRow = -1, int voidColumn = -1) {
    const double voidLat = 42 - voidRow / 1200.0;
    const double voidLon = -82 + voidColumn / 1200.0;
    testing::writeHgt(file, 1201, 41, -82, [&](double lat, double lon) {
        if (voidRow >= 0 && std::fabs(lat - voidLat) < 1e-9 && std::fabs(lon - voidLon) < 1e-9)
            return -32768.0;
        return ridgeM(lon);
    });
}

// A geographic GeoTIFF of float32 with pixel corners on whole numbers: 10..11 N, 20..21 E,
// 100 x 100 pixels of 0.01 degree, value = 50 + 1000 x (latitude of the pixel centre - 10),
// so that it rises by 10 m per pixel northwards; `noData` is set when given and `voidPixel`
// (column, row) holds it.
void writeSlopeTiff(const std::filesystem::path& file, std::optional<double> noData = {},
                    std::pair<int, int> voidPixel = {-1, -1}) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    ASSERT_NE(driver, nullptr);
    GDALDataset* ds = driver->Create(file.string().c_str(), 100, 100, 1, GDT_Float32, nullptr);
    ASSERT_NE(ds, nullptr);
    double geo[6] = {20, 0.01, 0, 11, 0, -0.01};
    ds->SetGeoTransform(geo);
    OGRSpatialReference srs;
    srs.importFromEPSG(4326);
    ds->SetSpatialRef(&srs);
    std::vector<float> values(100 * 100);
    for (int row = 0; row < 100; ++row) {
        for (int col = 0; col < 100; ++col) {
            const double lat = 11 - (row + 0.5) * 0.01;
            values[row * 100 + col] = static_cast<float>(50 + 1000 * (lat - 10));
            if (col == voidPixel.first && row == voidPixel.second)
                values[row * 100 + col] = static_cast<float>(*noData);
        }
    }
    GDALRasterBand* band = ds->GetRasterBand(1);
    if (noData) band->SetNoDataValue(*noData);
    ASSERT_EQ(band->RasterIO(GF_Write, 0, 0, 100, 100, values.data(), 100, 100, GDT_Float32, 0, 0,
                             nullptr),
              CE_None);
    GDALClose(ds);
}

TEST(elevation_rasters, hgt_ridge_read_back_along_the_geodesic) {
    testing_files::ScratchDir dir;
    writeRidgeHgt(dir / "N41W082.hgt");
    auto rasters = ElevationRasters::open({(dir / "N41W082.hgt").string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    const GeoPoint from{41.5, -81.9};
    const GeoPoint to{41.6, -81.1};
    auto profile = extractProfile(*rasters, from, to);
    ASSERT_TRUE(profile.ok()) << profile.error->message();

    // Independently: the geodesic's length, and every sample's own position on it.
    const auto& wgs84 = GeographicLib::Geodesic::WGS84();
    double lengthM = 0;
    wgs84.Inverse(from.latitudeDeg, from.longitudeEastDeg, to.latitudeDeg, to.longitudeEastDeg,
                  lengthM);
    EXPECT_NEAR(profile.value->pathKm, lengthM / 1000, 1e-9);
    // 0.8 degrees of longitude at 3 arc-seconds is 960 pixels; one sample per pixel or finer.
    EXPECT_GE(profile.value->points.size(), 961u);
    EXPECT_LE(profile.value->points.size(), 1300u);
    const GeographicLib::GeodesicLine line = wgs84.InverseLine(
        from.latitudeDeg, from.longitudeEastDeg, to.latitudeDeg, to.longitudeEastDeg);
    double highest = 0;
    for (const ProfilePoint& p : profile.value->points) {
        double lat = 0, lon = 0;
        line.Position(p.distanceKm * 1000, lat, lon);
        ASSERT_NEAR(p.groundM, ridgeM(lon), 1e-6) << p.distanceKm;
        highest = std::max(highest, p.groundM);
    }
    // One sample lies within a pixel (about 70 m here) of the crest: at most 10 m below 700.
    EXPECT_GT(highest, 690.0);
    EXPECT_NEAR(profile.value->points.front().groundM, ridgeM(-81.9), 1e-9);
    EXPECT_NEAR(profile.value->points.back().groundM, ridgeM(-81.1), 1e-9);
}

// Two adjacent 3 arc-second tiles, N41W082 and N41W081, sharing the column of pixel centres
// at 81 W; ground rising 2 m per pixel eastwards with a ridge 300 m high along 41.5 N that runs
// across the seam. Every kink lies on a pixel row or column, so a bilinear reading inside
// either tile is the function itself. Each tile also reaches half a pixel beyond the seam,
// where it can only repeat its edge column: a point there must be read from the neighbour
// whose interior holds it, whichever tile was read last.
double seamRidgeM(double lat, double lon) {
    return 100 + 2 * (lon + 82) * 1200 + 300 * std::max(0.0, 1 - std::fabs(lat - 41.5) / 0.05);
}

TEST(elevation_rasters, adjacent_tiles_read_across_the_seam_from_the_tile_that_holds_the_point) {
    testing_files::ScratchDir dir;
    testing::writeHgt(dir / "N41W082.hgt", 1201, 41, -82, seamRidgeM);
    testing::writeHgt(dir / "N41W081.hgt", 1201, 41, -81, seamRidgeM);
    auto rasters = ElevationRasters::open({dir.path().string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    ASSERT_EQ(rasters.value->files().size(), 2u);
    const double pixel = 1.0 / 1200;
    // Alternate sides so that the tile read last is always the wrong one for the next point.
    for (double lat : {41.46, 41.4987, 41.5, 41.5213}) {
        for (double offset : {0.05, 0.2, 0.45, 0.49, 1.3}) {
            for (double side : {-1.0, 1.0}) {
                const double lon = -81 + side * offset * pixel;
                auto v = rasters.value->elevationAt({lat, lon});
                ASSERT_TRUE(v.ok()) << v.error->message();
                EXPECT_NEAR(*v, seamRidgeM(lat, lon), 0.01) << lat << " " << lon;
            }
        }
    }
    // And along a path that crosses the seam on the ridge's crest.
    const GeoPoint from{41.5, -81.05}, to{41.5005, -80.95};
    auto profile = extractProfile(*rasters, from, to);
    ASSERT_TRUE(profile.ok()) << profile.error->message();
    const GeographicLib::GeodesicLine line = GeographicLib::Geodesic::WGS84().InverseLine(
        from.latitudeDeg, from.longitudeEastDeg, to.latitudeDeg, to.longitudeEastDeg);
    for (const ProfilePoint& p : profile.value->points) {
        double lat = 0, lon = 0;
        line.Position(p.distanceKm * 1000, lat, lon);
        ASSERT_NEAR(p.groundM, seamRidgeM(lat, lon), 0.01) << p.distanceKm;
    }
    // Beyond every raster's centres the edge still serves: the tile's own outer half pixel.
    auto north = rasters.value->elevationAt({42 + 0.3 * pixel, -81.5});
    ASSERT_TRUE(north.ok());
    EXPECT_NEAR(*north, seamRidgeM(42, -81.5), 0.01);
}

TEST(elevation_rasters, geotiff_from_a_folder_is_bilinear_between_pixel_centres) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    testing_files::writeBytes(dir / "README.txt", "tiles from the survey office\n");
    auto rasters = ElevationRasters::open({dir.path().string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    ASSERT_EQ(rasters.value->files().size(), 1u);  // the text file is not a raster and is skipped
    // Latitude 10.5: the plane through the pixel centres gives 50 + 1000 x 0.5 = 550 m.
    auto mid = rasters.value->elevationAt({10.5, 20.5});
    ASSERT_TRUE(mid.ok()) << mid.error->message();
    EXPECT_NEAR(*mid, 550.0, 1e-3);
    auto quarter = rasters.value->elevationAt({10.2525, 20.001});
    ASSERT_TRUE(quarter.ok());
    EXPECT_NEAR(*quarter, 302.5, 1e-3);
    // Within the outer half pixel the edge pixel's value holds: centre of the top row is
    // at 10.995 N, 1045 m.
    auto edge = rasters.value->elevationAt({10.999, 20.5});
    ASSERT_TRUE(edge.ok());
    EXPECT_NEAR(*edge, 1045.0, 1e-3);

    // A north-south path: 0.01 degree pixels, so about one sample per 1.1 km.
    auto profile = extractProfile(*rasters, {10.1, 20.5}, {10.9, 20.5});
    ASSERT_TRUE(profile.ok()) << profile.error->message();
    EXPECT_GE(profile.value->points.size(), 81u);
    EXPECT_LE(profile.value->points.size(), 90u);
    EXPECT_NEAR(profile.value->points.front().groundM, 150.0, 1e-3);
    EXPECT_NEAR(profile.value->points.back().groundM, 950.0, 1e-3);
}

// A projected raster: UTM zone 17N, 100 m pixels over easting 400 to 410 km and northing
// 4590 to 4600 km, holding (northing - 4590 km) / 10, so 0 to 1000 m rising northwards. A
// point given in degrees must land where GeographicLib's own UTM projection puts it: this
// catches swapped axes or a missing projection, which would read the wrong pixel or none.
TEST(elevation_rasters, projected_raster_is_read_at_the_projected_point) {
    testing_files::ScratchDir dir;
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    const std::string file = (dir / "utm.tif").string();
    GDALDataset* ds = driver->Create(file.c_str(), 100, 100, 1, GDT_Float32, nullptr);
    ASSERT_NE(ds, nullptr);
    double geo[6] = {400000, 100, 0, 4600000, 0, -100};
    ds->SetGeoTransform(geo);
    OGRSpatialReference srs;
    srs.importFromEPSG(32617);
    ds->SetSpatialRef(&srs);
    std::vector<float> values(100 * 100);
    for (int row = 0; row < 100; ++row) {
        for (int col = 0; col < 100; ++col) {
            const double northing = 4600000 - (row + 0.5) * 100;
            values[row * 100 + col] = static_cast<float>((northing - 4590000) / 10);
        }
    }
    ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, 100, 100, values.data(), 100, 100,
                                             GDT_Float32, 0, 0, nullptr),
              CE_None);
    GDALClose(ds);
    auto rasters = ElevationRasters::open({file});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    const double points[2][2] = {{405000, 4595000}, {402345, 4591234}};
    const double expected[2] = {500.0, 123.4};
    for (int i = 0; i < 2; ++i) {
        double lat = 0, lon = 0;
        GeographicLib::UTMUPS::Reverse(17, true, points[i][0], points[i][1], lat, lon);
        auto value = rasters.value->elevationAt({lat, lon});
        ASSERT_TRUE(value.ok()) << value.error->message();
        EXPECT_NEAR(*value, expected[i], 1e-3) << i;
    }
    // About 40 km north of the raster: not covered.
    double lat = 0, lon = 0;
    GeographicLib::UTMUPS::Reverse(17, true, 405000, 4640000, lat, lon);
    EXPECT_FALSE(rasters.value->elevationAt({lat, lon}).ok());
}

TEST(elevation_rasters, points_outside_every_raster_name_the_point_and_tile) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    auto rasters = ElevationRasters::open({(dir / "slope.tif").string()});
    ASSERT_TRUE(rasters.ok());
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({11.5, 20.5}), ErrorKind::FileNotFound,
                          {"11.50000 N, 20.50000 E", "N11E020.hgt"}));
    // The path leaves the raster northwards at 11 N: the first sample beyond is named with its
    // distance from the From end.
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.5, 20.5}, {11.2, 20.5}),
                          ErrorKind::FileNotFound, {"km from the From end", "N11E020.hgt"}));
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({-33.9, -70.6}), ErrorKind::FileNotFound,
                          {"33.90000 S, 70.60000 W", "S34W071.hgt"}));
}

TEST(elevation_rasters, void_pixels_are_errors_not_zero) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "holes.tif", -9999.0, {50, 50});
    auto rasters = ElevationRasters::open({(dir / "holes.tif").string()});
    ASSERT_TRUE(rasters.ok());
    // Pixel (50, 50) has its centre at 20.505 E, 10.495 N.
    EXPECT_TRUE(failsWith(rasters.value->elevationAt({10.495, 20.505}), ErrorKind::BadFile,
                          {"holes.tif", "void"}));
    EXPECT_TRUE(rasters.value->elevationAt({10.3, 20.3}).ok());
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.1, 20.505}, {10.9, 20.505}),
                          ErrorKind::BadFile, {"holes.tif", "void", "km from the From end"}));

    // The SRTM void marker in an .hgt tile.
    writeRidgeHgt(dir / "N41W082.hgt", 600, 600);
    auto tile = ElevationRasters::open({(dir / "N41W082.hgt").string()});
    ASSERT_TRUE(tile.ok()) << tile.error->message();
    EXPECT_TRUE(failsWith(tile.value->elevationAt({41.5, -81.5}), ErrorKind::BadFile,
                          {"N41W082.hgt", "void"}));
}

TEST(elevation_rasters, bad_paths_and_files_are_named) {
    testing_files::ScratchDir dir;
    EXPECT_TRUE(failsWith(ElevationRasters::open({}), ErrorKind::InvalidArgument, {"none given"}));
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "N41W082.hgt").string()}),
                          ErrorKind::FileNotFound, {"N41W082.hgt", "does not exist"}));
    testing_files::writeBytes(dir / "notes.tif", "this is not an image\n");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "notes.tif").string()}),
                          ErrorKind::BadFile, {"notes.tif", "not an elevation raster"}));
    std::filesystem::create_directory(dir / "empty");
    testing_files::writeBytes(dir / "empty" / "list.txt", "N41W082\n");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "empty").string()}), ErrorKind::BadFile,
                          {"empty", "holds no elevation raster"}));
    // A folder whose raster-named file is broken names that file.
    std::filesystem::create_directory(dir / "tiles");
    testing_files::writeBytes(dir / "tiles" / "N41W082.hgt", "short");
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "tiles").string()}), ErrorKind::BadFile,
                          {"N41W082.hgt"}));

    // A raster without georeferencing.
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    GDALDataset* ds =
        driver->Create((dir / "plain.tif").string().c_str(), 4, 4, 1, GDT_Int16, nullptr);
    ASSERT_NE(ds, nullptr);
    GDALClose(ds);
    EXPECT_TRUE(failsWith(ElevationRasters::open({(dir / "plain.tif").string()}),
                          ErrorKind::BadFile, {"plain.tif", "no georeferencing"}));
}

// The reader module looked for where it is not, or a file of its name that is no module: an
// error naming the module file and the loader's reason, never a crash.
TEST(elevation_rasters, raster_module_that_cannot_be_loaded_is_named) {
    testing_files::ScratchDir dir;
    EXPECT_EQ(rasterModuleFileName(), "libhopscale_gdal.so");
    const std::string missing = (dir / rasterModuleFileName()).string();
    EXPECT_TRUE(failsWith(loadRasterModule(dir.path().string()), ErrorKind::FileNotFound,
                          {missing.c_str(), "cannot open shared object file"}));
    testing_files::writeBytes(dir / rasterModuleFileName(), "not a shared object\n");
    EXPECT_TRUE(failsWith(loadRasterModule(dir.path().string()), ErrorKind::BadFile,
                          {missing.c_str(), "cannot be loaded"}));
    // The module the build made does load, and reads a tile.
    auto reader = rasterReader();
    ASSERT_TRUE(reader.ok()) << reader.error->message();
    writeRidgeHgt(dir / "N41W082.hgt");
    RasterGrid grid;
    std::string why;
    auto tile = (*reader)->open((dir / "N41W082.hgt").string(), grid, why);
    ASSERT_NE(tile, nullptr) << why;
    EXPECT_EQ(grid.width, 1201);
    EXPECT_TRUE(grid.plainSrtmTile);
    double v = 0;
    ASSERT_TRUE(tile->read(600, 0, 1, 1, &v));  // column 600 = 81.5 W, the ridge's crest
    EXPECT_EQ(v, 700);
}

// The plateau ridge (hgt_tiles.h) crossed along the meridian 81.5 W from 41.3 to 41.7 N.
// Length by hand: the meridian's radius of curvature at 41.5 N, M = a (1 - e^2) /
// (1 - e^2 sin^2 41.5)^1.5 = 6363474.7 m, times 0.4 degree = 0.006981317 rad: 44.42543 km
// (the curvature barely changes over 0.4 degree). Mid-path d1 = d2 = 22.21272 km lies on
// the 220 m plateau; with 170 m antennas on 100 m ground the line of sight is at 270 m.
// At 8 GHz F1 = 17.3 sqrt(22.21272^2 / (8 x 44.42543)) = 20.38388 m; the bulge is
// 493.4049 / 12.74 / k = 29.04659 (k 4/3), 38.72879 (k 1), 58.09319 (k 2/3) m, so the
// clearance is 20.95341, 11.27121, -8.09319 m = 1.027940, 0.552948, -0.397038 F1: only the
// first of the North American criteria is met. The clearance in F1 is smallest where d1 d2
// is largest, so mid-path is the worst point of each (the samples, about 93 m apart, are
// within 47 m of it, which moves the bulge by under 0.3 mm). Heights, both equal: the
// k 2/3 criterion needs 220 + 58.09319 + 0.3 x 20.38388 - 100 = 184.2084 -> 184.3 m.
TEST(elevation_rasters, plateau_ridge_judged_along_a_meridian) {
    testing_files::ScratchDir dir;
    testing::writeHgt(dir / "N41W082.hgt", 1201, 41, -82,
                      [](double lat, double) { return testing::plateauRidgeM(lat); });
    auto rasters = ElevationRasters::open({(dir / "N41W082.hgt").string()});
    ASSERT_TRUE(rasters.ok()) << rasters.error->message();
    auto profile = extractProfile(*rasters.value, {41.3, -81.5}, {41.7, -81.5});
    ASSERT_TRUE(profile.ok()) << profile.error->message();
    EXPECT_NEAR(profile.value->pathKm, 44.42543, 1e-3);
    EXPECT_NEAR(profile.value->points.front().groundM, 100.0, 1e-9);
    auto model = ClearanceModel::make(*profile.value, 8, northAmericanCriteria());
    ASSERT_TRUE(model.ok()) << model.error->message();
    const ClearanceReport r = model.value->evaluate({170, 170});
    const double clearM[3] = {20.95341, 11.27121, -8.09319};
    const double clearF1[3] = {1.027940, 0.552948, -0.397038};
    const bool met[3] = {true, false, false};
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(r.criteria[c].worst.clearanceM, clearM[c], 0.01) << c;
        EXPECT_NEAR(r.criteria[c].worst.clearanceF1, clearF1[c], 0.0005) << c;
        EXPECT_EQ(r.criteria[c].met, met[c]) << c;
        EXPECT_NEAR(r.criteria[c].worst.distanceKm, 22.21272, 0.05) << c;
    }
    EXPECT_FALSE(r.diffractionLossApplies);  // 10 - 20 x 1.02794 < 0
    EXPECT_NEAR(r.heightsNeeded.fromM, 184.3, 1e-9);
    EXPECT_NEAR(r.heightsNeeded.toM, 184.3, 1e-9);
}

// GeodSolve's published answer for 41 25 30 N 81 41 50 W to 41 30 00 N 81 30 00 W is
// 18462.629733127 m (to 1 nm); west longitudes are negative here.
TEST(elevation_rasters, geodesic_length_of_a_published_pair) {
    const GeoPoint from{41 + 25 / 60.0 + 30 / 3600.0, -(81 + 41 / 60.0 + 50 / 3600.0)};
    const GeoPoint to{41.5, -81.5};
    EXPECT_NEAR(geodesicKm(from, to), 18.462629733127, 1e-9);
    EXPECT_EQ(pointText(from), "41.42500 N, 81.69722 W");
    EXPECT_EQ(srtmTileName(from), "N41W082.hgt");
    EXPECT_EQ(srtmTileName({-0.5, 0.5}), "S01E000.hgt");
}

TEST(elevation_rasters, ends_too_close_are_refused) {
    testing_files::ScratchDir dir;
    writeSlopeTiff(dir / "slope.tif");
    auto rasters = ElevationRasters::open({(dir / "slope.tif").string()});
    ASSERT_TRUE(rasters.ok());
    EXPECT_TRUE(failsWith(extractProfile(*rasters, {10.5, 20.5}, {10.5, 20.5}),
                          ErrorKind::InvalidArgument, {"less than 1 m apart"}));
}

}  // namespace
}  // namespace hopscale::terrain
