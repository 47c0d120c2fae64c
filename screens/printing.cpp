#include "printing.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>

namespace hopscale {

std::optional<QString> renderWindowPage(QWidget& window, QPagedPaintDevice& device) {
    // Record the window's own painting; replayed on the printer, text stays text.
    QPicture picture;
    {
        QPainter recorder(&picture);
        window.render(&recorder, QPoint(), QRegion(),
                      QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }

    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("The printer could not be opened.");

    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QSize size = window.size();
    if (size.isEmpty() || page.isEmpty()) {
        painter.end();
        return QStringLiteral("There is nothing to print.");
    }
    // As large as the printable area allows, keeping the window's proportions. Replaying a
    // picture already scales it from its own resolution to the device's, so the factor is
    // given in the picture's units.
    const double fit = std::min(static_cast<double>(page.width()) / size.width(),
                                static_cast<double>(page.height()) / size.height());
    const double scale = fit * picture.logicalDpiX() / device.logicalDpiX();
    painter.scale(scale, scale);
    painter.drawPicture(0, 0, picture);
    if (!painter.end()) return QStringLiteral("The page could not be completed.");
    return std::nullopt;
}

std::optional<QString> printWindowToPdf(QWidget& window, const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    if (std::optional<QString> failed = renderWindowPage(window, printer))
        return QStringLiteral("Could not write \"%1\": %2").arg(path, *failed);
    if (!QFileInfo::exists(path)) return QStringLiteral("Could not write \"%1\".").arg(path);
    return std::nullopt;
}

std::optional<QString> printWindow(QWidget& window, const QString& suggestedName) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (!defaultPrinter.isNull()) {
        QPrinter printer(defaultPrinter, QPrinter::HighResolution);
        if (std::optional<QString> failed = renderWindowPage(window, printer))
            return QStringLiteral("Printing on \"%1\" failed: %2")
                .arg(defaultPrinter.printerName(), *failed);
        return std::nullopt;
    }
    // No printer on this machine: offer the same page as a PDF file.
    QString proposed = suggestedName.trimmed();
    if (proposed.isEmpty()) proposed = QStringLiteral("data sheet");
    proposed.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path = QFileDialog::getSaveFileName(
        &window, QStringLiteral("No printer: save the data sheet as PDF"),
        QDir::home().filePath(proposed + QStringLiteral(".pdf")),
        QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty()) return std::nullopt;
    return printWindowToPdf(window, path);
}

}  // namespace hopscale
