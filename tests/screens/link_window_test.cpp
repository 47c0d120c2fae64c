// The "Link Performance" window: opened over the current path, recomputed as the user types,
// unreadable inputs marked and named while the others keep their last good values, inputs
// remembered in link.json (an unreadable one reported and replaced by the defaults), the
// printed page, and the profile's diffraction loss and mean terrain taken in.
#include "link_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "link_window_fixture.h"
#include "path_info.h"
#include "profile_window.h"
#include "results.h"

using namespace hopscale;
using namespace hopscale::testing;
using propagation::ConditionInput;

namespace {

// ITU-R P.676-13 validation examples (Rev 8.3.0), standard atmosphere, 6 GHz: dB/km.
constexpr double kGas6GHzDbPerKm = 0.00945878388736656;

// Vigants-Barnett annual outage, %, written out from its definition:
// U = a b 2.5e-6 f D^3 10^(-F/10), D in miles.
double vigantsBarnettPercent(double a, double b, double fGHz, double miles, double marginDb) {
    return 100.0 * a * b * 2.5e-6 * fGHz * miles * miles * miles * std::pow(10.0, -marginDb / 10.0);
}

void type(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);  // one recomputation per character, as a user types
    if (text.isEmpty()) box->clear();
}

}  // namespace

class LinkWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void resultsScreenCommandOpensTheWindow();
    void opensOverTheCurrentPathWithEveryInput();
    void recomputesAsTheUserTypes();
    void unreadableInputsAreMarkedAndTheRestKeepsItsLastGoodValue();
    void computationErrorsNameTheirInput();
    void inputsAreRememberedBetweenRuns();
    void unreadableLinkJsonIsReportedAndReplacedByDefaults();
    void printedPageOpensWithTheHopThenThePerformance();
    void printWithoutPrinterWritesTheChosenPdf();
    void profileCommandOpensThePathProfile();
    void profileFeedsDiffractionLossAndMeanTerrain();
};

void LinkWindowTest::resultsScreenCommandOpensTheWindow() {
    LinkFixture f;
    f.state.path = PathState{};  // the window's path comes from CONTINUE here
    Path_Info& input = f.screens->pathInfo();
    const PathInputs path = examples::kmWattsPath();  // 20 km, 10 W: KM and WATTS chosen
    for (const FieldInfo& info : allFields()) {
        auto* box = input.findChild<QLineEdit*>(
            QString::fromLatin1(info.control.data(), info.control.size()));
        QVERIFY(box);
        box->setText(QString::fromStdString(path[info.field]));
    }
    input.findChild<QCheckBox*>("Check2")->setChecked(true);
    input.findChild<QRadioButton*>("Option3")->setChecked(true);
    input.findChild<QLineEdit*>("Text11")->setText("Ridge hop");
    f.screens->takeReportedErrors();
    input.Command1->click();  // CONTINUE
    QVERIFY2(f.screens->exists(FormId::Results),
             qPrintable(f.screens->takeReportedErrors().join("; ")));
    Results& results = f.screens->results();
    auto* command = results.findChild<QPushButton*>("Command4");
    QVERIFY(command);
    QCOMPARE(command->text(), QString("Link Performance"));
    QCOMPARE(command->geometry(), QRect(560, 392, 65, 33));  // twips 8400, 5880, 975, 495
    QVERIFY(!linkPerformanceWindow(*f.screens));
    command->click();
    LinkWindow* w = linkPerformanceWindow(*f.screens);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Link Performance"));
    QVERIFY(w->pageLines().contains("Path name: Ridge hop"));
    // The results screen stays as it was.
    QVERIFY(results.isVisible());
    w->inputBox(ConditionInput::Threshold)->setText("-80");
    QVERIFY(w->performance());
    QVERIFY(std::fabs(w->performance()->rslDbm -
                      (f.state.path.results.receiveSignalLevel - w->performance()->gasDb)) < 1e-9);
}

