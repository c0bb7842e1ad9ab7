#include "Telvora/Interface/Sheets/ONNXModelField.h"

#include "Telvora/Interface/Sheets/SheetStyle.h"
#include "Telvora/Interface/Sheets/SheetTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvora {

ONNXModelField::ONNXModelField(const QString &title, const QString &defaultName, FileChooser chooseFile,
                               QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_chooseFile(std::move(chooseFile))
    , m_field(new QLineEdit(this))
    , m_fileButton(new QPushButton(SheetTexts::chooseFile.toString(), this))
    , m_defaultButton(new QPushButton(SheetTexts::defaultModel.toString(), this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    QLabel *label = SheetStyle::label(title, SheetStyle::TextStyle::callout, false, this);
    label->setBuddy(m_field);
    column->addWidget(label);
    auto *row = new QHBoxLayout;
    row->addWidget(m_field, 1);
    row->addWidget(m_fileButton);
    row->addWidget(m_defaultButton);
    column->addLayout(row);

    m_field->setPlaceholderText(defaultName);
    m_field->setAccessibleName(title);
    m_fileButton->setAutoDefault(false);
    m_defaultButton->setAutoDefault(false);
    updateDefaultButton();

    connect(m_field, &QLineEdit::textEdited, this, &ONNXModelField::edit);
    connect(m_fileButton, &QPushButton::clicked, this, &ONNXModelField::chooseFile);
    connect(m_defaultButton, &QPushButton::clicked, this, [this] {
        setPath({});
        edit({});
    });
}

QString ONNXModelField::path() const { return m_field->text(); }

void ONNXModelField::setPath(const QString &value)
{
    if (m_field->text() != value)
        m_field->setText(value);
    updateDefaultButton();
}

void ONNXModelField::chooseFile()
{
    if (!m_chooseFile)
        return;
    const std::optional<QString> chosen = m_chooseFile(m_title);
    if (!chosen || chosen->isEmpty())
        return;
    setPath(*chosen);
    edit(*chosen);
}

void ONNXModelField::edit(const QString &value)
{
    updateDefaultButton();
    Q_EMIT pathEdited(value);
}

void ONNXModelField::updateDefaultButton() { m_defaultButton->setEnabled(!m_field->text().isEmpty()); }

} // namespace telvora
