#include "Telvora/Media/AudioStreamReader_p.h"

#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/WaveHeader_p.h"

#include <QFile>

namespace telvora {

namespace {

[[noreturn]] void failOpening(int code, const QString &path)
{
    if (ffmpeg::meansNotMedia(code))
        throw NotMediaError(ffmpeg::failureText(code, path));
    throw MediaError(ffmpeg::failureText(code, path));
}

} // namespace

AudioStreamReader::AudioStreamReader(const QString &path)
{
    ffmpeg::silenceLogging();
    AVFormatContext *input = nullptr;
    const QByteArray name = QFile::encodeName(path);
    int result = avformat_open_input(&input, name.constData(), nullptr, nullptr);
    if (result < 0)
        failOpening(result, path);
    m_input.reset(input);
    result = avformat_find_stream_info(input, nullptr);
    if (result < 0)
        failOpening(result, path);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream *stream = input->streams[i];
        if (!m_stream && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            m_stream = stream;
        else
            stream->discard = AVDISCARD_ALL;
    }
}

bool AudioStreamReader::openDecoder()
{
    if (!m_stream)
        return false;
    const AVCodec *codec = avcodec_find_decoder(m_stream->codecpar->codec_id);
    if (!codec)
        return false;
    ffmpeg::Codec decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), m_stream->codecpar) < 0)
        return false;
    decoder->pkt_timebase = m_stream->time_base;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return false;
    m_decoder = std::move(decoder);
    return true;
}

AVFrame *AudioStreamReader::nextFrame()
{
    if (!m_decoder || m_readError)
        return nullptr;
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0)
            return m_frame.get();
        if (received == AVERROR_EOF)
            return nullptr;
        if (received != AVERROR(EAGAIN))
            continue; // a packet that does not decode is dropped, the stream goes on
        if (m_draining)
            return nullptr;
        const int read = av_read_frame(m_input.get(), m_packet.get());
        if (read == AVERROR_EOF) {
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        if (read < 0) {
            m_readError = read;
            return nullptr;
        }
        if (m_packet->stream_index == m_stream->index) {
            m_started = true;
            // A WAV's last packet is as long as the data left: short without being cut.
            m_lastPacketCut = (m_packet->flags & AV_PKT_FLAG_CORRUPT) && !isWave();
            avcodec_send_packet(m_decoder.get(), m_packet.get());
        }
        av_packet_unref(m_packet.get());
    }
}

void AudioStreamReader::preferFastSeeking() { m_input->flags |= AVFMT_FLAG_FAST_SEEK; }

bool AudioStreamReader::framesStandAlone() const
{
    const AVCodecDescriptor *descriptor = m_decoder ? avcodec_descriptor_get(m_decoder->codec_id) : nullptr;
    // FFmpeg marks nearly every audio codec intra-only, MP3 included; lossless ones (PCM,
    // FLAC, ALAC) are those whose packets really decode alone.
    return descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
}

qint64 AudioStreamReader::startTimestamp() const
{
    return m_stream->start_time == AV_NOPTS_VALUE ? 0 : m_stream->start_time;
}

bool AudioStreamReader::seek(qint64 frame)
{
    if (!m_decoder || m_decoder->sample_rate <= 0)
        return false;
    const qint64 timestamp =
        startTimestamp() + av_rescale_q(frame, AVRational{1, m_decoder->sample_rate}, m_stream->time_base);
    if (av_seek_frame(m_input.get(), m_stream->index, timestamp, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(m_decoder.get());
    m_draining = false;
    m_readError = 0;
    return true;
}

qint64 AudioStreamReader::framePosition(const AVFrame *frame) const
{
    if (frame->best_effort_timestamp == AV_NOPTS_VALUE || m_decoder->sample_rate <= 0)
        return -1;
    return av_rescale_q(frame->best_effort_timestamp - startTimestamp(), m_stream->time_base,
                        AVRational{1, m_decoder->sample_rate});
}

qint64 AudioStreamReader::lengthInFrames() const
{
    if (!m_stream)
        return 0;
    const int rate = m_stream->codecpar->sample_rate;
    if (rate <= 0)
        return 0;
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
        return av_rescale_q(m_stream->duration, m_stream->time_base, AVRational{1, rate});
    if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        return av_rescale_q(m_input->duration, AV_TIME_BASE_Q, AVRational{1, rate});
    return 0;
}

double AudioStreamReader::durationSeconds() const
{
    if (!m_stream)
        return 0;
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
        return m_stream->duration * av_q2d(m_stream->time_base);
    if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        return m_input->duration / double(AV_TIME_BASE);
    return 0;
}

double AudioStreamReader::declaredSeconds() const
{
    if (!m_stream)
        return 0;
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0
        && m_input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
        return m_stream->duration * av_q2d(m_stream->time_base);
    return waveDataSeconds();
}

bool AudioStreamReader::isWave() const { return qstrcmp(m_input->iformat->name, "wav") == 0; }

// FFmpeg's own reckoning of a WAV's length, from the data size its header gives.
double AudioStreamReader::waveDataSeconds() const
{
    const AVCodecParameters *codec = m_stream->codecpar;
    const int bits = av_get_exact_bits_per_sample(codec->codec_id);
    const qint64 bitsPerSecond = qint64(bits) * codec->ch_layout.nb_channels * codec->sample_rate;
    if (!isWave() || bitsPerSecond <= 0)
        return 0;
    return double(WaveHeader::declaredDataBytes(QFile::decodeName(m_input->url)) * 8) / double(bitsPerSecond);
}

} // namespace telvora
