#include "Ordane/Desktop/DesktopServices.hpp"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

#include "Ordane/Desktop/PreviewWindow.hpp"

namespace ordane {

namespace {

DesktopServices* installed = nullptr;

bool askFileManagerToShow(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

void DesktopServices::reveal(const QString& path) {
    if (askFileManagerToShow(path)) return;
    openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void DesktopServices::openUrl(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) return;
    QDesktopServices::openUrl(url);
}

void DesktopServices::preview(const QString& path, std::function<void()> closed) {
    auto* window = new PreviewWindow(path);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [closed = std::move(closed)] {
        if (closed) closed();
    });
    window->show();
}

DesktopServices& DesktopServices::current() {
    static DesktopServices real;
    return installed ? *installed : real;
}

void DesktopServices::setCurrent(DesktopServices* services) { installed = services; }

QIcon fileIcon(const QString& path, bool isDirectory) {
    static QHash<QString, QIcon> cache;
    const QMimeDatabase database;
    const QMimeType type = isDirectory ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                       : database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString key = type.name();
    if (auto found = cache.constFind(key); found != cache.constEnd()) return *found;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) {
        icon = QApplication::style()->standardIcon(isDirectory ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    cache.insert(key, icon);
    return icon;
}

}  // namespace ordane
