#include "Ordane/Retro/Panel.hpp"

#include <QPainter>
#include <algorithm>

namespace ordane::retro {

QSize sizeForWrappedText(const QWidget& widget) {
    const QLayout* layout = widget.layout();
    const QSize hint = layout->totalSizeHint().expandedTo(layout->totalMinimumSize());
    const int width = std::clamp(hint.width(), widget.minimumWidth(), widget.maximumWidth());
    if (!layout->hasHeightForWidth()) return {width, hint.height()};
    return {width, layout->totalHeightForWidth(width)};
}

Panel::Panel(const QColor& background, std::optional<BevelStyle> bevel, QMargins padding,
             QBoxLayout::Direction direction, QWidget* parent)
    : QWidget(parent), background_(background), bevel_(bevel), box_(new QBoxLayout(direction, this)) {
    box_->setContentsMargins(padding);
    box_->setSpacing(0);
}

void Panel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (bevel_) paintBevel(painter, rect(), *bevel_);
}

}  // namespace ordane::retro
