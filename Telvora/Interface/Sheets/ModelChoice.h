#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace telvora {

/// A model row: a free text field for any identifier, and "Escolher" with a pick-list of
/// suggestions. The row shows its selection; edits are reported, never stored here.
class ModelChoice : public QWidget
{
    Q_OBJECT
public:
    explicit ModelChoice(const QString &title, QWidget *parent = nullptr);

    QString selection() const;
    /// Shows `value`; the caret stays where it is when the text is already that.
    void setSelection(const QString &value);

    const QStringList &suggestions() const { return m_suggestions; }
    /// One entry per suggestion, in order; an empty list disables "Escolher".
    void setSuggestions(const QStringList &suggestions);

    QLineEdit *field() const { return m_field; }
    QPushButton *chooser() const { return m_chooser; }

Q_SIGNALS:
    /// The user typed or picked a new selection.
    void selectionEdited(const QString &value);

private:
    void pick(const QString &value);

    QLineEdit *m_field;
    QPushButton *m_chooser;
    QStringList m_suggestions;
};

} // namespace telvora
