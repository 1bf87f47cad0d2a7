#include <QTest>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::testing {
namespace {

using FileRowTest = ScreenTest;

TEST_F(FileRowTest, ShowsTheFileAsTypedIndentsOnlyBesideACheckBoxAndPeeksOrReveals) {
    Finding finding = syntheticFinding(FindingCategory::oldFiles, "/h/Tax <b>stuff/<b>2024<i>.pdf", 0);
    const QString path = QStringLiteral("/h/Tax <b>stuff/<b>2024<i>.pdf");
    for (bool checkable : {true, false}) {
        retro::FileRow row(finding, checkable, true);
        layOut(row, checkable ? QStringLiteral("file-row") : QString());
        auto* name = row.findChild<retro::Label*>(QStringLiteral("fileName"));
        EXPECT_EQ(name->text(), QStringLiteral("<b>2024<i>.pdf"));
        EXPECT_EQ(name->textFormat(), Qt::PlainText);
        EXPECT_EQ(textOf(row, "fileSize"), QStringLiteral("Zero KB"));
        EXPECT_EQ(row.findChild<retro::CheckBox*>() != nullptr, checkable);
        EXPECT_EQ(row.findChild<retro::Label*>(QStringLiteral("reason"))->contentsMargins().left(), checkable ? 29 : 0);
        EXPECT_FALSE(row.findChild<QWidget*>(QStringLiteral("detailsButton")));

        auto* peek = withText(row, QStringLiteral("Peek"));
        ASSERT_TRUE(peek);
        EXPECT_EQ(peek->accessibleName(), QStringLiteral("Preview <b>2024<i>.pdf"));
        click(peek);
        EXPECT_EQ(row.previewPath(), std::optional(path));
        desktop.closePreview();
        EXPECT_FALSE(row.previewPath().has_value());
        click(withText(row, QStringLiteral("Show in Folder")));
        EXPECT_EQ(desktop.revealed.back(), path);
    }
    EXPECT_EQ(desktop.previewed, (std::vector<QString>{path, path}));
    EXPECT_EQ(retro::FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff  ·  December 5, 2025"));
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

}  // namespace
}  // namespace ordane::testing
