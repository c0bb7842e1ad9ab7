#include "Telvora/Media/PlaybackOutput_p.h"

#include <algorithm>
#include <chrono>

namespace telvora {

namespace {

constexpr std::chrono::milliseconds silentTick(20);
constexpr qint64 largestRead = 64 * 1024;

} // namespace

SilentOutput::SilentOutput(const QAudioFormat &format, QObject *parent)
    : PlaybackOutput(parent)
    , m_format(format)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(silentTick);
    connect(&m_timer, &QTimer::timeout, this, &SilentOutput::consume);
}

bool SilentOutput::start(QIODevice *source)
{
    m_source = source;
    m_playedBefore = 0;
    m_consumed = 0;
    m_clock.start();
    m_timer.start();
    return true;
}

void SilentOutput::suspend()
{
    if (!m_timer.isActive())
        return;
    m_playedBefore += m_clock.nsecsElapsed() / 1000;
    m_timer.stop();
}

void SilentOutput::resume()
{
    if (m_timer.isActive() || !m_source)
        return;
    m_clock.start();
    m_timer.start();
}

void SilentOutput::stop()
{
    m_timer.stop();
    m_source = nullptr;
}

qint64 SilentOutput::playedMicroseconds() const
{
    return m_playedBefore + (m_timer.isActive() ? m_clock.nsecsElapsed() / 1000 : 0);
}

// Takes what real-time playback would have taken since the start.
void SilentOutput::consume()
{
    if (!m_source)
        return;
    const qint64 played = m_playedBefore + m_clock.nsecsElapsed() / 1000;
    qint64 due = m_format.bytesForDuration(played) - m_consumed;
    while (due > 0) {
        m_scratch.resize(qsizetype(std::min(due, largestRead)));
        const qint64 got = m_source->read(m_scratch.data(), m_scratch.size());
        if (got <= 0)
            break;
        m_consumed += got;
        due -= got;
    }
    if (due > 0 && m_source->atEnd()) {
        stop();
        Q_EMIT drained();
    }
}

DeviceOutput::DeviceOutput(const QAudioDevice &device, const QAudioFormat &format, QObject *parent)
    : PlaybackOutput(parent)
    , m_sink(device, format)
{
    connect(&m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState && m_source && m_source->atEnd())
            Q_EMIT drained();
    });
}

bool DeviceOutput::start(QIODevice *source)
{
    m_source = source;
    m_sink.start(source);
    // On a machine whose output cannot open, the sink stays stopped with an error.
    return m_sink.error() == QAudio::NoError && m_sink.state() != QAudio::StoppedState;
}

void DeviceOutput::suspend() { m_sink.suspend(); }
void DeviceOutput::resume() { m_sink.resume(); }

qint64 DeviceOutput::playedMicroseconds() const { return m_sink.processedUSecs(); }

void DeviceOutput::stop()
{
    m_source = nullptr;
    m_sink.stop();
}

} // namespace telvora
