#include "tests/provider/ProviderTestFixture.h"

#include "TelvoraCore/Errors/Error.h"

#include <QJsonArray>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace telvora::test {
namespace {

using Reply = LoopbackServer::Reply;

const QString openAIKey = u"sk-test-0123456789"_s;
const QString elevenKey = u"xi-test-abcdef"_s;

QCoro::Task<QByteArray> openAISpeech(const ProviderClient &client, QString key = openAIKey)
{
    return client.speech(u"Olá"_s, VoiceProvider::openAI, key, u"marin"_s, {}, u"gpt-4o-mini-tts"_s);
}

class ProviderRequestTest : public ProviderTest
{
};

TEST_F(ProviderRequestTest, BlankOrMultiLineKeyIsRefusedBeforeAnyRequest)
{
    // A line break inside a key would smuggle extra headers into the request.
    for (const QString &key : {QString(), u"  \n\t "_s, u"sk-a\r\nX-Injected: 1"_s}) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(thrownMessage<TelvoraError>(client().elevenModels(key)),
                  u"Configure a chave de API do provedor em Chaves de API."_s);
        EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(client(), key)),
                  u"Configure a chave de API do provedor em Chaves de API."_s);
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ProviderRequestTest, EachProviderGetsItsOwnAuthenticationAndReadsAreGets)
{
    server.enqueue({Reply::json(QJsonObject{{u"data"_s, QJsonArray{}}}), Reply::json(QJsonArray{})});
    runTask(client().openAIModelIDs(openAIKey));
    runTask(client().elevenModels(elevenKey));
    ASSERT_EQ(server.requests().size(), 2);

    const auto &openAI = server.requests()[0];
    EXPECT_EQ(openAI.method, "GET");
    EXPECT_EQ(openAI.path, "/v1/models");
    EXPECT_EQ(openAI.header("Authorization"), "Bearer " + openAIKey.toUtf8());
    EXPECT_FALSE(openAI.hasHeader("xi-api-key"));
    EXPECT_FALSE(openAI.hasHeader("Content-Type"));
    EXPECT_TRUE(openAI.body.isEmpty());

    const auto &eleven = server.requests()[1];
    EXPECT_EQ(eleven.method, "GET");
    EXPECT_EQ(eleven.header("xi-api-key"), elevenKey.toUtf8());
    EXPECT_FALSE(eleven.hasHeader("Authorization"));
    EXPECT_FALSE(eleven.hasHeader("Content-Type"));
}

TEST_F(ProviderRequestTest, BodiesArePostedAsCompactJson)
{
    server.enqueue(Reply::withStatus(200, "mp3"));
    runTask(openAISpeech(client()));
    ASSERT_EQ(server.requests().size(), 1);
    const auto &request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(request.header("Authorization"), "Bearer " + openAIKey.toUtf8());
    EXPECT_FALSE(request.body.contains('\n'));
    EXPECT_FALSE(request.body.contains(": "));
    EXPECT_EQ(request.json().value(u"voice"_s).toString(), u"marin"_s);
}

TEST_F(ProviderRequestTest, StatusCodesMapToTheirMessages)
{
    const QString permission = u"A chave ou a permissão da conta não permite esta operação."_s;
    const auto refused = [](int code) {
        return u"O provedor recusou a operação (HTTP %1). Confira modelo, voz e disponibilidade na sua conta."_s.arg(
            code);
    };
    struct Case
    {
        const char *name;
        int status;
        QByteArray body;
        std::optional<QString> message; // none: success with the body
    };
    const QList<Case> cases{
        {"199 informational", 199, "x", refused(199)},
        {"200 with audio", 200, "ID3audio", std::nullopt},
        {"204 empty", 204, "", std::nullopt},
        {"299 edge of success", 299, "edge", std::nullopt},
        {"300 multiple choices", 300, "x", refused(300)},
        {"401", 401, "x", permission},
        {"402", 402, "x", refused(402)},
        {"403", 403, "x", permission},
        {"404", 404, "x", refused(404)},
        {"407 from the provider itself", 407, "x", refused(407)},
        {"429", 429, "x",
         u"Limite de uso ou saldo do provedor atingido. Tente novamente depois de conferir sua conta."_s},
        {"500", 500, "x", refused(500)},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        server.enqueue(Reply::withStatus(row.status, row.body));
        if (row.message)
            EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(client())), *row.message);
        else
            EXPECT_EQ(runTask(openAISpeech(client())), row.body);
    }
}

