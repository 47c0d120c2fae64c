// Printing the image of a window. The window is painted into a QPicture and the picture is
// replayed onto the printer, so that its captions and values stay text on the page (a PDF
// keeps them searchable) rather than becoming one bitmap.
#pragma once

#include <QString>
#include <optional>

class QPagedPaintDevice;
class QWidget;

namespace hopscale {

// Paints the client area of `window`, as currently displayed (hidden controls left out),
// on one page of `device`, scaled to fit the page's printable area and placed at its top
// left. Returns a message when the device cannot be painted on.
std::optional<QString> renderWindowPage(QWidget& window, QPagedPaintDevice& device);

// Prints `window` on the default printer. When the machine has no printer the user may save
// the same page as a PDF file instead; a file dialog proposes `suggestedName` (".pdf" is
// added). Returns a message when printing failed; nothing when it succeeded or the user
// declined the PDF.
std::optional<QString> printWindow(QWidget& window, const QString& suggestedName);

// Prints `window` into the PDF file `path`.
std::optional<QString> printWindowToPdf(QWidget& window, const QString& path);

}  // namespace hopscale
