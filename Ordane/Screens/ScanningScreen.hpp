#pragma once

#include <optional>

#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"

namespace ordane {

namespace retro {
class Label;
class LedCounter;
class ProgressBar;
}  // namespace retro

// Shown while a scan runs: what is being done now, a block progress bar, how many files and how
// much space have been seen, and a button that stops the scan.
class ScanningScreen : public Screen {
    Q_OBJECT
public:
    struct NowLine {
        QString label;
        QString value;
        std::optional<double> fraction;  // none: the bar runs its marquee
        bool operator==(const NowLine&) const = default;
    };
    static NowLine nowLine(const std::optional<ScanProgress>& progress);

    explicit ScanningScreen(AppState& state, QWidget* parent = nullptr);

protected:
    void refresh() override;

private:
    retro::Label* nowLabel_;
    retro::Label* nowValue_;
    retro::ProgressBar* bar_;
    retro::LedCounter* files_;
    retro::LedCounter* space_;
};

}  // namespace ordane
