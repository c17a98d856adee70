#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#endif

namespace norvane {

namespace {

// The socket lies in the user's runtime folder, which only the user can
// enter, so no one else can take its name first. A name per folder.
QString socketPath(const QString& folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha256);
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtime).filePath(QStringLiteral("norvane-") +
                                  QString::fromLatin1(hash.toHex().left(16)));
}

constexpr int kWaitMs = 3000;

} // namespace

#ifdef Q_OS_UNIX
bool tryLockFile(QFile& file)
{
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}
#elif defined(Q_OS_WIN)
bool tryLockFile(QFile& file)
{
    OVERLAPPED overlapped{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &overlapped) != 0;
}
#endif

SingleInstance::SingleInstance(const QString& applicationFolder, QObject* parent)
    : QObject(parent), m_folder(applicationFolder), m_socketPath(socketPath(applicationFolder)),
      m_lockFile(lockFilePath(applicationFolder))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath(const QString& applicationFolder)
{
    return QDir(applicationFolder).filePath(QStringLiteral("norvane.lock"));
}

// Opens the lock file for writing, making it where it is missing. One that an
// earlier run left on a disk that is now read-only (a write-protected memory
// stick, a snapshot) is opened for reading, which takes the lock as well.
bool SingleInstance::openLockFile()
{
    return m_lockFile.open(QIODevice::ReadWrite,
                           QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
           (m_lockFile.exists() && m_lockFile.open(QIODevice::ReadOnly));
}

bool SingleInstance::becomePrimary()
{
    m_problem.clear();
    if (!openLockFile()) {
        // A folder nobody may write holds an address book nobody can change:
        // browsing it from more than one window harms nothing.
        if (!QFileInfo(m_folder).isWritable() && !m_lockFile.exists()) {
            listen();
            return true;
        }
        m_problem =
            tr("Norvane cannot lock %1: %2")
                .arg(QDir::toNativeSeparators(m_lockFile.fileName()), m_lockFile.errorString());
        return false;
    }
    if (!tryLockFile(m_lockFile)) {
        m_lockFile.close();
        return false;
    }
    listen();
    return true;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    // A socket left by a process that was killed would stop the server listening.
    QLocalServer::removeServer(m_socketPath);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(m_socketPath);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                while (peer->canReadLine()) {
                    const QByteArray message = peer->readLine().trimmed();
                    if (message == "show") {
                        emit showRequested();
                    } else if (message == "reload") {
                        emit reloadRequested();
                    }
                }
            });
        }
    });
}

bool SingleInstance::askPrimaryToShow()
{
    if (askPrimary("show")) {
        return true;
    }
    // Its socket lies in its user's runtime folder: one run by another user,
    // or in a session with another runtime folder, is not reached.
    m_problem = tr("Norvane is already open on %1, but it did not answer: it may run for another "
                   "user or in another session, or be busy. Close it there, or wait a moment, "
                   "and start Norvane again.")
                    .arg(QDir::toNativeSeparators(m_folder));
    return false;
}

bool SingleInstance::askPrimaryToReload()
{
    return askPrimary("reload");
}

bool SingleInstance::askPrimary(const QByteArray& message)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.write(message + '\n');
    socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return true;
}

} // namespace norvane
