#pragma once

#include "Telvora/Interface/Reader/DocumentTextView.h"

#include <QString>
#include <QWidget>

#include <functional>

class QTimer;

namespace telvora {

class DocumentTextView;
class FindBar;

/// The reader's text area: a plain-text editor whose look comes only from the document
/// styling, kept in step with a bound text.
///
/// Outside changes (updateView with another text or styling) replace and restyle the whole
/// contents, clear undo and collapse the selection. The user's own edits are written through
/// the binding and only restyle attributes, in place, inside the edit's own undo step, so
/// the selection and the undo history stay and undo takes back an edit with its look.
class EditableDocument : public QWidget
{
    Q_OBJECT
public:
    /// `write` is the setter of the bound text; every edit of the user goes through it.
    explicit EditableDocument(std::function<void(const QString &)> write, QWidget *parent = nullptr);

    /// Shows `text`, styled as code or as a document; `editable` false makes it read-only.
    /// Costs one string comparison when neither the text nor the styling changed.
    void updateView(const QString &text, bool code, bool editable);

    /// The view's contents as the bound text reads them (its paragraph breaks as "\n").
    QString viewText() const;

    DocumentTextView *textView() const { return m_view; }
    FindBar *findBar() const { return m_findBar; }

Q_SIGNALS:
    /// The contents are about to be replaced from outside, and were: another text or
    /// styling, no undo history. A long text counts as replaced once all of it is in.
    void aboutToReplaceContents();
    void contentsReplaced();
    /// The view shows a new document; the one before is gone.
    void documentReplaced();

private:
    void trackChange(int from, int removed, int added);
    void textDidChange();
    /// Restyles the lines the edits since the last restyle touched; `joinEdit` makes it part
    /// of the edit's own undo step.
    void restylePending(bool joinEdit);
    void replaceContents(const QString &text, bool code);
    QString documentText() const;
    /// Adds the next lines of a long text, for a few milliseconds.
    void buildSlice();
    /// Adds what is left of a long text at once, before the user edits or searches it.
    void finishBuilding();
    void buildLines(qsizetype until);
    /// Runs `build`, then puts the caret and the selection back where they were.
    void keepingSelection(const std::function<void()> &build);
    /// Goes on between events while lines are left, or turns undo on once the text is in.
    void continueBuilding();
    /// The characters of a long text not added to the document yet.
    qsizetype unbuiltLength() const;
    /// Tells of the last replacement once the whole text is in the document.
    void announceIfBuilt();
    void applyInsets();
    /// Gives the view an empty document of its own, with the reader's layout.
    void useFreshDocument();

    std::function<void(const QString &)> m_write;
    DocumentTextView *m_view;
    FindBar *m_findBar;
    // The bound text the contents stand for; it differs from viewText() only by the line
    // breaks the view cannot hold ("\r", "\r\n", U+2029), which it shows as "\n".
    QString m_shownText;
    // The view's text, kept in step with the document's changes, so that an edit in a book
    // costs a copy of the text and no walk over the document.
    QString m_viewText;
    bool m_textEdited = false; // the characters changed since the last write
    // Where the edits since the last restyle lie (positions in the document), or -1.
    int m_pendingFrom = -1;
    int m_pendingTo = -1;
    // A long text is built a stretch of lines at a time between events, from m_buildFrom on.
    QString m_building;
    qsizetype m_buildFrom = -1;
    bool m_buildCode = false;
    QTimer *m_buildTimer;
    bool m_code = false;                // the styling to apply to the next edit
    bool m_lastCode = false;            // the styling the contents were last laid out with
    bool m_updating = false;            // the area itself is rewriting the contents
    bool m_announceReplacement = false; // contentsReplaced is owed once the text is built
};

} // namespace telvora
