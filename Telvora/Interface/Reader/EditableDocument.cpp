#include "Telvora/Interface/Reader/EditableDocument.h"

#include "Telvora/Document/StyledDocument.h"
#include "Telvora/Interface/Reader/DocumentTextView.h"
#include "Telvora/Interface/Reader/FindBar.h"
#include "Telvora/Interface/Reader/ReaderTexts.h"

#include <QAction>
#include <QHash>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

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

struct CharChange
{
    int start;
    int end;
    int look;
};

// The few distinct formats a styling uses, and which one each segment has. The document
// keeps one index per distinct format, so each of its indexes is compared with a look
// once, however many lines share it.
class Looks
{
public:
    explicit Looks(const QList<StyledSegment> &segments)
    {
        m_charOf.reserve(segments.size());
        m_paragraphOf.reserve(segments.size());
        for (const StyledSegment &segment : segments) {
            m_charOf.push_back(charLook(segment));
            m_paragraphOf.push_back(paragraphLook(segment.paragraph));
        }
    }

    int charOf(qsizetype segment) const { return m_charOf[segment]; }
    int paragraphOf(qsizetype segment) const { return m_paragraphOf[segment]; }
    const QTextCharFormat &charFormat(int look) const { return m_chars[look].format; }
    const QTextBlockFormat &blockFormat(int look) const { return m_blockFormats[look]; }

    bool charMatches(const QTextFragment &fragment, qsizetype segment) const
    {
        const int look = m_charOf[segment];
        return matches(m_charMatches, fragment.charFormatIndex(), look,
                       [&] { return fragment.charFormat() == m_chars[look].format; });
    }

    bool blockMatches(const QTextBlock &block, qsizetype segment) const
    {
        const int look = m_paragraphOf[segment];
        return matches(m_blockMatches, block.blockFormatIndex(), look,
                       [&] { return block.blockFormat() == m_blockFormats[look]; });
    }

private:
    struct CharLook
    {
        QFont font;
        QColor colour;
        QTextCharFormat format;
    };

    int charLook(const StyledSegment &segment)
    {
        for (qsizetype i = 0; i < qsizetype(m_chars.size()); ++i) {
            if (m_chars[i].font == segment.font && m_chars[i].colour == segment.colour)
                return int(i);
        }
        m_chars.push_back({segment.font, segment.colour, StyledText::charFormat(segment)});
        return int(m_chars.size() - 1);
    }

    int paragraphLook(const ParagraphStyle &style)
    {
        const auto found = std::find(m_paragraphs.cbegin(), m_paragraphs.cend(), style);
        if (found != m_paragraphs.cend())
            return int(found - m_paragraphs.cbegin());
        m_paragraphs.push_back(style);
        m_blockFormats.push_back(StyledText::blockFormat(style));
        return int(m_paragraphs.size() - 1);
    }

    template<typename Compare>
    static bool matches(QHash<quint64, bool> &cache, int formatIndex, int look, Compare compare)
    {
        const quint64 key = (quint64(quint32(formatIndex)) << 32) | quint32(look);
        auto found = cache.constFind(key);
        if (found == cache.cend())
            found = cache.insert(key, compare());
        return *found;
    }

    std::vector<CharLook> m_chars;
    std::vector<ParagraphStyle> m_paragraphs;
    std::vector<QTextBlockFormat> m_blockFormats;
    std::vector<int> m_charOf;
    std::vector<int> m_paragraphOf;
    mutable QHash<quint64, bool> m_charMatches;
    mutable QHash<quint64, bool> m_blockMatches;
};

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
    const int selectionStart = m_view->textCursor().selectionStart();
    m_updating = true;
    const QString shown = displayed(text);
    QTextDocument *document = m_view->document();
    StyledDocument::attributed(shown, code, StyledDocument::SizeUnit::pixels).applyTo(*document);
    applyInsets();
    document->clearUndoRedoStacks();
    QTextCursor caretAt(document);
    caretAt.setPosition(std::min<int>(selectionStart, int(shown.size())));
    m_view->setTextCursor(caretAt);
    m_shownText = text;
    m_styledText = shown;
    m_lastCode = code;
    m_updating = false;
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
    m_styledText = text;
    // Only the attributes that differ from the styling are set, so a keystroke that keeps
    // the look touches nothing and lays out nothing again.
    const QList<StyledSegment> segments =
        StyledDocument::attributed(text, m_code, StyledDocument::SizeUnit::pixels).segments();
    if (segments.isEmpty())
        return;
    const Looks looks(segments);
    const auto segmentEnd = [&](qsizetype index) { return segments[index].offset + segments[index].length; };

    std::vector<CharChange> charChanges;
    std::vector<std::pair<int, int>> blockChanges; // position, paragraph look
    QTextDocument *document = m_view->document();
    qsizetype first = 0; // the segment holding the start of the current block
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const int position = block.position();
        // A block takes the paragraph style of its first character; the empty last line,
        // after a final line break, that of the last character.
        while (first + 1 < segments.size() && segmentEnd(first) <= position)
            ++first;
        if (!looks.blockMatches(block, first))
            blockChanges.emplace_back(position, looks.paragraphOf(first));
        qsizetype index = first;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = fragment.position();
            const int end = start + fragment.length();
            while (index + 1 < segments.size() && segmentEnd(index) <= start)
                ++index;
            for (qsizetype k = index; k < segments.size() && segments[k].offset < end; ++k) {
                if (looks.charMatches(fragment, k))
                    continue;
                const int from = std::max<int>(start, int(segments[k].offset));
                const int to = std::min<int>(end, int(segmentEnd(k)));
                const int look = looks.charOf(k);
                if (!charChanges.empty() && charChanges.back().look == look && charChanges.back().end == from)
                    charChanges.back().end = to;
                else
                    charChanges.push_back({from, to, look});
            }
        }
    }
    if (charChanges.empty() && blockChanges.empty())
        return;

    // Inside an edit's block (see DocumentTextView) this is part of the edit's undo step.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (const CharChange &change : charChanges) {
        cursor.setPosition(change.start);
        cursor.setPosition(change.end, QTextCursor::KeepAnchor);
        cursor.setCharFormat(looks.charFormat(change.look));
    }
    for (const auto &[position, look] : blockChanges) {
        cursor.setPosition(position);
        cursor.setBlockFormat(looks.blockFormat(look));
    }
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
