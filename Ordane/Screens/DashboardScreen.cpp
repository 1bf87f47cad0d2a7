#include "Ordane/Screens/DashboardScreen.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/GroupBox.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/ScrollArea.hpp"
#include "Ordane/Retro/TitleBar.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane {

using retro::BevelButton;
using retro::Label;

namespace {

constexpr int contentWidth = 780;
constexpr int cardWidth = 238;
constexpr int cardsPerRow = 3;
constexpr int barPadding = 3;
constexpr int barHeight = 18;
constexpr int minimumSegment = 2;
constexpr std::array<FindingCategory, 8> cardOrder{
    FindingCategory::duplicates,         FindingCategory::downloadsCleanup, FindingCategory::screenshots,
    FindingCategory::screenshotNaming,   FindingCategory::organizeSuggestion, FindingCategory::biggestFiles,
    FindingCategory::oldFiles,           FindingCategory::recreatable};

QString bucketName(TypeBucket bucket) {
    switch (bucket) {
        case TypeBucket::documents: return QStringLiteral("Documents");
        case TypeBucket::photos: return QStringLiteral("Photos & images");
        case TypeBucket::videos: return QStringLiteral("Videos");
        case TypeBucket::audio: return QStringLiteral("Music & audio");
        case TypeBucket::archives: return QStringLiteral("Compressed files");
        case TypeBucket::installers: return QStringLiteral("Installers");
        case TypeBucket::apps: return QStringLiteral("Applications");
        case TypeBucket::folders: return QStringLiteral("Folders");
        case TypeBucket::other: return QStringLiteral("Everything else");
    }
    return QStringLiteral("Everything else");
}

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (item->layout()) clear(item->layout());
        delete item->widget();
        delete item;
    }
}

}  // namespace

// The sunken trough with one coloured rectangle per segment.
class StorageBar : public QWidget {
public:
    explicit StorageBar(QWidget* parent) : QWidget(parent) {
        setFixedHeight(barHeight + 2 * barPadding);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setObjectName(QStringLiteral("storageBar"));
    }
    void setSegments(std::vector<DashboardScreen::Segment> segments, int64_t total) {
        if (segments == segments_ && total == total_) return;
        segments_ = std::move(segments);
        total_ = total;
        update();
    }
    QRect inside() const { return rect().adjusted(barPadding, barPadding, -barPadding, -barPadding); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), retro::window);
        painter.setClipRect(inside());
        const auto rects = DashboardScreen::segmentRects(segments_, total_, inside());
        for (size_t i = 0; i < rects.size(); ++i) {
            painter.fillRect(rects[i], DashboardScreen::bucketColour(segments_[i].bucket));
        }
        painter.setClipping(false);
        retro::paintBevel(painter, rect(), retro::BevelStyle::sunkenWell);
    }

private:
    std::vector<DashboardScreen::Segment> segments_;
    int64_t total_ = 0;
};

namespace {

// A 10 px swatch outlined in black.
class Swatch : public QWidget {
public:
    Swatch(const QColor& colour, QWidget* parent) : QWidget(parent), colour_(colour) { setFixedSize(10, 10); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), retro::text);
        painter.fillRect(rect().adjusted(1, 1, -1, -1), colour_);
    }

private:
    QColor colour_;
};

QWidget* makeCard(FindingCategory category, const AnalysisResult::CategoryTotals& totals, std::function<void()> open,
                  QWidget* parent) {
    auto* card = new retro::Panel(retro::face, retro::BevelStyle::raised, QMargins(0, 0, 0, 0), QBoxLayout::TopToBottom,
                                  parent);
    card->setObjectName(QStringLiteral("card"));
    card->setBevelOverContent(true);
    card->box()->setSpacing(8);
    card->box()->addWidget(new retro::TitleBar(retro::qtext(title(category)), true, card));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 8);
    body->setSpacing(6);
    auto* count = new Label(retro::counted(totals.count, QStringLiteral("item")) + QStringLiteral(" · ") +
                                retro::sizeText(totals.bytes),
                            retro::font(QStringLiteral("Verdana-Bold"), 12), retro::text, Label::Lines::wrapped, card);
    count->setObjectName(QStringLiteral("cardTotals"));
    body->addWidget(count);
    auto* blurb = new Label(DashboardScreen::categoryBlurb(category), retro::font(QStringLiteral("Verdana"), 11),
                            retro::withOpacity(retro::text, 0.8), Label::Lines::wrapped, card);
    blurb->setLineSpacing(2);
    body->addWidget(blurb);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* look = new BevelButton(QStringLiteral("Have a Look"), BevelButton::Kind::plain, std::nullopt, card);
    QObject::connect(look, &BevelButton::clicked, card, std::move(open));
    row->addWidget(look);
    body->addLayout(row);
    card->box()->addLayout(body);
    card->box()->addStretch(1);
    // Wider only when large text would not fit a button in it.
    card->setFixedWidth(std::max(cardWidth, card->minimumSizeHint().width()));
    return card;
}

}  // namespace

