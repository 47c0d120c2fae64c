// The "Link Performance" window: opened over the current path, recomputed as the user types,
// unreadable inputs marked and named while the others keep their last good values, inputs
// remembered in link.json (an unreadable one reported and replaced by the defaults), the
// printed page, and the profile's diffraction loss and mean terrain taken in.
#include "link_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "conversions.h"
#include "design_file.h"
#include "link_design.h"
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
    void outageInputsShowTheModesAndTheParts();
    void secondContinueShowsTheNewHopAtOnce();
    void sitesGiveTheReverseDirectionItsTransmitter();
    void errorsMarkTheInputTheirKeyNames();
    void choicesOfferOnlyWhatTheModelsRead();
    void designFilesOpenAndSave();
    void unreadableDesignFileChangesNothing();
    void endingWithTheProfileBeingEditedIsSafe();
    void savingElsewhereKeepsRelativeFilesFound();
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
        if (!design::isDesignCondition(info.input)) continue;  // per site, below
        auto* box = w.findChild<QLineEdit*>(info.name);
        QVERIFY2(box, info.name);
        QCOMPARE(box->text(), QString::fromUtf8(info.defaultText));
        if (info.input == ConditionInput::RainMap) {
            QVERIFY(w.browseCommand("rain-map"));  // a file: browsed for, no unit
            continue;
        }
        auto* unit = w.findChild<QLabel*>(QString("unit_") + info.name);
        QVERIFY(unit);
        QCOMPARE(unit->text(), QString::fromUtf8(info.unit));
    }
    // The per-site inputs: one box per end.
    for (design::End end : {design::End::From, design::End::To}) {
        for (const char* key : {"name", "ground-elevation", "antenna-height", "threshold"}) {
            QVERIFY2(w.siteBox(end, key), key);
        }
    }
    QCOMPARE(w.siteBox(design::End::To, "threshold"), w.inputBox(ConditionInput::Threshold));
    QVERIFY(!w.inputBox(ConditionInput::GroundElevations));
    QVERIFY(!w.inputBox(ConditionInput::AntennaHeights));
    QCOMPARE(w.inputBox(ConditionInput::Target)->text(), QString("99.999"));
    QCOMPARE(w.inputBox(ConditionInput::Multipath)->text(), QString("vigants"));
    // Without a threshold the budget shows and the window says what the performance needs;
    // nothing is marked, as nothing typed is wrong.
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.errorText().isEmpty());
    QVERIFY2(w.noteText().contains("Receiver threshold"), qPrintable(w.noteText()));
    QVERIFY(!w.performance());
    QVERIFY(w.resultText("ab.availabilityPercent").isNull());
    QVERIFY(!w.resultText("ab.receiveSignalLevel").isEmpty());
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
    QCOMPARE(w.resultText("ab.flatFadeMarginDb"), QString::number(rsl + 70.0, 'f', 2));

    // Multipath by the default Vigants-Barnett (a 1, b 1/4); no rain source, so the total is it.
    const double vb =
        vigantsBarnettPercent(1, 0.25, 6, budget.pathLengthMiles, first.flatFadeMarginDb);
    QVERIFY(std::fabs(*first.multipath.annualPercent / vb - 1) < 1e-9);
    QVERIFY(std::fabs(first.availabilityPercent - (100 - vb)) < 1e-9);
    QVERIFY(std::fabs(first.outageMinutesPerYear - vb / 100 * 525960) < 1e-6);
    // The availability is written with enough decimals for the outage to show.
    const QString shown = w.resultText("ab.availabilityPercent");
    QVERIFY2(shown.startsWith("99.99"), qPrintable(shown));
    const int decimals = static_cast<int>(shown.size() - shown.indexOf('.') - 1);
    QVERIFY2(std::fabs(shown.toDouble() - (100 - vb)) <= 0.5 * std::pow(10.0, -decimals),
             qPrintable(shown));
    QVERIFY2(std::fabs(100 - shown.toDouble()) >= 0.5 * vb,
             qPrintable(shown));  // not rounded to 100
    QVERIFY(w.resultText("ab.multipathMethod").contains("Vigants-Barnett"));
    QVERIFY(w.resultLines().join('\n').contains("ITU-R P.676-13"));
    QVERIFY(w.resultText("ab.rainSource").isNull());  // no rain source

    // Ten dB lower threshold: the Vigants-Barnett outage falls tenfold.
    type(w.inputBox(ConditionInput::Threshold), "-80");
    QVERIFY(std::fabs(w.performance()->outagePercent * 10 / first.outagePercent - 1) < 1e-9);

    // A rain zone typed: rain now counts, with its model and the zone's 42 mm/h.
    type(w.inputBox(ConditionInput::RainZone), "K");
    QVERIFY(w.performance()->rain);
    QCOMPARE(w.performance()->rain->rainRateMmH, 42.0);
    QVERIFY2(w.resultText("ab.rainSource").contains("42 mm/h"),
             qPrintable(w.resultText("ab.rainSource")));
    QVERIFY(w.resultLines().join('\n').contains("ITU-R P.838-3"));
    QCOMPARE(w.choiceBox("rain-source")->currentText(), QString("zone"));
    // The total adds the rain outage (here tiny or 0 against this margin) to the multipath's.
    QVERIFY(w.performance()->rain->outagePercent);
    QVERIFY(std::fabs(w.performance()->outagePercent - *w.performance()->rain->outagePercent -
                      *w.performance()->multipath.annualPercent) <= 1e-12);

    // The target: stated as met or with the margin it needs.
    type(w.inputBox(ConditionInput::Target), "99.9999999");
    QVERIFY(!w.performance()->target.met);
    QCOMPARE(w.resultText("ab.targetMet"), QString("no"));
    QVERIFY(w.resultText("ab.requiredMarginDb").toDouble() > w.performance()->flatFadeMarginDb);
    type(w.inputBox(ConditionInput::Target), "50");
    QVERIFY(w.performance()->target.met);
    QCOMPARE(w.resultText("ab.targetMet"), QString("yes"));
    QCOMPARE(w.resultText("ab.targetPercent"), QString("50.0000"));
}

