#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// The console's canvas: every element's frame in canvas points (origin top left, y down).
// The artwork generator draws the skin from the same table, so the picture and the panel
// cannot drift apart.
namespace telvora::ConsoleLayout {

/// A frame of `width` × `height` whose centre is (`x`, `y`).
constexpr QRectF centred(qreal width, qreal height, qreal x, qreal y)
{
    return QRectF(x - width / 2, y - height / 2, width, height);
}

inline constexpr QSizeF canvas{802, 1442};

// Header
inline constexpr QRectF panel{0, 0, 802, 1442};
inline constexpr QRectF title = centred(430, 51, 300, 29.5);
inline constexpr QRectF dragStrip = centred(680, 57, 398, 29);
inline constexpr QRectF windowControls = centred(48, 156, 28, 91);
inline constexpr QRectF headerPlate = centred(674, 80, 400, 103);
inline constexpr QRectF openKey{85, 72, 304, 62};
inline constexpr QRectF settingsKey = centred(62, 62, 687, 103);

// Input
inline constexpr QRectF inputLabel = centred(490, 35, 349, 173.5);
inline constexpr QRectF sourceDisplay = centred(575, 70, 390, 242);
inline constexpr QRectF waveform = centred(270, 55, 520, 330);
inline constexpr QRectF playKey{101, 310, 92, 61};
inline constexpr QRectF stopKey{212, 310, 88, 61};
inline constexpr QRectF speakerSwitch{95, 393, 225, 44};
inline constexpr QRectF speakerMenu = centred(194, 44, 429, 417);
inline constexpr QRectF transcribeKey{547, 385, 173, 64};

// Transcription
inline constexpr QRectF transcriptionLabel = centred(370, 35, 289, 505.5);
inline constexpr QRectF openTextKey{549, 490, 166, 47};
inline constexpr QRectF transcriptPreview = centred(600, 92, 402, 595);

// Output
inline constexpr QRectF outputLabel = centred(300, 35, 254, 693.5);
constexpr QRectF kindKey(int index) { return QRectF(82, 731 + 68 * index, 224, 65); }
inline constexpr QRectF lengthLabel = centred(295, 43, 495.5, 754.5);
constexpr QRectF lengthKey(int index) { return QRectF(349 + 119 * index, 795, 115, 66); }
inline constexpr QRectF generateKey{341, 920, 371, 121};

// Voice
inline constexpr QRectF voiceLabel = centred(200, 34, 204, 1125);
inline constexpr QRectF voiceSwitch{94, 1155, 177, 37};
inline constexpr QRectF providerPlate = centred(293, 45, 242, 1218);
constexpr QRectF providerButton(int index) { return centred(139, 41, 162 + 142 * index, 1218); }
inline constexpr QRectF voiceMenu = centred(307, 46, 242, 1280);
inline constexpr QRectF needle = centred(3, 90, 560, 1225);
/// The needle turns about the middle of its bottom edge.
inline constexpr QPointF needlePivot{560, 1270};
inline constexpr QRectF listenKey{85, 1327, 205, 63};
inline constexpr QRectF exportKey{318, 1327, 230, 63};
inline constexpr QRectF activityLamp = centred(31, 34, 630, 1365);
inline constexpr QRectF statusDisplay = centred(81, 63, 697, 1358);

// Fixed sizes inside elements.
inline constexpr qreal switchLampSize = 34;
inline constexpr qreal switchSpacing = 5;
inline constexpr qreal providerLampSize = 27;
inline constexpr qreal providerSpacing = 7;
inline constexpr qreal sourceLineSpacing = 10;
inline constexpr qreal waveformBarWidth = 4;
inline constexpr qreal waveformBarSpacing = 3;
inline constexpr qreal waveformBarMinimum = 3;
inline constexpr qreal waveformBarScale = 45;
inline constexpr qreal needleRestAngle = -48;
inline constexpr qreal needleSweep = 85;
inline constexpr QSizeF settingsGearFit{35, 35};

} // namespace telvora::ConsoleLayout
