#include "Ordane/Screens/CategoryScreen.hpp"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <numeric>
#include <unordered_set>

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

// One row with the light line under it, in a holder on `page`.
QWidget* holderFor(const Finding& finding, bool checkable, QWidget* page, retro::FileRow*& row) {
    auto* holder = new QWidget(page);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    row = new retro::FileRow(finding, checkable, true, holder);
    column->addWidget(row);
    auto* line = new retro::Panel(retro::light, std::nullopt, QMargins(), QBoxLayout::TopToBottom, holder);
    line->setFixedHeight(1);
    column->addWidget(line);
    return holder;
}

// A page's column of rows that keeps its heights for the last few widths asked. Widths alternate
// (with and without the scroll bar), and a plain box layout keeps only one, so each change of
// the list would wrap the text of every row of every page again.
class PageColumn : public QVBoxLayout {
public:
    explicit PageColumn(QWidget* page) : QVBoxLayout(page) {
        setContentsMargins(0, 0, 0, 0);
        setSpacing(0);
    }
    int heightForWidth(int width) const override { return heights(width).height; }
    int minimumHeightForWidth(int width) const override { return heights(width).minimum; }
    void invalidate() override {
        known_.clear();
        QVBoxLayout::invalidate();
    }

private:
    struct Heights {
        int width;
        int height;
        int minimum;
    };
    Heights heights(int width) const {
        for (const Heights& known : known_) {
            if (known.width == width) return known;
        }
        if (known_.size() == 4) known_.erase(known_.begin());
        // The minimum asks for the height again: kept first, so that finds it.
        known_.push_back({width, QVBoxLayout::heightForWidth(width), -1});
        const int minimum = QVBoxLayout::minimumHeightForWidth(width);
        for (Heights& known : known_) {
            if (known.width == width) known.minimum = minimum;
        }
        return {width, known_.back().height, minimum};
    }
    mutable std::vector<Heights> known_;
};

// Where page `page` starts in the list: the first page is shorter than the others.
size_t pageStart(size_t page) {
    return page == 0 ? 0 : size_t(CategoryScreen::firstPage) + (page - 1) * size_t(CategoryScreen::pageStep);
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
            for (const Finding& finding : findings_) names_ << retro::qtext(finding.record.url().lastPathComponent());
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
        std::unordered_set<UUID> wanted(order.begin(), order.end());
        // Deleted before any layout is held: a held layout does not notice a child deleted.
        for (auto it = holders_.begin(); it != holders_.end();) {
            if (wanted.contains(it->first)) {
                ++it;
                continue;
            }
            rowsById_.erase(it->first);
            delete it->second;
            it = holders_.erase(it);
        }
        size_t pageCount = 0;
        while (pageStart(pageCount) < order.size()) ++pageCount;
        // Each page lays out its own rows, so a new page leaves the pages before it as they were.
        for (size_t p = 0; p < pageCount; ++p) {
            if (p == pages_.size()) {
                auto* widget = new QWidget(list_);
                auto* column = new PageColumn(widget);
                listColumn_->insertWidget(int(p), widget);
                pages_.push_back({widget, column, {}});
            }
            Page& page = pages_[p];
            const auto first = order.begin() + ptrdiff_t(pageStart(p));
            std::vector<UUID> ids(first, order.begin() + ptrdiff_t(std::min(order.size(), pageStart(p + 1))));
            if (ids == page.ids) continue;
            // Filled while hidden and shown once: rows shown one by one would each lay the list out again.
            page.widget->hide();
            for (size_t i = 0; i < ids.size(); ++i) {
                const UUID& id = ids[i];
                auto found = holders_.find(id);
                if (found != holders_.end()) {
                    if (found->second->parentWidget() != page.widget) found->second->setParent(page.widget);
                    continue;
                }
                const Finding& finding = findings_[filtered[pageStart(p) + i]];
                retro::FileRow* row = nullptr;
                holders_.emplace(id, holderFor(finding, category_ != FindingCategory::recreatable, page.widget, row));
                connect(row, &retro::FileRow::checkToggled, this,
                        [this, finding](bool checked) { state_.setApproved(finding, checked); });
                rowsById_[id] = row;
            }
            page.column->setEnabled(false);
            for (size_t i = 0; i < ids.size(); ++i) {
                QWidget* holder = holders_.at(ids[i]);
                page.column->removeWidget(holder);
                page.column->insertWidget(int(i), holder);
            }
            page.column->setEnabled(true);
            page.column->invalidate();
            page.ids = std::move(ids);
            if (list_->isVisible()) {
                // Shown at its real width: laid out at a new widget's default width first, the rows
                // would wrap their text twice.
                const int width = list_->contentsRect().width();
                page.widget->setGeometry(page.widget->x(), page.widget->y(), width, page.widget->heightForWidth(width));
            }
            // Held while the page is shown: laid out now, at its old height, the list would squeeze
            // every page before the scroll view makes it taller.
            listColumn_->setEnabled(false);
            page.widget->show();
            listColumn_->setEnabled(true);
            listColumn_->invalidate();
            if (list_->isVisible()) list_->resize(list_->width(), list_->heightForWidth(list_->width()));
        }
        while (pages_.size() > pageCount) {
            delete pages_.back().widget;
            pages_.pop_back();
        }
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
