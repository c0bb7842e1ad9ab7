#include "Telvora/Interface/Reader/DocumentTextView.h"

#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace telvora {

namespace {

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

void DocumentTextView::keyPressEvent(QKeyEvent *event)
{
    // Undo and redo move through the history; they must not open a block of their own.
    if (isReadOnly() || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
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
    m_typedRevision = -1;
    editInBlock([&] { QTextEdit::inputMethodEvent(event); }, false);
}

void DocumentTextView::insertFromMimeData(const QMimeData *source)
{
    m_typedRevision = -1;
    editInBlock([&] { QTextEdit::insertFromMimeData(source); }, false);
}

void DocumentTextView::editAsOneStep(const std::function<void()> &edit)
{
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
    QTextCursor block(document());
    if (join)
        block.joinPreviousEditBlock();
    else
        block.beginEditBlock();
    edit();
    if (m_restyle)
        m_restyle();
    block.endEditBlock();
}

} // namespace telvora
