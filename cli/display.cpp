#include "display.h"

#include <string_view>

namespace hopscale::cli {

namespace {

bool isSet(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment(name);
    return value != nullptr && *value != '\0';
}

// One platform name of QT_QPA_PLATFORM, without its ":options" part.
bool platformUsable(std::string_view platform, const EnvironmentLookup& environment) {
    platform = platform.substr(0, platform.find(':'));
    if (platform == "xcb") return isSet(environment, "DISPLAY");
    if (platform.substr(0, 7) == "wayland") return isSet(environment, "WAYLAND_DISPLAY");
    // offscreen, minimal, vnc, eglfs, linuxfb, ...: they draw without a display server.
    return !platform.empty();
}

}  // namespace

bool displayUsable(const EnvironmentLookup& environment) {
    const char* platforms = environment("QT_QPA_PLATFORM");
    if (platforms == nullptr || *platforms == '\0') {
        return isSet(environment, "DISPLAY") || isSet(environment, "WAYLAND_DISPLAY");
    }
    std::string_view list = platforms;
    while (true) {
        const auto end = list.find(';');
        if (platformUsable(list.substr(0, end), environment)) return true;
        if (end == std::string_view::npos) return false;
        list.remove_prefix(end + 1);
    }
}

}  // namespace hopscale::cli
