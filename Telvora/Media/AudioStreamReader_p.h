#pragma once

#include "Telvora/Media/FFmpeg_p.h"

#include <QString>

namespace telvora {

/// Decodes the first audio stream of a media file frame by frame; every other stream is
/// discarded by the demuxer, so video is never decoded. Not thread-safe: one user at a time.
class AudioStreamReader
{
public:
    /// Opens `path` and reads its stream list. Throws NotMediaError when the file is no media
    /// FFmpeg knows and MediaError when it cannot be read, both in the user's words.
    explicit AudioStreamReader(const QString &path);

    bool hasAudio() const { return m_stream != nullptr; }
    /// Opens the decoder of the audio stream; false when none accepts it.
    bool openDecoder();

    /// The next decoded frame, valid until the next call; null at the end of the stream or
    /// when reading failed (see readError()). Packets the decoder rejects are skipped, as
    /// the ffmpeg command does.
    AVFrame *nextFrame();
    /// The error that ended reading early, 0 when the stream was read to its end.
    int readError() const { return m_readError; }
    /// Whether any packet of the audio stream was read.
    bool started() const { return m_started; }
    /// Whether the last packet read came out shorter than the container promised, as when
    /// the file ends before its data does (never for a WAV: see declaredSeconds()).
    bool lastPacketCut() const { return m_lastPacketCut; }

    /// Lets seek() land near the position from the bit rate instead of reading its way
    /// there (MP3 without an index); the frames' timestamps stay consistent.
    void preferFastSeeking();
    /// Whether every packet decodes on its own (PCM, FLAC, ALAC), so a seek needs no warm-up.
    bool framesStandAlone() const;
    /// Moves to `frame` (a sample position); the next frames start at or before it, and
    /// their timestamps say where (see framePosition()). False when the format cannot seek.
    bool seek(qint64 frame);
    /// The sample position of a decoded frame, or -1 when its timestamp is unknown.
    qint64 framePosition(const AVFrame *frame) const;

    /// The length of the audio stream in sample frames at its own rate (0 when unknown).
    qint64 lengthInFrames() const;
    /// The length of the audio stream in seconds (0 when unknown).
    double durationSeconds() const;
    /// The length the audio stream's own header states, in seconds; 0 when it states none
    /// and FFmpeg only estimated one from the file's size (an MP3 without a frame count).
    double declaredSeconds() const;

    const AVCodecContext *decoder() const { return m_decoder.get(); }

private:
    qint64 startTimestamp() const;
    bool isWave() const;
    double waveDataSeconds() const;

    ffmpeg::Input m_input;
    AVStream *m_stream = nullptr;
    ffmpeg::Codec m_decoder;
    ffmpeg::Packet m_packet = ffmpeg::makePacket();
    ffmpeg::Frame m_frame = ffmpeg::makeFrame();
    bool m_draining = false;
    bool m_started = false;
    bool m_lastPacketCut = false;
    int m_readError = 0;
};

} // namespace telvora
