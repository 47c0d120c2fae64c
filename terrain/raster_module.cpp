#include "raster_module.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace hopscale::terrain {

std::string rasterModuleFileName() { return HOPSCALE_MODULE_FILE; }

Result<const RasterReader*> loadRasterModule(const std::string& directory) {
    const std::string file = (std::filesystem::path(directory) / HOPSCALE_MODULE_FILE).string();
    Error e;
    e.file = file;
    std::error_code ec;
    e.kind = std::filesystem::exists(file, ec) ? ErrorKind::BadFile : ErrorKind::FileNotFound;
    // Never closed: the rasters it opens and GDAL's own state live as long as the program.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        e.detail = std::string("the module that reads elevation rasters cannot be loaded (") +
                   (why != nullptr ? why : "no reason given") + ")";
        return e;
    }
    ::dlerror();
    void* symbol = ::dlsym(handle, kRasterReaderSymbol);
    const char* why = ::dlerror();
    if (symbol == nullptr || why != nullptr) {
        e.kind = ErrorKind::BadFile;
        e.detail = std::string("is not the module that reads elevation rasters (") +
                   (why != nullptr ? why : "no factory function") + ")";
        ::dlclose(handle);
        return e;
    }
    const RasterReader* reader = reinterpret_cast<RasterReaderFactory>(symbol)();
    if (reader == nullptr) {
        e.kind = ErrorKind::BadFile;
        e.detail = "gave no elevation raster reader";
        return e;
    }
    return reader;
}

namespace {

std::string moduleDirectory() {
    if (const char* dir = std::getenv("HOPSCALE_MODULE_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed =
            exe.parent_path().parent_path() / HOPSCALE_MODULE_INSTALL_DIR;
        if (std::filesystem::exists(installed / HOPSCALE_MODULE_FILE, ec))
            return installed.lexically_normal().string();
    }
    return HOPSCALE_MODULE_BUILD_DIR;
}

}  // namespace

Result<const RasterReader*> rasterReader() {
    static std::mutex mutex;
    static const RasterReader* loaded = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (loaded != nullptr) return loaded;
    Result<const RasterReader*> reader = loadRasterModule(moduleDirectory());
    if (reader) loaded = *reader;
    return reader;
}

Result<void*> rasterModuleSymbol(const char* symbol) {
    // Loading the reader loads the module; dlopen of the same file then hands back its handle.
    Result<const RasterReader*> reader = rasterReader();
    if (!reader) return *reader.error;
    const std::string file =
        (std::filesystem::path(moduleDirectory()) / HOPSCALE_MODULE_FILE).string();
    Error e;
    e.kind = ErrorKind::BadFile;
    e.file = file;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) {
        e.detail = "the module that reads elevation rasters is not loaded from here";
        return e;
    }
    ::dlerror();
    void* found = ::dlsym(handle, symbol);
    const char* why = ::dlerror();
    ::dlclose(handle);  // drops the count this call added; the module stays loaded
    if (found == nullptr || why != nullptr) {
        e.detail = std::string("is not the module that writes maps (") +
                   (why != nullptr ? why : "no such function") + ")";
        return e;
    }
    return found;
}

}  // namespace hopscale::terrain
