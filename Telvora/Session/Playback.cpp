#include "Telvora/Session/Playback.h"

#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Media/FileAudioPlayer.h"
#include "Telvora/Session/Session.h"
#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Errors/Error.h"

#include <algorithm>
#include <cmath>

namespace telvora {

namespace {

// 0 dB reads 1.0, −30 dB 0.1, −60 dB 0.01.
double meterLevelOf(double decibels) { return std::pow(10.0, decibels / 30.0); }

} // namespace

Playback::Playback(Session &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_playerFactory(FileAudioPlayer::factory())
{
    m_audioPoll.setInterval(meterInterval);
    m_audioPoll.setTimerType(Qt::PreciseTimer);
    connect(&m_audioPoll, &QTimer::timeout, this, &Playback::meterTick);
}

Playback::~Playback() { m_audioPoll.stop(); }

void Playback::setAudioPlayerFactory(AudioPlayerFactory factory) { m_playerFactory = std::move(factory); }

std::unique_ptr<AudioPlayer> Playback::openAudioPlayer(const QString &path) const
{
    std::unique_ptr<AudioPlayer> player = m_playerFactory ? m_playerFactory(path) : nullptr;
    if (!player)
        throw TelvoraError(SessionTexts::unplayableAudio.toString());
    return player;
}

void Playback::toggleSource()
{
    if (!m_sourcePlayer)
        return;
    if (m_session.sourcePlaying()) {
        m_sourcePlayer->pause();
        m_session.setSourcePlaying(false);
        return;
    }
    if (m_voicePlayer)
        m_voicePlayer->pause();
    m_session.setVoicePlaying(false);
    m_sourcePlayer->play();
    m_session.setSourcePlaying(true);
    startAudioPoll();
}

void Playback::stopSource()
{
    if (m_sourcePlayer)
        m_sourcePlayer->stop();
    m_session.setSourcePlaying(false);
    Q_EMIT sourceMoved();
}

double Playback::sourcePosition() const { return m_sourcePlayer ? m_sourcePlayer->position() : 0; }

void Playback::playSourceFrom(double seconds)
{
    if (!m_sourcePlayer)
        return;
    m_sourcePlayer->seek(seconds);
    if (!m_session.sourcePlaying())
        toggleSource();
    Q_EMIT sourceMoved();
}

void Playback::rewindSource(double seconds)
{
    if (!m_sourcePlayer)
        return;
    m_sourcePlayer->seek(std::max(0.0, m_sourcePlayer->position() - seconds));
    Q_EMIT sourceMoved();
}

void Playback::playVoice()
{
    if (!m_voicePlayer)
        return;
    // The recording and the narration never play together.
    stopSource();
    m_voicePlayer->play();
    m_session.setVoicePlaying(true);
    startAudioPoll();
}

void Playback::pauseVoice()
{
    if (m_voicePlayer)
        m_voicePlayer->pause();
    m_session.setVoicePlaying(false);
}

void Playback::openRecording(const QUrl &url)
{
    m_recording = url;
    // A file no player accepts opens without player or duration: it may still transcribe.
    try {
        m_sourcePlayer = openAudioPlayer(url.toLocalFile());
    } catch (...) {
        m_sourcePlayer.reset();
    }
    if (m_sourcePlayer) {
        m_sourcePlayer->setMeteringEnabled(true);
        m_session.setDuration(m_sourcePlayer->duration());
        m_session.setHasSourcePlayer(true);
        Q_EMIT sourcePlayerChanged();
    }
    // The bars arrive later, off the GUI thread; opening anything else drops them.
    m_waveform.start([this, url](CancellationToken token) { return applyWaveform(url, token); },
                     [](const std::exception_ptr &) {});
}

QCoro::Task<> Playback::applyWaveform(QUrl url, CancellationToken token)
{
    const QList<double> bars = co_await Job::checked(token, AudioSamples::waveform(url.toLocalFile()));
    if (m_recording == url)
        m_session.setWaveform(bars);
}

void Playback::reset()
{
    m_waveform.cancel();
    m_recording.clear();
    dropSourcePlayer();
    m_session.setSourcePlaying(false);
    dropVoicePlayer();
    m_session.setMeterLevel(0);
    m_session.setDuration(0);
    m_session.setWaveform({});
}

void Playback::dropSourcePlayer()
{
    if (!m_sourcePlayer)
        return;
    m_sourcePlayer->stop();
    m_sourcePlayer.reset();
    m_session.setHasSourcePlayer(false);
    Q_EMIT sourcePlayerChanged();
}

void Playback::installVoicePlayer(std::unique_ptr<AudioPlayer> player)
{
    if (m_voicePlayer)
        m_voicePlayer->stop();
    m_voicePlayer = std::move(player);
    if (m_voicePlayer)
        m_voicePlayer->setMeteringEnabled(true);
    Q_EMIT voicePlayerChanged();
}

void Playback::dropVoicePlayer()
{
    if (m_voicePlayer) {
        m_voicePlayer->stop();
        m_voicePlayer.reset();
        Q_EMIT voicePlayerChanged();
    }
    m_session.setVoicePlaying(false);
}

void Playback::startAudioPoll()
{
    m_audioPoll.start();
    meterTick();
}

void Playback::stopAudioPoll()
{
    m_audioPoll.stop();
    m_session.setMeterLevel(0);
}

void Playback::meterTick()
{
    meterPass();
    // The loop ends by itself once nothing plays, leaving the needle at rest.
    if (!m_session.sourcePlaying() && !m_session.voicePlaying()) {
        m_audioPoll.stop();
        m_session.setMeterLevel(0);
    }
}

void Playback::meterPass()
{
    AudioPlayer *metered = m_session.voicePlaying() ? m_voicePlayer.get() : m_sourcePlayer.get();
    double level = 0;
    if (metered) {
        metered->updateMeters();
        if (metered->isPlaying())
            level = meterLevelOf(metered->averagePower());
    }
    m_session.setMeterLevel(level);
    // A player that reached its end stops by itself; the flags follow here.
    if (m_session.sourcePlaying() && !(m_sourcePlayer && m_sourcePlayer->isPlaying()))
        m_session.setSourcePlaying(false);
    if (m_session.voicePlaying() && !(m_voicePlayer && m_voicePlayer->isPlaying()))
        m_session.setVoicePlaying(false);
}

} // namespace telvora
