#include "Ordane/Retro/LedCounter.hpp"

#include <QPainter>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

namespace {

constexpr int spacing = 3;
constexpr int padX = 8;
constexpr int padY = 3;
constexpr int minimumDisplayWidth = 110;

}  // namespace

LedCounter::LedCounter(const QString& label, QWidget* parent)
    : QWidget(parent),
      label_(label),
      labelFont_(retro::font(QStringLiteral("Verdana"), 10)),
      digitFont_(retro::font(QStringLiteral("Menlo-Bold"), 15)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(label);
}

void LedCounter::setValue(const QString& value) {
    if (value == value_) return;
    value_ = value;
    setAccessibleDescription(value);
    updateGeometry();
    update();
}

QRect LedCounter::displayRect() const {
    const QFontMetrics digits(digitFont_);
    const int top = QFontMetrics(labelFont_).height() + spacing;
    const int width = std::max(minimumDisplayWidth, digits.horizontalAdvance(value_) + 2 * padX);
    return {0, top, width, digits.height() + 2 * padY};
}

QSize LedCounter::sizeHint() const {
    const QRect display = displayRect();
    const int width = std::max(display.width(), QFontMetrics(labelFont_).horizontalAdvance(label_));
    return {width, display.bottom() + 1};
}

void LedCounter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(labelFont_);
    painter.setPen(shadow);
    painter.drawText(QRect(0, 0, width(), QFontMetrics(labelFont_).height()), Qt::AlignLeft | Qt::AlignVCenter, label_);
    const QRect display = displayRect();
    painter.fillRect(display, ledOff);
    paintBevel(painter, display, BevelStyle::sunkenWell);
    painter.setFont(digitFont_);
    painter.setPen(ledOn);
    painter.drawText(display.adjusted(padX, padY, -padX, -padY), Qt::AlignRight | Qt::AlignVCenter, value_);
}

}  // namespace ordane::retro
