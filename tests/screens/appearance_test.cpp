// What the user sees, checked on the rendered windows (offscreen grab()): every control where
// the design puts it, captions in their colours and legible over the picture, button faces,
// one face per form, and no value, name or caption shown cut.
#include <algorithm>
#include <cmath>

#include "background.h"
#include "design_tables.h"
#include "guide.h"
#include "harness.h"
#include "open_query.h"

using namespace hopscale;
using namespace hopscale::testing;

namespace {

// WCAG 2 relative luminance of an sRGB colour, and the contrast ratio of two luminances.
double luminance(QColor c) {
    auto linear = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}
double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// The median luminance of the background picture under `box`.
double medianBehind(const QRect& box) {
    const QImage picture = Form::backgroundPicture().toImage();
    std::vector<double> values;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (picture.rect().contains(x, y))
                values.push_back(luminance(picture.pixelColor(x, y)));
    if (values.empty()) return 1.0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Whether some pixel of `image` inside `box` is close to `colour`.
bool hasPixelNear(const QImage& image, const QRect& box, QColor colour, int tolerance = 24) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - colour.red()) <= tolerance &&
                std::abs(p.green() - colour.green()) <= tolerance &&
                std::abs(p.blue() - colour.blue()) <= tolerance)
                return true;
        }
    return false;
}

QImage rendered(QWidget& form) {
    form.ensurePolished();
    for (QWidget* w : form.findChildren<QWidget*>()) w->ensurePolished();
    return form.grab().toImage();
}

// Every control of `design` stands where the design puts it. A caption may have grown
// downward or upward (same left and width, over its designed place) and a value box sideways (over
// its designed place, same top and height), where the drawing leaves room.
void checkDesign(QWidget& form, const std::vector<Placed>& design) {
    for (const Placed& p : design) {
        QWidget* w = form.findChild<QWidget*>(p.name);
        QVERIFY2(w, p.name);
        const QRect want = twipsRect(p.a, p.b, p.c, p.d);
        const QRect got = w->geometry();
        const QString where = form.objectName() + "." + p.name;
        if (w->property("grown").toBool()) {
            QVERIFY2(got.left() == want.left() && got.width() == want.width() && got.contains(want),
                     qPrintable(where));
        } else if (qobject_cast<QLineEdit*>(w) && got.width() > want.width()) {
            QVERIFY2(got.contains(want) && got.top() == want.top() && got.height() == want.height(),
                     qPrintable(where));
        } else {
            QVERIFY2(got == want, qPrintable(QString("%1: %2,%3 %4x%5")
                                                 .arg(where)
                                                 .arg(got.x())
                                                 .arg(got.y())
                                                 .arg(got.width())
                                                 .arg(got.height())));
        }
    }
}

void checkLines(QWidget& form, const std::vector<Placed>& lines) {
    for (const Placed& p : lines) {
        auto* line = form.findChild<FormLine*>(p.name);
        QVERIFY2(line, p.name);
        QCOMPARE(line->from(), twipsPoint(p.a, p.b));
        QCOMPARE(line->to(), twipsPoint(p.c, p.d));
    }
}

// Nothing on view is cut: the text of every value box fits inside its frame, and every
// caption fits its box at the face it has.
void checkNothingCut(QWidget& form) {
    for (QLineEdit* box : form.findChildren<QLineEdit*>()) {
        if (box->isHidden()) continue;
        QVERIFY2(fitsInBox(box, box->text()),
                 qPrintable(QString("%1.%2: %3 needs %4 px at %5 pt, has %6")
                                .arg(form.objectName(), box->objectName(), box->text())
                                .arg(box->fontMetrics().horizontalAdvance(box->text()))
                                .arg(box->font().pointSizeF())
                                .arg(box->width())));
    }
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (label->isHidden() || label->text().isEmpty()) continue;
        // The dotted leaders of the data sheet's rows run on under their values by design;
        // the words before them must show.
        QString words = label->text();
        while (words.endsWith('.') && words.endsWith("..")) words.chop(1);
        const bool fits = label->wordWrap()
                              ? label->heightForWidth(label->width()) <= label->height()
                              : label->fontMetrics().horizontalAdvance(words) <= label->width();
        QVERIFY2(fits, qPrintable(form.objectName() + "." + label->objectName()));
    }
}

// Captions drawn in `colour` on the picture: drawn so, and legible (WCAG 4.5 : 1 against the
// median of the picture behind each caption box).
void checkCaptions(QWidget& form, const QStringList& names, QColor colour) {
    const QImage image = rendered(form);
    for (const QString& name : names) {
        auto* label = form.findChild<QLabel*>(name);
        QVERIFY2(label, qPrintable(name));
        QVERIFY2(hasPixelNear(image, label->geometry(), colour),
                 qPrintable(form.objectName() + "." + name + " is not drawn in its colour"));
        const double ratio = contrast(luminance(colour), medianBehind(label->geometry()));
        QVERIFY2(ratio >= 4.5,
                 qPrintable(QString("%1.%2: contrast %3").arg(form.objectName(), name).arg(ratio)));
    }
}

