#include "Ordane/Retro/Label.hpp"

#include <QPainter>
#include <algorithm>

namespace ordane::retro {

Label::Label(const QString& text, const QFont& font, const QColor& colour, Lines lines, QWidget* parent)
    : QLabel(parent), lines_(lines) {
    setTextFormat(Qt::PlainText);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    setPalette(palette);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(lines == Lines::wrapped);
    if (lines == Lines::elided) setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(text);
}

void Label::setTextIfChanged(const QString& text) {
    if (text != this->text()) setText(text);
}

QSize Label::sizeHint() const {
    if (lines_ != Lines::wrapped) return QLabel::sizeHint();
    const QMargins margins = contentsMargins();
    const int oneLine = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() + 1;
    const int width = std::min(oneLine, maximumWidth());
    return {width, heightForWidth(width)};
}

QSize Label::minimumSizeHint() const {
    if (lines_ != Lines::elided) return QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3, QLabel::minimumSizeHint().height()};
}

int Label::heightForWidth(int width) const { return QLabel::heightForWidth(std::min(width, maximumWidth())); }

void Label::paintEvent(QPaintEvent* event) {
    if (lines_ != Lines::elided) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
}

}  // namespace ordane::retro
