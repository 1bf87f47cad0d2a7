#include "Ordane/Retro/Fonts.hpp"

#include <QGuiApplication>
#include <QScreen>

#include "Ordane/App/TextScale.hpp"

namespace ordane::retro {

void installFontSubstitutions() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Menlo"), QStringLiteral("DejaVu Sans Mono"));
}

double pointsForPixels(double pixels) {
    double dpi = 96.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (screen->logicalDotsPerInchY() > 0) dpi = screen->logicalDotsPerInchY();
    }
    return pixels * 72.0 / dpi;
}

QFont fontAtFixedSize(const QString& name, double pixels) {
    installFontSubstitutions();
    static const QString boldSuffix = QStringLiteral("-Bold");
    const bool bold = name.endsWith(boldSuffix);
    QFont result(bold ? name.chopped(boldSuffix.size()) : name);
    result.setWeight(bold ? QFont::Bold : QFont::Normal);
    result.setStyleHint(name.startsWith(QStringLiteral("Menlo")) ? QFont::Monospace : QFont::SansSerif);
    result.setPointSizeF(pointsForPixels(pixels));
    return result;
}

QFont font(const QString& name, double baseSize) { return fontAtFixedSize(name, baseSize * currentTextScale()); }
QFont verdana(double baseSize) { return font(QStringLiteral("Verdana"), baseSize); }
QFont bold(double baseSize) { return font(QStringLiteral("Verdana-Bold"), baseSize); }

}  // namespace ordane::retro
