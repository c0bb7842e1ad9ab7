#pragma once

#include <QPainter>
#include <QRectF>
#include <QWidget>

namespace telvora {

/// A console element that is a widget of its own: it knows its frame on the canvas, takes
/// the matching rectangle of the scaled console, and paints in canvas units.
class CanvasElement
{
public:
    explicit CanvasElement(const QRectF &frame)
        : m_frame(frame)
    {}
    virtual ~CanvasElement() = default;

    const QRectF &canvasFrame() const { return m_frame; }
    qreal canvasScale() const { return m_scale; }

    /// Moves `self` to the frame's place on a canvas drawn at `scale` from `origin`.
    void placeOnCanvas(QWidget &self, qreal scale, QPointF origin)
    {
        const QRectF exact(origin + m_frame.topLeft() * scale, m_frame.size() * scale);
        const QRect whole = exact.toAlignedRect();
        self.setGeometry(whole);
        m_offset = exact.topLeft() - whole.topLeft();
        m_scale = scale;
    }

protected:
    /// Makes `painter` draw in canvas units, the frame's top-left corner at (0, 0).
    void useCanvasUnits(QPainter &painter) const
    {
        painter.translate(m_offset);
        painter.scale(m_scale, m_scale);
    }
    QRectF localFrame() const { return QRectF(QPointF(0, 0), m_frame.size()); }

private:
    QRectF m_frame;
    QPointF m_offset;
    qreal m_scale = 1;
};

} // namespace telvora
