// The picture behind the start, guide, input and results screens: a drawing of a lattice
// radio tower seen from below, rendered from the SVG built into the program.
#pragma once

#include <QPixmap>

namespace hopscale {

inline constexpr int kBackgroundWidth = 828;
inline constexpr int kBackgroundHeight = 677;

// The picture at its natural size (828 by 677 pixels); a null pixmap when it cannot be
// rendered.
QPixmap renderBackgroundPicture();

}  // namespace hopscale
