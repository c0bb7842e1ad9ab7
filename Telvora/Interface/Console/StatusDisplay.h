#pragma once

#include "Telvora/Interface/Console/CanvasElement.h"

#include <QStringList>
#include <QWidget>

namespace telvora {

/// The small status display beside the activity lamp. The text never breaks inside a word:
/// it is set smaller down to a floor, then on its lines, and what still does not fit ends
/// with an ellipsis at a word boundary. The full status is the tooltip (set by the console).
class StatusDisplay : public QWidget, public CanvasElement
{
    Q_OBJECT

public:
    /// A status as it fits: its size in canvas points and its lines.
    struct Fit
    {
        int size = 0;
        QStringList lines;
    };

    explicit StatusDisplay(const QRectF &frame, QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return m_text; }
    const Fit &shown() const { return m_fit; }

    /// Fits `text` into `frame`: each line break of the text starts a line of its own, and the
    /// first paragraph may take the lines the others leave.
    static Fit fit(const QString &text, QSizeF frame);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Fit m_fit;
};

} // namespace telvora
