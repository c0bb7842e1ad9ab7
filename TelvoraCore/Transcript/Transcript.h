#pragma once

#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace telvora::Transcript {

/// A transcript rendered as source text, with the number of distinct speakers and the
/// segments it was rendered from.
struct Decoded
{
    QString text;
    int speakers = 0;
    QList<TranscriptSegment> segments;
};

/// Renders a JSON transcript (an array of segments) as one line per segment, separated
/// by blank lines; with `timecodes` each line starts with "[start - end] ".
/// Throws JsonError on malformed input and TelvoraError on an empty transcript.
Decoded decode(const QByteArray &bytes, bool timecodes);

/// The segments as the JSON transcript decode() reads: an array of segment objects.
QByteArray encode(const QList<TranscriptSegment> &segments);

/// Formats seconds as "HH:MM:SS", hours unbounded. Negative, infinite and NaN times
/// give "00:00:00"; times beyond the 64-bit second count are clamped to it.
QString clock(double seconds);

} // namespace telvora::Transcript
