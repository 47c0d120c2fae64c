#include "form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVariant>
#include <algorithm>

namespace hopscale {

namespace {
QPixmap& sharedPicture() {
    static QPixmap picture;
    return picture;
}
constexpr int kLayoutMargin = 8;  // pixels beyond the farthest control
}  // namespace

// ---- FormLine ----

FormLine::FormLine(QWidget* parent, const QString& name, QPoint fromTwips, QPoint toTwips,
                   QColor colour)
    : QWidget(parent),
      from_(twipsPoint(fromTwips.x(), fromTwips.y())),
      to_(twipsPoint(toTwips.x(), toTwips.y())),
      colour_(colour) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const QRect box = QRect(from_, to_).normalized();
    // A horizontal or vertical line still needs a box one pixel wide.
    setGeometry(box.left(), box.top(), box.width() + 1, box.height() + 1);
}

void FormLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(colour_, 1));
    painter.drawLine(from_ - pos(), to_ - pos());
}

// ---- FormButton ----

void FormButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.setFont(font());
    painter.drawText(rect().adjusted(3, 2, -3, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
}

// ---- helpers ----

namespace {

constexpr double kSmallestValuePoints = 7.0;    // a value box's face never gets smaller
constexpr double kSmallestCaptionPoints = 6.5;  // nor a caption's

// A check box whose caption wraps onto several lines inside the box's own rectangle, as the
// guide's narrow, tall check box needs.
class WrappingCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        const QRect indicator =
            style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
        QStyleOptionButton box = option;
        box.rect = QRect(indicator.left(), (height() - indicator.height()) / 2, indicator.width(),
                         indicator.height());
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, this);
        const int textLeft = indicator.right() + 5;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(textLeft, 0, width() - textLeft, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect();
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

QString rgbText(Rgb rgb) {
    return QStringLiteral("rgb(%1, %2, %3)").arg(rgb.red).arg(rgb.green).arg(rgb.blue);
}

// Every control gets its face explicitly, from the form's: a control made after the form's
// style sheet is set would otherwise take the application's.
void applyFont(QWidget* widget, QFont font, unsigned style) {
    if (style & Bold) font.setBold(true);
    if (style & TitleFont) font.setPointSizeF(13.5);
    if (style & SheetFont) font.setPointSizeF(9.75);
    widget->setFont(font);
}

QWidget* makeControl(QWidget* form, const ControlSpec& s) {
    const QString text = QString::fromUtf8(s.text.data(), qsizetype(s.text.size()));
    switch (s.kind) {
        case Kind::Label: {
            auto* label = new QLabel(text, form);
            label->setWordWrap(!(s.style & SingleLine));
            label->setAlignment(((s.style & Centred) ? Qt::AlignHCenter : Qt::AlignLeft) |
                                Qt::AlignTop);
            return label;
        }
        case Kind::TextBox: {
            auto* box = new QLineEdit(text, form);
            if (s.style & Centred) box->setAlignment(Qt::AlignCenter);
            box->setReadOnly(s.style & ReadOnly);
            box->setCursorPosition(0);
            return box;
        }
        case Kind::CheckBox:
            return new QCheckBox(text, form);
        case Kind::WrappingCheckBox:
            return new WrappingCheckBox(text, form);
        case Kind::OptionButton:
            return new QRadioButton(text, form);
        case Kind::Command:
            return new FormButton(text, form);
        case Kind::List: {
            auto* list = new QListWidget(form);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return list;
        }
        case Kind::Line:
            break;
    }
    return nullptr;
}

}  // namespace

QRect visibleRect(const QWidget* control) {
    // A caption stands on a transparent background: only the lines of its text are seen.
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty() || label->autoFillBackground()) return label->geometry();
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        return label->fontMetrics()
            .boundingRect(label->contentsRect(), flags, label->text())
            .intersected(label->contentsRect())
            .translated(label->pos());
    }
    return control->geometry();
}

int boxMargins(const QLineEdit* box) {
    // The frame of the form's sheet is one pixel, the padding one more (none in a box that
    // only shows a value) on each side; the line edit keeps a margin of two pixels inside.
    return 2 * (1 + (box->isReadOnly() ? 0 : 1) + 2);
}

bool fitsInBox(const QLineEdit* box, const QString& text) {
    return box->fontMetrics().horizontalAdvance(text) <= box->width() - boxMargins(box);
}

void setFieldText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

