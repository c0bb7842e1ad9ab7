#include "Telvora/Media/PcmStream_p.h"

#include "Telvora/Media/LevelMeter.h"
#include "Telvora/Media/MediaTexts.h"
#include "TelvoraCore/Errors/Error.h"

#include <algorithm>
#include <cstring>

namespace telvora {

namespace {

AVSampleFormat sampleFormatOf(const QAudioFormat &format)
{
    switch (format.sampleFormat()) {
    case QAudioFormat::UInt8:
        return AV_SAMPLE_FMT_U8;
    case QAudioFormat::Int16:
        return AV_SAMPLE_FMT_S16;
    case QAudioFormat::Int32:
        return AV_SAMPLE_FMT_S32;
    case QAudioFormat::Float:
        return AV_SAMPLE_FMT_FLT;
    default:
        throw TelvoraError(MediaTexts::cannotPrepare.toString());
    }
}

} // namespace

PcmStream::PcmStream(const QString &path, std::unique_ptr<AudioStreamReader> reader, const QAudioFormat &format)
    : m_path(path)
    , m_format(format)
    , m_reader(std::move(reader))
    , m_resampler(std::make_unique<Resampler>(format.channelCount(), sampleFormatOf(format), format.sampleRate()))
{
    open(QIODevice::ReadOnly);
}

PcmStream::~PcmStream() = default;

bool PcmStream::prime()
{
    while (m_pending.size() == m_offset && decodeMore()) {}
    return m_pending.size() > m_offset;
}

void PcmStream::rewind()
{
    auto reader = std::make_unique<AudioStreamReader>(m_path);
    reader->openDecoder();
    m_reader = std::move(reader);
    m_resampler = std::make_unique<Resampler>(m_format.channelCount(), sampleFormatOf(m_format), m_format.sampleRate());
    m_pending.clear();
    m_offset = 0;
    m_ended = false;
    m_seekTarget = -1;
    m_bytesToDrop = 0;
}

void PcmStream::seek(double seconds)
{
    rewind();
    const int rate = m_reader->decoder() ? m_reader->decoder()->sample_rate : 0;
    m_seekLanded = rate > 0 && m_reader->seek(qint64(seconds * rate));
    m_seekTarget = seconds;
}

// The reader lands at or before the target; what the first frame says comes before it is
// decoded but never handed out.
void PcmStream::dropBeforeSeekTarget(const AVFrame *frame)
{
    if (m_seekTarget >= 0) {
        const qint64 frameAt = frame ? m_reader->framePosition(frame) : -1;
        double landedAt = m_seekLanded ? m_seekTarget : 0;
        if (frameAt >= 0 && frame->sample_rate > 0)
            landedAt = double(frameAt) / frame->sample_rate;
        const qint64 early = std::max<qint64>(0, m_format.bytesForDuration(qint64((m_seekTarget - landedAt) * 1e6)));
        m_bytesToDrop = early - early % m_format.bytesPerFrame();
        m_seekTarget = -1;
    }
    const qint64 dropped = std::min<qint64>(m_bytesToDrop, m_pending.size() - m_offset);
    m_offset += dropped;
    m_bytesToDrop -= dropped;
}

bool PcmStream::atEnd() const { return m_ended && m_offset == m_pending.size(); }

qint64 PcmStream::bytesAvailable() const { return (m_pending.size() - m_offset) + QIODevice::bytesAvailable(); }

// Appends the next decoded frame (or the resampler's tail at the end); false once the
// file has nothing more.
bool PcmStream::decodeMore()
{
    if (m_ended)
        return false;
    if (m_offset > 0) {
        m_pending.remove(0, m_offset);
        m_offset = 0;
    }
    const AVFrame *frame = m_reader->nextFrame();
    const int frames = m_resampler->convert(frame);
    m_pending.append(reinterpret_cast<const char *>(m_resampler->planes()[0]),
                     qsizetype(m_format.bytesForFrames(frames)));
    dropBeforeSeekTarget(frame);
    if (!frame)
        m_ended = true;
    return true;
}

qint64 PcmStream::readData(char *data, qint64 maxSize)
{
    const qint64 frameBytes = m_format.bytesPerFrame();
    const qint64 wanted = maxSize - maxSize % frameBytes;
    try {
        while (m_pending.size() - m_offset < wanted && decodeMore()) {}
    } catch (const Error &) {
        // A broken stretch ends playback there, like the end of the file.
        m_ended = true;
    }
    const qint64 count = std::min<qint64>(wanted, m_pending.size() - m_offset);
    if (count <= 0)
        return 0;
    std::memcpy(data, m_pending.constData() + m_offset, std::size_t(count));
    m_offset += count;
    meter(data, count);
    return count;
}

qint64 PcmStream::writeData(const char *, qint64) { return -1; }

void PcmStream::meter(const char *data, qint64 size)
{
    if (!m_meter)
        return;
    const qint64 frameBytes = m_format.bytesPerFrame();
    for (qint64 at = 0; at + frameBytes <= size; at += frameBytes)
        m_meter->add(m_format.normalizedSampleValue(data + at));
}

} // namespace telvora
