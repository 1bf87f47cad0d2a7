#include "Ordane/Retro/ProgressBar.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

namespace {

constexpr int inset = 4;
constexpr int troughHeight = 22;
constexpr int marqueeLength = 4;

}  // namespace

int ProgressBar::blockCount(int width) { return std::max((width - 2 * inset) / (blockWidth + blockGap), 1); }

ProgressBar::LitRange ProgressBar::litBlocks(std::optional<double> fraction, int marqueePhase, int blockCount) {
    if (fraction) {
        const double f = std::isnan(*fraction) ? 0.0 : std::clamp(*fraction, 0.0, 1.0);
        return {0, static_cast<int>(std::round(f * blockCount))};
    }
    const int cycle = blockCount + marqueeLength;
    const int m = ((marqueePhase % cycle) + cycle) % cycle;
    const int first = std::max(m - marqueeLength, 0);
    return {first, std::max(first, std::min(m, blockCount))};
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(troughHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Progress"));
    setAccessibleDescription(QStringLiteral("working"));
    timer_.setInterval(90);
    connect(&timer_, &QTimer::timeout, this, [this] {
        ++marqueePhase_;
        update();
    });
}

void ProgressBar::setFraction(std::optional<double> fraction) {
    if (fraction == fraction_) return;
    fraction_ = fraction;
    setAccessibleDescription(fraction ? QString::number(static_cast<int>(*fraction * 100)) + QStringLiteral(" percent")
                                      : QStringLiteral("working"));
    updateMarquee();
    update();
}

QSize ProgressBar::sizeHint() const { return {420, troughHeight}; }

void ProgressBar::updateMarquee() {
    const bool run = !fraction_ && isVisible();
    if (run && !timer_.isActive()) timer_.start();
    if (!run) timer_.stop();
}

void ProgressBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateMarquee();
}

void ProgressBar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), retro::window);
    paintBevel(painter, rect(), BevelStyle::sunkenWell);
    const LitRange lit = litBlocks();
    const int blockHeight = height() - 2 * inset;
    for (int i = lit.first; i < lit.last; ++i) {
        painter.fillRect(inset + i * (blockWidth + blockGap), inset, blockWidth, blockHeight, selection);
    }
}

}  // namespace ordane::retro
