#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QStringView>

class QPainter;

namespace telvora {

/// The look of a physical key: its face sprite, how the face moves when pressed, and the
/// caption colour. A value; the key widget (ConsoleKey) paints with it.
struct PhysicalKey
{
    bool lit = false;
    bool dark = false;
    bool deepPress = false;
    bool reduceMotion = false;

    /// The face sprite's name and its nine-part inset: "dark" 5, "amber" 16, "ivory" 16.
    QStringView faceSprite() const;
    qreal inset() const;
    /// Brightness added to the face: −0.14 pressed deep, −0.08 pressed, 0 at rest.
    qreal faceShift(bool pressed) const;
    /// Face scale about its centre: 0.984 × 0.9 pressed deep, else 1 × 1.
    QSizeF faceScale(bool pressed) const;
    /// How far the face moves down: 5.5 pressed deep, 1 pressed, 0 at rest.
    qreal faceDrop(bool pressed) const;
    /// White on a dark key that is not lit, else black.
    QColor captionColour() const;
    /// Whether a change of the pressed state is animated (see MotionPreference).
    bool animatesPress() const { return deepPress && !reduceMotion; }

    /// The well under a deep key: the face darkened by this much.
    static constexpr qreal wellShift = -0.75;
    static constexpr int pressMilliseconds = 65;

    /// Paints the key's well and face into `frame` with the face `progress` of the way from
    /// rest (0) to pressed (1); the caller paints the caption in the returned face rectangle.
    QRectF paint(QPainter &painter, const QRectF &frame, qreal progress) const;
};

/// Adds `shift` to every colour component (clamped to 0…1), leaving alpha as it is.
QImage brightnessShifted(const QImage &image, qreal shift);

/// `image` in nine parts at `pixels`: corners of `sourceInset` image pixels become
/// `insetPixels`, edges stretch along their length, the centre both ways; each part is
/// scaled on its own.
QImage ninePartImage(const QImage &image, QSize pixels, QSizeF insetPixels, qreal sourceInset);

/// Draws `image` into `target` in nine parts: corners of `inset` points keep their size,
/// edges stretch along their length, the centre both ways. The parts land on whole device
/// pixels, so no seam shows at any scale.
void drawNinePart(QPainter &painter, const QRectF &target, const QImage &image, qreal inset);

} // namespace telvora
