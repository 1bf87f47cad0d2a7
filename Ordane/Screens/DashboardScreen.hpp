#pragma once

#include <QColor>
#include <QRect>
#include <QStringList>
#include <utility>
#include <vector>

#include "Ordane/Screens/Screen.hpp"
#include "OrdaneCore/Analysis/AnalysisResult.hpp"
#include "OrdaneCore/Scan/ScanEvent.hpp"

class QGridLayout;

namespace ordane {

namespace retro {
class BevelButton;
class GroupBox;
class Label;
class Panel;
}  // namespace retro

// The home of a finished scan: how much was looked at and how much looks like clutter, the scan
// roots the system kept closed, a bar of what kinds of files take the space, one card per category
// with findings, and the way back, to the activity list and to the plan.
class DashboardScreen : public Screen {
    Q_OBJECT
public:
    struct Segment {
        TypeBucket bucket = TypeBucket::other;
        int64_t count = 0;
        int64_t bytes = 0;
        bool operator==(const Segment&) const = default;
    };
    struct ClosedFolder {
        QString path;
        QString name;
        bool operator==(const ClosedFolder&) const = default;
    };

    // The categories with findings, in the cards' fixed order, with their counts and sizes.
    static std::vector<std::pair<FindingCategory, AnalysisResult::CategoryTotals>> categoryCards(const AppState& state);
    // Whole scan roots the walk was not allowed to open, in issue order.
    static std::vector<ClosedFolder> privacyFolders(const AppState& state);
    // Buckets with at least one byte, largest first; equal sizes keep the buckets' order.
    static std::vector<Segment> storageSegments(const std::map<TypeBucket, CategoryStat>& byType);
    // The segments' rectangles in a trough whose inside is `inside`: the width left after the
    // one-pixel gaps is shared out, every segment is at least 2 px, and nothing leaves the trough.
    static std::vector<QRect> segmentRects(const std::vector<Segment>& segments, int64_t total, const QRect& inside);
    static QColor bucketColour(TypeBucket bucket);
    static QString bucketLabel(TypeBucket bucket, int64_t bytes);
    static QString categoryBlurb(FindingCategory category);

    explicit DashboardScreen(AppState& state, QWidget* parent = nullptr);

protected:
    void refresh() override;

private:
    void refreshHeadline();
    void refreshStorage();
    void refreshCards();
    void refreshFooter();

    QWidget* privacy_;
    retro::Label* privacyTitle_;
    retro::Label* privacyBody_;
    QStringList privacyPaths_;
    retro::Label* looked_;
    retro::Label* clutter_;
    retro::Label* issues_;
    retro::GroupBox* storage_;
    class StorageBar* bar_;
    QGridLayout* legend_;
    QWidget* cards_;
    retro::Panel* tidy_;
    bool contentDirty_ = true;
    retro::BevelButton* review_;
    retro::Label* hint_;
};

}  // namespace ordane
