#pragma once

#include <QAbstractButton>
#include <optional>

namespace ordane::retro {

// A grey bevelled push button; the primary kind has a bold label, more padding and a black outline.
// The whole face is the hit area. It draws no look of its own for a disabled button; keyboard focus
// shows as a dotted rectangle inside the bevel.
class BevelButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { plain, primary };

    BevelButton(const QString& text, Kind kind = Kind::plain, std::optional<int> minimumWidth = std::nullopt,
                QWidget* parent = nullptr);
    Kind kind() const { return kind_; }
    void setTextIfChanged(const QString& text);
    // A one-pixel navy ring inside the edge; the parent draws the ring just outside it.
    bool isOutlined() const { return outlined_; }
    void setOutlined(bool outlined);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Return presses the focused button (Space does too, as for every button).
    void keyPressEvent(QKeyEvent* event) override;

private:
    Kind kind_;
    std::optional<int> minimumWidth_;
    bool outlined_ = false;
};

// Return or the keypad's Enter, without other modifiers.
bool isPlainReturn(const QKeyEvent& event);

// Text in navy that acts as a button ("Show Details").
class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    LinkButton(const QString& text, const QFont& font, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ordane::retro