void LinkWindowTest::unreadableInputsAreMarkedAndTheRestKeepsItsLastGoodValue() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    type(w.inputBox(ConditionInput::Threshold), "-80");
    const double margin = w.performance()->flatFadeMarginDb;

    // A letter outside A..Q: marked and named, the hop computed as before without rain.
    type(w.inputBox(ConditionInput::RainZone), "Z");
    QCOMPARE(w.markedInputs(), QStringList{"conditions.rain-zone"});
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
    QCOMPARE(w.markedInputs(), (QStringList{"sites[1].threshold", "conditions.rain-zone"}));
    QVERIFY(w.errorText().contains("Receiver threshold"));
    QVERIFY2(w.errorText().contains("To site, Receiver threshold"), qPrintable(w.errorText()));
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

    // The rain source is one of rate, zone or map: typing a rate chooses the rate, and the
    // zone's text waits aside until the zone is chosen again.
    type(w.inputBox(ConditionInput::RainRate), "42");
    QCOMPARE(w.choiceBox("rain-source")->currentText(), QString("rate"));
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.performance()->rain);
    QVERIFY2(w.resultText("ab.rainSource").contains("typed"),
             qPrintable(w.resultText("ab.rainSource")));
    QCOMPARE(w.inputBox(ConditionInput::RainZone)->text(), QString("K"));
    QVERIFY(f.screens->design().conditions[ConditionInput::RainZone].empty());
    w.choiceBox("rain-source")->setCurrentIndex(2);  // zone
    QVERIFY(w.resultText("ab.rainSource").contains("zone K"));
    QVERIFY(f.screens->design().conditions[ConditionInput::RainRate].empty());
    w.choiceBox("rain-source")->setCurrentIndex(0);  // none
    QVERIFY(!w.performance()->rain);
    w.choiceBox("rain-source")->setCurrentIndex(2);

    // Out of range values are marked too: a tilt above 90, a temperature below absolute zero,
    // a target of 100 %.
    for (auto [input, text] :
         {std::pair{ConditionInput::Polarisation, "95"},
          std::pair{ConditionInput::Temperature, "-300"}, std::pair{ConditionInput::Target, "100"},
          std::pair{ConditionInput::RainRate, "-1"}}) {
        QLineEdit* box = w.inputBox(input);
        const QString before = box->text();
        box->setText(text);
        QVERIFY2(w.markedInputs() == QStringList{QString("conditions.") +
                                                 propagation::conditionInputInfo(input).name},
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
    w.siteBox(design::End::From, "ground-elevation")->setText("100");
    w.siteBox(design::End::To, "ground-elevation")->setText("120");
    w.siteBox(design::End::From, "antenna-height")->setText("30");
    w.siteBox(design::End::To, "antenna-height")->setText("30");
    w.inputBox(ConditionInput::MeanTerrain)->setText("90");
    QVERIFY(!w.performance());
    QCOMPARE(w.markedInputs(), QStringList{"conditions.latitude"});
    QVERIFY2(w.errorText().contains("Path-centre latitude"), qPrintable(w.errorText()));
    w.inputBox(ConditionInput::CentreLatitude)->setText("41.5");
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.performance());
    QVERIFY(w.resultText("ab.multipathMethod").contains("ITU-R P.530-18"));
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
    QCOMPARE(again.markedInputs(), QStringList{"conditions.target"});
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
        if (!design::isDesignCondition(info.input) && info.input != ConditionInput::Threshold)
            continue;  // per site, empty
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
    // The sites and the hop first, then both directions' performance.
    const qsizetype availability = indexOf("Availability (%): ");
    QVERIFY(availability > 0);
    for (const char* start :
         {"Path name: North ridge", "Frequency: 6 GHz", "Dish diameter (ft): 6 | 8",
          "Feeder: 1.5 dB/100 ft, 150 ft | 2.25 dB/100 ft, 200 ft", "Transmitter power: 10 (W)",
          "Path length (typed): 20 km", "Receiver threshold (dBm):  | -80", "Rain zone: K"}) {
        const qsizetype at = indexOf(start);
        QVERIFY2(at >= 0, start);
        QVERIFY2(at < availability, start);
    }

    const QString pdf = f.file("page.pdf");
    const std::optional<QString> failed = w.printToPdf(pdf);
    QVERIFY2(!failed, failed ? qPrintable(*failed) : "");
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    const QString expected = w.resultText("ab.availabilityPercent");
    QVERIFY2(expected.startsWith("99.") || expected.startsWith("100."), qPrintable(expected));
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
    // An input that cannot be read: nothing is printed, and the message says why.
    w.setPdfFileChooser([&](const QString&) { return pdf; });
    w.inputBox(ConditionInput::Target)->setText("oops");
    w.printCommand()->click();
    QVERIFY(!QFile::exists(pdf));
    const QStringList reported = f.screens->takeReportedErrors();
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported.front().contains("Target availability"), qPrintable(reported.front()));
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

