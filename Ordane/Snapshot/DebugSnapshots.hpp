#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <ostream>

class QWidget;

namespace ordane {

class AppState;
struct ScreenChoice;

// The scripted run without windows: it walks a real state through every screen, writes an image of
// each, and against a substitute home approves the suggestions, carries out the plan and undoes it
// all again, printing one "E2E: " line per step. Runs on the main thread of a QApplication.
class DebugSnapshots {
public:
    static constexpr const char* folderVariable = "ORDANE_SNAPSHOT_DIR";

    struct Options {
        QString folder;             // receives the images; empty: the current folder
        bool images = true;         // false: nothing is drawn or written
        bool debugFolders = false;  // one "E2E-DBG folder: " line per proposed folder
    };

    // Whether the environment asks for this run: ORDANE_SNAPSHOT_DIR is present, even empty.
    static bool requested();
    // The options the environment gives; none when ORDANE_SNAPSHOT_DIR is absent.
    static std::optional<Options> fromEnvironment();

    // Runs the whole script and returns the process's exit status: 1 without options, else 0
    // (a scan without analysis and a refused end-to-end phase included: see the printed lines).
    static int run(const std::optional<Options>& options, std::ostream& out);

    // Draws the widget at its ideal size, two pixels per point, on the desktop colour and writes it
    // as `folder`/`name`.png, replacing any file there. Returns the image's pixel size, or none
    // when it could not be written.
    static std::optional<QSize> renderPng(QWidget& screen, const QString& folder, const QString& name);
    // Takes back every undoable entry of the state's list, newest first, each awaited before the
    // next; how many it asked for.
    static int undoEveryUndoable(AppState& state);

private:
    DebugSnapshots(const Options& options, std::ostream& out, AppState& state)
        : options_(options), out_(out), state_(state) {}
    int script();
    void endToEnd();
    void render(const ScreenChoice& choice, const QString& name);
    void print(const std::string& line);
    // Runs the event loop in steps of 0.1 s until the condition holds.
    static void waitUntil(const std::function<bool()>& condition);

    const Options& options_;
    std::ostream& out_;
    AppState& state_;
};

}  // namespace ordane
