#pragma once

#include "Ordane/Retro/ScrollArea.hpp"

class QWidget;

namespace ordane {

// The white, sunken, scrolling well a screen's list sits in, `width` wide and at most `maxHeight`
// high. The list is held to the width it will really get, so wrapped text in it asks for the height
// it needs at that width and not at some narrower guess. It scrolls in snapshots too.
retro::ScrollArea* makeListWell(QWidget* list, int width, int maxHeight, QWidget* parent,
                                retro::ScrollArea::InSnapshots inSnapshots = retro::ScrollArea::InSnapshots::scrolled);

}  // namespace ordane