void setValueText(QLineEdit* field, const QString& text) {
    // Back to the box's own face, then smaller until the whole text shows.
    QVariant designPoints = field->property("designPoints");
    if (!designPoints.isValid()) {
        designPoints = field->font().pointSizeF();
        field->setProperty("designPoints", designPoints);
    }
    QFont font = field->font();
    font.setPointSizeF(designPoints.toDouble());
    field->setFont(font);
    while (!fitsInBox(field, text) && font.pointSizeF() > kSmallestValuePoints) {
        font.setPointSizeF(std::max(kSmallestValuePoints, font.pointSizeF() - 0.25));
        field->setFont(font);
    }
    setFieldText(field, text);
    field->setToolTip(text);
}

// ---- Form ----

Form::Form(Screens& screens, FormId id, const QString& objectName, const QString& caption)
    : QWidget(nullptr), screens_(screens), id_(id) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    // Slightly condensed, so that the captions fit the boxes the layout gives them.
    font.setStretch(QFont::SemiCondensed);
    setFont(font);
}

void Form::setBackgroundPicture(const QPixmap& picture) { sharedPicture() = picture; }
const QPixmap& Form::backgroundPicture() { return sharedPicture(); }

void Form::setFormColour(QColor colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    setAutoFillBackground(true);
}

QWidget* Form::addControl(const ControlSpec& s) {
    design_.push_back(s);
    if (s.kind == Kind::Line) {
        const QColor colour = s.ink.isSet() ? s.ink.colour() : QColor(Qt::black);
        return new FormLine(this, QString::fromLatin1(s.name), QPoint(s.left, s.top),
                            QPoint(s.width, s.height), colour);
    }
    QWidget* control = makeControl(this, s);
    control->setObjectName(QString::fromLatin1(s.name));
    control->setGeometry(twipsRect(s.left, s.top, s.width, s.height));
    applyFont(control, font(), s.style);
    if (s.style & Hidden) control->hide();
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && (s.style & Checked))
        button->setChecked(true);
    if (auto* command = qobject_cast<QPushButton*>(control); command && (s.style & DefaultButton))
        command->setDefault(true);
    return control;
}

void Form::connectStep(QWidget* command, FlowStep step) {
    auto* button = qobject_cast<QAbstractButton*>(command);
    Q_ASSERT(button);
    connect(button, &QAbstractButton::clicked, this,
            [this, step] { guarded([this, step] { step(screens_); }); });
}

// One sheet for the whole form, much cheaper than one per control: the thin frame of the
// text boxes, the caption colour (a sheet on the form would otherwise override the palette
// of its labels), and each control's own face and text colours.
QString Form::styleSheetFor() const {
    QString sheet = QStringLiteral(
        "QLineEdit { border: 1px solid #7a7a7a; padding: 0px 1px; background: white; }"
        " QLineEdit[readOnly=\"true\"] { padding: 0px; }");
    if (captionColour_.isValid())
        sheet += QStringLiteral(" QLabel, QCheckBox, QRadioButton { color: %1; }")
                     .arg(captionColour_.name());
    for (const ControlSpec& s : design_) {
        if (s.kind == Kind::Line) continue;
        const QString name = QString::fromLatin1(s.name);
        const char* type = s.kind == Kind::Label          ? "QLabel"
                           : s.kind == Kind::TextBox      ? "QLineEdit"
                           : s.kind == Kind::Command      ? "QPushButton"
                           : s.kind == Kind::List         ? "QListWidget"
                           : s.kind == Kind::OptionButton ? "QRadioButton"
                                                          : "QCheckBox";
        QString rule;
        if (s.face.isSet()) rule += QStringLiteral(" background-color: %1;").arg(rgbText(s.face));
        if (s.ink.isSet()) rule += QStringLiteral(" color: %1;").arg(rgbText(s.ink));
        if (s.kind == Kind::Command && s.face.isSet()) {
            rule += QStringLiteral(" color: black; border: 1px solid #505050; border-radius: 2px;");
            sheet += QStringLiteral(
                         " QPushButton#%1:pressed { border: 2px inset #303030; }"
                         " QPushButton#%1:focus { border: 1px dotted black; }")
                         .arg(name);
        }
        if (!rule.isEmpty())
            sheet += QStringLiteral(" %1#%2 {%3 }").arg(QLatin1String(type), name, rule);
    }
    return sheet;
}

void Form::finishControls() {
    setStyleSheet(styleSheetFor());
    // Polishing by a style sheet gives each control a font of the normal width: the condensed
    // face of the form is given back to each, explicitly.
    ensurePolished();
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->ensurePolished();
        QFont font = child->font();
        font.setStretch(QFont::SemiCondensed);
        child->setFont(font);
    }
    fitToLayout();
}

