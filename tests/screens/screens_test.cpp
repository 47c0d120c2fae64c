// The lifetime rules every window follows: created on first use with its load, hide keeps
// state, close discards it, show raises a maximized window, ending closes everything.
#include "harness.h"

using namespace hopscale;
using namespace hopscale::testing;

class ScreensTest : public QObject {
    Q_OBJECT
  private slots:
    void firstUseCreatesAndLoadsOnce();
    void hideKeepsStateCloseDiscardsIt();
    void showIsMaximizedAndModeless();
    void endingClosesEverythingOnce();
    void errorsAreCollectedWhenQuiet();
    void everyFormHoldsItsLayout();
};

void ScreensTest::firstUseCreatesAndLoadsOnce() {
    Harness h;
    QVERIFY(!h.screens->exists(FormId::Path_Info));
    QVERIFY(h.screens->widget(FormId::Path_Info) == nullptr);
    Path_Info& in = h.input();
    QVERIFY(h.screens->exists(FormId::Path_Info));
    QVERIFY(in.isHidden());  // a reference does not show
    QVERIFY(QFile::exists(QString::fromStdString((h.state.dataDir / "PATHCFG.DAT").string())));
    in.Text13->setText("LDF4-50A");
    QCOMPARE(&h.input(), &in);  // no second load: the text stays
    QCOMPARE(in.Text13->text(), QString("LDF4-50A"));
    // A reference through hide or repaint creates as well.
    h.screens->repaint(FormId::disp);
    QVERIFY(h.screens->exists(FormId::disp));
}

void ScreensTest::hideKeepsStateCloseDiscardsIt() {
    Harness h;
    h.screens->show(FormId::Path_Info);
    h.input().Text1->setText("9");
    h.input().Check2->click();
    h.screens->hide(FormId::Path_Info);
    h.screens->show(FormId::Path_Info);
    QCOMPARE(h.input().Text1->text(), QString("9"));
    QVERIFY(h.input().Check2->isChecked());

    h.screens->close(FormId::Path_Info);
    QVERIFY(!h.screens->exists(FormId::Path_Info));
    Harness::settle();
    QCOMPARE(h.input().Text1->text(), QString("2"));  // design value again
    QVERIFY(h.input().Check1->isChecked());
    h.screens->close(FormId::Results);  // closing what does not exist does nothing
    QVERIFY(!h.screens->exists(FormId::Results));
}

void ScreensTest::showIsMaximizedAndModeless() {
    Harness h;
    h.screens->show(FormId::disp);
    QVERIFY(h.sheet().isVisible());
    QVERIFY(h.sheet().windowState() & Qt::WindowMaximized);
    QVERIFY(!h.sheet().isModal());
    h.screens->show(FormId::Path_Info);
    QVERIFY(h.sheet().isVisible() && h.input().isVisible());
}

void ScreensTest::endingClosesEverythingOnce() {
    Harness h;
    QSignalSpy ended(h.screens.get(), &Screens::programEnded);
    h.screens->show(FormId::Path_Info);
    h.screens->show(FormId::disp);
    h.screens->endProgram();
    h.screens->endProgram();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!h.screens->exists(FormId::Path_Info) && !h.screens->exists(FormId::disp));
    h.screens->show(FormId::Results);  // nothing opens after the end
    QVERIFY(!h.screens->exists(FormId::Results));
    Harness::settle();
}

void ScreensTest::errorsAreCollectedWhenQuiet() {
    Harness h;
    h.input();  // its load reports the missing catalogue index
    const QStringList fromLoad = h.screens->takeReportedErrors();
    QCOMPARE(fromLoad.size(), 1);
    QVERIFY2(fromLoad.first().contains("listing.dat"), qPrintable(fromLoad.first()));
    QVERIFY(h.screens->takeReportedErrors().isEmpty());
}

void ScreensTest::everyFormHoldsItsLayout() {
    Harness h;
    for (QWidget* form : std::initializer_list<QWidget*>{&h.input(), &h.results(), &h.sheet()}) {
        const QRect client = form->rect();
        for (QWidget* child : form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(client.contains(child->geometry()),
                     qPrintable(form->objectName() + "." + child->objectName()));
    }
}

QTEST_MAIN(ScreensTest)
#include "screens_test.moc"
