#pragma once

#include <QColor>
#include <QPalette>

// The sixteen fixed colours of the retro look. Retro surfaces use only these, never the desktop
// theme's colours, so the look is the same on every desktop.
namespace ordane::retro {

inline const QColor face{192, 192, 192};
inline const QColor light{223, 223, 223};
inline const QColor highlight{255, 255, 255};
inline const QColor shadow{128, 128, 128};
inline const QColor darkShadow{0, 0, 0};
inline const QColor text{0, 0, 0};
inline const QColor titleActiveStart{0, 0, 128};
inline const QColor titleActiveEnd{16, 132, 208};
inline const QColor titleInactiveStart{128, 128, 128};
inline const QColor titleInactiveEnd{181, 181, 181};
inline const QColor desktop{0, 128, 128};
inline const QColor selection{0, 0, 128};
inline const QColor window{255, 255, 255};
inline const QColor alert{170, 0, 0};
inline const QColor ledOn{77, 255, 77};
inline const QColor ledOff{0, 34, 0};

// A colour at a fraction of its opacity (secondary text is text at 80 %).
QColor withOpacity(const QColor& colour, double opacity);

// A light palette for the few standard widgets we keep (text fields, scroll bars), set once on
// the application together with the Fusion style.
QPalette applicationPalette();

}  // namespace ordane::retro
