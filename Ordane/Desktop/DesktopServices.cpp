#include "Ordane/Desktop/DesktopServices.hpp"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

#include "Ordane/Desktop/PreviewWindow.hpp"

namespace ordane {

namespace {

DesktopServices* installed = nullptr;

void openContainingFolder(const QString& path) {
    DesktopServices::current().openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

void DesktopServices::reveal(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager that is slow to start never holds up the interface.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [path](QDBusPendingCallWatcher* done) {
        if (done->isError()) openContainingFolder(path);
        done->deleteLater();
    });
}

void DesktopServices::openUrl(const QUrl& url) {
    if (!url.isValid() || url.isEmpty()) return;
    QDesktopServices::openUrl(url);
}

void DesktopServices::preview(const QString& path, const QWidget* over, std::function<void()> closed) {
    auto* window = new PreviewWindow(path);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [closed = std::move(closed)] {
        if (closed) closed();
    });
    window->showCentredOver(over);
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
