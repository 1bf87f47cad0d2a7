#pragma once

#include <QWidget>

namespace ordane::retro {

// A small grey caption over green digits on a black, sunken display. The value is shown as given.
class LedCounter : public QWidget {
    Q_OBJECT
public:
    explicit LedCounter(const QString& label, QWidget* parent = nullptr);
    QString label() const { return label_; }
    QString value() const { return value_; }
    void setValue(const QString& value);
    // Where the display is drawn, in this widget's coordinates.
    QRect displayRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    QString value_;
    QFont labelFont_;
    QFont digitFont_;
};

}  // namespace ordane::retro
