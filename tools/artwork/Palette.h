#pragma once

#include <QColor>

// The materials of the console, lit from the top left.
namespace artwork::Palette {

inline const QColor faceLight(216, 218, 220);
inline const QColor faceShade(184, 187, 190);
inline const QColor railTop(150, 153, 158);
inline const QColor railBottom(166, 169, 173);
inline const QColor well(30, 31, 33);
inline const QColor glass(15, 20, 25);
inline const QColor bezel(24, 25, 27);
inline const QColor cream(236, 226, 196);
inline const QColor creamLight(246, 240, 220);
inline const QColor ink(34, 30, 26);
inline const QColor meterRed(196, 38, 30);

struct CapColours
{
    QColor top;
    QColor middle;
    QColor bottom;
    QColor glow;
    QColor highlight;
};

/// Ivory, amber and graphite caps, in that order.
inline CapColours cap(int kind)
{
    switch (kind) {
    case 1:
        return {QColor(255, 200, 102), QColor(250, 170, 60), QColor(226, 128, 28), QColor(255, 226, 150, 200),
                QColor(255, 245, 215, 230)};
    case 2:
        return {QColor(74, 77, 82), QColor(56, 58, 62), QColor(40, 41, 44), QColor(110, 114, 120, 70),
                QColor(160, 165, 172, 200)};
    default:
        return {QColor(246, 242, 230), QColor(236, 231, 215), QColor(218, 211, 192), QColor(255, 253, 245, 150),
                QColor(255, 255, 255, 240)};
    }
}

} // namespace artwork::Palette
