#pragma once

#include <QImage>

namespace artwork {

/// "console-skin.png": the whole console at 1:1 in the panel region, with every sprite
/// where the console cuts it.
QImage consoleSkin();

} // namespace artwork
