#pragma once

#include <QImage>

#include <array>
#include <optional>

namespace telvora::ConsoleWindowArtwork {

/// The three window buttons, top to bottom.
enum class Control { close = 0, minimize = 1, zoom = 2 };

/// The control of a raw value; 3 or more (or negative) is none.
std::optional<Control> control(int rawValue);

/// The picture of `control` in `state` (0 normal, 1 hover, 2 pressed), 44 × 44 points.
/// The nine pictures are cut together from "window-buttons-wood-v2.png" on first use; a
/// missing picture or cell stops the program (a broken installation).
const QImage &sprite(Control control, int state);

inline constexpr qreal pictureSize = 44;

} // namespace telvora::ConsoleWindowArtwork
