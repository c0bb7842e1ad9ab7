#pragma once

#include "Telvora/Interface/Console/CanvasElement.h"
#include "Telvora/Interface/Console/PhysicalKey.h"

#include <QAbstractButton>
#include <QImage>
#include <QVariantAnimation>

namespace telvora {

/// A physical key of the console: a button drawn with the PhysicalKey style, its caption
/// in "BarlowCondensed-Regular" (or a picture, for the settings key).
class ConsoleKey : public QAbstractButton, public CanvasElement
{
    Q_OBJECT

public:
    ConsoleKey(const QRectF &frame, int captionSize, QWidget *parent = nullptr);

    void setKeyStyle(PhysicalKey style);
    const PhysicalKey &keyStyle() const { return m_style; }
    /// A picture shown instead of the caption, scaled to fit `fit`.
    void setPicture(const QImage &picture, QSizeF fit);
    /// How far the face has gone down: 0 at rest, 1 fully pressed.
    qreal pressProgress() const { return m_progress; }
    /// The opacity of the caption or picture: 1 enabled, 0.4 disabled. The face itself
    /// never fades.
    qreal captionOpacity() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void moveFace(bool pressed);

    PhysicalKey m_style;
    int m_captionSize;
    QImage m_picture;
    QSizeF m_pictureFit;
    qreal m_progress = 0;
    QVariantAnimation m_motion;
};

} // namespace telvora
