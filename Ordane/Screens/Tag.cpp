#include "Ordane/Screens/Tag.hpp"

#include <QEvent>
#include <QPainter>

#include "Ordane/Retro/Fonts.hpp"

namespace ordane {

Tag::Tag(const QString& text, const QColor& colour, int horizontalPadding, int verticalPadding, QWidget* parent)
    : QWidget(parent), text_(text), colour_(colour), horizontalPadding_(horizontalPadding),
      verticalPadding_(verticalPadding) {
    setFont(retro::font(QStringLiteral("Verdana-Bold"), 9));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

QSize Tag::sizeHint() const {
    const QFontMetrics metrics(font());
    // The frame's pixel on each side comes on top of the padding.
    return {metrics.horizontalAdvance(text_) + 2 * horizontalPadding_ + 2, metrics.height() + 2 * verticalPadding_ + 2};
}

void Tag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(colour_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text_);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void Tag::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(event);
}

}  // namespace ordane
