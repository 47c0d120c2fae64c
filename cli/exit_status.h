// The exit statuses of the program, for every command and the windowed mode alike.
#pragma once

namespace hopscale::cli {

inline constexpr int kExitOk = 0;      // everything done
inline constexpr int kExitFailed = 1;  // a calculation, a file, the output or the display failed
inline constexpr int kExitUsage = 2;   // bad options, arguments or CSV header

}  // namespace hopscale::cli
