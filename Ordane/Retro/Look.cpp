#include "Ordane/Retro/Look.hpp"

#include <QApplication>
#include <QStyleFactory>

#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

void installRetroLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(applicationPalette());
    installFontSubstitutions();
}

}  // namespace ordane::retro
