// Whether the windows can be shown at all, decided from the environment before any window
// system is contacted: without a display the windowed mode says so instead of aborting.
#pragma once

#include <functional>

namespace hopscale::cli {

// Looks up an environment variable; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// True when QT_QPA_PLATFORM names a platform that needs no display server (offscreen,
// minimal, ...), or names xcb / wayland (or is unset) and DISPLAY / WAYLAND_DISPLAY is set.
// A list of platforms ("wayland;xcb") is usable when any one of them is.
bool displayUsable(const EnvironmentLookup& environment);

// The one line the windowed mode prints when displayUsable is false.
inline constexpr const char* kNoDisplayMessage =
    "no display: set DISPLAY, or use a subcommand such as `hopscale calc`";

}  // namespace hopscale::cli
