#include "design_report.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "data_file.h"
#include "profile_export.h"
#include "result_rows.h"

#ifndef HOPSCALE_VERSION
#define HOPSCALE_VERSION "unknown"
#endif

namespace hopscale {
namespace {

using design::ResultRow;

QString q(const std::string& s) { return QString::fromStdString(s); }

QString captionOf(const ResultRow& row) {
    return row.unit.empty() ? q(row.caption) : q(row.caption + " (" + row.unit + ")");
}

// The value as every view writes it, with the row's notes.
QString valueOf(const ResultRow& row) {
    QString text = q(design::rowText(row));
    for (const std::string& flag : row.flags) text += QStringLiteral(" [%1]").arg(q(flag));
    return text;
}

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Rows of the two ends (or the two directions) side by side: the rows of the first by the key
// after `prefix0`, matched with the second's; a caption that differs between the two (ground
// elevation from the profile) keeps the common words and gives each value its own remainder.
ReportSection sideBySide(const std::vector<ResultRow>& rows, const std::string& prefix0,
                         const std::string& prefix1, QString heading, QStringList columns) {
    ReportSection section{std::move(heading), std::move(columns), {}};
    std::vector<std::string> order;
    auto remember = [&order](const std::string& rest) {
        if (std::find(order.begin(), order.end(), rest) == order.end()) order.push_back(rest);
    };
    for (const ResultRow& r : rows) {
        if (startsWith(r.key, prefix0)) remember(r.key.substr(prefix0.size()));
    }
    for (const ResultRow& r : rows) {
        if (startsWith(r.key, prefix1)) remember(r.key.substr(prefix1.size()));
    }
    auto find = [&rows](const std::string& key) -> const ResultRow* {
        for (const ResultRow& r : rows) {
            if (r.key == key) return &r;
        }
        return nullptr;
    };
    for (const std::string& rest : order) {
        const ResultRow* a = find(prefix0 + rest);
        const ResultRow* b = find(prefix1 + rest);
        QString captionA = a ? captionOf(*a) : QString();
        QString captionB = b ? captionOf(*b) : QString();
        QString caption = a ? captionA : captionB;
        QString noteA, noteB;
        if (a && b && captionA != captionB) {
            qsizetype common = 0;
            while (common < captionA.size() && common < captionB.size() &&
                   captionA[common] == captionB[common]) {
                ++common;
            }
            // Whole words only: "Ground elevation (m)" and "Ground elevation (from the
            // profile) (m)" share "Ground elevation".
            while (common > 0 && captionA[common - 1] != QLatin1Char(' ')) --common;
            caption = captionA.left(common).trimmed();
            noteA = captionA.mid(common).trimmed();
            noteB = captionB.mid(common).trimmed();
        }
        auto value = [](const ResultRow* r, const QString& note) {
            if (!r) return QStringLiteral("-");
            return note.isEmpty() ? valueOf(*r) : valueOf(*r) + QLatin1Char(' ') + note;
        };
        section.lines.push_back({caption, {value(a, noteA), value(b, noteB)}});
    }
    return section;
}

ReportSection oneColumn(const std::vector<ResultRow>& rows, const std::string& prefix,
                        QString heading) {
    ReportSection section{std::move(heading), {}, {}};
    for (const ResultRow& r : rows) {
        if (startsWith(r.key, prefix)) section.lines.push_back({captionOf(r), {valueOf(r)}});
    }
    return section;
}

ReportSection conditionSection(const design::LinkDesign& d) {
    ReportSection section{QStringLiteral("Conditions"), {}, {}};
    for (const auto& info : propagation::allConditionInputs()) {
        if (!design::isDesignCondition(info.input)) continue;
        const std::string& text = d.conditions[info.input];
        if (text.empty()) continue;
        QString caption = QString::fromUtf8(info.caption);
        if (info.unit[0] != '\0')
            caption += QStringLiteral(" (%1)").arg(QString::fromUtf8(info.unit));
        section.lines.push_back({caption, {q(text)}});
    }
    section.lines.push_back(
        {QStringLiteral("Subtract the diffraction loss from the fade margin"),
         {d.profile.subtractDiffraction ? QStringLiteral("yes") : QStringLiteral("no")}});
    return section;
}

// ---- painting ----

struct Metrics {
    double dpi = 72;
    double pt(double points) const { return points * dpi / 72.0; }
};

// Lays out and paints sections with one font size, in device pixels; with `draw` off it only
// measures (the painter's device gives the metrics).
class SectionPainter {
  public:
    SectionPainter(QPainter& painter, bool draw, const QRectF& page, double fontPt,
                   const Metrics& m, QPagedPaintDevice* pager = nullptr)
        : painter_(painter), draw_(draw), page_(page), m_(m), pager_(pager) {
        body_ = QFont(QStringLiteral("Sans Serif"));
        body_.setStyleHint(QFont::SansSerif);
        body_.setPointSizeF(fontPt);
        // A spacing set by hand keeps the shaper from joining "fi" into one glyph, so that
        // a search of the PDF for "profile" finds it.
        body_.setLetterSpacing(QFont::AbsoluteSpacing, 0.1);
        bold_ = body_;
        bold_.setBold(true);
        title_ = bold_;
        title_.setPointSizeF(fontPt * 1.5);
        y_ = page.top();
    }

