#include "Ordane/Retro/Panel.hpp"

#include <QPainter>
#include <algorithm>

namespace ordane::retro {

QSize sizeForWrappedText(const QWidget& widget) {
    const QLayout* layout = widget.layout();
    const QSize hint = layout->totalSizeHint().expandedTo(layout->totalMinimumSize());
    const int width = std::clamp(hint.width(), widget.minimumWidth(), widget.maximumWidth());
    if (!layout->hasHeightForWidth()) return {width, hint.height()};
    return {width, layout->totalHeightForWidth(width)};
}

namespace {

// A child laid over the whole panel that paints only the bevel and lets every click through.
class BevelOverlay : public QWidget {
public:
    BevelOverlay(BevelStyle style, QWidget* parent) : QWidget(parent), style_(style) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintBevel(painter, rect(), style_);
    }

private:
    BevelStyle style_;
};

}  // namespace

void Panel::setBevelOverContent(bool over) {
    if (over == (overlay_ != nullptr) || !bevel_) return;
    if (!over) {
        delete overlay_;
        overlay_ = nullptr;
        return;
    }
    overlay_ = new BevelOverlay(*bevel_, this);
    overlay_->setGeometry(rect());
    overlay_->raise();
}

void Panel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (overlay_) {
        overlay_->setGeometry(rect());
        overlay_->raise();
    }
}

Panel::Panel(const QColor& background, std::optional<BevelStyle> bevel, QMargins padding,
             QBoxLayout::Direction direction, QWidget* parent)
    : QWidget(parent), background_(background), bevel_(bevel), box_(new QBoxLayout(direction, this)) {
    box_->setContentsMargins(padding);
    box_->setSpacing(0);
}

void Panel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (bevel_ && !overlay_) paintBevel(painter, rect(), *bevel_);
}

}  // namespace ordane::retro
