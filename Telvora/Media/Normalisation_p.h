#pragma once

#include "Telvora/Media/LoudnessMeter_p.h"

#include <QByteArray>

namespace telvora {

/// What brings a programme to -16 LUFS integrated with its true peak at most -1 dBTP: a
/// gain, and a true-peak limiter when the gain would lift the peaks over the ceiling.
/// Limiting takes loudness away, so a limited programme is measured again through its
/// normalisation and the gain corrected until it lands on the target.
class Normalisation
{
public:
    explicit Normalisation(const Loudness &measured);

    bool limited() const { return m_limited; }

    /// Corrects the gain from the measure of the programme after chain(); false when it
    /// already lands on the target, or when the tries are spent.
    bool correct(const Loudness &normalised);

    /// The filter chain, ending in planar float at `rate`; `withFormat` false leaves the
    /// trailing conversion out, for a measure to follow it.
    QByteArray chain(int rate, bool withFormat = true) const;

private:
    double m_gain = 0;
    bool m_limited = false;
    int m_corrections = 0;
};

} // namespace telvora
