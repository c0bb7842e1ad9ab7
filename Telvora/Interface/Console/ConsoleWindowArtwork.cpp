#include "Telvora/Interface/Console/ConsoleWindowArtwork.h"

#include "Telvora/Interface/Console/SkinSprites.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ConsoleWindowArtwork {

namespace {

namespace Cells = SkinSprites::WindowButtons;
using Sprites = std::array<std::array<QImage, 3>, 3>;

[[noreturn]] void brokenInstallation(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

Sprites load()
{
    const std::optional<QString> file = AppResources::bundle().resource(u"window-buttons-wood-v2"_s, u"png"_s);
    QImage picture;
    if (!file || !picture.load(*file))
        brokenInstallation("could not load the window buttons: window-buttons-wood-v2.png");
    Sprites sprites;
    for (size_t row = 0; row < 3; ++row) {
        for (size_t column = 0; column < 3; ++column) {
            const QRect cell(Cells::columnX[column], Cells::rowY[row], Cells::cell, Cells::cell);
            if (!picture.rect().contains(cell))
                brokenInstallation("could not cut a window button from window-buttons-wood-v2.png");
            // Kept at full resolution and drawn at 44 × 44 points, so it stays sharp on dense screens.
            sprites[row][column] = picture.copy(cell);
        }
    }
    return sprites;
}

} // namespace

std::optional<Control> control(int rawValue)
{
    if (rawValue < 0 || rawValue > 2)
        return std::nullopt;
    return static_cast<Control>(rawValue);
}

const QImage &sprite(Control control, int state)
{
    static const Sprites sprites = load();
    return sprites[size_t(control)][size_t(std::clamp(state, 0, 2))];
}

} // namespace telvora::ConsoleWindowArtwork
