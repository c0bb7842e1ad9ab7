#include "tests/support/LoopbackServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 302:
        return "Found";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    default:
        return "Scripted";
    }
}

// Parses the head of a request; returns the offset of the body, or -1 when incomplete.
qsizetype parseHead(const QByteArray &buffer, LoopbackServer::Request &request)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return -1;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    const QByteArray target = requestLine.value(1);
    const qsizetype question = target.indexOf('?');
    request.path = question < 0 ? target : target.left(question);
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    return end + 4;
}

} // namespace

QJsonObject LoopbackServer::Request::json() const { return QJsonDocument::fromJson(body).object(); }

LoopbackServer::Reply LoopbackServer::Reply::withStatus(int status, QByteArray body)
{
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

LoopbackServer::Reply LoopbackServer::Reply::json(const QJsonValue &value, int status)
{
    Reply reply;
    reply.status = status;
    reply.headers.emplaceBack("Content-Type", "application/json");
    reply.body = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                 : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return reply;
}

LoopbackServer::Reply LoopbackServer::Reply::stall(QByteArray body, qsizetype sentBytes)
{
    Reply reply;
    reply.body = std::move(body);
    reply.mode = Mode::Stall;
    reply.sentBytes = sentBytes;
    return reply;
}

LoopbackServer::Reply LoopbackServer::Reply::cutOff(QByteArray body, qsizetype sentBytes)
{
    Reply reply = stall(std::move(body), sentBytes);
    reply.mode = Mode::CutOff;
    return reply;
}

LoopbackServer::LoopbackServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("loopback server could not listen: %s", qPrintable(m_server.errorString()));
}

LoopbackServer::~LoopbackServer() = default;

QUrl LoopbackServer::url() const { return QUrl(u"http://127.0.0.1:%1"_s.arg(m_server.serverPort())); }

void LoopbackServer::enqueue(Reply reply) { m_queue.append(std::move(reply)); }

void LoopbackServer::enqueue(const QList<Reply> &replies) { m_queue += replies; }

void LoopbackServer::setHandler(std::function<Reply(const Request &)> handler) { m_handler = std::move(handler); }

void LoopbackServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackServer::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    Request request;
    const qsizetype bodyStart = parseHead(buffer, request);
    if (bodyStart < 0)
        return;
    const qsizetype length = request.header("content-length").toLongLong();
    if (buffer.size() - bodyStart < length)
        return;
    request.body = buffer.mid(bodyStart, length);
    buffer.clear();
    m_requests.append(request);
    respond(socket, request);
    Q_EMIT requestReceived(int(m_requests.size() - 1));
}

void LoopbackServer::respond(QTcpSocket *socket, const Request &request)
{
    Reply reply;
    if (!m_queue.isEmpty())
        reply = m_queue.takeFirst();
    else if (m_handler)
        reply = m_handler(request);
    else
        reply = Reply::withStatus(599, "no scripted reply");

    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n";
    for (const auto &[name, value] : std::as_const(reply.headers))
        head += name + ": " + value + "\r\n";
    head += "\r\n";

    if (reply.mode == Reply::Mode::Complete) {
        socket->write(head + reply.body);
        socket->disconnectFromHost();
        return;
    }
    socket->write(head + reply.body.left(reply.sentBytes));
    socket->flush();
    if (reply.mode == Reply::Mode::CutOff)
        socket->disconnectFromHost();
    else
        Q_EMIT stalled();
}

} // namespace telvora::test
