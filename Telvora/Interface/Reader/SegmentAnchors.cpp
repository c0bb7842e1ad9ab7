#include "Telvora/Interface/Reader/SegmentAnchors.h"

#include <QTextDocument>

#include <algorithm>

namespace telvora {

namespace {

bool isBlank(const QTextBlock &block) { return block.text().trimmed().isEmpty(); }

int endOf(const QTextBlock &block) { return block.position() + std::max(0, block.length() - 1); }

} // namespace

void SegmentAnchors::attach(QTextDocument &document, qsizetype segments)
{
    m_anchors.clear();
    QList<QTextCursor> anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!isBlank(block) && (!block.previous().isValid() || isBlank(block.previous())))
            anchors.append(QTextCursor(block));
    }
    if (anchors.size() == segments)
        m_anchors = std::move(anchors);
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

std::pair<qsizetype, qsizetype> SegmentAnchors::anchorsWithin(int from, int to) const
{
    // The document keeps the anchors in order through any edit: positions only shift.
    const auto byPosition = [](const QTextCursor &anchor, int position) { return anchor.position() < position; };
    const auto first = std::lower_bound(m_anchors.begin(), m_anchors.end(), from, byPosition);
    const auto last = std::lower_bound(first, m_anchors.end(), to + 1, byPosition);
    return {first - m_anchors.begin(), last - m_anchors.begin()};
}

std::optional<SegmentAnchors::Paragraph> SegmentAnchors::paragraphOfSegment(qsizetype index) const
{
    if (index < 0 || index >= m_anchors.size())
        return std::nullopt;
    const QTextCursor &anchor = m_anchors[index];
    const std::optional<Paragraph> paragraph = paragraphOf(anchor.block());
    if (!paragraph)
        return std::nullopt;
    const auto [first, last] = anchorsWithin(paragraph->first.position(), endOf(paragraph->last));
    if (last - first != 1)
        return std::nullopt;
    return paragraph;
}

std::optional<qsizetype> SegmentAnchors::segmentAt(const QTextBlock &block) const
{
    const std::optional<Paragraph> paragraph = paragraphOf(block);
    if (!paragraph)
        return std::nullopt;
    const auto [first, last] = anchorsWithin(paragraph->first.position(), endOf(paragraph->last));
    if (last - first != 1)
        return std::nullopt;
    return first;
}

} // namespace telvora
