#pragma once

#include <QWidget>
#include <optional>

#include "OrdaneCore/Model/Finding.hpp"

namespace ordane::retro {

class BevelButton;
class CheckBox;
class Label;
class LinkButton;

// One finding in a list: an optional check box, the file's icon, name and place, its badge and
// size, buttons to preview and reveal it, the reason, and a detail text that opens on request.
// It never changes the finding; a check only emits `checkToggled` for the screen to act on.
class FileRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int reasonIndent = 29;

    FileRow(const Finding& finding, bool checkable, bool showBadge, QWidget* parent = nullptr);
    const Finding& finding() const { return finding_; }
    // Shows the check without emitting `checkToggled`.
    void showChecked(bool checked);
    bool detailsShown() const { return showDetails_; }
    // The file being previewed; cleared when the preview window closes.
    const std::optional<QString>& previewPath() const { return previewPath_; }

    // "Folder  ·  December 5, 2026", or the folder alone without a modification date.
    static QString locationLine(const FileRecord& record);

signals:
    void checkToggled(bool checked);

private:
    void toggleDetails();
    void openPreview();

    Finding finding_;
    bool showDetails_ = false;
    std::optional<QString> previewPath_;
    CheckBox* check_ = nullptr;
    LinkButton* detailsButton_ = nullptr;
    QWidget* detailBlock_ = nullptr;
};

}  // namespace ordane::retro