void LinkWindowTest::outageInputsShowTheModesAndTheParts() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    w.inputBox(ConditionInput::Threshold)->setText("-80");
    w.siteBox(design::End::From, "threshold")->setText("-80");
    w.inputBox(ConditionInput::Multipath)->setText("p530");
    w.inputBox(ConditionInput::GeoclimaticK)->setText("1e-4");
    w.inputBox(ConditionInput::DN75)->setText("300");
    w.inputBox(ConditionInput::MeanTerrain)->setText("100");
    w.inputBox(ConditionInput::CentreLatitude)->setText("45");
    for (design::End end : {design::End::From, design::End::To}) {
        w.siteBox(end, "ground-elevation")->setText("100");
        w.siteBox(end, "antenna-height")->setText("30");
    }
    QVERIFY2(w.performance(), qPrintable(w.markedInputs().join(", ")));
    // A single threshold without the outage inputs: today's figures, no mode table.
    QVERIFY(w.resultText("ab.modes[0].availabilityPercent").isEmpty());
    QVERIFY(w.choiceBox("diversity"));
    QCOMPARE(w.choiceBox("diversity")->count(), 3);
    w.inputBox(ConditionInput::Diversity)->setText("space");
    w.inputBox(ConditionInput::DiversitySeparation)->setText("10");
    QVERIFY2(w.markedInputs().isEmpty(), qPrintable(w.markedInputs().join(", ")));
    // The one-mode radio "threshold", its clear-air and rain parts, in both directions.
    for (const char* direction : {"ab.", "ba."}) {
        const QString at = QString::fromLatin1(direction);
        QVERIFY2(!w.resultText(at + "modes[0].availabilityPercent").isEmpty(),
                 qPrintable(at + w.resultLines().join('\n')));
        QVERIFY(!w.resultText(at + "clearAirAnnualPercent").isEmpty());
        QVERIFY(!w.resultText(at + "rainAnnualPercent").isEmpty());
    }
    // A diversity without its separation is marked by its key.
    w.inputBox(ConditionInput::DiversitySeparation)->setText("");
    QVERIFY(w.markedInputs().contains("conditions.diversity-separation"));
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
    // Ticked: the delta-Bullington loss at k 4/3 is taken, not the planning figure. Over the
    // edge h = 40 + 500 * 10 * 10 / 8494.667 - 30 = 15.886 m, nu = 15.886 sqrt(0.002 * 20 /
    // (0.0499654 * 10 * 10)) = 1.4214, J = 16.378 dB; Bullington adds (1 - exp(-J / 6)) * 10.4
    // = 9.722 dB: 26.10 dB, and the smooth spherical earth adds nothing to it.
    w.subtractDiffraction()->setChecked(true);
    const double loss = w.diffractionLossUsedDb();
    QVERIFY2(std::fabs(loss - 26.10) < 0.01, qPrintable(QString::number(loss)));
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - (before - loss)) < 1e-9);
    QCOMPARE(w.resultText("profile.diffractionSubtractedDb"), QString("26.10"));
    QVERIFY(w.resultLines().join('\n').contains("delta-Bullington"));
    // Antennas raised to 80 m: the ridge clears, no diffraction loss is left to subtract.
    p.antennaFromBox()->setText("80");
    p.antennaToBox()->setText("80");
    QVERIFY(!p.report()->diffractionLossApplies);
    // One holder: the heights typed in the profile window are the link window's.
    QCOMPARE(w.siteBox(design::End::From, "antenna-height")->text(), QString("80"));
    QCOMPARE(f.screens->design().sites[1].antennaHeight, std::string("80"));
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - before) < 1e-9);

    // Mean ground, distance weighted: (0 + 20 + 20 + 0) * 5 km / 20 km = 10 m.
    // The box stays empty (nothing typed) and says what the profile gives it.
    QCOMPARE(w.inputBox(ConditionInput::MeanTerrain)->text(), QString());
    QCOMPARE(w.resultText("profile.meanTerrainM"), QString("10.0"));
    QVERIFY(w.findChild<QLabel*>("meanTerrainNote")->isVisibleTo(&w));
    QVERIFY(w.findChild<QLabel*>("meanTerrainNote")->text().contains("10.0"));
    // ... and the heights typed here are the profile window's.
    w.siteBox(design::End::To, "antenna-height")->setText("85");
    QCOMPARE(p.antennaToBox()->text(), QString("85"));
    QCOMPARE(p.report()->antennas.toM, 85.0);
    w.siteBox(design::End::To, "antenna-height")->setText("80");

    // The profile's inputs are remembered with the link's.
    w.saveInputs();
    f.start();
    LinkWindow& again = openLinkPerformance(*f.screens, "Test hop");
    ProfileWindow& p2 = again.openProfile();
    QCOMPARE(p2.sourceBox()->text(), csv);
    QCOMPARE(p2.antennaFromBox()->text(), QString("80"));
    QVERIFY(p2.report());
}

