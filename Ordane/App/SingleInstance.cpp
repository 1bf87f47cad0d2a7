#include "Ordane/App/SingleInstance.hpp"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace ordane {

namespace {

constexpr char comeForwardRequest[] = "come forward\n";
constexpr char comingReply[] = "coming\n";

// The socket's name follows the records folder, so a run on other records (ORDANE_HOME) has a
// socket of its own. It lives in the user's runtime folder when there is one; a socket path must
// stay under about 100 bytes, which the records folder itself may not.
QString socketNameFor(const QString& lockFile) {
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(lockFile.toUtf8(), QCryptographicHash::Sha256).toHex().left(20));
    const QString name = QStringLiteral("ordane-") + digest;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir() && runtime.toUtf8().size() + name.size() < 100) {
        return QDir(runtime).filePath(name);
    }
    return name;  // Qt puts it in the temporary folder
}

}  // namespace

SingleInstance::SingleInstance(const AppSupportPaths& paths, QObject* parent)
    : QObject(parent),
      lockFile_(QString::fromStdString(paths.base.appendingPathComponent("instance.lock").path())),
      socketName_(socketNameFor(lockFile_)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(bool listen) {
    QDir().mkpath(QFileInfo(lockFile_).absolutePath());
    lock_ = std::make_unique<QLockFile>(lockFile_);
    // Held for the program's whole life: only a dead holder makes the lock stale, never its age.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        const bool heldByAnother = lock_->error() == QLockFile::LockFailedError;
        lock_.reset();
        return !heldByAnother;
    }
    if (!listen) return true;
    // A socket left behind by a copy that ended without closing it would refuse the name.
    QLocalServer::removeServer(socketName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) answer(socket);
    });
    // Should listening fail, later copies can't bring this window forward; nothing else is lost.
    server_->listen(socketName_);
    return true;
}

void SingleInstance::answer(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto read = [this, socket] {
        if (!socket->canReadLine()) return;
        if (socket->readLine() == comeForwardRequest) {
            emit comeForwardRequested();
            socket->write(comingReply);
        }
        socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, socket, read);
    read();
}

bool SingleInstance::askToComeForward(int timeoutMilliseconds) const {
    QDeadlineTimer deadline(timeoutMilliseconds);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketName_);
        if (!socket.waitForConnected(deadline.remainingTime())) {
            // The copy holding the lock may have taken it a moment ago and not be listening yet.
            QThread::msleep(50);
            continue;
        }
        socket.write(comeForwardRequest);
        while (!socket.canReadLine() && socket.waitForReadyRead(deadline.remainingTime())) {
        }
        return socket.canReadLine() && socket.readLine() == comingReply;
    }
    return false;
}

}  // namespace ordane
