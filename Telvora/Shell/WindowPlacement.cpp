#include "Telvora/Shell/WindowPlacement.h"

#include <algorithm>

namespace telvora {

namespace {
constexpr double canvasWidth = 802;
constexpr double canvasHeight = 1442;
constexpr double gap = 18;
constexpr double topMargin = 42;
} // namespace

WindowPlacement WindowPlacement::firstLaunch(std::optional<QRectF> available)
{
    const QRectF area = available.value_or(QRectF(0, 0, 1440, 900));
    const double w = std::min((area.height() - 65) * canvasWidth / canvasHeight, 450.0);
    const double h = w * canvasHeight / canvasWidth;
    const double r = std::min(std::max(area.width() - w - 55, 560.0), 840.0);
    const double x = area.center().x() - (w + r + gap) / 2;
    // The windows' tops stand 42 points below the top of the usable area.
    const double y = area.top() + topMargin;
    return {QRectF(x, y, w, h), QRectF(x + w + gap, y, r, h)};
}

} // namespace telvora
