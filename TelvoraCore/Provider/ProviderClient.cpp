#include "TelvoraCore/Provider/ProviderClient.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/OpenAIModels.h"
#include "TelvoraCore/Provider/ProviderCatalogs.h"
#include "TelvoraCore/Provider/ProviderMessages.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QCoro/QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

constexpr int maxOutputTokens = 16000;

// Characters a URL path may carry as they are, besides the unreserved ones.
constexpr char pathCharacters[] = "!$&'()*+,;=:@/";

struct DeleteLater
{
    void operator()(QObject *object) const { object->deleteLater(); }
};

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

// Whether the exchange failed below HTTP: no connection, the idle timeout, an answer cut
// short or garbled. Then even a status line that did arrive cannot vouch for the body.
// Qt also flags 4xx/5xx statuses and refused redirects as errors; for those the status decides.
// A 407 from the provider itself is filed under the proxy layer, yet it is an HTTP answer
// like any other; a real proxy refusing the tunnel leaves no status, which still ends below.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
    case QNetworkReply::InsecureRedirectError:
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return false;
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
        return true;
    default:
        return error < QNetworkReply::ContentAccessDenied; // the network and proxy layers
    }
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

} // namespace

ProviderClient::ProviderClient(QNetworkAccessManager *session, ProviderEndpoints endpoints,
                               CancellationToken cancellation)
    : m_session(session)
    , m_endpoints(std::move(endpoints))
    , m_cancellation(std::move(cancellation))
{}

QUrl ProviderClient::openAIUrl(const QString &path) const { return endpoint(m_endpoints.openAI, path); }

QUrl ProviderClient::elevenUrl(const QString &path) const { return endpoint(m_endpoints.elevenLabs, path); }

QCoro::Task<QByteArray> ProviderClient::request(QUrl url, QString key, bool eleven,
                                                std::optional<QJsonObject> body) const
{
    m_cancellation.throwIfCancelled();
    if (!usableKey(key))
        throw TelvoraError(ProviderMessages::missingKey.toString());

    QNetworkRequest request(url);
    request.setTransferTimeout(int(m_endpoints.idleTimeout.count()));
    // A redirect to another host would carry the key along; only same-origin ones are
    // followed, any other reaches us as a 3xx and is refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    // Each call stands alone: nothing a provider sets is sent back on the next one.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    if (eleven)
        request.setRawHeader("xi-api-key", key.toUtf8());
    else
        request.setRawHeader("Authorization", "Bearer " + key.toUtf8());

    std::unique_ptr<QNetworkReply, DeleteLater> reply;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        reply.reset(m_session->post(request, QJsonDocument(*body).toJson(QJsonDocument::Compact)));
    } else {
        reply.reset(m_session->get(request));
    }

    // Qt ends an idle timeout with the same code as an abort, so remember who aborted.
    auto userAborted = std::make_shared<bool>(false);
    m_cancellation.onCancel(reply.get(), [reply = reply.get(), userAborted] {
        *userAborted = true;
        reply->abort();
    });

    co_await reply.get();

    if (*userAborted || m_cancellation.isCancelled())
        throw Cancelled();
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportFailure(error) || (!status.isValid() && error != QNetworkReply::NoError)) {
        // Only our own abort sets userAborted, so an abort here is the idle timeout.
        if (error == QNetworkReply::OperationCanceledError)
            throw TransportError(idleTimeoutMessage(m_endpoints.idleTimeout));
        throw TransportError(transportDescription(*reply));
    }
    if (!status.isValid())
        throw TelvoraError(ProviderMessages::invalidResponse.toString());
    const int code = status.toInt();
    if (code < 200 || code > 299)
        throw TelvoraError(httpFailure(code));
    co_return reply->readAll();
}

QCoro::Task<QString> ProviderClient::generate(QString source, QString instructions, QString key, QString model) const
{
    const QJsonObject body{{u"model"_s, model},
                           {u"instructions"_s, instructions},
                           {u"input"_s, source},
                           {u"store"_s, false},
                           {u"max_output_tokens"_s, maxOutputTokens}};
    const QByteArray data = co_await request(openAIUrl(u"/v1/responses"_s), key, false, body);
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
    const QByteArray data = co_await request(openAIUrl(u"/v1/models"_s), key, false, std::nullopt);
    co_return ProviderCatalogs::openAIModelIDs(data);
}

QCoro::Task<QStringList> ProviderClient::textModels(QString key) const
{
    const QStringList ids = co_await openAIModelIDs(std::move(key));
    co_return OpenAIModels::textCandidates(ids);
}

QCoro::Task<QStringList> ProviderClient::elevenModels(QString key) const
{
    const QByteArray data = co_await request(elevenUrl(u"/v1/models"_s), key, true, std::nullopt);
    co_return ProviderCatalogs::elevenModels(data);
}

QCoro::Task<QList<Voice>> ProviderClient::elevenVoices(QString key) const
{
    QList<Voice> collected;
    QSet<QString> seenTokens;
    QString token;
    for (;;) {
        QUrl url = elevenUrl(u"/v2/voices"_s);
        // Values are fully encoded so that the token the provider gave comes back intact.
        QString query = u"page_size=100"_s;
        if (!token.isEmpty())
            query += u"&next_page_token="_s + QString::fromLatin1(QUrl::toPercentEncoding(token));
        url.setQuery(query, QUrl::StrictMode);

        const QByteArray data = co_await request(url, key, true, std::nullopt);
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

QCoro::Task<QByteArray> ProviderClient::speech(QString text, VoiceProvider provider, QString key, QString voice,
                                               QString elevenModel, QString openAIModel) const
{
    if (provider == VoiceProvider::elevenLabs) {
        // A voice id with a lone surrogate has no UTF-8 form to put in the path.
        if (voice.isEmpty() || !voice.isValidUtf16())
            throw TelvoraError(ProviderMessages::selectElevenVoice.toString());
        QUrl url =
            elevenUrl(u"/v1/text-to-speech/"_s + QString::fromLatin1(QUrl::toPercentEncoding(voice, pathCharacters)));
        url.setQuery(u"output_format=mp3_44100_128"_s);
        const QJsonObject body{{u"text"_s, text}, {u"model_id"_s, elevenModel}};
        co_return co_await request(url, key, true, body);
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
    QJsonObject body{
        {u"model"_s, openAIModel}, {u"voice"_s, voice}, {u"input"_s, text}, {u"response_format"_s, u"mp3"_s}};
    if (!legacy)
        body.insert(u"instructions"_s, ProviderMessages::speechDelivery.toString());
    co_return co_await request(openAIUrl(u"/v1/audio/speech"_s), key, false, body);
}

} // namespace telvora
