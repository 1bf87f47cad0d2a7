#pragma once

#include <QVBoxLayout>
#include <QWidget>

namespace ordane::retro {

// An etched frame with its label sitting across the top groove; the content is a column inside.
class GroupBox : public QWidget {
    Q_OBJECT
public:
    explicit GroupBox(const QString& label, QWidget* parent = nullptr);
    QVBoxLayout* content() const { return content_; }
    QString label() const { return label_; }
    // Where the label's backing is drawn, in this widget's coordinates.
    QRect labelRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    QVBoxLayout* content_;
};

}  // namespace ordane::retro
