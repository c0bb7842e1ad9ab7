#include "Telvora/Media/AudioEncoder_p.h"

#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/MediaTexts.h"
#include "TelvoraCore/Errors/FileFailure.h"
#include "TelvoraCore/Support/SavedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace telvora {

namespace {

constexpr int bitRatePerChannel = 64000;
constexpr int ioBufferSize = 64 * 1024;
constexpr int mp3Quality = 2; // LAME's -V scale: 0 is best

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

// MPEG-4 audio as iTunes writes it, or MP3 with an ID3 tag.
const char *containerFor(const QString &path)
{
    return QFileInfo(path).suffix().compare(u"mp3", Qt::CaseInsensitive) == 0 ? "mp3" : "ipod";
}

void setTag(AVDictionary **tags, const char *key, const QString &value)
{
    if (!value.isEmpty())
        check(av_dict_set(tags, key, value.toUtf8().constData(), 0));
}

} // namespace

void AudioEncoder::IoCloser::operator()(AVIOContext *io) const
{
    av_freep(&io->buffer);
    avio_context_free(&io);
}

AudioEncoder::AudioEncoder(QSaveFile &file, int channels, int rate)
    : m_file(file)
{
    AVFormatContext *output = nullptr;
    if (avformat_alloc_output_context2(&output, nullptr, containerFor(file.fileName()), nullptr) < 0 || !output)
        failExporting();
    m_output.reset(output);
    const AVCodec *codec = avcodec_find_encoder(output->oformat->audio_codec);
    if (!codec)
        failAssembling();
    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec)
        failAssembling();
    channels = std::clamp(channels, 1, 2);
    rate = encoderRate(codec, rate);
    av_channel_layout_default(&m_codec->ch_layout, channels);
    m_codec->sample_rate = rate;
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->bit_rate = bitRatePerChannel * channels;
    // LAME at a fixed low rate drops enough of the highs to miss the loudness target by
    // most of a decibel; its variable rate keeps them at a similar size.
    if (codec->id == AV_CODEC_ID_MP3) {
        m_codec->flags |= AV_CODEC_FLAG_QSCALE;
        m_codec->global_quality = mp3Quality * FF_QP2LAMBDA;
    }
    m_codec->time_base = AVRational{1, rate};
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(m_codec.get(), codec, nullptr) < 0)
        failExporting();
    m_stream = avformat_new_stream(output, nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0)
        failAssembling();
    m_stream->time_base = m_codec->time_base;

    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, m_codec->frame_size));
    if (!m_fifo)
        throw std::bad_alloc();
}

void AudioEncoder::start(const NarrationTags &tags, const QList<EncodedChapter> &chapters)
{
    AVFormatContext *output = m_output.get();
    setTag(&output->metadata, "title", tags.title);
    setTag(&output->metadata, "genre", tags.genre);
    setTag(&output->metadata, "date", tags.date.isValid() ? tags.date.toString(Qt::ISODate) : QString());
    addChapters(chapters);
    if (!tags.cover.isEmpty())
        addCover(tags.cover);

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
    if (m_packet->size > 0)
        written(av_interleaved_write_frame(output, m_packet.get()));
}

void AudioEncoder::addChapters(const QList<EncodedChapter> &chapters)
{
    AVFormatContext *output = m_output.get();
    output->chapters = static_cast<AVChapter **>(av_calloc(std::size_t(chapters.size()), sizeof(AVChapter *)));
    if (!output->chapters && !chapters.isEmpty())
        throw std::bad_alloc();
    for (const EncodedChapter &chapter : chapters) {
        auto *added = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
        if (!added)
            throw std::bad_alloc();
        output->chapters[output->nb_chapters++] = added;
        added->id = output->nb_chapters;
        added->time_base = m_codec->time_base;
        added->start = chapter.start;
        added->end = chapter.end;
        setTag(&added->metadata, "title", chapter.title);
    }
}

// The cover travels as the one packet of a picture stream, as the muxers expect it.
void AudioEncoder::addCover(const QString &path)
{
    QFile picture(path);
    if (!picture.open(QIODevice::ReadOnly))
        throw FileFailure::error(FileFailure::Access::reading, path, picture);
    const QByteArray bytes = picture.readAll();
    AVStream *stream = avformat_new_stream(m_output.get(), nullptr);
    if (!stream)
        failAssembling();
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_PNG;
    // The muxers refuse a picture stream without its size.
    const QSize size = QImageReader(path).size();
    stream->codecpar->width = size.width();
    stream->codecpar->height = size.height();
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    stream->time_base = AVRational{1, 90000};
    check(av_new_packet(m_packet.get(), int(bytes.size())));
    std::copy(bytes.cbegin(), bytes.cend(), m_packet->data);
    m_packet->stream_index = stream->index;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    m_packet->pts = m_packet->dts = 0;
}

void AudioEncoder::append(uint8_t *const *planes, int frames)
{
    if (frames <= 0)
        return;
    if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(const_cast<uint8_t **>(planes)), frames) < frames)
        throw std::bad_alloc();
    while (av_audio_fifo_size(m_fifo.get()) >= m_codec->frame_size)
        encodeFrame(m_codec->frame_size);
}

void AudioEncoder::finish()
{
    if (const int rest = av_audio_fifo_size(m_fifo.get()); rest > 0)
        encodeFrame(rest);
    send(nullptr);
    written(av_write_trailer(m_output.get()));
    avio_flush(m_io.get());
    if (m_io->error < 0)
        fileFailed();
}

void AudioEncoder::encodeFrame(int frames)
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

void AudioEncoder::send(const AVFrame *frame)
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
void AudioEncoder::written(int result)
{
    if (result >= 0)
        return;
    if (m_io && m_io->error < 0)
        fileFailed();
    check(result);
}

void AudioEncoder::fileFailed() { SavedFile::fail(m_file); }

} // namespace telvora
