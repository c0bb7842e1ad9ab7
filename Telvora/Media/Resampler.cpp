#include "Telvora/Media/Resampler_p.h"

#include "Telvora/Media/MediaTexts.h"
#include "TelvoraCore/Errors/Error.h"

#include <memory>
#include <utility>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace telvora {

namespace {

[[noreturn]] void fail() { throw TelvoraError(MediaTexts::bufferFailed.toString()); }

// Files that do not name their channels get the usual layout for their count.
AVChannelLayout layoutOf(const AVFrame *frame)
{
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&layout, &frame->ch_layout);
    return layout;
}

} // namespace

Resampler::Resampler(int channels, AVSampleFormat format, int rate)
    : m_format(format)
    , m_rate(rate)
{
    av_channel_layout_default(&m_layout, channels);
    m_planes.assign(av_sample_fmt_is_planar(format) ? channels : 1, nullptr);
}

Resampler::~Resampler()
{
    av_freep(&m_buffer);
    av_channel_layout_uninit(&m_layout);
    av_channel_layout_uninit(&m_inputLayout);
}

bool Resampler::matches(const AVFrame *frame) const
{
    if (!m_context || frame->format != m_inputFormat || frame->sample_rate != m_inputRate)
        return false;
    AVChannelLayout layout = layoutOf(frame);
    const bool same = av_channel_layout_compare(&layout, &m_inputLayout) == 0;
    av_channel_layout_uninit(&layout);
    return same;
}

void Resampler::rebuild(const AVFrame *frame)
{
    av_channel_layout_uninit(&m_inputLayout);
    m_inputLayout = layoutOf(frame);
    m_inputFormat = frame->format;
    m_inputRate = frame->sample_rate;
    SwrContext *context = nullptr;
    if (swr_alloc_set_opts2(&context, &m_layout, m_format, m_rate, &m_inputLayout, AVSampleFormat(frame->format),
                            frame->sample_rate, 0, nullptr)
        < 0)
        fail();
    m_context.reset(context);
    if (swr_init(context) < 0)
        fail();
}

void Resampler::reserve(int frames)
{
    if (frames <= m_capacity)
        return;
    av_freep(&m_buffer);
    m_capacity = 0;
    if (av_samples_alloc(m_planes.data(), nullptr, m_layout.nb_channels, frames, m_format, 0) < 0)
        fail();
    m_buffer = m_planes[0];
    m_capacity = frames;
}

int Resampler::run(const AVFrame *frame, int offset)
{
    const int inputFrames = frame ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(m_context.get(), inputFrames);
    if (room < 0)
        fail();
    if (offset + room > m_capacity) {
        // A bigger buffer keeps what an earlier run of this call put at its start.
        const std::vector<uint8_t *> oldPlanes = m_planes;
        const std::unique_ptr<uint8_t, decltype(&av_free)> oldBuffer(std::exchange(m_buffer, nullptr), &av_free);
        m_capacity = 0;
        reserve(offset + room);
        if (offset > 0)
            av_samples_copy(m_planes.data(), oldPlanes.data(), 0, 0, offset, m_layout.nb_channels, m_format);
    }
    std::vector<uint8_t *> out = m_planes;
    const int bytesPerSample = av_get_bytes_per_sample(m_format);
    const int step = av_sample_fmt_is_planar(m_format) ? bytesPerSample : bytesPerSample * m_layout.nb_channels;
    for (uint8_t *&plane : out)
        plane += std::ptrdiff_t(offset) * step;
    const int converted =
        swr_convert(m_context.get(), out.data(), room,
                    frame ? const_cast<const uint8_t **>(frame->extended_data) : nullptr, inputFrames);
    if (converted < 0)
        fail();
    return offset + converted;
}

int Resampler::convert(const AVFrame *frame)
{
    if (!frame)
        return m_context ? run(nullptr, 0) : 0;
    int held = 0;
    if (!matches(frame)) {
        if (m_context)
            held = run(nullptr, 0);
        rebuild(frame);
    }
    return run(frame, held);
}

} // namespace telvora
