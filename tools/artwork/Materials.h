#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QTransform>

#include <cstdint>

// Drawing helpers for the artwork: a picture drawn in logical units through a transform
// (the generator renders at twice the final size), with the soft effects QPainter lacks.
namespace artwork {

/// A picture being painted: its pixels and the map from logical units to pixels.
struct Surface
{
    QImage &image;
    QTransform transform;

    qreal scale() const { return transform.m11(); }
};

/// Deterministic noise in −1…1 from a seed (a small xorshift generator).
class Noise
{
public:
    explicit Noise(std::uint32_t seed);
    double next();

private:
    std::uint32_t m_state;
};

void fill(Surface surface, const QPainterPath &path, const QBrush &brush);
/// A soft shadow of `path`, moved by `offset` and blurred by `blur` logical units.
void dropShadow(Surface surface, const QPainterPath &path, QPointF offset, qreal blur, const QColor &color);
/// A soft glow around `path`, added on top of what is there.
void glow(Surface surface, const QPainterPath &path, qreal blur, const QColor &color);
/// The shadow the edges of a recess cast inside it.
void innerShadow(Surface surface, const QPainterPath &path, QPointF offset, qreal blur, const QColor &color);
/// Fine grain inside `path`: `streak` logical units of horizontal smoothing make brushed
/// metal, 0 makes blasted metal.
void grain(Surface surface, const QPainterPath &path, std::uint32_t seed, qreal amount, qreal streak);
/// A thin light edge on the top-left and a dark edge on the bottom-right of `path`.
void bevel(Surface surface, const QPainterPath &path, qreal width, const QColor &light, const QColor &dark);

QPainterPath roundedRect(const QRectF &rect, qreal radius);
QPainterPath ellipse(QPointF centre, qreal radius);

/// Blurs a premultiplied image in place (three box passes, close to a Gaussian).
void blur(QImage &image, int radius);

} // namespace artwork
