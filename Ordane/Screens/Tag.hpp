#pragma once

#include <QColor>
#include <QWidget>

namespace ordane {

// A short word in small bold capitals inside a one-pixel frame of the same colour ("NEW").
class Tag : public QWidget {
    Q_OBJECT
public:
    Tag(const QString& text, const QColor& colour, int horizontalPadding, int verticalPadding,
        QWidget* parent = nullptr);
    QString text() const { return text_; }
    QColor colour() const { return colour_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString text_;
    QColor colour_;
    int horizontalPadding_;
    int verticalPadding_;
};

}  // namespace ordane
