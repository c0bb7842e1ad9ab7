#include "WoodButtonArt.h"

#include "Materials.h"
#include "Telvora/Interface/Console/SkinSprites.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace artwork {

namespace Cells = telvora::SkinSprites::WindowButtons;

namespace {

constexpr qreal renderScale = 2;
constexpr qreal knobRadius = 150;
constexpr qreal topRadius = 126;

enum class State { normal, hover, pressed };
enum class Symbol { close, minimize, zoom };

QColor mix(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// End grain of a turned walnut piece: growth rings around an off-centre heart, stretched
// by the turning, with fine pores.
QImage woodTop(int diameter, std::uint32_t seed, double brightness)
{
    QImage wood(diameter, diameter, QImage::Format_ARGB32_Premultiplied);
    Noise noise(seed);
    std::vector<double> warp(64);
    for (auto &value : warp)
        value = noise.next();
    const QColor early(188, 124, 70);
    const QColor late(118, 66, 32);
    const double heartX = diameter * 0.18;
    const double heartY = -diameter * 1.4;
    for (int y = 0; y < diameter; ++y) {
        auto *line = reinterpret_cast<QRgb *>(wood.scanLine(y));
        for (int x = 0; x < diameter; ++x) {
            const double dx = x - heartX;
            const double dy = y - heartY;
            const double angle = std::atan2(dy, dx);
            // The rings wander smoothly: the warp is interpolated between its samples.
            const double position = (angle + 3.2) * 10;
            const int bucket = int(position);
            const double t = position - bucket;
            const double bend = warp[size_t(bucket & 63)] * (1 - t) + warp[size_t((bucket + 1) & 63)] * t;
            const double distance = std::hypot(dx, dy) / diameter * 30 + bend * 0.6;
            const double ring = 0.5 + 0.5 * std::sin(distance * 6.2832);
            const double pore = noise.next() * 0.06;
            QColor colour = mix(early, late, std::pow(ring, 2.2) + pore);
            colour = QColor::fromRgbF(float(std::min(1.0, colour.redF() * brightness)),
                                      float(std::min(1.0, colour.greenF() * brightness)),
                                      float(std::min(1.0, colour.blueF() * brightness)));
            line[x] = colour.rgb();
        }
    }
    return wood;
}

QPainterPath symbolPath(Symbol symbol, QPointF centre)
{
    QPainterPath bar;
    bar.addRoundedRect(QRectF(-46, -9, 92, 18), 9, 9);
    QPainterPath path;
    switch (symbol) {
    case Symbol::close:
        path = QTransform().rotate(45).map(bar).united(QTransform().rotate(-45).map(bar));
        break;
    case Symbol::minimize:
        path = bar;
        break;
    case Symbol::zoom:
        path = bar.united(QTransform().rotate(90).map(bar));
        break;
    }
    return path.translated(centre);
}

void knob(QImage &image, QPointF origin, Symbol symbol, State state, std::uint32_t seed)
{
    const QPointF centre = origin + QPointF(Cells::cell / 2.0, Cells::cell / 2.0 - 6);
    const qreal press = state == State::pressed ? 6 : 0;
    const QPointF top = centre + QPointF(press * 0.4, press);
    Surface surface{image, QTransform::fromScale(renderScale, renderScale)};

    const QPainterPath body = ellipse(top, knobRadius);
    dropShadow(surface, body, state == State::pressed ? QPointF(3, 5) : QPointF(9, 15),
               state == State::pressed ? 8 : 16, QColor(0, 0, 0, 150));
    if (state == State::hover)
        glow(surface, body, 14, QColor(255, 170, 90, 120));

    // The turned side of the knob, darker where it turns away from the light.
    QLinearGradient side(top - QPointF(knobRadius, knobRadius), top + QPointF(knobRadius, knobRadius));
    side.setColorAt(0, QColor(150, 92, 48));
    side.setColorAt(0.55, QColor(96, 54, 26));
    side.setColorAt(1, QColor(52, 28, 13));
    fill(surface, body, side);
    grain(surface, body, seed + 1, 0.05, 0);

    const double brightness = state == State::hover ? 1.12 : state == State::pressed ? 0.86 : 1.0;
    const int diameter = int(topRadius * 2 * renderScale);
    const QImage wood = woodTop(diameter, seed, brightness);
    const QPainterPath face = ellipse(top, topRadius);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(surface.transform);
        painter.setClipPath(face);
        painter.drawImage(QRectF(top.x() - topRadius, top.y() - topRadius, topRadius * 2, topRadius * 2), wood);
    }
    // Turning marks: fine concentric rings on the face.
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(surface.transform);
        Noise rings(seed + 7);
        for (qreal radius = 10; radius < topRadius; radius += 7) {
            painter.setPen(QPen(QColor(0, 0, 0, int(14 + 10 * std::abs(rings.next()))), 1.2));
            painter.drawEllipse(top, radius, radius);
        }
    }
    innerShadow(surface, face, QPointF(-3, -4), 5, QColor(255, 220, 180, 90));
    innerShadow(surface, face, QPointF(4, 6), 8, QColor(30, 12, 0, 150));

    // The symbol, cut into the wood and filled dark.
    const QPainterPath mark = symbolPath(symbol, top);
    dropShadow(surface, mark, QPointF(-1.5, -2), 1.5, QColor(30, 12, 0, 120));
    fill(surface, mark, QColor(46, 24, 10, 235));
    innerShadow(surface, mark, QPointF(2, 3), 3, QColor(0, 0, 0, 200));
    bevel(surface, mark.translated(1, 1.5), 1.4, QColor(0, 0, 0, 0), QColor(255, 210, 160, 90));

    // Varnish: one soft highlight towards the light, and a rim light on the bevel.
    QRadialGradient varnish(top - QPointF(52, 62), 120);
    varnish.setColorAt(0, QColor(255, 248, 235, state == State::pressed ? 60 : 105));
    varnish.setColorAt(1, QColor(255, 248, 235, 0));
    fill(surface, face, varnish);
    bevel(surface, body, 3, QColor(255, 230, 200, 150), QColor(0, 0, 0, 120));
    bevel(surface, face, 2.5, QColor(0, 0, 0, 70), QColor(255, 220, 180, 110));
    if (state == State::pressed)
        fill(surface, body, QColor(20, 8, 0, 40));
}

} // namespace

QImage woodButtons()
{
    const QSize size = Cells::minimumSize;
    QImage image(size * renderScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const Symbol symbols[] = {Symbol::close, Symbol::minimize, Symbol::zoom};
    const State states[] = {State::normal, State::hover, State::pressed};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            knob(image, QPointF(Cells::columnX[size_t(column)], Cells::rowY[size_t(row)]), symbols[row], states[column],
                 std::uint32_t(100 + row * 10));
        }
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace artwork
