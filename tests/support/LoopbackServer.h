#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

namespace telvora::test {

/// A small HTTP/1.1 server on 127.0.0.1 for tests: it records every request and answers
/// each with a scripted reply. A connection serves one request unless the reply keeps
/// it alive.
class LoopbackServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;                      // as sent, still percent-encoded
        QByteArray query;                     // raw, without the "?"
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        int connection = 0; // which connection brought it: 1 for the first, 2 for the next…

        bool hasHeader(const QByteArray &name) const { return headers.contains(name.toLower()); }
        QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
        /// The body parsed as a JSON object (empty when it is not one).
        QJsonObject json() const;
    };

    struct Reply
    {
        enum class Mode {
            Complete, // the whole reply, then the connection closes (or stays, with keepAlive)
            Stall,    // status line, headers and `sentBytes` of the body, then silence
            CutOff,   // like Stall, then after a pause the connection closes
            Reset,    // like Stall, then after a pause the connection is reset
            NoAnswer, // the request is read, then the connection closes without a word
        };
        enum class Framing {
            ContentLength, // a Content-Length header
            Chunked,       // Transfer-Encoding: chunked, in chunks of 1000 bytes
            Closing,       // neither: the body ends where the connection closes
        };

        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        Mode mode = Mode::Complete;
        Framing framing = Framing::ContentLength;
        bool gzip = false;       // the body is sent compressed, with Content-Encoding: gzip
        bool keepAlive = false;  // the connection stays open for the next request
        qsizetype sentBytes = 0; // body bytes as they go on the wire (compressed, framed)

        static Reply withStatus(int status, QByteArray body = {});
        static Reply json(const QJsonValue &value, int status = 200);
        static Reply stall(QByteArray body, qsizetype sentBytes);
        static Reply cutOff(QByteArray body, qsizetype sentBytes);
        static Reply noAnswer();
    };

    /// The bytes of `body` as a Content-Encoding: gzip stream.
    static QByteArray gzipped(const QByteArray &body);

    explicit LoopbackServer(QObject *parent = nullptr);
    ~LoopbackServer() override;

    /// "http://127.0.0.1:<port>", usable as a provider base URL.
    QUrl url() const;

    /// Replies in order, one per request. Without a scripted reply the server answers 599.
    void enqueue(Reply reply);
    void enqueue(const QList<Reply> &replies);
    /// Answers every request not covered by the queue.
    void setHandler(std::function<Reply(const Request &)> handler);

    const QList<Request> &requests() const { return m_requests; }

Q_SIGNALS:
    void requestReceived(int index);
    /// A stalled reply has sent what it was told to send.
    void stalled();
    /// A client closed its connection (an aborted request does).
    void connectionClosed();

private:
    struct Connection;
    void accept();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Request &request);

    QTcpServer m_server;
    QList<Reply> m_queue;
    std::function<Reply(const Request &)> m_handler;
    QList<Request> m_requests;
    QMap<QTcpSocket *, QByteArray> m_buffers;
    QMap<QTcpSocket *, int> m_connections;
};

} // namespace telvora::test
