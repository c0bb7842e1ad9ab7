#pragma once

#include "Telvora/Interface/Reader/SegmentAnchors.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

class QTextEdit;

namespace telvora {

class Playback;
class Session;

/// The reader following the recording its transcript came from: the paragraph being
/// spoken carries a quiet tint (an extra selection, never part of the text), kept in view
/// unless the user scrolled or typed a moment ago; Ctrl+click on a paragraph plays the
/// recording from its segment. Paragraphs that lost their segment get neither.
class TranscriptFollower : public QObject
{
    Q_OBJECT
public:
    /// The user's own scrolling or typing keeps the follower from moving the view this long.
    static constexpr std::chrono::milliseconds userPause{3000};
    /// How often the playing position is read.
    static constexpr std::chrono::milliseconds pollInterval{150};

    TranscriptFollower(QTextEdit &view, Session &session, Playback &playback, QObject *parent = nullptr);

    /// Follows the edits of the document the view shows now.
    void watchDocument();
    /// Before the view's contents are replaced: which paragraph is which segment, so that
    /// the same text shown again (after the document, say) keeps the user's edits in mind.
    void rememberParagraphs();
    /// Anchors the segments to the paragraphs anew, after the view's contents were replaced.
    void reattach();
    /// Reads where the recording stands and moves the mark there.
    void refresh();

    /// Whether the reader shows a transcript whose paragraphs were anchored to its segments.
    bool hasSegments() const;
    /// The segment whose paragraph is marked; none while nothing is.
    std::optional<qsizetype> markedSegment() const { return m_marked; }
    /// The segment whose own paragraph holds `block`, while the reader shows its transcript.
    std::optional<qsizetype> segmentAt(const QTextBlock &block) const;
    /// Plays the recording from the segment of the paragraph holding `block`; false (and
    /// nothing played) when that paragraph has no segment or there is no recording.
    bool playParagraph(const QTextBlock &block);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool follows() const;
    std::optional<qsizetype> segmentPlayingAt(double seconds) const;
    void mark(std::optional<qsizetype> segment);
    void showMark(const std::optional<SegmentAnchors::Paragraph> &paragraph);
    QTextCursor spokenRange(const SegmentAnchors::Paragraph &paragraph) const;
    void keepInView(const SegmentAnchors::Paragraph &paragraph);
    void noteUserAction();
    void followPlaying(bool playing);

    QTextEdit &m_view;
    Session &m_session;
    Playback &m_playback;
    SegmentAnchors m_anchors;
    // The transcript's text as the view last held it, and each segment's paragraph in it.
    struct Remembered
    {
        QString text;
        QList<qsizetype> ownParagraphs;
    };
    std::optional<Remembered> m_remembered;
    std::optional<qsizetype> m_marked;
    QTimer m_poll;
    QElapsedTimer m_sinceUserAction;
    bool m_scrolling = false; // the follower itself is moving the view
    bool m_showing = false;   // the view holds the mark
    bool m_replacing = false; // the reader's contents are being replaced
};

} // namespace telvora
