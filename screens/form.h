// The common base of every window: a top-level QWidget whose controls are placed in twips
// (15 twips to a device-independent pixel), that may paint the shared background picture,
// and whose lines of a drawing are small named widgets that can be hidden like any control.
//
// Life of a form (driven by Screens): the constructor builds every control at its design
// value; the manager registers the form as existing and then calls formLoad(). A form never
// creates, shows or closes other forms itself: it goes through Screens.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPoint>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <span>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "screens.h"

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
    FormLine(QWidget* parent, const QString& name, QPoint fromTwips, QPoint toTwips, QColor colour);
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

// ---- Controls as table rows ----

enum class Kind { Label, TextBox, CheckBox, WrappingCheckBox, OptionButton, Command, Line, List };

// How a control looks and starts, as flags.
enum Style : unsigned {
    Plain = 0,
    Bold = 1u << 0,
    Centred = 1u << 1,        // caption or text centred
    Hidden = 1u << 2,         // hidden at design time
    Checked = 1u << 3,        // a check box checked, an option button selected
    SingleLine = 1u << 4,     // a caption that does not wrap
    TitleFont = 1u << 5,      // 13.5 pt (the titles of the start and results screens)
    SheetFont = 1u << 6,      // 9.75 pt (the data sheet's rows)
    DefaultButton = 1u << 7,  // drawn as the button Enter presses
    ReadOnly = 1u << 8,
};

// A colour of the table; `none` keeps the form's own.
struct Rgb {
    int red = -1, green = 0, blue = 0;
    bool isSet() const { return red >= 0; }
    QColor colour() const { return QColor(red, green, blue); }
};
inline constexpr Rgb kNoColour{};

// One control: what it is, where it stands (twips: left, top, width, height; a line gives its
// two end points x1, y1, x2, y2), its caption or default text, its style, the colour of its
// face (background) and of its text (a line's colour), and the form member that points at it.
template <class F>
using ControlSlot =
    std::variant<std::monostate, QLabel * F::*, QLineEdit * F::*, QCheckBox * F::*,
                 QRadioButton * F::*, QPushButton * F::*, FormLine * F::*, QListWidget * F::*>;

struct ControlSpec {
    Kind kind;
    const char* name;
    int left, top, width, height;
    std::string_view text;
    unsigned style = Plain;
    Rgb face = kNoColour;
    Rgb ink = kNoColour;
};

// What a command runs when pressed: one transition of the screen flow (flow.h).
using FlowStep = void (*)(Screens&);

template <class F>
struct ControlRow {
    ControlSlot<F> slot;
    ControlSpec design;
    FlowStep click = nullptr;
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

    // The design rows the form was built from, in building order.
    const std::vector<ControlSpec>& design() const { return design_; }

    // The captions that had to take a smaller face than the form's to stay whole.
    QStringList shrunkCaptions() const;

  protected:
    // Builds every control of `rows` in order (the later ones stand over the earlier) and
    // points the named members at them; then the form's one style sheet and its size.
    template <class F>
    void buildControls(F& form, std::span<const ControlRow<F>> rows) {
        for (const ControlRow<F>& row : rows) {
            QWidget* control = addControl(row.design);
            if (row.click) connectStep(control, row.click);
            std::visit([&](auto member) { bindMember(form, member, control); }, row.slot);
        }
        finishControls();
    }

    // Widens a value box, where the controls beside it leave room, until `widest` shows
    // whole at the smallest face a value takes (7 pt): from the side with more room first,
    // then the other. setValueText then picks the largest face, up to the design's, that
    // shows the text it writes.
    void makeRoomFor(QLineEdit* box, const QString& widest);

    void setUsesBackground(bool uses) { usesBackground_ = uses; }
    void setFormColour(QColor colour);
    // Colour of every caption on the form; buttons keep their own text colour.
    void setCaptionColour(QColor colour) { captionColour_ = colour; }

    // What closing the window from its frame does; the default discards the form.
    virtual void frameClose();

    // Runs a handler step; nothing it throws escapes (Screens reports it over this form).
    template <class Step>
    void guarded(Step&& step) {
        screens_.guarded(this, std::forward<Step>(step));
    }

    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    template <class F>
    static void bindMember(F&, std::monostate, QWidget*) {}
    template <class F, class T>
    static void bindMember(F& form, T* F::*member, QWidget* control) {
        form.*member = qobject_cast<T*>(control);
        Q_ASSERT(form.*member);
    }

    QWidget* addControl(const ControlSpec& control);
    void connectStep(QWidget* command, FlowStep step);
    void finishControls();
    QString styleSheetFor() const;
    // Sizes the window to hold every control (and the background picture when used), with a
    // small margin, so that the layout is whole also where the window is not maximized.
    void fitToLayout();
    int roomBeside(const QWidget* control, int wanted, bool down) const;
    void growToHold(QLabel* label);

    Screens& screens_;
    FormId id_;
    bool usesBackground_ = false;
    QColor captionColour_;
    std::vector<ControlSpec> design_;
};

// Writes a value into a field and scrolls it to the start, so that a value wider than its
// box shows its leading digits.
void setFieldText(QLineEdit* field, const QString& text);

// The text of a number in a value box: the whole text on view, as a tooltip too.
void setValueText(QLineEdit* field, const QString& text);

// The part of a control that is seen: a transparent caption's lines of text, else the box.
QRect visibleRect(const QWidget* control);

// The pixels of a box's width that its frame and margins take.
int boxMargins(const QLineEdit* box);
// Whether the whole of `text` can be seen inside the box (its frame and margins left out).
bool fitsInBox(const QLineEdit* box, const QString& text);

}  // namespace hopscale
