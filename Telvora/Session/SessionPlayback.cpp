// Playing the recording and the narration, the level meter, and the recording's waveform.

#include "Telvora/Session/Session.h"

#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Errors/Error.h"

#include <QCoroTimer>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace telvora {

namespace {

// 0 dB reads 1.0, −30 dB 0.1, −60 dB 0.01.
double meterLevelOf(double decibels) { return std::pow(10.0, decibels / 30.0); }

} // namespace

void Session::setAudioPlayerFactory(AudioPlayerFactory factory) { m_playerFactory = std::move(factory); }

std::unique_ptr<AudioPlayer> Session::openAudioPlayer(const QString &path) const
{
    std::unique_ptr<AudioPlayer> player = m_playerFactory ? m_playerFactory(path) : nullptr;
    if (!player)
        throw TelvoraError(SessionTexts::unplayableAudio.toString());
    return player;
}

void Session::installVoicePlayer(std::unique_ptr<AudioPlayer> player)
{
    if (m_voicePlayer)
        m_voicePlayer->stop();
    m_voicePlayer = std::move(player);
    if (m_voicePlayer)
        m_voicePlayer->setMeteringEnabled(true);
    Q_EMIT voicePlayerChanged();
}

void Session::toggleSource()
{
    if (!m_sourcePlayer)
        return;
    if (sourcePlaying()) {
        m_sourcePlayer->pause();
        setSourcePlaying(false);
        return;
    }
    if (m_voicePlayer)
        m_voicePlayer->pause();
    setVoicePlaying(false);
    m_sourcePlayer->play();
    setSourcePlaying(true);
    startAudioPoll();
}

void Session::stopSource()
{
    if (m_sourcePlayer)
        m_sourcePlayer->stop();
    setSourcePlaying(false);
}

void Session::startAudioPoll()
{
    m_audioPoll.start();
    meterTick();
}

void Session::stopAudioPoll()
{
    m_audioPoll.stop();
    setMeterLevel(0);
}

// Holds the session weakly: a pass after the session is gone, or after the loop was
// cancelled, does nothing.
void Session::meterTick()
{
    meterPass();
    // The loop ends by itself once nothing plays, leaving the needle at rest.
    if (!sourcePlaying() && !voicePlaying()) {
        m_audioPoll.stop();
        setMeterLevel(0);
    }
}

void Session::meterPass()
{
    AudioPlayer *metered = voicePlaying() ? m_voicePlayer.get() : m_sourcePlayer.get();
    double level = 0;
    if (metered) {
        metered->updateMeters();
        if (metered->isPlaying())
            level = meterLevelOf(metered->averagePower());
    }
    setMeterLevel(level);
    // A player that reached its end stops by itself; the flags follow here.
    if (sourcePlaying() && !(m_sourcePlayer && m_sourcePlayer->isPlaying()))
        setSourcePlaying(false);
    if (voicePlaying() && !(m_voicePlayer && m_voicePlayer->isPlaying()))
        setVoicePlaying(false);
}

void Session::resetAudio()
{
    if (m_sourcePlayer) {
        m_sourcePlayer->stop();
        m_sourcePlayer.reset();
        Q_EMIT sourcePlayerChanged();
    }
    setSourcePlaying(false);
    discardVoice();
    setMeterLevel(0);
}

void Session::openRecording(const QUrl &url)
{
    // A file no player accepts opens without player or duration: it may still transcribe.
    try {
        m_sourcePlayer = openAudioPlayer(url.toLocalFile());
    } catch (...) {
        m_sourcePlayer.reset();
    }
    if (m_sourcePlayer) {
        m_sourcePlayer->setMeteringEnabled(true);
        setDuration(m_sourcePlayer->duration());
        Q_EMIT sourcePlayerChanged();
    }
    applyWaveform(url);
}

// The bars arrive later, off the GUI thread; they are dropped if another file (or the
// example) was opened meanwhile, or the session is gone.
QCoro::Task<> Session::applyWaveform(QUrl url)
{
    const QPointer<Session> session(this);
    const QString path = url.toLocalFile();
    QCoro::Task<QList<double>> computing = AudioSamples::waveform(path);
    const QList<double> bars = co_await std::move(computing);
    if (session && session->sourceURL() == url)
        session->setWaveform(bars);
}

} // namespace telvora
