// Draws the console's artwork and writes it as PNG files:
//   telvora-artwork <output folder> <font folder>
// The output is the same, byte for byte, on every run (all noise is seeded).
#include "ConsoleSkinArt.h"
#include "EmblemArt.h"
#include "WoodButtonArt.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3) {
        std::fputs("usage: telvora-artwork <output folder> <font folder>\n", stderr);
        return 2;
    }
    const QDir output(arguments[1]);
    const QDir fonts(arguments[2]);
    for (const QString &font :
         {QStringLiteral("BarlowCondensed-Regular.ttf"), QStringLiteral("BarlowCondensed-SemiBold.ttf")}) {
        if (QFontDatabase::addApplicationFont(fonts.filePath(font)) < 0) {
            std::fprintf(stderr, "cannot load font %s\n", qPrintable(fonts.filePath(font)));
            return 1;
        }
    }
    const QImage sharpSkin = artwork::consoleSkinSharp();
    const struct
    {
        const char *name;
        QImage image;
    } pictures[] = {
        {"console-skin.png", artwork::consoleSkin(sharpSkin)},  {"console-skin@2x.png", sharpSkin},
        {"window-buttons-wood-v2.png", artwork::woodButtons()}, {"Telvora-icon-v1.png", artwork::applicationIcon()},
        {"settings-gear.png", artwork::settingsGear()},
    };
    for (const auto &picture : pictures) {
        const QString path = output.filePath(QString::fromLatin1(picture.name));
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
