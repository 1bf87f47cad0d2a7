#include "Ordane/Screens/OrganizeScreen.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/ListWell.hpp"
#include "Ordane/Screens/Tag.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

using retro::verdana;

constexpr int contentWidth = 760;
constexpr int listHeight = 430;
constexpr int indent = 22;

void addIndented(QBoxLayout* column, QWidget* widget) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(indent, 0, 0, 0);
    row->addWidget(widget);
    row->addStretch(1);
    column->addLayout(row);
}

}  // namespace

// One proposed folder. Its open list, page and typed name belong to the box; what is checked is
// read from the state at every refresh.
class OrganizeScreen::FolderBox : public retro::Panel {
public:
    FolderBox(AppState& state, const ProposedFolder& folder, QWidget* parent)
        : Panel(retro::face, retro::BevelStyle::raised, QMargins(10, 10, 10, 10), QBoxLayout::TopToBottom, parent),
          state_(state), folder_(folder) {
        setObjectName(QStringLiteral("folderBox"));
        box()->setSpacing(6);
        auto* header = new QHBoxLayout;
        header->setSpacing(8);
        check_ = new retro::CheckBox(QString(), this);
        check_->setObjectName(QStringLiteral("folderCheck"));
        check_->setAccessibleName(retro::qtext(folder.displayPath));
        connect(check_, &retro::CheckBox::toggled, this, [this](bool checked) {
            for (const Finding& member : folder_.members) state_.setApproved(member, checked);
            refreshChecks();  // nothing may have changed in the state (a folder without files)
        });
        header->addWidget(check_);
        auto* path = new Label(retro::qtext(folder.displayPath), retro::font(QStringLiteral("Verdana-Bold"), 12),
                               retro::text, Label::Lines::elided, this);
        path->setObjectName(QStringLiteral("folderPath"));
        header->addWidget(path);
        if (folder.isNew) header->addWidget(new Tag(QStringLiteral("NEW"), retro::selection, 5, 2, this));
        partial_ = new Label(QString(), verdana(10), retro::shadow, Label::Lines::one, this);
        partial_->setObjectName(QStringLiteral("checkedCount"));
        header->addWidget(partial_);
        header->addStretch(1);
        auto* count = new Label(retro::counted(int64_t(folder.members.size()), QStringLiteral("item")) +
                                    QStringLiteral(" · ") + retro::sizeText(folder.totalBytes()),
                                verdana(11), retro::shadow, Label::Lines::one, this);
        count->setObjectName(QStringLiteral("folderCount"));
        header->addWidget(count);
        box()->addLayout(header);

        if (folder.isNew) {
            auto* nameRow = new QHBoxLayout;
            nameRow->setContentsMargins(indent, 0, 0, 0);
            nameRow->setSpacing(6);
            nameRow->addWidget(new Label(QStringLiteral("Folder name:"), verdana(11), retro::shadow));
            auto* field = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(4, 4, 4, 4),
                                           QBoxLayout::TopToBottom, this);
            field->setMaximumWidth(240);
            name_ = new QLineEdit(retro::qtext(folder.destination.lastPathComponent()), field);
            name_->setObjectName(QStringLiteral("folderName"));
            name_->setFrame(false);
            name_->setFont(verdana(12));
            // Return, Tab or a click elsewhere: a name typed and left is the name meant.
            connect(name_, &QLineEdit::editingFinished, this, &FolderBox::commitName);
            field->box()->addWidget(name_);
            nameRow->addWidget(field, 1);
            nameRow->addStretch(1);
            box()->addLayout(nameRow);
        }
        auto* rationale = new Label(retro::qtext(folder.rationale), verdana(11), retro::withOpacity(retro::text, 0.8),
                                    Label::Lines::wrapped, this);
        rationale->setContentsMargins(indent, 0, 0, 0);
        box()->addWidget(rationale);
        filesButton_ = new BevelButton(QString(), BevelButton::Kind::plain, std::nullopt, this);
        filesButton_->setObjectName(QStringLiteral("filesButton"));
        connect(filesButton_, &BevelButton::clicked, this, [this] {
            showFiles_ = !showFiles_;
            refreshFiles();
        });
        addIndented(box(), filesButton_);

