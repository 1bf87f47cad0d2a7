#include "Ordane/Screens/DuplicateReviewScreen.hpp"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>
#include <array>
#include <optional>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/ListWell.hpp"
#include "Ordane/Screens/HomePath.hpp"
#include "Ordane/Screens/Tag.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

using retro::bold;
using retro::verdana;

constexpr int contentWidth = 720;
constexpr int listHeight = 440;
const QColor tagGreen{0, 128, 0};

struct NameSection {
    DuplicateKind kind;
    const char* title;
    const char* blurb;
};

constexpr std::array<NameSection, 3> nameSections{{
    {DuplicateKind::recurringSeries, "Regulars, like monthly statements",
     "These are the same kind of document arriving on a schedule. Each one covers a different date, so they're all "
     "worth keeping. Nothing to do here."},
    {DuplicateKind::versionSeries, "Versions of the same document",
     "These read like versions of one document. I compared what's inside, not just the names. They're just here for "
     "you to look at. I never suggest removing versions on my own."},
    {DuplicateKind::similarName, "Similar names, different contents",
     "These files have related names, like \"copy\" or \"final\", but what's inside is different, so I won't guess. "
     "Take a look yourself before removing anything."},
}};

QString fileName(const FileRecord& record) { return retro::qtext(record.url().lastPathComponent()); }

BevelButton* revealButton(const FileRecord& record, QWidget* parent) {
    auto* button = new BevelButton(QStringLiteral("Show in Folder"), BevelButton::Kind::plain, std::nullopt, parent);
    const QString path = retro::qtext(record.path());
    QObject::connect(button, &BevelButton::clicked, button, [path] { DesktopServices::current().reveal(path); });
    return button;
}

Label* reasonLabel(const std::string& reason, QWidget* parent) {
    return new Label(retro::qtext(reason), verdana(11), retro::withOpacity(retro::text, 0.8), Label::Lines::wrapped,
                     parent);
}

// One group whose members only share a name; for reading, never for approving.
QWidget* nameGroupBox(const DuplicateGroup& group, QWidget* parent) {
    auto* box = new retro::Panel(retro::light, retro::BevelStyle::etched, QMargins(8, 8, 8, 8),
                                 QBoxLayout::TopToBottom, parent);
    box->setObjectName(QStringLiteral("nameGroup"));
    box->box()->setSpacing(4);
    for (size_t i = 0; i < group.members().size(); ++i) {
        const FileRecord& member = group.members()[i];
        auto* row = new QHBoxLayout;
        if (group.kind() == DuplicateKind::versionSeries && int64_t(i) == group.keepIndex()) {
            row->addWidget(new Tag(QStringLiteral("NEWEST"), tagGreen, 4, 1, box));
        }
        row->addWidget(new Label(fileName(member), verdana(11), retro::text, Label::Lines::elided, box), 1);
        row->addWidget(new Label(retro::sizeText(member.size()), verdana(10), retro::shadow, Label::Lines::one, box));
        row->addWidget(revealButton(member, box));
        box->box()->addLayout(row);
    }
    box->box()->addWidget(reasonLabel(group.keepReason(), box));
    return box;
}

}  // namespace

// One exact group: the kept copy tagged, a box to check for each other copy that has a finding.
class DuplicateReviewScreen::ExactGroupBox : public retro::Panel {
public:
    ExactGroupBox(AppState& state, const DuplicateGroup& group, const std::vector<std::optional<Finding>>& findings,
                  QWidget* parent)
        : Panel(retro::face, retro::BevelStyle::raised, QMargins(10, 10, 10, 10), QBoxLayout::TopToBottom, parent),
          group_(group), findings_(findings) {
        setObjectName(QStringLiteral("exactGroup"));
        box()->setSpacing(6);
        auto* header = new QHBoxLayout;
        header->addWidget(new Label(fileName(group.keeper()), bold(12), retro::text, Label::Lines::elided, this), 1);
        header->addWidget(new Label(QString::number(group.members().size()) + QStringLiteral(" copies · ") +
                                        retro::sizeText(group.reclaimableBytes()) + QStringLiteral(" reclaimable"),
                                    verdana(11), retro::shadow, Label::Lines::one, this));
        box()->addLayout(header);
        for (size_t i = 0; i < group.members().size(); ++i) {
            const FileRecord& member = group.members()[i];
            auto* row = new QHBoxLayout;
            row->setSpacing(8);
            if (int64_t(i) == group.keepIndex()) {
                row->addWidget(new Tag(QStringLiteral("KEEPING THIS ONE"), tagGreen, 5, 2, this));
            } else if (findings_[i]) {
                auto* check = new retro::CheckBox(QString(), this);
                check->setObjectName(QStringLiteral("copyCheck"));
                check->setAccessibleName(fileName(member));
                const Finding finding = *findings_[i];
                connect(check, &retro::CheckBox::toggled, this,
                        [&state, finding](bool checked) { state.setApproved(finding, checked); });
                checks_.emplace_back(check, finding);
                row->addWidget(check);
            }
            auto* path = new Label(memberPath(member), verdana(11), retro::text, Label::Lines::elided, this);
            path->setObjectName(QStringLiteral("memberPath"));
            row->addWidget(path, 1);
            auto* peek = new BevelButton(QStringLiteral("Peek"), BevelButton::Kind::plain, std::nullopt, this);
            const QString memberFile = retro::qtext(member.path());
            connect(peek, &BevelButton::clicked, this, [this, memberFile] {
                previewPath_ = memberFile;
                DesktopServices::current().preview(memberFile, this, [guard = QPointer<QObject>(this), this] {
                    if (guard) previewPath_.reset();
                });
            });
            row->addWidget(peek);
            row->addWidget(revealButton(member, this));
            box()->addLayout(row);
        }
        box()->addWidget(reasonLabel(group.keepReason(), this));
    }

