#pragma once

#include <QString>
#include <unordered_map>
#include <vector>

#include "Ordane/Screens/KeyedWidgets.hpp"
#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Model/ProposedFolder.hpp"

class QVBoxLayout;

namespace ordane {

namespace retro {
class BevelButton;
class ScrollArea;
class Label;
class Panel;
}  // namespace retro

// The filing plan: one box per proposed folder with its place, a check that approves all of its
// files, a name field for a new folder, the reason, and its files on request a page at a time.
// Nothing moves here; "Review My Plan" opens the confirmation. Boxes are kept by folder id, with
// their open list and page, while the screen is shown.
class OrganizeScreen : public Screen {
    Q_OBJECT
public:
    static constexpr int firstPage = 50;
    static constexpr int pageStep = 100;

    explicit OrganizeScreen(AppState& state, QWidget* parent = nullptr);

    static QString leftAloneNote(int64_t leftover);

protected:
    void refresh() override;

private:
    class FolderBox;

    void refreshFolders();
    void refreshFooter();

    QWidget* list_;
    QVBoxLayout* listColumn_;
    retro::ScrollArea* scroll_;
    retro::Label* leftAlone_;
    retro::Panel* tidy_;
    retro::BevelButton* review_;
    KeyedWidgets<FolderBox> boxes_;
};

}  // namespace ordane
