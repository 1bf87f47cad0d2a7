#include "Ordane/Retro/RetroWindow.hpp"

#include <QPainter>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/TitleBar.hpp"

namespace ordane::retro {

RetroWindow::RetroWindow(const QString& title, QWidget* parent)
    : QWidget(parent), titleBar_(new TitleBar(title, true, this)), content_(new QVBoxLayout) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(3, 3, 3, 0);
    column->addWidget(titleBar_);
    content_->setContentsMargins(12 - 3, 3, 12 - 3, 12);
    content_->setSpacing(0);
    column->addLayout(content_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize RetroWindow::sizeHint() const { return sizeForWrappedText(*this); }

void RetroWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), face);
    paintBevel(painter, rect(), BevelStyle::raised);
}

}  // namespace ordane::retro
