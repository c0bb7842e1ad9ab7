#include "Telvora/Media/AudioFilter_p.h"

#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/MediaTexts.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <cstring>

namespace telvora {

namespace {

[[noreturn]] void failAssembling() { throw TelvoraError(MediaTexts::cannotAssemble.toString()); }

void built(int result)
{
    if (result < 0)
        failAssembling();
}

// The filters fail only on what the program asked of them.
void check(int result)
{
    if (result < 0)
        failAssembling();
}

struct InOutFreer
{
    void operator()(AVFilterInOut *ends) const { avfilter_inout_free(&ends); }
};
using InOut = std::unique_ptr<AVFilterInOut, InOutFreer>;

InOut endOf(AVFilterContext *filter, const char *name)
{
    InOut end(avfilter_inout_alloc());
    if (!end)
        throw std::bad_alloc();
    end->name = av_strdup(name);
    end->filter_ctx = filter;
    end->pad_idx = 0;
    return end;
}

} // namespace

AudioFilter::AudioFilter(const char *chain, int channels, int rate)
    : m_graph(avfilter_graph_alloc())
    , m_channels(channels)
    , m_rate(rate)
{
    if (!m_graph)
        throw std::bad_alloc();
    // One thread: the filters are cheap next to the encoder, and the pool is shared.
    m_graph->nb_threads = 1;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    char layoutName[64] = {};
    av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
    av_channel_layout_uninit(&layout);
    const QByteArray source = QByteArray("sample_rate=") + QByteArray::number(rate)
        + ":sample_fmt=" + av_get_sample_fmt_name(AV_SAMPLE_FMT_FLTP) + ":time_base=1/" + QByteArray::number(rate)
        + ":channel_layout=" + layoutName;
    built(avfilter_graph_create_filter(&m_source, avfilter_get_by_name("abuffer"), "in", source.constData(), nullptr,
                                       m_graph.get()));
    built(avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                       m_graph.get()));
    // The parser takes the ends it is given and frees what it leaves.
    AVFilterInOut *outputs = endOf(m_source, "in").release();
    AVFilterInOut *inputs = endOf(m_sink, "out").release();
    const int parsed = avfilter_graph_parse_ptr(m_graph.get(), chain, &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    built(parsed);
    built(avfilter_graph_config(m_graph.get(), nullptr));
}

void AudioFilter::push(uint8_t *const *planes, int frames)
{
    if (!planes || frames <= 0)
        return;
    ffmpeg::Frame frame = ffmpeg::makeFrame();
    frame->nb_samples = frames;
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = m_rate;
    av_channel_layout_default(&frame->ch_layout, m_channels);
    check(av_frame_get_buffer(frame.get(), 0));
    for (int channel = 0; channel < m_channels; ++channel)
        std::memcpy(frame->extended_data[channel], planes[channel], std::size_t(frames) * sizeof(float));
    frame->pts = m_nextPts;
    m_nextPts += frames;
    check(av_buffersrc_add_frame_flags(m_source, frame.get(), 0));
}

void AudioFilter::finish() { check(av_buffersrc_add_frame_flags(m_source, nullptr, 0)); }

AVFrame *AudioFilter::pull()
{
    av_frame_unref(m_frame.get());
    const int result = av_buffersink_get_frame(m_sink, m_frame.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
        return nullptr;
    check(result);
    return m_frame.get();
}

} // namespace telvora
