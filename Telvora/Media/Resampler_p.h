#pragma once

#include "Telvora/Media/FFmpeg_p.h"

#include <vector>

namespace telvora {

/// Converts decoded frames to one output layout, sample format and rate. The converter is
/// built from the first frame and rebuilt (after flushing what it holds) when the input
/// changes shape mid-stream.
class Resampler
{
public:
    Resampler(int channels, AVSampleFormat format, int rate);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    /// Converts `frame`, or flushes the samples still held when `frame` is null; answers the
    /// number of sample frames now in planes(), valid until the next call. Throws
    /// TelvoraError with the buffer message when the conversion fails.
    int convert(const AVFrame *frame);
    uint8_t *const *planes() const { return m_planes.data(); }

    int channels() const { return m_layout.nb_channels; }
    AVSampleFormat format() const { return m_format; }
    int rate() const { return m_rate; }

private:
    bool matches(const AVFrame *frame) const;
    void rebuild(const AVFrame *frame);
    int run(const AVFrame *frame, int offset);
    void reserve(int frames);

    AVChannelLayout m_layout{};
    AVSampleFormat m_format;
    int m_rate;
    ffmpeg::SwResampler m_context;
    AVChannelLayout m_inputLayout{};
    int m_inputFormat = -1;
    int m_inputRate = 0;
    std::vector<uint8_t *> m_planes;
    uint8_t *m_buffer = nullptr;
    int m_capacity = 0;
};

} // namespace telvora
