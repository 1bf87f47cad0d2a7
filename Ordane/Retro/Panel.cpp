#include "Ordane/Retro/Panel.hpp"

#include <QPainter>

namespace ordane::retro {

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