void Form::makeRoomFor(QLineEdit* box, const QString& widest) {
    box->ensurePolished();
    box->setProperty("designPoints", box->font().pointSizeF());
    // The width the text needs at the smallest face a value may take.
    QFont smallest = box->font();
    smallest.setPointSizeF(kSmallestValuePoints);
    const int needed = QFontMetrics(smallest).horizontalAdvance(widest) + boxMargins(box);
    const QRect design = box->geometry();
    if (design.width() >= needed) return;
    std::vector<QRect> others;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // Lines end at the boxes they join; a wider box may cover a line's end.
        if (child != box && !qobject_cast<FormLine*>(child)) others.push_back(visibleRect(child));
    }
    // A wider box covers no more of any control than the designed box already does.
    const auto free = [&](const QRect& r) {
        return rect().contains(r) && std::all_of(others.begin(), others.end(), [&](const QRect& o) {
                   return r.intersected(o) == design.intersected(o);
               });
    };
    const auto room = [&](int dx) {  // free pixels to the left (dx -1) or the right (dx 1)
        int n = 0;
        while (n < needed && free(design.adjusted(dx < 0 ? -(n + 1) : 0, 0, dx > 0 ? n + 1 : 0, 0)))
            ++n;
        return n;
    };
    // The larger free side first, so that the neighbours keep what they may need; then the
    // other side for what is still missing.
    const int left = room(-1), right = room(1);
    int missing = needed - design.width();
    const int fromLarger = std::min(missing, std::max(left, right));
    missing -= fromLarger;
    const int fromSmaller = std::min(missing, std::min(left, right));
    const int takeLeft = left >= right ? fromLarger : fromSmaller;
    const int takeRight = left >= right ? fromSmaller : fromLarger;
    box->setGeometry(design.adjusted(-takeLeft, 0, takeRight, 0));
}

QStringList Form::shrunkCaptions() const {
    QStringList shrunk;
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (label->property("shrunk").toBool()) shrunk << label->objectName();
    return shrunk;
}

// Room beside a caption (below it for `down`, else above) that no other control takes: how
// many pixels it may grow that way, up to `wanted`.
int Form::roomBeside(const QWidget* control, int wanted, bool down) const {
    const QRect box = control->geometry();
    int room = 0;
    while (room < wanted) {
        const QRect strip = down ? QRect(box.left(), box.bottom() + 1, box.width(), room + 1)
                                 : QRect(box.left(), box.top() - room - 1, box.width(), room + 1);
        if (strip.top() < 0) break;
        bool taken = false;
        for (QWidget* other : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (other != control && !qobject_cast<FormLine*>(other) &&
                other->geometry().intersects(strip))
                taken = true;
        if (taken) break;
        ++room;
    }
    return room;
}

// A caption too long for its box keeps the form's face where the drawing leaves room below
// it (or else above it); it gets a smaller face only where it does not.
void Form::growToHold(QLabel* label) {
    const int missing = label->heightForWidth(label->width()) - label->height();
    if (missing <= 0) return;
    const int below = roomBeside(label, missing, true);
    const int above = below < missing ? roomBeside(label, missing - below, false) : 0;
    if (below + above == 0) return;
    label->setGeometry(label->geometry().adjusted(0, -above, 0, below));
    label->setProperty("grown", true);
}

void Form::fitToLayout() {
    ensurePolished();
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!label->wordWrap() || label->text().isEmpty()) continue;
        label->ensurePolished();
        growToHold(label);
        QFont font = label->font();
        while (label->heightForWidth(label->width()) > label->height() &&
               font.pointSizeF() > kSmallestCaptionPoints) {
            font.setPointSizeF(font.pointSizeF() - 0.25);
            label->setFont(font);
            label->setProperty("shrunk", true);
        }
    }
    QRect extent;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        extent = extent.united(child->geometry());
    int width = extent.right() + 1 + kLayoutMargin;
    int height = extent.bottom() + 1 + kLayoutMargin;
    if (usesBackground_ && !backgroundPicture().isNull()) {
        width = std::max(width, backgroundPicture().width());
        height = std::max(height, backgroundPicture().height());
    }
    setMinimumSize(width, height);
    resize(width, height);
}

void Form::frameClose() { screens_.close(id_); }

void Form::paintEvent(QPaintEvent*) {
    if (!usesBackground_) return;
    const QPixmap& picture = backgroundPicture();
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}

void Form::closeEvent(QCloseEvent* event) {
    // The form's own handler decides; Screens hides and discards forms itself.
    event->ignore();
    if (!screens_.ended()) frameClose();
}

}  // namespace hopscale
