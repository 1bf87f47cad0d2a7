#pragma once

#include <QWidget>
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "OrdaneCore/Foundation/UUID.hpp"

namespace ordane {

// A column of rows, one per item, in which only the rows in sight of the scroll view holding it
// exist as widgets: rows are built as they scroll into view and deleted as they leave it, so a
// list of thousands costs what a screenful costs. Every row spans the column's width at the height
// it asks for at that width. A row never built is counted at the height of the first row built of
// its shape (items the owner says look alike); once built, its own height counts.
class LazyColumn : public QWidget {
    Q_OBJECT
public:
    explicit LazyColumn(QWidget* parent = nullptr);

    // After the items changed: rows whose item changed are built again, the rest stay.
    void reload();
    // The rows that exist now, by item id.
    const std::unordered_map<UUID, QWidget*>& rows() const { return rows_; }
    // Rows built for showing since the column was made (tests count them).
    size_t rowsBuilt() const { return rowsBuilt_; }
    // The top of item i's row and the height of the whole column, at the current width.
    int rowTop(size_t i) const { return tops_.at(i); }
    int totalHeight() const { return tops_.empty() ? 0 : tops_.back(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    virtual size_t itemCount() const = 0;
    virtual UUID itemID(size_t i) const = 0;
    // Items of one shape have rows of one height, whatever else they show.
    virtual size_t shapeOf(size_t i) const = 0;
    // Whether `row`, built for an earlier state of the list, still shows item i as it is.
    virtual bool rowShows(size_t i, const QWidget& row) const = 0;
    // A new row for item i, a child of this column.
    virtual QWidget* makeRow(size_t i) = 0;

    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    // Tab from the first or last row in sight goes on into the next row with a control: that row
    // is built first, and the scroll view then brings it into sight. Past either end of the list,
    // the focus goes to the controls around the column.
    bool focusNextPrevChild(bool next) override;
    // The first control outside the column that Tab (next) or Shift+Tab reaches from it, if any.
    QWidget* controlOutside(bool next) const;
    // The holder's resizes change what is in sight; a row's control reached by Tab is brought into it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Measured {
        size_t shape;
        int height;
    };

    // Height of item i's row at the width the heights were measured at.
    int heightOf(size_t i) const;
    int shapeHeight(size_t i) const;
    static int rowHeight(const QWidget& row, int width);
    // Forgets the heights when the width changed; then the tops of every row.
    void measureAt(int width) const;
    void computeTops();
    // Builds, places and deletes rows so that exactly those in sight exist.
    void placeRows();
    // A new row for item i, put in its place in the window's Tab order among the rows `placed` so
    // far and the others that exist.
    QWidget* buildRow(size_t i, const std::unordered_map<UUID, QWidget*>& placed);
    static QWidget* lastTabStop(const QWidget& row);
    // The position of the item with that id, when there is one.
    bool indexOf(const UUID& id, size_t& index) const;
    // The part of the column, in its own coordinates, that its parent shows.
    std::pair<int, int> band() const;

    std::unordered_map<UUID, QWidget*> rows_;
    std::vector<int> tops_;
    int topsWidth_ = -1;  // the width `tops_` were laid out at
    size_t rowsBuilt_ = 0;
    bool placing_ = false;
    QWidget* holder_ = nullptr;
    // Caches, kept for `measuredWidth_` only.
    mutable int measuredWidth_ = -1;
    mutable std::unordered_map<UUID, Measured> measured_;
    mutable std::unordered_map<size_t, int> shapeHeights_;
    mutable int minimumWidth_ = 0;
};

}  // namespace ordane
