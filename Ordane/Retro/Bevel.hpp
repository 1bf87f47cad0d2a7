#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace ordane::retro {

// The two-ring, one-pixel-per-ring bevel every raised, pressed, sunken or etched surface draws.
enum class BevelStyle { raised, pressed, sunkenWell, etched };

struct BevelColours {
    QColor outerTopLeft;
    QColor innerTopLeft;
    QColor outerBottomRight;
    QColor innerBottomRight;
};

BevelColours bevelColours(BevelStyle style);

// Paints the two rings inside `rect` as eight one-pixel fills in a fixed order, so the later
// edges win at the corners. Never fills the interior; a rect narrower or lower than 4 gets nothing.
void paintBevel(QPainter& painter, const QRect& rect, BevelStyle style);

// The keyboard focus: a one-pixel dotted black rectangle along the inside of `rect`.
void paintFocusRect(QPainter& painter, const QRect& rect);

}  // namespace ordane::retro
