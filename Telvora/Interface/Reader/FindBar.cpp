#include "Telvora/Interface/Reader/FindBar.h"

#include "Telvora/Interface/Reader/ReaderTexts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>

namespace telvora {

FindBar::FindBar(QTextEdit *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
    , m_field(new QLineEdit(this))
    , m_status(new QLabel(this))
    , m_previous(new QPushButton(ReaderTexts::findPrevious.toString(), this))
    , m_next(new QPushButton(ReaderTexts::findNext.toString(), this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(8);
    auto *done = new QPushButton(ReaderTexts::findDone.toString(), this);
    m_field->setPlaceholderText(ReaderTexts::findPlaceholder.toString());
    m_field->setAccessibleName(ReaderTexts::findPlaceholder.toString());
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    row->addWidget(m_field, 1);
    row->addWidget(m_status);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(done);

    // Typing searches at once, from where the current match starts, as find bars do.
    connect(m_field, &QLineEdit::textEdited, this, [this] { find(false, true); });
    connect(m_previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(m_next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(done, &QPushButton::clicked, this, &FindBar::dismiss);
    hide();
}

void FindBar::open()
{
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::dismiss()
{
    hide();
    m_status->clear();
    m_view->setFocus(Qt::OtherFocusReason);
}

bool FindBar::findNext() { return find(false, false); }

bool FindBar::findPrevious() { return find(true, false); }

bool FindBar::find(bool backward, bool fromSelectionStart)
{
    m_status->clear();
    const QString needle = m_field->text();
    if (needle.isEmpty())
        return false;
    if (m_prepare)
        m_prepare();
    QTextDocument *document = m_view->document();
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor from = m_view->textCursor();
    if (fromSelectionStart)
        from.setPosition(from.selectionStart());
    QTextCursor found = document->find(needle, from, flags);
    if (found.isNull()) {
        QTextCursor end(document);
        if (backward)
            end.movePosition(QTextCursor::End);
        found = document->find(needle, end, flags);
    }
    if (found.isNull()) {
        m_status->setText(ReaderTexts::findNothing.toString());
        return false;
    }
    m_view->setTextCursor(found);
    return true;
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            find(key->modifiers().testFlag(Qt::ShiftModifier), false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace telvora
