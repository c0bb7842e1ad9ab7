#pragma once

#include <QImage>

namespace artwork {

/// "window-buttons-wood-v2.png": turned wooden knobs, rows close, minimize, zoom and
/// columns normal, hover, pressed.
QImage woodButtons();

} // namespace artwork
