#include "Ordane/App/RootView.hpp"
#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/StatusBar.hpp"
#include "Ordane/Screens/CategoryScreen.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"
#include "Ordane/Screens/ScanningScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Ordane/Screens/SettingsScreen.hpp"
#include "Ordane/Screens/WelcomeScreen.hpp"

namespace ordane::testing {
namespace {

using TextScaleLayoutTest = ScreenTest;

// Every screen laid out at the smallest and largest text scales: no two visible siblings overlap.
TEST_F(TextScaleLayoutTest, EveryScreenLaysOutWithoutOverlapAtHalfAndTripleText) {
    addFile("Documents/report.txt", 40'000);
    addFile("Desktop/report copy.txt", 40'000);
    addFile("Downloads/tool.zip", 120'000, 60);
    scanHome();
    ActionPlan interrupted;
    interrupted.actions.resize(2);
    state->setInterruptedPlans({interrupted});
    ScanSummary summary = *state->summary();
    summary.issues.push_back(ScanIssue{UUID::random(), ScanIssue::Kind::permissionDenied, homePath("Music"), {}});
    state->setSummary(summary);
    ScanProgress progress;
    progress.phase = ScanProgress::ReadingDocuments{3, 9};
    state->setProgress(progress);
    std::vector<Finding> findings;
    for (int i = 0; i < 20; ++i) {
        Finding finding = syntheticFinding(FindingCategory::oldFiles, "/h/Old/a rather long file name number " +
                                           std::to_string(i) + ".txt", 1000 + i, Recommendation::probablySafeToRemove);
        finding.detail = "detail";
        findings.push_back(finding);
    }
    const AnalysisResult category = analysisOf(findings);

    for (double scale : {0.5, 3.0}) {
        setCurrentTextScale(scale);
        const QString suffix = scale < 1 ? QStringLiteral("-half") : QStringLiteral("-triple");
        std::vector<std::pair<QString, std::unique_ptr<QWidget>>> screens;
        screens.emplace_back(QStringLiteral("welcome"), std::make_unique<WelcomeScreen>(*state));
        screens.emplace_back(QStringLiteral("scanning"), std::make_unique<ScanningScreen>(*state));
        screens.emplace_back(QStringLiteral("settings"), std::make_unique<SettingsScreen>(*state));
        screens.emplace_back(QStringLiteral("dashboard"), std::make_unique<DashboardScreen>(*state));
        for (auto& [name, screen] : screens) {
            layOut(*screen, name + suffix);
            EXPECT_EQ(overlaps(*screen), std::vector<std::string>{}) << name.toStdString() << " at " << scale;
        }
        const std::optional<AnalysisResult> scanned = state->analysis();
        state->setAnalysis(category);
        CategoryScreen list(*state, FindingCategory::oldFiles);
        layOut(list, QStringLiteral("category") + suffix);
        EXPECT_EQ(overlaps(list), std::vector<std::string>{}) << "category at " << scale;
        state->setAnalysis(scanned);
    }
}

// The status bar sits outside the screens, but its cells take the new size with them.
TEST_F(TextScaleLayoutTest, TheStatusBarFollowsATextSizeChangeWithTheScreen) {
    RootView root(*state);
    layOut(root);
    const auto bar = [&root]() -> retro::StatusBar* {
        const std::vector<retro::StatusBar*> bars = visible<retro::StatusBar>(root);
        return bars.size() == 1 ? bars.front() : nullptr;
    };
    const auto cellFonts = [](const QWidget& statusBar) {
        std::vector<double> sizes;
        for (QLabel* cell : visible<QLabel>(statusBar)) sizes.push_back(cell->font().pointSizeF());
        return sizes;
    };
    ASSERT_TRUE(bar());
    const double regular = retro::font(QStringLiteral("Verdana"), 11).pointSizeF();
    EXPECT_EQ(cellFonts(*bar()), std::vector<double>(2, regular));
    const int regularHeight = bar()->sizeHint().height();

    state->updateScanSettings(1.4);
    QCoreApplication::processEvents();
    const double biggest = retro::font(QStringLiteral("Verdana"), 11).pointSizeF();
    ASSERT_GT(biggest, regular);
    ASSERT_TRUE(bar());
    EXPECT_EQ(cellFonts(*bar()), std::vector<double>(2, biggest));
    EXPECT_GT(bar()->sizeHint().height(), regularHeight);
    EXPECT_EQ(labelTexts(*bar()),
              (std::vector<QString>{QStringLiteral("Ordane, a Velmora product"),
                                    QStringLiteral("Nothing ever gets deleted. At most, files go to the Trash, and "
                                                   "you can pull them back out.")}));
}

}  // namespace
}  // namespace ordane::testing
