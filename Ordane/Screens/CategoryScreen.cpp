#include "Ordane/Screens/CategoryScreen.hpp"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <numeric>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/FileRow.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "Ordane/Screens/DashboardScreen.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

constexpr int contentWidth = 720;
constexpr int listHeight = 420;

QString trimmedQuery(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text[start])) ++start;
    while (end > start && blank(text[end - 1])) --end;
    return text.mid(start, end - start);
}

// One row with the light line under it.
QWidget* holderFor(retro::FileRow* row, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(row);
    auto* line = new retro::Panel(retro::light, std::nullopt, QMargins(), QBoxLayout::TopToBottom, holder);
    line->setFixedHeight(1);
    column->addWidget(line);
    return holder;
}

}  // namespace

QString CategoryScreen::secondLine(FindingCategory category) {
    switch (category) {
        case FindingCategory::screenshotNaming:
            return QStringLiteral("Checking a box means: yes, rename this screenshot. The picture stays exactly where "
                                  "it is, and you can undo it.");
        case FindingCategory::organizeSuggestion:
            return QStringLiteral("Checking a box means: yes, move this file to the suggested spot. Nothing moves until "
                                  "you confirm the plan.");
        case FindingCategory::recreatable:
            return QStringLiteral("These are just here for information. If a folder here matters, ask whoever set the "
                                  "project up.");
        default:
            return QStringLiteral("Checking a box means: yes, put this in the Trash when I confirm the plan. You can "
                                  "always pull things back out of the Trash.");
    }
}

std::vector<size_t> CategoryScreen::matching(const QStringList& names, const QString& searchText) {
    const QString query = trimmedQuery(searchText);
    std::vector<size_t> result;
    result.reserve(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (query.isEmpty() || names[i].contains(query, Qt::CaseInsensitive)) result.push_back(size_t(i));
    }
    return result;
}

CategoryScreen::CategoryScreen(AppState& state, FindingCategory category, QWidget* parent)
    : Screen(state, parent), category_(category) {
    QVBoxLayout* column = makeRetroWindow(retro::qtext(title(category)), contentWidth, 10, 0);
    QWidget* content = column->parentWidget();

    auto* blurb = new Label(DashboardScreen::categoryBlurb(category), retro::font(QStringLiteral("Verdana"), 12),
                            retro::text, Label::Lines::wrapped, content);
    blurb->setContentsMargins(0, 8, 0, 0);
    column->addWidget(blurb);
    column->addWidget(new Label(secondLine(category), retro::font(QStringLiteral("Verdana"), 11), retro::shadow,
                                Label::Lines::wrapped, content));

    filterBar_ = new QWidget(content);
    filterBar_->setObjectName(QStringLiteral("filterBar"));
    auto* filter = new QHBoxLayout(filterBar_);
    filter->setContentsMargins(0, 0, 0, 0);
    filter->setSpacing(8);
    filter->addWidget(new Label(QStringLiteral("Find:"), retro::font(QStringLiteral("Verdana"), 11), retro::text));
    auto* field = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(4, 4, 4, 4),
                                   QBoxLayout::TopToBottom, filterBar_);
    field->setMaximumWidth(260);
    field->setMinimumWidth(200);
    search_ = new QLineEdit(field);
    search_->setObjectName(QStringLiteral("search"));
    search_->setFrame(false);
    search_->setFont(retro::font(QStringLiteral("Verdana"), 12));
    search_->setPlaceholderText(QStringLiteral("type part of a name"));
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        searchText_ = text;
        scheduleRefresh();
    });
    field->box()->addWidget(search_);
    filter->addWidget(field);
    matchCount_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::one,
                            filterBar_);
    matchCount_->setObjectName(QStringLiteral("matchCount"));
    filter->addWidget(matchCount_);
    filter->addStretch(1);
    column->addWidget(filterBar_);

    list_ = new QWidget;
    list_->setObjectName(QStringLiteral("list"));
    listColumn_ = new QVBoxLayout(list_);
    listColumn_->setContentsMargins(0, 0, 0, 0);
    listColumn_->setSpacing(0);
    moreRow_ = new QWidget(list_);
    auto* moreLayout = new QHBoxLayout(moreRow_);
    moreLayout->setContentsMargins(10, 10, 10, 10);
    more_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, moreRow_);
    more_->setObjectName(QStringLiteral("moreButton"));
    connect(more_, &BevelButton::clicked, this, &CategoryScreen::showMore);
    moreLayout->addStretch(1);
    moreLayout->addWidget(more_);
    moreLayout->addStretch(1);
    listColumn_->addWidget(moreRow_);
    listColumn_->addStretch(1);
    scroll_ = new retro::ScrollArea(list_, listHeight, retro::BevelStyle::sunkenWell, retro::window, content);
    column->addWidget(scroll_);

    auto* bottom = new QHBoxLayout;
    auto* back = new BevelButton(QStringLiteral("Back"), BevelButton::Kind::plain, 88, content);
    connect(back, &BevelButton::clicked, this, [this] { state_.setRoute(std::nullopt); });
    checkSafe_ = new BevelButton(QString(), BevelButton::Kind::plain, 88, content);
    checkSafe_->setObjectName(QStringLiteral("checkSafeButton"));
    connect(checkSafe_, &BevelButton::clicked, this, &CategoryScreen::checkAllSafe);
    uncheck_ = new BevelButton(QStringLiteral("Uncheck All"), BevelButton::Kind::plain, 88, content);
    uncheck_->setObjectName(QStringLiteral("uncheckButton"));
    connect(uncheck_, &BevelButton::clicked, this, &CategoryScreen::uncheckAll);
    bottom->addWidget(back);
    bottom->addStretch(1);
    bottom->addWidget(checkSafe_);
    bottom->addWidget(uncheck_);
    column->addLayout(bottom);

    connect(&state_, &AppState::analysisChanged, this, [this] { findingsDirty_ = true; });
    follow({&AppState::analysisChanged, &AppState::approvedForTrashChanged, &AppState::approvedForMoveChanged});
    refreshNow();
}

