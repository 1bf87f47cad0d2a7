#include "Ordane/Desktop/PreviewWindow.hpp"

#include <libheif/heif.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringDecoder>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>
#include <poppler-document.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "Ordane/Desktop/DesktopServices.hpp"
#include "OrdanePlatform/Format/ByteCountFormatter.hpp"

namespace ordane {

namespace {

constexpr qint64 textLimit = 64 * 1024;
const QSize largestPicture{900, 700};

std::optional<QImage> heicPicture(const QString& path) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr).code != heif_error_Ok) {
        return std::nullopt;
    }
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return std::nullopt;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(rawHandle, heif_image_handle_release);
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code !=
        heif_error_Ok) {
        return std::nullopt;
    }
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, heif_image_release);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0) return std::nullopt;
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
}

std::optional<QImage> pdfFirstPage(const QString& path) {
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    if (!document || document->is_locked() || document->pages() < 1) return std::nullopt;
    std::unique_ptr<poppler::page> page(document->create_page(0));
    if (!page) return std::nullopt;
    poppler::page_renderer renderer;
    renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
    renderer.set_image_format(poppler::image::format_argb32);
    poppler::image rendered = renderer.render_page(page.get(), 96, 96);
    if (!rendered.is_valid()) return std::nullopt;
    return QImage(reinterpret_cast<const uchar*>(rendered.const_data()), rendered.width(), rendered.height(),
                  rendered.bytes_per_row(), QImage::Format_ARGB32)
        .copy();
}

}  // namespace

std::optional<QImage> PreviewWindow::pictureOf(const QString& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (type.inherits(QStringLiteral("application/pdf"))) return pdfFirstPage(path);
    if (type.inherits(QStringLiteral("image/heif")) || type.inherits(QStringLiteral("image/heic")) ||
        QFileInfo(path).suffix().compare(QStringLiteral("heic"), Qt::CaseInsensitive) == 0) {
        return heicPicture(path);
    }
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

}  // namespace ordane
