#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/Bevel.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Retro/RecommendationBadge.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/StatusBar.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"

namespace ordane::retro {
namespace {

const QColor untouched{1, 2, 3};

QImage bevelImage(int width, int height, BevelStyle style) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(untouched);
    QPainter painter(&image);
    paintBevel(painter, image.rect(), style);
    return image;
}

TEST(Bevel, DrawsTwoRingsInOrderAndNothingBelowFourPixels) {
    for (QSize tooSmall : {QSize(3, 40), QSize(40, 3)}) {
        const QImage image = bevelImage(tooSmall.width(), tooSmall.height(), BevelStyle::raised);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixelColor(x, y), untouched) << x << "," << y;
        }
    }
    const QImage smallest = bevelImage(4, 4, BevelStyle::raised);
    EXPECT_EQ(smallest.pixelColor(0, 0), light);
    EXPECT_EQ(smallest.pixelColor(1, 1), highlight);
    EXPECT_EQ(smallest.pixelColor(2, 2), shadow);
    EXPECT_EQ(smallest.pixelColor(3, 3), darkShadow);

    struct Case { BevelStyle style; QColor outerTopLeft, innerTopLeft, outerBottomRight, innerBottomRight; };
    for (const Case& c : {Case{BevelStyle::raised, light, highlight, darkShadow, shadow},
                          Case{BevelStyle::pressed, darkShadow, shadow, light, highlight},
                          Case{BevelStyle::sunkenWell, shadow, darkShadow, highlight, light},
                          Case{BevelStyle::etched, shadow, highlight, highlight, shadow}}) {
        SCOPED_TRACE(int(c.style));
        const QImage image = bevelImage(10, 10, c.style);
        EXPECT_EQ(image.pixelColor(0, 0), c.outerTopLeft);
        EXPECT_EQ(image.pixelColor(4, 1), c.innerTopLeft);
        EXPECT_EQ(image.pixelColor(4, 9), c.outerBottomRight);
        EXPECT_EQ(image.pixelColor(9, 4), c.outerBottomRight);
        // The later edges win at the corners.
        EXPECT_EQ(image.pixelColor(9, 0), c.outerBottomRight);
        EXPECT_EQ(image.pixelColor(0, 9), c.outerBottomRight);
        EXPECT_EQ(image.pixelColor(8, 1), c.innerBottomRight);
        EXPECT_EQ(image.pixelColor(1, 8), c.innerBottomRight);
        EXPECT_EQ(image.pixelColor(5, 5), untouched);
    }
}

TEST(Fonts, NamesMapToDejaVuAndSizesAreScaledLogicalPixels) {
    installRetroLook();
    setCurrentTextScale(1.4);
    const QFont body = font(QStringLiteral("Verdana"), 12);
    EXPECT_DOUBLE_EQ(body.pointSizeF(), pointsForPixels(16.8));
    EXPECT_EQ(QFontInfo(body).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(body.weight(), QFont::Normal);
    const QFont digits = font(QStringLiteral("Menlo-Bold"), 15);
    EXPECT_EQ(QFontInfo(digits).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(digits.weight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(fontAtFixedSize(QStringLiteral("Menlo"), 10).pointSizeF(), pointsForPixels(10));
    setCurrentTextScale(1.0);
}

TEST(ProgressBar, BlocksFollowWidthAndFractionAndTheMarqueeRunsOnlyWhileIndeterminateAndShown) {
    EXPECT_EQ(ProgressBar::blockCount(8), 1);
    EXPECT_EQ(ProgressBar::blockCount(0), 1);
    EXPECT_EQ(ProgressBar::blockCount(420), 29);
    const std::optional<double> none;
    using Case = std::tuple<std::optional<double>, int, ProgressBar::LitRange>;
    for (const auto& [fraction, phase, lit] :
         std::initializer_list<Case>{{0.5, 0, {0, 15}}, {1.7, 0, {0, 29}}, {-0.2, 0, {0, 0}}, {0.25, 0, {0, 7}},
                                     {none, 0, {0, 0}}, {none, 33, {0, 0}}, {none, 66, {0, 0}}, {none, 4, {0, 4}},
                                     {none, 10, {6, 10}}, {none, 31, {27, 29}}}) {
        EXPECT_EQ(ProgressBar::litBlocks(fraction, phase, 29), lit) << fraction.value_or(-1) << " phase " << phase;
    }

    ProgressBar bar;
    bar.setFixedWidth(420);
    EXPECT_FALSE(bar.marqueeRunning());
    bar.show();
    EXPECT_TRUE(bar.marqueeRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar.marqueePhase() >= 2; }, 2000));
    bar.setFraction(0.5);
    EXPECT_FALSE(bar.marqueeRunning());
    const int reached = bar.marqueePhase();
    EXPECT_EQ(bar.litBlocks(), (ProgressBar::LitRange{0, 15}));
    bar.setFraction(std::nullopt);
    EXPECT_TRUE(bar.marqueeRunning());
    EXPECT_EQ(bar.marqueePhase(), reached);
    bar.hide();
    EXPECT_FALSE(bar.marqueeRunning());
}

TEST(StatusBar, OnlyTheLastCellStretches) {
    for (const QStringList& items : {QStringList{QStringLiteral("Ready")},
                                     QStringList{QStringLiteral("a"), QStringLiteral("bb"), QStringLiteral("ccc")}}) {
        StatusBar bar(items);
        bar.resize(600, bar.sizeHint().height());
        bar.show();
        QCoreApplication::processEvents();
        QList<QWidget*> cells = bar.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_EQ(cells.size(), items.size());
        std::sort(cells.begin(), cells.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        EXPECT_EQ(cells.back()->geometry().right(), 600 - 1 - 4);
        for (qsizetype i = 0; i + 1 < cells.size(); ++i) {
            EXPECT_EQ(cells[i]->width(), cells[i]->sizeHint().width());
        }
    }
}

TEST(ScrollArea, CapsItsHeightUnlessTheSnapshotAsksForEverything) {
    for (bool snapshot : {false, true}) {
        testing::ScopedVariable variable("ORDANE_SNAPSHOT_DIR", snapshot ? "/nonexistent" : nullptr);
        auto* content = new QWidget;
        content->setFixedSize(300, 900);
        ScrollArea area(content, 420);
        area.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(area.sizeHint().height(), snapshot ? 900 : 420) << snapshot;
        EXPECT_EQ(area.scrollView() == nullptr, snapshot);
    }
}

TEST(Controls, CheckBoxFlipsOnClickButNotOnRefreshAndBadgeDrawsInItsColour) {
    CheckBox box(QStringLiteral("Music"));
    QSignalSpy toggled(&box, &CheckBox::toggled);
    box.showChecked(true);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(toggled.count(), 0);
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    EXPECT_FALSE(box.isChecked());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(box.accessibleDescription(), QStringLiteral("unchecked"));

    RecommendationBadge badge(Recommendation::probablySafeToRemove);
    EXPECT_EQ(badge.text(), QStringLiteral("PROBABLY SAFE TO REMOVE"));
    badge.resize(badge.sizeHint());
    const QImage image = badge.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, image.height() / 2), selection);
    EXPECT_EQ(image.pixelColor(image.width() / 2, 0), selection);
}

