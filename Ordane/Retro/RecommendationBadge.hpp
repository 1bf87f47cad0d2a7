#pragma once

#include <QWidget>

#include "OrdaneCore/Model/Recommendation.hpp"

namespace ordane::retro {

// The recommendation in small bold capitals inside a one-pixel frame of its colour, at its ideal size.
class RecommendationBadge : public QWidget {
    Q_OBJECT
public:
    static QColor colour(Recommendation recommendation);

    explicit RecommendationBadge(Recommendation recommendation, QWidget* parent = nullptr);
    Recommendation recommendation() const { return recommendation_; }
    QString text() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Recommendation recommendation_;
};

}  // namespace ordane::retro
