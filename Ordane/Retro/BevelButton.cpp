#include "Ordane/Retro/BevelButton.hpp"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

BevelButton::BevelButton(const QString& text, Kind kind, std::optional<int> minimumWidth, QWidget* parent)
    : QAbstractButton(parent), kind_(kind), minimumWidth_(minimumWidth) {
    setText(text);
    setFont(retro::font(kind == Kind::primary ? QStringLiteral("Verdana-Bold") : QStringLiteral("Verdana"), 12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

void BevelButton::setTextIfChanged(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    updateGeometry();
}

void BevelButton::setOutlined(bool outlined) {
    if (outlined == outlined_) return;
    outlined_ = outlined;
    update();
}

QSize BevelButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int padX = kind_ == Kind::primary ? 18 : 14;
    const int padY = kind_ == Kind::primary ? 7 : 5;
    const int outline = kind_ == Kind::primary ? 2 : 0;
    int width = metrics.horizontalAdvance(text()) + 2 * padX;
    if (minimumWidth_) width = std::max(width, *minimumWidth_);
    return {width + outline, metrics.height() + 2 * padY + outline};
}

void BevelButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect face = rect();
    if (kind_ == Kind::primary) {
        painter.fillRect(face, darkShadow);
        face = face.adjusted(1, 1, -1, -1);
    }
    painter.fillRect(face, retro::face);
    const bool down = isDown();
    paintBevel(painter, face, down ? BevelStyle::pressed : BevelStyle::raised);
    if (outlined_) {
        painter.setPen(QPen(selection, 1));
        painter.drawRect(QRectF(face).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.setPen(retro::text);
    painter.setFont(font());
    const QRect label = down ? face.translated(1, 1) : face;
    painter.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) paintFocusRect(painter, face.adjusted(3, 3, -3, -3));
}

bool isPlainReturn(const QKeyEvent& event) {
    const bool returnKey = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    return returnKey && (event.modifiers() == Qt::NoModifier || event.modifiers() == Qt::KeypadModifier);
}

void BevelButton::keyPressEvent(QKeyEvent* event) {
    if (!isPlainReturn(*event)) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) click();
    event->accept();
}

void BevelButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QAbstractButton::changeEvent(event);
}

LinkButton::LinkButton(const QString& text, const QFont& font, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LinkButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

void LinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(selection);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

}  // namespace ordane::retro
