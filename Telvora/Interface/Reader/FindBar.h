#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace telvora {

/// The find bar under a text view: the search text, the previous and next matches
/// (wrapping at the ends, ignoring case), and "Concluído". Return finds the next match,
/// Shift+Return the previous one, Escape closes the bar and gives the focus back.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(QTextEdit *view, QWidget *parent = nullptr);

    /// Shows the bar with its text selected, ready to type.
    void open();
    /// `prepare` runs before every search, to make the whole text searchable.
    void setBeforeSearch(std::function<void()> prepare) { m_prepare = std::move(prepare); }
    /// Hides the bar; the view keeps the match selected and takes the focus.
    void dismiss();

    /// Selects the next (or previous) match of the search text; false when there is none.
    bool findNext();
    bool findPrevious();

    QLineEdit *field() const { return m_field; }
    QLabel *status() const { return m_status; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool find(bool backward, bool fromSelectionStart);

    QTextEdit *m_view;
    QLineEdit *m_field;
    QLabel *m_status;
    QPushButton *m_previous;
    QPushButton *m_next;
    std::function<void()> m_prepare;
};

} // namespace telvora
