#include "Ordane/Screens/LazyColumn.hpp"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QResizeEvent>
#include <QScrollArea>

#include <algorithm>
#include <memory>

namespace ordane {

namespace {

bool isTabStop(const QWidget* widget) { return bool(widget->focusPolicy() & Qt::TabFocus); }

}  // namespace

LazyColumn::LazyColumn(QWidget* parent) : QWidget(parent) {
    // A scroll view asks a content without a layout for its height at a width only when the policy says so.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int LazyColumn::rowHeight(const QWidget& row, int width) {
    return row.hasHeightForWidth() ? row.heightForWidth(width) : row.sizeHint().height();
}

void LazyColumn::measureAt(int width) const {
    if (width == measuredWidth_) return;
    measuredWidth_ = width;
    measured_.clear();
    shapeHeights_.clear();
}

int LazyColumn::shapeHeight(size_t i) const {
    const size_t shape = shapeOf(i);
    auto found = shapeHeights_.find(shape);
    if (found != shapeHeights_.end()) return found->second;
    // One row of the shape, built only to be measured; it is never shown.
    std::unique_ptr<QWidget> sample(const_cast<LazyColumn*>(this)->makeRow(i));
    sample->hide();
    const int height = rowHeight(*sample, measuredWidth_);
    minimumWidth_ = std::max(minimumWidth_, sample->minimumSizeHint().width());
    shapeHeights_.emplace(shape, height);
    return height;
}

int LazyColumn::heightOf(size_t i) const {
    auto found = measured_.find(itemID(i));
    if (found != measured_.end() && found->second.shape == shapeOf(i)) return found->second.height;
    return shapeHeight(i);
}

void LazyColumn::computeTops() {
    measureAt(width());
    const size_t count = itemCount();
    tops_.assign(count + 1, 0);
    for (size_t i = 0; i < count; ++i) tops_[i + 1] = tops_[i] + heightOf(i);
    topsWidth_ = width();
}

std::pair<int, int> LazyColumn::band() const {
    // In a scroll view the parent is its viewport, and the column sits above it by the scrolled distance.
    const QWidget* holder = parentWidget();
    if (!holder) return {0, height()};
    return {std::max(0, -y()), std::min(height(), holder->height() - y())};
}

void LazyColumn::placeRows() {
    if (placing_) return;  // a row's own resize while it is placed
    placing_ = true;
    // The items can change before the owner reloads (a deferred refresh): tops for another count are stale.
    if (measuredWidth_ != width() || tops_.size() != itemCount() + 1) computeTops();
    const size_t count = itemCount();
    const auto [top, bottom] = band();
    std::unordered_map<UUID, QWidget*> kept;
    // A row whose real height differs from the estimate moves the rows under it: place them again.
    for (int pass = 0; pass < 3; ++pass) {
        bool moved = false;
        rows_.merge(kept);  // a row placed by an earlier pass may now lie out of sight
        size_t i = size_t(std::upper_bound(tops_.begin(), tops_.end(), top) - tops_.begin());
        i = i > 0 ? i - 1 : 0;
        for (; i < count && tops_[i] < bottom; ++i) {
            const UUID id = itemID(i);
            QWidget* row = nullptr;
            if (auto found = kept.find(id); found != kept.end()) {
                row = found->second;
            } else if (auto old = rows_.find(id); old != rows_.end() && rowShows(i, *old->second)) {
                row = old->second;
                rows_.erase(old);
            } else {
                row = buildRow(i, kept);
            }
            kept.emplace(id, row);
            const int height = rowHeight(*row, width());
            if (height != tops_[i + 1] - tops_[i]) {
                measured_[id] = Measured{shapeOf(i), height};
                moved = true;
            }
            row->setGeometry(0, tops_[i], width(), height);
            row->show();
        }
        if (!moved) break;
        const int before = totalHeight();
        computeTops();
        if (totalHeight() != before) updateGeometry();
    }
    // The row holding the keyboard focus stays while its item does, in sight or not: the focus
    // goes on from it.
    const QWidget* focused = QApplication::focusWidget();
    for (auto& [id, row] : rows_) {
        size_t i = 0;
        if (focused && row->isAncestorOf(focused) && indexOf(id, i) && rowShows(i, *row)) {
            row->setGeometry(0, tops_[i], width(), tops_[i + 1] - tops_[i]);
            kept.emplace(id, row);
        } else {
            delete row;
        }
    }
    rows_ = std::move(kept);
    placing_ = false;
}

QWidget* LazyColumn::buildRow(size_t i, const std::unordered_map<UUID, QWidget*>& placed) {
    ++rowsBuilt_;
    QWidget* row = makeRow(i);
    // A new widget comes last in the window's Tab order, after the controls below the column: its
    // controls go after those of the nearest row above that exists, or first in the column.
    QWidget* before = nullptr;
    for (size_t above = i; above-- > 0 && !before;) {
        const UUID id = itemID(above);
        if (auto found = placed.find(id); found != placed.end()) {
            before = lastTabStop(*found->second);
        } else if (auto old = rows_.find(id); old != rows_.end()) {
            before = lastTabStop(*old->second);
        }
    }
    for (QWidget* control : row->findChildren<QWidget*>()) {
        if (!isTabStop(control)) continue;
        control->installEventFilter(this);
        if (before) {
            setTabOrder(before, control);
        } else {
            // Only tab stops are ordered: the column is one for the moment it takes.
            const Qt::FocusPolicy policy = focusPolicy();
            setFocusPolicy(Qt::TabFocus);
            setTabOrder(this, control);
            setFocusPolicy(policy);
        }
        before = control;
    }
    return row;
}

QWidget* LazyColumn::lastTabStop(const QWidget& row) {
    const QList<QWidget*> controls = row.findChildren<QWidget*>();
    auto last = std::find_if(controls.rbegin(), controls.rend(), isTabStop);
    return last != controls.rend() ? *last : nullptr;
}

bool LazyColumn::indexOf(const UUID& id, size_t& index) const {
    for (size_t i = 0, count = itemCount(); i < count; ++i) {
        if (itemID(i) == id) {
            index = i;
            return true;
        }
    }
    return false;
}

bool LazyColumn::focusNextPrevChild(bool next) {
    QWidget* focused = QApplication::focusWidget();
    const size_t count = itemCount();
    size_t from = count;
    for (const auto& [id, row] : rows_) {
        if (focused && row->isAncestorOf(focused) && indexOf(id, from)) break;
    }
    if (from == count) return QWidget::focusNextPrevChild(next);
    if (tops_.size() != count + 1) computeTops();
    // Rows without a control are passed over, as the focus would pass them; a few screens' worth at most.
    for (size_t step = 1; step <= 100; ++step) {
        if (next ? from + step >= count : step > from) break;
        const size_t i = next ? from + step : from - step;
        auto found = rows_.find(itemID(i));
        QWidget* row = found != rows_.end() ? found->second : nullptr;
        if (!row) {
            row = buildRow(i, rows_);
            row->setGeometry(0, tops_[i], width(), tops_[i + 1] - tops_[i]);
            row->show();
            rows_.emplace(itemID(i), row);
        }
        const QList<QWidget*> controls = row->findChildren<QWidget*>();
        auto control = std::find_if(controls.begin(), controls.end(), isTabStop);
        if (control == controls.end()) continue;
        return QWidget::focusNextPrevChild(next);  // built in its place in the Tab order
    }
    // Past either end the focus leaves the list, for the controls around the column.
    if (QWidget* outside = controlOutside(next)) {
        outside->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

QWidget* LazyColumn::controlOutside(bool next) const {
    for (QWidget* widget = next ? nextInFocusChain() : previousInFocusChain(); widget != this;
         widget = next ? widget->nextInFocusChain() : widget->previousInFocusChain()) {
        if (isAncestorOf(widget)) continue;
        if (isTabStop(widget) && widget->isEnabled() && widget->isVisible()) return widget;
    }
    return nullptr;
}

void LazyColumn::reload() {
    const int before = totalHeight();
    computeTops();
    placeRows();
    if (totalHeight() != before) {
        updateGeometry();
        // What a layout would post: whoever holds the column hears that its height changed.
        QApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
}

QSize LazyColumn::sizeHint() const { return {minimumWidth(), heightForWidth(std::max(minimumWidth(), width()))}; }

QSize LazyColumn::minimumSizeHint() const { return {minimumWidth_, 0}; }

int LazyColumn::heightForWidth(int width) const {
    // The tops are for the column's own width; another width is measured apart.
    if (width == topsWidth_ && tops_.size() == itemCount() + 1) return totalHeight();
    measureAt(width);
    int total = 0;
    for (size_t i = 0, count = itemCount(); i < count; ++i) total += heightOf(i);
    return total;
}

void LazyColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) computeTops();
    placeRows();
}

void LazyColumn::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placeRows();
}

bool LazyColumn::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        if (holder_) holder_->removeEventFilter(this);
        holder_ = parentWidget();
        if (holder_) holder_->installEventFilter(this);
    }
    return QWidget::event(event);
}

bool LazyColumn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == holder_ && event->type() == QEvent::Resize) placeRows();
    // Tab from outside the list lands on a row's control without the scroll view's help: the
    // row is brought into sight here.
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* view = holder_ ? qobject_cast<QScrollArea*>(holder_->parentWidget()) : nullptr;
        QWidget* row = qobject_cast<QWidget*>(watched);
        while (row && row->parentWidget() != this) row = row->parentWidget();
        if (view && row && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)) {
            view->ensureWidgetVisible(row, 0, 0);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LazyColumn::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measuredWidth_ = -1;
        reload();
    }
}

}  // namespace ordane
