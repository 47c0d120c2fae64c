// The printed design report: what it holds, one page without a profile and two with, the
// window's PRINT and `hopscale design report --pdf` giving the same report, and the command
// line writing it where there is no display.
#include "design_report.h"

#include <QProcess>
#include <QTemporaryDir>

#include "design_file.h"
#include "link_window.h"
#include "link_window_fixture.h"
#include "profile_export.h"
#include "result_rows.h"

using namespace hopscale;
using namespace hopscale::testing;

namespace {

design::LinkStudy studyOf(const design::LinkDesign& d) {
    Result<design::LinkStudy> s = design::evaluate(d);
    if (!s) qFatal("%s", s.error->message().c_str());
    return *s.value;
}

QString rowValue(const design::LinkDesign& d, const design::LinkStudy& s, const char* key) {
    for (const design::ResultRow& row : design::resultRows(d, s)) {
        if (row.key == key) return QString::fromStdString(design::rowText(row));
    }
    return {};
}

// A profile over the example hop with a 60 m ridge at mid-path.
design::LinkDesign profiledDesign(const QTemporaryDir& dir) {
    design::LinkDesign d = design::exampleDesign();
    const QString csv = dir.filePath("ridge.csv");
    QFile f(csv);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write the profile");
    const double km = studyOf(d).directions[0].state.results.pathLengthMiles * 1.609344;
    f.write("distance_km,elevation_m\n");
    for (int i = 0; i <= 20; ++i) {
        const double ground = i == 10 ? 300.0 : 250.0 + 3.5 * (20 - i);
        f.write(QByteArray::number(km * i / 20, 'f', 4) + ',' + QByteArray::number(ground) + '\n');
    }
    f.close();
    d.profile.profile = csv.toStdString();
    return d;
}

struct Run {
    int status = -1;
    QString out, err;
};

// The real binary, with no display in its environment.
Run runHopscale(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HOPSCALE_BINARY), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class DesignReportTest : public QObject {
    Q_OBJECT
  private slots:
    void reportHoldsBothSitesBothDirectionsAndTheModels();
    void profilePutsItsDrawingOnASecondPage();
    void commandLineWritesTheReportWithoutADisplay();
    void commandLineNamesAFileItCannotWrite();
    void printFromTheWindowIsTheCommandLinesReport();
    void reportTooLongForAPageGoesOnToTheNext();
};

void DesignReportTest::reportHoldsBothSitesBothDirectionsAndTheModels() {
    const design::LinkDesign d = design::exampleDesign();
    const design::LinkStudy s = studyOf(d);
    const DesignReport r = designReport(d, s, QDateTime(QDate(2026, 3, 4), QTime(5, 6)));
    QCOMPARE(reportPageCount(r), 1);
    const QString text = reportLines(r).join('\n');
    for (const QString& expected :
         {QString("Path name: %1").arg(QString::fromStdString(d.name)),
          QString("From: %1 | To: %2")
              .arg(QString::fromStdString(d.sites[0].name),
                   QString::fromStdString(d.sites[1].name)),
          QString("Azimuth towards the other end (true) (deg): %1 | %2")
              .arg(rowValue(d, s, "sites[0].azimuthDeg"), rowValue(d, s, "sites[1].azimuthDeg")),
          QString("Elevation angle towards the other end (deg): %1 | %2")
              .arg(rowValue(d, s, "sites[0].elevationAngleDeg"),
                   rowValue(d, s, "sites[1].elevationAngleDeg")),
          QString("Received signal level (dBm): %1 | %2")
              .arg(rowValue(d, s, "ab.rslDbm"), rowValue(d, s, "ba.rslDbm")),
          QString("Two-way availability (%): %1").arg(rowValue(d, s, "twoWay.availabilityPercent")),
          QString("Rain zone: K"), QString("Prepared 2026-03-04 05:06 with Hopscale ")}) {
        QVERIFY2(text.contains(expected), qPrintable(expected + "\n---\n" + text));
    }
    // Every model of the performance with its version.
    for (const std::string& model : s.directions[0].performance->models) {
        QVERIFY2(text.contains(QString::fromStdString(model)), model.c_str());
    }
    QVERIFY(!text.contains("Profile and clearance"));
}

void DesignReportTest::profilePutsItsDrawingOnASecondPage() {
    QTemporaryDir dir;
    const design::LinkDesign d = profiledDesign(dir);
    const design::LinkStudy s = studyOf(d);
    QVERIFY(s.clearance);
    const DesignReport r = designReport(d, s);
    QCOMPARE(reportPageCount(r), 2);
    QVERIFY(r.profileSvg && r.profileSvg->contains("<svg"));
    const QString verdict = QString::fromStdString(terrain::verdictLine(s.clearance->criteria[0]));
    QVERIFY(reportLines(r).join('\n').contains(verdict));

    const QString pdf = dir.filePath("profiled.pdf");
    QVERIFY(!writeDesignReportPdf(pdf.toStdString(), r));
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    QCOMPARE(text.count('\f'), 2);  // pdftotext ends every page with a form feed
    const QString second = text.section('\f', 1, 1);
    QVERIFY2(second.contains("Profile and clearance"), qPrintable(second));
    QVERIFY(second.contains(verdict.left(30)));
}

void DesignReportTest::commandLineWritesTheReportWithoutADisplay() {
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.hop");
    QCOMPARE(runHopscale({"design", "new", plain}).status, 0);
    const QString pdf = dir.filePath("plain.pdf");
    const Run run = runHopscale({"design", "report", plain, "--pdf", pdf});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));  // nothing said about the display
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    const design::LinkDesign d = design::exampleDesign();
    const design::LinkStudy s = studyOf(d);
    QCOMPARE(text.count('\f'), 1);
    for (const QString& expected :
         {QString::fromStdString(d.sites[0].name), QString::fromStdString(d.sites[1].name),
          rowValue(d, s, "twoWay.availabilityPercent"), rowValue(d, s, "ab.availabilityPercent")}) {
        QVERIFY2(text.contains(expected), qPrintable(expected));
    }

    // With a profile: two pages.
    const QString profiled = dir.filePath("profiled.hop");
    QVERIFY(!design::writeDesignFile(profiled.toStdString(), profiledDesign(dir)));
    const QString pdf2 = dir.filePath("profiled.pdf");
    const Run second = runHopscale({"design", "report", profiled, "--pdf", pdf2});
    QVERIFY2(second.status == 0, qPrintable(second.err));
    QCOMPARE(pdfText(pdf2).count('\f'), 2);
}

