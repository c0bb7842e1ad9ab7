#include "TelvoraCore/Provider/ProviderClient.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/OpenAIModels.h"
#include "TelvoraCore/Provider/ProviderCatalogs.h"
#include "TelvoraCore/Provider/ProviderMessages.h"
#include "TelvoraCore/Provider/ResponseBody.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QSet>
#include <QUrlQuery>

#include <algorithm>
#include <coroutine>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr int maxOutputTokens = 16000;
// Redirects that keep the method and body, followed by the client itself, one after the other.
constexpr int maximumRedirects = 5;

// Characters a URL path may carry as they are, besides the unreserved ones.
constexpr char pathCharacters[] = "!$&'()*+,;=:@/";

QString httpFailure(int status)
{
    if (status == 401 || status == 403)
        return ProviderMessages::permission.toString();
    if (status == 429)
        return ProviderMessages::usageLimit.toString();
    return u"%1%2%3"_s.arg(ProviderMessages::refusedBefore, QString::number(status), ProviderMessages::refusedAfter);
}

// A key must be something and fit on one header line: a line break inside it would let
// the text after it pose as headers of its own.
bool usableKey(const QString &key)
{
    if (key.trimmed().isEmpty())
        return false;
    return std::none_of(key.cbegin(), key.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

QString idleTimeoutMessage(std::chrono::milliseconds timeout)
{
    const auto ms = timeout.count();
    QString amount;
    if (ms % 1000 != 0)
        amount = u"%1 milissegundos"_s.arg(ms);
    else if (ms == 1000)
        amount = u"1 segundo"_s;
    else
        amount = u"%1 segundos"_s.arg(ms / 1000);
    return u"%1%2%3"_s.arg(ProviderMessages::idleTimeoutBefore, amount, ProviderMessages::idleTimeoutAfter);
}

// Qt names the URL in some descriptions; keep the query (and any credentials) out of
// what the user reads.
QString transportDescription(const QNetworkReply &reply)
{
    QString description = reply.errorString();
    const QUrl url = reply.request().url();
    const QUrl shown = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    for (const QUrl::FormattingOptions format :
         {QUrl::FormattingOptions(QUrl::FullyEncoded), QUrl::FormattingOptions(QUrl::PrettyDecoded)}) {
        if (url != shown)
            description.replace(url.toString(format), shown.toString(format));
    }
    return description;
}

QUrl endpoint(const QUrl &base, const QString &encodedPath)
{
    QUrl url = base.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    url.setPath(url.path(QUrl::FullyEncoded) + encodedPath, QUrl::TolerantMode);
    return url;
}

QString tooLargeMessage(qsizetype limit)
{
    const QString size =
        QLocale(QLocale::Portuguese, QLocale::Brazil).formattedDataSize(limit, 0, QLocale::DataSizeTraditionalFormat);
    return u"%1%2%3"_s.arg(ProviderMessages::tooLargeBefore, size, ProviderMessages::tooLargeAfter);
}

// A request body that can be read once. Qt sends a request again when its connection
// drops before the answer, even a POST, and rewinds the body to do so; this body refuses
// to rewind, so Qt reports ContentReSendError instead of a second, billable request.
class OnceOnlyBody : public QIODevice
{
public:
    explicit OnceOnlyBody(QByteArray data)
        : m_data(std::move(data))
    {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 size() const override { return m_data.size(); }
    qint64 bytesAvailable() const override { return m_data.size() - m_read + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, qint64(m_data.size()) - m_read);
        std::memcpy(data, m_data.constData() + m_read, size_t(count));
        m_read += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_read = 0;
};

// Resumes the awaiting coroutine when the reply finishes, or when it is destroyed with its
// network manager before finishing; that second resumption is queued, so the coroutine
// never runs on inside the manager's destructor.
class ReplyEnd
{
public:
    explicit ReplyEnd(QNetworkReply *reply)
        : m_reply(reply)
    {}

    bool await_ready() const { return m_reply->isFinished(); }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        auto resumed = std::make_shared<bool>(false);
        const auto resume = [waiting, resumed] {
            if (!std::exchange(*resumed, true))
                waiting.resume();
        };
        QObject::connect(m_reply, &QNetworkReply::finished, m_reply, resume);
        QObject::connect(m_reply, &QObject::destroyed, QCoreApplication::instance(), [resume] {
            QMetaObject::invokeMethod(QCoreApplication::instance(), resume, Qt::QueuedConnection);
        });
    }

    void await_resume() const {}

private:
    QNetworkReply *m_reply;
};

// The body of a 2xx reply, whole: as long as its Content-Length says, and a compressed
// one decoded to the end of its stream. Qt 6.4 can finish a reply whose connection closed
// early as if it were complete, so these checks stand on their own.
QByteArray wholeBody(QNetworkReply &reply, qsizetype limit)
{
    const QByteArray received = reply.readAll();
    bool declared = false;
    const qint64 length = reply.rawHeader("Content-Length").trimmed().toLongLong(&declared);
    if (declared && received.size() != length)
        throw TransportError(ProviderMessages::cutShort.toString());
    ResponseBody::Decoded decoded = ResponseBody::decode(reply.rawHeader("Content-Encoding"), received, limit);
    switch (decoded.outcome) {
    case ResponseBody::Outcome::Complete:
        return std::move(decoded.data);
    case ResponseBody::Outcome::CutShort:
        throw TransportError(ProviderMessages::cutShort.toString());
    case ResponseBody::Outcome::TooLarge:
        throw TelvoraError(tooLargeMessage(limit));
    case ResponseBody::Outcome::Unsupported:
        throw TelvoraError(ProviderMessages::unknownEncoding.toString());
    case ResponseBody::Outcome::Corrupt:
        break;
    }
    throw TelvoraError(ProviderMessages::invalidResponse.toString());
}

// A 307 or 308 must send the body again, which the body that refuses to rewind does not
// let Qt do; the client sends a new request itself, to the same origin only (the key
// goes along).
std::optional<QUrl> sameOriginRedirect(const QNetworkReply &reply, int status)
{
    if (status != 307 && status != 308)
        return std::nullopt;
    const QByteArray location = reply.rawHeader("Location").trimmed();
    if (location.isEmpty())
        return std::nullopt;
    const QUrl from = reply.url();
    const QUrl to = from.resolved(QUrl::fromEncoded(location, QUrl::StrictMode));
    if (!to.isValid() || to.scheme() != from.scheme() || to.host() != from.host()
        || to.port(from.scheme() == u"https" ? 443 : 80) != from.port(from.scheme() == u"https" ? 443 : 80))
        return std::nullopt;
    return to;
}

// A body with neither a length nor chunks ends where the server closes the connection, a
// valid end in HTTP/1.1. Qt 6.4 takes a close it sees after a pause for a dropped
// connection and wants to send the request again, which the body refuses: the body as
// received is then the whole one (a compressed one is still checked to its end).
bool endedWithItsConnection(const QNetworkReply &reply, QNetworkReply::NetworkError error)
{
    return (error == QNetworkReply::ContentReSendError || error == QNetworkReply::RemoteHostClosedError)
        && !reply.hasRawHeader("Content-Length") && !reply.rawHeader("Transfer-Encoding").toLower().contains("chunked");
}

} // namespace

ProviderClient::ProviderClient(QNetworkAccessManager *network, ProviderEndpoints endpoints,
                               CancellationToken cancellation)
    : m_network(network)
    , m_endpoints(std::move(endpoints))
    , m_cancellation(std::move(cancellation))
{}

QUrl ProviderClient::openAIUrl(const QString &path) const { return endpoint(m_endpoints.openAI, path); }

QUrl ProviderClient::elevenUrl(const QString &path) const { return endpoint(m_endpoints.elevenLabs, path); }

QCoro::Task<QByteArray> ProviderClient::request(ProviderClient client, QUrl url, QString key, bool eleven,
                                                std::optional<QJsonObject> body)
{
    for (int redirects = 0;; ++redirects) {
        QCoro::Task<Exchange> sent = exchange(client, url, key, eleven, body, redirects < maximumRedirects);
        Exchange answer = co_await std::move(sent);
        if (!answer.redirect)
            co_return std::move(answer.body);
        url = *answer.redirect;
    }
}

QCoro::Task<ProviderClient::Exchange> ProviderClient::exchange(ProviderClient client, QUrl url, QString key,
                                                               bool eleven, std::optional<QJsonObject> body,
                                                               bool mayRedirect)
{
    client.m_cancellation.throwIfCancelled();
    if (!usableKey(key))
        throw TelvoraError(ProviderMessages::missingKey.toString());
    if (!client.m_network)
        throw Cancelled();

    QNetworkRequest request(url);
    request.setTransferTimeout(int(client.m_endpoints.idleTimeout.count()));
    // A redirect to another host would carry the key along; only same-origin ones are
    // followed, any other reaches us as a 3xx and is refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    // Each call stands alone: nothing a provider sets is sent back on the next one.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Asking for the codings ourselves keeps Qt from decoding: the body arrives as sent,
    // so its length and the end of a compressed stream can be checked.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    if (eleven)
        request.setRawHeader("xi-api-key", key.toUtf8());
    else
        request.setRawHeader("Authorization", "Bearer " + key.toUtf8());

    QByteArray payload;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        payload = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    request.setHeader(QNetworkRequest::ContentLengthHeader, payload.size());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto *upload = new OnceOnlyBody(std::move(payload));
    QPointer<QNetworkReply> reply = client.m_network->sendCustomRequest(request, body ? "POST" : "GET", upload);
    upload->setParent(reply);
    // The reply belongs to the network manager; if the manager goes first, so does the reply.
    const auto release = qScopeGuard([&reply] {
        if (reply)
            reply->deleteLater();
    });

    // Qt ends an idle timeout with the same code as an abort, so remember who aborted.
    auto userAborted = std::make_shared<bool>(false);
    client.m_cancellation.onCancel(reply, [reply = reply.data(), userAborted] {
        *userAborted = true;
        reply->abort();
    });
    auto tooLarge = std::make_shared<bool>(false);
    const qsizetype limit = client.m_endpoints.maximumResponseBytes;
    const auto guardSize = [reply = reply.data(), tooLarge, limit] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply->bytesAvailable() > limit || (declared.isValid() && declared.toLongLong() > limit)) {
            *tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, guardSize);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, guardSize);

    co_await ReplyEnd(reply);

    if (!reply || *userAborted || client.m_cancellation.isCancelled())
        throw Cancelled();
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!*userAborted && mayRedirect && status.isValid()) {
        if (std::optional<QUrl> next = sameOriginRedirect(*reply, status.toInt()))
            co_return Exchange{{}, std::move(next)};
    }
    // Whenever a status arrived it decides, whatever Qt made of the rest (a 3xx without
    // a place to go, a refused redirect, a body cut short after a refusal).
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        throw TelvoraError(httpFailure(status.toInt()));
    if (*tooLarge)
        throw TelvoraError(tooLargeMessage(limit));
    if (error == QNetworkReply::OperationCanceledError) // only our own abort sets userAborted
        throw TransportError(idleTimeoutMessage(client.m_endpoints.idleTimeout));
    if (error != QNetworkReply::NoError && !(status.isValid() && endedWithItsConnection(*reply, error))) {
        // A status came, so the body was cut; Qt may even have wanted to send the request
        // again for it, which the body refused.
        if (status.isValid())
            throw TransportError(ProviderMessages::cutShort.toString());
        if (error == QNetworkReply::ContentReSendError || error == QNetworkReply::RemoteHostClosedError)
            throw TransportError(ProviderMessages::notResent.toString());
        throw TransportError(transportDescription(*reply));
    }
    if (!status.isValid())
        throw TelvoraError(ProviderMessages::invalidResponse.toString());
    co_return Exchange{wholeBody(*reply, limit), std::nullopt};
}