namespace {

// Types a whole path into the input screen and presses CONTINUE.
void continueWith(Screens& screens, const PathInputs& path) {
    Path_Info& input = screens.pathInfo();
    input.setInputs(path);
    input.Command1->click();
}

}  // namespace

void LinkWindowTest::secondContinueShowsTheNewHopAtOnce() {
    LinkFixture f;
    f.state.path = PathState{};
    PathInputs path = examples::kmWattsPath();
    path[Field::Text11] = "Ridge hop";
    continueWith(*f.screens, path);
    QVERIFY2(f.screens->exists(FormId::Results),
             qPrintable(f.screens->takeReportedErrors().join("; ")));
    f.screens->results().findChild<QPushButton*>("Command4")->click();
    LinkWindow* w = linkPerformanceWindow(*f.screens);
    QVERIFY(w);
    w->inputBox(ConditionInput::Threshold)->setText("-80");
    const QString freeSpace6 = w->resultText("ab.freeSpaceLoss");
    QCOMPARE(freeSpace6, QString::fromStdString(singleToText(f.state.path.results.freeSpaceLoss)));
    const double margin6 = w->performance()->flatFadeMarginDb;

    // Back to the input screen, another frequency, CONTINUE: the open window follows at once,
    // without its command being pressed again.
    f.screens->show(FormId::Path_Info);
    path[Field::Text10] = "11";
    continueWith(*f.screens, path);
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
    QVERIFY2(w->hopText().contains("11 GHz"), qPrintable(w->hopText()));
    QCOMPARE(w->resultText("ab.freeSpaceLoss"),
             QString::fromStdString(singleToText(f.state.path.results.freeSpaceLoss)));
    QVERIFY(w->resultText("ab.freeSpaceLoss") != freeSpace6);
    QVERIFY(w->performance());
    QVERIFY(w->performance()->flatFadeMarginDb != margin6);
    // What the window holds beyond the budget stays.
    QCOMPARE(w->inputBox(ConditionInput::Threshold)->text(), QString("-80"));
    QCOMPARE(f.screens->design().path.freq, std::string("11"));
    QCOMPARE(f.screens->design().name, std::string("Ridge hop"));
}

