#pragma once

#include <QWidget>

class QBoxLayout;
class QVBoxLayout;

namespace telvora {

/// One group of a form: a header above a rounded card whose rows are parted by thin
/// lines, as grouped settings forms look on the desktop.
class FormSection : public QWidget
{
    Q_OBJECT
public:
    /// An empty `header` leaves the group without one.
    explicit FormSection(const QString &header = {}, QWidget *parent = nullptr);

    /// Appends `row` below a separator (none above the first row).
    void addRow(QWidget *row);
    /// A row of a label, at the form's label width, and `field`.
    void addLabelledRow(const QString &label, QWidget *field);

private:
    QWidget *m_card;
    QVBoxLayout *m_rows;
};

} // namespace telvora
