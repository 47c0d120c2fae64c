#include "form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

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
    painter.drawText(rect().adjusted(3, 2, -3, -2),
                     Qt::AlignCenter | Qt::TextWordWrap, text());
}

// ---- helpers ----

void setTextColour(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

void setBold(QWidget* widget, bool bold) {
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

void setPointSize(QWidget* widget, double points) {
    QFont font = widget->font();
    font.setPointSizeF(points);
    widget->setFont(font);
}

void setFaceColour(QWidget* widget, QColor face, QColor text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setFieldText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
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
    // A thin frame and no padding leave the narrow boxes of the layout room for their digits.
    // One sheet for the whole form is much cheaper than one per box.
    setStyleSheet(QStringLiteral(
        "QLineEdit { border: 1px solid #7a7a7a; padding: 0px 1px; background: white; }"
        " QLineEdit#Text18[yellow=\"true\"] { background: rgb(255, 255, 0); }"));
}

void Form::setBackgroundPicture(const QPixmap& picture) { sharedPicture() = picture; }
const QPixmap& Form::backgroundPicture() { return sharedPicture(); }

void Form::setFormColour(QColor colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colour);
    setPalette(palette);
    setAutoFillBackground(true);
}

void Form::setCaptionColour(QColor colour) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour);
    setPalette(palette);
}

QLabel* Form::addLabel(const QString& name, int left, int top, int width, int height,
                       const QString& caption) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setGeometry(twipsRect(left, top, width, height));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(false);  // transparent: the form shows through
    return label;
}

QLineEdit* Form::addTextBox(const QString& name, int left, int top, int width, int height,
                            const QString& text) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(name);
    box->setGeometry(twipsRect(left, top, width, height));
    box->setCursorPosition(0);
    return box;
}

QCheckBox* Form::addCheckBox(const QString& name, int left, int top, int width, int height,
                             const QString& caption) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setGeometry(twipsRect(left, top, width, height));
    return box;
}

QRadioButton* Form::addOptionButton(const QString& name, int left, int top, int width,
                                    int height, const QString& caption) {
    auto* button = new QRadioButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(twipsRect(left, top, width, height));
    return button;
}

QPushButton* Form::addCommand(const QString& name, int left, int top, int width, int height,
                              const QString& caption, QColor face) {
    auto* button = new FormButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(twipsRect(left, top, width, height));
    if (face.isValid()) {
        // A style sheet is the one way to colour a button face under every widget style.
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: %1; color: black;"
                           " border: 1px solid #505050; border-radius: 2px; }"
                           " QPushButton:pressed { border: 2px inset #303030; }"
                           " QPushButton:focus { border: 1px dotted black; }")
                .arg(face.name()));
    }
    return button;
}

FormLine* Form::addLine(const QString& name, int x1, int y1, int x2, int y2, QColor colour) {
    return new FormLine(this, name, QPoint(x1, y1), QPoint(x2, y2), colour);
}

void Form::fitToLayout() {
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!label->wordWrap() || label->text().isEmpty()) continue;
        QFont font = label->font();
        while (label->heightForWidth(label->width()) > label->height() &&
               font.pointSizeF() > 6.5) {
            font.setPointSizeF(font.pointSizeF() - 0.25);
            label->setFont(font);
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
