#include <QTest>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using FileRowTest = ScreenTest;

TEST_F(FileRowTest, ShowsTheFileAsTypedAndIndentsOnlyBesideACheckBox) {
    Finding finding = syntheticFinding(FindingCategory::oldFiles, "/h/Tax <b>stuff/<b>2024<i>.pdf", 0);
    for (bool checkable : {true, false}) {
        retro::FileRow row(finding, checkable, true);
        layOut(row, checkable ? QStringLiteral("file-row") : QString());
        auto* name = row.findChild<retro::Label*>(QStringLiteral("fileName"));
        EXPECT_EQ(name->text(), QStringLiteral("<b>2024<i>.pdf"));
        EXPECT_EQ(name->textFormat(), Qt::PlainText);
        EXPECT_EQ(retro::FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff  ·  December 5, 2025"));
        EXPECT_EQ(row.findChild<retro::Label*>(QStringLiteral("fileSize"))->text(), QStringLiteral("Zero KB"));
        EXPECT_EQ(row.findChild<retro::CheckBox*>() != nullptr, checkable);
        EXPECT_EQ(row.findChild<retro::Label*>(QStringLiteral("reason"))->contentsMargins().left(), checkable ? 29 : 0);
        EXPECT_EQ(row.findChild<QWidget*>(QStringLiteral("detailsButton")), nullptr);
    }
    finding.record.modified.reset();
    EXPECT_EQ(retro::FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff"));
}

TEST_F(FileRowTest, DetailsOpenAndCloseAndKeepTheirSizeAtAnyTextScale) {
    Finding finding = syntheticFinding(FindingCategory::duplicates, "/h/a.txt", 1);
    finding.detail = "same bytes as /h/b.txt";
    setCurrentTextScale(1.4);
    retro::FileRow row(finding, true, true);
    layOut(row);
    auto* details = row.findChild<retro::LinkButton*>(QStringLiteral("detailsButton"));
    auto* detail = row.findChild<retro::Label*>(QStringLiteral("detail"));
    ASSERT_TRUE(details && detail);
    EXPECT_FALSE(detail->isVisibleTo(&row));
    QTest::mouseClick(details, Qt::LeftButton);
    EXPECT_TRUE(row.detailsShown());
    EXPECT_TRUE(detail->isVisibleTo(&row));
    EXPECT_EQ(details->text(), QStringLiteral("Hide Details"));
    EXPECT_DOUBLE_EQ(detail->font().pointSizeF(), retro::pointsForPixels(10));
    EXPECT_DOUBLE_EQ(row.findChild<retro::Label*>(QStringLiteral("reason"))->font().pointSizeF(),
                     retro::pointsForPixels(11 * 1.4));
    QTest::mouseClick(details, Qt::LeftButton);
    EXPECT_FALSE(detail->isVisibleTo(&row));
}

TEST_F(FileRowTest, PeekPreviewsUntilClosedAndShowInFolderRevealsTheOneFile) {
    const Finding finding = syntheticFinding(FindingCategory::biggestFiles, "/h/Movies/trip.mov", 5'000'000);
    retro::FileRow row(finding, false, false);
    layOut(row);
    EXPECT_TRUE(visible<QWidget>(row).size() > 0);
    auto* peek = withText<retro::BevelButton>(row, QStringLiteral("Peek"));
    ASSERT_NE(peek, nullptr);
    EXPECT_EQ(peek->accessibleName(), QStringLiteral("Preview trip.mov"));
    QTest::mouseClick(peek, Qt::LeftButton);
    ASSERT_EQ(desktop.previewed.size(), 1u);
    EXPECT_EQ(row.previewPath(), std::optional<QString>(QStringLiteral("/h/Movies/trip.mov")));
    desktop.closePreview();
    EXPECT_FALSE(row.previewPath().has_value());
    QTest::mouseClick(withText<retro::BevelButton>(row, QStringLiteral("Show in Folder")), Qt::LeftButton);
    EXPECT_EQ(desktop.revealed, std::vector<QString>{QStringLiteral("/h/Movies/trip.mov")});
}

}  // namespace
}  // namespace ordane::testing
