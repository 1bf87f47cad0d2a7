#pragma once

#include <QString>
#include <unordered_map>
#include <vector>

#include "Ordane/Screens/KeyedWidgets.hpp"
#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Model/DuplicateGroup.hpp"
#include "OrdaneCore/Model/Finding.hpp"

class QVBoxLayout;

namespace ordane {

namespace retro {
class BevelButton;
class CheckBox;
}  // namespace retro

// The exact duplicate groups of the analysis, a page at a time, each with a box to check for every
// extra copy (checking only approves the copy for the Trash), then the groups that only share a
// name, for reading. Group boxes are built only for the visible groups and kept by group id.
class DuplicateReviewScreen : public Screen {
    Q_OBJECT
public:
    static constexpr int pageStep = 50;

    explicit DuplicateReviewScreen(AppState& state, QWidget* parent = nullptr);
    int visibleGroups() const { return visibleGroups_; }
    // The findings of every copy but the kept one, group after group; members without one are left out.
    std::vector<Finding> extraCopyFindings() const;
    void setAllExtraCopies(bool checked);
    void showMoreGroups();

    // A member's place: its folder below home, a slash and its name; the name alone in home itself.
    static QString memberPath(const FileRecord& record);

protected:
    void refresh() override;

private:
    class ExactGroupBox;

    const Finding* findingOf(const DuplicateGroup& group, const FileRecord& member) const;
    void reindex();
    void rebuildNameGroups();
    void refreshGroups();
    void refreshFooter();

    int visibleGroups_ = pageStep;
    bool analysisDirty_ = true;
    // Positions in the analysis's findings by group id, in stored order.
    std::unordered_map<UUID, std::vector<size_t>> findingsByGroup_;

    QWidget* list_;
    QVBoxLayout* listColumn_;
    QWidget* moreRow_;
    retro::BevelButton* more_;
    QWidget* nameSections_;
    retro::BevelButton* checkAll_;
    retro::BevelButton* uncheckAll_;
    KeyedWidgets<ExactGroupBox> boxes_;
};

}  // namespace ordane
