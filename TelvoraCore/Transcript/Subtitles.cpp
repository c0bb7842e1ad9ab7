#include "TelvoraCore/Transcript/Subtitles.h"

#include "TelvoraCore/Support/Characters.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace telvora::Subtitles {

namespace {

// Of the boundaries the finder reports strictly inside the text, the one nearest the
// middle; -1 when there is none or when `withinMiddleHalf` and it lies outside it.
qsizetype boundaryNearMiddle(const QString &text, QTextBoundaryFinder::BoundaryType type, bool withinMiddleHalf)
{
    const qsizetype middle = text.size() / 2;
    QTextBoundaryFinder finder(type, text);
    qsizetype best = -1;
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < text.size(); at = finder.toNextBoundary()) {
        if (type == QTextBoundaryFinder::Word && !text.at(at - 1).isSpace())
            continue; // only the starts of words, so no piece begins or ends inside one
        if (best < 0 || std::abs(at - middle) < std::abs(best - middle))
            best = at;
    }
    if (withinMiddleHalf && (best < text.size() / 4 || best > text.size() * 3 / 4))
        return -1;
    return best;
}

qsizetype cutPosition(const QString &text, bool tooLong)
{
    qsizetype at = boundaryNearMiddle(text, QTextBoundaryFinder::Sentence, true);
    if (at < 0)
        at = boundaryNearMiddle(text, QTextBoundaryFinder::Word, false);
    if (at < 0 && tooLong)
        at = boundaryNearMiddle(text, QTextBoundaryFinder::Grapheme, false);
    return at;
}

void appendSplit(QList<Cue> &out, const QString &speaker, double start, double end, const QString &text)
{
    const qsizetype length = Characters::count(text);
    const bool tooLong = length > maximumCharacters;
    if (!tooLong && end - start <= maximumSeconds) {
        out.append({speaker, start, end, text});
        return;
    }
    const qsizetype at = cutPosition(text, tooLong);
    const QString first = text.left(at).trimmed();
    const QString second = text.mid(at).trimmed();
    if (at < 0 || first.isEmpty() || second.isEmpty()) {
        out.append({speaker, start, end, text});
        return;
    }
    const qsizetype firstLength = Characters::count(first);
    const double cut = start + (end - start) * double(firstLength) / double(firstLength + Characters::count(second));
    appendSplit(out, speaker, start, cut, first);
    appendSplit(out, speaker, cut, end, second);
}

double validTime(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

QString timestamp(double seconds, char fractionSeparator)
{
    // As the transcript's clock does: a count of milliseconds past 2^63 shows as the largest.
    constexpr double limit = 9223372036854775808.0;
    const double wanted = std::round(validTime(seconds) * 1000);
    const long long milliseconds =
        wanted >= limit ? std::numeric_limits<long long>::max() : static_cast<long long>(wanted);
    const long long totalSeconds = milliseconds / 1000;
    return QString::asprintf("%02lld:%02lld:%02lld%c%03lld", totalSeconds / 3600, totalSeconds % 3600 / 60,
                             totalSeconds % 60, fractionSeparator, milliseconds % 1000);
}

QString timing(const Cue &cue, char fractionSeparator)
{
    return timestamp(cue.start, fractionSeparator) + u" --> "_s + timestamp(cue.end, fractionSeparator);
}

QString escapedForWebVtt(QString text)
{
    return text.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
}

QByteArray joinedCues(const QStringList &blocks) { return (blocks.join(u"\n\n"_s) + u'\n').toUtf8(); }

// The timecode prefix a rendered transcript line starts with, "[00:00:03 - 00:01:05] ".
const QRegularExpression timecodePrefix(u"^\\[\\d+:\\d\\d:\\d\\d - \\d+:\\d\\d:\\d\\d\\] "_s);
const QRegularExpression blankLines(u"\\n[ \\t\\r]*\\n"_s);
constexpr qsizetype longestSpeakerName = 60;

TranscriptSegment edited(TranscriptSegment segment, QString paragraph)
{
    paragraph.remove(timecodePrefix);
    const QString ownPrefix = segment.locutor + u": "_s;
    if (paragraph.startsWith(ownPrefix)) {
        segment.texto = paragraph.mid(ownPrefix.size());
        return segment;
    }
    // A speaker renamed in the text keeps the "Name: " shape of the rendering.
    const qsizetype separator = paragraph.indexOf(u": "_s);
    if (separator >= 0 && separator <= longestSpeakerName && !paragraph.left(separator).contains(u'\n')) {
        segment.locutor = paragraph.left(separator);
        segment.texto = paragraph.mid(separator + 2);
    } else {
        segment.texto = paragraph;
    }
    return segment;
}

} // namespace

QList<Cue> cues(const QList<TranscriptSegment> &segments)
{
    QList<Cue> result;
    for (const TranscriptSegment &segment : segments) {
        const QString text = segment.texto.simplified();
        if (text.isEmpty())
            continue;
        const double start = validTime(segment.inicio);
        appendSplit(result, segment.locutor.simplified(), start, std::max(start, validTime(segment.fim)), text);
    }
    return result;
}

QByteArray subRip(const QList<Cue> &cues)
{
    QStringList blocks;
    for (qsizetype index = 0; index < cues.size(); ++index) {
        const Cue &cue = cues[index];
        const QString line = cue.speaker.isEmpty() ? cue.text : cue.speaker + u": "_s + cue.text;
        blocks.append(QString::number(index + 1) + u'\n' + timing(cue, ',') + u'\n' + line);
    }
    return joinedCues(blocks);
}

QByteArray webVtt(const QList<Cue> &cues)
{
    QStringList blocks{u"WEBVTT"_s};
    for (const Cue &cue : cues) {
        const QString voice = cue.speaker.isEmpty() ? QString() : u"<v "_s + escapedForWebVtt(cue.speaker) + u'>';
        blocks.append(timing(cue, '.') + u'\n' + voice + escapedForWebVtt(cue.text));
    }
    return joinedCues(blocks);
}

std::optional<QList<TranscriptSegment>> withEditedText(const QList<TranscriptSegment> &segments, const QString &text)
{
    QStringList paragraphs = text.split(blankLines, Qt::SkipEmptyParts);
    paragraphs.removeIf([](const QString &paragraph) { return paragraph.trimmed().isEmpty(); });
    if (segments.isEmpty() || paragraphs.size() != segments.size())
        return std::nullopt;
    QList<TranscriptSegment> result;
    result.reserve(segments.size());
    for (qsizetype index = 0; index < segments.size(); ++index)
        result.append(edited(segments[index], paragraphs[index].trimmed()));
    return result;
}

} // namespace telvora::Subtitles
