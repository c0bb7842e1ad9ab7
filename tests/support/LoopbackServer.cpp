#include "tests/support/LoopbackServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>
#include <zlib.h>

#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {

namespace {

// Long enough for the client to have taken in what was sent before the end comes, so a
// cut reply always reaches it as "part of the body, then the end".
constexpr std::chrono::milliseconds pauseBeforeCut{150};
constexpr qsizetype chunkSize = 1000;

QByteArray chunked(const QByteArray &body)
{
    QByteArray wire;
    for (qsizetype at = 0; at < body.size(); at += chunkSize) {
        const QByteArray chunk = body.mid(at, chunkSize);
        wire += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    return wire + "0\r\n\r\n";
}

// Closing with a zero linger time sends a reset instead of an orderly close.
void resetConnection(QTcpSocket *socket)
{
    const linger abortive{1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    socket->abort();
}

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

LoopbackServer::Reply LoopbackServer::Reply::noAnswer()
{
    Reply reply;
    reply.mode = Mode::NoAnswer;
    return reply;
}

QByteArray LoopbackServer::gzipped(const QByteArray &body)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(body.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
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
        m_connections.insert(socket, int(m_connections.size()) + 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
            Q_EMIT connectionClosed();
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
    request.connection = m_connections.value(socket);
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

    if (reply.mode == Reply::Mode::NoAnswer) {
        socket->disconnectFromHost();
        return;
    }

    QByteArray wire = reply.gzip ? gzipped(reply.body) : reply.body;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (reply.framing == Reply::Framing::Chunked) {
        head += "Transfer-Encoding: chunked\r\n";
        wire = chunked(wire);
    } else if (reply.framing == Reply::Framing::ContentLength) {
        head += "Content-Length: " + QByteArray::number(wire.size()) + "\r\n";
    }
    if (reply.gzip)
        head += "Content-Encoding: gzip\r\n";
    if (!reply.keepAlive && reply.framing != Reply::Framing::Closing)
        head += "Connection: close\r\n";
    for (const auto &[name, value] : std::as_const(reply.headers))
        head += name + ": " + value + "\r\n";
    head += "\r\n";

    if (reply.mode == Reply::Mode::Complete) {
        socket->write(head + wire);
        if (!reply.keepAlive)
            socket->disconnectFromHost();
        return;
    }
    socket->write(head + wire.left(reply.sentBytes));
    socket->flush();
    if (reply.mode == Reply::Mode::Stall) {
        Q_EMIT stalled();
        return;
    }
    const bool reset = reply.mode == Reply::Mode::Reset;
    QTimer::singleShot(pauseBeforeCut, socket, [socket, reset] {
        if (reset)
            resetConnection(socket);
        else
            socket->disconnectFromHost();
    });
}

} // namespace telvora::test
