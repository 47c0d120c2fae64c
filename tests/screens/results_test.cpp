// The results screen: the values its load writes, the hiding rules, the EIRP warning and
// its three commands.
#include <QFile>

#include "harness.h"

using namespace hopscale;
using namespace hopscale::testing;

using Expected = std::initializer_list<std::pair<const char*, const char*>>;

class ResultsTest : public QObject {
    Q_OBJECT
  private slots:
    void defaultPath();
    void sixAndEightFootDishesOverTwentyKilometres();
    void hidingRules_data();
    void hidingRules();
    void coordinatesGiveDistanceAndBearing();
    void highEirpIsFlagged();
    void endsAtOnePointShowDistanceZeroAndTheBearing();
    void eirpWarningGoesWhenTheEirpComesDown();
    void repeatedContinueRefillsBothWindows();
    void endSavesAndEnds();
    void dataFormShowsTheSheetEvenWhenTheSaveFails();
    void anotherStartsAfreshFromTheSavedFile();
    void frameCloseActsAsEnd();
};

void ResultsTest::defaultPath() {
    Harness h;
    h.pressContinue();
    Results& r = h.results();
    const Expected values = {{"Text8", "1"},          {"Text9", "1"},
                             {"Text2", "2"},          {"Text4", "33.5206"},
                             {"Text3", "33.5206"},    {"Text7", "136.6"},
                             {"Text5", "3.5"},        {"Text6", "10.5"},
                             {"Text11", "-61.55881"}, {"Text12", "-61.55881"},
                             {"Text1", "12.53133"},   {"Text15", "36.00151"},
                             {"Text16", "50.91383"},  {"Text22", "9"},
                             {"Text23", "9"},         {"Text13", "0.007943282"},
                             {"Text14", "17.86734"},  {"Text10", "10"},
                             {"Text19", "10"},        {"Text24", "0"},
                             {"Text18", "0"}};
    for (const auto& [name, text] : values) QCOMPARE(textOf(r, name), QString(text));
    // Amplifier "0", preamp 0 and no coordinates: their fields and captions are hidden.
    for (const char* hidden : {"Text22", "Line17", "Line18", "Line19", "Label15", "Label23",
                               "Text24", "Text18", "Label19", "Text20", "Label21"})
        QVERIFY2(!shownOn(r, hidden), hidden);
    for (const char* shown : {"Text5", "Label4", "Text19", "Label20", "Line12", "Command3"})
        QVERIFY2(shownOn(r, shown), shown);
    QVERIFY(!shownOn(r, "eirpWarning"));
    QCOMPARE(r.windowTitle(), QString("Results"));
}

void ResultsTest::sixAndEightFootDishesOverTwentyKilometres() {
    Harness h;
    h.enter({{"Text1", "6"},
             {"Text3", "8"},
             {"Text15", "3"},
             {"Text4", "2"},
             {"Text2", "1.5"},
             {"Text16", "150"},
             {"Text8", "2.25"},
             {"Text18", "200"},
             {"Text24", "20"},
             {"Text10", "6"},
             {"Text12", "20"},
             {"Text26", "10"}});
    h.input().Check2->click();
    h.input().Option3->click();
    h.pressContinue();
    QCOMPARE(h.input().Text24->text(), QString("12.4274"));
    Results& r = h.results();
    const Expected values = {
        {"Text10", "40"},        {"Text8", "2.25"},       {"Text9", "4.5"},
        {"Text2", "26.75"},      {"Text4", "38.62605"},   {"Text3", "41.12482"},
        {"Text7", "134.0506"},   {"Text5", "1.944444"},   {"Text6", "5.833333"},
        {"Text11", "-36.04976"}, {"Text12", "-16.04976"}, {"Text1", "19.35342"},
        {"Text15", "51.81258"},  {"Text16", "73.27406"},  {"Text22", "37.75"},
        {"Text23", "40.75"},     {"Text13", "11.88502"},  {"Text14", "86617.35"},
        {"Text24", "3"},         {"Text18", "2"},         {"Text19", "12.4274"}};
    for (const auto& [name, text] : values) QCOMPARE(textOf(r, name), QString(text));
    for (const char* shown : {"Text22", "Line17", "Label23", "Text24", "Text18", "Label19"})
        QVERIFY2(shownOn(r, shown), shown);
}