QColor DashboardScreen::bucketColour(TypeBucket bucket) {
    switch (bucket) {
        case TypeBucket::documents: return {0, 0, 128};
        case TypeBucket::photos: return {0, 128, 128};
        case TypeBucket::videos: return {128, 0, 128};
        case TypeBucket::audio: return {0, 128, 0};
        case TypeBucket::archives: return {128, 128, 0};
        case TypeBucket::installers: return {128, 0, 0};
        case TypeBucket::apps: return {64, 64, 64};
        case TypeBucket::folders: return {96, 96, 96};
        case TypeBucket::other: return {154, 154, 154};
    }
    return retro::shadow;
}

QString DashboardScreen::bucketLabel(TypeBucket bucket, int64_t bytes) {
    return bucketName(bucket) + QStringLiteral(": ") + retro::sizeText(bytes);
}

QString DashboardScreen::categoryBlurb(FindingCategory category) {
    switch (category) {
        case FindingCategory::biggestFiles:
            return QStringLiteral("The biggest single files I found. Big isn't bad, just worth knowing about.");
        case FindingCategory::downloadsCleanup:
            return QStringLiteral("Installers and zip files in Downloads. Once you've used them, you usually don't "
                                  "need them.");
        case FindingCategory::duplicates:
            return QStringLiteral("Files that exist in more than one place. Exact copies, checked by content. One copy "
                                  "always stays.");
        case FindingCategory::oldFiles:
            return QStringLiteral("Files that haven't changed in over two years. Old doesn't mean useless.");
        case FindingCategory::screenshots:
            return QStringLiteral("Screenshots pile up. Old ones are usually one-and-done.");
        case FindingCategory::screenshotNaming:
            return QStringLiteral("I read the text in these screenshots and can give them names you can actually "
                                  "search for. Renaming changes nothing else.");
        case FindingCategory::organizeSuggestion:
            return QStringLiteral("I can set up folders and tuck your loose files into them. You approve every folder "
                                  "first, and moving is not deleting.");
        case FindingCategory::recreatable:
            return QStringLiteral("Folders that programming tools can rebuild. Leave them alone unless you know the "
                                  "project.");
    }
    return {};
}

std::vector<std::pair<FindingCategory, AnalysisResult::CategoryTotals>> DashboardScreen::categoryCards(
    const AppState& state) {
    std::vector<std::pair<FindingCategory, AnalysisResult::CategoryTotals>> cards;
    if (!state.analysis()) return cards;
    for (FindingCategory category : cardOrder) {
        const auto totals = state.analysis()->categoryTotals(category);
        if (totals.count > 0) cards.emplace_back(category, totals);
    }
    return cards;
}

std::vector<DashboardScreen::ClosedFolder> DashboardScreen::privacyFolders(const AppState& state) {
    std::vector<ClosedFolder> result;
    if (!state.summary()) return result;
    std::unordered_set<std::string> roots;
    for (const URL& root : state.scanRoots()) roots.insert(platform::path::standardized(root.path()));
    for (const ScanIssue& issue : state.summary()->issues) {
        if (issue.kind != ScanIssue::Kind::permissionDenied && issue.kind != ScanIssue::Kind::unreadable) continue;
        const std::string path = URL::fileURL(issue.path).standardized().path();
        if (!roots.contains(path)) continue;
        result.push_back({retro::qtext(path), retro::qtext(platform::path::lastComponent(path))});
    }
    return result;
}

