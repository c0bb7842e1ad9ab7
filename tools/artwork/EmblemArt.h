#pragma once

#include <QImage>

namespace artwork {

/// "Telvora-icon-v1.png": the application icon, a small console face.
QImage applicationIcon();

/// "settings-gear.png": a filled gear, black on transparent, 96 × 96.
QImage settingsGear();

} // namespace artwork