void ResultsTest::hidingRules_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("affected");
    QTest::addColumn<bool>("shown");
    const QStringList beam = {"Text5", "Label4"};
    const QStringList amp = {"Text22",  "Line17",  "Line18", "Line19",
                             "Label15", "Label23", "Text24"};
    const QStringList preamp = {"Text18", "Label19"};
    // Beamwidth = 70 / (f x 2 ft): 360.0000082 is written "360", 359.89999 "359.9".
    QTest::newRow("beamwidth written 360") << "Text10"
                                           << "0.09722222" << beam << false;
    QTest::newRow("beamwidth 359.9") << "Text10"
                                     << "0.09724924" << beam << true;
    // 0.09722223 is the single 0.0972222313, so 70 / (2 x f) = 359.99997 (single
    // 359.9999695): below 360 as a number, "360" as its seven-digit text, so hidden.
    QTest::newRow("beamwidth 359.99997 written 360") << "Text10"
                                                     << "0.09722223" << beam << false;
    // The typed amplifier gain decides, not the rounded whole number.
    QTest::newRow("amplifier 0") << "Text15"
                                 << "0" << amp << false;
    QTest::newRow("amplifier 0.4") << "Text15"
                                   << "0.4" << amp << true;
    QTest::newRow("amplifier 0.0") << "Text15"
                                   << "0.0" << amp << false;
    QTest::newRow("preamp 0") << "Text4"
                              << "0" << preamp << false;
    QTest::newRow("preamp -1") << "Text4"
                               << "-1" << preamp << true;
}

void ResultsTest::hidingRules() {
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QStringList, affected);
    QFETCH(bool, shown);
    Harness h;
    h.input().findChild<QLineEdit*>(control)->setText(typed);
    h.pressContinue();
    QVERIFY(h.screens->exists(FormId::Results));
    for (const QString& name : affected)
        QVERIFY2(shownOn(h.results(), qPrintable(name)) == shown, qPrintable(name));
    if (control == "Text10") QCOMPARE(h.results().Text5->text(), shown ? "359.9" : "360");
    if (typed == "0.4") QCOMPARE(h.results().Text24->text(), QString("0"));
}

void ResultsTest::coordinatesGiveDistanceAndBearing() {
    Harness h;
    h.enter({{"Text5", "412530"}, {"Text6", "814150"}, {"Text7", "413000"}, {"Text9", "813000"}});
    h.pressContinue();
    QCOMPARE(h.results().Text19->text(), QString("11.47226"));
    QCOMPARE(h.results().Text20->text(), QString("63.18194"));
    QVERIFY(shownOn(h.results(), "Text20") && shownOn(h.results(), "Label21"));

    // Without a from-latitude the other three do not count: typed length, no bearing.
    Harness without;
    without.enter({{"Text6", "814150"}, {"Text7", "413000"}, {"Text9", "813000"}});
    without.pressContinue();
    QCOMPARE(without.results().Text19->text(), QString("10"));
    QVERIFY(!shownOn(without.results(), "Text20") && !shownOn(without.results(), "Label21"));
}

void ResultsTest::highEirpIsFlagged() {
    Harness h;
    h.enter({{"Text1", "6"}, {"Text10", "6"}, {"Text26", "20"}});
    h.input().Option3->click();
    h.pressContinue();
    QVERIFY(shownOn(h.results(), "eirpWarning"));
    QCOMPARE(h.results().eirpWarning->text(), QString(kEirpWarningText));
}

void ResultsTest::endsAtOnePointShowDistanceZeroAndTheBearing() {
    Harness h;
    // Both ends at 41 25 30 N, 81 41 50 W: no distance between them, a from-latitude given.
    h.enter({{"Text5", "412530"}, {"Text6", "814150"}, {"Text7", "412530"}, {"Text9", "814150"}});
    h.pressContinue();
    QVERIFY(h.screens->exists(FormId::Results));
    QCOMPARE(h.results().Text19->text(), QString("0"));  // not the typed 10 miles
    QVERIFY(shownOn(h.results(), "Text20") && shownOn(h.results(), "Label21"));
    QCOMPARE(h.sheet().Text12->text(), QString("0"));
    QVERIFY(shownOn(h.sheet(), "Text20") && shownOn(h.sheet(), "Label19"));
}