void LinkWindowTest::opensOverTheCurrentPathWithEveryInput() {
    LinkFixture f;
    QVERIFY(!linkPerformanceWindow(*f.screens));
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    QCOMPARE(linkPerformanceWindow(*f.screens), &w);
    QCOMPARE(w.windowTitle(), QString("Link Performance"));
    QVERIFY(w.isVisible());
    for (const auto& info : propagation::allConditionInputs()) {
        auto* box = w.findChild<QLineEdit*>(info.name);
        QVERIFY2(box, info.name);
        QCOMPARE(box->text(), QString::fromUtf8(info.defaultText));
        auto* unit = w.findChild<QLabel*>(QString("unit_") + info.name);
        QVERIFY(unit);
        QCOMPARE(unit->text(), QString::fromUtf8(info.unit));
    }
    QCOMPARE(w.inputBox(ConditionInput::Target)->text(), QString("99.999"));
    QCOMPARE(w.inputBox(ConditionInput::Multipath)->text(), QString("vigants"));
    // The threshold has no default: it is named as missing and nothing is computed yet.
    QCOMPARE(w.markedInputs(), QStringList{"Receiver threshold"});
    QVERIFY2(w.errorText().contains("Receiver threshold"), qPrintable(w.errorText()));
    QVERIFY(!w.performance());
    QCOMPARE(w.groupText("total"), QString("-"));
    // A second open is the same window.
    QCOMPARE(&openLinkPerformance(*f.screens, "Test hop"), &w);
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
}

void LinkWindowTest::recomputesAsTheUserTypes() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    type(w.inputBox(ConditionInput::Threshold), "-70");
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.performance());
    const propagation::LinkPerformance first = *w.performance();
    const PathResults& budget = f.state.path.results;

    // Levels: RSL = the budget's level less the gases over the path; margin to -70 dBm.
    QVERIFY(std::fabs(first.pathKm - 20.0) < 1e-4);
    const double gasDb = kGas6GHzDbPerKm * first.pathKm;
    QVERIFY(std::fabs(first.gasDb - gasDb) < 1e-9);
    const double rsl = budget.receiveSignalLevel - gasDb;
    QVERIFY(std::fabs(first.rslDbm - rsl) < 1e-9);
    QVERIFY(std::fabs(first.flatFadeMarginDb - (rsl + 70.0)) < 1e-9);
    QVERIFY(w.groupText("levels").contains(
        QString("Flat fade margin %1 dB").arg(rsl + 70.0, 0, 'f', 2)));

    // Multipath by the default Vigants-Barnett (a 1, b 1/4); no rain source, so the total is it.
    const double vb =
        vigantsBarnettPercent(1, 0.25, 6, budget.pathLengthMiles, first.flatFadeMarginDb);
    QVERIFY(std::fabs(*first.multipath.annualPercent / vb - 1) < 1e-9);
    QVERIFY(std::fabs(first.availabilityPercent - (100 - vb)) < 1e-9);
    QVERIFY(std::fabs(first.outageMinutesPerYear - vb / 100 * 525960) < 1e-6);
    // The availability is written with enough decimals for the outage to show.
    const QString totalText = w.groupText("total");
    QVERIFY2(totalText.startsWith("Availability 99.99"), qPrintable(totalText));
    const QString shown = totalText.section(' ', 1, 1);
    const int decimals = static_cast<int>(shown.size() - shown.indexOf('.') - 1);
    QVERIFY2(std::fabs(shown.toDouble() - (100 - vb)) <= 0.5 * std::pow(10.0, -decimals),
             qPrintable(shown));
    QVERIFY2(std::fabs(100 - shown.toDouble()) >= 0.5 * vb,
             qPrintable(shown));  // not rounded to 100
    QVERIFY(w.groupText("multipath").contains("Vigants-Barnett"));
    QVERIFY(w.groupText("levels").contains("ITU-R P.676-13"));
    QVERIFY(w.groupText("rain").contains("No rain source"));

    // Ten dB lower threshold: the Vigants-Barnett outage falls tenfold.
    type(w.inputBox(ConditionInput::Threshold), "-80");
    QVERIFY(std::fabs(w.performance()->outagePercent * 10 / first.outagePercent - 1) < 1e-9);

    // A rain zone typed: rain now counts, with its model and the zone's 42 mm/h.
    type(w.inputBox(ConditionInput::RainZone), "K");
    QVERIFY(w.performance()->rain);
    QCOMPARE(w.performance()->rain->rainRateMmH, 42.0);
    QVERIFY2(w.groupText("rain").contains("42 mm/h"), qPrintable(w.groupText("rain")));
    QVERIFY(w.groupText("rain").contains("ITU-R P.838-3"));
    // The total adds the rain outage (here tiny or 0 against this margin) to the multipath's.
    QVERIFY(w.performance()->rain->outagePercent);
    QVERIFY(std::fabs(w.performance()->outagePercent - *w.performance()->rain->outagePercent -
                      *w.performance()->multipath.annualPercent) <= 1e-12);

    // The target: stated as met or with the margin it needs.
    type(w.inputBox(ConditionInput::Target), "99.9999999");
    QVERIFY(!w.performance()->target.met);
    QVERIFY2(w.groupText("total").contains("not met; needs a fade margin of"),
             qPrintable(w.groupText("total")));
    type(w.inputBox(ConditionInput::Target), "50");
    QVERIFY(w.performance()->target.met);
    QVERIFY(w.groupText("total").contains("Target 50 %: met"));
}

