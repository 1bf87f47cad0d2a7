#include "Ordane/Screens/ListWell.hpp"

#include <QScrollArea>
#include <QScrollBar>

#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/ScrollArea.hpp"

namespace ordane {

retro::ScrollArea* makeListWell(QWidget* list, int width, int maxHeight, QWidget* parent,
                                retro::ScrollArea::InSnapshots inSnapshots) {
    auto* well = new retro::ScrollArea(list, maxHeight, retro::BevelStyle::sunkenWell, retro::window, parent,
                                       inSnapshots);
    constexpr int frame = 2;
    const int bar = well->scrollView() ? well->scrollView()->verticalScrollBar()->sizeHint().width() : 0;
    list->setMinimumWidth(width - 2 * frame - bar);
    return well;
}

}  // namespace ordane
