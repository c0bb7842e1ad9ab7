#pragma once

#include "Telvora/Media/AudioFilter_p.h"

#include <QByteArray>

namespace telvora {

/// The EBU R128 measure of a whole programme, by FFmpeg's ebur128 filter: integrated
/// loudness in LUFS and the highest sample in dBFS. Silence measures -70 LUFS.
struct Loudness
{
    double integrated = -70;
    double samplePeak = -144;
};

/// Measures planar float audio handed over in pieces, after the filters of `before` (a chain
/// ending in a comma, or empty); result() ends the measure.
class LoudnessMeter
{
public:
    LoudnessMeter(int channels, int rate, const QByteArray &before = {});

    void add(uint8_t *const *planes, int frames);
    Loudness result();

private:
    void readFrames();

    AudioFilter m_filter;
    Loudness m_loudness;
};

} // namespace telvora
