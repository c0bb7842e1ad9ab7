#include "Telvora/Interface/Sheets/ModelChoice.h"

#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace telvora {

ModelChoice::ModelChoice(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_field(new QLineEdit(this))
    , m_chooser(new QPushButton(SheetTexts::choose.toString(), this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    QLabel *label = SheetStyle::label(title, SheetStyle::TextStyle::body, false, this);
    label->setFixedWidth(SheetStyle::labelWidth);
    label->setBuddy(m_field);
    row->addWidget(label);
    row->addWidget(m_field, 1);
    row->addWidget(m_chooser);

    m_field->setPlaceholderText(title);
    m_field->setAccessibleName(title);
    m_chooser->setAccessibleName(SheetTexts::chooseAccessiblePrefix.toString() + title);
    m_chooser->setAutoDefault(false);
    m_chooser->setProperty("pickList", true);
    m_chooser->setMenu(new QMenu(m_chooser));
    m_chooser->setEnabled(false);
    connect(m_field, &QLineEdit::textEdited, this, &ModelChoice::selectionEdited);
}

QString ModelChoice::selection() const { return m_field->text(); }

void ModelChoice::setSelection(const QString &value)
{
    if (m_field->text() != value)
        m_field->setText(value);
}

void ModelChoice::setSuggestions(const QStringList &suggestions)
{
    QMenu *menu = m_chooser->menu();
    if (suggestions == m_suggestions && menu->actions().size() == suggestions.size())
        return;
    m_suggestions = suggestions;
    menu->clear();
    // A "&" in an identifier is a character, not a mnemonic mark.
    for (const QString &identifier : suggestions)
        menu->addAction(QString(identifier).replace(QStringLiteral("&"), QStringLiteral("&&")), this,
                        [this, identifier] { pick(identifier); });
    m_chooser->setEnabled(!suggestions.isEmpty());
}

void ModelChoice::pick(const QString &value)
{
    setSelection(value);
    Q_EMIT selectionEdited(value);
}

} // namespace telvora