void LinkWindowTest::sitesGiveTheReverseDirectionItsTransmitter() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Two ways");
    w.siteBox(design::End::From, "name")->setText("Hill");
    w.siteBox(design::End::To, "name")->setText("Vale");
    w.siteBox(design::End::To, "threshold")->setText("-80");
    w.siteBox(design::End::From, "threshold")->setText("-80");
    QVERIFY2(w.markedInputs().isEmpty(), qPrintable(w.errorText()));
    QVERIFY(w.study() && w.study()->twoWay);
    QVERIFY(!w.resultText("twoWay.availabilityPercent").isEmpty());
    QVERIFY(w.hopText().contains("Hill to Vale"));

    // The To end's transmitter: 3 dB more power and 2 dB of amplifier raise the Vale-to-Hill
    // level by 5 dB and leave Hill-to-Vale as it was.
    const auto rsl = [&](int direction) {
        return *w.study()->directions[static_cast<std::size_t>(direction)].performance;
    };
    const double ab = rsl(0).rslDbm, ba = rsl(1).rslDbm;
    w.choiceBox("power-unit")->setCurrentIndex(0);  // dBm
    const double power = f.screens->design().sites[1].power.empty()
                             ? 0
                             : std::stod(f.screens->design().sites[1].power);
    w.siteBox(design::End::To, "power")->setText(QString::number(power + 3));
    w.siteBox(design::End::To, "amp-gain")
        ->setText(QString::number(std::stoi(f.screens->design().sites[1].ampGain) + 2));
    QVERIFY(std::fabs(rsl(1).rslDbm - (ba + 5)) < 1e-3);
    QVERIFY(std::fabs(rsl(0).rslDbm - ab) < 1e-9);
    // The From end's preamplifier counts on the Vale-to-Hill reception only.
    w.siteBox(design::End::From, "preamp-gain")
        ->setText(QString::number(std::stod(f.screens->design().sites[0].preampGain) + 4));
    QVERIFY(std::fabs(rsl(1).rslDbm - (ba + 9)) < 1e-3);
    QVERIFY(std::fabs(rsl(0).rslDbm - ab) < 1e-9);
    // The results are the design layer's rows: both directions under the sites' names.
    QVERIFY(w.resultLines().join('\n').contains("Vale to Hill: Received signal level (dBm)"));
}