std::vector<DashboardScreen::Segment> DashboardScreen::storageSegments(const std::map<TypeBucket, CategoryStat>& byType) {
    std::vector<Segment> segments;
    for (TypeBucket bucket : allCases<TypeBucket>()) {
        auto found = byType.find(bucket);
        if (found == byType.end() || found->second.bytes < 1) continue;
        segments.push_back({bucket, found->second.count, found->second.bytes});
    }
    std::stable_sort(segments.begin(), segments.end(),
                     [](const Segment& a, const Segment& b) { return a.bytes > b.bytes; });
    return segments;
}

std::vector<QRect> DashboardScreen::segmentRects(const std::vector<Segment>& segments, int64_t total,
                                                 const QRect& inside) {
    std::vector<QRect> rects;
    if (segments.empty()) return rects;
    // The gaps come out of the width first; the rest is shared by size, each segment at least 2 px.
    const int shared = std::max(inside.width() - (int(segments.size()) - 1), 0);
    const double whole = double(std::max<int64_t>(total, 1));
    std::vector<int> widths;
    int used = 0;
    for (const Segment& segment : segments) {
        widths.push_back(std::max(int(std::lround(double(shared) * double(segment.bytes) / whole)), minimumSegment));
        used += widths.back();
    }
    // What the 2 px minimums and rounding add is taken back from the widest segments.
    for (int excess = used - shared; excess > 0;) {
        auto widest = std::max_element(widths.begin(), widths.end());
        const int taken = std::min(excess, *widest - minimumSegment);
        if (taken <= 0) break;
        *widest -= taken;
        excess -= taken;
    }
    int x = inside.left();
    for (int width : widths) {
        rects.push_back(QRect(x, inside.top(), width, inside.height()).intersected(inside));
        x += width + 1;
    }
    return rects;
}

