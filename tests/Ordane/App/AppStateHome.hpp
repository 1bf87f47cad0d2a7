#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "Ordane/App/AppState.hpp"
#include "Ordane/App/ScopedVariable.hpp"
#include "Support/TempDir.hpp"

namespace ordane::testing {

// A temporary home that ORDANE_HOME points at for the test's length.
class AppStateHome : public ::testing::Test {
protected:
    std::string support(const std::string& name = "") const {
        const char* folder = name == "settings.json"         ? ".config/Ordane"
                             : name == "analysis-cache.json" ? ".cache/Ordane"
                                                             : ".local/share/Ordane";
        std::string base = home / folder;
        return name.empty() ? base : base + "/" + name;
    }

    // Runs the event loop until the condition holds; false after 20 seconds.
    static bool waitFor(const std::function<bool()>& condition) {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > 20000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
    // Until no worker of the state runs and everything they posted has been handled.
    static bool settle(AppState& state) {
        bool quiet = waitFor([&] { return !state.hasBackgroundWork(); });
        QCoreApplication::processEvents();
        return quiet;
    }

    TempDir home;
    ScopedVariable homeVariable{"ORDANE_HOME", home.path().c_str()};
};

}  // namespace ordane::testing