void LinkWindowTest::errorsMarkTheInputTheirKeyNames() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    w.siteBox(design::End::To, "threshold")->setText("-80");
    const double margin = w.performance()->flatFadeMarginDb;
    // A reverse transmitter power that is no number: its box is marked by the error's key,
    // the message names the site, and the other direction is computed on.
    w.siteBox(design::End::To, "power")->setText("3o");
    QCOMPARE(w.markedInputs(), QStringList{"sites[1].power"});
    QVERIFY2(w.errorText().contains("To site, Transmitter power"), qPrintable(w.errorText()));
    QVERIFY(w.performance());
    QVERIFY(std::fabs(w.performance()->flatFadeMarginDb - margin) < 1e-9);
    // The design keeps the text as typed (it is saved so), only the computation falls back.
    QCOMPARE(f.screens->design().sites[1].power, std::string("3o"));
    w.siteBox(design::End::To, "power")->setText("30");
    QVERIFY(w.markedInputs().isEmpty());

    // A ground elevation that is no number: its site's box.
    w.siteBox(design::End::From, "ground-elevation")->setText("1oo");
    QCOMPARE(w.markedInputs(), QStringList{"sites[0].ground-elevation"});
    w.siteBox(design::End::From, "ground-elevation")->clear();

    // A profile file that cannot be read marks the profile box; the hop is computed without.
    w.profileBox("profile")->setText(f.file("missing.csv"));
    QCOMPARE(w.markedInputs(), QStringList{"profile.profile"});
    QVERIFY(w.performance());
    QVERIFY(!w.study()->profile);
}

void LinkWindowTest::choicesOfferOnlyWhatTheModelsRead() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    w.siteBox(design::End::To, "threshold")->setText("-80");
    const auto items = [](QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
        return out;
    };
    QCOMPARE(items(w.choiceBox("polarisation")), (QStringList{"v", "h", "c"}));
    QCOMPARE(items(w.choiceBox("multipath")), (QStringList{"vigants", "p530"}));
    QCOMPARE(items(w.choiceBox("rain-source")), (QStringList{"none", "rate", "zone", "map"}));
    QCOMPARE(items(w.choiceBox("criteria")), (QStringList{"north-american", "sixty", "custom"}));
    const QStringList zones = items(w.choiceBox("rain-zone"));
    QCOMPARE(zones.size(), 16);  // empty, then A..Q without I and O
    QVERIFY(!zones.contains("I") && !zones.contains("O"));
    // Every offered zone reads.
    for (const QString& zone : zones.mid(1)) {
        w.choiceBox("rain-zone")->setCurrentText(zone);
        QVERIFY2(w.markedInputs().isEmpty(), qPrintable(zone + ": " + w.errorText()));
        QVERIFY(w.performance()->rain);
    }
    // A polarisation tilt can still be typed.
    w.inputBox(ConditionInput::Polarisation)->setText("30");
    QVERIFY(w.markedInputs().isEmpty());
    QVERIFY(w.resultLines().join('\n').contains("tilt 30"));

    // Custom criteria are typed only when chosen.
    QLineEdit* custom = w.profileBox("criteria");
    QVERIFY(!custom->isEnabled());
    w.choiceBox("criteria")->setCurrentIndex(1);
    QCOMPARE(f.screens->design().profile.criteria, std::string("sixty"));
    w.choiceBox("criteria")->setCurrentIndex(2);
    QVERIFY(custom->isEnabled());
    custom->setText("4/3:1");
    QCOMPARE(f.screens->design().profile.criteria, std::string("4/3:1"));

    // The file boxes are browsed for.
    const QString csv = f.write("ridge.csv", kKnifeEdgeCsv);
    w.setBrowseChooser([&](const QString& key) { return key == "profile" ? csv : QString(); });
    w.browseCommand("profile")->click();
    QCOMPARE(w.profileBox("profile")->text(), csv);
    QCOMPARE(f.screens->design().profile.profile, csv.toStdString());
    w.browseCommand("rain-map")->click();  // declined: nothing changes
    QCOMPARE(w.inputBox(ConditionInput::RainMap)->text(), QString());
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
}

