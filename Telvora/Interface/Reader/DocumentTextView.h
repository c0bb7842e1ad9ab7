#pragma once

#include <QTextEdit>

#include <functional>

namespace telvora {

/// The text view of the reader. Every edit the user makes (keys, input methods, pasting,
/// dropping) runs inside one edit block of the document, and `restyle` runs inside that
/// same block, so that undo and redo take an edit back together with the look it gave the
/// text. Consecutive typed characters share one block, as typing undoes in one step.
class DocumentTextView : public QTextEdit
{
    Q_OBJECT
public:
    /// `restyle` looks at the text after each edit and restyles it if it changed.
    explicit DocumentTextView(std::function<void()> restyle, QWidget *parent = nullptr);

    /// Runs `edit`, an edit of the program's own through the document, as one undo step
    /// together with its restyle.
    void editAsOneStep(const std::function<void()> &edit);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    /// Runs `edit`, then the restyle, inside an edit block (the previous one when `join`).
    void editInBlock(const std::function<void()> &edit, bool join);
    void breakLine();
    bool continuesTyping(const QKeyEvent &event) const;

    std::function<void()> m_restyle;
    // Where the last typed character left the document, to join the next one to it.
    int m_typedRevision = -1;
    int m_typedPosition = -1;
};

} // namespace telvora
