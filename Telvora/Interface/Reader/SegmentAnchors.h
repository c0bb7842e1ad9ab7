#pragma once

#include <QList>
#include <QTextBlock>
#include <QTextCursor>

#include <optional>

class QTextDocument;

namespace telvora {

/// Which paragraph of the reader's document is which segment of its transcript, kept
/// exact while the user edits. A paragraph is a run of non-blank lines between blank ones.
///
/// Each segment is anchored by a text cursor at the start of its paragraph; the document
/// moves the cursors with every edit and every undo, in order. A paragraph holding exactly
/// one anchor is that segment's; a paragraph with none (one the user added) or several
/// (two the user merged) has no segment, and neither has a segment whose paragraph went.
class SegmentAnchors
{
public:
    struct Paragraph
    {
        QTextBlock first;
        QTextBlock last;
    };

    /// Anchors segment i to paragraph i of `document` when it has `segments` paragraphs;
    /// otherwise anchors nothing.
    void attach(QTextDocument &document, qsizetype segments);
    /// For each segment, the position in the document's order of the paragraph that is
    /// still its own; -1 for a segment that has none.
    QList<qsizetype> ownParagraphs() const;
    /// Anchors each segment to the paragraph `ownParagraphs` gave for the same text.
    void restore(QTextDocument &document, const QList<qsizetype> &ownParagraphs);
    void clear();
    bool isEmpty() const { return m_anchors.isEmpty(); }

    /// The first line of each paragraph of `document`, in order.
    static QList<QTextBlock> paragraphStarts(const QTextDocument &document);
    /// The paragraph that holds `block`; none for a blank line.
    static std::optional<Paragraph> paragraphOf(const QTextBlock &block);

    /// The paragraph that is still segment `index`'s own.
    std::optional<Paragraph> paragraphOfSegment(qsizetype index) const;
    /// The segment whose own paragraph holds `block`.
    std::optional<qsizetype> segmentAt(const QTextBlock &block) const;

private:
    struct Anchor
    {
        QTextCursor cursor;
        qsizetype segment = 0;
    };

    // The anchors whose position lies in `paragraph`, as a range of indices.
    std::pair<qsizetype, qsizetype> anchorsWithin(const Paragraph &paragraph) const;

    QList<Anchor> m_anchors;            // in document order
    QList<qsizetype> m_anchorOfSegment; // -1 for a segment without anchor
};

} // namespace telvora