    double y() const { return y_; }
    void moveTo(double y) { y_ = y; }

    void title(const QString& text) { line(text, title_, page_.left(), page_.width()); }
    void text(const QString& text) { line(text, body_, page_.left(), page_.width()); }
    void gap(double lines) { y_ += lines * QFontMetricsF(body_, device()).height(); }

    void section(const ReportSection& s) {
        gap(0.4);
        line(s.heading, bold_, page_.left(), page_.width());
        const std::size_t columns = std::max<std::size_t>(1, s.columns.size());
        // The caption column is as wide as its longest caption, at most half the page.
        double captionWidth = 0;
        const QFontMetricsF fm(body_, device());
        for (const ReportLine& l : s.lines)
            captionWidth = std::max(captionWidth, fm.horizontalAdvance(l.caption));
        captionWidth =
            std::min(captionWidth + m_.pt(16), page_.width() * (columns > 1 ? 0.42 : 0.5));
        const double valueWidth = (page_.width() - captionWidth) / static_cast<double>(columns);
        auto cells = [&](const QString& caption, const QStringList& values, const QFont& font) {
            double used = caption.isEmpty() ? 0.0
                                            : paintWrapped(caption, font, page_.left() + m_.pt(6),
                                                           captionWidth - m_.pt(8));
            for (std::size_t c = 0; c < columns && c < static_cast<std::size_t>(values.size());
                 ++c) {
                used = std::max(used, paintWrapped(values[static_cast<qsizetype>(c)], font,
                                                   page_.left() + captionWidth +
                                                       valueWidth * static_cast<double>(c),
                                                   valueWidth - m_.pt(4)));
            }
            return used;
        };
        if (!s.columns.isEmpty()) fitted([&] { return cells(QString(), s.columns, bold_); });
        for (const ReportLine& l : s.lines) {
            fitted([&] { return cells(l.caption, l.values, body_); });
        }
    }

  private:
    QPaintDevice* device() const { return painter_.device(); }

    void line(const QString& text, const QFont& font, double x, double width) {
        fitted([&] { return paintWrapped(text, font, x, width); });
    }

    // Paints one row (`paintRow` paints at the current line and returns its height) and moves
    // down; a row that would run off the page starts a new one, so nothing is cut.
    template <class F>
    void fitted(F paintRow) {
        const bool drawing = draw_;
        draw_ = false;
        const double height = paintRow();
        draw_ = drawing;
        if (draw_ && pager_ && y_ + height > page_.bottom() && y_ > page_.top()) {
            pager_->newPage();
            y_ = page_.top();
        }
        if (draw_) paintRow();
        y_ += height;
    }

