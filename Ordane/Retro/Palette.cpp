#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

QColor withOpacity(const QColor& colour, double opacity) {
    QColor result = colour;
    result.setAlphaF(static_cast<float>(opacity));
    return result;
}

QPalette applicationPalette() {
    QPalette palette;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, face);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, window);
        palette.setColor(group, QPalette::AlternateBase, light);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::PlaceholderText, shadow);
        palette.setColor(group, QPalette::Button, face);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, highlight);
        palette.setColor(group, QPalette::Light, highlight);
        palette.setColor(group, QPalette::Midlight, light);
        palette.setColor(group, QPalette::Mid, shadow);
        palette.setColor(group, QPalette::Dark, shadow);
        palette.setColor(group, QPalette::Shadow, darkShadow);
        palette.setColor(group, QPalette::Highlight, selection);
        palette.setColor(group, QPalette::HighlightedText, highlight);
        palette.setColor(group, QPalette::ToolTipBase, window);
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::Link, selection);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, face);
    palette.setColor(QPalette::Disabled, QPalette::Base, face);
    palette.setColor(QPalette::Disabled, QPalette::Button, face);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, shadow);
    palette.setColor(QPalette::Disabled, QPalette::Text, shadow);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, shadow);
    return palette;
}

}  // namespace ordane::retro
