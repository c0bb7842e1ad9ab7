#pragma once

#include "TelvoraCore/Provider/ProviderEndpoints.h"
#include "TelvoraCore/Support/CancellationToken.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/Voice.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;

namespace telvora {

/// The one gateway to OpenAI and ElevenLabs. Keeps no state between calls: copies are
/// cheap, and a client may be built for each operation. Every coroutine runs on the
/// thread of `session` (the GUI thread). A task works on its own copy of the client, so
/// the client object may go away while its tasks run; a task whose network manager is
/// destroyed under it ends with Cancelled.
///
/// Each request goes out at most once: when the connection drops before the answer, the
/// request fails instead of being sent again.
///
/// Failures: TelvoraError for the program's own messages (empty key, HTTP status, bad
/// answers, a body past the size limit), JsonError for a body that is not JSON,
/// TransportError when no whole HTTP answer arrived (no connection, the idle timeout, a
/// body cut short), Cancelled when the token was cancelled.
class ProviderClient
{
public:
    explicit ProviderClient(QNetworkAccessManager *network,
                            ProviderEndpoints endpoints = ProviderEndpoints::fromEnvironment(),
                            CancellationToken cancellation = {});

    /// One Responses request with the given instructions; returns the generated text.
    QCoro::Task<QString> generate(QString source, QString instructions, QString key, QString model) const;
    /// generate() with the editorial instructions for `kind` and `length`.
    QCoro::Task<QString> generateEditorial(QString source, OutputKind kind, OutputLength length, QString key,
                                           QString model) const;
    /// The document text of a Responses answer; throws on incomplete, refused or empty ones.
    static QString responseText(const QByteArray &data);

    /// Every model identifier of the OpenAI account, unique, in code-point order.
    QCoro::Task<QStringList> openAIModelIDs(QString key) const;
    /// OpenAIModels::textCandidates of the account's models.
    QCoro::Task<QStringList> textModels(QString key) const;
    /// The ElevenLabs models able to do text to speech, unique, in code-point order.
    QCoro::Task<QStringList> elevenModels(QString key) const;
    /// Every voice of the ElevenLabs account (all pages), unique by id, in natural order of name.
    QCoro::Task<QList<Voice>> elevenVoices(QString key) const;

    /// MP3 audio of `text` spoken by `voice`; only the chosen provider's model is used.
    QCoro::Task<QByteArray> speech(QString text, VoiceProvider provider, QString key, QString voice,
                                   QString elevenModel, QString openAIModel) const;
    /// The audio format speech() asks of `provider`: "mp3_44100_128" or "mp3".
    static QString speechFormat(VoiceProvider provider);

    const ProviderEndpoints &endpoints() const noexcept { return m_endpoints; }

private:
    // Static, with the client by value: the task must not reach back into an object that
    // may be gone when it resumes. Member coroutines likewise never touch `this` after
    // their first suspension.
    static QCoro::Task<QByteArray> request(ProviderClient client, QUrl url, QString key, bool eleven,
                                           std::optional<QJsonObject> body);
    // One request and its reply: the body, or where a 307/308 sends the request next.
    struct Exchange
    {
        QByteArray body;
        std::optional<QUrl> redirect;
    };
    static QCoro::Task<Exchange> exchange(ProviderClient client, QUrl url, QString key, bool eleven,
                                          std::optional<QJsonObject> body, bool mayRedirect);
    QUrl openAIUrl(const QString &path) const;
    QUrl elevenUrl(const QString &path) const;

    QPointer<QNetworkAccessManager> m_network;
    ProviderEndpoints m_endpoints;
    CancellationToken m_cancellation;
};

} // namespace telvora
