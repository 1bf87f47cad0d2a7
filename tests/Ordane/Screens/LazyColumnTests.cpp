#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "Ordane/Screens/LazyColumn.hpp"

namespace ordane::testing {
namespace {

// Rows of wrapped text, all of one shape; every third is far taller than the first row measured,
// so the estimates of rows not yet built are wrong and placing corrects them.
class TextColumn : public LazyColumn {
public:
    explicit TextColumn(size_t count) {
        for (size_t i = 0; i < count; ++i) {
            ids_.push_back(UUID::random());
            texts_.push_back(QString("row %1 ").arg(i).repeated(i % 3 == 1 ? 40 : 2));
        }
        reload();
    }

protected:
    size_t itemCount() const override { return ids_.size(); }
    UUID itemID(size_t i) const override { return ids_[i]; }
    size_t shapeOf(size_t) const override { return 0; }
    bool rowShows(size_t, const QWidget&) const override { return true; }
    QWidget* makeRow(size_t i) override {
        auto* row = new QLabel(texts_[i], this);
        row->setWordWrap(true);
        return row;
    }

private:
    std::vector<UUID> ids_;
    std::vector<QString> texts_;
};

TEST(LazyColumn, HeightAtAnotherWidthIsTheSameEachTimeItIsAsked) {
    TextColumn column(60);
    column.resize(400, column.heightForWidth(400));
    const int first = column.heightForWidth(200);
    EXPECT_EQ(column.heightForWidth(200), first);
}

TEST(LazyColumn, EveryRowInSightSitsAtItsOwnTopAfterTheEstimatesAreCorrected) {
    QScrollArea view;
    view.setWidgetResizable(true);
    auto* column = new TextColumn(120);
    view.setWidget(column);
    view.resize(420, 300);
    view.show();
    QCoreApplication::processEvents();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QCoreApplication::processEvents();
    ASSERT_FALSE(column->rows().empty());
    for (const auto& [id, row] : column->rows()) {
        const int top = row->geometry().top();
        bool atARowTop = false;
        for (size_t i = 0; i < 120 && !atARowTop; ++i) atARowTop = column->rowTop(i) == top;
        EXPECT_TRUE(atARowTop) << "a row left at " << top;
        const int bottom = row->geometry().bottom();
        EXPECT_LT(top, -column->y() + view.viewport()->height()) << "a row out of sight kept";
        EXPECT_GT(bottom, -column->y()) << "a row out of sight kept";
    }
}

}  // namespace
}  // namespace ordane::testing
