// Narration: the script, the speech of each chunk, the joined audio and its player, the
// listen key and the export of the audio.

#include "Telvora/Session/Session.h"

#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/NarrationFolder.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/SpeechCache.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/ProviderClient.h"

#include <QFileInfo>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// The ElevenLabs models that read expression tags such as [curious].
bool takesExpressiveTags(const QString &elevenModel)
{
    return elevenModel == u"eleven_v4" || elevenModel == u"eleven_v4_turbo" || elevenModel == u"eleven_v3";
}

// The longest text each provider's speech endpoint takes in one request.
int chunkLimit(VoiceProvider provider) { return provider == VoiceProvider::openAI ? 3000 : 4500; }

QString partStatus(qsizetype index, qsizetype count)
{
    return SessionTexts::voicePartPrefix.toString() + QString::number(index + 1) + u'/' + QString::number(count)
        + SessionTexts::voicePartSuffix.toString();
}

QString reusingStatus(qsizetype reused, qsizetype count)
{
    return SessionTexts::reusingPartsPrefix.toString() + QString::number(reused)
        + SessionTexts::reusingPartsMiddle.toString() + QString::number(count)
        + SessionTexts::reusingPartsSuffix.toString();
}

QList<QByteArray> partKeys(const QStringList &chunks, VoiceProvider provider, const QString &model,
                           const QString &voice)
{
    const QString format = ProviderClient::speechFormat(provider);
    QList<QByteArray> keys;
    keys.reserve(chunks.size());
    for (const QString &chunk : chunks)
        keys.append(SpeechCache::partKey(provider, model, voice, format, chunk));
    return keys;
}

// Copies the parts already paid for into the folder; answers the indexes still to request.
QList<qsizetype> reuseCachedParts(const SpeechCache &cache, const QList<QByteArray> &keys,
                                  const NarrationFolder &folder)
{
    QList<qsizetype> missing;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const std::optional<QByteArray> audio = cache.find(keys[i]);
        if (audio)
            AtomicFile::write(folder.partPath(i), *audio);
        else
            missing.append(i);
    }
    return missing;
}

void forgetParts(const SpeechCache &cache, const QList<QByteArray> &keys)
{
    for (const QByteArray &key : keys)
        cache.forget(key);
}

} // namespace

