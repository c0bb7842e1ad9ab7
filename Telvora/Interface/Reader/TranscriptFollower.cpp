#include "Telvora/Interface/Reader/TranscriptFollower.h"

#include "Telvora/Session/Playback.h"
#include "Telvora/Session/Session.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace telvora {

namespace {

// A warm tint a shade deeper than the paper, quiet enough to read through.
const QColor spokenTint = QColor::fromRgbF(0.94f, 0.9f, 0.78f);
// Tags the follower's extra selection among the view's others.
constexpr int followMarkProperty = QTextFormat::UserProperty + 0x7e1;

} // namespace

TranscriptFollower::TranscriptFollower(QTextEdit &view, Session &session, Playback &playback, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_session(session)
    , m_playback(playback)
{
    m_poll.setInterval(pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &TranscriptFollower::refresh);
    connect(&session, &Session::sourcePlayingChanged, this, &TranscriptFollower::followPlaying);
    connect(&session, &Session::transcriptSegmentsChanged, this, [this] {
        m_remembered.reset();
        // Contents still being replaced are attached to once they are all in.
        if (!m_replacing)
            reattach();
    });
    connect(&session, &Session::readerShowsSourceChanged, this, &TranscriptFollower::refresh);
    connect(&session, &Session::hasSourcePlayerChanged, this, &TranscriptFollower::refresh);
    connect(&playback, &Playback::sourceMoved, this, &TranscriptFollower::refresh);
    watchDocument();
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!m_scrolling)
            noteUserAction();
    });
    view.viewport()->installEventFilter(this);
    followPlaying(session.sourcePlaying());
}

void TranscriptFollower::watchDocument()
{
    // An edit can take the marked paragraph's segment away, or give it back on undo.
    connect(m_view.document(), &QTextDocument::contentsChanged, this, [this] {
        // Replacing the contents is no edit of the user, and the mark waits until all of
        // them are in.
        if (m_replacing)
            return;
        noteUserAction();
        refresh();
    });
}

void TranscriptFollower::rememberParagraphs()
{
    if (!m_anchors.isEmpty())
        m_remembered = Remembered{m_view.document()->toRawText(), m_anchors.ownParagraphs()};
    m_anchors.clear();
    mark(std::nullopt);
    m_replacing = true;
}

void TranscriptFollower::reattach()
{
    m_replacing = false;
    m_anchors.clear();
    QTextDocument &document = *m_view.document();
    // The transcript shown again as the user left it keeps what the edits did to its
    // paragraphs; counting them again could pair a segment with another's paragraph.
    if (m_session.readerShowsSource() && m_remembered && m_remembered->text == document.toRawText())
        m_anchors.restore(document, m_remembered->ownParagraphs);
    else if (m_session.readerShowsSource() && !m_session.readerIsCode())
        m_anchors.attach(document, m_session.transcriptSegments().size());
    m_marked.reset();
    // Opening a text is not the user moving the view.
    m_sinceUserAction.invalidate();
    refresh();
}

bool TranscriptFollower::hasSegments() const { return m_session.readerShowsSource() && !m_anchors.isEmpty(); }

bool TranscriptFollower::follows() const { return hasSegments() && m_session.hasSourcePlayer(); }

void TranscriptFollower::refresh()
{
    if (m_replacing)
        return;
    if (!follows()) {
        mark(std::nullopt);
        return;
    }
    // A stopped recording stands at its start and marks nothing; a paused one keeps its place.
    const double position = m_playback.sourcePosition();
    mark(m_session.sourcePlaying() || position > 0 ? segmentPlayingAt(position) : std::nullopt);
}

std::optional<qsizetype> TranscriptFollower::segmentPlayingAt(double seconds) const
{
    const QList<TranscriptSegment> &segments = m_session.transcriptSegments();
    for (qsizetype index = 0; index < segments.size(); ++index) {
        if (segments[index].inicio <= seconds && seconds < segments[index].fim)
            return index;
    }
    return std::nullopt;
}

