#include "Telvora/Interface/Console/PhysicalKey.h"

#include "Telvora/Interface/Console/ConsoleSkin.h"

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
const QImage &face(QStringView sprite, qreal shift)
{
    static QHash<QString, QImage> faces;
    const QString key = sprite.toString() + u'/' + QString::number(shift);
    auto found = faces.find(key);
    if (found == faces.end())
        found = faces.insert(key, brightnessShifted(ConsoleSkin::sprite(sprite), shift));
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
    if (deepPress)
        drawNinePart(painter, frame, face(faceSprite(), wellShift), inset());

    const QSizeF scale = faceScale(true);
    const qreal scaleX = 1 + (scale.width() - 1) * progress;
    const qreal scaleY = 1 + (scale.height() - 1) * progress;
    const QSizeF size(frame.width() * scaleX, frame.height() * scaleY);
    const QPointF centre = frame.center() + QPointF(0, faceDrop(true) * progress);
    const QRectF faceRect(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height());

    drawNinePart(painter, faceRect, face(faceSprite(), 0), inset());
    if (progress > 0) {
        // The darkening blends in with the motion: a blend of two fixed faces.
        const qreal opacity = painter.opacity();
        painter.setOpacity(opacity * std::min(progress, 1.0));
        drawNinePart(painter, faceRect, face(faceSprite(), faceShift(true)), inset());
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

void drawNinePart(QPainter &painter, const QRectF &target, const QImage &image, qreal inset)
{
    const qreal w = image.width();
    const qreal h = image.height();
    // A frame smaller than two corners shares it out evenly.
    const qreal cornerX = std::min({inset, target.width() / 2, w / 2});
    const qreal cornerY = std::min({inset, target.height() / 2, h / 2});
    const qreal sourceX = std::min(inset, w / 2);
    const qreal sourceY = std::min(inset, h / 2);
    const qreal sx[] = {0, sourceX, w - sourceX, w};
    const qreal sy[] = {0, sourceY, h - sourceY, h};
    const qreal tx[] = {target.left(), target.left() + cornerX, target.right() - cornerX, target.right()};
    const qreal ty[] = {target.top(), target.top() + cornerY, target.bottom() - cornerY, target.bottom()};
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF source(sx[column], sy[row], sx[column + 1] - sx[column], sy[row + 1] - sy[row]);
            const QRectF part(tx[column], ty[row], tx[column + 1] - tx[column], ty[row + 1] - ty[row]);
            if (source.isEmpty() || part.isEmpty())
                continue;
            painter.drawImage(part, image, source);
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

} // namespace telvora