    // Paints `text` wrapped into `width` at the current line; returns its height.
    double paintWrapped(const QString& text, const QFont& font, double x, double width) {
        const QFontMetricsF fm(font, device());
        const QRectF box(x, y_, std::max(width, 1.0), 1e6);
        const QRectF needed = fm.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft, text);
        if (draw_) {
            painter_.setFont(font);
            painter_.drawText(QRectF(x, y_, std::max(width, 1.0), needed.height()),
                              Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
        }
        return std::max(needed.height(), fm.height());
    }

    QPainter& painter_;
    bool draw_;
    QRectF page_;
    Metrics m_;
    QPagedPaintDevice* pager_;
    QFont body_, bold_, title_;
    double y_ = 0;
};

void paintFirstPage(const DesignReport& r, QPainter& painter, QPagedPaintDevice& device,
                    const QRectF& page, const Metrics& m) {
    auto paint = [&](bool draw, double fontPt) {
        SectionPainter s(painter, draw, page, fontPt, m, draw ? &device : nullptr);
        s.title(r.title);
        for (const QString& h : r.header) s.text(h);
        for (const ReportSection& section : r.sections) s.section(section);
        return s.y() - page.top();
    };
    // The largest type that fits the page, down to a size still legible on paper.
    double fontPt = 8.5;
    while (fontPt > 5.0 && paint(false, fontPt) > page.height()) fontPt -= 0.25;
    paint(true, fontPt);
}

void paintProfilePage(const DesignReport& r, QPainter& painter, QPagedPaintDevice& device,
                      const QRectF& page, const Metrics& m) {
    SectionPainter top(painter, true, page, 8.5, m);
    top.title(r.title + QStringLiteral(" - profile"));
    double y = top.y() + m.pt(6);
    QSvgRenderer svg(*r.profileSvg);
    QSizeF size = svg.defaultSize();
    if (size.isEmpty()) size = QSizeF(800, 400);
    const double scale = page.width() / size.width();
    const double drawingHeight = std::min(size.height() * scale, page.height() * 0.55);
    const QRectF area(page.left(), y, drawingHeight / size.height() * size.width(), drawingHeight);
    svg.render(&painter, area);
    y += drawingHeight + m.pt(6);
    if (r.profileSection) {
        SectionPainter rest(painter, true, page, 8.5, m, &device);
        rest.moveTo(y);
        rest.section(*r.profileSection);
    }
}

}  // namespace

DesignReport designReport(const design::LinkDesign& d, const design::LinkStudy& study,
                          const QDateTime& when) {
    const std::vector<ResultRow> rows = design::resultRows(d, study);
    DesignReport r;
    r.title = QStringLiteral("Link design report: %1").arg(q(d.name));
    const QString a = q(d.sites[0].name), b = q(d.sites[1].name);
    r.header << QStringLiteral("Path name: %1").arg(q(d.name))
             << QStringLiteral("From %1 to %2").arg(a, b)
             << QStringLiteral("Frequency: %1 GHz").arg(q(d.path.freq))
             << QStringLiteral("Earth factor k: %1").arg(q(d.path.k))
             << QStringLiteral("Desired fade margin: %1 dB").arg(q(d.path.fadeMargin));
    if (d.sites[0].lat.empty() || d.sites[0].lat == "0") {
        r.header << QStringLiteral("Path length (typed): %1 %2")
                        .arg(q(d.path.length),
                             d.path.km ? QStringLiteral("km") : QStringLiteral("miles"));
    }
    r.header << QStringLiteral("Prepared %1 with Hopscale %2")
                    .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                         QStringLiteral(HOPSCALE_VERSION));

