#include "Telvora/Shell/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {
constexpr int handOffTimeoutMs = 2000;
constexpr qint64 longestRequest = 64 * 1024;

// The temporary folder is shared with other users: the socket goes into a folder that
// only this user can enter, made now or made earlier by this user alone.
QString privateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    ::mkdir(name.constData(), 0700);
    struct stat status = {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid()
        || (status.st_mode & 077) != 0)
        return QString();
    return path;
}

// Whoever is at the other end of the socket runs as this user.
bool peerIsThisUser(qintptr descriptor)
{
    struct ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}
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
    const QString name = u"telvora-%1.socket"_s.arg(::getuid());
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(name);
    const QString folder = privateFolder(QDir(QDir::tempPath()).filePath(u"telvora-%1"_s.arg(::getuid())));
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

bool SingleInstance::handOff(const QString &file) const
{
    const QString name = socketName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(handOffTimeoutMs) || !peerIsThisUser(socket.socketDescriptor()))
        return false;
    // A file name holds any byte but NUL, line breaks included.
    socket.write(QFile::encodeName(file).append('\0'));
    if (!socket.waitForBytesWritten(handOffTimeoutMs))
        return false;
    // The running instance answers once it has taken the request, so a start that
    // exits right after never loses it.
    return socket.waitForReadyRead(handOffTimeoutMs) && socket.readAll().startsWith("ok");
}

bool SingleInstance::listen()
{
    const QString name = socketName();
    if (name.isEmpty())
        return false;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // A socket left behind by an instance that crashed: nobody answered handOff.
        QLocalServer::removeServer(name);
        if (!m_server->listen(name)) {
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
        if (!peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray received = socket->peek(longestRequest + 1);
            const qsizetype end = received.indexOf('\0');
            if (end < 0) {
                if (received.size() > longestRequest)
                    socket->abort();
                return;
            }
            const QString file = QFile::decodeName(socket->read(end + 1).chopped(1));
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            Q_EMIT requested(file);
        });
    }
}

} // namespace telvora
