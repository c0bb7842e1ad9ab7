#include "EmblemArt.h"

#include "Materials.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace artwork {

namespace {

constexpr qreal renderScale = 2;

QPainterPath gear(QPointF centre, qreal outer, qreal inner, qreal hole, int teeth)
{
    QPainterPath outline;
    const qreal step = 2 * std::numbers::pi / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        auto at = [&](qreal angle, qreal radius) {
            return centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        };
        const QPointF points[] = {at(a - step * 0.30, inner), at(a - step * 0.17, outer), at(a + step * 0.17, outer),
                                  at(a + step * 0.30, inner)};
        if (i == 0)
            outline.moveTo(points[0]);
        else
            outline.lineTo(points[0]);
        for (int k = 1; k < 4; ++k)
            outline.lineTo(points[k]);
        outline.arcTo(QRectF(centre.x() - inner, centre.y() - inner, inner * 2, inner * 2),
                      -(a + step * 0.30) * 180 / std::numbers::pi, -step * 0.40 * 180 / std::numbers::pi);
    }
    outline.closeSubpath();
    QPainterPath bore;
    bore.addEllipse(centre, hole, hole);
    return outline.subtracted(bore);
}

} // namespace

QImage settingsGear()
{
    QImage image(QSize(96, 96) * renderScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Surface surface{image, QTransform::fromScale(renderScale, renderScale)};
    fill(surface, gear(QPointF(48, 48), 46, 35, 14, 8), Qt::black);
    return image.scaled(96, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage applicationIcon()
{
    const int size = 512;
    QImage image(QSize(size, size) * renderScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Surface surface{image, QTransform::fromScale(renderScale, renderScale)};

    const QRectF block(40, 40, 432, 432);
    const QPainterPath body = roundedRect(block, 96);
    dropShadow(surface, body, QPointF(6, 12), 14, QColor(0, 0, 0, 140));
    QLinearGradient metal(block.topLeft(), block.bottomRight());
    metal.setColorAt(0, QColor(222, 224, 226));
    metal.setColorAt(1, QColor(170, 173, 177));
    fill(surface, body, metal);
    grain(surface, body, 5, 0.05, 0);
    grain(surface, body, 6, 0.03, 24);
    bevel(surface, body, 5, QColor(255, 255, 255, 220), QColor(0, 0, 0, 130));

    // The meter window, needle at rest near the middle of the scale.
    const QRectF window(96, 92, 320, 190);
    const QPainterPath glass = roundedRect(window, 22);
    fill(surface, glass, QColor(22, 23, 25));
    const QPainterPath scale = roundedRect(window.adjusted(14, 14, -14, -14), 12);
    QRadialGradient paper(QPointF(256, 320), 260, QPointF(256, 220));
    paper.setColorAt(0, QColor(248, 242, 222));
    paper.setColorAt(1, QColor(232, 220, 186));
    fill(surface, scale, paper);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(surface.transform);
        painter.setClipPath(scale);
        const QPointF pivot(256, 300);
        painter.setPen(QPen(QColor(34, 30, 26), 4));
        painter.drawArc(QRectF(pivot.x() - 150, pivot.y() - 150, 300, 300), 50 * 16, 80 * 16);
        painter.setPen(QPen(QColor(196, 38, 30), 10, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(QRectF(pivot.x() - 156, pivot.y() - 156, 312, 312), 50 * 16, 22 * 16);
        painter.setPen(QPen(QColor(24, 22, 20), 6, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 12 * std::numbers::pi / 180;
        painter.drawLine(pivot, pivot + QPointF(std::sin(angle) * 170, -std::cos(angle) * 170));
    }
    innerShadow(surface, scale, QPointF(2, 4), 8, QColor(40, 25, 0, 200));
    QLinearGradient sheen(window.topLeft(), window.bottomRight());
    sheen.setColorAt(0, QColor(255, 255, 255, 80));
    sheen.setColorAt(0.4, QColor(255, 255, 255, 20));
    sheen.setColorAt(0.41, QColor(255, 255, 255, 0));
    fill(surface, scale, sheen);

    // The amber key, glowing.
    const QRectF keyRect(96, 326, 320, 92);
    const QPainterPath well = roundedRect(keyRect.adjusted(-8, -8, 8, 8), 26);
    fill(surface, well, QColor(30, 31, 33));
    innerShadow(surface, well, QPointF(2, 4), 5, QColor(0, 0, 0, 230));
    const QPainterPath key = roundedRect(keyRect, 20);
    glow(surface, key, 14, QColor(255, 150, 40, 170));
    dropShadow(surface, key, QPointF(3, 6), 6, QColor(0, 0, 0, 160));
    QLinearGradient amber(keyRect.topLeft(), keyRect.bottomLeft());
    amber.setColorAt(0, QColor(255, 206, 110));
    amber.setColorAt(1, QColor(226, 128, 28));
    fill(surface, key, amber);
    QRadialGradient inner(keyRect.center(), 180, keyRect.center() - QPointF(40, 20));
    inner.setColorAt(0, QColor(255, 236, 170, 200));
    inner.setColorAt(1, QColor(255, 236, 170, 0));
    fill(surface, key, inner);
    bevel(surface, key, 3, QColor(255, 248, 220, 230), QColor(0, 0, 0, 90));
    return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace artwork
