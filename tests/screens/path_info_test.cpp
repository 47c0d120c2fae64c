// The input screen driven through its controls: unit pairs, CONTINUE, its failure path and
// the load from the saved-inputs file.
#include <QFile>

#include "harness.h"
#include "saved_inputs.h"

using namespace hopscale;
using namespace hopscale::testing;

class PathInfoTest : public QObject {
    Q_OBJECT
  private slots:
    void designValues();
    void unitPairsSwitchOnEveryClick();
    void continueHidesInputAndShowsResults();
    void kilometresBecomeMilesInTheField();
    void failedContinueKeepsEverything_data();
    void failedContinueKeepsEverything();
    void savedInputsFillTheFieldsOnLoad();
    void tabFollowsTheDesignedOrder();
};

void PathInfoTest::tabFollowsTheDesignedOrder() {
    Harness h;
    Path_Info& in = h.input();
    // The keyboard order of the design, CONTINUE second.
    const QStringList designed = {"Text1",   "Command1", "Text3",    "Text8",  "Text10", "Text12",
                                  "Text16",  "Text18",   "Text22",   "Text24", "Text2",  "Text26",
                                  "Option2", "Option3",  "Command2", "Text4",  "Text5",  "Text6",
                                  "Text7",   "Text9",    "Text11",   "Check1", "Check2", "Text14",
                                  "Text15",  "Text13"};
    QStringList order;
    QWidget* w = in.Text1;
    for (int i = 0; i < designed.size(); ++i) {
        order << w->objectName();
        do w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w == &in);
    }
    QCOMPARE(order, designed);
}

void PathInfoTest::designValues() {
    Harness h;
    Path_Info& in = h.input();
    const std::pair<const char*, const char*> defaults[] = {
        {"Text1", "2"},   {"Text3", "2"},        {"Text15", "0"},   {"Text4", "0"},
        {"Text2", "1"},   {"Text8", "1"},        {"Text16", "100"}, {"Text18", "100"},
        {"Text5", "0"},   {"Text6", "0"},        {"Text7", "0"},    {"Text9", "0"},
        {"Text24", "10"}, {"Text10", "10"},      {"Text12", "0"},   {"Text22", "1.33"},
        {"Text26", "10"}, {"Text11", "Example"}, {"Text13", ""},    {"Text14", ""}};
    for (const auto& [name, text] : defaults) QCOMPARE(textOf(in, name), QString(text));
    QVERIFY(in.Check1->isChecked());
    QVERIFY(!in.Check2->isChecked());
    QVERIFY(in.Option2->isChecked());
    QVERIFY(!in.Option3->isChecked());
    QCOMPARE(in.windowTitle(), QString("Path Input"));
    QCOMPARE(in.focusWidget(), in.Text1);
    // The window holds its whole layout (10215 x 6795 twips) even when not maximized.
    QVERIFY(in.width() >= twipsToPixels(10215) && in.height() >= twipsToPixels(6795));
}

void PathInfoTest::unitPairsSwitchOnEveryClick() {
    Harness h;
    Path_Info& in = h.input();
    in.Check2->click();
    QVERIFY(in.Check2->isChecked() && !in.Check1->isChecked());
    in.Check2->click();  // clicking the checked box switches back
    QVERIFY(in.Check1->isChecked() && !in.Check2->isChecked());
    in.Check1->click();
    QVERIFY(in.Check2->isChecked() && !in.Check1->isChecked());
    // Set from code, the handler runs as for a click.
    in.Check1->setChecked(true);
    QVERIFY(in.Check1->isChecked() && !in.Check2->isChecked());

    in.Option3->click();
    QVERIFY(in.Option3->isChecked() && !in.Option2->isChecked());
    in.Option2->click();
    QVERIFY(in.Option2->isChecked() && !in.Option3->isChecked());
    in.Option3->setChecked(true);
    QVERIFY(!in.Option2->isChecked());
}

