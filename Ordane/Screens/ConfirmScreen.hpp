#pragma once

#include <QString>
#include <unordered_map>
#include <vector>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Screens/KeyedWidgets.hpp"
#include "Ordane/Screens/Screen.hpp"

class QVBoxLayout;

namespace ordane {

namespace retro {
class BevelButton;
class Label;
class ProgressBar;
class RetroWindow;
}  // namespace retro

// The last look before anything changes on disk, then the run itself. Without an execution it lists
// every approved finding (moves, then moves to the Trash) with a box to uncheck each, the totals and
// the button that builds and runs the plan; while a plan runs it shows its progress; once it is done,
// what was handled, what was not and why, and the ways on.
class ConfirmScreen : public Screen {
    Q_OBJECT
public:
    explicit ConfirmScreen(AppState& state, QWidget* parent = nullptr);

    // The window in front: "Check My Work", "Working…" or "All Done".
    retro::RetroWindow* shownWindow() const;

    // A folder as the user knows it: relative to home, "Home" for home itself.
    static QString placeName(std::string_view folderPath);
    // "Moving 1 item" and so on: the count with its noun.
    static QString countWords(int64_t count);
    static QString providerWords(CloudProvider provider);
    // The first line of a finished run.
    static QString summary(const ActionPlan& plan);

protected:
    void refresh() override;

private:
    class ReviewRow;
    struct Section {
        QWidget* holder = nullptr;
        retro::Label* header = nullptr;
        QVBoxLayout* column = nullptr;
        KeyedWidgets<ReviewRow> rows;
    };

    void buildReview();
    void buildRunning();
    void buildFinished();
    void refreshReview();
    void refreshSection(Section& section, const std::vector<Finding>& findings, bool trash, const QString& tail);
    void refreshRunning(const AppState::Execution::Running& running);
    void refreshFinished(const ActionPlan& plan);

    retro::RetroWindow* reviewWindow_ = nullptr;
    Section moves_;
    Section trash_;
    QWidget* nothing_ = nullptr;
    QWidget* totals_ = nullptr;
    retro::Label* total_ = nullptr;
    retro::BevelButton* doIt_ = nullptr;

    retro::RetroWindow* runningWindow_ = nullptr;
    retro::Label* current_ = nullptr;
    retro::ProgressBar* progress_ = nullptr;
    retro::Label* position_ = nullptr;

    retro::RetroWindow* finishedWindow_ = nullptr;
    retro::Label* summary_ = nullptr;
    QVBoxLayout* finishedColumn_ = nullptr;
    QWidget* notDone_ = nullptr;
    std::optional<ActionPlan> shownPlan_;
};

}  // namespace ordane
