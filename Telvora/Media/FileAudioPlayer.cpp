#include "Telvora/Media/FileAudioPlayer.h"

#include "Telvora/Media/LevelMeter.h"
#include "Telvora/Media/MediaTexts.h"
#include "Telvora/Media/PcmStream_p.h"
#include "Telvora/Media/PlaybackOutput_p.h"
#include "TelvoraCore/Errors/Error.h"

#include <QMediaDevices>

#include <algorithm>
#include <cmath>

namespace telvora {

namespace {

constexpr int meterWindowsPerSecond = 20; // the meter averages the last 50 ms

QAudioFormat fileFormat(const AVCodecContext *decoder)
{
    QAudioFormat format;
    format.setSampleRate(decoder->sample_rate);
    format.setChannelCount(std::clamp(decoder->ch_layout.nb_channels, 1, 2));
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

} // namespace

struct FileAudioPlayer::Private
{
    QAudioDevice device;
    QAudioFormat format;
    std::unique_ptr<PcmStream> stream;
    std::unique_ptr<LevelMeter> meter;
    std::unique_ptr<PlaybackOutput> output;
    double duration = 0;
    double startedAt = 0; // where the stream was sent before the output started
    bool running = false; // the output has started and not been stopped
    bool playing = false;
    bool metering = false;
    double power = LevelMeter::silence;
};

FileAudioPlayer::FileAudioPlayer(const QString &path, QObject *parent)
    : AudioPlayer(parent)
    , d(std::make_unique<Private>())
{
    auto reader = std::make_unique<AudioStreamReader>(path);
    if (!reader->hasAudio())
        throw TelvoraError(MediaTexts::noAudioTrack.toString());
    if (!reader->openDecoder() || reader->decoder()->sample_rate <= 0)
        throw TelvoraError(MediaTexts::cannotPrepare.toString());
    d->duration = reader->durationSeconds();
    d->format = fileFormat(reader->decoder());
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        d->device = QMediaDevices::defaultAudioOutput();
        if (!d->device.isFormatSupported(d->format))
            d->format = d->device.preferredFormat();
    }
    d->stream = std::make_unique<PcmStream>(path, std::move(reader), d->format);
    if (!d->stream->prime())
        throw TelvoraError(MediaTexts::noAudio.toString());
    d->meter = std::make_unique<LevelMeter>(std::size_t(std::max(1, d->format.sampleRate() / meterWindowsPerSecond)));
}

FileAudioPlayer::~FileAudioPlayer()
{
    if (d->output)
        d->output->stop();
}

AudioPlayerFactory FileAudioPlayer::factory()
{
    return [](const QString &path) -> std::unique_ptr<AudioPlayer> { return std::make_unique<FileAudioPlayer>(path); };
}

void FileAudioPlayer::play()
{
    if (d->playing)
        return;
    if (d->running) {
        d->output->resume();
        d->playing = true;
        return;
    }
    if (!d->output && !d->device.isNull()) {
        d->output = std::make_unique<DeviceOutput>(d->device, d->format);
        if (!d->output->start(d->stream.get()))
            d->output.reset();
        else
            d->running = true;
    }
    if (!d->output)
        d->output = std::make_unique<SilentOutput>(d->format);
    if (!d->running)
        d->running = d->output->start(d->stream.get());
    // Reaching the end is handled once the output has finished its own signal.
    connect(d->output.get(), &PlaybackOutput::drained, this, &FileAudioPlayer::finish,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
    d->playing = d->running;
}

void FileAudioPlayer::pause()
{
    if (!d->playing)
        return;
    d->output->suspend();
    d->playing = false;
}

void FileAudioPlayer::stop()
{
    halt();
    d->startedAt = 0;
    try {
        d->stream->rewind();
    } catch (const Error &) {
        // The file went away meanwhile: nothing more to play, and the stream says so.
    }
}

void FileAudioPlayer::halt()
{
    if (d->output)
        d->output->stop();
    d->running = false;
    d->playing = false;
    d->meter->clear();
}

void FileAudioPlayer::seek(double seconds)
{
    const double target = std::clamp(std::isfinite(seconds) ? seconds : 0.0, 0.0, d->duration);
    const bool wasPlaying = d->playing;
    halt();
    d->startedAt = target;
    try {
        d->stream->seek(target);
    } catch (const Error &) {
        // As in stop(): the stream has nothing more, and playing ends at once.
    }
    if (wasPlaying)
        play();
}

double FileAudioPlayer::position() const
{
    const double played = d->running && d->output ? double(d->output->playedMicroseconds()) / 1e6 : 0;
    return std::min(d->startedAt + played, d->duration);
}

void FileAudioPlayer::finish()
{
    if (d->running)
        stop();
}

bool FileAudioPlayer::isPlaying() const { return d->playing; }
double FileAudioPlayer::duration() const { return d->duration; }

void FileAudioPlayer::setMeteringEnabled(bool enabled)
{
    d->metering = enabled;
    d->stream->setMeter(enabled ? d->meter.get() : nullptr);
    if (!enabled)
        d->power = LevelMeter::silence;
}

bool FileAudioPlayer::isMeteringEnabled() const { return d->metering; }

void FileAudioPlayer::updateMeters()
{
    if (d->metering)
        d->power = d->meter->averagePower();
}

double FileAudioPlayer::averagePower() const { return d->metering ? d->power : LevelMeter::silence; }

} // namespace telvora
