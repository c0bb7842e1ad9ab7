#pragma once

#include "Telvora/Document/StyledDocument.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <array>
#include <utility>

class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace telvora {

/// The styling laid straight onto a QTextDocument that shows a text one line per block,
/// with the formats StyledDocument::attributed(text).applyTo() gives. A line's formats
/// follow from the line itself, its place and, for the empty last line, the line before
/// it, so a document is built line by line and an edited stretch is restyled on its own.
class StyledBlocks
{
public:
    StyledBlocks(bool code, StyledDocument::SizeUnit unit);

    bool code() const { return m_code; }

    /// Replaces the document's contents with `text` ("\n" between blocks), styled.
    /// Records no undo step.
    void build(QTextDocument &document, QStringView text) const;

    /// Builds `text` a stretch of lines at a time, so that a long text can be built between
    /// events: from `offset` 0 it replaces the contents, from a later line start it adds the
    /// lines to the end. It stops after the line that starts at or before `until` and returns
    /// where the next line starts, or -1 when the text is complete. Records no undo step.
    qsizetype buildLines(QTextDocument &document, QStringView text, qsizetype offset, qsizetype until) const;

    /// The blocks whose style may change when the characters from `from` to `to` (positions
    /// after the edit) changed: the blocks holding them, and the empty last line after
    /// them, whose paragraph style is that of the line break before it.
    static std::pair<QTextBlock, QTextBlock> touchedBlocks(const QTextDocument &document, int from, int to);

    /// Gives the blocks from `first` to `last` (both included) the formats a build of the
    /// whole text would give them, through `cursor` and so inside its edit block. Only the
    /// formats that differ are set; returns whether any did.
    bool restyle(QTextCursor &cursor, const QTextBlock &first, const QTextBlock &last) const;

private:
    struct Look
    {
        const QTextCharFormat *characters;
        const QTextBlockFormat *paragraph;
    };
    Look lookOf(QStringView line, qsizetype index, bool last, bool previousBlank) const;
    bool restyleBlock(QTextCursor &cursor, const QTextBlock &block) const;

    bool m_code;
    std::array<QTextCharFormat, 3> m_characters;  // by LineRole
    std::array<QTextBlockFormat, 2> m_paragraphs; // other lines, blank lines
    QTextBlockFormat m_emptyText;                 // the one block of an empty text
};

} // namespace telvora