QCoro::Task<QString> ProviderClient::generate(QString source, QString instructions, QString key, QString model) const
{
    const QJsonObject body{{u"model"_s, model},
                           {u"instructions"_s, instructions},
                           {u"input"_s, source},
                           {u"store"_s, false},
                           {u"max_output_tokens"_s, maxOutputTokens}};
    const QByteArray data = co_await request(*this, openAIUrl(u"/v1/responses"_s), key, false, body);
    co_return responseText(data);
}

QCoro::Task<QString> ProviderClient::generateEditorial(QString source, OutputKind kind, OutputLength length,
                                                       QString key, QString model) const
{
    QString instructions = Editorial::instructions(kind, length);
    co_return co_await generate(std::move(source), std::move(instructions), std::move(key), std::move(model));
}

QCoro::Task<QStringList> ProviderClient::openAIModelIDs(QString key) const
{
    const QByteArray data = co_await request(*this, openAIUrl(u"/v1/models"_s), key, false, std::nullopt);
    co_return ProviderCatalogs::openAIModelIDs(data);
}

QCoro::Task<QStringList> ProviderClient::textModels(QString key) const
{
    const QStringList ids = co_await openAIModelIDs(std::move(key));
    co_return OpenAIModels::textCandidates(ids);
}

QCoro::Task<QStringList> ProviderClient::elevenModels(QString key) const
{
    const QByteArray data = co_await request(*this, elevenUrl(u"/v1/models"_s), key, true, std::nullopt);
    co_return ProviderCatalogs::elevenModels(data);
}

