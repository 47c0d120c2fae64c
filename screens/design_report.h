// The printed report of one link design: the page an engineer hands over. Page one holds the
// hop (name, frequency, earth factor, the date and the program's version), both sites side by
// side (coordinates, ground, antenna heights, azimuths, elevation angles, equipment), the
// conditions as typed, the budget and performance of both directions side by side, the two
// directions together, the models with their versions and any warning. With a profile a
// second page holds its drawing and the clearance verdicts. Every value comes from the design
// layer's result rows as rowText writes it; the pages are painted as text, so a PDF of them
// is searchable.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <vector>

#include "errors.h"
#include "link_study.h"

class QPagedPaintDevice;

namespace hopscale {

struct ReportLine {
    QString caption;     // with its unit: "Received signal level (dBm)"
    QStringList values;  // one per column of the section
};

struct ReportSection {
    QString heading;
    QStringList columns;  // empty: one value column without a header
    std::vector<ReportLine> lines;
};

struct DesignReport {
    QString title;       // "Link design report: NAME"
    QStringList header;  // "Path name: NAME", "Frequency: 6 GHz", ..., "Prepared ..."
    std::vector<ReportSection> sections;          // page one
    std::optional<QByteArray> profileSvg;         // the drawing of page two
    std::optional<ReportSection> profileSection;  // its verdicts, under the drawing
};

// The report of a study of `design`, dated `when`.
DesignReport designReport(const design::LinkDesign& design, const design::LinkStudy& study,
                          const QDateTime& when = QDateTime::currentDateTime());

// The report as lines of text, in page order: headings start with "# ", a line of a section
// reads "caption: value | value".
QStringList reportLines(const DesignReport& report);

// How many pages the report takes: one, or two with a profile.
int reportPageCount(const DesignReport& report);

// Paints the report on `device` (a printer or a PDF writer), a page after the other. A
// message when the device cannot be painted on.
std::optional<QString> paintDesignReport(const DesignReport& report, QPagedPaintDevice& device);

// Writes the report as a PDF file, atomically (the old file stays whole until the new one is
// complete). An error naming the file when it cannot be written.
std::optional<Error> writeDesignReportPdf(const std::filesystem::path& file,
                                          const DesignReport& report);

// The command line's PDF writer: the report of `study` into `file`. It works without a
// display: when the program has no GUI application yet, one is made on the offscreen
// platform for the time of the writing.
std::optional<Error> writeDesignPdf(const std::filesystem::path& file,
                                    const design::LinkDesign& design,
                                    const design::LinkStudy& study);

}  // namespace hopscale
