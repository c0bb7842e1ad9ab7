#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Narration/NarrationTexts.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <iterator>
#include <utility>

namespace telvora::Editorial {

namespace {

// A regional indicator (U+1F1E6…U+1F1FF) starts at `index`; each is a surrogate pair.
bool isRegionalIndicator(const QString &text, qsizetype index)
{
    return index + 1 < text.size() && text[index].unicode() == 0xD83C && text[index + 1].unicode() >= 0xDDE6
        && text[index + 1].unicode() <= 0xDDFF;
}

// Qt 6.4 pairs regional indicators wrongly after some characters: "😀🇧🇷" gives 😀|🇧|🇷.
// Inside a run of indicators the only boundaries are after every second one, so those
// are set here and Qt's own are dropped.
void pairRegionalIndicators(const QString &text, QList<qsizetype> &bounds)
{
    constexpr qsizetype pairUnits = 4;
    QList<std::pair<qsizetype, qsizetype>> runs;
    for (qsizetype index = 0; index < text.size();) {
        if (!isRegionalIndicator(text, index)) {
            ++index;
            continue;
        }
        const qsizetype start = index;
        while (isRegionalIndicator(text, index))
            index += 2;
        if (index - start > 2)
            runs.append({start, index});
    }
    if (runs.isEmpty())
        return;

    QList<qsizetype> kept;
    kept.reserve(bounds.size());
    qsizetype run = 0;
    for (const qsizetype bound : std::as_const(bounds)) {
        while (run < runs.size() && runs[run].second <= bound)
            ++run;
        if (run < runs.size() && runs[run].first < bound)
            continue;
        kept.append(bound);
    }
    QList<qsizetype> pairs;
    for (const auto &[start, end] : std::as_const(runs)) {
        for (qsizetype position = start + pairUnits; position < end; position += pairUnits)
            pairs.append(position);
    }
    bounds.clear();
    std::merge(kept.cbegin(), kept.cend(), pairs.cbegin(), pairs.cend(), std::back_inserter(bounds));
}

// The text seen as user-perceived characters: boundaries are computed once, and the
// chunking below moves indices over them instead of copying the rest of the text.
class Graphemes
{
public:
    explicit Graphemes(const QString &text)
        : m_text(text)
    {
        m_bounds.reserve(text.size() + 1);
        m_bounds.append(0);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype position = finder.toNextBoundary(); position != -1; position = finder.toNextBoundary())
            m_bounds.append(position);
        pairRegionalIndicators(text, m_bounds);
    }

    qsizetype count() const { return m_bounds.size() - 1; }

    QStringView at(qsizetype index) const
    {
        return QStringView(m_text).sliced(m_bounds[index], m_bounds[index + 1] - m_bounds[index]);
    }

    QString slice(qsizetype from, qsizetype to) const
    {
        return m_text.sliced(m_bounds[from], m_bounds[to] - m_bounds[from]);
    }

    // A character made only of white space or line breaks; CR LF is one such character.
    bool isWhitespace(qsizetype index) const
    {
        const QStringView character = at(index);
        return std::all_of(character.begin(), character.end(), [](QChar c) { return c.isSpace(); });
    }

    // Only a bare break character counts: CR LF, or a "." carrying a combining mark, is
    // a different character.
    bool isBreak(qsizetype index) const
    {
        const QStringView character = at(index);
        return character.size() == 1 && NarrationTexts::breakCharacters.contains(character.front());
    }

private:
    const QString &m_text;
    QList<qsizetype> m_bounds;
};

} // namespace

QStringList speechChunks(const QString &text, int limit)
{
    // A limit below 1 would never advance; it is read as 1.
    limit = std::max(limit, 1);
    const Graphemes characters(text);
    const qsizetype half = limit / 2;

    // The rest of the text is [start, end), kept trimmed at both ends.
    qsizetype start = 0;
    qsizetype end = characters.count();
    while (start < end && characters.isWhitespace(start))
        ++start;
    while (end > start && characters.isWhitespace(end - 1))
        --end;

    QStringList chunks;
    while (end - start > limit) {
        qsizetype cut = limit;
        for (qsizetype position = limit - 1; position >= half; --position) {
            if (characters.isBreak(start + position)) {
                cut = position + 1;
                break;
            }
        }
        qsizetype chunkEnd = start + cut;
        while (characters.isWhitespace(chunkEnd - 1))
            --chunkEnd;
        chunks.append(characters.slice(start, chunkEnd));

        start += cut;
        while (start < end && characters.isWhitespace(start))
            ++start;
        if (start == end)
            return chunks;
    }
    if (start < end)
        chunks.append(characters.slice(start, end));
    return chunks;
}

} // namespace telvora::Editorial
