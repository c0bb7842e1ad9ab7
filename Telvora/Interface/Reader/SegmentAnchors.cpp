#include "Telvora/Interface/Reader/SegmentAnchors.h"

#include <QTextDocument>

#include <algorithm>

namespace telvora {

namespace {

bool isBlank(const QTextBlock &block) { return block.text().trimmed().isEmpty(); }

} // namespace

QList<QTextBlock> SegmentAnchors::paragraphStarts(const QTextDocument &document)
{
    // Blocks, not cursors: the document never shrinks the table it keeps its cursors in, so
    // a cursor for every paragraph of a long plain text would slow each later edit of it.
    QList<QTextBlock> starts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!isBlank(block) && (!block.previous().isValid() || isBlank(block.previous())))
            starts.append(block);
    }
    return starts;
}

void SegmentAnchors::attach(QTextDocument &document, qsizetype segments)
{
    clear();
    const QList<QTextBlock> starts = paragraphStarts(document);
    if (starts.size() != segments)
        return;
    for (qsizetype index = 0; index < segments; ++index) {
        m_anchors.append({QTextCursor(starts[index]), index});
        m_anchorOfSegment.append(index);
    }
}

QList<qsizetype> SegmentAnchors::ownParagraphs() const
{
    QList<qsizetype> result(m_anchorOfSegment.size(), -1);
    if (m_anchors.isEmpty())
        return result;
    const QList<QTextBlock> starts = paragraphStarts(*m_anchors.first().cursor.document());
    for (qsizetype ordinal = 0; ordinal < starts.size(); ++ordinal) {
        const auto [first, last] = anchorsWithin(*paragraphOf(starts[ordinal]));
        if (last - first == 1)
            result[m_anchors[first].segment] = ordinal;
    }
    return result;
}

void SegmentAnchors::restore(QTextDocument &document, const QList<qsizetype> &ownParagraphs)
{
    clear();
    const QList<QTextBlock> starts = paragraphStarts(document);
    m_anchorOfSegment.fill(-1, ownParagraphs.size());
    for (qsizetype segment = 0; segment < ownParagraphs.size(); ++segment) {
        const qsizetype ordinal = ownParagraphs[segment];
        if (ordinal < 0 || ordinal >= starts.size())
            continue;
        m_anchorOfSegment[segment] = m_anchors.size();
        m_anchors.append({QTextCursor(starts[ordinal]), segment});
    }
}

void SegmentAnchors::clear()
{
    m_anchors.clear();
    m_anchorOfSegment.clear();
}

std::optional<SegmentAnchors::Paragraph> SegmentAnchors::paragraphOf(const QTextBlock &block)
{
    if (!block.isValid() || isBlank(block))
        return std::nullopt;
    Paragraph paragraph{block, block};
    while (paragraph.first.previous().isValid() && !isBlank(paragraph.first.previous()))
        paragraph.first = paragraph.first.previous();
    while (paragraph.last.next().isValid() && !isBlank(paragraph.last.next()))
        paragraph.last = paragraph.last.next();
    return paragraph;
}

std::pair<qsizetype, qsizetype> SegmentAnchors::anchorsWithin(const Paragraph &paragraph) const
{
    const int from = paragraph.first.position();
    const int to = paragraph.last.position() + std::max(0, paragraph.last.length() - 1);
    // The document keeps the anchors in order through any edit: positions only shift.
    const auto byPosition = [](const Anchor &anchor, int position) { return anchor.cursor.position() < position; };
    const auto first = std::lower_bound(m_anchors.begin(), m_anchors.end(), from, byPosition);
    const auto last = std::lower_bound(first, m_anchors.end(), to + 1, byPosition);
    return {first - m_anchors.begin(), last - m_anchors.begin()};
}

std::optional<SegmentAnchors::Paragraph> SegmentAnchors::paragraphOfSegment(qsizetype index) const
{
    if (index < 0 || index >= m_anchorOfSegment.size() || m_anchorOfSegment[index] < 0)
        return std::nullopt;
    const std::optional<Paragraph> paragraph = paragraphOf(m_anchors[m_anchorOfSegment[index]].cursor.block());
    if (!paragraph)
        return std::nullopt;
    const auto [first, last] = anchorsWithin(*paragraph);
    if (last - first != 1)
        return std::nullopt;
    return paragraph;
}

std::optional<qsizetype> SegmentAnchors::segmentAt(const QTextBlock &block) const
{
    const std::optional<Paragraph> paragraph = paragraphOf(block);
    if (!paragraph)
        return std::nullopt;
    const auto [first, last] = anchorsWithin(*paragraph);
    if (last - first != 1)
        return std::nullopt;
    return m_anchors[first].segment;
}

} // namespace telvora
