#pragma once

#include <QScrollArea>
#include <QWidget>
#include <optional>

#include "Ordane/Retro/Bevel.hpp"

namespace ordane::retro {

// A vertical scroll view at most `maxHeight` px high that is only as high as its content needs; its
// scroll bar shows only when there is something to scroll. Snapshots draw it as the window shows it,
// so an image stays about the window's size however long the list. Content of a bounded length may
// ask to be shown whole instead: with InSnapshots::whole and ORDANE_SNAPSHOT_DIR set (looked up when
// it is built), the content is shown directly at full height.
class ScrollArea : public QWidget {
    Q_OBJECT
public:
    // Whether a snapshot shows the whole content or scrolls as the window does.
    enum class InSnapshots { whole, scrolled };

    ScrollArea(QWidget* content, int maxHeight, std::optional<BevelStyle> bevel = std::nullopt,
               const std::optional<QColor>& background = std::nullopt, QWidget* parent = nullptr,
               InSnapshots inSnapshots = InSnapshots::scrolled);
    QWidget* contentWidget() const { return content_; }
    // The scroll view, or null when the content is shown directly.
    QScrollArea* scrollView() const { return scroll_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int frameWidth() const { return bevel_ ? 2 : 0; }
    int contentHeight(int width) const;
    // The scroll view is a stop of the Tab key only while the content holds no control that is one.
    void updateFocusStop();

    QWidget* content_;
    int maxHeight_;
    std::optional<BevelStyle> bevel_;
    std::optional<QColor> background_;
    QScrollArea* scroll_ = nullptr;
};

}  // namespace ordane::retro
