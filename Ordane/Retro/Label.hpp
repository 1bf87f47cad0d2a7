#pragma once

#include <QLabel>

namespace ordane::retro {

// A label that only ever shows its text as typed (a file name with "<b>" stays "<b>"), in a
// retro font and colour. One-line labels may elide instead of widening their row.
class Label : public QLabel {
    Q_OBJECT
public:
    enum class Lines { one, wrapped, elided };

    Label(const QString& text, const QFont& font, const QColor& colour, Lines lines = Lines::one,
          QWidget* parent = nullptr);
    // Extra pixels between wrapped lines (the design's line spacing); 0 leaves Qt's own leading.
    void setLineSpacing(int extra);
    // The text, or nothing when equal (so a refresh repaints only what changed).
    void setTextIfChanged(const QString& text);
    // A wrapped label asks for its text on one line (within its maximum width) and wraps only
    // when it gets less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // At most the maximum width: a layout may offer more than the label will take.
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The wrapped lines' tops and the height they take at `width`, with the extra spacing.
    int spacedHeight(int width) const;

    Lines lines_;
    int lineSpacing_ = 0;
};

}  // namespace ordane::retro
