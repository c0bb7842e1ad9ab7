#include "Telvora/Shell/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {
constexpr int handOffTimeoutMs = 2000;
constexpr qint64 longestRequest = 64 * 1024;
} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName()
{
    // Not QStandardPaths::RuntimeLocation: without XDG_RUNTIME_DIR, Qt 6.4 makes and uses
    // /tmp/runtime-<user> instead of the temporary folder, which would move the socket.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = runtime.isEmpty() ? QDir::tempPath() : runtime;
    return QDir(folder).filePath(u"telvora-%1.socket"_s.arg(::getuid()));
}

bool SingleInstance::handOff(const QString &file) const
{
    QLocalSocket socket;
    socket.connectToServer(socketName());
    if (!socket.waitForConnected(handOffTimeoutMs))
        return false;
    socket.write(file.toUtf8().append('\n'));
    if (!socket.waitForBytesWritten(handOffTimeoutMs))
        return false;
    // The running instance answers once it has taken the request, so a start that
    // exits right after never loses it.
    return socket.waitForReadyRead(handOffTimeoutMs) && socket.readAll().startsWith("ok");
}

bool SingleInstance::listen()
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketName())) {
        // A socket left behind by an instance that crashed: nobody answered handOff.
        QLocalServer::removeServer(socketName());
        if (!m_server->listen(socketName())) {
            m_server.reset();
            return false;
        }
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > longestRequest)
                    socket->abort();
                return;
            }
            const QString file = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            Q_EMIT requested(file);
        });
    }
}

} // namespace telvora
