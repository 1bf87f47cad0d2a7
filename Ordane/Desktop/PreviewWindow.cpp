#include "Ordane/Desktop/PreviewWindow.hpp"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStringDecoder>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "Ordane/Desktop/DesktopServices.hpp"
#include "OrdanePlatform/Format/ByteCountFormatter.hpp"
#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdanePlatform/Pdf/PdfDocument.hpp"

namespace ordane {

namespace {

constexpr qint64 textLimit = 64 * 1024;
const QSize largestPicture{900, 700};
constexpr double pdfPixelsPerPoint = 96.0 / 72.0;

QImage toQImage(const platform::RgbaImage& image) {
    return QImage(image.pixels.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888).copy();
}

}  // namespace

std::optional<QImage> PreviewWindow::pictureOf(const QString& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    const std::string file = QFile::encodeName(path).toStdString();
    if (type.inherits(QStringLiteral("application/pdf"))) {
        const auto document = platform::PdfDocument::open(file);
        if (!document) return std::nullopt;
        const auto page = document->renderPage(0, pdfPixelsPerPoint);
        if (!page) return std::nullopt;
        return toQImage(*page);
    }
    // PNG, JPEG and HEIC through the platform reader (size-checked before decoding); other
    // formats through Qt's image plug-ins.
    if (auto picture = platform::ImageReader::read(file)) return toQImage(*picture);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

std::optional<QString> PreviewWindow::textOf(const QString& path) {
    if (!QMimeDatabase().mimeTypeForFile(path).inherits(QStringLiteral("text/plain"))) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(textLimit);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    return text;
}

PreviewWindow::PreviewWindow(const QString& path, QWidget* parent) : QWidget(parent, Qt::Window) {
    const QFileInfo info(path);
    setWindowTitle(info.fileName());
    // Closes as file managers' previews do: Escape, Space, and the usual Ctrl+W.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Space),
                                    QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    }
    auto* column = new QVBoxLayout(this);
    if (auto picture = pictureOf(path)) {
        shows_ = Shows::image;
        auto* view = new QLabel(this);
        QPixmap pixmap = QPixmap::fromImage(*picture);
        if (pixmap.width() > largestPicture.width() || pixmap.height() > largestPicture.height()) {
            pixmap = pixmap.scaled(largestPicture, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        view->setPixmap(pixmap);
        view->setAlignment(Qt::AlignCenter);
        column->addWidget(view);
    } else if (auto text = textOf(path)) {
        shows_ = Shows::text;
        auto* view = new QPlainTextEdit(this);
        view->setReadOnly(true);
        view->setPlainText(*text);
        column->addWidget(view);
        resize(700, 560);
    } else {
        auto* icon = new QLabel(this);
        icon->setPixmap(fileIcon(path, info.isDir()).pixmap(64, 64));
        column->addWidget(icon, 0, Qt::AlignHCenter);
        const QString kind = QMimeDatabase().mimeTypeForFile(path).comment();
        for (const QString& line :
             {info.fileName(), QString::fromStdString(platform::ByteCountFormatter::format(info.size())), kind}) {
            auto* label = new QLabel(line, this);
            label->setTextFormat(Qt::PlainText);
            column->addWidget(label, 0, Qt::AlignHCenter);
        }
        auto* open = new QPushButton(QStringLiteral("Open"), this);
        connect(open, &QPushButton::clicked, this,
                [path] { DesktopServices::current().openUrl(QUrl::fromLocalFile(path)); });
        column->addWidget(open, 0, Qt::AlignHCenter);
    }
}

void PreviewWindow::showCentredOver(const QWidget* anchor) {
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    if (anchor) {
        const QWidget* main = anchor->window();
        QRect frame({}, size());
        frame.moveCenter(main->frameGeometry().center());
        if (const QScreen* screen = main->screen()) {
            const QRect available = screen->availableGeometry();
            frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
            frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
        }
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

}  // namespace ordane
