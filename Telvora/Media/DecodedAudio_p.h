#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvora {

/// Planar float audio kept from a first decoding, so the passes after it need not decode
/// again. Past `capacity` bytes it keeps nothing and says it is incomplete.
class DecodedAudio
{
public:
    DecodedAudio(int channels, std::size_t capacity)
        : m_channels(std::size_t(channels))
        , m_capacity(capacity / sizeof(float) / std::size_t(channels))
    {}

    /// Sets room for `frames` at once, or gives up keeping when they would not fit.
    void expect(std::size_t frames)
    {
        if (frames > m_capacity)
            drop();
        for (auto &channel : m_channels)
            channel.reserve(m_dropped ? 0 : frames);
    }

    void append(uint8_t *const *planes, int frames)
    {
        if (m_dropped || frames <= 0)
            return;
        if (m_channels.front().size() + std::size_t(frames) > m_capacity) {
            drop();
            return;
        }
        for (std::size_t channel = 0; channel < m_channels.size(); ++channel) {
            const auto *samples = reinterpret_cast<const float *>(planes[channel]);
            m_channels[channel].insert(m_channels[channel].end(), samples, samples + frames);
        }
    }

    bool complete() const { return !m_dropped; }

    /// Hands the kept audio to `take` in pieces, as a decoder would.
    template<typename Take>
    void replay(Take take)
    {
        constexpr std::size_t piece = 4096;
        std::vector<uint8_t *> planes(m_channels.size());
        const std::size_t length = m_channels.front().size();
        for (std::size_t offset = 0; offset < length; offset += piece) {
            for (std::size_t channel = 0; channel < m_channels.size(); ++channel)
                planes[channel] = reinterpret_cast<uint8_t *>(m_channels[channel].data() + offset);
            take(planes.data(), int(std::min(piece, length - offset)));
        }
    }

private:
    void drop()
    {
        m_dropped = true;
        for (auto &channel : m_channels)
            std::vector<float>().swap(channel);
    }

    std::vector<std::vector<float>> m_channels;
    std::size_t m_capacity;
    bool m_dropped = false;
};

} // namespace telvora
