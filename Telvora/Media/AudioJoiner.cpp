#include "Telvora/Media/AudioJoiner.h"

#include "Telvora/Media/AudioStreamReader_p.h"
#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/MediaTexts.h"
#include "Telvora/Media/Resampler_p.h"
#include "TelvoraCore/Support/SavedFile.h"

#include <QSaveFile>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace telvora::AudioJoiner {

namespace {

constexpr int fallbackRate = 44100;
constexpr int bitRatePerChannel = 64000;
constexpr int ioBufferSize = 64 * 1024;

[[noreturn]] void failAssembling() { throw TelvoraError(MediaTexts::cannotAssemble.toString()); }
[[noreturn]] void failExporting() { throw TelvoraError(MediaTexts::cannotExport.toString()); }

// The encoder and muxer fail only on what the program asked of them.
void check(int result)
{
    if (result < 0)
        failExporting();
}

// The muxer writes through QSaveFile, so a failed export leaves no file behind and an
// existing one untouched. The M4A muxer seeks back to finish its index.
int writeToFile(void *file, uint8_t *bytes, int size)
{
    auto *output = static_cast<QSaveFile *>(file);
    return output->write(reinterpret_cast<const char *>(bytes), size) == size ? size : AVERROR(EIO);
}

int64_t seekInFile(void *file, int64_t offset, int whence)
{
    auto *output = static_cast<QSaveFile *>(file);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return output->size();
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += output->pos();
        break;
    case SEEK_END:
        offset += output->size();
        break;
    default:
        return AVERROR(EINVAL);
    }
    return output->seek(offset) ? offset : AVERROR(EIO);
}

struct IoCloser
{
    void operator()(AVIOContext *io) const
    {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct OutputFreer
{
    void operator()(AVFormatContext *context) const { avformat_free_context(context); }
};

int encoderRate(const AVCodec *codec, int wanted)
{
    const int *rates = codec->supported_samplerates;
    if (!rates)
        return wanted;
    int best = rates[0];
    for (; *rates; ++rates) {
        if (*rates == wanted)
            return wanted;
        if (std::abs(*rates - wanted) < std::abs(best - wanted))
            best = *rates;
    }
    return best;
}

// Opens every part before anything is encoded, so an invalid part fails the join at once.
std::vector<std::unique_ptr<AudioStreamReader>> openParts(const QStringList &parts)
{
    std::vector<std::unique_ptr<AudioStreamReader>> readers;
    readers.reserve(std::size_t(parts.size()));
    for (const QString &part : parts) {
        auto reader = std::make_unique<AudioStreamReader>(part);
        if (!reader->hasAudio() || !reader->openDecoder())
            throw TelvoraError(MediaTexts::invalidPart.toString());
        readers.push_back(std::move(reader));
    }
    return readers;
}

class Encoder
{
public:
    Encoder(const AudioStreamReader *first, QSaveFile &file)
        : m_file(file)
    {
        const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec)
            failAssembling();
        m_codec.reset(avcodec_alloc_context3(codec));
        if (!m_codec)
            failAssembling();
        const int channels = first ? std::clamp(first->decoder()->ch_layout.nb_channels, 1, 2) : 2;
        const int rate = encoderRate(codec, first ? first->decoder()->sample_rate : fallbackRate);
        av_channel_layout_default(&m_codec->ch_layout, channels);
        m_codec->sample_rate = rate;
        m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_codec->bit_rate = bitRatePerChannel * channels;
        m_codec->time_base = AVRational{1, rate};

        AVFormatContext *output = nullptr;
        if (avformat_alloc_output_context2(&output, nullptr, "ipod", nullptr) < 0 || !output)
            failExporting();
        m_output.reset(output);
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(m_codec.get(), codec, nullptr) < 0)
            failExporting();
        m_stream = avformat_new_stream(output, nullptr);
        if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0)
            failAssembling();
        m_stream->time_base = m_codec->time_base;

