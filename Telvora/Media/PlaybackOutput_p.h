#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace telvora {

/// Where a player's samples go: the machine's audio output or, without one, nowhere at
/// the same pace. Pulls from a PcmStream on the GUI thread.
class PlaybackOutput : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /// Starts pulling from `source`; false when the output cannot start.
    virtual bool start(QIODevice *source) = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    /// How much of the source has been played since start(), in microseconds.
    virtual qint64 playedMicroseconds() const = 0;

Q_SIGNALS:
    /// The source ran out and everything was handed over.
    void drained();
};

/// Consumes samples at real-time speed and discards them, so that a machine without audio
/// output plays, ends and meters like one with it.
class SilentOutput final : public PlaybackOutput
{
    Q_OBJECT
public:
    explicit SilentOutput(const QAudioFormat &format, QObject *parent = nullptr);

    bool start(QIODevice *source) override;
    void suspend() override;
    void resume() override;
    void stop() override;
    qint64 playedMicroseconds() const override;

private:
    void consume();

    QAudioFormat m_format;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QIODevice *m_source = nullptr;
    qint64 m_playedBefore = 0; // microseconds played before the current stretch
    qint64 m_consumed = 0;     // bytes taken from the source
    QByteArray m_scratch;
};

/// The machine's audio output through Qt Multimedia, in pull mode.
class DeviceOutput final : public PlaybackOutput
{
    Q_OBJECT
public:
    DeviceOutput(const QAudioDevice &device, const QAudioFormat &format, QObject *parent = nullptr);

    bool start(QIODevice *source) override;
    void suspend() override;
    void resume() override;
    void stop() override;
    qint64 playedMicroseconds() const override;

private:
    QAudioSink m_sink;
    QIODevice *m_source = nullptr;
};

} // namespace telvora
