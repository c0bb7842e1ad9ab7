#pragma once

#include <QRectF>

#include <optional>

namespace telvora {

/// Where the console panel and the reader open the first time, before any saved frame
/// exists: side by side, 18 points apart, tops aligned, centred as a pair on the screen.
struct WindowPlacement
{
    QRectF panel;
    QRectF reader;

    /// The placement on a screen whose usable area (without panels and docks) is
    /// `available`, in Qt's coordinates (origin top left, y down). With no screen the
    /// area is taken as 1440 × 900.
    static WindowPlacement firstLaunch(std::optional<QRectF> available);
};

} // namespace telvora
