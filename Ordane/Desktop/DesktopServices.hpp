#pragma once

#include <QIcon>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace ordane {

// What the interface asks of the desktop: show a file in the file browser, open an address, preview
// a file. One process-wide instance; tests swap in their own so nothing leaves the process.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Shows the file browser with this one item selected; opens its folder when no browser answers.
    virtual void reveal(const QString& path);
    // Opens an address in the user's default application; an invalid address opens nothing.
    virtual void openUrl(const QUrl& url);
    // Shows the preview window for a file, centred over the window that holds `over`; `closed` runs
    // once, when that window goes away.
    virtual void preview(const QString& path, const QWidget* over, std::function<void()> closed);

    static DesktopServices& current();
    // Installs `services` (not owned) as the current instance; null goes back to the real one.
    static void setCurrent(DesktopServices* services);
};

// The theme's icon for a file's type; a generic file or folder icon when the theme has none.
QIcon fileIcon(const QString& path, bool isDirectory = false);

}  // namespace ordane
