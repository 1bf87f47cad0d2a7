#include <QApplication>

#include <cstdlib>
#include <iostream>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/OffscreenMessages.hpp"
#include "Ordane/App/OrdaneApp.hpp"
#include "Ordane/App/SingleInstance.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Snapshot/DebugSnapshots.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"

int main(int argc, char** argv) {
    // Where no reader process can start, pictures are read here: one OpenMP thread per engine.
    ordane::platform::restartWithOneOpenMPThread(argv);
    const bool snapshot = ordane::DebugSnapshots::requested();
    // The scripted run opens no window, so it needs no display.
    if (snapshot) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordane"));
    QApplication::setApplicationVersion(QStringLiteral(ORDANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("ordane"));
    ordane::quietOffscreenPlatform();
    ordane::retro::installRetroLook();
    // One copy per user's records: a second window brings the first forward and leaves. A scripted
    // run on a substitute home changes files and records, so it too keeps them to itself.
    ordane::SingleInstance instance(ordane::AppState::supportPaths());
    if (snapshot) {
        if (ordane::AppState::homeOverride() && !instance.claim(false)) {
            std::cerr << "Ordane is already running on this home folder." << std::endl;
            return 1;
        }
        return ordane::DebugSnapshots::run(ordane::DebugSnapshots::fromEnvironment(), std::cout);
    }
    if (!instance.claim()) {
        if (instance.askToComeForward()) return 0;
        std::cerr << "Ordane is already running, but it did not answer." << std::endl;
        return 1;
    }
    ordane::OrdaneApp app;
    QObject::connect(&instance, &ordane::SingleInstance::comeForwardRequested, [&app] { app.comeForward(); });
    app.show();
    QApplication::exec();
    return 0;
}
