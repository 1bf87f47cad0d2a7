#pragma once

#include <QString>
#include <QStringList>
#include <unordered_map>
#include <vector>

#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Model/Finding.hpp"

class QLineEdit;
class QVBoxLayout;

namespace ordane {

namespace retro {
class BevelButton;
class FileRow;
class Label;
class ScrollArea;
}  // namespace retro

// The findings of one category as file rows with check boxes, a filter by name once the list is
// long, pages of rows that grow on request, and buttons that check the safe ones or clear them all.
// Rows are built only for the visible count and kept by finding id across refreshes.
class CategoryScreen : public Screen {
    Q_OBJECT
public:
    static constexpr int firstPage = 100;
    static constexpr int pageStep = 200;
    static constexpr int filterThreshold = 16;

    CategoryScreen(AppState& state, FindingCategory category, QWidget* parent = nullptr);
    FindingCategory category() const { return category_; }
    int visibleCount() const { return visibleCount_; }
    // The rows built, in list order.
    std::vector<retro::FileRow*> rows() const;

    static QString secondLine(FindingCategory category);
    // Findings whose file name holds the query (spaces and tabs trimmed off), ignoring case.
    static std::vector<size_t> matching(const QStringList& names, const QString& searchText);

protected:
    void refresh() override;

private:
    void reloadFindings();
    void refreshList();
    void refreshChecks();
    void showMore();
    void checkAllSafe();
    void uncheckAll();

    FindingCategory category_;
    int visibleCount_ = firstPage;
    QString searchText_;
    std::vector<Finding> findings_;
    QStringList names_;
    bool findingsDirty_ = true;

    QWidget* filterBar_;
    QLineEdit* search_;
    retro::Label* matchCount_;
    QWidget* list_;
    QVBoxLayout* listColumn_;
    retro::ScrollArea* scroll_;
    QWidget* moreRow_;
    retro::BevelButton* more_;
    retro::BevelButton* checkSafe_;
    retro::BevelButton* uncheck_;
    // The shown rows in pages of their own, so a new page leaves the layout of the others alone.
    struct Page {
        QWidget* widget;
        QVBoxLayout* column;
        std::vector<UUID> ids;
    };
    std::vector<Page> pages_;
    std::unordered_map<UUID, QWidget*> holders_;
    std::unordered_map<UUID, retro::FileRow*> rowsById_;
    std::vector<UUID> shownOrder_;
};

}  // namespace ordane
