#include "Ordane/Retro/Label.hpp"

#include <QPainter>
#include <QTextLayout>
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

void Label::setLineSpacing(int extra) {
    if (extra == lineSpacing_) return;
    lineSpacing_ = extra;
    updateGeometry();
    update();
}

namespace {

// Lays `text` out in lines no wider than `width`; returns the number of lines.
int layOutLines(QTextLayout& layout, int width) {
    layout.beginLayout();
    int count = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(width, 1));
        ++count;
    }
    layout.endLayout();
    return count;
}

}  // namespace

int Label::spacedHeight(int width) const {
    const QMargins margins = contentsMargins();
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const int lines = layOutLines(layout, width - margins.left() - margins.right());
    const int lineHeight = fontMetrics().height();
    return margins.top() + margins.bottom() + lines * lineHeight + std::max(lines - 1, 0) * lineSpacing_;
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

int Label::heightForWidth(int width) const {
    width = std::min(width, maximumWidth());
    if (lines_ == Lines::wrapped && lineSpacing_ > 0) return spacedHeight(width);
    return QLabel::heightForWidth(width);
}

void Label::paintEvent(QPaintEvent* event) {
    if (lines_ == Lines::wrapped && lineSpacing_ > 0) {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        QTextLayout layout(text(), font());
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layOutLines(layout, area.width());
        const int lineHeight = fontMetrics().height();
        for (int i = 0; i < layout.lineCount(); ++i) {
            QTextLine line = layout.lineAt(i);
            line.setPosition(QPointF(0, i * (lineHeight + lineSpacing_)));
        }
        layout.draw(&painter, area.topLeft());
        return;
    }
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
