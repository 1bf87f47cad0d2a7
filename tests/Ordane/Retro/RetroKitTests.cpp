#include <gtest/gtest.h>

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
#include "Ordane/Retro/ScrollArea.hpp"
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

TEST(Bevel, DrawsNothingBelowFourPixelsAndLeavesTheMiddleAlone) {
    for (QSize tooSmall : {QSize(3, 40), QSize(40, 3)}) {
        const QImage image = bevelImage(tooSmall.width(), tooSmall.height(), BevelStyle::raised);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixelColor(x, y), untouched) << x << "," << y;
        }
    }
    const QImage pressed = bevelImage(10, 10, BevelStyle::pressed);
    EXPECT_EQ(pressed.pixelColor(0, 0), darkShadow);
    EXPECT_EQ(pressed.pixelColor(9, 0), light);  // the later edges win at the corners
    EXPECT_EQ(pressed.pixelColor(5, 5), untouched);
}

TEST(Fonts, SizesAreScaledLogicalPixelsExceptFixedOnes) {
    installRetroLook();
    setCurrentTextScale(1.4);
    EXPECT_DOUBLE_EQ(font(QStringLiteral("Verdana"), 12).pointSizeF(), pointsForPixels(16.8));
    EXPECT_EQ(font(QStringLiteral("Menlo-Bold"), 15).weight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(fontAtFixedSize(QStringLiteral("Menlo"), 10).pointSizeF(), pointsForPixels(10));
    setCurrentTextScale(1.0);
}

TEST(ProgressBar, BlocksFollowWidthAndFractionAndTheMarqueeRunsOnlyWhileIndeterminateAndShown) {
    EXPECT_EQ(ProgressBar::blockCount(0), 1);
    EXPECT_EQ(ProgressBar::blockCount(420), 29);
    const std::optional<double> none;
    using Case = std::tuple<std::optional<double>, int, ProgressBar::LitRange>;
    for (const auto& [fraction, phase, lit] :
         std::initializer_list<Case>{{0.5, 0, {0, 15}}, {1.7, 0, {0, 29}}, {-0.2, 0, {0, 0}}, {none, 33, {0, 0}},
                                     {none, 10, {6, 10}}, {none, 31, {27, 29}}}) {
        EXPECT_EQ(ProgressBar::litBlocks(fraction, phase, 29), lit) << fraction.value_or(-1) << " phase " << phase;
    }

    ProgressBar bar;
    bar.setFixedWidth(420);
    EXPECT_FALSE(bar.marqueeRunning());
    bar.show();
    EXPECT_TRUE(bar.marqueeRunning());
    bar.setFraction(0.5);
    EXPECT_FALSE(bar.marqueeRunning());
    EXPECT_EQ(bar.litBlocks(), (ProgressBar::LitRange{0, 15}));
    bar.setFraction(std::nullopt);
    bar.hide();
    EXPECT_FALSE(bar.marqueeRunning());
}

TEST(ScrollArea, CapsItsHeightUnlessTheSnapshotAsksForEverything) {
    for (bool snapshot : {false, true}) {
        testing::ScopedVariable variable("ORDANE_SNAPSHOT_DIR", snapshot ? "/nonexistent" : nullptr);
        auto* content = new QWidget;
        content->setFixedSize(300, 900);
        ScrollArea area(content, 420, std::nullopt, std::nullopt, nullptr, ScrollArea::InSnapshots::whole);
        area.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(area.sizeHint().height(), snapshot ? 900 : 420) << snapshot;
        EXPECT_EQ(area.scrollView() == nullptr, snapshot);

        // Unless asked for the whole, a list scrolls in snapshots as well.
        auto* endless = new QWidget;
        endless->setFixedSize(300, 900);
        ScrollArea scrolled(endless, 420);
        scrolled.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(scrolled.sizeHint().height(), 420) << snapshot;
        EXPECT_NE(scrolled.scrollView(), nullptr) << snapshot;
    }
}

TEST(Controls, CheckBoxFlipsOnClickButNotOnRefresh) {
    CheckBox box(QStringLiteral("Music"));
    QSignalSpy toggled(&box, &CheckBox::toggled);
    box.showChecked(true);
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(toggled.count(), 0);
    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    EXPECT_FALSE(box.isChecked());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(box.accessibleDescription(), QStringLiteral("unchecked"));
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

TEST_F(FileRowTest, ShowsTheFileAsTypedAndPeeksOrReveals) {
    Finding finding = testing::syntheticFinding(FindingCategory::oldFiles, "/h/Tax <b>stuff/<b>2024<i>.pdf", 0);
    const QString path = QStringLiteral("/h/Tax <b>stuff/<b>2024<i>.pdf");
    FileRow row(finding, true, true);
    layOut(row, QStringLiteral("file-row"));
    auto* name = row.findChild<Label*>(QStringLiteral("fileName"));
    EXPECT_EQ(name->text(), QStringLiteral("<b>2024<i>.pdf"));
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    click(withText(row, QStringLiteral("Peek")));
    EXPECT_EQ(row.previewPath(), std::optional(path));
    desktop.closePreview();
    EXPECT_FALSE(row.previewPath().has_value());
    click(withText(row, QStringLiteral("Show in Folder")));
    EXPECT_EQ(desktop.revealed.back(), path);
    EXPECT_FALSE(FileRow(finding, false, true).findChild<CheckBox*>());
    EXPECT_EQ(FileRow::locationLine(finding.record), QStringLiteral("Tax <b>stuff  ·  December 5, 2025"));
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
    EXPECT_DOUBLE_EQ(detail->font().pointSizeF(), pointsForPixels(10));
    QTest::mouseClick(details, Qt::LeftButton);
    EXPECT_FALSE(detail->isVisibleTo(&row));
}

}  // namespace
}  // namespace ordane::retro