    r.sections.push_back(
        sideBySide(rows, "sites[0].", "sites[1].", QStringLiteral("Sites"),
                   {QStringLiteral("From: %1").arg(a), QStringLiteral("To: %1").arg(b)}));
    r.sections.push_back(conditionSection(d));
    r.sections.push_back(
        sideBySide(rows, "ab.", "ba.", QStringLiteral("Both directions"),
                   {QStringLiteral("%1 to %2").arg(a, b), QStringLiteral("%1 to %2").arg(b, a)}));
    if (study.twoWay) {
        r.sections.push_back(oneColumn(rows, "twoWay.", QStringLiteral("The link as a whole")));
    }
    r.sections.push_back(oneColumn(rows, "models.", QStringLiteral("Models and versions")));
    if (!study.warnings.empty()) {
        r.sections.push_back(oneColumn(rows, "warnings.", QStringLiteral("Warnings")));
    }
    if (study.profile && study.clearance) {
        r.profileSvg =
            QByteArray::fromStdString(terrain::profileSvg(*study.profile, *study.clearance));
        r.profileSection = oneColumn(rows, "profile.", QStringLiteral("Profile and clearance"));
    }
    return r;
}

QStringList reportLines(const DesignReport& r) {
    QStringList out;
    out << QStringLiteral("# ") + r.title;
    out << r.header;
    auto add = [&out](const ReportSection& s) {
        out << QString() << QStringLiteral("# ") + s.heading;
        if (!s.columns.isEmpty())
            out << QStringLiteral(": ") + s.columns.join(QStringLiteral(" | "));
        for (const ReportLine& l : s.lines) {
            out << l.caption + QStringLiteral(": ") + l.values.join(QStringLiteral(" | "));
        }
    };
    for (const ReportSection& s : r.sections) add(s);
    if (r.profileSection) add(*r.profileSection);
    return out;
}

int reportPageCount(const DesignReport& r) { return r.profileSvg ? 2 : 1; }

std::optional<QString> paintDesignReport(const DesignReport& r, QPagedPaintDevice& device) {
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("The printer could not be opened.");
    const Metrics m{static_cast<double>(device.logicalDpiY())};
    const QRectF page =
        device.pageLayout()
            .paintRectPixels(device.logicalDpiX())
            .translated(-device.pageLayout().paintRectPixels(device.logicalDpiX()).topLeft());
    paintFirstPage(r, painter, device, page, m);
    if (r.profileSvg) {
        if (!device.newPage()) {
            painter.end();
            return QStringLiteral("The second page could not be started.");
        }
        paintProfilePage(r, painter, device, page, m);
    }
    if (!painter.end()) return QStringLiteral("The page could not be completed.");
    return std::nullopt;
}

std::optional<Error> writeDesignReportPdf(const std::filesystem::path& file,
                                          const DesignReport& r) {
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&bytes);
        pdf.setResolution(300);
        pdf.setTitle(r.title);
        pdf.setCreator(QStringLiteral("Hopscale %1").arg(QStringLiteral(HOPSCALE_VERSION)));
        if (std::optional<QString> failed = paintDesignReport(r, pdf)) {
            Error e{ErrorKind::BadFile};
            e.file = file.string();
            e.detail = "could not be painted: " + failed->toStdString();
            return e;
        }
    }
    return writeFileAtomically(file, bytes.data().toStdString());
}

std::optional<Error> writeDesignPdf(const std::filesystem::path& file, const design::LinkDesign& d,
                                    const design::LinkStudy& study) {
    // Fonts and painting need a GUI application; the command line has none, and may run
    // where there is no display, so it gets one on the offscreen platform.
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        // Without a session the platform notes the missing runtime folder; that is no news
        // on a command line.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            if (type == QtDebugMsg || type == QtInfoMsg) return;
            if (type == QtWarningMsg && m.contains(QLatin1String("XDG_RUNTIME_DIR"))) return;
            std::fprintf(stderr, "%s\n", qPrintable(m));
        });
        static int argc = 3;
        static char name[] = "hopscale";
        static char platformOption[] = "-platform";
        static char platform[] = "offscreen";
        static char* argv[] = {name, platformOption, platform, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return writeDesignReportPdf(file, designReport(d, study));
}

}  // namespace hopscale