TEST_F(ProviderRequestTest, ProviderErrorBodiesAndKeysNeverReachTheMessage)
{
    // Some providers echo the key they rejected; the user must never see it.
    const QByteArray echo = "{\"error\":\"invalid key " + openAIKey.toUtf8() + "\"}";
    for (int status : {400, 401, 404, 500, 503}) {
        SCOPED_TRACE(status);
        server.enqueue(Reply::withStatus(status, echo));
        const QString message = thrownMessage<TelvoraError>(openAISpeech(client()));
        EXPECT_FALSE(message.isEmpty());
        EXPECT_FALSE(message.contains(openAIKey));
        EXPECT_FALSE(message.contains(u"invalid key"_s));
    }
    for (const auto &request : server.requests()) {
        EXPECT_FALSE(request.path.contains(openAIKey.toUtf8()));
        EXPECT_FALSE(request.query.contains(openAIKey.toUtf8()));
    }
}

TEST_F(ProviderRequestTest, UnreachableHostIsATransportFailureWithoutTheQuery)
{
    // A port nobody listens on: bind one, then close it.
    QUrl closed;
    {
        LoopbackServer gone;
        closed = gone.url();
    }
    const ProviderClient unreachable(&network, ProviderEndpoints{closed, closed, 5s});
    const QString message = thrownMessage<TransportError>(unreachable.elevenVoices(elevenKey));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_FALSE(message.contains(u"page_size"_s));
    EXPECT_FALSE(message.contains(elevenKey));
}

// Bytes that do not compress away, so that half of the gzip stream is half of the body.
QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u;
    for (char &byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state);
    }
    return bytes;
}

const QString cutShortMessage =
    u"A resposta do provedor chegou incompleta: a conexão foi encerrada antes do fim. Tente novamente."_s;

TEST_F(ProviderRequestTest, ABodyCutShortIsATransportFailureWhateverItsFraming)
{
    using Mode = Reply::Mode;
    using Framing = Reply::Framing;
    const QByteArray audio = noise(300000);
    const qsizetype halfCompressed = LoopbackServer::gzipped(audio).size() / 2;
    struct Case
    {
        const char *name;
        Framing framing;
        bool gzip;
        Mode end;
        qsizetype sentBytes;
    };
    const QList<Case> cases{
        {"content length, closed after 1000 bytes", Framing::ContentLength, false, Mode::CutOff, 1000},
        {"content length, reset after 1000 bytes", Framing::ContentLength, false, Mode::Reset, 1000},
        {"content length, closed before any byte", Framing::ContentLength, false, Mode::CutOff, 0},
        {"chunked, reset inside a chunk", Framing::Chunked, false, Mode::Reset, 1500},
        {"chunked, closed inside a chunk", Framing::Chunked, false, Mode::CutOff, 1500},
        {"chunked, closed between two chunks", Framing::Chunked, false, Mode::CutOff, 1007},
        {"gzip with content length, closed halfway", Framing::ContentLength, true, Mode::CutOff, halfCompressed},
        {"gzip with content length, reset halfway", Framing::ContentLength, true, Mode::Reset, halfCompressed},
        {"gzip chunked, closed halfway", Framing::Chunked, true, Mode::CutOff, halfCompressed},
        {"gzip ended by the close, closed halfway", Framing::Closing, true, Mode::CutOff, halfCompressed},
        {"gzip ended by the close, reset halfway", Framing::Closing, true, Mode::Reset, halfCompressed},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        Reply reply = Reply::cutOff(audio, row.sentBytes);
        reply.framing = row.framing;
        reply.gzip = row.gzip;
        reply.mode = row.end;
        server.enqueue(reply);
        EXPECT_EQ(thrownMessage<TransportError>(openAISpeech(client())), cutShortMessage);
    }
}

TEST_F(ProviderRequestTest, WholeBodiesArriveDecodedWhateverTheirFraming)
{
    const QByteArray audio = noise(300000);
    // Without a length or chunks, a body ends where the server closes the connection.
    for (const auto framing : {Reply::Framing::ContentLength, Reply::Framing::Chunked, Reply::Framing::Closing}) {
        for (const bool gzip : {false, true}) {
            SCOPED_TRACE(testing::Message() << "framing " << int(framing) << " gzip " << gzip);
            Reply reply = Reply::withStatus(200, audio);
            reply.framing = framing;
            reply.gzip = gzip;
            server.enqueue(reply);
            EXPECT_EQ(runTask(openAISpeech(client())), audio);
        }
    }
    // The client asks for the codings it can check itself.
    EXPECT_EQ(server.requests().last().header("Accept-Encoding"), "gzip, deflate");

    // The close comes a while after the last byte.
    for (const bool gzip : {false, true}) {
        SCOPED_TRACE(testing::Message() << "closed after a pause, gzip " << gzip);
        Reply reply = Reply::cutOff(audio, gzip ? LoopbackServer::gzipped(audio).size() : audio.size());
        reply.framing = Reply::Framing::Closing;
        reply.gzip = gzip;
        server.enqueue(reply);
        EXPECT_EQ(runTask(openAISpeech(client())), audio);
    }
}

