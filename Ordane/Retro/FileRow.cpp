#include "Ordane/Retro/FileRow.hpp"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "Ordane/Desktop/DesktopServices.hpp"
#include "Ordane/Retro/BevelButton.hpp"
#include "Ordane/Retro/CheckBox.hpp"
#include "Ordane/Retro/Fonts.hpp"
#include "Ordane/Retro/Label.hpp"
#include "Ordane/Retro/Palette.hpp"
#include "Ordane/Retro/Panel.hpp"
#include "Ordane/Retro/RecommendationBadge.hpp"
#include "Ordane/Retro/Wording.hpp"
#include "OrdanePlatform/Format/DateTextFormatter.hpp"
#include "OrdanePlatform/Path/Path.hpp"

namespace ordane::retro {

namespace {

constexpr int iconSize = 20;
constexpr int sizeColumn = 70;

}  // namespace

QString FileRow::locationLine(const FileRecord& record) {
    QString line = qtext(platform::path::lastComponent(platform::path::parent(record.path())));
    if (record.modified()) {
        line += QStringLiteral("  ·  ") +
                qtext(platform::DateTextFormatter::format(record.modified()->secondsSince1970(), "yMMMMd"));
    }
    return line;
}

FileRow::FileRow(const Finding& finding, bool checkable, bool showBadge, QWidget* parent)
    : QWidget(parent), finding_(finding) {
    const QString path = qtext(finding.record.path());
    const QString name = qtext(finding.record.url().lastPathComponent());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);

    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    if (checkable) {
        check_ = new CheckBox(QString(), this);
        check_->setObjectName(QStringLiteral("rowCheck"));
        check_->setAccessibleName(name);
        connect(check_, &CheckBox::toggled, this, &FileRow::checkToggled);
        line->addWidget(check_);
    }
    auto* icon = new QLabel(this);
    icon->setPixmap(fileIcon(path, finding.record.isDirectory()).pixmap(iconSize, iconSize));
    icon->setFixedSize(iconSize, iconSize);
    line->addWidget(icon);
    auto* nameBlock = new QVBoxLayout;
    nameBlock->setSpacing(1);
    auto* nameLabel = new Label(name, retro::font(QStringLiteral("Verdana-Bold"), 12), text, Label::Lines::elided, this);
    nameLabel->setObjectName(QStringLiteral("fileName"));
    // Enough of the name to tell files apart; at large text the screen widens rather than cut it to "Sc…ng".
    nameLabel->setMinimumWidth(nameLabel->fontMetrics().averageCharWidth() * 16);
    nameBlock->addWidget(nameLabel);
    nameBlock->addWidget(
        new Label(locationLine(finding.record), retro::font(QStringLiteral("Verdana"), 10), shadow, Label::Lines::elided, this));
    line->addLayout(nameBlock, 1);
    if (showBadge) line->addWidget(new RecommendationBadge(finding.recommendation, this));
    auto* size = new Label(sizeText(finding.record.size()), retro::font(QStringLiteral("Verdana"), 11), text, Label::Lines::one, this);
    size->setObjectName(QStringLiteral("fileSize"));
    size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    size->setMinimumWidth(sizeColumn);
    line->addWidget(size);
    auto* peek = new BevelButton(QStringLiteral("Peek"), BevelButton::Kind::plain, std::nullopt, this);
    peek->setAccessibleName(QStringLiteral("Preview ") + name);
    connect(peek, &BevelButton::clicked, this, &FileRow::openPreview);
    line->addWidget(peek);
    auto* reveal = new BevelButton(QStringLiteral("Show in Folder"), BevelButton::Kind::plain, std::nullopt, this);
    connect(reveal, &BevelButton::clicked, this, [path] { DesktopServices::current().reveal(path); });
    line->addWidget(reveal);
    column->addLayout(line);

    const int indent = checkable ? reasonIndent : 0;
    auto* reason = new Label(qtext(finding.reason.str()), retro::font(QStringLiteral("Verdana"), 11), withOpacity(text, 0.8),
                             Label::Lines::wrapped, this);
    reason->setObjectName(QStringLiteral("reason"));
    reason->setLineSpacing(2);
    reason->setContentsMargins(indent, 0, 0, 0);
    column->addWidget(reason);

    if (finding.detail) {
        detailsButton_ = new LinkButton(QStringLiteral("Show Details"), retro::font(QStringLiteral("Verdana"), 10), this);
        detailsButton_->setObjectName(QStringLiteral("detailsButton"));
        auto* indented = new QHBoxLayout;
        indented->setContentsMargins(indent, 0, 0, 0);
        indented->addWidget(detailsButton_);
        indented->addStretch(1);
        column->addLayout(indented);
        connect(detailsButton_, &LinkButton::clicked, this, &FileRow::toggleDetails);

        auto* block = new Panel(light, std::nullopt, QMargins(6, 6, 6, 6), QBoxLayout::TopToBottom, this);
        auto* detail = new Label(qtext(finding.detail->str()), fontAtFixedSize(QStringLiteral("Menlo"), 10), shadow,
                                 Label::Lines::wrapped, block);
        detail->setObjectName(QStringLiteral("detail"));
        detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
        block->box()->addWidget(detail);
        detailBlock_ = new QWidget(this);
        auto* holder = new QHBoxLayout(detailBlock_);
        holder->setContentsMargins(indent, 0, 0, 0);
        holder->addWidget(block);
        detailBlock_->setVisible(false);
        column->addWidget(detailBlock_);
    }
}

void FileRow::showChecked(bool checked) {
    if (check_) check_->showChecked(checked);
}

void FileRow::toggleDetails() {
    showDetails_ = !showDetails_;
    detailsButton_->setText(showDetails_ ? QStringLiteral("Hide Details") : QStringLiteral("Show Details"));
    detailsButton_->updateGeometry();
    detailBlock_->setVisible(showDetails_);
}

void FileRow::openPreview() {
    const QString path = qtext(finding_.record.path());
    previewPath_ = path;
    QPointer<FileRow> self(this);
    DesktopServices::current().preview(path, this, [self] {
        if (self) self->previewPath_.reset();
    });
}

}  // namespace ordane::retro
