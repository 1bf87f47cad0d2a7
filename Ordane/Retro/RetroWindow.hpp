#pragma once

#include <QVBoxLayout>
#include <QWidget>

namespace ordane::retro {

class TitleBar;

// A bevelled grey window with a title bar; the content sits 12 px in from the sides and bottom.
// It keeps its ideal size: give the content a fixed width and the window never stretches.
class RetroWindow : public QWidget {
    Q_OBJECT
public:
    explicit RetroWindow(const QString& title, QWidget* parent = nullptr);
    // The content's layout, a column with no spacing of its own.
    QVBoxLayout* content() const { return content_; }
    TitleBar* titleBar() const { return titleBar_; }
    // The layout's width, and the height its wrapped texts need at that width.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TitleBar* titleBar_;
    QVBoxLayout* content_;
};

}  // namespace ordane::retro