    const DuplicateGroup& group() const { return group_; }
    const std::vector<std::optional<Finding>>& findings() const { return findings_; }
    void refreshChecks(const AppState& state) {
        for (auto& [check, finding] : checks_) check->showChecked(state.isApproved(finding));
    }

private:
    DuplicateGroup group_;
    std::vector<std::optional<Finding>> findings_;
    std::vector<std::pair<retro::CheckBox*, Finding>> checks_;
    std::optional<QString> previewPath_;
};

QString DuplicateReviewScreen::memberPath(const FileRecord& record) {
    const QString folder = homeRelativeFolder(platform::path::parent(record.path()));
    return folder.isEmpty() ? fileName(record) : folder + QLatin1Char('/') + fileName(record);
}

DuplicateReviewScreen::DuplicateReviewScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Duplicates"), contentWidth, 10, 0);
    QWidget* content = column->parentWidget();

    addIntro(column, QStringLiteral("Each group below is the same file in more than one place. I checked what's "
                                    "actually in them, not just the names. Check the copies you want to get rid "
                                    "of. The one marked KEEPING THIS ONE always stays."));

    list_ = new QWidget;
    list_->setObjectName(QStringLiteral("list"));
    listColumn_ = new QVBoxLayout(list_);
    listColumn_->setContentsMargins(10, 10, 10, 10);
    listColumn_->setSpacing(12);
    moreRow_ = new QWidget(list_);
    auto* moreLayout = new QHBoxLayout(moreRow_);
    moreLayout->setContentsMargins(0, 0, 0, 0);
    more_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, moreRow_);
    more_->setObjectName(QStringLiteral("moreButton"));
    connect(more_, &BevelButton::clicked, this, &DuplicateReviewScreen::showMoreGroups);
    moreLayout->addStretch(1);
    moreLayout->addWidget(more_);
    moreLayout->addStretch(1);
    listColumn_->addWidget(moreRow_);
    nameSections_ = new QWidget(list_);
    auto* sectionsColumn = new QVBoxLayout(nameSections_);
    sectionsColumn->setContentsMargins(0, 0, 0, 0);
    sectionsColumn->setSpacing(12);
    listColumn_->addWidget(nameSections_);
    listColumn_->addStretch(1);
    column->addWidget(makeListWell(list_, contentWidth, listHeight, content));

    auto* footer = new QHBoxLayout;
    auto* back = new BevelButton(QStringLiteral("Back"), BevelButton::Kind::plain, 88, content);
    back->setObjectName(QStringLiteral("backButton"));
    connect(back, &BevelButton::clicked, this, [this] { state_.setRoute(std::nullopt); });
    checkAll_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, content);
    checkAll_->setObjectName(QStringLiteral("checkAllButton"));
    connect(checkAll_, &BevelButton::clicked, this, [this] { setAllExtraCopies(true); });
    uncheckAll_ = new BevelButton(QStringLiteral("Uncheck All"), BevelButton::Kind::plain, 88, content);
    uncheckAll_->setObjectName(QStringLiteral("uncheckAllButton"));
    connect(uncheckAll_, &BevelButton::clicked, this, [this] { setAllExtraCopies(false); });
    footer->addWidget(back);
    footer->addStretch(1);
    footer->addWidget(checkAll_);
    footer->addWidget(uncheckAll_);
    column->addLayout(footer);
    column->addWidget(new Label(QStringLiteral("Checked copies go to the Trash only when you confirm the plan. You can "
                                               "always pull them back out."),
                                verdana(11), retro::shadow, Label::Lines::wrapped, content));

    connect(&state_, &AppState::analysisChanged, this, [this] { analysisDirty_ = true; });
    follow({&AppState::analysisChanged, &AppState::approvedForTrashChanged, &AppState::approvedForMoveChanged});
    refreshNow();
}

