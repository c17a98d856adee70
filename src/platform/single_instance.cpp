#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace norvane {

namespace {

// A name per folder that fits where local sockets and lock files live.
QString instanceName(const QString& folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("norvane-") + QString::fromLatin1(hash.toHex().left(16));
}

constexpr int kWaitMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString& applicationFolder, QObject* parent)
    : QObject(parent), m_name(instanceName(applicationFolder)),
      m_lock(QDir::temp().filePath(m_name + QStringLiteral(".lock")))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::becomePrimary()
{
    if (!m_lock.tryLock(0)) {
        return false;
    }
    m_server = new QLocalServer(this);
    // A socket left by a killed process would stop the server listening.
    QLocalServer::removeServer(m_name);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            emit showRequested();
        }
    });
    return true;
}

bool SingleInstance::askPrimaryToShow()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.write("show\n");
    socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return true;
}

} // namespace norvane
