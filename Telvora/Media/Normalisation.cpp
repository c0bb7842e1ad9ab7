#include "Telvora/Media/Normalisation_p.h"

#include <cmath>

namespace telvora {

namespace {

constexpr double targetLoudness = -16;
constexpr double closeEnough = 0.2;
constexpr int maximumCorrections = 3;
// A silent programme has no block above the absolute gate and keeps its level.
constexpr double silence = -70;
// The limiter holds true peaks two decibels under the ceiling of -1 dBTP: AAC at 64 kb/s
// overshoots sharp transients by up to a decibel and a half.
constexpr double peakLimit = -3;
// Four times the rate, as the true-peak meter sees the signal, so the limiter catches the
// peaks between samples too.
constexpr int oversampling = 4;
// How far the peaks between samples may rise over the highest sample in speech.
constexpr double interSamplePeak = 1;

} // namespace

Normalisation::Normalisation(const Loudness &measured)
    : m_gain(measured.integrated > silence ? targetLoudness - measured.integrated : 0)
    , m_limited(measured.samplePeak + interSamplePeak + m_gain > peakLimit)
{}

bool Normalisation::correct(const Loudness &normalised)
{
    const double miss = targetLoudness - normalised.integrated;
    if (std::abs(miss) < closeEnough || normalised.integrated <= silence || m_corrections == maximumCorrections)
        return false;
    m_gain += miss;
    ++m_corrections;
    return true;
}

QByteArray Normalisation::chain(int rate, bool withFormat) const
{
    QByteArray chain = "volume=" + QByteArray::number(m_gain, 'f', 3) + "dB:precision=float";
    if (m_limited)
        chain += ",aresample=" + QByteArray::number(rate * oversampling)
            + ",alimiter=limit=" + QByteArray::number(std::pow(10, peakLimit / 20), 'f', 4)
            + ":level=false:latency=true,aresample=" + QByteArray::number(rate);
    if (withFormat)
        chain += ",aformat=sample_fmts=fltp";
    return chain;
}

} // namespace telvora
