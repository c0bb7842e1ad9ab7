// Narration: the script, the speech of each chunk, the joined audio and its player, the
// listen key and the export of the audio.

#include "Telvora/Session/Session.h"

#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Session/AtomicFile.h"
#include "Telvora/Session/NarrationFolder.h"
#include "Telvora/Session/SessionTexts.h"
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
    const QString script = co_await client.generate(narrated, instructions, openAIKey, scriptModel);
    const QStringList chunks = Editorial::speechChunks(script, chunkLimit(speechProvider));

    NarrationFolder folder;
    if (chunks.isEmpty())
        throw TelvoraError(SessionTexts::noAudio.toString());
    QStringList parts;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        token.throwIfCancelled();
        if (outputText() != narrated)
            throw TelvoraError(SessionTexts::changedDuringNarration.toString());
        setStatus(partStatus(i, chunks.size()));
        const QByteArray audio =
            co_await client.speech(chunks[i], speechProvider, speechKey, voice, eleven, openAISpeech);
        AtomicFile::write(folder.partPath(i), audio);
        parts.append(folder.partPath(i));
    }

    QString narration = parts.first();
    if (parts.size() > 1) {
        // The join runs off the GUI thread; the session may be gone when it returns.
        const QPointer<Session> alive(this);
        narration = co_await AudioSamples::join(parts, folder.path(), token);
        if (!alive)
            throw Cancelled();
    }
    token.throwIfCancelled();
    if (outputText() != narrated)
        throw TelvoraError(SessionTexts::changedAfterNarration.toString());

    // Everything that can fail happens before the previous narration is dropped.
    std::unique_ptr<AudioPlayer> player = openAudioPlayer(narration);
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