// How many pixels of column x, inside the top and bottom bevel, are drawn in the text colour.
int darkPixelsInColumn(QWidget& widget, int x) {
    const QImage image = widget.grab().toImage();
    int dark = 0;
    for (int y = 3; y < image.height() - 3; ++y) dark += image.pixelColor(x, y) == text;
    return dark;
}

TEST(Controls, KeyboardFocusShowsAsADottedRectangleAndReturnPressesTheFocusedButton) {
    QWidget window;
    auto* button = new BevelButton(QStringLiteral("Back"), BevelButton::Kind::plain, 88, &window);
    auto* box = new CheckBox(QStringLiteral("Music"), &window);
    box->move(0, 60);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // x: the left edge of the rectangle, inside the button's bevel and just before the box's label.
    for (auto [widget, x] : {std::pair<QWidget*, int>{button, 3}, {box, CheckBox::boxSize + CheckBox::labelSpacing - 2}}) {
        widget->clearFocus();
        EXPECT_EQ(darkPixelsInColumn(*widget, x), 0);
        widget->setFocus();
        ASSERT_TRUE(widget->hasFocus());
        EXPECT_GT(darkPixelsInColumn(*widget, x), 2);
    }
    QSignalSpy clicked(button, &BevelButton::clicked);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);
}

using FileRowTest = testing::ScreenTest;

TEST_F(FileRowTest, ShowsTheFileAsTypedIndentsOnlyBesideACheckBoxAndPeeksOrReveals) {
    Finding finding = testing::syntheticFinding(FindingCategory::oldFiles, "/h/Tax <b>stuff/<b>2024<i>.pdf", 0);
    const QString path = QStringLiteral("/h/Tax <b>stuff/<b>2024<i>.pdf");
    for (bool checkable : {true, false}) {
        FileRow row(finding, checkable, true);
        layOut(row, checkable ? QStringLiteral("file-row") : QString());
        auto* name = row.findChild<Label*>(QStringLiteral("fileName"));
        EXPECT_EQ(name->text(), QStringLiteral("<b>2024<i>.pdf"));
        EXPECT_EQ(name->textFormat(), Qt::PlainText);
        EXPECT_EQ(textOf(row, "fileSize"), QStringLiteral("Zero KB"));
        EXPECT_EQ(row.findChild<CheckBox*>() != nullptr, checkable);
        EXPECT_EQ(row.findChild<Label*>(QStringLiteral("reason"))->contentsMargins().left(), checkable ? 29 : 0);
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
    EXPECT_EQ(FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff  ·  December 5, 2025"));
    finding.record.setModified(std::nullopt);
    EXPECT_EQ(FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff"));
}

TEST_F(FileRowTest, DetailsOpenAndCloseAndKeepTheirSizeAtAnyTextScale) {
    Finding finding = testing::syntheticFinding(FindingCategory::duplicates, "/h/a.txt", 1);
    finding.detail = "same bytes as /h/b.txt";
    setCurrentTextScale(1.4);
    FileRow row(finding, true, true);
    layOut(row);
    auto* details = row.findChild<LinkButton*>(QStringLiteral("detailsButton"));
    auto* detail = row.findChild<Label*>(QStringLiteral("detail"));
    ASSERT_TRUE(details && detail);
    EXPECT_FALSE(detail->isVisibleTo(&row));
    QTest::mouseClick(details, Qt::LeftButton);
    EXPECT_TRUE(row.detailsShown());
    EXPECT_TRUE(detail->isVisibleTo(&row));
    EXPECT_EQ(details->text(), QStringLiteral("Hide Details"));
    EXPECT_DOUBLE_EQ(detail->font().pointSizeF(), pointsForPixels(10));
    EXPECT_DOUBLE_EQ(row.findChild<Label*>(QStringLiteral("reason"))->font().pointSizeF(),
                     pointsForPixels(11 * 1.4));
    QTest::mouseClick(details, Qt::LeftButton);
    EXPECT_FALSE(detail->isVisibleTo(&row));
}

}  // namespace
}  // namespace ordane::retro
