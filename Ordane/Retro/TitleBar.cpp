#include "Ordane/Retro/TitleBar.hpp"

#include <QEvent>
#include <QLinearGradient>

#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

namespace {

constexpr int barHeight = 24;
constexpr int sidePadding = 8;

}  // namespace

void paintTitleBar(QPainter& painter, const QRect& rect, const QString& title, bool active, const QFont& font) {
    QLinearGradient gradient(rect.topLeft(), rect.topRight());
    gradient.setColorAt(0, active ? titleActiveStart : titleInactiveStart);
    gradient.setColorAt(1, active ? titleActiveEnd : titleInactiveEnd);
    painter.fillRect(rect, gradient);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRect textArea = rect.adjusted(sidePadding, 0, -sidePadding, 0);
    const QString shown = QFontMetrics(font).elidedText(title, Qt::ElideRight, textArea.width());
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

TitleBar::TitleBar(const QString& title, bool active, QWidget* parent)
    : QWidget(parent), title_(title), active_(active) {
    setFont(retro::font(QStringLiteral("Verdana-Bold"), 12));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title);
}

void TitleBar::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    update();
}

QSize TitleBar::sizeHint() const {
    // Grows past 24 only when a large text scale would not fit.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(title_) + 2 * sidePadding, std::max(barHeight, metrics.height() + 2)};
}

QSize TitleBar::minimumSizeHint() const { return {2 * sidePadding, sizeHint().height()}; }

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintTitleBar(painter, rect(), title_, active_, font());
}

void TitleBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(event);
}

}  // namespace ordane::retro
