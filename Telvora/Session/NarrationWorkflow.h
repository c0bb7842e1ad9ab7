#pragma once

#include "Telvora/Session/Job.h"
#include "TelvoraCore/Vocabulary/Voice.h"

#include <QObject>
#include <QString>

namespace telvora {

class KeychainStore;
class Playback;
class Providers;
class Session;
class Settings;
class UserPrompts;

/// Narration: the script, the speech of each chunk, the joined audio and its player, the
/// listen key, the export of the audio, and the voices each provider offers. Owns the
/// narration's temporary folder, which never outlives it.
class NarrationWorkflow : public QObject
{
    Q_OBJECT
public:
    NarrationWorkflow(Session &session, Settings &settings, KeychainStore &keychain, Providers &providers,
                      UserPrompts &prompts, Playback &playback, QObject *parent = nullptr);
    ~NarrationWorkflow() override;

    /// The listen key: pauses the narration, resumes it, or makes it (and then plays it).
    void listen();
    /// Asks a running narration to stop.
    void cancel();
    /// Saves a copy of the narration audio where the user chooses.
    void exportAudio();
    /// The name the save dialog proposes for the narration audio.
    QString audioExportFileName() const;
    /// Drops the narration audio: its player, its file location and its folder of parts.
    void discardVoice();

    /// Makes the narration of the output text and installs it, within the running job of
    /// `token`; throws on failure, leaving the previous narration as it was.
    QCoro::Task<> synthesize(bool play, CancellationToken token);

    /// The voices the current provider offers: the OpenAI catalogue of the speech model, or
    /// the last fetched ElevenLabs voices.
    QList<Voice> voices() const;
    /// Fetches the ElevenLabs voices and chooses the first when none is chosen. Failures end
    /// as "Erro" with the message, keeping the list and the choice. A refresh asked for while
    /// one runs is ignored; it does not depend on `busy`.
    void refreshVoices();

Q_SIGNALS:
    /// How many of a narration's parts are on disk: after the cached ones were copied, then
    /// after each part spoken.
    void speechProgress(qsizetype done, qsizetype parts);

private:
    QString audioExportBaseName() const;
    void keepOfferedVoice();
    QCoro::Task<> narration(CancellationToken token);
    QCoro::Task<> voiceList(CancellationToken token);

    Session &m_session;
    Settings &m_settings;
    KeychainStore &m_keychain;
    Providers &m_providers;
    UserPrompts &m_prompts;
    Playback &m_playback;
    QString m_voiceDirectory;
    Job m_job;
    Job m_voicesJob;
};

} // namespace telvora