void LinkWindowTest::designFilesOpenAndSave() {
    LinkFixture f;
    const QString file = f.file("hill.hop");
    QVERIFY(!design::writeDesignFile(file.toStdString(), design::exampleDesign()));
    // The input screen exists, as after a CONTINUE.
    f.screens->pathInfo();
    f.screens->takeReportedErrors();
    LinkWindow& w = openLinkPerformance(*f.screens);
    w.setDesignFileChooser([&](bool save, const QString&) { return save ? f.file("copy") : file; });
    w.openCommand()->click();
    QVERIFY2(f.screens->takeReportedErrors().isEmpty(), "open");
    QCOMPARE(w.windowTitle(), QString("Link Performance - hill.hop"));
    const design::LinkDesign example = design::exampleDesign();
    // The input screen holds the From-to-To budget as CONTINUE reads it ...
    Path_Info& input = f.screens->pathInfo();
    QCOMPARE(input.field(Field::Text10)->text(), QString::fromStdString(example.path.freq));
    QCOMPARE(input.field(Field::Text11)->text(), QString::fromStdString(example.name));
    QCOMPARE(input.field(Field::Text5)->text(), QString::fromStdString(example.sites[0].lat));
    QCOMPARE(input.field(Field::Text3)->text(), QString::fromStdString(example.sites[1].dish));
    // ... the calculated path is the design's, and the window its sites and conditions.
    QCOMPARE(f.state.path.values.frequencyGHz, std::stof(example.path.freq));
    QCOMPARE(w.siteBox(design::End::From, "name")->text(),
             QString::fromStdString(example.sites[0].name));
    QCOMPARE(w.siteBox(design::End::To, "antenna-height")->text(),
             QString::fromStdString(example.sites[1].antennaHeight));
    QCOMPARE(w.siteBox(design::End::From, "threshold")->text(),
             QString::fromStdString(example.sites[0].threshold));
    QCOMPARE(w.inputBox(ConditionInput::RainZone)->text(),
             QString::fromStdString(example.conditions[ConditionInput::RainZone]));
    QCOMPARE(w.choiceBox("rain-source")->currentText(), QString("zone"));
    QVERIFY(w.study() && w.study()->twoWay);
    // An open profile window follows the opened design too.
    ProfileWindow& p = w.openProfile();
    design::LinkDesign kept = f.screens->design();
    kept.profile.fixedEnd = "to";
    kept.sites[0].antennaHeight = "55";
    f.screens->replaceDesign(kept);
    QCOMPARE(p.fixedEndBox()->currentIndex(), 2);
    QCOMPARE(p.antennaFromBox()->text(), QString("55"));
    QCOMPARE(w.siteBox(design::End::From, "antenna-height")->text(), QString("55"));

    // Save As: a name without an extension gets ".hop"; the file holds what the window shows.
    w.siteBox(design::End::To, "power")->setText("33");
    w.saveAsCommand()->click();
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
    QCOMPARE(w.windowTitle(), QString("Link Performance - copy.hop"));
    Result<design::LinkDesign> saved = design::readDesignFile(f.file("copy.hop").toStdString());
    QVERIFY(saved);
    QCOMPARE(saved.value->sites[1].power, std::string("33"));
    QCOMPARE(saved.value->name, example.name);
    QCOMPARE(saved.value->conditions.texts, example.conditions.texts);
    // Save writes the same file again without asking.
    w.setDesignFileChooser([](bool, const QString&) { return QString(); });
    w.siteBox(design::End::To, "power")->setText("34");
    w.saveCommand()->click();
    QCOMPARE(design::readDesignFile(f.file("copy.hop").toStdString()).value->sites[1].power,
             std::string("34"));
    // Declining Open changes nothing.
    w.openCommand()->click();
    QCOMPARE(w.windowTitle(), QString("Link Performance - copy.hop"));
}