QStringList labelsOf(QWidget& form, const QStringList& except = {}) {
    QStringList names;
    for (QLabel* label : form.findChildren<QLabel*>())
        if (!label->isHidden() && !label->text().isEmpty() && !except.contains(label->objectName()))
            names << label->objectName();
    return names;
}

// The face of a button, a little inside its border, away from the caption.
QColor faceOf(const QImage& image, QWidget* button) {
    const QRect r = button->geometry();
    return image.pixelColor(r.left() + 4, r.top() + 3);
}
bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

}  // namespace

class AppearanceTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { Form::setBackgroundPicture(renderBackgroundPicture()); }
    void startScreen();
    void guide();
    void inputScreen();
    void resultsScreen();
    void dataSheet();
    void everyNumberTextFitsTheResultsScreen();
    void longNamesStayWhole();
    void captionsKeepTheFormsFace();
    void roomForAFourthCommandBesideEnd();
};

void AppearanceTest::startScreen() {
    Harness h;
    Open_query& s = h.screens->openQuery();
    checkDesign(s, kStartDesign);
    checkCaptions(s, {"Label4"}, Qt::white);
    const QImage image = rendered(s);
    QVERIFY(near(faceOf(image, s.Command1), QColor(255, 0, 0)));
    QVERIFY(near(faceOf(image, s.Command2), QColor(0, 192, 192)));
    // The instruction keeps its yellow background behind black text.
    QVERIFY(hasPixelNear(image, s.Label1->geometry(), QColor(255, 255, 0), 4));
    QVERIFY(hasPixelNear(image, s.Label1->geometry(), Qt::black, 40));
    checkNothingCut(s);
}

void AppearanceTest::guide() {
    Harness h;
    Guide& g = h.screens->guide();
    checkDesign(g, kGuideDesign);
    checkCaptions(g, labelsOf(g), Qt::white);
    QCOMPARE(g.Text2->text(), QString("Same as transmit."));
    checkNothingCut(g);
}

void AppearanceTest::inputScreen() {
    Harness h;
    Path_Info& in = h.input();
    checkDesign(in, kInputDesign);
    checkLines(in, kInputLines);
    checkCaptions(in, labelsOf(in), Qt::white);
    const QImage image = rendered(in);
    QVERIFY(near(faceOf(image, in.Command1), QColor(255, 255, 192)));
    QVERIFY(near(faceOf(image, in.Command2), QColor(255, 0, 0)));
    for (QWidget* unit :
         std::initializer_list<QWidget*>{in.Check1, in.Check2, in.Option2, in.Option3})
        QVERIFY2(hasPixelNear(image, unit->geometry(), QColor(0, 0, 192), 4),
                 qPrintable(unit->objectName()));
    // The line-type names of the guide's offer fit the boxes beside the loss fields.
    setValueText(in.Text13, "RG58-FOAM");
    setValueText(in.Text14, "FOAM-12MM");
    checkNothingCut(in);
}

void AppearanceTest::resultsScreen() {
    Harness h;

    h.pressContinue();
    Results& r = h.results();
    checkDesign(r, kResultsDesign);
    checkLines(r, kResultsLines);
    checkCaptions(r, labelsOf(r, {"Label11"}), Qt::white);
    checkCaptions(r, {"Label11"}, QColor(255, 255, 192));
    const QImage image = rendered(r);
    QVERIFY(near(faceOf(image, r.Command3), QColor(0, 255, 0)));
    QVERIFY(near(faceOf(image, r.Command2), QColor(255, 255, 192)));
    QVERIFY(near(faceOf(image, r.Command1), QColor(255, 0, 0)));
    // The default path: a transmit antenna gain of 33.5206 and a bulge of 12.53133 whole.
    QCOMPARE(r.Text4->text(), QString("33.5206"));
    QCOMPARE(r.Text4->toolTip(), QString("33.5206"));
    checkNothingCut(r);
}

void AppearanceTest::dataSheet() {
    Harness h;
    h.pressContinue();
    disp& d = h.sheet();
    checkDesign(d, kSheetDesign);
    for (const SheetRowDesign& row : kSheetRows) {
        QCOMPARE(d.findChild<QLabel*>(row.label)->geometry(), twipsRect(3240, row.top, 4335, 255));
        const int width = QString(row.field) == "Text18" ? 975 : 2055;
        QCOMPARE(d.findChild<QLineEdit*>(row.field)->geometry(),
                 twipsRect(7680, row.top, width, 285));
    }
    const QImage image = rendered(d);
    QVERIFY(
        near(image.pixelColor(d.Text18->geometry().center() + QPoint(d.Text18->width() / 2 - 4, 0)),
             QColor(255, 255, 0)));
    checkNothingCut(d);
}