void DesignReportTest::commandLineNamesAFileItCannotWrite() {
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.hop");
    QCOMPARE(runHopscale({"design", "new", plain}).status, 0);
    const QString pdf = dir.filePath("no/such/folder/out.pdf");
    const Run run = runHopscale({"design", "report", plain, "--pdf", pdf});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("out.pdf"), qPrintable(run.err));
    QVERIFY(!QFile::exists(pdf));
}

void DesignReportTest::printFromTheWindowIsTheCommandLinesReport() {
    LinkFixture f;
    const QString file = f.file("hill.hop");
    QVERIFY(!design::writeDesignFile(file.toStdString(), design::exampleDesign()));
    f.screens->pathInfo();
    LinkWindow& w = openLinkPerformance(*f.screens);
    QVERIFY(w.openDesign(file));
    const design::LinkDesign d = *design::readDesignFile(file.toStdString()).value;
    const QDateTime now = QDateTime::currentDateTime();
    QStringList fromWindow = w.pageLines();
    QStringList fromFile = reportLines(designReport(d, studyOf(d), now));
    // The same report but for the minute it was prepared.
    auto undated = [](QStringList lines) {
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const QString& l) { return l.startsWith("Prepared "); }),
                    lines.end());
        return lines;
    };
    QCOMPARE(undated(fromWindow), undated(fromFile));

    // PRINT without a printer writes the same pages into the chosen PDF.
    const QString pdf = f.file("printed.pdf");
    QVERIFY(!w.printToPdf(pdf));
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    QCOMPARE(text.count('\f'), 1);
    QVERIFY(text.contains(QString::fromStdString(d.sites[1].name)));
}

void DesignReportTest::reportTooLongForAPageGoesOnToTheNext() {
    const design::LinkDesign d = design::exampleDesign();
    DesignReport r = designReport(d, studyOf(d));
    ReportSection many{"Warnings", {}, {}};
    for (int i = 0; i < 400; ++i) many.lines.push_back({QString("Warning %1").arg(i), {"note"}});
    r.sections.push_back(many);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("long.pdf");
    QVERIFY(!writeDesignReportPdf(pdf.toStdString(), r));
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    QVERIFY(text.count('\f') >= 2);
    // Nothing is cut at the bottom of a page.
    for (int i : {0, 199, 399}) QVERIFY(text.contains(QString("Warning %1").arg(i)));
}

QTEST_MAIN(DesignReportTest)
#include "design_report_test.moc"
