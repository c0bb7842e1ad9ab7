#pragma once

#include <QColor>
#include <QPalette>
#include <QStringView>

// Colours and type sizes of the console panel, in canvas points.
namespace telvora::ConsoleStyle {

inline const QColor displayText = QColor::fromRgbF(0.83f, 0.89f, 0.92f, 1);
inline const QColor displaySecondLine = QColor::fromRgbF(1, 1, 1, 0.75f);
/// Around the canvas, where the window is wider or taller than the panel: its own metal.
inline const QColor panelSurround(204, 206, 209);
/// The activity lamp's light, screened over its lens.
inline const QColor lampCore(255, 244, 214);
inline const QColor lampGlow(255, 156, 44, 235);
inline const QColor lampHalo(255, 150, 40, 70);

inline constexpr int titleSize = 31;
inline constexpr int sectionSize = 27;
inline constexpr int lengthLabelSize = 28;
inline constexpr int sourceNameSize = 23;
inline constexpr int sourceInfoSize = 21;
inline constexpr int previewSize = 22;
inline constexpr int previewLines = 3;
inline constexpr int statusSize = 20;
inline constexpr int statusLines = 2;
/// The smallest size the status display sets a long status at, before cutting it.
inline constexpr int statusMinimumSize = 13;
inline constexpr int menuCaptionSize = 24;
inline constexpr int providerCaptionSize = 24;

inline constexpr int openKeySize = 29;
inline constexpr int playKeySize = 33;
inline constexpr int stopKeySize = 29;
inline constexpr int transcribeKeySize = 29;
inline constexpr int openTextKeySize = 29;
inline constexpr int kindKeySize = 28;
inline constexpr int lengthKeySize = 27;
inline constexpr int generateKeySize = 44;
inline constexpr int listenKeySize = 27;
inline constexpr int exportKeySize = 26;
inline constexpr int speakerSwitchSize = 22;
inline constexpr int voiceSwitchSize = 24;

/// The dark scheme of the two menus.
inline QPalette menuPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(30, 32, 36));
    palette.setColor(QPalette::WindowText, QColor(230, 232, 235));
    palette.setColor(QPalette::Base, QColor(30, 32, 36));
    palette.setColor(QPalette::Text, QColor(230, 232, 235));
    palette.setColor(QPalette::Highlight, QColor(214, 140, 40));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 122, 126));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 122, 126));
    return palette;
}

inline constexpr QStringView menuStyleSheet =
    u"QMenu { background: #1e2024; color: #e6e8eb; border: 1px solid #3a3d42; padding: 4px; }"
    u"QMenu::item { padding: 4px 18px; }"
    u"QMenu::item:selected { background: #d68c28; color: black; }"
    u"QMenu::separator { height: 1px; background: #3a3d42; margin: 4px 6px; }";

} // namespace telvora::ConsoleStyle