void AppearanceTest::everyNumberTextFitsTheResultsScreen() {
    Harness h;
    h.pressContinue();
    Results& r = h.results();
    // The widest texts the two formats write: seven significant digits with a sign and a
    // two-digit exponent (13 characters), and the most negative 16-bit whole number.
    const QStringList widest = {"-1.234568E+07", "-8.888888E-38", "1.253133E-07"};
    for (QLineEdit* box : r.findChildren<QLineEdit*>()) {
        QVERIFY2(box->font().pointSizeF() >= 7.0, qPrintable(box->objectName()));
        const QStringList texts = box == r.Text24 ? QStringList{"-32768"} : widest;
        for (const QString& text : texts) {
            setValueText(box, text);
            QVERIFY2(fitsInBox(box, text),
                     qPrintable(QString("%1: %2 needs %3 px at %4 pt, has %5")
                                    .arg(box->objectName(), text)
                                    .arg(box->fontMetrics().horizontalAdvance(text))
                                    .arg(box->font().pointSizeF())
                                    .arg(box->width())));
            QCOMPARE(box->toolTip(), text);
        }
        // No grown box covers another control (the lines it joins aside).
        for (QWidget* other : r.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (other == box || qobject_cast<FormLine*>(other)) continue;
            const Placed* design = nullptr;
            for (const Placed& p : kResultsDesign)
                if (box->objectName() == p.name) design = &p;
            QVERIFY(design);
            const QRect planned = twipsRect(design->a, design->b, design->c, design->d);
            // It covers no more of another control (of a caption, no more of its text) than
            // the designed box does.
            const QRect seen = visibleRect(other);
            QVERIFY2(seen.intersected(box->geometry()) == seen.intersected(planned),
                     qPrintable(box->objectName() + " covers " + other->objectName()));
        }
    }
}

void AppearanceTest::longNamesStayWhole() {
    Harness h;
    // A path name of 69 characters on the data sheet, and the longest line-type names.
    const QString name = "Hilltop relay station north of the river to the valley plant, hop 123";
    QCOMPARE(name.size(), 69);
    h.enter({{"Text11", qPrintable(name)}});
    h.pressContinue();
    disp& d = h.sheet();
    QCOMPARE(d.Text19->text(), name);
    d.showLineTypes("RG58-FOAM", "FOAM-12MM", true);
    checkNothingCut(d);
    QCOMPARE(d.Text19->toolTip(), name);
    // The EIRP warning, when shown, stands whole in its box.
    Results& r = h.results();
    r.eirpWarning->show();
    checkNothingCut(r);
}

void AppearanceTest::captionsKeepTheFormsFace() {
    Harness h;
    // Every caption has the face of its form (8.25 pt) unless the design gives it another
    // (the titles, the sheet's rows); only these had to shrink to stay whole in their boxes.
    const QMap<QString, QStringList> shrunk = {{"Open_query", {}},
                                               {"Guide", {"Label7"}},
                                               {"Path_Info", {}},
                                               {"Results", {"Label14", "eirpWarning"}},
                                               {"disp", {"Label27"}}};
    std::vector<Form*> forms = {&h.screens->openQuery(), &h.screens->guide(), &h.input(),
                                &h.results(), &h.sheet()};
    for (Form* form : forms) {
        QStringList got = form->shrunkCaptions();
        got.sort();
        QVERIFY2(got == shrunk.value(form->objectName()),
                 qPrintable(form->objectName() + ": " + got.join(", ")));
        for (const ControlSpec& control : form->design()) {
            if (control.kind != Kind::Label || (control.style & (TitleFont | SheetFont))) continue;
            auto* label = form->findChild<QLabel*>(control.name);
            if (got.contains(label->objectName())) continue;
            QVERIFY2(label->font().pointSizeF() == form->font().pointSizeF(),
                     qPrintable(QString("%1.%2: %3 pt, %4 %5")
                                    .arg(form->objectName(), label->objectName())
                                    .arg(label->font().pointSizeF())
                                    .arg(label->font().toString())
                                    .arg(label->geometry().height())));
        }
    }
    // The ones that rendered small before: the amplifier and receive-loss captions of the
    // input screen and the vendor line of the guide.
    QCOMPARE(h.input().Label4->font().pointSizeF(), 8.25);
    QCOMPARE(h.input().Label12->font().pointSizeF(), 8.25);
    QCOMPARE(h.screens->guide().Label3->font().pointSizeF(), 8.25);
}

void AppearanceTest::roomForAFourthCommandBesideEnd() {
    Harness h;
    Results& r = h.results();
    const QRect fourth = twipsRect(8400, 5880, 975, 495);
    // Nothing stands there but, once it is added, that command itself.
    for (QWidget* w : r.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(w->geometry() == fourth || !w->geometry().intersects(fourth),
                 qPrintable(w->objectName()));
}

QTEST_MAIN(AppearanceTest)
#include "appearance_test.moc"