void DuplicateReviewScreen::reindex() {
    findingsByGroup_.clear();
    if (!state_.analysis()) return;
    const std::vector<Finding>& findings = state_.analysis()->findings;
    for (size_t i = 0; i < findings.size(); ++i) {
        if (findings[i].groupID) findingsByGroup_[*findings[i].groupID].push_back(i);
    }
}

const Finding* DuplicateReviewScreen::findingOf(const DuplicateGroup& group, const FileRecord& member) const {
    auto found = findingsByGroup_.find(group.id());
    if (!state_.analysis() || found == findingsByGroup_.end()) return nullptr;
    for (size_t index : found->second) {
        const Finding& finding = state_.analysis()->findings[index];
        if (finding.record.url() == member.url()) return &finding;
    }
    return nullptr;
}

std::vector<Finding> DuplicateReviewScreen::extraCopyFindings() const {
    std::vector<Finding> result;
    if (!state_.analysis()) return result;
    for (const DuplicateGroup& group : state_.analysis()->exactGroups) {
        for (const FileRecord& member : group.nonKeptMembers()) {
            if (const Finding* finding = findingOf(group, member)) result.push_back(*finding);
        }
    }
    return result;
}

void DuplicateReviewScreen::setAllExtraCopies(bool checked) {
    for (const Finding& finding : extraCopyFindings()) state_.setApproved(finding, checked);
}

void DuplicateReviewScreen::showMoreGroups() {
    visibleGroups_ += pageStep;
    scheduleRefresh();
}

void DuplicateReviewScreen::refresh() {
    if (analysisDirty_) {
        analysisDirty_ = false;
        reindex();
        rebuildNameGroups();
    }
    refreshGroups();
    refreshFooter();
}

void DuplicateReviewScreen::rebuildNameGroups() {
    for (QWidget* old : nameSections_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete old;
    if (!state_.analysis()) return;
    const std::vector<DuplicateGroup>& groups = state_.analysis()->nameGroups;
    for (const NameSection& section : nameSections) {
        auto* holder = new QWidget(nameSections_);
        holder->setObjectName(QStringLiteral("nameSection"));
        auto* column = new QVBoxLayout(holder);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(12);
        auto* title = new Label(QString::fromUtf8(section.title), bold(13), retro::text, Label::Lines::one, holder);
        title->setContentsMargins(0, 6, 0, 0);
        column->addWidget(title);
        column->addWidget(new Label(QString::fromUtf8(section.blurb), verdana(11), retro::shadow,
                                    Label::Lines::wrapped, holder));
        int count = 0;
        for (const DuplicateGroup& group : groups) {
            if (group.kind() != section.kind) continue;
            column->addWidget(nameGroupBox(group, holder));
            ++count;
        }
        if (count == 0) {
            delete holder;
            continue;
        }
        nameSections_->layout()->addWidget(holder);
        holder->show();
    }
}

void DuplicateReviewScreen::refreshGroups() {
    static const std::vector<DuplicateGroup> none;
    const std::vector<DuplicateGroup>& groups = state_.analysis() ? state_.analysis()->exactGroups : none;
    const size_t shown = std::min(groups.size(), size_t(visibleGroups_));

    std::vector<std::vector<std::optional<Finding>>> findings(shown);
    for (size_t i = 0; i < shown; ++i) {
        for (const FileRecord& member : groups[i].members()) {
            const Finding* finding = findingOf(groups[i], member);
            findings[i].push_back(finding ? std::optional<Finding>(*finding) : std::nullopt);
        }
    }
    boxes_.sync(
        listColumn_, 0, shown, [&](size_t i) { return groups[i].id(); },
        [&](size_t i, const ExactGroupBox& box) { return box.group() == groups[i] && box.findings() == findings[i]; },
        [&](size_t i, ExactGroupBox*) { return new ExactGroupBox(state_, groups[i], findings[i], list_); });
    for (auto& [id, box] : boxes_.byId()) box->refreshChecks(state_);

    const size_t left = groups.size() - shown;
    moreRow_->setVisible(left > 0);
    more_->setTextIfChanged(QStringLiteral("Show More Groups (") + QString::number(left) + QStringLiteral(" left)"));
}

void DuplicateReviewScreen::refreshFooter() {
    const size_t extra = extraCopyFindings().size();
    checkAll_->setVisible(extra > 0);
    uncheckAll_->setVisible(extra > 0);
    checkAll_->setTextIfChanged(QStringLiteral("Check All the Extra Copies (") + QString::number(extra) +
                                QStringLiteral(")"));
}

}  // namespace ordane
