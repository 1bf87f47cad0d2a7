#include <QApplication>

#include <cstdlib>
#include <iostream>

#include "Ordane/App/OrdaneApp.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Snapshot/DebugSnapshots.hpp"

int main(int argc, char** argv) {
    const bool snapshot = ordane::DebugSnapshots::requested();
    // The scripted run opens no window, so it needs no display.
    if (snapshot) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordane"));
    QApplication::setApplicationVersion(QStringLiteral(ORDANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("ordane"));
    ordane::retro::installRetroLook();
    if (snapshot) return ordane::DebugSnapshots::run(ordane::DebugSnapshots::fromEnvironment(), std::cout);

    ordane::OrdaneApp app;
    app.show();
    QApplication::exec();
    return 0;
}