void LinkWindowTest::unreadableInputsAreMarkedAndTheRestKeepsItsLastGoodValue() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    type(w.inputBox(ConditionInput::Threshold), "-80");
    const double margin = w.performance()->flatFadeMarginDb;

    // A letter outside A..Q: marked and named, the hop computed as before without rain.
    type(w.inputBox(ConditionInput::RainZone), "Z");
    QCOMPARE(w.markedInputs(), QStringList{"Rain zone"});
    QVERIFY2(w.errorText().contains("Rain zone"), qPrintable(w.errorText()));
    QVERIFY(w.errorText().contains("last good"));
    QVERIFY(w.inputBox(ConditionInput::RainZone)->property("unreadable").toBool());
    QVERIFY(!w.inputBox(ConditionInput::RainZone)->styleSheet().isEmpty());
    QVERIFY(w.performance());
    QVERIFY(!w.performance()->rain);
    QCOMPARE(w.inputBox(ConditionInput::RainZone)->text(),
             QString("Z"));  // the text stays as typed

    // A second unreadable input while the first is still wrong: both named.
    type(w.inputBox(ConditionInput::Threshold), "-8o");
    QCOMPARE(w.markedInputs(), (QStringList{"Receiver threshold", "Rain zone"}));
    QVERIFY(w.errorText().contains("Receiver threshold"));
    // ... and the threshold keeps its last good value, -80 (each of its prefixes "-8" was good
    // too while typing, so the last good one is "-8").
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - (margin - 72)) < 1e-9);

    // Corrected: unmarked, and the zone's rain counts again.
    type(w.inputBox(ConditionInput::Threshold), "-80");
    type(w.inputBox(ConditionInput::RainZone), "K");
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.errorText().isEmpty());
    QVERIFY(!w.inputBox(ConditionInput::RainZone)->property("unreadable").toBool());
    QVERIFY(w.performance()->rain);

    // Two rain sources at once: the one typed last is named, the zone keeps counting.
    type(w.inputBox(ConditionInput::RainRate), "42");
    QCOMPARE(w.markedInputs(), QStringList{"Rain rate R0.01"});
    QVERIFY2(w.errorText().contains("only one of"), qPrintable(w.errorText()));
    QVERIFY(w.performance()->rain);
    QVERIFY(w.groupText("rain").contains("zone K"));
    w.inputBox(ConditionInput::RainRate)->clear();
    QVERIFY(w.markedInputs().isEmpty());

    // Out of range values are marked too: a tilt above 90, a temperature below absolute zero,
    // a target of 100 %.
    for (auto [input, text] :
         {std::pair{ConditionInput::Polarisation, "95"},
          std::pair{ConditionInput::Temperature, "-300"}, std::pair{ConditionInput::Target, "100"},
          std::pair{ConditionInput::RainRate, "-1"}}) {
        QLineEdit* box = w.inputBox(input);
        const QString before = box->text();
        box->setText(text);
        QVERIFY2(w.markedInputs() == QStringList{propagation::conditionInputInfo(input).caption},
                 qPrintable(text + QString(": ") + w.errorText()));
        QVERIFY(w.performance());
        box->setText(before);
        QVERIFY(w.markedInputs().isEmpty());
    }
}