std::vector<retro::FileRow*> CategoryScreen::rows() const {
    std::vector<retro::FileRow*> result;
    for (const UUID& id : shownOrder_) result.push_back(rowsById_.at(id));
    return result;
}

void CategoryScreen::reloadFindings() {
    findings_ = state_.analysis() ? state_.analysis()->findingsInCategory(category_) : std::vector<Finding>{};
    names_.clear();  // made when a search first needs them: most lists are never searched
}

void CategoryScreen::refresh() {
    if (findingsDirty_) {
        findingsDirty_ = false;
        reloadFindings();
    }
    refreshList();
    refreshChecks();
}

void CategoryScreen::refreshList() {
    filterBar_->setVisible(findings_.size() >= size_t(filterThreshold));
    std::vector<size_t> filtered(findings_.size());
    std::iota(filtered.begin(), filtered.end(), size_t(0));
    if (!trimmedQuery(searchText_).isEmpty()) {
        if (names_.size() != qsizetype(findings_.size())) {
            names_.reserve(qsizetype(findings_.size()));
            for (const Finding& finding : findings_) names_ << retro::qtext(finding.record.url.lastPathComponent());
        }
        filtered = matching(names_, searchText_);
    }
    matchCount_->setVisible(!searchText_.isEmpty());
    matchCount_->setTextIfChanged(retro::counted(int64_t(filtered.size()), QStringLiteral("item")) +
                                  QStringLiteral(" match"));

    const size_t shown = std::min(filtered.size(), size_t(visibleCount_));
    std::vector<UUID> order;
    order.reserve(shown);
    for (size_t i = 0; i < shown; ++i) order.push_back(findings_[filtered[i]].id);
    if (order != shownOrder_) {
        std::unordered_map<UUID, QWidget*> kept;
        for (size_t i = 0; i < shown; ++i) {
            const Finding& finding = findings_[filtered[i]];
            auto found = holders_.find(finding.id);
            if (found != holders_.end()) {
                kept.emplace(finding.id, found->second);
                holders_.erase(found);
                continue;
            }
            auto* row = new retro::FileRow(finding, category_ != FindingCategory::recreatable, true, list_);
            connect(row, &retro::FileRow::checkToggled, this,
                    [this, finding](bool checked) { state_.setApproved(finding, checked); });
            rowsById_[finding.id] = row;
            kept.emplace(finding.id, holderFor(row, list_));
        }
        for (auto& [id, holder] : holders_) {
            rowsById_.erase(id);
            delete holder;
        }
        holders_ = std::move(kept);
        // Shown one by one in a visible list, each new row would lay the whole list out again: the
        // layout waits until all are in. (A held layout does not notice a child deleted.)
        listColumn_->setEnabled(false);
        for (size_t i = 0; i < order.size(); ++i) {
            QWidget* holder = holders_.at(order[i]);
            listColumn_->removeWidget(holder);
            listColumn_->insertWidget(int(i), holder);
            holder->show();
        }
        listColumn_->setEnabled(true);
        listColumn_->invalidate();
        shownOrder_ = std::move(order);
    }

    const size_t left = filtered.size() - shown;
    moreRow_->setVisible(left > 0);
    if (left > 0) {
        more_->setTextIfChanged(QStringLiteral("Show ") + QString::number(std::min(left, size_t(pageStep))) +
                                QStringLiteral(" More (of ") + retro::grouped(int64_t(filtered.size())) +
                                QStringLiteral(")"));
    }

    size_t safe = 0;
    for (const Finding& finding : findings_) safe += finding.recommendation == Recommendation::probablySafeToRemove;
    const bool bulk = category_ != FindingCategory::recreatable && safe > 0;
    checkSafe_->setVisible(bulk);
    uncheck_->setVisible(bulk);
    checkSafe_->setTextIfChanged(QStringLiteral("Check All the Safe Ones (") + QString::number(safe) +
                                 QStringLiteral(")"));
}

void CategoryScreen::refreshChecks() {
    for (const auto& [id, row] : rowsById_) row->showChecked(state_.isApproved(row->finding()));
}

void CategoryScreen::showMore() {
    visibleCount_ += pageStep;
    scheduleRefresh();
}

void CategoryScreen::checkAllSafe() {
    for (const Finding& finding : findings_) {
        if (finding.recommendation == Recommendation::probablySafeToRemove) state_.setApproved(finding, true);
    }
}

void CategoryScreen::uncheckAll() {
    for (const Finding& finding : findings_) state_.setApproved(finding, false);
}

}  // namespace ordane
