#pragma once

#include "Telvora/Media/FFmpeg_p.h"

extern "C" {
#include <libavfilter/avfilter.h>
}

#include <memory>

namespace telvora {

/// A chain of FFmpeg's audio filters ("volume=-3dB,alimiter=…") fed with planar float
/// samples of one layout and rate. Frames come out in the chain's own format; append an
/// `aformat` filter to the chain to choose it.
class AudioFilter
{
public:
    /// Throws TelvoraError with the assembly message when the chain cannot be built.
    AudioFilter(const char *chain, int channels, int rate);

    /// Hands `frames` sample frames over; null planes (or 0 frames) end the input.
    void push(uint8_t *const *planes, int frames);
    void finish();

    /// The next filtered frame, valid until the next call; null when the chain needs more
    /// input or has delivered everything.
    AVFrame *pull();

private:
    struct GraphFreer
    {
        void operator()(AVFilterGraph *graph) const { avfilter_graph_free(&graph); }
    };

    std::unique_ptr<AVFilterGraph, GraphFreer> m_graph;
    AVFilterContext *m_source = nullptr;
    AVFilterContext *m_sink = nullptr;
    ffmpeg::Frame m_frame = ffmpeg::makeFrame();
    int m_channels;
    int m_rate;
    int64_t m_nextPts = 0;
};

} // namespace telvora
