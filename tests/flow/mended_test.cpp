// The flow where it once went wrong or could lose the user's work: the guide's Continue after
// Skip, a second Continue, the warning Continue gives without blocking, END when the inputs
// cannot be saved, and an install directory that cannot be used.
#include "flow_harness.h"
#include "saved_inputs.h"

using namespace hopscale;
using namespace hopscale::flowtest;

class MendedTest : public QObject {
    Q_OBJECT
  private slots:
    void continueOnTheGuideBehindSkipClearsTheSkip();
    void secondContinueWritesTheNewTransmitType();
    void continueWarnsWithoutBlocking();
    void endAsksWhenTheSaveFails();
    void unusableDataDirectoryIsNamedOnce();
};

void MendedTest::continueOnTheGuideBehindSkipClearsTheSkip() {
    Program p;
    p.start();
    // First run: Skip creates the input screen, whose load opens the guide behind it.
    p.click(p.start_().Command3);
    QCOMPARE(p.state.guideSkipped, std::int16_t{1});
    QVERIFY(p.visible(FormId::Guide));
    // Its Continue, with no GO between: the lines now count as chosen with the guide.
    p.click(p.guide().Command1);
    QCOMPARE(p.state.guideSkipped, std::int16_t{0});
    p.input().Text10->setText("10");  // Continue copied the start screen's empty frequency
    p.click(p.input().Command1);
    QVERIFY(p.visible(FormId::Results));
    // CONTINUE no longer hides the one-line caption that Continue showed.
    QVERIFY(!p.sheet().Label26->isHidden());
}

void MendedTest::secondContinueWritesTheNewTransmitType() {
    Program p;
    p.start();
    p.go("7");
    p.pick(p.guide().List1, 0);
    p.click(p.guide().Command1);
    QCOMPARE(p.sheet().Text21->text(), QString("LINEA"));
    p.pick(p.guide().List1, 1);
    p.click(p.guide().Command1);
    QCOMPARE(p.sheet().Text21->text(), QString("LINEB"));
    QCOMPARE(p.input().Text13->text(), QString("LINEB"));
    QCOMPARE(p.input().Text2->text(), QString(" .7"));
}

void MendedTest::continueWarnsWithoutBlocking() {
    Program p;
    p.start();
    p.go("7");
    Guide& g = p.guide();
    QVERIFY(g.notice->isHidden());
    // Nothing picked, nothing looked up before: the losses become 0 and the names empty.
    p.click(g.Command1);
    QCOMPARE(g.notice->text(), QString("no transmit line chosen: the loss fields will get 0"));
    QVERIFY(!g.notice->isHidden());
    QCOMPARE(p.input().Text2->text(), QString(" 0"));
    QCOMPARE(p.input().Text13->text(), QString());
    QVERIFY(p.visible(FormId::Path_Info));

    // A fresh pick at the frequency of now: no warning.
    p.pick(g.List1, 0);
    p.click(g.Command1);
    QVERIFY(g.notice->isHidden());
    QCOMPARE(p.input().Text2->text(), QString(" 1.1"));

    // The frequency changed after the lookup: the value written is still the one of 7 GHz.
    p.start_().Text1->setText("8");
    p.click(g.Command1);
    QCOMPARE(
        g.notice->text(),
        QString("the transmit loss is 1.1 (looked up for LINEA at 7 GHz), not for LINEA at 8 GHz"));
    QCOMPARE(p.input().Text2->text(), QString(" 1.1"));
    QCOMPARE(p.input().Text10->text(), QString("8"));

    // A separate receive line never picked.
    p.start_().Text1->setText("7");
    g.Check1->click();
    p.click(g.Command1);
    QCOMPARE(g.notice->text(), QString("no receive line chosen: the loss fields will get 0"));
    QCOMPARE(p.input().Text8->text(), QString(" 0"));
    QVERIFY(p.screens->takeReportedErrors().isEmpty());
}

void MendedTest::endAsksWhenTheSaveFails() {
    Program p;
    p.start();
    p.click(p.start_().Command3);
    p.input().Text11->setText("Keep me");
    p.click(p.input().Command1);
    const std::filesystem::path good = p.state.dataDir;
    p.state.dataDir = good / "missing" / "deeper";  // no such directory: every save fails

    // Try again (still failing), then back to the results: nothing ends, nothing is lost.
    p.screens->answerFailedSaves({SaveFailureChoice::TryAgain, SaveFailureChoice::BackToResults});
    p.click(p.results().Command1);
    QStringList asked = p.screens->takeReportedErrors();
    QCOMPARE(asked.size(), 2);
    QVERIFY2(
        asked[0].startsWith("The inputs could not be saved.") && asked[0].contains("PATHCFG.DAT"),
        qPrintable(asked[0]));
    QVERIFY(!p.screens->ended());
    QVERIFY(p.visible(FormId::Results));
    QCOMPARE(p.input().Text11->text(), QString("Keep me"));

    // Ending without saving ends at once; with the directory back, END saves and ends.
    p.screens->answerFailedSaves(
        {SaveFailureChoice::TryAgain, SaveFailureChoice::EndWithoutSaving});
    p.state.dataDir = good;
    p.click(p.results().Command1);
    QVERIFY(p.screens->takeReportedErrors().isEmpty());
    QVERIFY(p.screens->ended());
    QVERIFY(readBytes(p.savedFile()).find("Keep me") != std::string::npos);
}

void MendedTest::unusableDataDirectoryIsNamedOnce() {
    Program p(/*withCatalogue=*/false);
    const std::filesystem::path unusable = p.dataDir() / "no" / "such";
    p.state.dataDir = unusable;
    Error why;
    why.kind = ErrorKind::FileNotFound;
    why.file = unusable.string();
    why.detail = "Permission denied";
    p.state.dataDirError = why;
    p.start();
    QStringList errors = p.screens->takeReportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QString::fromStdString(unusable.string())) &&
                 errors[0].contains("Permission denied"),
             qPrintable(errors[0]));
    QVERIFY(p.visible(FormId::Open_query));

    // Skip and the calculation say nothing more; the guide offers nothing.
    p.click(p.start_().Command3);
    QVERIFY(p.visible(FormId::Path_Info));
    QCOMPARE(p.guide().List1->count(), 0);
    p.click(p.input().Command1);
    QVERIFY(p.visible(FormId::Results));
    QVERIFY(p.screens->takeReportedErrors().isEmpty());

    // END cannot save: the user is asked, and may end without saving.
    p.screens->answerFailedSaves({SaveFailureChoice::EndWithoutSaving});
    p.click(p.results().Command1);
    QCOMPARE(p.screens->takeReportedErrors().size(), 1);
    QVERIFY(p.screens->ended());
}

int runMendedTests(int argc, char** argv) {
    MendedTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mended_test.moc"
