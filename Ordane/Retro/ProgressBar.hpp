#pragma once

#include <QTimer>
#include <QWidget>
#include <optional>

namespace ordane::retro {

// A sunken trough of navy blocks. With a fraction it lights that share of the blocks; without one a
// four-block window slides across (the marquee), one step every 90 ms while the bar is shown.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int blockWidth = 12;
    static constexpr int blockGap = 2;

    // Lit blocks [first, last) of a bar.
    struct LitRange {
        int first = 0;
        int last = 0;
        bool operator==(const LitRange&) const = default;
    };
    // How many blocks a bar `width` px wide holds; never fewer than one.
    static int blockCount(int width);
    static LitRange litBlocks(std::optional<double> fraction, int marqueePhase, int blockCount);

    explicit ProgressBar(QWidget* parent = nullptr);
    std::optional<double> fraction() const { return fraction_; }
    void setFraction(std::optional<double> fraction);
    int marqueePhase() const { return marqueePhase_; }
    bool marqueeRunning() const { return timer_.isActive(); }
    LitRange litBlocks() const { return litBlocks(fraction_, marqueePhase_, blockCount(width())); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateMarquee();

    std::optional<double> fraction_;
    int marqueePhase_ = 0;
    QTimer timer_;
};

}  // namespace ordane::retro
