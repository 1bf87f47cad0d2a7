#pragma once

#include <QBoxLayout>
#include <QWidget>
#include <optional>

#include "Ordane/Retro/Bevel.hpp"

namespace ordane::retro {

// The size a widget with a layout asks for when it holds wrapped text: its layout's width, kept
// within the widget's own limits, and the height its texts need at exactly that width.
QSize sizeForWrappedText(const QWidget& widget);

// A padded surface: a fill colour, an optional bevel laid over its edges, and a box layout for its
// content. Notices, detail blocks and list wells are all this.
class Panel : public QWidget {
    Q_OBJECT
public:
    Panel(const QColor& background, std::optional<BevelStyle> bevel, QMargins padding,
          QBoxLayout::Direction direction = QBoxLayout::TopToBottom, QWidget* parent = nullptr);
    QBoxLayout* box() const { return box_; }
    QSize sizeHint() const override { return sizeForWrappedText(*this); }
    // Draws the bevel over the content too (a card whose title bar runs to its edges).
    void setBevelOverContent(bool over);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* overlay_ = nullptr;
    QColor background_;
    std::optional<BevelStyle> bevel_;
    QBoxLayout* box_;
};

}  // namespace ordane::retro