QCoro::Task<QList<Voice>> ProviderClient::elevenVoices(QString key) const
{
    const ProviderClient self = *this; // runs on after `this` may be gone
    QList<Voice> collected;
    QSet<QString> seenTokens;
    QString token;
    for (;;) {
        QUrl url = self.elevenUrl(u"/v2/voices"_s);
        // Values are fully encoded so that the token the provider gave comes back intact.
        QString query = u"page_size=100"_s;
        if (!token.isEmpty())
            query += u"&next_page_token="_s + QString::fromLatin1(QUrl::toPercentEncoding(token));
        url.setQuery(query, QUrl::StrictMode);

        const QByteArray data = co_await request(self, url, key, true, std::nullopt);
        ProviderCatalogs::VoicePage page = ProviderCatalogs::voicePage(data);
        collected += std::move(page.voices);
        if (!page.hasMore)
            break;
        if (page.nextPageToken.isEmpty() || seenTokens.contains(page.nextPageToken))
            throw TelvoraError(ProviderMessages::partialVoices.toString());
        seenTokens.insert(page.nextPageToken);
        token = page.nextPageToken;
    }
    co_return ProviderCatalogs::finishVoices(std::move(collected));
}

QString ProviderClient::speechFormat(VoiceProvider provider)
{
    return provider == VoiceProvider::elevenLabs ? u"mp3_44100_128"_s : u"mp3"_s;
}

