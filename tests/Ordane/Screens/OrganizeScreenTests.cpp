#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Screens/OrganizeScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

class OrganizeScreenTest : public ScreenTest {
public:
    // The box of the folder whose shown place ends with `tail`.
    static QWidget* box(const QWidget& screen, const char* tail) {
        for (QWidget* box : visible<QWidget>(screen, QStringLiteral("folderBox"))) {
            if (textOf(*box, "folderPath").endsWith(QString::fromUtf8(tail))) return box;
        }
        return nullptr;
    }
    // The scanned Downloads files filed into a new Receipts folder, and many more into an existing one.
    void planFromScan() {
        for (const char* name : {"receipt-1.pdf", "receipt-2.pdf", "receipt <b>3.pdf"}) {
            addFile(std::string("Downloads/") + name, 1200);
        }
        scanHome();
        ProposedFolder fresh;
        fresh.id = UUID::random();
        fresh.destination = URL::fileURL(homePath("Documents/Receipts"), true);
        fresh.isNew = true;
        fresh.displayPath = "Documents → Receipts";
        for (const FileRecord& record : state->records()) {
            fresh.members.push_back(findingOf(record, FindingCategory::organizeSuggestion,
                                              fresh.destination.appendingPathComponent(record.url().lastPathComponent())));
        }
        ProposedFolder existing;
        existing.id = UUID::random();
        existing.destination = URL::fileURL(homePath("Pictures"), true);
        existing.displayPath = "Pictures";
        for (int i = 0; i < 120; ++i) {
            existing.members.push_back(syntheticFinding(FindingCategory::organizeSuggestion,
                                                        "/x/photo" + std::to_string(i) + ".jpg", 2000));
        }
        AnalysisResult analysis = *state->analysis();
        for (const ProposedFolder& folder : {fresh, existing}) {
            analysis.findings.insert(analysis.findings.end(), folder.members.begin(), folder.members.end());
        }
        analysis.organization = OrganizationProposal{{fresh, existing}, 123, 1};
        state->setAnalysis(std::move(analysis));
    }
};

TEST_F(OrganizeScreenTest, AnEmptyProposalOffersNothingToReview) {
    AnalysisResult analysis;
    analysis.organization = OrganizationProposal{{}, 10, 4};
    state->setAnalysis(analysis);
    OrganizeScreen screen(*state);
    layOut(screen, QStringLiteral("organize-empty"));
    EXPECT_TRUE(named<QWidget>(screen, "tidyText"));
    EXPECT_FALSE(named<QWidget>(screen, "reviewButton"));
}

TEST_F(OrganizeScreenTest, FolderChecksApproveEveryFileTheReviewButtonCountsThemAndListsPage) {
    planFromScan();
    OrganizeScreen screen(*state);
    layOut(screen, QStringLiteral("organize-plan"));
    EXPECT_TRUE(overlaps(screen).empty());
    QWidget* receipts = box(screen, "Receipts");
    QWidget* pictures = box(screen, "Pictures");
    ASSERT_TRUE(receipts && pictures);
    EXPECT_FALSE(named<QLineEdit>(*pictures, "folderName"));  // only a new folder can be renamed

    state->setApproved(state->analysis()->organization->folders.front().members[1], true);
    QCoreApplication::processEvents();
    auto* folderCheck = named<retro::CheckBox>(*receipts, "folderCheck");
    EXPECT_FALSE(folderCheck->isChecked());
    click(folderCheck);
    EXPECT_EQ(state->approvedForMove().size(), 3u);
    QTest::keyClick(&screen, Qt::Key_Return);  // presses the primary button
    EXPECT_EQ(state->route(), AppState::Route::of(AppState::Route::Kind::confirm));
    click(folderCheck);
    EXPECT_TRUE(state->approvedForMove().empty());

    // File lists page by fifty, and a rename keeps an open list open.
    click(named<retro::BevelButton>(*pictures, "filesButton"));
    EXPECT_EQ(visible<retro::FileRow>(*pictures).size(), 50u);

    click(named<retro::BevelButton>(*receipts, "filesButton"));
    std::vector<retro::FileRow*> rows = visible<retro::FileRow>(*receipts);
    ASSERT_EQ(rows.size(), 3u);
    click(rows.front()->findChild<retro::CheckBox*>());
    EXPECT_EQ(state->approvedForMove().size(), 1u);
    layOut(screen, QStringLiteral("organize-open"));

    auto* name = named<QLineEdit>(*receipts, "folderName");
    name->setText(QStringLiteral("Paid Bills"));
    name->setFocus();
    state->setRoute(std::nullopt);
    QTest::keyClick(name, Qt::Key_Return);  // takes the name, and no more
    EXPECT_EQ(state->route(), std::nullopt);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(state->analysis()->organization->folders.front().destination.lastPathComponent(), "Paid Bills");
    receipts = box(screen, "Paid Bills");
    ASSERT_TRUE(receipts);
    EXPECT_EQ(visible<retro::FileRow>(*receipts).size(), 3u);

    // Leaving the field commits the name as Return does.
    name = named<QLineEdit>(*receipts, "folderName");
    name->setText(QStringLiteral("Old Bills"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(name, &leave);
    QCoreApplication::processEvents();
    EXPECT_EQ(state->analysis()->organization->folders.front().destination.lastPathComponent(), "Old Bills");

    // Tabbing out renames the folder, and the focus stays on the renamed box's next control.
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    name = named<QLineEdit>(*box(screen, "Old Bills"), "folderName");  // the renamed box is a new one
    name->setFocus();
    name->setText(QStringLiteral("Tax Bills"));
    QTest::keyClick(name, Qt::Key_Tab);
    QCoreApplication::processEvents();
    ASSERT_TRUE(box(screen, "Tax Bills"));
    EXPECT_EQ(QApplication::focusWidget(), named<QWidget>(*box(screen, "Tax Bills"), "filesButton"));
}

// Every Tab stop is a control that shows it has the keys; the list itself is none, and its scroll bar
// shows only when the list is longer than its well.
TEST_F(OrganizeScreenTest, TheListIsNoTabStopAndScrollsOnlyWhenItOverflows) {
    planFromScan();
    OrganizeScreen screen(*state);
    layOut(screen);
    screen.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    auto* well = screen.findChild<QScrollArea*>();
    ASSERT_TRUE(well);
    EXPECT_FALSE(well->verticalScrollBar()->isVisible());

    named<QWidget>(screen, "backButton")->setFocus();
    std::vector<QWidget*> stops;
    for (int i = 0; i < 20 && (stops.empty() || QApplication::focusWidget() != stops.front()); ++i) {
        stops.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_GE(stops.size(), 6u);  // two folder checks, a name, two file buttons, Back
    for (QWidget* stop : stops) {
        EXPECT_TRUE(qobject_cast<retro::BevelButton*>(stop) || qobject_cast<retro::CheckBox*>(stop) ||
                    qobject_cast<QLineEdit*>(stop))
            << stop->metaObject()->className();
    }

    // 50 rows of photos do not fit in the well.
    click(named<QWidget>(*box(screen, "Pictures"), "filesButton"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(well->verticalScrollBar()->isVisible());
}

}  // namespace
}  // namespace ordane::testing
