#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

#include "AppStateHome.hpp"
#include "Ordane/App/SingleInstance.hpp"

namespace ordane {
namespace {

using testing::ScopedVariable;

class SingleInstanceTest : public testing::AppStateHome {
protected:
    // The real program, as a user starts it from the menu, on this test's home and records.
    std::unique_ptr<QProcess> start(const std::string& snapshotDir = "") {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QStringLiteral("ORDANE_SNAPSHOT_DIR"));
        if (!snapshotDir.empty()) environment.insert(QStringLiteral("ORDANE_SNAPSHOT_DIR"), QString::fromStdString(snapshotDir));
        program->setProcessEnvironment(environment);
        program->start(QStringLiteral(ORDANE_PROGRAM), {});
        EXPECT_TRUE(program->waitForStarted(30000));
        return program;
    }
    // Runs the event loop (so that an instance of this process can answer) until the program ends.
    static bool finished(QProcess& program) {
        return waitFor([&] { return program.state() == QProcess::NotRunning; });
    }
};

TEST_F(SingleInstanceTest, ASecondCopyBringsTheFirstForwardAndLeavesAndADeadFirstIsReplaced) {
    {
        SingleInstance first(AppState::supportPaths());
        ASSERT_TRUE(first.claim());
        QSignalSpy forward(&first, &SingleInstance::comeForwardRequested);
        auto second = start();
        ASSERT_TRUE(finished(*second));
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
        EXPECT_EQ(forward.count(), 1);
        // A scripted run that would change these records refuses while a window has them.
        auto snapshot = start(home / "images");
        ASSERT_TRUE(finished(*snapshot));
        EXPECT_EQ(snapshot->exitCode(), 1);
        EXPECT_FALSE(platform::FileSystem::real()->exists(home / "images/01-welcome.png"));
    }

    // Two real copies started together: whichever is second leaves at once, the other stays.
    auto a = start();
    auto b = start();
    ASSERT_TRUE(waitFor([&] { return a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning; }));
    QProcess& left = a->state() == QProcess::NotRunning ? *a : *b;
    QProcess& stayed = &left == a.get() ? *b : *a;
    EXPECT_EQ(left.exitCode(), 0) << left.readAllStandardError().toStdString();
    ASSERT_EQ(stayed.state(), QProcess::Running);
    SingleInstance probe(AppState::supportPaths());
    EXPECT_FALSE(probe.claim());
    EXPECT_TRUE(probe.askToComeForward());  // the running window answers

    // Killed, it leaves its lock file and socket behind; both are taken over.
    stayed.kill();
    ASSERT_TRUE(stayed.waitForFinished(30000));
    ASSERT_TRUE(probe.claim());
    // Other records have a lock and a socket of their own.
    ScopedVariable elsewhere{"ORDANE_HOME", (home / "other").c_str()};
    SingleInstance other(AppState::supportPaths());
    ASSERT_TRUE(other.claim());
    QSignalSpy otherForward(&other, &SingleInstance::comeForwardRequested);
    ScopedVariable back{"ORDANE_HOME", home.path().c_str()};
    QSignalSpy forward(&probe, &SingleInstance::comeForwardRequested);
    auto third = start();
    ASSERT_TRUE(finished(*third));
    EXPECT_EQ(third->exitCode(), 0) << third->readAllStandardError().toStdString();
    EXPECT_EQ(forward.count(), 1);
    EXPECT_EQ(otherForward.count(), 0);
}

}  // namespace
}  // namespace ordane