        files_ = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(2, 2, 2, 2),
                                  QBoxLayout::TopToBottom, this);
        files_->setObjectName(QStringLiteral("fileList"));
        moreRow_ = new QWidget(files_);
        auto* moreLayout = new QHBoxLayout(moreRow_);
        moreLayout->setContentsMargins(8, 8, 8, 8);
        more_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, moreRow_);
        more_->setObjectName(QStringLiteral("showMoreFiles"));
        connect(more_, &BevelButton::clicked, this, [this] {
            visibleCount_ += pageStep;
            refreshFiles();
        });
        moreLayout->addStretch(1);
        moreLayout->addWidget(more_);
        moreLayout->addStretch(1);
        files_->box()->addWidget(moreRow_);
        auto* filesRow = new QHBoxLayout;
        filesRow->setContentsMargins(indent, 0, 0, 0);
        filesRow->addWidget(files_);
        box()->addLayout(filesRow);
        refreshFiles();
    }

    const ProposedFolder& folder() const { return folder_; }
    // Carried over when the folder comes back changed (renamed): the open list and its page.
    void takeViewState(const FolderBox& other) {
        showFiles_ = other.showFiles_;
        visibleCount_ = other.visibleCount_;
        refreshFiles();
    }

    void refreshChecks() {
        int checked = 0;
        for (const Finding& member : folder_.members) checked += state_.isApproved(member);
        const int members = int(folder_.members.size());
        check_->showChecked(members > 0 && checked == members);
        partial_->setVisible(checked >= 1 && checked != members);
        partial_->setTextIfChanged(QString::number(checked) + QStringLiteral(" of ") + QString::number(members) +
                                   QStringLiteral(" checked"));
        for (retro::FileRow* row : rows_) row->showChecked(state_.isApproved(row->finding()));
    }

private:
    void commitName() {
        const std::string typed = name_->text().toStdString();
        if (typed != folder_.destination.lastPathComponent()) state_.renameProposedFolder(folder_.id, typed);
    }

    void refreshFiles() {
        const int members = int(folder_.members.size());
        filesButton_->setTextIfChanged(showFiles_ ? QStringLiteral("Hide the Files")
                                                  : QStringLiteral("Show the Files (") + QString::number(members) +
                                                        QStringLiteral(")"));
        files_->setVisible(showFiles_);
        if (!showFiles_) return;
        const int shown = std::min(members, visibleCount_);
        for (int i = int(rows_.size()); i < shown; ++i) {
            const Finding& member = folder_.members[size_t(i)];
            auto* row = new retro::FileRow(member, true, false, files_);
            connect(row, &retro::FileRow::checkToggled, this,
                    [this, member](bool checked) { state_.setApproved(member, checked); });
            auto* rule = new retro::Panel(retro::light, std::nullopt, QMargins(), QBoxLayout::TopToBottom, files_);
            rule->setFixedHeight(1);
            files_->box()->insertWidget(2 * i, row);
            files_->box()->insertWidget(2 * i + 1, rule);
            row->show();
            rule->show();
            rows_.push_back(row);
        }
        moreRow_->setVisible(shown < members);
        more_->setTextIfChanged(QStringLiteral("Show More (") + QString::number(members - shown) +
                                QStringLiteral(" left)"));
        refreshChecks();
    }

    AppState& state_;
    ProposedFolder folder_;
    bool showFiles_ = false;
    int visibleCount_ = firstPage;
    retro::CheckBox* check_;
    Label* partial_;
    QLineEdit* name_ = nullptr;
    BevelButton* filesButton_;
    retro::Panel* files_;
    QWidget* moreRow_;
    BevelButton* more_;
    std::vector<retro::FileRow*> rows_;
};

QString OrganizeScreen::leftAloneNote(int64_t leftover) {
    return QStringLiteral("I left ") + retro::counted(leftover, QStringLiteral("item")) +
           QStringLiteral(" alone because I could not see a tidy spot for ") +
           (leftover == 1 ? QStringLiteral("it") : QStringLiteral("them")) +
           QStringLiteral(". Leaving things alone is always fine.");
}