void ResultsTest::eirpWarningGoesWhenTheEirpComesDown() {
    Harness h;
    h.enter({{"Text1", "6"}, {"Text10", "6"}, {"Text26", "20"}});
    h.input().Option3->click();
    h.pressContinue();
    QVERIFY(shownOn(h.results(), "eirpWarning"));
    // Back on the input screen (the guide can show it while the results still exist): 10 dBm
    // and 2 ft dishes give 17.9 W, no warning; the refilled screen hides it again.
    h.screens->show(FormId::Path_Info);
    h.enter({{"Text1", "2"}, {"Text10", "10"}, {"Text26", "10"}});
    h.input().Option2->click();
    h.pressContinue();
    QCOMPARE(h.results().Text14->text(), QString("17.86734"));
    QVERIFY(!shownOn(h.results(), "eirpWarning"));
}

void ResultsTest::repeatedContinueRefillsBothWindows() {
    Harness h;
    h.pressContinue();
    QVERIFY(!shownOn(h.results(), "Text18"));
    // The guide can bring the input screen back while the results screen still exists.
    h.screens->show(FormId::Path_Info);
    h.enter({{"Text4", "2"}, {"Text11", "Second"}});
    h.pressContinue();
    QCOMPARE(h.results().Text18->text(), QString("2"));
    QVERIFY(shownOn(h.results(), "Text18") && shownOn(h.results(), "Label19"));
    QCOMPARE(h.results().Text12->text(), QString("-59.55881"));
    QCOMPARE(h.sheet().Text16->text(), QString("2"));
    QCOMPARE(h.sheet().Text19->text(), QString("Second"));
}

void ResultsTest::endSavesAndEnds() {
    Harness h;
    QSignalSpy ended(h.screens.get(), &Screens::programEnded);
    h.pressContinue();
    h.results().Command1->click();
    QVERIFY(h.screens->ended());
    QCOMPARE(ended.count(), 1);
    QVERIFY(!h.screens->exists(FormId::Results));
    QVERIFY(!h.screens->exists(FormId::Path_Info));
    QFile saved(QString::fromStdString((h.state.dataDir / "PATHCFG.DAT").string()));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.size(), 93);  // the defaults with "Example"
}

void ResultsTest::dataFormShowsTheSheetEvenWhenTheSaveFails() {
    Harness h;
    h.pressContinue();
    h.state.dataDir = h.state.dataDir / "missing" / "deeper";
    h.results().Command3->click();
    const QStringList errors = h.screens->takeReportedErrors();
    QVERIFY2(errors.size() == 1, qPrintable(errors.join(" | ")));
    QVERIFY2(errors.first().contains("PATHCFG.DAT"), qPrintable(errors.first()));
    QVERIFY(h.sheet().isVisible());
    QVERIFY(h.results().isVisible());
    QVERIFY(h.input().isHidden());
}

void ResultsTest::anotherStartsAfreshFromTheSavedFile() {
    Harness h;
    h.enter({{"Text1", "4"}, {"Text15", "2"}, {"Text11", "Hill"}});
    h.pressContinue();
    const QDateTime sheetBorn = h.sheet().createdAt();
    h.results().Command2->click();
    Harness::settle();
    QVERIFY(!h.screens->ended());
    QVERIFY(h.screens->exists(FormId::Open_query));
    QVERIFY(h.screens->widget(FormId::Open_query)->isVisible());
    QVERIFY(!h.screens->exists(FormId::Results));
    QVERIFY(!h.screens->exists(FormId::disp));
    QVERIFY(h.screens->exists(FormId::Path_Info));
    Path_Info& in = h.input();
    QVERIFY(in.isHidden());
    QCOMPARE(in.Text1->text(), QString("4"));
    QCOMPARE(in.Text11->text(), QString("Hill"));
    QCOMPARE(in.Text15->text(), QString("0"));  // the amplifier gain is not kept
    // The next CONTINUE creates both windows afresh.
    h.pressContinue();
    QVERIFY(!shownOn(h.results(), "Text24"));
    QVERIFY(h.sheet().createdAt() >= sheetBorn);
    QCOMPARE(h.sheet().Text27->text(), QString("Not Used"));
}

void ResultsTest::frameCloseActsAsEnd() {
    Harness h;
    h.pressContinue();
    h.results().close();
    QVERIFY(h.screens->ended());
    QVERIFY(QFile::exists(QString::fromStdString((h.state.dataDir / "PATHCFG.DAT").string())));
}

QTEST_MAIN(ResultsTest)
#include "results_test.moc"