QCoro::Task<> Session::synthesize(bool play, CancellationToken token)
{
    const QString openAIKey = m_keychain.read(u"openai"_s);
    const VoiceProvider speechProvider = provider();
    const QString voice = voiceID();
    const QString eleven = elevenModel();
    const QString openAISpeech = openAISpeechModel();
    const QString scriptModel = narrationModel().isEmpty() ? textModel() : narrationModel();
    const QString speechKey = speechProvider == VoiceProvider::openAI ? openAIKey : m_keychain.read(u"elevenlabs"_s);
    // The script is always written by an OpenAI model, whichever provider speaks it.
    if (openAIKey.isEmpty() || speechKey.isEmpty() || voice.isEmpty())
        throw TelvoraError(SessionTexts::configureVoice.toString());

    setStatus(SessionTexts::preparingNarration.toString());
    const QString narrated = outputText();
    const ProviderClient client(&m_network, m_endpoints, token);
    const QString instructions = Editorial::speechInstructions(speechProvider, takesExpressiveTags(eleven));
    // A model never writes the same script twice, so a retry reuses the script as well as its parts.
    const SpeechCache cache;
    const QByteArray scriptKey = SpeechCache::scriptKey(scriptModel, instructions, narrated);
    const std::optional<QByteArray> cachedScript = cache.find(scriptKey);
    QString script;
    if (cachedScript)
        script = QString::fromUtf8(*cachedScript);
    else
        script = co_await client.generate(narrated, instructions, openAIKey, scriptModel);
    const QStringList chunks = Editorial::speechChunks(script, chunkLimit(speechProvider));
    if (!cachedScript && !chunks.isEmpty())
        cache.store(scriptKey, script.toUtf8());

    NarrationFolder folder;
    if (chunks.isEmpty())
        throw TelvoraError(SessionTexts::noAudio.toString());
    const QString speechModel = speechProvider == VoiceProvider::openAI ? openAISpeech : eleven;
    const QList<QByteArray> keys = partKeys(chunks, speechProvider, speechModel, voice);
    const QList<qsizetype> missing = reuseCachedParts(cache, keys, folder);
    if (missing.size() < chunks.size())
        setStatus(reusingStatus(chunks.size() - missing.size(), chunks.size()));
    for (const qsizetype i : missing) {
        // A chunk repeated in the script is paid for once.
        const qsizetype same = keys.indexOf(keys[i]);
        if (same < i) {
            AtomicFile::write(folder.partPath(i), AtomicFile::read(folder.partPath(same)));
            continue;
        }
        token.throwIfCancelled();
        if (outputText() != narrated)
            throw TelvoraError(SessionTexts::changedDuringNarration.toString());
        setStatus(partStatus(i, chunks.size()));
        const QByteArray audio =
            co_await client.speech(chunks[i], speechProvider, speechKey, voice, eleven, openAISpeech);
        // Cached before anything else can fail, so a retry does not pay for it again.
        cache.store(keys[i], audio);
        AtomicFile::write(folder.partPath(i), audio);
    }
    QStringList parts;
    for (qsizetype i = 0; i < chunks.size(); ++i)
        parts.append(folder.partPath(i));

    // A part the join or the player refuses may be a reply that is not audio: none of this
    // narration's parts is offered again.
    QString narration = parts.first();
    if (parts.size() > 1) {
        // The join runs off the GUI thread; the session may be gone when it returns.
        const QPointer<Session> alive(this);
        try {
            narration = co_await AudioSamples::join(parts, folder.path(), token);
        } catch (const Cancelled &) {
            throw;
        } catch (...) {
            forgetParts(cache, keys);
            throw;
        }
        if (!alive)
            throw Cancelled();
    }
    token.throwIfCancelled();
    if (outputText() != narrated)
        throw TelvoraError(SessionTexts::changedAfterNarration.toString());

    // Everything that can fail happens before the previous narration is dropped.
    std::unique_ptr<AudioPlayer> player;
    try {
        player = openAudioPlayer(narration);
    } catch (...) {
        forgetParts(cache, keys);
        throw;
    }
    discardVoice();
    voiceDirectory = folder.release();
    installVoicePlayer(std::move(player));
    voiceURL = QUrl::fromLocalFile(narration);
    if (play)
        playNarration();
    setStatus(SessionTexts::audioReady.toString());
}

void Session::playNarration()
{
    // The recording and the narration never play together.
    stopSource();
    voicePlayer()->play();
    setVoicePlaying(true);
    startAudioPoll();
}

void Session::listen()
{
    if (voicePlaying()) {
        if (voicePlayer())
            voicePlayer()->pause();
        setVoicePlaying(false);
        return;
    }
    if (voicePlayer()) {
        playNarration();
        return;
    }
    if (busy() || !voiceEnabled() || outputText().isEmpty())
        return;
    setBusy(true);
    setStatus(SessionTexts::preparingVoice.toString());
    setErrorMessage(std::nullopt);
    startJob([this](CancellationToken token) { return synthesize(true, token); });
}

QString Session::audioExportFileName() const
{
    return SessionTexts::exportedAudioPrefix.toString() + generatedKind().rawValue() + u'.'
        + QFileInfo(voiceURL.toLocalFile()).suffix();
}

void Session::exportAudio()
{
    if (voiceURL.isEmpty())
        return;
    const QString narration = voiceURL.toLocalFile();
    UserPrompts::SaveDialog dialog;
    dialog.allowedTypes = {QFileInfo(narration).suffix() == u"mp3" ? UserPrompts::FileType::mp3
                                                                   : UserPrompts::FileType::mpeg4Audio};
    dialog.proposedName = audioExportFileName();
    const std::optional<QString> path = m_prompts->chooseSaveLocation(dialog);
    if (!path || path->isEmpty())
        return;
    try {
        AtomicFile::write(*path, AtomicFile::read(narration));
    } catch (...) {
        report(std::current_exception());
        return;
    }
    setStatus(SessionTexts::audioExported.toString());
}

} // namespace telvora
