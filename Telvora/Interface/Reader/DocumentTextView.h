#pragma once

#include <QTextEdit>

#include <functional>

namespace telvora {

/// The text view of the reader. Every edit the user makes (keys, input methods, pasting,
/// dropping) runs inside one edit block of the document, and `restyle` runs right after it,
/// joined to that block, so that undo and redo take an edit back together with the look it
/// gave the text. Consecutive typed characters share one block, as typing undoes in one step.
class DocumentTextView : public QTextEdit
{
    Q_OBJECT
public:
    /// `restyle` restyles what the last edit changed, joined to the edit's undo step.
    explicit DocumentTextView(std::function<void()> restyle, QWidget *parent = nullptr);

    /// `prepare` runs before every key, input method event and insertion of the user.
    void setBeforeInput(std::function<void()> prepare) { m_prepare = std::move(prepare); }
    /// Runs that preparation now, before an edit that reaches the view some other way
    /// (a context menu's action).
    void prepareForInput();

    /// Whether an edit of the user is under way; its restyle follows once it is done.
    bool isEditing() const { return m_editing; }

    /// Shows `fresh` in place of the document shown, which it leaves to the caller.
    void replaceDocument(QTextDocument *fresh);

    /// Runs `edit`, an edit of the program's own through the document, as one undo step
    /// together with its restyle.
    void editAsOneStep(const std::function<void()> &edit);

public Q_SLOTS:
    /// Hides the editor's own cut: the application's Edit menu calls it by name on the
    /// focused widget, and it must be prepared like a key to be undone.
    void cut();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    /// Runs `edit` inside an edit block (the previous one when `join`), then the restyle.
    void editInBlock(const std::function<void()> &edit, bool join);
    void breakLine();
    bool continuesTyping(const QKeyEvent &event) const;

    std::function<void()> m_restyle;
    std::function<void()> m_prepare;
    // Where the last typed character left the document, to join the next one to it.
    int m_typedRevision = -1;
    int m_typedPosition = -1;
    bool m_editing = false;
};

} // namespace telvora
