#pragma once

#include "Telvora/Media/AudioPlayer.h"
#include "Telvora/Session/Job.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

namespace telvora {

class Session;

/// Playing the opened recording and the narration, the level meter, and the recording's
/// waveform. Owns both players; the session shows whether they play and the meter's level.
class Playback : public QObject
{
    Q_OBJECT
public:
    explicit Playback(Session &session, QObject *parent = nullptr);
    ~Playback() override;

    /// Makes the players of recordings and narrations. The default plays files through
    /// FFmpeg (FileAudioPlayer); tests give players that need no real time.
    void setAudioPlayerFactory(AudioPlayerFactory factory);
    /// A player of `path` from the factory; throws when the file cannot be played.
    std::unique_ptr<AudioPlayer> openAudioPlayer(const QString &path) const;

    /// The player of the opened recording; null for a text source or a file it cannot play.
    AudioPlayer *sourcePlayer() const { return m_sourcePlayer.get(); }
    /// The narration's player, with metering on; null while there is no narration.
    AudioPlayer *voicePlayer() const { return m_voicePlayer.get(); }

    /// The recording's play/pause key: pauses it, or pauses the narration and plays it.
    void toggleSource();
    /// The recording's stop key: stops it back at the start.
    void stopSource();
    /// Where the recording stands, in seconds; 0 without one.
    double sourcePosition() const;
    /// Plays the recording from `seconds`, stopping the narration.
    void playSourceFrom(double seconds);
    /// Moves the recording `seconds` back (not before its start), playing or not.
    void rewindSource(double seconds);
    /// Plays the narration from where it stands, stopping the recording.
    void playVoice();
    void pauseVoice();

    /// Takes `url` as the recording: its player (when one accepts it), duration and waveform.
    void openRecording(const QUrl &url);
    /// Drops the recording's player and the narration's, its duration and waveform, and
    /// rests the needle.
    void reset();
    /// Installs the narration's player with metering switched on.
    void installVoicePlayer(std::unique_ptr<AudioPlayer> player);
    void dropVoicePlayer();

    /// (Re)starts the meter loop: a pass every 80 ms while anything plays, ending by itself
    /// with the level at 0.
    void startAudioPoll();
    /// Ends the meter loop and sets the level to 0.
    void stopAudioPoll();

Q_SIGNALS:
    void sourcePlayerChanged();
    /// The recording was moved or stopped: where it stands changed other than by playing.
    void sourceMoved();
    void voicePlayerChanged();

private:
    void dropSourcePlayer();
    QCoro::Task<> applyWaveform(QUrl url, CancellationToken token);
    void meterTick();
    void meterPass();

    Session &m_session;
    AudioPlayerFactory m_playerFactory;
    // The opened recording: the source itself, or the one beside an opened transcript.
    QUrl m_recording;
    std::unique_ptr<AudioPlayer> m_sourcePlayer;
    std::unique_ptr<AudioPlayer> m_voicePlayer;
    // A timer rather than a coroutine: nothing is left suspended when playback goes away.
    QTimer m_audioPoll;
    static constexpr std::chrono::milliseconds meterInterval{80};
    Job m_waveform;
};

} // namespace telvora