void LinkWindowTest::computationErrorsNameTheirInput() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    w.inputBox(ConditionInput::Threshold)->setText("-80");
    // The P.530 method over a path typed by length needs the path-centre latitude.
    w.inputBox(ConditionInput::Multipath)->setText("p530");
    w.inputBox(ConditionInput::GeoclimaticK)->setText("1e-4");
    w.inputBox(ConditionInput::DN75)->setText("40");
    w.inputBox(ConditionInput::GroundElevations)->setText("100,120");
    w.inputBox(ConditionInput::AntennaHeights)->setText("30,30");
    w.inputBox(ConditionInput::MeanTerrain)->setText("90");
    QVERIFY(!w.performance());
    QCOMPARE(w.markedInputs(), QStringList{"Path-centre latitude"});
    QVERIFY2(w.errorText().contains("Path-centre latitude"), qPrintable(w.errorText()));
    w.inputBox(ConditionInput::CentreLatitude)->setText("41.5");
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.performance());
    QVERIFY(w.groupText("multipath").contains("ITU-R P.530-18"));
    QVERIFY(w.performance()->multipath.worstMonthPercent);
}

void LinkWindowTest::inputsAreRememberedBetweenRuns() {
    LinkFixture f;
    {
        LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
        w.inputBox(ConditionInput::Threshold)->setText("-75.5");
        w.inputBox(ConditionInput::RainZone)->setText("k");
        w.inputBox(ConditionInput::Target)->setText("oops");  // kept as typed
        w.subtractDiffraction()->setChecked(true);            // saves
        w.close();                                            // saves too
        QVERIFY(!w.isVisible());
    }
    QVERIFY(QFile::exists(f.file("link.json")));
    QVERIFY(!QFile::exists(f.file("PATHCFG.DAT")));  // the saved-inputs file is not written
    f.start();
    LinkWindow& again = openLinkPerformance(*f.screens, "Test hop");
    QCOMPARE(again.inputBox(ConditionInput::Threshold)->text(), QString("-75.5"));
    QCOMPARE(again.inputBox(ConditionInput::RainZone)->text(), QString("k"));
    QCOMPARE(again.inputBox(ConditionInput::Target)->text(), QString("oops"));
    QCOMPARE(again.inputBox(ConditionInput::Pressure)->text(), QString("1013.25"));
    QVERIFY(again.subtractDiffraction()->isChecked());
    QCOMPARE(again.markedInputs(), QStringList{"Target availability"});
    QVERIFY(again.performance());  // with the default target
    QCOMPARE(again.performance()->target.percent, 99.999);
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
}

void LinkWindowTest::unreadableLinkJsonIsReportedAndReplacedByDefaults() {
    LinkFixture f;
    f.write("link.json", "{\"conditions\": {\"threshold\": ");
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    const QStringList reported = f.screens->takeReportedErrors();
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported.front().contains("link.json") && reported.front().contains("defaults"),
             qPrintable(reported.front()));
    for (const auto& info : propagation::allConditionInputs()) {
        QCOMPARE(w.inputBox(info.input)->text(), QString::fromUtf8(info.defaultText));
    }
    // The unreadable bytes are kept aside; the window carries on and saves afresh.
    QFile kept(f.file("link.json.unreadable"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("{\"conditions\": {\"threshold\": "));
    w.inputBox(ConditionInput::Threshold)->setText("-80");
    w.saveInputs();
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
    f.start();
    QCOMPARE(openLinkPerformance(*f.screens, "x").inputBox(ConditionInput::Threshold)->text(),
             QString("-80"));
}

void LinkWindowTest::printedPageOpensWithTheHopThenThePerformance() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "North ridge");
    w.inputBox(ConditionInput::Threshold)->setText("-80");
    w.inputBox(ConditionInput::RainZone)->setText("K");
    const QStringList lines = w.pageLines();
    const auto indexOf = [&](const QString& start) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].startsWith(start)) return i;
        }
        return qsizetype(-1);
    };
    // Every input of the hop, before the performance.
    const qsizetype availability = indexOf("Availability ");
    QVERIFY(availability > 0);
    for (const char* start :
         {"Path name: North ridge", "Frequency: 6 GHz", "Transmit dish diameter: 6 ft",
          "Receive dish diameter: 8 ft", "Transmit line: 1.5 dB per 100 ft, 150 ft",
          "Receive line: 2.25 dB per 100 ft, 200 ft", "Transmitter power: 40 dBm",
          "Path length: ", "Receiver threshold: -80 dBm", "Rain zone: K"}) {
        const qsizetype at = indexOf(start);
        QVERIFY2(at >= 0, start);
        QVERIFY2(at < availability, start);
    }

    const QString pdf = f.file("page.pdf");
    const std::optional<QString> failed = w.printToPdf(pdf);
    QVERIFY2(!failed, failed ? qPrintable(*failed) : "");
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    const QString expected = w.groupText("total").section('\n', 0, 0);
    QVERIFY(expected.startsWith("Availability "));
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY(text.contains("Path name: North ridge"));
    QVERIFY(text.indexOf("Frequency: 6 GHz") < text.indexOf(expected));
}

