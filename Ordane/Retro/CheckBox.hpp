#pragma once

#include <QAbstractButton>

namespace ordane::retro {

// A 14 px sunken white box with a bold check mark when on, then its label. Keyboard focus shows as a
// dotted rectangle around the label, or inside the box when there is no label.
class CheckBox : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int boxSize = 14;
    static constexpr int labelSpacing = 7;
    // Room beside the label for the focus rectangle.
    static constexpr int focusMargin = 2;

    explicit CheckBox(const QString& label = {}, QWidget* parent = nullptr);
    // Shows a value without emitting `toggled` (a refresh from the state must not write it back).
    void showChecked(bool checked);
    QRect boxRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;
};

}  // namespace ordane::retro
