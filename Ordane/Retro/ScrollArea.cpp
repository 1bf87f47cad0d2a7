#include "Ordane/Retro/ScrollArea.hpp"

#include <QEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace ordane::retro {

ScrollArea::ScrollArea(QWidget* content, int maxHeight, std::optional<BevelStyle> bevel,
                       const std::optional<QColor>& background, QWidget* parent, InSnapshots inSnapshots)
    : QWidget(parent), content_(content), maxHeight_(maxHeight), bevel_(bevel), background_(background) {
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    box->setSpacing(0);
    if (inSnapshots == InSnapshots::whole && qEnvironmentVariableIsSet("ORDANE_SNAPSHOT_DIR")) {
        box->addWidget(content_);
    } else {
        scroll_ = new QScrollArea(this);
        scroll_->setFrameShape(QFrame::NoFrame);
        scroll_->setWidgetResizable(true);
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll_->setWidget(content_);
        if (background_) {
            QPalette palette = scroll_->viewport()->palette();
            palette.setColor(QPalette::Window, *background_);
            scroll_->viewport()->setPalette(palette);
            scroll_->viewport()->setAutoFillBackground(true);
        }
        scroll_->viewport()->setAutoFillBackground(background_.has_value());
        content_->setAutoFillBackground(false);
        box->addWidget(scroll_);
        content_->installEventFilter(this);
        updateFocusStop();
    }
    // Shown directly, the content's height follows its width (wrapped texts): a fixed policy would cap
    // it at the height it needs at its preferred width and squeeze it at any narrower one.
    setSizePolicy(QSizePolicy::Preferred, scroll_ ? QSizePolicy::Fixed : QSizePolicy::Minimum);
}

int ScrollArea::contentHeight(int width) const {
    if (content_->hasHeightForWidth()) return content_->heightForWidth(width);
    return content_->sizeHint().expandedTo(content_->minimumSize()).height();
}

QSize ScrollArea::sizeHint() const {
    if (!scroll_) return QWidget::sizeHint();
    const int bar = scroll_->verticalScrollBar()->sizeHint().width();
    const QSize content = content_->sizeHint().expandedTo(content_->minimumSize());
    // The bar shows only when there is something to scroll; without it the content has its room.
    const int shownBar = scroll_->verticalScrollBar()->isVisibleTo(scroll_) ? bar : 0;
    const int inner = width() > 0 ? width() - 2 * frameWidth() - shownBar : content.width();
    const int height = std::min(contentHeight(inner), maxHeight_);
    return {content.width() + bar + 2 * frameWidth(), height + 2 * frameWidth()};
}

QSize ScrollArea::minimumSizeHint() const {
    if (!scroll_) return QWidget::minimumSizeHint();
    const int bar = scroll_->verticalScrollBar()->sizeHint().width();
    return {content_->minimumSizeHint().width() + bar + 2 * frameWidth(), sizeHint().height()};
}

void ScrollArea::updateFocusStop() {
    // The keys go to the controls in the list, which scroll into view as they get the focus; only a
    // list of bare text takes them itself, to be scrolled.
    const QList<QWidget*> children = content_->findChildren<QWidget*>();
    const bool controls = std::any_of(children.begin(), children.end(),
                                      [](const QWidget* child) { return child->focusPolicy() & Qt::TabFocus; });
    scroll_->setFocusPolicy(controls ? Qt::NoFocus : Qt::StrongFocus);
}

bool ScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        updateFocusStop();
    }
    // The height hint depends on the width; once the real width is known, ask again.
    if (watched == content_ && event->type() == QEvent::Resize &&
        static_cast<QResizeEvent*>(event)->oldSize().width() != content_->width()) {
        updateGeometry();
    }
    return QWidget::eventFilter(watched, event);
}

void ScrollArea::paintEvent(QPaintEvent*) {
    if (!background_ && !bevel_) return;
    QPainter painter(this);
    if (background_) painter.fillRect(rect(), *background_);
    if (bevel_) paintBevel(painter, rect(), *bevel_);
}

}  // namespace ordane::retro
