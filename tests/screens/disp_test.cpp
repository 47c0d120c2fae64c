// The data sheet: its rows as the results screen's load writes them, what CONTINUE writes
// and hides, its date and time, Return, and the printed page.
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "harness.h"
#include "printing.h"

using namespace hopscale;
using namespace hopscale::testing;

class DispTest : public QObject {
    Q_OBJECT
  private slots:
    void designCaptionsAndLeaders();
    void lossesAreNegativeAndUnusedGainsSaySo();
    void zeroLossIsNeverMinusZero();
    void roundedAmplifierGainOfZeroIsNotUsed();
    void coordinatesRow_data();
    void coordinatesRow();
    void skippedGuideHidesTheLineTypes();
    void dateAndTimeAreThoseOfCreation();
    void returnAndFrameCloseGoBackToResults();
    void printedPageKeepsItsText();
};

void DispTest::designCaptionsAndLeaders() {
    Harness h;
    disp& d = h.sheet();
    QCOMPARE(d.windowTitle(), QString("Form1"));
    QCOMPARE(d.Label1->text(), "Transmit Power DBm" + QString(54, '.'));
    QCOMPARE(d.Label6->text(), "Transmit Half Power Beamwidth in Degrees" + QString(10, '.'));
    QCOMPARE(d.Label7->text(), "EIPR in Watts" + QString(69, '.'));
    QCOMPARE(d.Label19->text(), "Path Angle True" + QString(64, '.'));
    QCOMPARE(d.Label28->text(), "Transmitter Amplifier Gain DBm" + QString(34, '.'));
    QCOMPARE(d.Label22->text(), QString("Prepared for:"));
    QVERIFY(d.Label26->isHidden());
    QVERIFY(!d.Label24->isHidden() && !d.Label25->isHidden());
    QCOMPARE(d.Text21->text(), QString("Text21"));
    // Rows share their Top: caption and value field side by side.
    QCOMPARE(d.Label13->y(), d.Text13->y());
    QCOMPARE(d.Text18->width(), twipsToPixels(975));
}

void DispTest::lossesAreNegativeAndUnusedGainsSaySo() {
    Harness h;
    h.pressContinue();
    disp& d = h.sheet();
    const std::pair<const char*, const char*> rows[] = {
        {"Text1", "10"},          {"Text2", "-1"},        {"Text27", "Not Used"},
        {"Text3", "0.007943282"}, {"Text4", "33.5206"},   {"Text5", "-10.5"},
        {"Text6", "3.5"},         {"Text7", "17.86734"},  {"Text8", "-136.6"},
        {"Text9", "33.5206"},     {"Text10", "36.00151"}, {"Text11", "50.91383"},
        {"Text12", "10"},         {"Text13", "-2"},       {"Text14", "-61.55881"},
        {"Text15", "12.53133"},   {"Text16", "Not Used"}, {"Text17", "-1"},
        {"Text18", "-61.55881"},  {"Text19", "Example"}};
    for (const auto& [name, text] : rows) QCOMPARE(textOf(d, name), QString(text));
    QVERIFY(!shownOn(d, "Text20") && !shownOn(d, "Label19"));

    Harness used;
    used.enter({{"Text15", "3"}, {"Text4", "-1"}});
    used.pressContinue();
    QCOMPARE(used.sheet().Text27->text(), QString("3"));
    QCOMPARE(used.sheet().Text16->text(), QString("-1"));
}

void DispTest::zeroLossIsNeverMinusZero() {
    Harness h;
    h.enter({{"Text16", "0"}, {"Text18", "0"}});
    h.pressContinue();
    QCOMPARE(h.sheet().Text2->text(), QString("0"));
    QCOMPARE(h.sheet().Text17->text(), QString("0"));
    QCOMPARE(h.sheet().Text13->text(), QString("0"));
}

void DispTest::roundedAmplifierGainOfZeroIsNotUsed() {
    Harness h;
    h.enter({{"Text15", "0.4"}});
    h.pressContinue();
    QCOMPARE(h.sheet().Text27->text(), QString("Not Used"));
    QVERIFY(shownOn(h.results(), "Text24"));
}

