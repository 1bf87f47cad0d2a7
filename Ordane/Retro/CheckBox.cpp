#include "Ordane/Retro/CheckBox.hpp"

#include <QPainter>
#include <QSignalBlocker>

#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

CheckBox::CheckBox(const QString& label, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setText(label);
    setFont(retro::font(QStringLiteral("Verdana"), 12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(label);
    setAccessibleDescription(QStringLiteral("unchecked"));
}

void CheckBox::showChecked(bool checked) {
    if (checked == isChecked()) return;
    const QSignalBlocker blocker(this);
    setChecked(checked);
}

void CheckBox::checkStateSet() {
    setAccessibleDescription(isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked"));
    update();
}

void CheckBox::nextCheckState() {
    QAbstractButton::nextCheckState();
    checkStateSet();
}

QRect CheckBox::boxRect() const { return {0, (height() - boxSize) / 2, boxSize, boxSize}; }

QSize CheckBox::sizeHint() const {
    if (text().isEmpty()) return {boxSize, boxSize};
    const QFontMetrics metrics(font());
    return {boxSize + labelSpacing + metrics.horizontalAdvance(text()) + focusMargin,
            std::max(boxSize, metrics.height())};
}

void CheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = boxRect();
    painter.fillRect(box, retro::window);
    paintBevel(painter, box, BevelStyle::sunkenWell);
    if (isChecked()) {
        painter.setFont(retro::font(QStringLiteral("Verdana-Bold"), 11));
        painter.setPen(retro::text);
        painter.drawText(box.translated(0, -1), Qt::AlignCenter, QStringLiteral("✓"));
    }
    if (text().isEmpty()) {
        if (hasFocus()) paintFocusRect(painter, box.adjusted(3, 3, -3, -3));
        return;
    }
    painter.setFont(font());
    painter.setPen(retro::text);
    const QRect label(boxSize + labelSpacing, 0, width() - boxSize - labelSpacing - focusMargin, height());
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        const int textWidth = QFontMetrics(font()).horizontalAdvance(text());
        paintFocusRect(painter, QRect(label.left() - focusMargin, 0, textWidth + 2 * focusMargin, height()));
    }
}

}  // namespace ordane::retro
