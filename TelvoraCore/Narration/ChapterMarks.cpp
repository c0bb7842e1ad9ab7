#include "TelvoraCore/Narration/ChapterMarks.h"

#include <algorithm>

namespace telvora {

namespace {

// Where each chunk starts in the script: the chunks are the script's own slices, in order.
QList<qsizetype> chunkStarts(const QString &script, const QStringList &chunks)
{
    QList<qsizetype> starts;
    qsizetype from = 0;
    for (const QString &chunk : chunks) {
        const qsizetype found = script.indexOf(chunk, from);
        starts.append(found < 0 ? from : found);
        from = starts.last() + (found < 0 ? 0 : chunk.size());
    }
    return starts;
}

qsizetype placeInScript(const DocumentHeading &heading, qsizetype documentLength, const QString &script, qsizetype from)
{
    const qsizetype said = heading.title.isEmpty() ? -1 : script.indexOf(heading.title, from, Qt::CaseInsensitive);
    if (said >= 0)
        return said;
    const double share = documentLength > 0 ? double(heading.offset) / double(documentLength) : 0;
    return std::max(from, qsizetype(share * double(script.size())));
}

ChapterMark markAt(const QString &title, qsizetype place, const QList<qsizetype> &starts, const QStringList &chunks)
{
    const auto after = std::upper_bound(starts.cbegin(), starts.cend(), place);
    const qsizetype chunk = std::max<qsizetype>(0, after - starts.cbegin() - 1);
    const qsizetype length = chunks[chunk].size();
    const double position = length > 0 ? double(place - starts[chunk]) / double(length) : 0;
    return {title, chunk, std::clamp(position, 0.0, 1.0)};
}

} // namespace

QList<ChapterMark> chapterMarks(const QList<DocumentHeading> &headings, qsizetype documentLength, const QString &script,
                                const QStringList &chunks)
{
    QList<ChapterMark> marks;
    if (chunks.isEmpty())
        return marks;
    const QList<qsizetype> starts = chunkStarts(script, chunks);
    qsizetype from = 0;
    for (const DocumentHeading &heading : headings) {
        const qsizetype place = placeInScript(heading, documentLength, script, from);
        marks.append(markAt(heading.title, place, starts, chunks));
        from = place + 1;
    }
    return marks;
}

} // namespace telvora
