#include "Materials.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace artwork {

namespace {

QRect deviceBounds(Surface surface, const QPainterPath &path, qreal margin)
{
    const QRectF bounds = surface.transform.map(path).boundingRect();
    const qreal pixels = margin * surface.scale();
    return bounds.adjusted(-pixels, -pixels, pixels, pixels).toAlignedRect().intersected(surface.image.rect());
}

void boxPass(std::vector<float> &line, std::vector<float> &scratch, int count, int radius)
{
    const float window = float(2 * radius + 1);
    for (int channel = 0; channel < 4; ++channel) {
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += line[std::clamp(i, 0, count - 1) * 4 + channel];
        for (int i = 0; i < count; ++i) {
            scratch[i * 4 + channel] = sum / window;
            sum += line[std::min(i + radius + 1, count - 1) * 4 + channel];
            sum -= line[std::max(i - radius, 0) * 4 + channel];
        }
    }
    line.swap(scratch);
}

} // namespace

Noise::Noise(std::uint32_t seed)
    : m_state(seed ? seed : 0x9e3779b9u)
{}

double Noise::next()
{
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return double(m_state) / 2147483647.5 - 1.0;
}

void blur(QImage &image, int radius)
{
    if (radius < 1)
        return;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = image.width();
    const int height = image.height();
    std::vector<float> line;
    std::vector<float> scratch;
    auto run = [&](int count, auto pixelAt) {
        line.assign(size_t(count) * 4, 0);
        scratch.assign(size_t(count) * 4, 0);
        for (int i = 0; i < count; ++i) {
            const QRgb pixel = *pixelAt(i);
            line[i * 4 + 0] = qAlpha(pixel);
            line[i * 4 + 1] = qRed(pixel);
            line[i * 4 + 2] = qGreen(pixel);
            line[i * 4 + 3] = qBlue(pixel);
        }
        for (int pass = 0; pass < 3; ++pass)
            boxPass(line, scratch, count, radius);
        for (int i = 0; i < count; ++i) {
            auto value = [&](int c) { return int(std::lround(std::clamp(line[i * 4 + c], 0.f, 255.f))); };
            const int alpha = value(0);
            *pixelAt(i) = qRgba(std::min(value(1), alpha), std::min(value(2), alpha), std::min(value(3), alpha), alpha);
        }
    };
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        run(width, [row](int x) { return row + x; });
    }
    for (int x = 0; x < width; ++x)
        run(height, [&image, x](int y) { return reinterpret_cast<QRgb *>(image.scanLine(y)) + x; });
}

void fill(Surface surface, const QPainterPath &path, const QBrush &brush)
{
    QPainter painter(&surface.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(surface.transform);
    painter.fillPath(path, brush);
}

void dropShadow(Surface surface, const QPainterPath &path, QPointF offset, qreal blurRadius, const QColor &color)
{
    const QRect area = deviceBounds(surface, path.translated(offset), blurRadius * 3 + 2);
    if (area.isEmpty())
        return;
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(surface.transform * QTransform::fromTranslate(-area.x(), -area.y()));
        painter.fillPath(path.translated(offset), color);
    }
    blur(layer, int(std::lround(blurRadius * surface.scale() / 1.7)));
    QPainter painter(&surface.image);
    painter.drawImage(area.topLeft(), layer);
}

void glow(Surface surface, const QPainterPath &path, qreal blurRadius, const QColor &color)
{
    const QRect area = deviceBounds(surface, path, blurRadius * 3 + 2);
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(surface.transform * QTransform::fromTranslate(-area.x(), -area.y()));
        painter.fillPath(path, color);
    }
    blur(layer, int(std::lround(blurRadius * surface.scale() / 1.7)));
    QPainter painter(&surface.image);
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.drawImage(area.topLeft(), layer);
}

void innerShadow(Surface surface, const QPainterPath &path, QPointF offset, qreal blurRadius, const QColor &color)
{
    const qreal margin = blurRadius * 3 + std::abs(offset.x()) + std::abs(offset.y()) + 2;
    const QRect area = deviceBounds(surface, path, margin);
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    const QTransform toLayer = surface.transform * QTransform::fromTranslate(-area.x(), -area.y());
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(toLayer);
        QPainterPath outside;
        outside.addRect(path.boundingRect().adjusted(-margin, -margin, margin, margin));
        outside = outside.subtracted(path.translated(offset));
        painter.fillPath(outside, color);
    }
    blur(layer, int(std::lround(blurRadius * surface.scale() / 1.7)));
    QPainter painter(&surface.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(surface.transform);
    painter.setClipPath(path);
    painter.setTransform(QTransform::fromTranslate(area.x(), area.y()));
    painter.drawImage(0, 0, layer);
}

void grain(Surface surface, const QPainterPath &path, std::uint32_t seed, qreal amount, qreal streak)
{
    const QRect area = deviceBounds(surface, path, 0);
    if (area.isEmpty())
        return;
    Noise noise(seed);
    const int streakPixels = int(std::lround(streak * surface.scale()));
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> row(size_t(area.width()));
    std::vector<double> smooth(size_t(area.width()));
    for (int y = 0; y < area.height(); ++y) {
        for (auto &value : row)
            value = noise.next();
        if (streakPixels > 0) {
            // Brushing: each row is smoothed along x, and rows differ in strength.
            const double rowBias = noise.next() * 0.5;
            double sum = 0;
            const int window = 2 * streakPixels + 1;
            for (int i = -streakPixels; i <= streakPixels; ++i)
                sum += row[size_t(std::clamp(i, 0, area.width() - 1))];
            for (int x = 0; x < area.width(); ++x) {
                smooth[size_t(x)] = sum / window * std::sqrt(double(window)) * 0.6 + rowBias + row[size_t(x)] * 0.35;
                sum += row[size_t(std::min(x + streakPixels + 1, area.width() - 1))];
                sum -= row[size_t(std::max(x - streakPixels, 0))];
            }
        } else {
            smooth = row;
        }
        auto *line = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            const double value = std::clamp(smooth[size_t(x)] * amount, -1.0, 1.0);
            const int alpha = int(std::lround(std::abs(value) * 255));
            line[x] = value > 0 ? qRgba(alpha, alpha, alpha, alpha) : qRgba(0, 0, 0, alpha);
        }
    }
    QPainter painter(&surface.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(surface.transform);
    painter.setClipPath(path);
    painter.resetTransform();
    painter.drawImage(area.topLeft(), layer);
}

void bevel(Surface surface, const QPainterPath &path, qreal width, const QColor &light, const QColor &dark)
{
    const QRectF bounds = path.boundingRect();
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0, light);
    gradient.setColorAt(0.45, QColor(light.red(), light.green(), light.blue(), 0));
    gradient.setColorAt(0.55, QColor(dark.red(), dark.green(), dark.blue(), 0));
    gradient.setColorAt(1, dark);
    QPainter painter(&surface.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(surface.transform);
    painter.setClipPath(path);
    painter.setPen(QPen(QBrush(gradient), width * 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

QPainterPath roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath ellipse(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

} // namespace artwork
