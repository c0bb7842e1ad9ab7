#pragma once

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTextBlock;

namespace telvora {

class EditableDocument;
class Session;
class TranscriptFollower;
class Workflows;

/// The reader window's content: a button bar, the text area showing the session's
/// reader text, and a footer with the source and the text's title and size (or the live
/// status while a workflow runs).
class ReaderView : public QWidget
{
    Q_OBJECT
public:
    explicit ReaderView(Workflows &workflows, QWidget *parent = nullptr);
    ~ReaderView() override;

    EditableDocument *document() const { return m_document; }
    QPushButton *toggleButton() const { return m_toggle; }
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *openElsewhereButton() const { return m_openElsewhere; }
    QLabel *footerSource() const { return m_footerSource; }
    QLabel *footerState() const { return m_footerState; }
    TranscriptFollower *follower() const { return m_follower; }

    /// The reader's keys for listening while correcting, which the menus list too.
    QAction *playPauseAction() const { return m_playPause; }
    QAction *rewindAction() const { return m_rewind; }
    QAction *playParagraphAction() const { return m_playParagraph; }
    QAction *renameSpeakerAction() const { return m_renameSpeaker; }

    /// The context menu of the paragraph at `position` in the text's viewport: the editor's
    /// own entries, then playing and renaming for that paragraph.
    std::unique_ptr<QMenu> paragraphMenu(const QPoint &position);
    /// Plays the recording from the paragraph holding `block`, or says why not.
    void playParagraph(const QTextBlock &block);
    /// Asks for a new name of the speaker the paragraph holding `block` starts with and
    /// gives it to every paragraph of that speaker, as one undo step.
    void renameSpeaker(const QTextBlock &block);

    /// The number of user-perceived characters of `text`.
    static qsizetype characterCount(const QString &text);

private:
    QWidget *buttonBar();
    QWidget *footer();
    void toggleText();
    void copyText();
    void renderDocument();
    void renderButtons();
    void renderFooter();
    void createActions();
    QTextBlock cursorBlock() const;

    Workflows &m_workflows;
    const Session &m_session;
    EditableDocument *m_document = nullptr;
    QPushButton *m_toggle = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_openElsewhere = nullptr;
    QLabel *m_footerSource = nullptr;
    QLabel *m_footerState = nullptr;
    TranscriptFollower *m_follower = nullptr;
    QAction *m_playPause = nullptr;
    QAction *m_rewind = nullptr;
    QAction *m_playParagraph = nullptr;
    QAction *m_renameSpeaker = nullptr;
};

} // namespace telvora
