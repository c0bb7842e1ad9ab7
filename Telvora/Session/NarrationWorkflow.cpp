#include "Telvora/Session/NarrationWorkflow.h"

#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Media/MediaError.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/Credentials/KeychainStore.h"
#include "Telvora/Session/LongJob.h"
#include "Telvora/Session/NarrationFolder.h"
#include "Telvora/Session/NarrationMetadata.h"
#include "Telvora/Session/Playback.h"
#include "Telvora/Session/Providers.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "Telvora/Session/Settings.h"
#include "Telvora/Session/SpeechCache.h"
#include "Telvora/Session/UserPrompts.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Vocabulary/AIModels.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

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

// While a retry requests the parts it lacks, each part's line keeps saying how many were
// reused, so the saving stays in sight ("Voz 3/4… · 2 reaproveitadas").
QString partStatus(qsizetype index, qsizetype count, qsizetype reused)
{
    QString status = SessionTexts::voicePartPrefix.toString() + QString::number(index + 1) + u'/'
        + QString::number(count) + SessionTexts::voicePartSuffix.toString();
    if (reused > 0)
        status += SessionTexts::reusedPartsSeparator.toString() + QString::number(reused)
            + (reused == 1 ? SessionTexts::reusedPartSingular : SessionTexts::reusedPartsPlural).toString();
    return status;
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

bool offersVoice(const QList<Voice> &voices, const QString &id)
{
    return std::any_of(voices.cbegin(), voices.cend(), [&id](const Voice &voice) { return voice.id == id; });
}

} // namespace

