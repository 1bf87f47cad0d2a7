#pragma once

#include <QStringList>
#include <QWidget>

namespace ordane::retro {

class Label;

// A row of sunken cells on the grey face; every cell keeps its width but the last, which takes the rest.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    explicit StatusBar(const QStringList& items, QWidget* parent = nullptr);
    void setItems(const QStringList& items);
    QStringList items() const { return items_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList items_;
};

}  // namespace ordane::retro
