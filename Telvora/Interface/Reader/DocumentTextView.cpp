#include "Telvora/Interface/Reader/DocumentTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <iterator>

namespace telvora {

namespace {

// Keys that only move the caret or the selection. Inside an edit block the document cannot
// tell a caret where its line lies on screen, and a page up or down would go a few lines.
bool movesOnly(const QKeyEvent &event)
{
    static const QKeySequence::StandardKey moves[] = {
        QKeySequence::MoveToNextChar,        QKeySequence::MoveToPreviousChar,  QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,    QKeySequence::MoveToNextLine,      QKeySequence::MoveToPreviousLine,
        QKeySequence::MoveToNextPage,        QKeySequence::MoveToPreviousPage,  QKeySequence::MoveToStartOfLine,
        QKeySequence::MoveToEndOfLine,       QKeySequence::MoveToStartOfBlock,  QKeySequence::MoveToEndOfBlock,
        QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextChar,
        QKeySequence::SelectPreviousChar,    QKeySequence::SelectNextWord,      QKeySequence::SelectPreviousWord,
        QKeySequence::SelectNextLine,        QKeySequence::SelectPreviousLine,  QKeySequence::SelectNextPage,
        QKeySequence::SelectPreviousPage,    QKeySequence::SelectStartOfLine,   QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfBlock,    QKeySequence::SelectEndOfBlock,    QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,   QKeySequence::SelectAll,           QKeySequence::Copy};
    return std::any_of(std::begin(moves), std::end(moves), [&](auto key) { return event.matches(key); });
}

bool typesText(const QKeyEvent &event)
{
    const QString text = event.text();
    if (text.isEmpty() || event.modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier))
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
}

} // namespace

DocumentTextView::DocumentTextView(std::function<void()> restyle, QWidget *parent)
    : QTextEdit(parent)
    , m_restyle(std::move(restyle))
{}

void DocumentTextView::replaceDocument(QTextDocument *fresh)
{
    fresh->setDefaultFont(document()->defaultFont());
    setDocument(fresh);
    // The editor gives only its first document the viewport to measure fonts against.
    fresh->documentLayout()->setPaintDevice(viewport());
    m_typedRevision = -1;
}

void DocumentTextView::prepareForInput()
{
    if (m_prepare)
        m_prepare();
}

void DocumentTextView::cut()
{
    prepareForInput();
    QTextEdit::cut();
}

void DocumentTextView::keyPressEvent(QKeyEvent *event)
{
    prepareForInput();
    // Undo and redo move through the history; they must not open a block of their own.
    if (isReadOnly() || movesOnly(*event) || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        m_typedRevision = -1;
        QTextEdit::keyPressEvent(event);
        return;
    }
    const bool typing = typesText(*event);
    if (event->matches(QKeySequence::InsertParagraphSeparator))
        editInBlock([this] { breakLine(); }, false);
    else
        editInBlock([&] { QTextEdit::keyPressEvent(event); }, typing && continuesTyping(*event));
    if (typing) {
        m_typedRevision = document()->revision();
        m_typedPosition = textCursor().position();
    } else {
        m_typedRevision = -1;
    }
}

void DocumentTextView::inputMethodEvent(QInputMethodEvent *event)
{
    prepareForInput();
    m_typedRevision = -1;
    editInBlock([&] { QTextEdit::inputMethodEvent(event); }, false);
}

void DocumentTextView::insertFromMimeData(const QMimeData *source)
{
    prepareForInput();
    m_typedRevision = -1;
    editInBlock([&] { QTextEdit::insertFromMimeData(source); }, false);
}

void DocumentTextView::editAsOneStep(const std::function<void()> &edit)
{
    prepareForInput();
    m_typedRevision = -1;
    editInBlock(edit, false);
}

// Qt's editor answers Return in an empty line with a paragraph format of its own by
// dropping that format instead of breaking the line; every blank line has one here.
void DocumentTextView::breakLine()
{
    QTextCursor cursor = textCursor();
    cursor.insertBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

bool DocumentTextView::continuesTyping(const QKeyEvent &event) const
{
    const QTextCursor cursor = textCursor();
    return m_typedRevision == document()->revision() && m_typedPosition == cursor.position() && !cursor.hasSelection()
        && !event.text().front().isSpace();
}

void DocumentTextView::editInBlock(const std::function<void()> &edit, bool join)
{
    // The document reports what changed only once the outermost block ends; the restyle
    // needs that, so it comes after the block and joins it.
    m_editing = true;
    QTextCursor block(document());
    if (join)
        block.joinPreviousEditBlock();
    else
        block.beginEditBlock();
    edit();
    block.endEditBlock();
    m_editing = false;
    if (m_restyle)
        m_restyle();
}

} // namespace telvora
