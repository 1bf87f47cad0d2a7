#include "Ordane/Retro/GroupBox.hpp"

#include <QPainter>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

namespace {

constexpr int frameTop = 7;    // the label rises this far above the groove
constexpr int padding = 14;
constexpr int extraTop = 6;
constexpr int labelLeft = 10;
constexpr int labelPadding = 4;

}  // namespace

GroupBox::GroupBox(const QString& label, QWidget* parent)
    : QWidget(parent), label_(label), content_(new QVBoxLayout(this)) {
    setFont(retro::font(QStringLiteral("Verdana"), 11));
    // A label taller than the top padding (large text scales) pushes the content down instead of
    // overlapping it.
    const int labelBottom = QFontMetrics(font()).height() - frameTop;
    const int top = std::max(padding + extraTop, labelBottom + 4);
    content_->setContentsMargins(padding, frameTop + top, padding, padding);
    content_->setSpacing(0);
    setAccessibleName(label);
}

QRect GroupBox::labelRect() const {
    const QFontMetrics metrics(font());
    return {labelLeft, 0, metrics.horizontalAdvance(label_) + 2 * labelPadding, metrics.height()};
}

void GroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintBevel(painter, rect().adjusted(0, frameTop, 0, 0), BevelStyle::etched);
    const QRect backing = labelRect();
    painter.fillRect(backing, face);
    painter.setPen(text);
    painter.setFont(font());
    painter.drawText(backing.adjusted(labelPadding, 0, -labelPadding, 0), Qt::AlignLeft | Qt::AlignVCenter, label_);
}

}  // namespace ordane::retro
