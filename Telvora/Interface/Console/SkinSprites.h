#pragma once

#include <QRect>
#include <QStringView>

#include <array>

// Where each piece of artwork lies in "console-skin.png", in pixels of that picture. The
// panel is the region at (112, 45), so a sprite at (x, y) shows the canvas at (x − 112, y − 45).
namespace telvora::SkinSprites {

struct Sprite
{
    QStringView name;
    QRect rect;
};

inline constexpr QPoint panelOrigin{112, 45};
inline constexpr QSize minimumSkinSize{914, 1487};

inline constexpr Sprite panel{u"panel", QRect(112, 45, 802, 1442)};
inline constexpr Sprite headerMetal{u"headerMetal", QRect(320, 58, 380, 32)};
inline constexpr Sprite display{u"display", QRect(270, 620, 120, 50)};
inline constexpr Sprite wave{u"wave", QRect(650, 990, 6, 40)};
inline constexpr Sprite needle{u"needle", QRect(763, 1256, 3, 5)};
inline constexpr Sprite onLamp{u"onLamp", QRect(329, 1245, 43, 43)};
inline constexpr Sprite offSwitch{u"offSwitch", QRect(209, 1253, 27, 27)};
inline constexpr Sprite ivory{u"ivory", QRect(193, 775, 229, 70)};
inline constexpr Sprite amber{u"amber", QRect(451, 964, 374, 123)};
inline constexpr Sprite dark{u"dark", QRect(584, 844, 109, 57)};

inline constexpr std::array<Sprite, 10> all{panel,  headerMetal, display, wave,  needle,
                                            onLamp, offSwitch,   ivory,   amber, dark};

/// The wooden window buttons: 3 × 3 cells of 380 pixels; rows close, minimize, zoom;
/// columns normal, hover, pressed.
namespace WindowButtons {
inline constexpr int cell = 380;
inline constexpr std::array<int, 3> rowY{28, 429, 828};
inline constexpr std::array<int, 3> columnX{30, 436, 843};
inline constexpr QSize minimumSize{1223, 1208};
} // namespace WindowButtons

} // namespace telvora::SkinSprites
