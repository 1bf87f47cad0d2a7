#include <QLineEdit>
#include <QTest>

#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/OrganizeScreen.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Ordane/Screens/Tag.hpp"

namespace ordane::testing {
namespace {

class OrganizeScreenTest : public ScreenTest {
public:
    template <class T>
    static T* in(const QWidget* root, const char* name) {
        auto* found = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        return found && found->isVisibleTo(root) ? found : nullptr;
    }
    static QString text(const QWidget* root, const char* name) {
        auto* label = in<retro::Label>(root, name);
        return label ? label->text() : QString();
    }

    // The box of the folder whose shown place ends with `tail`.
    static QWidget* box(const QWidget& screen, const char* tail) {
        for (QWidget* box : visible<QWidget>(screen, QStringLiteral("folderBox"))) {
            if (text(box, "folderPath").endsWith(QString::fromUtf8(tail))) return box;
        }
        return nullptr;
    }
    // The scanned Downloads files filed into a new Receipts folder, and many more into an existing one.
    void planFromScan(int64_t leftover) {
        for (const char* name : {"receipt-1.pdf", "receipt-2.pdf", "receipt <b>3.pdf"}) {
            addFile(std::string("Downloads/") + name, 1200);
        }
        scanHome();
        const URL receipts = URL::fileURL(homePath("Documents/Receipts"), true);
        ProposedFolder fresh;
        fresh.id = UUID::random();
        fresh.destination = receipts;
        fresh.isNew = true;
        fresh.displayPath = "Documents → Receipts";
        fresh.rationale = "These read like receipts.";
        for (const FileRecord& record : state->records()) {
            Finding finding;
            finding.id = UUID::random();
            finding.record = record;
            finding.category = FindingCategory::organizeSuggestion;
            finding.suggestedDestination = receipts.appendingPathComponent(record.url.lastPathComponent());
            fresh.members.push_back(finding);
        }
        ProposedFolder existing;
        existing.id = UUID::random();
        existing.destination = URL::fileURL(homePath("Pictures"), true);
        existing.displayPath = "Pictures";
        existing.rationale = "Pictures belong with pictures.";
        for (int i = 0; i < 120; ++i) {
            existing.members.push_back(syntheticFinding(FindingCategory::organizeSuggestion,
                                                        "/x/photo" + std::to_string(i) + ".jpg", 2000));
        }
        AnalysisResult analysis = *state->analysis();
        for (const ProposedFolder& folder : {fresh, existing}) {
            analysis.findings.insert(analysis.findings.end(), folder.members.begin(), folder.members.end());
        }
        analysis.organization = OrganizationProposal{{fresh, existing}, 123, leftover};
        state->setAnalysis(std::move(analysis));
    }
};

TEST_F(OrganizeScreenTest, WithoutAProposalItSaysTheFoldersLookTidy) {
    for (bool emptyProposal : {false, true}) {
        if (emptyProposal) {
            AnalysisResult analysis;
            analysis.organization = OrganizationProposal{{}, 10, 4};
            state->setAnalysis(analysis);
        }
        OrganizeScreen screen(*state);
        layOut(screen, emptyProposal ? QString() : QStringLiteral("organize-empty"));
        EXPECT_TRUE(in<QWidget>(&screen, "tidyText"));
        EXPECT_FALSE(in<retro::Label>(&screen, "leftAloneNote"));
        EXPECT_FALSE(in<retro::BevelButton>(&screen, "reviewButton"));
    }
}

TEST_F(OrganizeScreenTest, FolderChecksApproveEveryFileAndTheReviewButtonCountsThem) {
    planFromScan(1);
    OrganizeScreen screen(*state);
    layOut(screen, QStringLiteral("organize-plan"));
    EXPECT_TRUE(overlaps(screen).empty());
    QWidget* receipts = box(screen, "Receipts");
    ASSERT_TRUE(receipts);
    EXPECT_EQ(visible<Tag>(screen).size(), 1u);
    EXPECT_TRUE(in<QLineEdit>(receipts, "folderName"));
    EXPECT_FALSE(in<QLineEdit>(box(screen, "Pictures"), "folderName"));
    EXPECT_EQ(text(receipts, "folderCount"), QStringLiteral("3 items · ") + retro::sizeText(3600));
    EXPECT_EQ(text(&screen, "leftAloneNote"),
              QStringLiteral("I left 1 item alone because I could not see a tidy spot for it. Leaving things alone is "
                             "always fine."));
    EXPECT_FALSE(in<retro::BevelButton>(&screen, "reviewButton"));

    const ProposedFolder folder = state->analysis()->organization->folders.front();
    state->setApproved(folder.members[1], true);
    QCoreApplication::processEvents();
    auto* folderCheck = in<retro::CheckBox>(receipts, "folderCheck");
    EXPECT_FALSE(folderCheck->isChecked());
    EXPECT_EQ(text(receipts, "checkedCount"), QStringLiteral("1 of 3 checked"));

    click(folderCheck);
    EXPECT_EQ(state->approvedForMove().size(), 3u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(folderCheck->isChecked());
    EXPECT_EQ(text(receipts, "checkedCount"), QString());
    auto* review = in<retro::BevelButton>(&screen, "reviewButton");
    ASSERT_TRUE(review);
    EXPECT_EQ(review->text(), QStringLiteral("Review My Plan (3 items, ") + retro::sizeText(3600) + QStringLiteral(")"));
    click(review);
    ASSERT_TRUE(state->route());
    EXPECT_EQ(state->route()->kind, AppState::Route::Kind::confirm);

    click(folderCheck);
    EXPECT_TRUE(state->approvedForMove().empty());
}

TEST_F(OrganizeScreenTest, FileListsPageAndARenameKeepsTheListOpen) {
    planFromScan(2);
    OrganizeScreen screen(*state);
    layOut(screen);
    EXPECT_TRUE(text(&screen, "leftAloneNote").contains(QStringLiteral("2 items alone")));

    QWidget* pictures = box(screen, "Pictures");
    auto* files = in<retro::BevelButton>(pictures, "filesButton");
    EXPECT_EQ(files->text(), QStringLiteral("Show the Files (120)"));
    click(files);
    EXPECT_EQ(files->text(), QStringLiteral("Hide the Files"));
    EXPECT_EQ(visible<retro::FileRow>(*pictures).size(), 50u);
    auto* more = in<retro::BevelButton>(pictures, "showMoreFiles");
    ASSERT_TRUE(more);
    EXPECT_EQ(more->text(), QStringLiteral("Show More (70 left)"));
    click(more);
    EXPECT_EQ(visible<retro::FileRow>(*pictures).size(), 120u);
    EXPECT_FALSE(in<retro::BevelButton>(pictures, "showMoreFiles"));

    QWidget* receipts = box(screen, "Receipts");
    click(in<retro::BevelButton>(receipts, "filesButton"));
    std::vector<retro::FileRow*> rows = visible<retro::FileRow>(*receipts);
    ASSERT_EQ(rows.size(), 3u);
    click(rows.front()->findChild<retro::CheckBox*>());
    EXPECT_EQ(state->approvedForMove().size(), 1u);
    layOut(screen, QStringLiteral("organize-open"));

    auto* name = in<QLineEdit>(receipts, "folderName");
    name->setText(QStringLiteral("Paid Bills"));
    QTest::keyClick(name, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const ProposedFolder renamed = state->analysis()->organization->folders.front();
    EXPECT_EQ(renamed.destination.lastPathComponent(), "Paid Bills");
    receipts = box(screen, "Paid Bills");
    ASSERT_TRUE(receipts);
    EXPECT_EQ(in<QLineEdit>(receipts, "folderName")->text(), QStringLiteral("Paid Bills"));
    EXPECT_EQ(visible<retro::FileRow>(*receipts).size(), 3u);
}

}  // namespace
}  // namespace ordane::testing
