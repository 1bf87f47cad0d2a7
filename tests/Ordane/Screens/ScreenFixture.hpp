#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "Ordane/App/AppStateHome.hpp"
#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Wording.hpp"

namespace ordane::testing {

// Records what the interface asks of the desktop instead of doing it.
class RecordingDesktop : public DesktopServices {
public:
    void reveal(const QString& path) override { revealed.push_back(path); }
    void openUrl(const QUrl& url) override { opened.push_back(url); }
    void preview(const QString& path, const QWidget*, std::function<void()> closed) override {
        previewed.push_back(path);
        closePreview = std::move(closed);
    }
    std::vector<QString> revealed;
    std::vector<QUrl> opened;
    std::vector<QString> previewed;
    std::function<void()> closePreview;
};

// A temporary home (ORDANE_HOME), a state on it, the retro look and a recording desktop.
class ScreenTest : public AppStateHome {
public:
    ScreenTest();
    ~ScreenTest() override;

    // Writes a file of `size` bytes under the home, `daysOld` days since its last change.
    void addFile(const std::string& relative, size_t size, int daysOld = 0);
    // Scans the home's six folders and analyses the result as a finished scan does, then shows
    // the dashboard stage.
    void scanHome();
    // Runs the event loop until the state's background work is done.
    void settle();
    std::string homePath(const std::string& relative = "") const;

    // Lays the widget out at its ideal size; `name` says which picture of the screen it is, for reading.
    static void layOut(QWidget& widget, const QString& name = {});
    // Visible widgets under `root` whose rectangles overlap a visible sibling's, as "a / b".
    static std::vector<std::string> overlaps(const QWidget& root);
    template <class T>
    static std::vector<T*> visible(const QWidget& root, const QString& name = {}) {
        std::vector<T*> result;
        for (T* child : root.findChildren<T*>(name)) {
            if (child->isVisibleTo(&root)) result.push_back(child);
        }
        return result;
    }
    // The visible widget of that name under `root`, or null.
    template <class T>
    static T* named(const QWidget& root, const char* name) {
        auto* found = root.findChild<T*>(QString::fromLatin1(name));
        return found && found->isVisibleTo(&root) ? found : nullptr;
    }
    // The text of the visible label of that name under `root`, or empty.
    static QString textOf(const QWidget& root, const char* name);
    // The first (or last, in creation order) visible control under `root` that reads `text`, or null.
    template <class T = retro::BevelButton>
    static T* withText(const QWidget& root, const QString& text, bool last = false) {
        T* found = nullptr;
        for (T* child : visible<T>(root)) {
            if (child->text() == text && (last || !found)) found = child;
        }
        return found;
    }
    // Clicks, then lets the refresh run and the layout show what the refresh added.
    static void click(QWidget* widget);
    // The texts of every visible label (of that name) under `root`.
    static std::vector<QString> labelTexts(const QWidget& root, const QString& name = {});
    static bool showsText(const QWidget& root, const QString& text);

    RecordingDesktop desktop;
    std::unique_ptr<AppState> state;
};

// A finding of that record.
Finding findingOf(FileRecord record, FindingCategory category, std::optional<URL> destination = std::nullopt);
// A finding of a file that need not exist, for lists larger than a test would write to disk.
Finding syntheticFinding(FindingCategory category, const std::string& path, int64_t size,
                         Recommendation recommendation = Recommendation::review);
// An action of 100 bytes in that state.
PlannedAction plannedAction(PlannedAction::Kind kind, PlannedAction::State state);
// An analysis holding `findings` in their order.
AnalysisResult analysisOf(std::vector<Finding> findings);

}  // namespace ordane::testing
