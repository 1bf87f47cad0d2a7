#pragma once

#include <QFont>
#include <QString>

// Retro fonts are named fonts at a base size in logical pixels, multiplied by the process-wide
// text scale. "Verdana" and "Menlo" are mapped to DejaVu Sans and DejaVu Sans Mono; a name ending
// in "-Bold" asks for the bold weight of its family.
namespace ordane::retro {

// Maps the design's font names onto fonts that exist here. Call once after the application is
// created; `font()` calls it too, so a forgotten call changes nothing.
void installFontSubstitutions();

// The named font at `baseSize` × the process's text scale (`currentTextScale()`) in logical pixels.
QFont font(const QString& name, double baseSize);
// The design's two text faces.
QFont verdana(double baseSize);
QFont bold(double baseSize);

// The named font at exactly `pixels` logical pixels, ignoring the text scale.
QFont fontAtFixedSize(const QString& name, double pixels);

// Logical pixels as Qt points at the screen's logical dpi (12 px is 9 pt at 96 dpi).
double pointsForPixels(double pixels);

}  // namespace ordane::retro