OrganizeScreen::OrganizeScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Tidy It All Up"), contentWidth, 10, 0);
    QWidget* content = column->parentWidget();

    addIntro(column, QStringLiteral("Here is a filing plan for the loose files I found. Check the folders you "
                                    "like. I only create a folder when you say yes, and every move can be "
                                    "undone."));
    column->addWidget(new Label(QStringLiteral("Checking a folder means: yes, make this folder if needed and move "
                                               "these files into it. Nothing happens until you confirm the plan."),
                                verdana(11), retro::shadow, Label::Lines::wrapped, content));

    list_ = new QWidget;
    list_->setObjectName(QStringLiteral("list"));
    listColumn_ = new QVBoxLayout(list_);
    listColumn_->setContentsMargins(10, 10, 10, 10);
    listColumn_->setSpacing(12);
    leftAlone_ = new Label(QString(), verdana(11), retro::shadow, Label::Lines::wrapped, list_);
    leftAlone_->setObjectName(QStringLiteral("leftAloneNote"));
    leftAlone_->setContentsMargins(0, 4, 0, 0);
    listColumn_->addWidget(leftAlone_);
    listColumn_->addStretch(1);
    scroll_ = makeListWell(list_, contentWidth, listHeight, content);
    column->addWidget(scroll_);

    tidy_ = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(30, 30, 30, 30),
                             QBoxLayout::TopToBottom, content);
    tidy_->setObjectName(QStringLiteral("tidyText"));
    tidy_->box()->addWidget(new Label(QStringLiteral("Nothing here is loose enough to need a new home. Your folders "
                                                     "look pretty tidy."),
                                      verdana(12), retro::shadow, Label::Lines::wrapped, tidy_));
    column->addWidget(tidy_);

    auto* footer = new QHBoxLayout;
    auto* back = new BevelButton(QStringLiteral("Back"), BevelButton::Kind::plain, 88, content);
    back->setObjectName(QStringLiteral("backButton"));
    connect(back, &BevelButton::clicked, this, [this] { state_.setRoute(std::nullopt); });
    review_ = new BevelButton(QString(), BevelButton::Kind::primary, 120, content);
    review_->setObjectName(QStringLiteral("reviewButton"));
    connect(review_, &BevelButton::clicked, this,
            [this] { state_.setRoute(AppState::Route::of(AppState::Route::Kind::confirm)); });
    footer->addWidget(back);
    footer->addStretch(1);
    footer->addWidget(review_);
    column->addLayout(footer);

    follow({&AppState::analysisChanged, &AppState::approvedForTrashChanged, &AppState::approvedForMoveChanged});
    refreshNow();
}

void OrganizeScreen::refresh() {
    refreshFolders();
    refreshFooter();
}

void OrganizeScreen::refreshFolders() {
    const OrganizationProposal* proposal =
        state_.analysis() && state_.analysis()->organization ? &*state_.analysis()->organization : nullptr;
    const bool any = proposal && !proposal->folders.empty();
    scroll_->setVisible(any);
    tidy_->setVisible(!any);

    static const std::vector<ProposedFolder> none;
    const std::vector<ProposedFolder>& folders = any ? proposal->folders : none;
    // A rename on leaving the name field brings the folder back as a new box; the keyboard focus,
    // already on the box's next control, moves over with it instead of being dropped with the old box.
    const QWidget* focused = QApplication::focusWidget();
    const QString focusedName = focused ? focused->objectName() : QString();
    FolderBox* takesFocus = nullptr;
    boxes_.sync(
        listColumn_, 0, folders.size(), [&](size_t i) { return folders[i].id; },
        [&](size_t i, const FolderBox& box) { return box.folder() == folders[i]; },
        [&](size_t i, FolderBox* old) {
            auto* box = new FolderBox(state_, folders[i], list_);
            if (old) box->takeViewState(*old);  // a renamed folder keeps its open list
            if (old && focused && old->isAncestorOf(focused)) takesFocus = box;
            return box;
        });
    if (takesFocus && !focusedName.isEmpty()) {
        if (auto* same = takesFocus->findChild<QWidget*>(focusedName)) same->setFocus(Qt::OtherFocusReason);
    }
    for (auto& [id, box] : boxes_.byId()) box->refreshChecks();

    const int64_t leftover = any ? proposal->leftoverCount : 0;
    leftAlone_->setVisible(leftover >= 1);
    leftAlone_->setTextIfChanged(leftAloneNote(leftover));
}

void OrganizeScreen::refreshFooter() {
    const int64_t approved = int64_t(state_.approvedForTrash().size() + state_.approvedForMove().size());
    review_->setVisible(approved >= 1);
    review_->setTextIfChanged(QStringLiteral("Review My Plan (") + retro::counted(approved, QStringLiteral("item")) +
                              QStringLiteral(", ") + retro::sizeText(state_.approvedBytes()) + QStringLiteral(")"));
}

}  // namespace ordane