void PathInfoTest::continueHidesInputAndShowsResults() {
    Harness h;
    h.screens->show(FormId::Path_Info);
    h.pressContinue();
    QVERIFY(h.screens->takeReportedErrors().isEmpty());
    QVERIFY(h.input().isHidden());
    QVERIFY(h.screens->exists(FormId::Results));
    QVERIFY(h.results().isVisible());
    QVERIFY(h.screens->exists(FormId::disp));
    QVERIFY(h.sheet().isHidden());
    const CapturedValues& c = h.state.path.captured;
    QCOMPARE(c.pathLengthText, std::string("10"));
    QCOMPARE(c.dbmSelected, std::int16_t(1));
    QCOMPARE(c.wattsSelected, std::int16_t(0));
}

void PathInfoTest::kilometresBecomeMilesInTheField() {
    Harness h;
    h.enter({{"Text24", "20"}});
    h.input().Check2->click();
    h.pressContinue();
    QCOMPARE(h.input().Text24->text(), QString("12.4274"));
    QCOMPARE(h.state.path.captured.pathLengthText, std::string("20"));
    QVERIFY(h.input().Check2->isChecked());
}

void PathInfoTest::failedContinueKeepsEverything_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("km");
    QTest::addColumn<QString>("message");
    QTest::newRow("frequency not a number")
        << "Text10"
        << "abc" << false << R"(Type mismatch in "Enter Frequency in GHz": "abc" is not a number)";
    // With KM the length field has already been read; it must still show what was typed.
    QTest::newRow("empty tx dish, KM") << "Text1"
                                       << "" << true << "Type mismatch";
    QTest::newRow("amplifier gain too large") << "Text15"
                                              << "40000" << false << "Overflow";
    QTest::newRow("zero frequency") << "Text10"
                                    << "0" << false << "Invalid argument";
}

void PathInfoTest::failedContinueKeepsEverything() {
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(bool, km);
    QFETCH(QString, message);
    Harness h;
    Path_Info& in = h.input();
    h.screens->show(FormId::Path_Info);
    if (km) in.Check2->click();
    h.enter({{"Text24", "20"}});
    in.findChild<QLineEdit*>(control)->setText(typed);
    h.enter({{"Text5", "41 25 30"}, {"Text6", "814150"}, {"Text7", "413000"}, {"Text9", "813000"}});
    h.pressContinue();

    const QStringList errors = h.screens->takeReportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(message), qPrintable(errors.first()));
    QVERIFY(!h.screens->exists(FormId::Results));
    QVERIFY(!h.screens->ended());
    QVERIFY(in.isVisible());
    QCOMPARE(in.findChild<QLineEdit*>(control)->text(), typed);
    QCOMPARE(in.Text24->text(), QString("20"));
    QCOMPARE(in.Text5->text(), QString("41 25 30"));
    QCOMPARE(in.Check2->isChecked(), km);
    QCOMPARE(in.focusWidget(), in.findChild<QLineEdit*>(control));
}

void PathInfoTest::savedInputsFillTheFieldsOnLoad() {
    Harness h;
    {
        // A path saved with KM and WATTS, as the results screen's END would save it.
        PathInputs saved;
        saved[Field::Text1] = "6";
        saved[Field::Text24] = "12.4274";
        saved[Field::Text11] = "North link";
        saved[Field::Text4] = "3";
        saved[Field::Text5] = "412530";
        saved.km = true;
        saved.watts = true;
        QVERIFY(!saveInputs(h.state.dataDir / "PATHCFG.DAT", saved, "20", 0, 1));
    }
    Path_Info& in = h.input();
    QCOMPARE(in.Text1->text(), QString("6"));
    QCOMPARE(in.Text24->text(), QString("20"));  // the length as typed, not the miles
    QCOMPARE(in.Text11->text(), QString("North link"));
    QCOMPARE(in.Text4->text(), QString("0"));  // the preamp gain is never restored
    QCOMPARE(in.Text5->text(), QString("412530"));
    QVERIFY(in.Check2->isChecked() && !in.Check1->isChecked());
    QVERIFY(in.Option3->isChecked() && !in.Option2->isChecked());
    QCOMPARE(h.state.path.captured.wattsSelected, std::int16_t(1));
    QCOMPARE(in.Text13->text(), QString());
}

QTEST_MAIN(PathInfoTest)
#include "path_info_test.moc"
