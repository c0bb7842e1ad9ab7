#include "Telvora/Interface/Reader/EditableDocument.h"

#include "Telvora/Document/StyledBlocks.h"
#include "Telvora/Interface/Reader/DocumentTextView.h"
#include "Telvora/Interface/Reader/FindBar.h"
#include "Telvora/Interface/Reader/LazyDocumentLayout.h"
#include "Telvora/Interface/Reader/ReaderTexts.h"

#include <QAction>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace telvora {

namespace {

const QColor paper = QColor::fromRgbF(0.982f, 0.97f, 0.944f);
const QColor caret = QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
constexpr int insetX = 60;
constexpr int insetY = 36;
// A text up to this long is built at once; a longer one shows its start at once and the rest
// is built between events.
constexpr qsizetype wholeAtOnce = 300'000;
constexpr qsizetype openingCharacters = 100'000;
constexpr qsizetype sliceCharacters = 8'000;
constexpr int sliceMilliseconds = 4;

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

} // namespace

EditableDocument::EditableDocument(std::function<void(const QString &)> write, QWidget *parent)
    : QWidget(parent)
    , m_write(std::move(write))
    , m_view(new DocumentTextView([this] { restylePending(true); }, this))
    , m_findBar(new FindBar(m_view, this))
    , m_buildTimer(new QTimer(this))
{
    m_buildTimer->setInterval(0);
    connect(m_buildTimer, &QTimer::timeout, this, &EditableDocument::buildSlice);
    m_view->setBeforeInput([this] { finishBuilding(); });
    m_findBar->setBeforeSearch([this] { finishBuilding(); });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_view, 1);
    column->addWidget(m_findBar);

    useFreshDocument();
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

QString EditableDocument::viewText() const { return m_viewText; }

