#include "Telvora/Interface/Sheets/FormSection.h"

#include "Telvora/Interface/Sheets/SheetStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace telvora {

namespace {

constexpr int cardRadius = 8;
constexpr int rowInsetX = 12;
constexpr int rowInsetY = 8;

// The card paints its own rounded background, so that no style sheet reaches the rows.
class Card : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
        painter.fillPath(path, Qt::white);
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.1f), 1));
        painter.drawPath(path);
    }
};

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor::fromRgbF(0, 0, 0, 0.08f));
    line->setPalette(palette);
    return line;
}

} // namespace

FormSection::FormSection(const QString &header, QWidget *parent)
    : QWidget(parent)
    , m_card(new Card(this))
    , m_rows(new QVBoxLayout(m_card))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        QLabel *title = SheetStyle::label(header, SheetStyle::TextStyle::callout, false, this);
        title->setFont(SheetStyle::font(SheetStyle::TextStyle::callout, true));
        title->setContentsMargins(4, 0, 0, 0);
        column->addWidget(title);
    }
    column->addWidget(m_card);
    m_rows->setContentsMargins(rowInsetX, rowInsetY / 2, rowInsetX, rowInsetY / 2);
    m_rows->setSpacing(rowInsetY);
}

void FormSection::addRow(QWidget *row)
{
    if (m_rows->count() > 0)
        m_rows->addWidget(separator(m_card));
    row->setParent(m_card);
    m_rows->addWidget(row);
}

void FormSection::addLabelledRow(const QString &label, QWidget *field)
{
    auto *row = new QWidget(m_card);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel *title = SheetStyle::label(label, SheetStyle::TextStyle::body, false, row);
    title->setFixedWidth(SheetStyle::labelWidth);
    title->setBuddy(field);
    layout->addWidget(title);
    layout->addWidget(field, 1);
    field->setParent(row);
    addRow(row);
}

} // namespace telvora