TEST_F(ProviderRequestTest, ARequestGoesOutOnceEvenWhenItsConnectionDropsUnanswered)
{
    const QString notResent = u"A conexão com o provedor foi encerrada sem resposta. O pedido não foi reenviado, "
                              u"para não ser cobrado duas vezes; tente novamente."_s;
    Reply kept = Reply::json(QJsonObject{{u"data"_s, QJsonArray{}}});
    kept.keepAlive = true;

    SCOPED_TRACE("a speech request on a connection kept from the one before");
    server.enqueue({kept, Reply::noAnswer()});
    runTask(client().openAIModelIDs(openAIKey));
    EXPECT_EQ(thrownMessage<TransportError>(openAISpeech(client())), notResent);
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].connection, server.requests()[0].connection);

    SCOPED_TRACE("a model list on a kept connection");
    server.enqueue({kept, Reply::noAnswer()});
    runTask(client().openAIModelIDs(openAIKey));
    EXPECT_EQ(thrownMessage<TransportError>(client().openAIModelIDs(openAIKey)), notResent);
    ASSERT_EQ(server.requests().size(), 4);
    EXPECT_EQ(server.requests()[3].connection, server.requests()[2].connection);

    SCOPED_TRACE("a speech request on a fresh connection");
    server.enqueue(Reply::noAnswer());
    EXPECT_EQ(thrownMessage<TransportError>(openAISpeech(client())), notResent);
    EXPECT_EQ(server.requests().size(), 5);
}

TEST_F(ProviderRequestTest, RedirectsThatKeepTheMethodSendTheBodyAgainToTheNewPlace)
{
    for (const int status : {307, 308}) {
        SCOPED_TRACE(status);
        server.setHandler([status](const LoopbackServer::Request &request) {
            if (request.path == "/moved")
                return Reply::withStatus(200, "moved audio");
            Reply reply = Reply::withStatus(status);
            reply.headers.emplaceBack("Location", "/moved");
            return reply;
        });
        const qsizetype before = server.requests().size();
        EXPECT_EQ(runTask(openAISpeech(client())), "moved audio");
        ASSERT_EQ(server.requests().size(), before + 2);
        const LoopbackServer::Request &first = server.requests()[before];
        const LoopbackServer::Request &moved = server.requests()[before + 1];
        EXPECT_EQ(moved.method, "POST");
        EXPECT_EQ(moved.path, "/moved");
        EXPECT_EQ(moved.body, first.body);
        EXPECT_EQ(moved.json().value(u"input"_s).toString(), u"Olá"_s);
        EXPECT_EQ(moved.header("Authorization"), "Bearer " + openAIKey.toUtf8());
    }

    // Another host never gets the body or the key, and a loop ends as the refusal.
    LoopbackServer elsewhere;
    server.setHandler([&elsewhere](const LoopbackServer::Request &request) {
        Reply reply = Reply::withStatus(307);
        reply.headers.emplaceBack("Location",
                                  request.path == "/v1/audio/speech" ? elsewhere.url().toEncoded() + "/stolen"
                                                                     : QByteArray("/v1/models"));
        return reply;
    });
    const QString refused307 =
        u"O provedor recusou a operação (HTTP 307). Confira modelo, voz e disponibilidade na sua conta."_s;
    EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(client())), refused307);
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    const qsizetype before = server.requests().size();
    EXPECT_EQ(thrownMessage<TelvoraError>(client().openAIModelIDs(openAIKey)), refused307);
    EXPECT_LT(server.requests().size() - before, 30);
}

TEST_F(ProviderRequestTest, ARedirectWithNowhereToGoIsARefusalWithItsCode)
{
    for (const int status : {301, 302, 303, 305, 307, 308}) {
        SCOPED_TRACE(status);
        server.enqueue(Reply::withStatus(status, "moved"));
        EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(client())),
                  u"O provedor recusou a operação (HTTP %1). Confira modelo, voz e disponibilidade na sua conta."_s.arg(
                      status));
    }
}

