#pragma once

#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// Subtitles made from a transcript: cues short enough to read, as SubRip or WebVTT.
namespace telvora::Subtitles {

/// One subtitle: who speaks, when, and what is shown.
struct Cue
{
    QString speaker;
    double start = 0;
    double end = 0;
    QString text;

    friend bool operator==(const Cue &, const Cue &) = default;
};

/// The longest a cue may stay on screen, and the most characters of speech it may show
/// (the speaker's name is not counted, so both formats get the same cues).
inline constexpr double maximumSeconds = 7;
inline constexpr qsizetype maximumCharacters = 84;

/// One cue per segment with its white space collapsed; a segment over either limit is
/// cut at a sentence boundary near its middle, else at a word boundary, and its time is
/// shared between the pieces in proportion to their length. A single word is never cut
/// for time, only for length. Segments without text give no cue.
QList<Cue> cues(const QList<TranscriptSegment> &segments);

/// The cues as a SubRip file: numbered from 1, "HH:MM:SS,mmm --> HH:MM:SS,mmm", the
/// speaker as a "Name: " prefix; UTF-8 without byte-order mark.
QByteArray subRip(const QList<Cue> &cues);

/// The cues as a WebVTT file: the "WEBVTT" header, "HH:MM:SS.mmm --> HH:MM:SS.mmm" and
/// the speaker as a voice tag, with "&", "<" and ">" escaped.
QByteArray webVtt(const QList<Cue> &cues);

/// The segments with the speakers and texts the reader now shows: `text` is the rendering
/// of `segments` (one paragraph each, with or without timecodes), possibly corrected by
/// the user. None when its paragraphs no longer match the segments one to one.
std::optional<QList<TranscriptSegment>> withEditedText(const QList<TranscriptSegment> &segments, const QString &text);

} // namespace telvora::Subtitles
