#include "Ordane/Retro/RecommendationBadge.hpp"

#include <QPainter>

#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Palette.hpp"

namespace ordane::retro {

QColor RecommendationBadge::colour(Recommendation recommendation) {
    switch (recommendation) {
        case Recommendation::keep: return {0, 128, 0};
        case Recommendation::organize: return {0, 128, 128};
        case Recommendation::review: return shadow;
        case Recommendation::probablySafeToRemove: return selection;
        case Recommendation::leaveAlone: return retro::text;
    }
    return shadow;
}

RecommendationBadge::RecommendationBadge(Recommendation recommendation, QWidget* parent)
    : QWidget(parent), recommendation_(recommendation) {
    setFont(retro::font(QStringLiteral("Verdana-Bold"), 9));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text());
}

QString RecommendationBadge::text() const {
    return QString::fromUtf8(title(recommendation_).data(), qsizetype(title(recommendation_).size())).toUpper();
}

QSize RecommendationBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 10, metrics.height() + 4};
}

void RecommendationBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor ink = colour(recommendation_);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    painter.setPen(QPen(ink, 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace ordane::retro