DashboardScreen::DashboardScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    auto* window = new retro::RetroWindow(QStringLiteral("Velmora Ordane"), this);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 10, 0, 0);
    column->setSpacing(16);

    auto* headline = new QVBoxLayout;
    headline->setSpacing(4);
    auto* privacy = new retro::Panel(retro::light, retro::BevelStyle::etched, QMargins(10, 10, 10, 10),
                                     QBoxLayout::TopToBottom, content);
    privacy->setObjectName(QStringLiteral("privacyNotice"));
    privacy->box()->setSpacing(6);
    privacyTitle_ = new Label(QString(), retro::font(QStringLiteral("Verdana-Bold"), 12), retro::text,
                              Label::Lines::wrapped, privacy);
    privacyTitle_->setObjectName(QStringLiteral("privacyTitle"));
    privacyBody_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 11), retro::text, Label::Lines::wrapped,
                             privacy);
    privacyBody_->setObjectName(QStringLiteral("privacyBody"));
    auto* showFolder = new BevelButton(QStringLiteral("Show Folder"), BevelButton::Kind::plain, std::nullopt, privacy);
    connect(showFolder, &BevelButton::clicked, this, [this] {
        if (!privacyPaths_.isEmpty()) DesktopServices::current().reveal(privacyPaths_.front());
    });
    privacy->box()->addWidget(privacyTitle_);
    privacy->box()->addWidget(privacyBody_);
    privacy->box()->addWidget(showFolder, 0, Qt::AlignLeft);
    privacy_ = new QWidget(content);
    auto* privacyHolder = new QVBoxLayout(privacy_);
    privacyHolder->setContentsMargins(0, 0, 0, 6);
    privacyHolder->addWidget(privacy);
    headline->addWidget(privacy_);
    looked_ = new Label(QString(), retro::font(QStringLiteral("Verdana-Bold"), 16), retro::text, Label::Lines::wrapped,
                        content);
    looked_->setObjectName(QStringLiteral("lookedAt"));
    clutter_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 12), retro::text, Label::Lines::wrapped,
                         content);
    clutter_->setObjectName(QStringLiteral("clutter"));
    issues_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::wrapped,
                        content);
    issues_->setObjectName(QStringLiteral("issues"));
    headline->addWidget(looked_);
    headline->addWidget(clutter_);
    headline->addWidget(issues_);
    column->addLayout(headline);

    storage_ = new retro::GroupBox(QStringLiteral("What's using the space"), content);
    storage_->setObjectName(QStringLiteral("storage"));
    storage_->content()->setSpacing(8);
    bar_ = new StorageBar(storage_);
    storage_->content()->addWidget(bar_);
    legend_ = new QGridLayout;
    legend_->setHorizontalSpacing(14);
    legend_->setVerticalSpacing(4);
    legend_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    storage_->content()->addLayout(legend_);
    column->addWidget(storage_);

    tidy_ = new retro::Panel(retro::window, retro::BevelStyle::sunkenWell, QMargins(30, 30, 30, 30),
                             QBoxLayout::TopToBottom, content);
    tidy_->setObjectName(QStringLiteral("nothingFlagged"));
    auto* tidyText = new Label(QStringLiteral("Nothing worth flagging. Your folders look pretty tidy."),
                               retro::font(QStringLiteral("Verdana"), 13), retro::text, Label::Lines::wrapped, tidy_);
    tidyText->setAlignment(Qt::AlignCenter);
    tidy_->box()->addWidget(tidyText);
    column->addWidget(tidy_);
    cards_ = new QWidget(content);
    cards_->setObjectName(QStringLiteral("cards"));
    auto* cardRows = new QVBoxLayout(cards_);
    cardRows->setContentsMargins(0, 0, 0, 0);
    cardRows->setSpacing(12);
    column->addWidget(cards_);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(0, 4, 0, 0);
    auto* startOver = new BevelButton(QStringLiteral("Start Over"), BevelButton::Kind::plain, 88, content);
    connect(startOver, &BevelButton::clicked, this, [this] { state_.setStage(AppState::Stage::welcome); });
    auto* activity = new BevelButton(QStringLiteral("Activity"), BevelButton::Kind::plain, 88, content);
    connect(activity, &BevelButton::clicked, this,
            [this] { state_.setRoute(AppState::Route::of(AppState::Route::Kind::activity)); });
    review_ = new BevelButton(QString(), BevelButton::Kind::primary, 120, content);
    review_->setObjectName(QStringLiteral("reviewButton"));
    connect(review_, &BevelButton::clicked, this,
            [this] { state_.setRoute(AppState::Route::of(AppState::Route::Kind::confirm)); });
    hint_ = new Label(QStringLiteral("Check boxes on the cards' lists, then review your plan here."),
                      retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::wrapped, content);
    hint_->setObjectName(QStringLiteral("reviewHint"));
    footer->addWidget(startOver);
    footer->addWidget(activity);
    footer->addStretch(1);
    footer->addWidget(review_);
    footer->addWidget(hint_);
    column->addLayout(footer);

    // One card per category at most: the snapshot can show the whole dashboard, footer included.
    auto* scroll = new retro::ScrollArea(content, 560, std::nullopt, retro::face, window,
                                         retro::ScrollArea::InSnapshots::whole);
    window->content()->addWidget(scroll);
    setRetroWindow(window);
    keepWidth(scroll, contentWidth, scroll);
    // Approvals only change the footer; the rest is rebuilt when the results or the roots change.
    for (auto change : {&AppState::summaryChanged, &AppState::analysisChanged, &AppState::scanSettingsChanged}) {
        connect(&state_, change, this, [this] { contentDirty_ = true; });
    }
    follow({&AppState::summaryChanged, &AppState::analysisChanged, &AppState::scanSettingsChanged,
            &AppState::approvedForTrashChanged, &AppState::approvedForMoveChanged});
    refreshNow();
}

void DashboardScreen::refresh() {
    if (contentDirty_) {
        contentDirty_ = false;
        refreshHeadline();
        refreshStorage();
        refreshCards();
    }
    refreshFooter();
}

