// Keeps GDAL's own messages off stderr while a call runs; the caller reports instead. Only the
// GDAL module's sources include this.
#pragma once

#include <cpl_error.h>

#include <string>

namespace hopscale::terrain {

class QuietGdal {
  public:
    QuietGdal() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
    // GDAL's last message; empty when it gave none.
    static std::string lastMessage() {
        const char* m = CPLGetLastErrorMsg();
        return m != nullptr ? std::string(m) : std::string();
    }
};

}  // namespace hopscale::terrain