        auto *buffer = static_cast<uint8_t *>(av_malloc(ioBufferSize));
        if (!buffer)
            throw std::bad_alloc();
        m_io.reset(avio_alloc_context(buffer, ioBufferSize, 1, &m_file, nullptr, &writeToFile, &seekInFile));
        if (!m_io) {
            av_free(buffer);
            throw std::bad_alloc();
        }
        output->pb = m_io.get();
        output->flags |= AVFMT_FLAG_CUSTOM_IO;
        written(avformat_write_header(output, nullptr));

        m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, m_codec->frame_size));
        if (!m_fifo)
            throw std::bad_alloc();
    }

    int channels() const { return m_codec->ch_layout.nb_channels; }
    int rate() const { return m_codec->sample_rate; }

    void append(uint8_t *const *planes, int frames)
    {
        if (frames <= 0)
            return;
        if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(const_cast<uint8_t **>(planes)), frames)
            < frames)
            throw std::bad_alloc();
        while (av_audio_fifo_size(m_fifo.get()) >= m_codec->frame_size)
            encodeFrame(m_codec->frame_size);
    }

    void finish()
    {
        if (const int rest = av_audio_fifo_size(m_fifo.get()); rest > 0)
            encodeFrame(rest);
        send(nullptr);
        written(av_write_trailer(m_output.get()));
        avio_flush(m_io.get());
        if (m_io->error < 0)
            fileFailed();
    }

private:
    void encodeFrame(int frames)
    {
        // An encoder that needs whole frames gets the last one padded with silence.
        const bool shortAllowed = m_codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        const int size = shortAllowed ? frames : m_codec->frame_size;
        ffmpeg::Frame frame = ffmpeg::makeFrame();
        frame->nb_samples = size;
        frame->format = m_codec->sample_fmt;
        frame->sample_rate = m_codec->sample_rate;
        check(av_channel_layout_copy(&frame->ch_layout, &m_codec->ch_layout));
        check(av_frame_get_buffer(frame.get(), 0));
        if (size > frames)
            av_samples_set_silence(frame->extended_data, frames, size - frames, channels(), m_codec->sample_fmt);
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(frame->extended_data), frames) < frames)
            failExporting();
        frame->pts = m_nextPts;
        m_nextPts += size;
        send(frame.get());
    }

    void send(const AVFrame *frame)
    {
        check(avcodec_send_frame(m_codec.get(), frame));
        for (;;) {
            const int received = avcodec_receive_packet(m_codec.get(), m_packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            check(received);
            av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            written(av_interleaved_write_frame(m_output.get(), m_packet.get()));
        }
    }

    // A failing write is the file's failure, told in the file's words.
    void written(int result)
    {
        if (result >= 0)
            return;
        if (m_io && m_io->error < 0)
            fileFailed();
        check(result);
    }

    [[noreturn]] void fileFailed() { SavedFile::fail(m_file); }

    QSaveFile &m_file;
    ffmpeg::Codec m_codec;
    // The I/O context goes last: the muxer's clean-up may still refer to it.
    std::unique_ptr<AVIOContext, IoCloser> m_io;
    std::unique_ptr<AVFormatContext, OutputFreer> m_output;
    AVStream *m_stream = nullptr;
    ffmpeg::Fifo m_fifo;
    ffmpeg::Packet m_packet = ffmpeg::makePacket();
    int64_t m_nextPts = 0;
};

} // namespace

void join(const QStringList &parts, const QString &destination, const CancellationToken &token)
{
    const std::vector<std::unique_ptr<AudioStreamReader>> readers = openParts(parts);
    QSaveFile file(destination);
    SavedFile::open(file);
    {
        Encoder encoder(readers.empty() ? nullptr : readers.front().get(), file);
        for (const auto &reader : readers) {
            Resampler resampler(encoder.channels(), AV_SAMPLE_FMT_FLTP, encoder.rate());
            while (const AVFrame *frame = reader->nextFrame()) {
                token.throwIfCancelled();
                const int frames = resampler.convert(frame);
                encoder.append(resampler.planes(), frames);
            }
            if (reader->readError())
                throw TelvoraError(MediaTexts::invalidPart.toString());
            const int frames = resampler.convert(nullptr);
            encoder.append(resampler.planes(), frames);
        }
        token.throwIfCancelled();
        encoder.finish();
    }
    SavedFile::commit(file);
}

} // namespace telvora::AudioJoiner