void DashboardScreen::refreshHeadline() {
    const auto closed = privacyFolders(state_);
    privacy_->setVisible(!closed.empty());
    privacyPaths_.clear();
    QStringList names;
    for (const ClosedFolder& folder : closed) {
        privacyPaths_ << folder.path;
        names << folder.name;
    }
    if (!closed.empty()) {
        const bool one = closed.size() == 1;
        privacyTitle_->setTextIfChanged(QStringLiteral("Your computer didn't let me look in: ") +
                                        names.join(QStringLiteral(", ")) + QStringLiteral("."));
        privacyBody_->setTextIfChanged(
            QStringLiteral("That's a permission setting, and it's yours to change. If you'd like me to see ") +
            (one ? QStringLiteral("that folder") : QStringLiteral("those folders")) +
            QStringLiteral(", give your account read access to ") + (one ? QStringLiteral("it") : QStringLiteral("them")) +
            QStringLiteral(", then scan again."));
    }

    const auto& summary = state_.summary();
    looked_->setVisible(summary.has_value());
    const int64_t removable = state_.analysis() ? state_.analysis()->removableBytes() : 0;
    clutter_->setVisible(summary && state_.analysis() && removable >= 1);
    issues_->setVisible(summary && !summary->issues.empty());
    if (!summary) return;
    looked_->setTextIfChanged(QStringLiteral("I looked at ") + retro::counted(summary->totalFiles, QStringLiteral("item")) +
                              QStringLiteral(" using ") + retro::sizeText(summary->totalBytes) + QStringLiteral("."));
    if (removable >= 1) {
        clutter_->setTextIfChanged(QStringLiteral("About ") + retro::sizeText(removable) +
                                   QStringLiteral(" of that looks like clutter. Nothing goes anywhere until you say so."));
    }
    const auto issues = int64_t(summary->issues.size());
    if (issues > 0) {
        const bool one = issues == 1;
        issues_->setTextIfChanged(retro::counted(issues, QStringLiteral("item")) + QStringLiteral(" couldn't be read and ") +
                                  (one ? QStringLiteral("was") : QStringLiteral("were")) +
                                  QStringLiteral(" skipped. That's fine, I just left ") +
                                  (one ? QStringLiteral("it") : QStringLiteral("them")) + QStringLiteral(" alone."));
    }
}

void DashboardScreen::refreshStorage() {
    const auto& summary = state_.summary();
    storage_->setVisible(summary.has_value());
    if (!summary) return;
    auto segments = storageSegments(summary->byType);
    clear(legend_);
    for (size_t i = 0; i < segments.size(); ++i) {
        auto* entry = new QWidget(storage_);
        entry->setObjectName(QStringLiteral("legendEntry"));
        auto* row = new QHBoxLayout(entry);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(6);
        row->addWidget(new Swatch(bucketColour(segments[i].bucket), entry));
        row->addWidget(new Label(bucketLabel(segments[i].bucket, segments[i].bytes),
                                 retro::font(QStringLiteral("Verdana"), 11), retro::text, Label::Lines::one, entry));
        legend_->addWidget(entry, int(i) / cardsPerRow, int(i) % cardsPerRow, Qt::AlignLeft);
    }
    bar_->setSegments(std::move(segments), summary->totalBytes);
}

void DashboardScreen::refreshCards() {
    const auto cards = categoryCards(state_);
    tidy_->setVisible(cards.empty());
    cards_->setVisible(!cards.empty());
    auto* rows = static_cast<QVBoxLayout*>(cards_->layout());
    clear(rows);
    QHBoxLayout* row = nullptr;
    for (size_t i = 0; i < cards.size(); ++i) {
        if (i % cardsPerRow == 0) {
            row = new QHBoxLayout;
            row->setSpacing(12);
            row->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            rows->addLayout(row);
        }
        const FindingCategory category = cards[i].first;
        auto open = [this, category] {
            using Kind = AppState::Route::Kind;
            if (category == FindingCategory::duplicates) {
                state_.setRoute(AppState::Route::of(Kind::duplicates));
            } else if (category == FindingCategory::organizeSuggestion) {
                state_.setRoute(AppState::Route::of(Kind::organize));
            } else {
                state_.setRoute(AppState::Route::ofCategory(category));
            }
        };
        row->addWidget(makeCard(category, cards[i].second, open, cards_), 0, Qt::AlignTop);
    }
}

void DashboardScreen::refreshFooter() {
    const auto count = int64_t(state_.approvedForTrash().size() + state_.approvedForMove().size());
    review_->setVisible(count >= 1);
    hint_->setVisible(count < 1);
    review_->setTextIfChanged(QStringLiteral("Review My Plan (") + retro::counted(count, QStringLiteral("item")) +
                              QStringLiteral(")"));
}

}  // namespace ordane
