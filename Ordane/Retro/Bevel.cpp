#include "Ordane/Retro/Bevel.hpp"

#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

BevelColours bevelColours(BevelStyle style) {
    switch (style) {
        case BevelStyle::raised: return {light, highlight, darkShadow, shadow};
        case BevelStyle::pressed: return {darkShadow, shadow, light, highlight};
        case BevelStyle::sunkenWell: return {shadow, darkShadow, highlight, light};
        case BevelStyle::etched: return {shadow, highlight, highlight, shadow};
    }
    return {light, highlight, darkShadow, shadow};
}

void paintBevel(QPainter& painter, const QRect& rect, BevelStyle style) {
    const int w = rect.width();
    const int h = rect.height();
    if (w < 4 || h < 4) return;
    const BevelColours c = bevelColours(style);
    const int x = rect.x();
    const int y = rect.y();
    painter.fillRect(x, y, w, 1, c.outerTopLeft);
    painter.fillRect(x, y, 1, h, c.outerTopLeft);
    painter.fillRect(x, y + h - 1, w, 1, c.outerBottomRight);
    painter.fillRect(x + w - 1, y, 1, h, c.outerBottomRight);
    painter.fillRect(x + 1, y + 1, w - 2, 1, c.innerTopLeft);
    painter.fillRect(x + 1, y + 1, 1, h - 2, c.innerTopLeft);
    painter.fillRect(x + 1, y + h - 2, w - 2, 1, c.innerBottomRight);
    painter.fillRect(x + w - 2, y + 1, 1, h - 2, c.innerBottomRight);
}

void paintFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.width() < 2 || rect.height() < 2) return;
    // Dot by dot: a dashed pen comes out solid on scaled painters, and each dot is one pixel at any scale.
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0) painter.fillRect(x, y, 1, 1, text);
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        dot(rect.right(), y);
    }
}

}  // namespace ordane::retro