void DispTest::coordinatesRow_data() {
    QTest::addColumn<QStringList>("typed");  // Text5, Text6, Text7, Text9
    QTest::addColumn<QStringList>("shown");  // Text23 to Text26 and Label27, "-" when hidden
    QTest::newRow("none") << QStringList{"0", "0", "0", "0"}
                          << QStringList{"-", "-", "-", "-", "-"};
    QTest::newRow("all four, one with blanks")
        << QStringList{"41 25 30", "814150", "413000", "813000"}
        << QStringList{"412530", "814150", "413000", "813000", "Label27"};
    QTest::newRow("no from-latitude") << QStringList{"abc", "0", "0", "412530"}
                                      << QStringList{"-", "-", "-", "412530", "Label27"};
}

void DispTest::coordinatesRow() {
    QFETCH(QStringList, typed);
    QFETCH(QStringList, shown);
    Harness h;
    h.enter({{"Text5", qPrintable(typed[0])}});
    h.input().Text6->setText(typed[1]);
    h.input().Text7->setText(typed[2]);
    h.input().Text9->setText(typed[3]);
    h.pressContinue();
    QVERIFY(h.screens->exists(FormId::Results));
    disp& d = h.sheet();
    const char* boxes[] = {"Text23", "Text24", "Text25", "Text26"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(shownOn(d, boxes[i]), shown[i] != "-");
        if (shown[i] != "-") QCOMPARE(textOf(d, boxes[i]), shown[i]);
    }
    QCOMPARE(shownOn(d, "Label27"), shown[4] != "-");
}

void DispTest::skippedGuideHidesTheLineTypes() {
    Harness h;
    h.state.guideSkipped = 1;
    h.pressContinue();
    for (const char* name : {"Label24", "Label25", "Label26", "Text21", "Text22"})
        QVERIFY2(!shownOn(h.sheet(), name), name);

    Harness viaGuide;
    viaGuide.pressContinue();
    QVERIFY(shownOn(viaGuide.sheet(), "Label24") && shownOn(viaGuide.sheet(), "Text22"));
}

void DispTest::dateAndTimeAreThoseOfCreation() {
    Harness h;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    disp& d = h.sheet();
    QVERIFY(d.createdAt() >= before && d.createdAt() <= QDateTime::currentDateTime());
    const QLocale locale;
    QCOMPARE(d.Label20->text(), locale.toString(d.createdAt().date(), QLocale::ShortFormat));
    QVERIFY2(d.Label21->text().count(':') >= 2, qPrintable(d.Label21->text()));  // seconds
    const QString time = d.Label21->text();
    QTest::qWait(1100);
    h.pressContinue();  // writing into the sheet does not renew its time
    QCOMPARE(d.Label21->text(), time);
}

void DispTest::returnAndFrameCloseGoBackToResults() {
    Harness h;
    h.pressContinue();
    h.results().Command3->click();
    QVERIFY(h.sheet().isVisible());
    h.sheet().Command1->click();
    QVERIFY(h.sheet().isHidden());
    QVERIFY(h.results().isVisible());
    QCOMPARE(h.sheet().Text14->text(), QString("-61.55881"));  // kept while hidden

    h.results().Command3->click();
    h.sheet().close();  // the window frame's close button
    QVERIFY(h.screens->exists(FormId::disp));
    QVERIFY(h.sheet().isHidden());
    QCOMPARE(h.sheet().Text1->text(), QString("10"));
}

void DispTest::printedPageKeepsItsText() {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
    Harness h;
    h.enter({{"Text11", "Ridge to Valley"}});
    h.pressContinue();
    h.results().Command3->click();
    const QString pdf = h.dir.filePath("sheet.pdf");
    const std::optional<QString> failed = printWindowToPdf(h.sheet(), pdf);
    QVERIFY2(!failed, failed ? qPrintable(*failed) : "");

    QProcess extract;
    extract.start(pdftotext, {"-layout", pdf, "-"});
    QVERIFY(extract.waitForFinished(20000));
    const QString text = QString::fromUtf8(extract.readAllStandardOutput());
    for (const char* expected :
         {"Prepared for:", "Ridge to Valley", "Free Space Loss DBm", "-136.6", "PRINT", "Return"})
        QVERIFY2(text.contains(expected),
                 qPrintable(QString("%1 missing in:\n%2").arg(expected, text)));
    QVERIFY(!text.contains("Path Angle True"));  // hidden rows are not printed

    QProcess info;
    info.start(QStandardPaths::findExecutable("pdfinfo"), {pdf});
    if (info.waitForFinished(20000))
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression("Pages:\\s+1\\n")));
}

QTEST_MAIN(DispTest)
#include "disp_test.moc"
