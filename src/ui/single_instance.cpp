#include "ui/single_instance.h"

#include "core/paths.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <unistd.h>

namespace lb {

namespace {
const QByteArray ShowRequest = "show\n";
const QByteArray ShowAnswer = "shown\n";
constexpr int ConnectWaitMs = 3000;
constexpr int AnswerWaitMs = 1000;
} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    release();
}

QString SingleInstance::lockPath() const {
    return dataFolder() + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString SingleInstance::socketName() const {
    // Beside the lock when the path fits a socket address; else a name of the user and the data
    // folder in the temporary folder.
    const QString beside = dataFolder() + QLatin1Char('/') + name_ + QStringLiteral(".socket");
    if (QFile::encodeName(beside).size() < 100) return beside;
    const QByteArray folder =
        QCryptographicHash::hash(QFile::encodeName(dataFolder()), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QDir::tempPath() + QStringLiteral("/letterbay-%1-%2-%3.socket")
                                  .arg(name_)
                                  .arg(::getuid())
                                  .arg(QString::fromLatin1(folder));
}

SingleInstance::Outcome SingleInstance::claim() {
    error_.clear();
    if (!QDir(dataFolder()).exists()) {
        error_ = tr("the data folder %1 does not exist.").arg(dataFolder());
        return Failed;
    }
    auto lock = std::make_unique<QLockFile>(lockPath());
    // Stale only when its process is gone, however long it has run.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) {
            error_ = tr("its lock file %1 cannot be created.").arg(lockPath());
            return Failed;
        }
        if (askFirst(ConnectWaitMs)) return Signalled;
        error_ = tr("another copy holds its lock file %1 but does not answer.").arg(lockPath());
        return Failed;
    }
    lock_ = std::move(lock);
    listen();
    return First;
}

void SingleInstance::listen() {
    // A socket left by a copy that crashed: the lock says it is no one's now.
    QLocalServer::removeServer(socketName());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
    if (!server_->listen(socketName())) {
        // Still the only copy; a later one cannot reach it and says so.
        qWarning("%s: cannot listen on %s: %s", qPrintable(name_), qPrintable(socketName()),
                 qPrintable(server_->errorString()));
    }
}

bool SingleInstance::askToShow(const QString& name) {
    return SingleInstance(name).askFirst(0);
}

bool SingleInstance::askFirst(int waitMs) {
    // The first copy may be between taking the lock and listening: try for a moment.
    const QDeadlineTimer deadline(waitMs);
    for (bool first = true; first || !deadline.hasExpired(); first = false) {
        QLocalSocket socket;
        socket.connectToServer(socketName());
        if (socket.waitForConnected(500)) {
            socket.write(ShowRequest);
            if (!socket.waitForBytesWritten(1000)) return false;
            // The request is queued: a first copy busy re-applying a set at log-on reads it when
            // it is done. Its answer is waited for briefly, not relied on.
            socket.waitForReadyRead(AnswerWaitMs);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            const QByteArray request = socket->readLine();
            if (request != ShowRequest) {
                socket->abort();
                return;
            }
            Q_EMIT showRequested();
            socket->write(ShowAnswer);
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

void SingleInstance::release() {
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
    lock_.reset();
}

} // namespace lb