void LinkWindowTest::unreadableDesignFileChangesNothing() {
    LinkFixture f;
    LinkWindow& w = openLinkPerformance(*f.screens, "Kept");
    w.siteBox(design::End::To, "threshold")->setText("-80");
    const QString bad = f.write("bad.hop", "{\"format\": \"hopscale-design\", \"sights\": []}");
    QVERIFY(!w.openDesign(bad));
    const QStringList reported = f.screens->takeReportedErrors();
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported.front().contains("bad.hop"), qPrintable(reported.front()));
    QCOMPARE(f.screens->design().name, std::string("Kept"));
    QCOMPARE(w.windowTitle(), QString("Link Performance"));
    QVERIFY(w.performance());
    // A design that cannot be written is reported, and the window keeps no file name.
    QVERIFY(!w.saveDesign(f.file("no/such/folder/x.hop")));
    QCOMPARE(f.screens->takeReportedErrors().size(), 1);
    QCOMPARE(w.windowTitle(), QString("Link Performance"));
}

void LinkWindowTest::endingWithTheProfileBeingEditedIsSafe() {
    LinkFixture f;
    const QString csv = f.write("ridge.csv", kKnifeEdgeCsv);
    LinkWindow& w = openLinkPerformance(*f.screens, "Test hop");
    ProfileWindow& p = w.openProfile();
    p.sourceBox()->setText(csv);
    p.antennaFromBox()->setText("72");
    w.show();
    p.show();
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    // The manager goes while a profile box may hold the focus: the box's last edit, sent as
    // the windows are taken down, must reach no window that has gone (run under valgrind).
    f.screens.reset();
    QVERIFY(!f.screens);
}

void LinkWindowTest::savingElsewhereKeepsRelativeFilesFound() {
    LinkFixture f;
    QVERIFY(QDir(f.dir->path()).mkpath("a") && QDir(f.dir->path()).mkpath("b"));
    f.write("a/ridge.csv", kKnifeEdgeCsv);
    design::LinkDesign d = design::exampleDesign();
    d.profile.profile = "ridge.csv";  // beside the design
    QVERIFY(!design::writeDesignFile(f.file("a/hop.hop").toStdString(), d));
    f.screens->pathInfo();
    LinkWindow& w = openLinkPerformance(*f.screens);
    QVERIFY(w.openDesign(f.file("a/hop.hop")));
    QVERIFY2(w.study() && w.study()->profile, qPrintable(w.errorText()));
    QVERIFY(w.saveDesign(f.file("b/moved.hop")));
    // Written into another folder, the name stands for the same file.
    Result<design::LinkDesign> moved = design::readDesignFile(f.file("b/moved.hop").toStdString());
    QVERIFY(moved);
    QCOMPARE(QFileInfo(QString::fromStdString(moved.value->profile.profile)).canonicalFilePath(),
             QFileInfo(f.file("a/ridge.csv")).canonicalFilePath());
    QVERIFY(design::evaluate(*moved.value).value->profile);
    QVERIFY(w.study() && w.study()->profile);
    // Saved beside itself, a relative name stays relative.
    QVERIFY(w.openDesign(f.file("a/hop.hop")));
    QVERIFY(w.saveDesign(f.file("a/again.hop")));
    QCOMPARE(design::readDesignFile(f.file("a/again.hop").toStdString()).value->profile.profile,
             std::string("ridge.csv"));
}

QTEST_MAIN(LinkWindowTest)
#include "link_window_test.moc"
