#include "Ordane/Retro/StatusBar.hpp"

#include <QHBoxLayout>
#include <QPainter>

#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"

namespace ordane::retro {

StatusBar::StatusBar(const QStringList& items, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    setItems(items);
}

void StatusBar::setItems(const QStringList& items) {
    if (items == items_ && !items.isEmpty()) return;
    items_ = items;
    auto* row = static_cast<QHBoxLayout*>(layout());
    while (QLayoutItem* item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto* cell = new Panel(face, BevelStyle::sunkenWell, QMargins(8, 3, 8, 3), QBoxLayout::LeftToRight, this);
        cell->box()->addWidget(new Label(items[i], retro::font(QStringLiteral("Verdana"), 11), text));
        const bool last = i + 1 == items.size();
        cell->setSizePolicy(last ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
        row->addWidget(cell, last ? 1 : 0);
    }
}

void StatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), face);
}

}  // namespace ordane::retro