NarrationWorkflow::NarrationWorkflow(Session &session, Settings &settings, KeychainStore &keychain,
                                     Providers &providers, UserPrompts &prompts, Playback &playback, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_settings(settings)
    , m_keychain(keychain)
    , m_providers(providers)
    , m_prompts(prompts)
    , m_playback(playback)
{
    const QList<Voice> voices = AIModels::voices(settings.openAISpeechModel());
    session.setOpenAIVoice(voices.isEmpty() ? SessionTexts::initialVoiceFallback.toString() : voices.first().id);

    // Narration audio is derived from the text, the provider, the voice and the models: any
    // real change of them drops it.
    for (const auto changed : {&Session::outputTextChanged, &Session::openAIVoiceChanged, &Session::elevenVoiceChanged})
        connect(&session, changed, this, &NarrationWorkflow::discardVoice);
    connect(&session, &Session::providerChanged, this, &NarrationWorkflow::discardVoice);
    for (const auto changed :
         {&Settings::narrationModelChanged, &Settings::elevenModelChanged, &Settings::openAISpeechModelChanged})
        connect(&settings, changed, this, &NarrationWorkflow::discardVoice);
    connect(&settings, &Settings::openAISpeechModelAssigned, this, &NarrationWorkflow::keepOfferedVoice);
}

// The narration's files are temporary: they never outlive the workflow.
NarrationWorkflow::~NarrationWorkflow() { discardVoice(); }

void NarrationWorkflow::keepOfferedVoice()
{
    if (!offersVoice(AIModels::voices(m_settings.openAISpeechModel()), m_session.openAIVoice()))
        m_session.setOpenAIVoice(SessionTexts::voiceFallback.toString());
}

void NarrationWorkflow::discardVoice()
{
    m_playback.dropVoicePlayer();
    m_session.setNarrationAudio(QUrl());
    if (!m_voiceDirectory.isEmpty()) {
        QDir(std::exchange(m_voiceDirectory, QString())).removeRecursively(); // leftovers are the temp folder's
    }
}

void NarrationWorkflow::listen()
{
    if (m_session.voicePlaying()) {
        m_playback.pauseVoice();
        return;
    }
    if (m_playback.voicePlayer()) {
        m_playback.playVoice();
        return;
    }
    if (m_session.busy() || !m_session.voiceEnabled() || m_session.outputText().isEmpty())
        return;
    LongJob::start(m_session, m_job, SessionTexts::preparingVoice.toString(),
                   [this](CancellationToken token) { return narration(token); });
}

void NarrationWorkflow::cancel() { m_job.cancel(); }

QCoro::Task<> NarrationWorkflow::narration(CancellationToken token) { co_await synthesize(true, token); }

QCoro::Task<> NarrationWorkflow::synthesize(bool play, CancellationToken token)
{
    const QString openAIKey = co_await Job::checked(token, m_keychain.read(KeychainAccount::openAI));
    const VoiceProvider speechProvider = m_session.provider();
    // No co_await inside a conditional expression: GCC 12 destroys its temporaries twice.
    QString speechKey = openAIKey;
    if (speechProvider == VoiceProvider::elevenLabs)
        speechKey = co_await Job::checked(token, m_keychain.read(KeychainAccount::elevenLabs));
    const QString voice = m_session.voiceID();
    const QString eleven = m_settings.elevenModel();
    const QString openAISpeech = m_settings.openAISpeechModel();
    const QString scriptModel =
        m_settings.narrationModel().isEmpty() ? m_settings.textModel() : m_settings.narrationModel();
    // The script is always written by an OpenAI model, whichever provider speaks it.
    if (openAIKey.isEmpty() || speechKey.isEmpty() || voice.isEmpty())
        throw TelvoraError(SessionTexts::configureVoice.toString());

    m_session.setStatus(SessionTexts::preparingNarration.toString());
    const QString narrated = m_session.outputText();
    const ProviderClient client = m_providers.client(token);
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
    const qsizetype reused = chunks.size() - missing.size();
    if (reused > 0)
        m_session.setStatus(reusingStatus(reused, chunks.size()));
    qsizetype done = reused;
    Q_EMIT speechProgress(done, chunks.size());
    for (const qsizetype i : missing) {
        // A chunk repeated in the script is paid for once.
        const qsizetype same = keys.indexOf(keys[i]);
        if (same < i) {
            AtomicFile::write(folder.partPath(i), AtomicFile::read(folder.partPath(same)));
            Q_EMIT speechProgress(++done, chunks.size());
            continue;
        }
        token.throwIfCancelled();
        if (m_session.outputText() != narrated)
            throw TelvoraError(SessionTexts::changedDuringNarration.toString());
        m_session.setStatus(partStatus(i, chunks.size(), reused));
        const QByteArray audio =
            co_await client.speech(chunks[i], speechProvider, speechKey, voice, eleven, openAISpeech);
        // Cached before anything else can fail, so a retry does not pay for it again.
        cache.store(keys[i], audio);
        AtomicFile::write(folder.partPath(i), audio);
        Q_EMIT speechProgress(++done, chunks.size());
    }
    QStringList parts;
    for (qsizetype i = 0; i < chunks.size(); ++i)
        parts.append(folder.partPath(i));

    // A part the join refuses may be a reply that is not audio: none of this
    // narration's parts is offered again. Even a single part is encoded again, to reach the
    // loudness and carry the tags.
    const NarrationTags tags =
        NarrationMetadata::tags(narrated, script, chunks, m_session.generatedKind(), audioExportBaseName());
    QString narration;
    try {
        narration = co_await Job::checked(token, AudioSamples::join(parts, folder.path(), tags, token));
    } catch (const Cancelled &) {
        throw;
    } catch (const NotMediaError &) {
        forgetParts(cache, keys);
        throw TelvoraError(SessionTexts::speechNotAudio.toString());
    } catch (...) {
        forgetParts(cache, keys);
        throw;
    }
    token.throwIfCancelled();
    if (m_session.outputText() != narrated)
        throw TelvoraError(SessionTexts::changedAfterNarration.toString());

    // Everything that can fail happens before the previous narration is dropped. The player
    // opens the join's own file, whose parts were all decoded above.
    std::unique_ptr<AudioPlayer> player = m_playback.openAudioPlayer(narration);
    discardVoice();
    m_voiceDirectory = folder.release();
    m_playback.installVoicePlayer(std::move(player));
    m_session.setNarrationAudio(QUrl::fromLocalFile(narration));
    if (play)
        m_playback.playVoice();
    m_session.setStatus(SessionTexts::audioReady.toString());
}

QString NarrationWorkflow::audioExportBaseName() const
{
    return SessionTexts::exportedAudioPrefix.toString() + m_session.generatedKind().rawValue();
}

QString NarrationWorkflow::audioExportFileName() const
{
    return audioExportBaseName() + u'.' + QFileInfo(m_session.narrationAudio().toLocalFile()).suffix();
}

void NarrationWorkflow::exportAudio()
{
    if (m_session.narrationAudio().isEmpty())
        return;
    const QString narration = m_session.narrationAudio().toLocalFile();
    UserPrompts::SaveDialog dialog;
    dialog.allowedTypes = {QFileInfo(narration).suffix() == u"mp3" ? UserPrompts::FileType::mp3
                                                                   : UserPrompts::FileType::mpeg4Audio};
    dialog.proposedName = audioExportFileName();
    const std::optional<QString> path = m_prompts.chooseSaveLocation(dialog);
    if (!path || path->isEmpty())
        return;
    try {
        AtomicFile::write(*path, AtomicFile::read(narration));
    } catch (...) {
        LongJob::report(m_session, std::current_exception());
        return;
    }
    m_session.setStatus(SessionTexts::audioExported.toString());
}

QList<Voice> NarrationWorkflow::voices() const
{
    return m_session.provider() == VoiceProvider::openAI ? AIModels::voices(m_settings.openAISpeechModel())
                                                         : m_session.elevenVoices();
}

void NarrationWorkflow::refreshVoices()
{
    if (m_session.voicesLoading())
        return;
    m_session.setVoicesLoading(true);
    m_voicesJob.start([this](CancellationToken token) { return voiceList(token); },
                      [this](const std::exception_ptr &failure) {
                          if (failure)
                              LongJob::report(m_session, failure);
                          m_session.setVoicesLoading(false);
                      });
}

QCoro::Task<> NarrationWorkflow::voiceList(CancellationToken token)
{
    const QString key = co_await Job::checked(token, m_keychain.read(KeychainAccount::elevenLabs));
    const ProviderClient client = m_providers.client(token);
    const QList<Voice> fetched = co_await client.elevenVoices(key);
    m_session.setElevenVoices(fetched);
    // A voice chosen before stays chosen, even when the account no longer has it.
    if (m_session.elevenVoice().isEmpty())
        m_session.setElevenVoice(fetched.isEmpty() ? QString() : fetched.first().id);
}

} // namespace telvora
