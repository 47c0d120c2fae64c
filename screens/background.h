// The picture behind the start, guide, input and results screens: a drawing of a lattice
// radio tower seen from below, rendered from the SVG built into the program.
#pragma once

#include <QImage>
#include <QPixmap>

namespace hopscale {

inline constexpr int kBackgroundWidth = 828;
inline constexpr int kBackgroundHeight = 677;

// The picture at its natural size (828 by 677 pixels); a null pixmap when it cannot be
// rendered.
QPixmap renderBackgroundPicture();

// The same as an image. Unlike a pixmap, an image may be rendered on any thread and before
// the application object exists, so start-up can draw it while the windows are being built.
QImage renderBackgroundImage();

}  // namespace hopscale
