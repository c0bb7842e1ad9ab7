#pragma once

#include "Telvora/Media/AudioFilter_p.h"

#include <QByteArray>

namespace telvora {

/// The EBU R128 measure of a whole programme, by FFmpeg's ebur128 filter: integrated
/// loudness in LUFS and true peak in dBTP. Silence measures -70 LUFS.
struct Loudness
{
    double integrated = -70;
    double truePeak = -144;

    /// The filter chain that brings this programme to -16 LUFS with its true peak at most
    /// -1 dBTP, ending in planar float.
    QByteArray normalisingChain() const;
};

/// Measures planar float audio handed over in pieces; result() ends the measure.
class LoudnessMeter
{
public:
    LoudnessMeter(int channels, int rate);

    void add(uint8_t *const *planes, int frames);
    Loudness result();

private:
    void readFrames();

    AudioFilter m_filter;
    Loudness m_loudness;
};

} // namespace telvora
