#pragma once

#include "Telvora/Media/FFmpeg_p.h"
#include "Telvora/Media/NarrationTags.h"

#include <QSaveFile>

#include <memory>

namespace telvora {

/// A chapter placed in sample frames of the encoded audio.
struct EncodedChapter
{
    QString title;
    int64_t start = 0;
    int64_t end = 0;
};

/// Encodes planar float audio into one file written through `file`: AAC in MPEG-4 audio, or
/// MP3 when the file's name ends in ".mp3", with the tags, the chapters and the cover
/// picture in the container.
class AudioEncoder
{
public:
    /// `channels` and `rate` are wishes: channels() and rate() say what the encoder takes.
    AudioEncoder(QSaveFile &file, int channels, int rate);

    int channels() const { return m_codec->ch_layout.nb_channels; }
    int rate() const { return m_codec->sample_rate; }

    /// Writes the file's header; call it once before the first append().
    void start(const NarrationTags &tags, const QList<EncodedChapter> &chapters);
    void append(uint8_t *const *planes, int frames);
    void finish();

private:
    void addChapters(const QList<EncodedChapter> &chapters);
    void addCover(const QString &path);
    void encodeFrame(int frames);
    void send(const AVFrame *frame);
    void written(int result);
    [[noreturn]] void fileFailed();

    struct IoCloser
    {
        void operator()(AVIOContext *io) const;
    };
    struct OutputFreer
    {
        void operator()(AVFormatContext *context) const { avformat_free_context(context); }
    };

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

} // namespace telvora