QString EditableDocument::documentText() const
{
    QString text = m_view->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void EditableDocument::updateView(const QString &text, bool code, bool editable)
{
    m_code = code;
    m_view->setReadOnly(!editable);
    // The text the area wrote itself comes back shared, and is known without comparing.
    if ((text.isSharedWith(m_shownText) || text == m_shownText) && code == m_lastCode)
        return;
    replaceContents(text, code);
}

void EditableDocument::replaceContents(const QString &text, bool code)
{
    Q_EMIT aboutToReplaceContents();
    const int selectionStart = m_view->textCursor().selectionStart();
    m_updating = true;
    const QString shown = displayed(text);
    useFreshDocument();
    QTextDocument *document = m_view->document();
    // Undo stays off until the whole text is in; the user's first key or search completes it.
    document->setUndoRedoEnabled(false);
    m_building = shown;
    m_buildCode = code;
    m_buildFrom = 0;
    buildLines(shown.size() <= wholeAtOnce ? shown.size() : openingCharacters);
    applyInsets();
    continueBuilding();
    QTextCursor caretAt(document);
    caretAt.setPosition(std::min(selectionStart, document->characterCount() - 1));
    m_view->setTextCursor(caretAt);
    m_view->ensureCursorVisible();
    m_shownText = text;
    m_viewText = shown;
    m_textEdited = false;
    m_pendingFrom = -1;
    m_lastCode = code;
    m_updating = false;
    m_announceReplacement = true;
    announceIfBuilt();
}

void EditableDocument::useFreshDocument()
{
    // A document never gives back the room its cursors took: after a long transcript, whose
    // segments had a cursor each, every line added to the same document would pay for them.
    // The editor deletes the first document, its own, when it is replaced. Ours go after
    // this event: a replacement may come from a signal of the document it replaces.
    if (QTextDocument *ours = m_view->document(); ours->parent() == m_view) {
        ours->disconnect();
        ours->deleteLater();
    }
    auto *fresh = new QTextDocument(m_view);
    fresh->setDocumentLayout(new LazyDocumentLayout(fresh));
    connect(fresh, &QTextDocument::contentsChange, this, &EditableDocument::trackChange);
    m_view->replaceDocument(fresh);
    Q_EMIT documentReplaced();
}

void EditableDocument::announceIfBuilt()
{
    if (m_buildFrom < 0 && std::exchange(m_announceReplacement, false))
        Q_EMIT contentsReplaced();
}

void EditableDocument::buildLines(qsizetype until)
{
    m_buildFrom = StyledBlocks(m_buildCode, StyledDocument::SizeUnit::pixels)
                      .buildLines(*m_view->document(), m_building, m_buildFrom, until);
}

void EditableDocument::continueBuilding()
{
    if (m_buildFrom >= 0) {
        m_buildTimer->start();
        return;
    }
    m_buildTimer->stop();
    m_building.clear();
    m_view->document()->setUndoRedoEnabled(true);
    m_view->document()->clearUndoRedoStacks();
}

void EditableDocument::buildSlice()
{
    if (m_buildFrom < 0)
        return;
    QElapsedTimer clock;
    clock.start();
    keepingSelection([&] {
        while (m_buildFrom >= 0 && clock.elapsed() < sliceMilliseconds)
            buildLines(m_buildFrom + sliceCharacters);
    });
}

void EditableDocument::finishBuilding()
{
    if (m_buildFrom < 0)
        return;
    keepingSelection([&] { buildLines(m_building.size()); });
}

void EditableDocument::keepingSelection(const std::function<void()> &build)
{
    // Lines added at the end would push along a caret that stands there.
    const QTextCursor selection = m_view->textCursor();
    const int anchor = selection.anchor();
    const int position = selection.position();
    const bool updating = std::exchange(m_updating, true);
    build();
    continueBuilding();
    if (m_view->textCursor().anchor() != anchor || m_view->textCursor().position() != position) {
        QTextCursor kept(m_view->document());
        kept.setPosition(anchor);
        kept.setPosition(position, QTextCursor::KeepAnchor);
        m_view->setTextCursor(kept);
    }
    m_updating = updating;
    announceIfBuilt();
}

qsizetype EditableDocument::unbuiltLength() const
{
    // The line break before the next line is not in the document yet either.
    return m_buildFrom < 0 ? 0 : m_building.size() - m_buildFrom + 1;
}

void EditableDocument::trackChange(int from, int removed, int added)
{
    if (m_updating)
        return;
    const QTextDocument *document = m_view->document();
    // The document counts a paragraph break after its last line that the text does not have.
    const int length = document->characterCount() - 1;
    const qsizetype unbuilt = unbuiltLength();
    removed = std::min(removed, int(m_viewText.size() - unbuilt) - from);
    added = std::min(added, length - from);
    if (from < 0 || removed < 0 || added < 0 || m_viewText.size() - removed + added != length + unbuilt) {
        m_viewText = documentText() + QStringView(m_building).sliced(m_building.size() - unbuilt);
        m_textEdited = true;
        m_pendingFrom = 0;
        m_pendingTo = length;
        return;
    }
    QTextCursor stretch(m_view->document());
    stretch.setPosition(from);
    stretch.setPosition(from + added, QTextCursor::KeepAnchor);
    const QString piece = stretch.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    // A change of formats alone reports its characters as replaced by themselves.
    if (removed == added && QStringView(m_viewText).sliced(from, removed) == piece)
        return;
    m_viewText.replace(from, removed, piece);
    m_textEdited = true;
    if (m_pendingFrom < 0) {
        m_pendingFrom = from;
        m_pendingTo = from + added;
        return;
    }
    // The stretch still to restyle, moved by this change and widened to hold it.
    const auto moved = [&](int position, int inside) {
        return position < from ? position : position >= from + removed ? position + added - removed : inside;
    };
    m_pendingFrom = std::min(moved(m_pendingFrom, from), from);
    m_pendingTo = std::max(moved(m_pendingTo, from + added), from + added);
}

void EditableDocument::textDidChange()
{
    // Undoing a restyle of its own changes only the look; there is nothing to write.
    if (m_updating || !m_textEdited)
        return;
    m_textEdited = false;
    m_shownText = m_viewText;
    if (m_write)
        m_write(m_shownText);
    // An edit that did not come through the view's edit blocks (a menu's cut or delete) is
    // restyled here, as an undo step of its own; the view restyles its own edits.
    if (!m_view->isEditing())
        restylePending(false);
}

void EditableDocument::restylePending(bool joinEdit)
{
    if (m_updating || m_pendingFrom < 0)
        return;
    // Only the lines the edit touched, and the neighbours whose style follows theirs, can
    // look different now; a keystroke costs the same in a short text and in a book.
    QTextDocument *document = m_view->document();
    const int end = document->characterCount() - 1;
    const auto [first, last] =
        StyledBlocks::touchedBlocks(*document, std::min(m_pendingFrom, end), std::min(m_pendingTo, end));
    m_pendingFrom = -1;
    const QTextCursor selection = m_view->textCursor();
    m_updating = true;
    QTextCursor cursor(document);
    if (joinEdit)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    StyledBlocks(m_code, StyledDocument::SizeUnit::pixels).restyle(cursor, first, last);
    cursor.endEditBlock();
    if (m_view->textCursor() != selection)
        m_view->setTextCursor(selection);
    m_updating = false;
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
