#pragma once

#include <QImage>
#include <QRect>
#include <QString>

namespace telvora {

/// The console's artwork: the skin picture, the sprites cut from it, and the settings gear.
/// Made on first use and kept for the life of the process; used on the GUI thread.
namespace ConsoleSkin {

/// "console-skin.png" from the resource bundle; a missing or unreadable picture stops the
/// program (a broken installation).
const QImage &original();

/// The sprite `name`, cut from the skin at `rect` the first time and served from the cache
/// afterwards (the rectangle is not compared again). A cut that fails returns the whole
/// skin and caches nothing, so a later call tries again.
QImage crop(const QString &name, const QRect &rect);

/// The sprite of the table in SkinSprites.h by that name.
QImage sprite(QStringView name);

/// "console-skin@2x.png", the same console drawn at twice the pixels; the 1× picture when
/// the bundle lacks it.
const QImage &sharp();

/// The sprite `name` for a painter that puts `pixelScale` device pixels in a point: cut
/// from the 2× picture above 1 (an image of device pixel ratio 2), else the 1× sprite.
/// Either way its size in points is the table's rectangle.
QImage sprite(QStringView name, qreal pixelScale);

/// Whether `name` has been cut and cached.
bool isCached(const QString &name);

/// The gear drawn on the settings key: black on transparent, 96 × 96; empty (all
/// transparent) when its picture is missing.
const QImage &settingsGear();

} // namespace ConsoleSkin

} // namespace telvora