TEST_F(ProviderRequestTest, AnAnswerPastTheSizeLimitIsRefused)
{
    ProviderEndpoints small = endpoints();
    small.maximumResponseBytes = 4096;
    const ProviderClient bounded(&network, small);
    const QString refused = u"A resposta do provedor passou do limite de 4 kB e foi recusada."_s;

    struct Case
    {
        const char *name;
        qsizetype size;
        Reply::Framing framing;
        bool gzip;
    };
    const QList<Case> cases{
        {"declared by its length", 10000, Reply::Framing::ContentLength, false},
        {"chunked, with no length declared", 10000, Reply::Framing::Chunked, false},
        {"small compressed, large decoded", 100000, Reply::Framing::ContentLength, true},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        Reply reply = Reply::withStatus(200, QByteArray(row.size, 'a'));
        reply.framing = row.framing;
        reply.gzip = row.gzip;
        server.enqueue(reply);
        EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(bounded)), refused);
    }
    server.enqueue(Reply::withStatus(200, QByteArray(4096, 'a')));
    EXPECT_EQ(runTask(openAISpeech(bounded)).size(), 4096);
}

TEST_F(ProviderRequestTest, ATaskOutlivesTheClientObjectThatStartedIt)
{
    // Two pages: the task builds its second request after the client object is gone.
    const QJsonObject first{{u"voices"_s, QJsonArray{QJsonObject{{u"voice_id"_s, u"a"_s}, {u"name"_s, u"Ana"_s}}}},
                            {u"has_more"_s, true},
                            {u"next_page_token"_s, u"p2"_s}};
    const QJsonObject second{{u"voices"_s, QJsonArray{QJsonObject{{u"voice_id"_s, u"b"_s}, {u"name"_s, u"Bia"_s}}}},
                             {u"has_more"_s, false}};
    server.enqueue({Reply::json(first), Reply::json(second)});
    auto temporary = std::make_unique<ProviderClient>(&network, endpoints());
    QCoro::Task<QList<Voice>> task = temporary->elevenVoices(elevenKey);
    temporary.reset();
    EXPECT_EQ(runTask(std::move(task)).size(), 2);
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(ProviderRequestTest, ATaskWhoseNetworkManagerIsDestroyedEndsCancelled)
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    server.enqueue(Reply::stall(QByteArray(4000, 'a'), 100));
    QObject::connect(&server, &LoopbackServer::stalled, &server, [&manager] { manager.reset(); });
    EXPECT_EQ(thrownMessage<Cancelled>(openAISpeech(ProviderClient(manager.get(), endpoints()))), u"Cancelado"_s);
    EXPECT_EQ(manager, nullptr);
}

TEST_F(ProviderRequestTest, IdleTimeoutIsATransportFailureNotACancellation)
{
    server.enqueue(Reply::stall(QByteArray(4000, 'a'), 100));
    const ProviderClient impatient(&network, endpoints(300ms));
    EXPECT_EQ(thrownMessage<TransportError>(openAISpeech(impatient)),
              u"O provedor não respondeu em 300 milissegundos."_s);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(ProviderRequestTest, CancellingMidResponseAbortsWithTheCancellationError)
{
    CancellationToken token;
    server.enqueue(Reply::stall(QByteArray(4000, 'a'), 100));
    QObject::connect(&server, &LoopbackServer::stalled, &server,
                     [token] { QTimer::singleShot(50, [token] { token.cancel(); }); });

    std::optional<QByteArray> result;
    bool cancelled = false;
    try {
        result = runTask(openAISpeech(client(token)), 10s);
    } catch (const Cancelled &) {
        cancelled = true;
    }
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(result.has_value());
}

TEST_F(ProviderRequestTest, ACancelledTokenSendsNothing)
{
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(thrownMessage<Cancelled>(client(token).elevenModels(elevenKey)), u"Cancelado"_s);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ProviderRequestTest, RedirectsStayOnTheProviderHost)
{
    LoopbackServer elsewhere;
    server.setHandler([&](const LoopbackServer::Request &request) {
        Reply reply = Reply::withStatus(302);
        if (request.path == "/v1/audio/speech")
            reply.headers.emplaceBack("Location", "/moved");
        else if (request.path == "/moved")
            return Reply::withStatus(200, "moved audio");
        else
            reply.headers.emplaceBack("Location", elsewhere.url().toEncoded() + "/stolen");
        return reply;
    });
    EXPECT_EQ(runTask(openAISpeech(client())), "moved audio");

    // A redirect to another host would hand it the key: it is refused instead.
    const ProviderClient other(&network,
                               ProviderEndpoints{server.url().resolved(QUrl(u"/prefix"_s)), server.url(), 5s});
    EXPECT_EQ(thrownMessage<TelvoraError>(openAISpeech(other)),
              u"O provedor recusou a operação (HTTP 302). Confira modelo, voz e disponibilidade na sua conta."_s);
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    EXPECT_EQ(server.requests().last().path, "/prefix/v1/audio/speech");
}

} // namespace
} // namespace telvora::test
