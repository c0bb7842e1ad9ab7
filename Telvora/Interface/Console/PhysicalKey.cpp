#include "Telvora/Interface/Console/PhysicalKey.h"

#include "Telvora/Interface/Console/ConsoleSkin.h"

#include <QCache>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

struct FaceStyle
{
    QStringView sprite;
    qreal inset;
};

constexpr FaceStyle darkFace{u"dark", 5};
constexpr FaceStyle amberFace{u"amber", 16};
constexpr FaceStyle ivoryFace{u"ivory", 16};

constexpr qreal deepShift = -0.14;
constexpr qreal shallowShift = -0.08;
constexpr QSizeF deepScale{0.984, 0.9};
constexpr qreal deepDrop = 5.5;
constexpr qreal shallowDrop = 1;

// Each shifted face is made once: a key redraw never recomputes pixels.
const QImage &face(QStringView sprite, qreal shift, qreal pixelScale)
{
    static QHash<QString, QImage> faces;
    const bool sharp = pixelScale > 1;
    const QString key = sprite.toString() + u'/' + QString::number(shift) + (sharp ? u"@2x"_s : QString());
    auto found = faces.find(key);
    if (found == faces.end()) {
        // A face is cut from inside the panel, so it is opaque; without an alpha channel the
        // scaling of its parts cannot leave an edge a shade short of opaque.
        const QImage shifted = brightnessShifted(ConsoleSkin::sprite(sprite, pixelScale), shift);
        found = faces.insert(key, shifted.convertToFormat(QImage::Format_RGB32));
    }
    return *found;
}

} // namespace

QStringView PhysicalKey::faceSprite() const
{
    return dark ? darkFace.sprite : lit ? amberFace.sprite : ivoryFace.sprite;
}

qreal PhysicalKey::inset() const { return dark ? darkFace.inset : lit ? amberFace.inset : ivoryFace.inset; }

qreal PhysicalKey::faceShift(bool pressed) const { return !pressed ? 0 : deepPress ? deepShift : shallowShift; }

QSizeF PhysicalKey::faceScale(bool pressed) const { return pressed && deepPress ? deepScale : QSizeF(1, 1); }

qreal PhysicalKey::faceDrop(bool pressed) const { return !pressed ? 0 : deepPress ? deepDrop : shallowDrop; }

QColor PhysicalKey::captionColour() const { return dark && !lit ? Qt::white : Qt::black; }

QRectF PhysicalKey::paint(QPainter &painter, const QRectF &frame, qreal progress) const
{
    const qreal pixelScale = std::abs(painter.deviceTransform().m11());
    if (deepPress)
        drawNinePart(painter, frame, face(faceSprite(), wellShift, pixelScale), inset());

    const QSizeF scale = faceScale(true);
    const qreal scaleX = 1 + (scale.width() - 1) * progress;
    const qreal scaleY = 1 + (scale.height() - 1) * progress;
    const QSizeF size(frame.width() * scaleX, frame.height() * scaleY);
    const QPointF centre = frame.center() + QPointF(0, faceDrop(true) * progress);
    const QRectF faceRect(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height());

    drawNinePart(painter, faceRect, face(faceSprite(), 0, pixelScale), inset());
    if (progress > 0) {
        // The darkening blends in with the motion: a blend of two fixed faces.
        const qreal opacity = painter.opacity();
        painter.setOpacity(opacity * std::min(progress, 1.0));
        drawNinePart(painter, faceRect, face(faceSprite(), faceShift(true), pixelScale), inset());
        painter.setOpacity(opacity);
    }
    return faceRect;
}

QImage brightnessShifted(const QImage &image, qreal shift)
{
    if (shift == 0)
        return image;
    QImage shifted = image.convertToFormat(QImage::Format_ARGB32);
    const int delta = int(std::lround(shift * 255));
    for (int y = 0; y < shifted.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(shifted.scanLine(y));
        for (int x = 0; x < shifted.width(); ++x) {
            const QRgb pixel = line[x];
            line[x] = qRgba(std::clamp(qRed(pixel) + delta, 0, 255), std::clamp(qGreen(pixel) + delta, 0, 255),
                            std::clamp(qBlue(pixel) + delta, 0, 255), qAlpha(pixel));
        }
    }
    return shifted;
}

QImage ninePartImage(const QImage &image, QSize pixels, QSizeF insetPixels, qreal sourceInset)
{
    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    if (pixels.isEmpty() || image.isNull())
        return result;
    const int w = image.width();
    const int h = image.height();
    // A frame smaller than two corners shares it out evenly.
    const int cornerX = std::min({int(std::lround(insetPixels.width())), pixels.width() / 2, w / 2});
    const int cornerY = std::min({int(std::lround(insetPixels.height())), pixels.height() / 2, h / 2});
    const int sourceX = std::min(int(std::lround(sourceInset)), w / 2);
    const int sourceY = std::min(int(std::lround(sourceInset)), h / 2);
    const int sx[] = {0, sourceX, w - sourceX, w};
    const int sy[] = {0, sourceY, h - sourceY, h};
    const int tx[] = {0, cornerX, pixels.width() - cornerX, pixels.width()};
    const int ty[] = {0, cornerY, pixels.height() - cornerY, pixels.height()};
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRect source(sx[column], sy[row], sx[column + 1] - sx[column], sy[row + 1] - sy[row]);
            const QSize part(tx[column + 1] - tx[column], ty[row + 1] - ty[row]);
            if (source.isEmpty() || part.isEmpty())
                continue;
            // Each part is scaled on its own, so no filter reaches across into its neighbour.
            QImage slice = image.copy(source);
            slice.setDevicePixelRatio(1);
            painter.drawImage(QPoint(tx[column], ty[row]),
                              slice.scaled(part, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }
    return result;
}

void drawNinePart(QPainter &painter, const QRectF &target, const QImage &image, qreal inset)
{
    // Drawn on whole device pixels at the size it shows, so that no part's edge is blended
    // with what lies under it: the seams a stretched drawing leaves at fractional scales.
    const QTransform device = painter.deviceTransform();
    const QRectF exact = device.mapRect(target);
    const QRect pixels(QPoint(int(std::lround(exact.left())), int(std::lround(exact.top()))),
                       QPoint(int(std::lround(exact.right())) - 1, int(std::lround(exact.bottom())) - 1));
    if (pixels.isEmpty())
        return;
    const QSizeF insetPixels(inset * std::abs(device.m11()), inset * std::abs(device.m22()));
    const qreal sourceInset = inset * image.devicePixelRatio();

    static QCache<QString, QImage> faces(48 * 1024);
    const QString key = QString::number(image.cacheKey()) + u'/' + QString::number(pixels.width()) + u'x'
        + QString::number(pixels.height()) + u'/' + QString::number(insetPixels.width()) + u'/'
        + QString::number(insetPixels.height());
    QImage face;
    if (const QImage *cached = faces.object(key)) {
        face = *cached;
    } else {
        face = ninePartImage(image, pixels.size(), insetPixels, sourceInset);
        faces.insert(key, new QImage(face), int(face.sizeInBytes() / 1024) + 1);
    }
    painter.save();
    // A world transform that undoes the device's own scale and offset: one image pixel to
    // one device pixel.
    painter.setWorldTransform(device.inverted() * painter.worldTransform());
    painter.drawImage(pixels.topLeft(), face);
    painter.restore();
}

} // namespace telvora
