#include "Ordane/Screens/ScanningScreen.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Ordane/App/AppState.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/LedCounter.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/ProgressBar.hpp"
#include "Ordane/Retro/RetroWindow.hpp"
#include "Ordane/Retro/Wording.hpp"

namespace ordane {

using retro::Label;

namespace {

constexpr int contentWidth = 460;
constexpr int barWidth = 420;

ScanningScreen::NowLine phaseLine(const QString& text, int64_t done, int64_t total) {
    if (total < 1) return {QStringLiteral("Now:"), text, std::nullopt};
    return {QStringLiteral("Now:"),
            text + QStringLiteral(" (") + QString::number(done) + QStringLiteral(" of ") + QString::number(total) +
                QStringLiteral(")"),
            double(done) / double(total)};
}

}  // namespace

ScanningScreen::NowLine ScanningScreen::nowLine(const std::optional<ScanProgress>& progress) {
    if (!progress) return {QStringLiteral("Now in:"), QStringLiteral("Getting ready…"), std::nullopt};
    if (const auto* reading = std::get_if<ScanProgress::ReadingDocuments>(&progress->phase)) {
        return phaseLine(QStringLiteral("Reading documents"), reading->done, reading->total);
    }
    if (const auto* comparing = std::get_if<ScanProgress::ComparingDuplicates>(&progress->phase)) {
        return phaseLine(QStringLiteral("Comparing possible duplicates"), comparing->done, comparing->total);
    }
    return {QStringLiteral("Now in:"), retro::qtext(progress->currentFolder), std::nullopt};
}

ScanningScreen::ScanningScreen(AppState& state, QWidget* parent) : Screen(state, parent) {
    QVBoxLayout* column = makeRetroWindow(QStringLiteral("Looking Around…"), contentWidth, 16, 10);
    QWidget* content = column->parentWidget();

    column->addWidget(new Label(QStringLiteral("I'm looking through your folders. Nothing is being changed."),
                                retro::font(QStringLiteral("Verdana"), 12), retro::text, Label::Lines::wrapped, content));

    auto* now = new QHBoxLayout;
    now->setSpacing(8);
    nowLabel_ = new Label(QString(), retro::font(QStringLiteral("Verdana"), 11), retro::shadow, Label::Lines::one, content);
    nowLabel_->setObjectName(QStringLiteral("nowLabel"));
    nowValue_ = new Label(QString(), retro::font(QStringLiteral("Verdana-Bold"), 11), retro::text, Label::Lines::elided,
                          content);
    nowValue_->setObjectName(QStringLiteral("nowValue"));
    now->addWidget(nowLabel_);
    now->addWidget(nowValue_, 1);
    column->addLayout(now);

    bar_ = new retro::ProgressBar(content);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setFixedWidth(barWidth);
    column->addWidget(bar_);

    auto* counters = new QHBoxLayout;
    counters->setSpacing(20);
    files_ = new retro::LedCounter(QStringLiteral("FILES SEEN"), content);
    files_->setObjectName(QStringLiteral("filesCounter"));
    space_ = new retro::LedCounter(QStringLiteral("SPACE SEEN"), content);
    space_->setObjectName(QStringLiteral("spaceCounter"));
    counters->addWidget(files_);
    counters->addWidget(space_);
    counters->addStretch(1);
    column->addLayout(counters);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* stop = new retro::BevelButton(QStringLiteral("Stop Looking"), retro::BevelButton::Kind::plain, 88, content);
    connect(stop, &retro::BevelButton::clicked, this, [this] { state_.cancelScan(); });
    buttons->addWidget(stop);
    column->addLayout(buttons);

    follow({&AppState::progressChanged});
    refreshNow();
}

void ScanningScreen::refresh() {
    const auto& progress = state_.progress();
    const NowLine line = nowLine(progress);
    nowLabel_->setTextIfChanged(line.label);
    nowValue_->setTextIfChanged(line.value);
    bar_->setFraction(line.fraction);
    files_->setValue(retro::grouped(progress ? progress->filesSeen : 0));
    space_->setValue(retro::sizeText(progress ? progress->bytesSeen : 0));
}

}  // namespace ordane
