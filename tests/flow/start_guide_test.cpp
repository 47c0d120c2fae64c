// The start screen and the guide on their own: layout, keyboard, the offer and the lookups,
// and the failures that must leave the program running.
#include "flow_harness.h"
#include "saved_inputs.h"

using namespace hopscale;
using namespace hopscale::flowtest;

class StartGuideTest : public QObject {
    Q_OBJECT
  private slots:
    void startScreenLayout();
    void enterPressesGoAndTabFollowsTheOrder();
    void guideCaptionsAndDesignState();
    void secondGoOffersOnlyTheNewFrequency();
    void mouseClicksRunTheLookups();
    void lookupFailuresKeepTheEarlierValue();
    void missingCatalogueIsNamedOnceAndTheProgramRuns();
    void guideFrameCloseHides();
};

namespace {
struct Placed {
    const char* name;
    int left, top, width, height;
};
void checkPlacement(QWidget& form, std::initializer_list<Placed> controls) {
    for (const Placed& c : controls) {
        auto* w = form.findChild<QWidget*>(c.name);
        QVERIFY2(w, c.name);
        QCOMPARE(w->geometry(), twipsRect(c.left, c.top, c.width, c.height));
    }
    // The window holds its whole layout even where it is not maximized.
    for (const Placed& c : controls) {
        const QRect r = twipsRect(c.left, c.top, c.width, c.height);
        QVERIFY(form.minimumWidth() > r.right() && form.minimumHeight() > r.bottom());
    }
}
}  // namespace

void StartGuideTest::startScreenLayout() {
    Program p;
    p.start();
    Open_query& s = p.start_();
    QCOMPARE(s.windowTitle(), QString("Open Query"));
    checkPlacement(s, {{"Label4", 2880, 1440, 6375, 375},
                       {"Label1", 4320, 2040, 3375, 855},
                       {"Text1", 5400, 3120, 1215, 285},
                       {"Command1", 3600, 4560, 1335, 375},
                       {"Command2", 5280, 4560, 1335, 375},
                       {"Command3", 6960, 4560, 1335, 375}});
    QCOMPARE(s.Label4->text(), QString("MICROWAVE PATH ESTIMATOR"));
    QVERIFY(s.Label4->font().bold());
    QCOMPARE(s.Label4->font().pointSizeF(), 13.5);
    QCOMPARE(s.Label4->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QCOMPARE(s.Label1->palette().color(QPalette::Window), QColor(255, 255, 0));
    QCOMPARE(s.palette().color(QPalette::Window), QColor(128, 255, 255));
    QCOMPARE(s.Command1->text(), QString("End"));
    QCOMPARE(s.Command2->text(), QString("GO"));
    QCOMPARE(s.Command3->text(), QString("Skip"));
    QVERIFY(s.Command2->isDefault());
    QVERIFY(!Form::backgroundPicture().isNull());
    QCOMPARE(Form::backgroundPicture().size(), QSize(828, 677));
}

void StartGuideTest::enterPressesGoAndTabFollowsTheOrder() {
    Program p;
    p.start();
    Open_query& s = p.start_();
    // Tab order: End, GO, the frequency, Skip.
    QWidget* w = s.Command1;
    QStringList order{w->objectName()};
    for (int i = 0; i < 3; ++i) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus) w = w->nextInFocusChain();
        order << w->objectName();
    }
    QCOMPARE(order, (QStringList{"Command1", "Command2", "Text1", "Command3"}));

    s.Text1->setText("7");
    QTest::keyClick(s.Text1, Qt::Key_Return);
    p.settle();
    QVERIFY(p.visible(FormId::Guide));
    QCOMPARE(p.guide().List1->count(), 3);
    QVERIFY(!p.screens->ended());
}

void StartGuideTest::guideCaptionsAndDesignState() {
    Program p;
    p.start();
    p.go("");  // offers nothing, opens the guide
    Guide& g = p.guide();
    QCOMPARE(g.windowTitle(), QString("Guide Select"));
    QCOMPARE(g.Label1->text(),
             QString("The program has selected  the waveguide and it's parameters  below.  If you "
                     "do not wish to use this guide then click on 'CANCEL' which will send you to "
                     "the main screen else click on \"CONTINUE'."));
    QCOMPARE(g.Label8->text(), QString("www.andrew.com"));
    QCOMPARE(g.Text2->text(), QString("Same as transmit."));
    QCOMPARE(g.Command1->text(), QString("Continue"));
    QCOMPARE(g.Command2->text(), QString("Cancel"));
    QCOMPARE(g.Command3->text(), QString("END"));
    checkPlacement(g, {{"Label1", 3000, 1320, 3255, 1095},
                       {"Check1", 6720, 1440, 2055, 615},
                       {"List1", 4320, 2640, 1335, 1230},
                       {"List2", 6120, 2640, 1335, 1230},
                       {"Text2", 6120, 2640, 1335, 375},
                       {"Label8", 8280, 3600, 1815, 495},
                       {"Text3", 4320, 4320, 1335, 285},
                       {"Text1", 6120, 4320, 1335, 285},
                       {"Command1", 4800, 5520, 975, 375},
                       {"Command3", 8160, 5520, 975, 375}});
    QCOMPARE(g.List1->count(), 0);
    QVERIFY(!g.Check1->isChecked());
    QVERIFY(g.List2->isHidden() && g.Text1->isHidden() && !g.Text2->isHidden());
    QCOMPARE(p.state.guideSkipped, std::int16_t{0});
}

