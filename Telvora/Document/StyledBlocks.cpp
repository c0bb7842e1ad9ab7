#include "Telvora/Document/StyledBlocks.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace telvora {

namespace {

using StyledDocument::LineRole;

QTextCharFormat charFormat(LineRole role, bool code, StyledDocument::SizeUnit unit)
{
    return StyledText::charFormat(
        StyledSegment{0, 0, StyledDocument::font(role, code, unit), StyledDocument::ink(), {}});
}

} // namespace

StyledBlocks::StyledBlocks(bool code, StyledDocument::SizeUnit unit)
    : m_code(code)
    , m_characters{charFormat(LineRole::body, code, unit), charFormat(LineRole::title, code, unit),
                   charFormat(LineRole::heading, code, unit)}
    , m_paragraphs{StyledText::blockFormat(StyledDocument::paragraphStyle(false)),
                   StyledText::blockFormat(StyledDocument::paragraphStyle(true))}
{}

StyledBlocks::Look StyledBlocks::lookOf(QStringView line, qsizetype index, bool last, bool previousBlank) const
{
    if (m_code)
        return {&m_characters[0], &m_paragraphs[0]};
    // The empty remainder after a final line break has the paragraph style of that break.
    if (last && line.isEmpty() && index > 0)
        return {&m_characters[0], &m_paragraphs[previousBlank ? 1 : 0]};
    const StyledDocument::LineStyle style = StyledDocument::lineStyle(line, index, last);
    return {&m_characters[qsizetype(style.role)], &m_paragraphs[style.blank ? 1 : 0]};
}

void StyledBlocks::build(QTextDocument &document, QStringView text) const
{
    buildLines(document, text, 0, text.size());
}

qsizetype StyledBlocks::buildLines(QTextDocument &document, QStringView text, qsizetype offset, qsizetype until) const
{
    // Building is no edit to take back; recording it would double the work.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    if (offset == 0)
        document.clear();
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Only the first line's place matters to the rules, and the line before to an empty last one.
    qsizetype index = offset == 0 ? 0 : 1;
    bool previousBlank = offset > 0 && document.lastBlock().blockFormat() == m_paragraphs[1];
    for (; !text.isEmpty() && offset <= text.size() && offset <= until; ++index) {
        qsizetype lineFeed = text.indexOf(u'\n', offset);
        if (lineFeed < 0)
            lineFeed = text.size();
        const QStringView line = text.sliced(offset, lineFeed - offset);
        const Look look = lookOf(line, index, lineFeed == text.size(), previousBlank);
        if (offset == 0)
            cursor.setBlockFormat(*look.paragraph);
        else
            cursor.insertBlock(*look.paragraph, m_characters[0]);
        if (!line.isEmpty())
            cursor.insertText(line.toString(), *look.characters);
        previousBlank = look.paragraph == &m_paragraphs[1];
        offset = lineFeed + 1;
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    return offset > text.size() ? -1 : offset;
}

std::pair<QTextBlock, QTextBlock> StyledBlocks::touchedBlocks(const QTextDocument &document, int from, int to)
{
    const QTextBlock first = document.findBlock(from);
    QTextBlock last = document.findBlock(to);
    const QTextBlock after = last.next();
    if (after.isValid() && after.length() == 1 && !after.next().isValid())
        last = after;
    return {first, last};
}

bool StyledBlocks::restyle(QTextCursor &cursor, const QTextBlock &first, const QTextBlock &last) const
{
    bool changed = false;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        changed = restyleBlock(cursor, block) || changed;
        if (block == last)
            break;
    }
    return changed;
}

bool StyledBlocks::restyleBlock(QTextCursor &cursor, const QTextBlock &block) const
{
    const QTextBlock previous = block.previous();
    const QTextBlock next = block.next();
    const int start = block.position();
    const QString line = block.text();
    const int end = start + int(line.size());
    // Only the first line's place matters to the rules; the line before matters to the
    // empty last line, and it is styled already, being before this one or untouched.
    const bool first = !previous.isValid();
    const bool last = !next.isValid();
    const Look look = lookOf(line, first ? 0 : 1, last, !first && previous.blockFormat() == m_paragraphs[1]);
    const QTextBlockFormat &paragraph = first && last && line.isEmpty() ? m_emptyText : *look.paragraph;
    bool changed = false;

    if (block.blockFormat() != paragraph) {
        cursor.setPosition(start);
        cursor.setBlockFormat(paragraph);
        changed = true;
    }
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        if (fragment.fragment().charFormat() != *look.characters) {
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.setCharFormat(*look.characters);
            changed = true;
            break;
        }
    }
    // The line break ending this block keeps what the next block reports as its format.
    if (!last && next.charFormat() != m_characters[0]) {
        cursor.setPosition(end);
        cursor.setPosition(end + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(m_characters[0]);
        changed = true;
    }
    return changed;
}

} // namespace telvora
