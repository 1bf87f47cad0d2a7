#pragma once

#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>

namespace ordane::retro {

// A title bar's gradient and its one-line white title, 8 px in from the left.
void paintTitleBar(QPainter& painter, const QRect& rect, const QString& title, bool active, const QFont& font);

// The navy bar across the top of every window and card.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    explicit TitleBar(const QString& title, bool active = true, QWidget* parent = nullptr);
    QString title() const { return title_; }
    bool isActive() const { return active_; }
    void setActive(bool active);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString title_;
    bool active_;
};

}  // namespace ordane::retro
