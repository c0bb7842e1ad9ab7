#pragma once

#include <QImage>

namespace artwork {

/// "console-skin@2x.png": the whole console at 2:1, with every sprite where the console
/// cuts it (at twice its rectangle); transparent outside the panel's rounded body.
QImage consoleSkinSharp();

/// "console-skin.png": the same picture reduced to 1:1.
QImage consoleSkin(const QImage &sharp);

} // namespace artwork
