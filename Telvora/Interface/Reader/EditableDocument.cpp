#include "Telvora/Interface/Reader/EditableDocument.h"

#include "Telvora/Document/StyledBlocks.h"
#include "Telvora/Interface/Reader/DocumentTextView.h"
#include "Telvora/Interface/Reader/FindBar.h"
#include "Telvora/Interface/Reader/ReaderTexts.h"

#include <QAction>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace telvora {

namespace {

const QColor paper = QColor::fromRgbF(0.982f, 0.97f, 0.944f);
const QColor caret = QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
constexpr int insetX = 60;
constexpr int insetY = 36;

// The text as the view can hold it: every line break the view would turn into a
// paragraph break of its own becomes "\n", so positions match one to one.
QString displayed(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(QChar::ParagraphSeparator))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        result.append(c == u'\r' || c == QChar::ParagraphSeparator ? QChar(u'\n') : c);
    }
    return result;
}

// Where `after` differs from `before`: from the first position that differs to the end of
// the difference, as positions in `after`.
std::pair<int, int> changedStretch(QStringView before, QStringView after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    const qsizetype prefix =
        std::mismatch(before.begin(), before.begin() + shorter, after.begin()).first - before.begin();
    const qsizetype suffix =
        std::mismatch(before.rbegin(), before.rbegin() + (shorter - prefix), after.rbegin()).first - before.rbegin();
    return {int(prefix), int(after.size() - suffix)};
}

} // namespace

EditableDocument::EditableDocument(std::function<void(const QString &)> write, QWidget *parent)
    : QWidget(parent)
    , m_write(std::move(write))
    , m_view(new DocumentTextView([this] { restyleIfChanged(viewText()); }, this))
    , m_findBar(new FindBar(m_view, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_view, 1);
    column->addWidget(m_findBar);

    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setLineWrapMode(QTextEdit::WidgetWidth);
    m_view->setAcceptRichText(false);
    m_view->setUndoRedoEnabled(true);
    m_view->setReadOnly(false);
    m_view->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_view->setAccessibleName(ReaderTexts::documentName.toString());
    // The caret is drawn in the text colour; the characters carry their own colour.
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Base, paper);
    palette.setColor(QPalette::Text, caret);
    m_view->setPalette(palette);
    applyInsets();
    m_view->document()->clearUndoRedoStacks();

    auto *find = new QAction(this);
    find->setShortcuts(QKeySequence::Find);
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QAction::triggered, m_findBar, &FindBar::open);
    auto *next = new QAction(this);
    next->setShortcuts(QKeySequence::FindNext);
    next->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(next, &QAction::triggered, m_findBar, &FindBar::findNext);
    auto *previous = new QAction(this);
    previous->setShortcuts(QKeySequence::FindPrevious);
    previous->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(previous, &QAction::triggered, m_findBar, &FindBar::findPrevious);
    addActions({find, next, previous});

    connect(m_view, &QTextEdit::textChanged, this, &EditableDocument::textDidChange);
}

QString EditableDocument::viewText() const
{
    QString text = m_view->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void EditableDocument::updateView(const QString &text, bool code, bool editable)
{
    m_code = code;
    m_view->setReadOnly(!editable);
    if (text == m_shownText && code == m_lastCode)
        return;
    replaceContents(text, code);
}

void EditableDocument::replaceContents(const QString &text, bool code)
{
    Q_EMIT aboutToReplaceContents();
    const int selectionStart = m_view->textCursor().selectionStart();
    m_updating = true;
    const QString shown = displayed(text);
    QTextDocument *document = m_view->document();
    // Qt lays out a document that changed all at once, but one that gets its page size
    // back a stretch at a time from the top, on a timer: a long text opens without
    // freezing the window while the rest is laid out. Without a page size nothing is laid
    // out, not even to repaint the old selection, which the new text pushed to its end.
    const QSizeF page = document->pageSize();
    document->setPageSize(QSizeF(0, 0));
    StyledBlocks(code, StyledDocument::SizeUnit::pixels).build(*document, shown);
    applyInsets();
    document->clearUndoRedoStacks();
    QTextCursor caretAt(document);
    caretAt.setPosition(std::min<int>(selectionStart, int(shown.size())));
    m_view->setTextCursor(caretAt);
    document->setPageSize(page);
    m_view->ensureCursorVisible();
    m_shownText = text;
    m_styledText = shown;
    m_lastCode = code;
    m_updating = false;
    Q_EMIT contentsReplaced();
}

void EditableDocument::textDidChange()
{
    if (m_updating)
        return;
    const QString text = viewText();
    // Undoing a restyle of its own changes only the look; there is nothing to write.
    if (text == m_shownText)
        return;
    m_shownText = text;
    if (m_write)
        m_write(text);
    // An edit that did not come through the view's edit blocks (a menu's cut or delete) is
    // restyled here, as an undo step of its own; the others were restyled in their block.
    restyleIfChanged(text);
}

void EditableDocument::restyleIfChanged(const QString &text)
{
    if (m_updating || text == m_styledText)
        return;
    const QTextCursor selection = m_view->textCursor();
    m_updating = true;
    restyleInPlace(text);
    if (m_view->textCursor() != selection)
        m_view->setTextCursor(selection);
    m_updating = false;
}

void EditableDocument::restyleInPlace(const QString &text)
{
    // Only the lines the edit touched, and the neighbours whose style follows theirs, can
    // look different now; a keystroke costs the same in a short text and in a book.
    const auto [from, to] = changedStretch(m_styledText, text);
    m_styledText = text;
    QTextDocument *document = m_view->document();
    const auto [first, last] = StyledBlocks::touchedBlocks(*document, from, to);
    // Inside an edit's block (see DocumentTextView) this is part of the edit's undo step.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    StyledBlocks(m_code, StyledDocument::SizeUnit::pixels).restyle(cursor, first, last);
    cursor.endEditBlock();
}

void EditableDocument::applyInsets()
{
    QTextFrame *root = m_view->document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    format.setLeftMargin(insetX);
    format.setRightMargin(insetX);
    format.setTopMargin(insetY);
    format.setBottomMargin(insetY);
    root->setFrameFormat(format);
}

} // namespace telvora
