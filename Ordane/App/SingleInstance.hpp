#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "OrdaneCore/Stores/AppSupportPaths.hpp"

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace ordane {

// One running copy per set of records. The first copy holds a lock file beside the records and
// listens on a local socket named after them; a later copy finds the lock taken, asks the first
// to come forward and leaves. Two copies would each write their own activity list whole, and the
// second to write would drop the other's entries.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const AppSupportPaths& paths, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and, when `listen`, starts listening for later copies. False while another
    // running copy holds it; a lock left by a copy that ended without letting go is taken over.
    // When no lock file can be made at all (a read-only folder) this copy runs unguarded rather
    // than not at all.
    bool claim(bool listen = true);
    // From a later copy: asks the one holding the lock to come forward. True once it has answered.
    bool askToComeForward(int timeoutMilliseconds = 10000) const;

    const QString& lockFile() const { return lockFile_; }
    const QString& socketName() const { return socketName_; }

signals:
    // A later copy asked this one to show its window.
    void comeForwardRequested();

private:
    void answer(QLocalSocket* socket);

    QString lockFile_;
    QString socketName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace ordane
