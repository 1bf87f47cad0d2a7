#include "Ordane/Screens/ScreenFixture.hpp"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <sys/time.h>

#include "Ordane/App/TextScale.hpp"
#include "Ordane/Retro/Look.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "OrdaneCore/Analysis/Analyzer.hpp"
#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "OrdaneCore/Scan/UserFolders.hpp"

namespace ordane::testing {

ScreenTest::ScreenTest() {
    retro::installRetroLook();
    setCurrentTextScale(1.0);
    DesktopServices::setCurrent(&desktop);
    for (const char* folder : {"Desktop", "Documents", "Downloads", "Videos", "Music", "Pictures"}) {
        makeDirectories(home / folder);
    }
    AppState::Dependencies dependencies;
    dependencies.volumes = [] { return std::vector<platform::ExternalVolume>{}; };
    state = std::make_unique<AppState>(std::move(dependencies));
    settle();
}

ScreenTest::~ScreenTest() {
    settle();
    state.reset();
    DesktopServices::setCurrent(nullptr);
    setCurrentTextScale(1.0);
}

std::string ScreenTest::homePath(const std::string& relative) const {
    return relative.empty() ? home.path() : home / relative;
}

void ScreenTest::addFile(const std::string& relative, size_t size, int daysOld) {
    writeFile(home / relative, std::string(size, 'x'));
    const timeval then{::time(nullptr) - time_t(daysOld) * 86400, 0};
    const timeval times[2] = {then, then};
    ::utimes((home / relative).c_str(), times);
}

void ScreenTest::scanHome() {
    const URL homeURL = URL::fileURL(home.path(), true);
    const ScanRules rules = ScanRules::standard(homeURL);
    ScanStream stream = ScanEngine::scan(state->scanRoots(), rules, homeURL);
    std::vector<FileRecord> records;
    std::optional<ScanSummary> summary;
    while (auto event = stream.next()) {
        if (auto* record = std::get_if<FileRecord>(&event->value)) records.push_back(*record);
        if (auto* done = std::get_if<ScanSummary>(&event->value)) summary = *done;
    }
    state->setRecords(records);
    state->setSummary(summary);
    state->setAnalysis(Analyzer(UserFolders(homeURL), rules).analyze(records, Date::now(), {}, nullptr, {}));
    state->setStage(AppState::Stage::dashboard);
    QCoreApplication::processEvents();
}

void ScreenTest::settle() {
    if (state) AppStateHome::settle(*state);
}

void ScreenTest::layOut(QWidget& widget, const QString&) {
    widget.show();
    QCoreApplication::processEvents();
    widget.adjustSize();
    widget.resize(widget.sizeHint().expandedTo(widget.minimumSizeHint()));
    QCoreApplication::processEvents();
}

std::vector<std::string> ScreenTest::overlaps(const QWidget& root) {
    std::vector<std::string> found;
    std::function<void(const QWidget&)> visit = [&](const QWidget& parent) {
        std::vector<QWidget*> children;
        for (QWidget* child : parent.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            // Decorations laid over content (a bevel) take no clicks and are meant to overlap.
            if (child->isVisibleTo(&root) && !child->isWindow() && !child->size().isEmpty() &&
                !child->testAttribute(Qt::WA_TransparentForMouseEvents)) {
                children.push_back(child);
            }
        }
        const bool inScroll = qobject_cast<const QAbstractScrollArea*>(parent.parentWidget()) != nullptr;
        for (QWidget* child : children) {
            const std::string name = child->metaObject()->className();
            const QRect inside = parent.rect();
            const QRect box = child->geometry();
            const bool leaves = inScroll ? box.left() < inside.left() || box.right() > inside.right()
                                         : !inside.contains(box);
            if (leaves) found.push_back(name + " leaves its " + parent.metaObject()->className());
            // A rigid control or a wrapped text given less room than it needs is cut off.
            if (child->sizePolicy().horizontalPolicy() == QSizePolicy::Fixed &&
                child->width() < child->minimumSizeHint().width()) {
                found.push_back(name + " squeezed");
            }
            if (auto* label = qobject_cast<QLabel*>(child); label && label->wordWrap() &&
                label->height() < label->heightForWidth(label->width())) {
                found.push_back(name + " cut off: " + label->text().left(30).toStdString());
            }
        }
        for (size_t i = 0; i < children.size(); ++i) {
            for (size_t j = i + 1; j < children.size(); ++j) {
                if (children[i]->geometry().intersects(children[j]->geometry())) {
                    found.push_back(children[i]->metaObject()->className() + std::string(" / ") +
                                    children[j]->metaObject()->className());
                }
            }
            visit(*children[i]);
        }
    };
    visit(root);
    return found;
}

void ScreenTest::click(QWidget* widget) {
    ASSERT_TRUE(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QString ScreenTest::textOf(const QWidget& root, const char* name) {
    auto* label = named<QLabel>(root, name);
    return label ? label->text() : QString();
}

std::vector<QString> ScreenTest::labelTexts(const QWidget& root, const QString& name) {
    std::vector<QString> texts;
    for (QLabel* label : visible<QLabel>(root, name)) texts.push_back(label->text());
    return texts;
}

bool ScreenTest::showsText(const QWidget& root, const QString& text) {
    const std::vector<QString> texts = labelTexts(root);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

Finding findingOf(FileRecord record, FindingCategory category, std::optional<URL> destination) {
    Finding finding;
    finding.id = UUID::random();
    finding.record = std::move(record);
    finding.category = category;
    finding.suggestedDestination = std::move(destination);
    return finding;
}

Finding syntheticFinding(FindingCategory category, const std::string& path, int64_t size,
                         Recommendation recommendation) {
    FileRecord record;
    record.setID(UUID::random());
    record.setURL(URL::fileURL(path));
    record.setSize(size);
    record.setModified(Date::fromUnix(1764892800));  // 2025-12-05
    Finding finding = findingOf(std::move(record), category);
    finding.recommendation = recommendation;
    finding.reason = "Because it is there.";
    return finding;
}

PlannedAction plannedAction(PlannedAction::Kind kind, PlannedAction::State state) {
    PlannedAction action;
    action.id = UUID::random();
    action.kind = std::move(kind);
    action.sizeBytes = 100;
    action.state = std::move(state);
    return action;
}

AnalysisResult analysisOf(std::vector<Finding> findings) {
    AnalysisResult analysis;
    analysis.findings = std::move(findings);
    return analysis;
}

}  // namespace ordane::testing