void StartGuideTest::secondGoOffersOnlyTheNewFrequency() {
    Program p;
    p.start();
    p.go("11");
    QCOMPARE(items(p.guide().List1), QStringList{"LINEC"});
    p.go("8");
    QCOMPARE(items(p.guide().List1), (QStringList{"LINEA", "LINEB", "NOFILE"}));
    QCOMPARE(items(p.guide().List2), (QStringList{"LINEA", "LINEB", "NOFILE"}));
    // Inserting names ran no lookup.
    QVERIFY(p.state.selectedTxLineType.empty());
    QVERIFY(p.guide().Text3->text().isEmpty());
}

void StartGuideTest::mouseClicksRunTheLookups() {
    Program p;
    p.start();
    p.go("7");
    Guide& g = p.guide();
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    const QRect second = g.List1->visualItemRect(g.List1->item(1));
    QTest::mouseClick(g.List1->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(g.Text3->text(), QString("0.7"));
    // A click on the entry already chosen looks it up again, at the frequency of now.
    p.start_().Text1->setText("6");
    QTest::mouseClick(g.List1->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(g.Text3->text(), QString("0.6"));
    // The keyboard moves the choice too.
    g.List1->setFocus();
    QTest::keyClick(g.List1->viewport(), Qt::Key_Up);
    QCOMPARE(p.state.selectedTxLineType, std::string("LINEA"));
    QCOMPARE(g.Text3->text(), QString("1"));
}

void StartGuideTest::lookupFailuresKeepTheEarlierValue() {
    Program p;
    p.start();
    p.go("7");
    Guide& g = p.guide();
    p.pick(g.List1, 0);
    QCOMPARE(g.Text3->text(), QString("1.1"));
    QVERIFY(p.screens->takeReportedErrors().isEmpty());

    p.pick(g.List1, 2);  // NOFILE has no attenuation file
    QStringList errors = p.screens->takeReportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("NOFILE"), qPrintable(errors[0]));
    QCOMPARE(g.Text3->text(), QString("1.1"));
    QCOMPARE(p.state.txAttenuation, 1.1f);

    // A frequency outside the table, on the receive side.
    g.Check1->click();
    p.start_().Text1->setText("20");
    p.pick(g.List2, 0);
    errors = p.screens->takeReportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("LINEA"), qPrintable(errors[0]));
    QVERIFY(g.Text1->text().isEmpty());
    QCOMPARE(p.state.rxAttenuation, 0.0f);
    QVERIFY(!p.screens->ended());
}

void StartGuideTest::missingCatalogueIsNamedOnceAndTheProgramRuns() {
    Program p(/*withCatalogue=*/false);
    // A saved record makes the input screen's load read the catalogue during start-up too.
    PathInputs in;
    QVERIFY(!saveInputs(p.savedFile(), in, in[Field::Text24], 1, 0).has_value());
    p.start();
    QStringList errors = p.screens->takeReportedErrors();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("listing.dat"), qPrintable(errors[0]));
    QVERIFY(p.visible(FormId::Open_query));

    // GO names it again (the user asked for the offer); the guide opens empty.
    p.go("7");
    QCOMPARE(p.screens->takeReportedErrors().size(), 1);
    QVERIFY(p.visible(FormId::Guide));
    QCOMPARE(p.guide().List1->count(), 0);

    // Cancel, then the whole calculation.
    p.click(p.guide().Command2);
    p.click(p.input().Command1);
    QVERIFY(p.visible(FormId::Results));
    QVERIFY(!p.screens->ended());
}

void StartGuideTest::guideFrameCloseHides() {
    Program p;
    p.start();
    p.go("7");
    p.pick(p.guide().List1, 0);
    p.guide().close();
    p.settle();
    QVERIFY(p.exists(FormId::Guide) && !p.visible(FormId::Guide));
    QCOMPARE(p.guide().List1->currentRow(), 0);  // hidden, not discarded
    QVERIFY(!p.screens->ended());
}

int runStartGuideTests(int argc, char** argv) {
    StartGuideTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "start_guide_test.moc"