void LinkWindowTest::printWithoutPrinterWritesTheChosenPdf() {
    if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "a/b");
    w.inputBox(ConditionInput::Threshold)->setText("-80");
    QString proposed;
    const QString pdf = f.file("chosen.pdf");
    w.setPdfFileChooser([&](const QString& p) {
        proposed = p;
        return pdf;
    });
    w.printCommand()->click();
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
    QVERIFY2(proposed.endsWith("a_b link performance.pdf"), qPrintable(proposed));
    QVERIFY(QFile::exists(pdf));
    // Declining writes nothing and says nothing.
    QFile::remove(pdf);
    w.setPdfFileChooser([](const QString&) { return QString(); });
    w.printCommand()->click();
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
}

void LinkWindowTest::profileCommandOpensThePathProfile() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    QVERIFY(!w.profileWindow());
    w.profileCommand()->click();
    QVERIFY(w.profileWindow());
    QCOMPARE(w.profileWindow()->windowTitle(), QString("Path Profile"));
    QVERIFY(w.profileWindow()->isVisible());
    // Without a profile chosen it says what to do.
    QVERIFY2(w.profileWindow()->errorText().contains("Choose a profile"),
             qPrintable(w.profileWindow()->errorText()));
}

void LinkWindowTest::profileFeedsDiffractionLossAndMeanTerrain() {
    LinkFixture f;
    const QString csv = f.write("ridge.csv", kKnifeEdgeCsv);
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    w.inputBox(ConditionInput::Threshold)->setText("-90");
    const double before = w.performance()->flatFadeMarginDb;
    ProfileWindow& p = w.openProfile();
    p.sourceBox()->setText(csv);
    QVERIFY2(p.report(), qPrintable(p.errorText()));

    // Knife edge 40 m at 10 km of 20 km, antennas 30 m over flat sea-level ground, 6 GHz,
    // first criterion k 4/3: bulge 10 * 10 / (12.74 * 4/3) = 5.88697 m, so the clearance is
    // 30 - 45.88697 = -15.88697 m; F1 = 17.3 sqrt(10 * 10 / (6 * 20)) = 15.79267 m;
    // Ad = -20 (-15.88697) / 15.79267 + 10 = 30.1194 dB.
    QVERIFY(p.report()->diffractionLossApplies);
    QVERIFY(std::fabs(p.report()->diffractionLossDb - 30.1194) < 1e-3);
    // Not ticked: the margin is unchanged.
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - before) < 1e-9);
    w.subtractDiffraction()->setChecked(true);
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - (before - 30.1194)) < 1e-3);
    QVERIFY(w.groupText("levels").contains("Diffraction loss from the profile 30.12 dB"));
    QVERIFY(w.groupText("models").contains("P.530-18 section 2.2.1"));
    // Antennas raised to 80 m: the ridge clears, no diffraction loss is left to subtract.
    p.antennaFromBox()->setText("80");
    p.antennaToBox()->setText("80");
    QVERIFY(!p.report()->diffractionLossApplies);
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - before) < 1e-9);

    // Mean ground, distance weighted: (0 + 20 + 20 + 0) * 5 km / 20 km = 10 m.
    QCOMPARE(w.inputBox(ConditionInput::MeanTerrain)->text(), QString("10.0"));
    QVERIFY(w.findChild<QLabel*>("meanTerrainNote")->isVisibleTo(&w));

    // The profile's inputs are remembered with the link's.
    w.saveInputs();
    f.start();
    LinkWindow& again = openLinkPerformance(*f.screens, "Test hop");
    ProfileWindow& p2 = again.openProfile();
    QCOMPARE(p2.sourceBox()->text(), csv);
    QCOMPARE(p2.antennaFromBox()->text(), QString("80"));
    QVERIFY(p2.report());
}

QTEST_MAIN(LinkWindowTest)
#include "link_window_test.moc"
