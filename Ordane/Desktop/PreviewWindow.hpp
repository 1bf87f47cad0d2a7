#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>

namespace ordane {

// Our own preview of one file: an image (HEIC too), the first page of a PDF, the start of a text
// file, or otherwise the file's icon, name, size and kind with a button that opens it.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    enum class Shows { image, text, summary };

    explicit PreviewWindow(const QString& path, QWidget* parent = nullptr);
    Shows shows() const { return shows_; }
    // Shows the window centred over the window that holds `anchor` (kept on its screen), in front.
    void showCentredOver(const QWidget* anchor);

    // The picture of an image, a HEIC image or a PDF's first page; none when it can't be drawn.
    static std::optional<QImage> pictureOf(const QString& path);
    // The first 64 KiB of a text file read as UTF-8; none when the file isn't text.
    static std::optional<QString> textOf(const QString& path);

private:
    Shows shows_ = Shows::summary;
};

}  // namespace ordane
