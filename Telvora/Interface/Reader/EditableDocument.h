#pragma once

#include "Telvora/Interface/Reader/DocumentTextView.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace telvora {

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
    /// styling, no undo history.
    void aboutToReplaceContents();
    void contentsReplaced();

private:
    void textDidChange();
    void restyleIfChanged(const QString &text);
    void replaceContents(const QString &text, bool code);
    void restyleInPlace(const QString &text);
    void applyInsets();

    std::function<void(const QString &)> m_write;
    DocumentTextView *m_view;
    FindBar *m_findBar;
    // The bound text the contents stand for; it differs from viewText() only by the line
    // breaks the view cannot hold ("\r", "\r\n", U+2029), which it shows as "\n".
    QString m_shownText;
    // The view's text as the styling last laid it out; an edit restyles when it differs.
    QString m_styledText;
    bool m_code = false;     // the styling to apply to the next edit
    bool m_lastCode = false; // the styling the contents were last laid out with
    bool m_updating = false; // the area itself is rewriting the contents
};

} // namespace telvora
