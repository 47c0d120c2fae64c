// The common base of every window: a top-level QWidget whose controls are placed in twips
// (15 twips to a device-independent pixel), that may paint the shared background picture,
// and whose lines of a drawing are small named widgets that can be hidden like any control.
//
// Life of a form (driven by Screens): the constructor builds every control at its design
// value; the manager registers the form as existing and then calls formLoad(). A form never
// creates, shows or closes other forms itself: it goes through Screens.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include "screens.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace hopscale {

// Twips to device-independent pixels, rounded to the nearest pixel.
constexpr int twipsToPixels(int twips) {
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}
inline QPoint twipsPoint(int x, int y) { return QPoint(twipsToPixels(x), twipsToPixels(y)); }

// One line of a form's drawing, from one point to another (twips), one pixel wide. It is a
// child widget covering the line's bounding box, so it has an objectName and can be hidden
// and shown like the other controls; it lets mouse clicks through.
class FormLine : public QWidget {
    Q_OBJECT
public:
    FormLine(QWidget* parent, const QString& name, QPoint fromTwips, QPoint toTwips,
             QColor colour);
    QPoint from() const { return from_; }  // pixels, in the parent's coordinates
    QPoint to() const { return to_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_, to_;
    QColor colour_;
};

// A command button whose caption wraps onto several lines when the button is narrow.
class FormButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class Form : public QWidget {
    Q_OBJECT
public:
    Form(Screens& screens, FormId id, const QString& objectName, const QString& caption);

    FormId formId() const { return id_; }
    Screens& screens() { return screens_; }
    AppState& state() { return screens_.state(); }

    // The load handler; Screens calls it once, right after the form has been registered.
    virtual void formLoad() {}

    // The background picture shared by the start, guide, input and results screens. It is
    // set once at start-up (and by tests); a form that uses it paints it at its natural size
    // from the top-left corner, over the form's colour. An unset picture paints nothing.
    static void setBackgroundPicture(const QPixmap& picture);
    static const QPixmap& backgroundPicture();

    // Control builders (twips). Each child gets `name` as its objectName.
    QLabel* addLabel(const QString& name, int left, int top, int width, int height,
                     const QString& caption);
    QLineEdit* addTextBox(const QString& name, int left, int top, int width, int height,
                          const QString& text);
    QCheckBox* addCheckBox(const QString& name, int left, int top, int width, int height,
                           const QString& caption);
    QRadioButton* addOptionButton(const QString& name, int left, int top, int width,
                                  int height, const QString& caption);
    QPushButton* addCommand(const QString& name, int left, int top, int width, int height,
                            const QString& caption, QColor face = QColor());
    FormLine* addLine(const QString& name, int x1, int y1, int x2, int y2,
                      QColor colour = Qt::black);

    // Sizes the window to hold every control (and the background picture when used), with a
    // small margin, so that the layout is whole also where the window is not maximized.
    // Wrapping captions too long for their box get a smaller font (never below 6.5 points)
    // rather than a different box.
    void fitToLayout();

protected:
    void setUsesBackground(bool uses) { usesBackground_ = uses; }
    void setFormColour(QColor colour);
    // Colour of every caption on the form, set once; buttons keep their own text colour.
    void setCaptionColour(QColor colour);

    // What closing the window from its frame does; the default discards the form.
    virtual void frameClose();

    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Screens& screens_;
    FormId id_;
    bool usesBackground_ = false;
};

// Writes a value into a field and scrolls it to the start, so that a value wider than its
// box shows its leading digits.
void setFieldText(QLineEdit* field, const QString& text);

// Shared appearance helpers.
void setTextColour(QWidget* widget, QColor colour);
void setBold(QWidget* widget, bool bold = true);
void setPointSize(QWidget* widget, double points);
void setFaceColour(QWidget* widget, QColor face, QColor text = Qt::black);

}  // namespace hopscale