std::optional<qsizetype> TranscriptFollower::segmentAt(const QTextBlock &block) const
{
    if (!m_session.readerShowsSource())
        return std::nullopt;
    return m_anchors.segmentAt(block);
}

bool TranscriptFollower::playParagraph(const QTextBlock &block)
{
    const std::optional<qsizetype> segment = segmentAt(block);
    if (!segment || !m_session.hasSourcePlayer())
        return false;
    m_playback.playSourceFrom(m_session.transcriptSegments().at(*segment).inicio);
    return true;
}

void TranscriptFollower::mark(std::optional<qsizetype> segment)
{
    const std::optional<SegmentAnchors::Paragraph> paragraph =
        segment ? m_anchors.paragraphOfSegment(*segment) : std::nullopt;
    // A segment whose paragraph was merged away or deleted is not shown anywhere.
    if (!paragraph)
        segment.reset();
    const bool moved = segment != m_marked;
    m_marked = segment;
    showMark(paragraph);
    if (moved && paragraph && (!m_sinceUserAction.isValid() || m_sinceUserAction.elapsed() >= userPause.count()))
        keepInView(*paragraph);
}

void TranscriptFollower::showMark(const std::optional<SegmentAnchors::Paragraph> &paragraph)
{
    if (!paragraph && !m_showing)
        return;
    // The find bar and the editor may hold extra selections of their own: only ours is replaced.
    QList<QTextEdit::ExtraSelection> selections = m_view.extraSelections();
    const auto ours = [](const QTextEdit::ExtraSelection &selection) {
        return selection.format.hasProperty(followMarkProperty);
    };
    const QTextCursor range = paragraph ? spokenRange(*paragraph) : QTextCursor();
    // Typing and every poll ask again; a mark already in place is left alone.
    if (paragraph
        && std::any_of(selections.cbegin(), selections.cend(), [&](const QTextEdit::ExtraSelection &selection) {
               return ours(selection) && selection.cursor.anchor() == range.anchor()
                   && selection.cursor.position() == range.position();
           }))
        return;
    m_showing = paragraph.has_value();
    selections.removeIf(ours);
    if (paragraph) {
        QTextEdit::ExtraSelection spoken;
        spoken.cursor = range;
        spoken.format.setBackground(spokenTint);
        spoken.format.setProperty(QTextFormat::FullWidthSelection, true);
        spoken.format.setProperty(followMarkProperty, true);
        selections.append(spoken);
    }
    m_view.setExtraSelections(selections);
}

// The paragraph through its own line break, so that its last line is tinted across too.
QTextCursor TranscriptFollower::spokenRange(const SegmentAnchors::Paragraph &paragraph) const
{
    QTextCursor range(paragraph.first);
    range.setPosition(
        std::min(paragraph.last.position() + paragraph.last.length(), m_view.document()->characterCount() - 1),
        QTextCursor::KeepAnchor);
    return range;
}

// Brings the paragraph to the upper third of the view when any of it is out of sight.
void TranscriptFollower::keepInView(const SegmentAnchors::Paragraph &paragraph)
{
    QTextCursor end(paragraph.last);
    end.movePosition(QTextCursor::EndOfBlock);
    const QRect top = m_view.cursorRect(QTextCursor(paragraph.first));
    const QRect bottom = m_view.cursorRect(end);
    const int height = m_view.viewport()->height();
    if (top.top() >= 0 && bottom.bottom() <= height)
        return;
    m_scrolling = true;
    QScrollBar *bar = m_view.verticalScrollBar();
    bar->setValue(bar->value() + top.top() - height / 3);
    m_scrolling = false;
}

void TranscriptFollower::noteUserAction() { m_sinceUserAction.start(); }

void TranscriptFollower::followPlaying(bool playing)
{
    if (playing)
        m_poll.start();
    else
        m_poll.stop();
    refresh();
}

bool TranscriptFollower::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel)
        noteUserAction();
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *click = static_cast<QMouseEvent *>(event);
        if (click->button() == Qt::LeftButton && click->modifiers().testFlag(Qt::ControlModifier)
            && playParagraph(m_view.cursorForPosition(click->position().toPoint()).block()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace telvora