QCoro::Task<QByteArray> ProviderClient::speech(QString text, VoiceProvider provider, QString key, QString voice,
                                               QString elevenModel, QString openAIModel) const
{
    if (provider == VoiceProvider::elevenLabs) {
        // A voice id with a lone surrogate has no UTF-8 form to put in the path.
        if (voice.isEmpty() || !voice.isValidUtf16())
            throw TelvoraError(ProviderMessages::selectElevenVoice.toString());
        QUrl url =
            elevenUrl(u"/v1/text-to-speech/"_s + QString::fromLatin1(QUrl::toPercentEncoding(voice, pathCharacters)));
        url.setQuery(u"output_format="_s + speechFormat(provider));
        const QJsonObject body{{u"text"_s, text}, {u"model_id"_s, elevenModel}};
        co_return co_await request(*this, url, key, true, body);
    }

    const bool legacy = AIModels::legacySpeech(openAIModel);
    if (legacy) {
        const QList<Voice> accepted = AIModels::voices(openAIModel);
        const bool known = std::any_of(accepted.cbegin(), accepted.cend(),
                                       [&](const Voice &candidate) { return candidate.id == voice; });
        if (!known) {
            throw TelvoraError(u"%1%2%3"_s.arg(ProviderMessages::compatibleVoiceBefore, openAIModel,
                                               ProviderMessages::compatibleVoiceAfter));
        }
    }
    QJsonObject body{{u"model"_s, openAIModel},
                     {u"voice"_s, voice},
                     {u"input"_s, text},
                     {u"response_format"_s, speechFormat(provider)}};
    if (!legacy)
        body.insert(u"instructions"_s, ProviderMessages::speechDelivery.toString());
    co_return co_await request(*this, openAIUrl(u"/v1/audio/speech"_s), key, false, body);
}

} // namespace telvora
