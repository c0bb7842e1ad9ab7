#include "Telvora/Interface/Console/ConsoleSkin.h"

#include "Telvora/Interface/Console/SkinSprites.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QHash>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ConsoleSkin {

namespace {

QHash<QString, QImage> &cache()
{
    static QHash<QString, QImage> sprites;
    return sprites;
}

QHash<QString, QImage> &sharpCache()
{
    static QHash<QString, QImage> sprites;
    return sprites;
}

constexpr int sharpRatio = 2;

[[noreturn]] void brokenInstallation(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::abort();
}

} // namespace

const QImage &original()
{
    static const QImage skin = [] {
        const std::optional<QString> file = AppResources::bundle().resource(u"console-skin"_s, u"png"_s);
        QImage image;
        if (!file || !image.load(*file))
            brokenInstallation(u"could not load the console skin: console-skin.png"_s);
        return image;
    }();
    return skin;
}

QImage crop(const QString &name, const QRect &rect)
{
    if (const auto cached = cache().constFind(name); cached != cache().constEnd())
        return *cached;
    const QImage &skin = original();
    if (!skin.rect().contains(rect) || rect.isEmpty())
        return skin;
    QImage sprite = skin.copy(rect);
    sprite.setDevicePixelRatio(1);
    cache().insert(name, sprite);
    return sprite;
}

QImage sprite(QStringView name)
{
    for (const SkinSprites::Sprite &entry : SkinSprites::all) {
        if (entry.name == name)
            return crop(entry.name.toString(), entry.rect);
    }
    return original();
}

const QImage &sharp()
{
    static const QImage skin = [] {
        const std::optional<QString> file = AppResources::bundle().resource(u"console-skin@2x"_s, u"png"_s);
        QImage image;
        if (file && image.load(*file) && image.size() == original().size() * sharpRatio)
            return image;
        return original();
    }();
    return skin;
}

QImage sprite(QStringView name, qreal pixelScale)
{
    if (pixelScale <= 1 || sharp().size() != original().size() * sharpRatio)
        return sprite(name);
    const QString key = name.toString();
    if (const auto cached = sharpCache().constFind(key); cached != sharpCache().constEnd())
        return *cached;
    for (const SkinSprites::Sprite &entry : SkinSprites::all) {
        if (entry.name != name)
            continue;
        const QRect pixels(entry.rect.topLeft() * sharpRatio, entry.rect.size() * sharpRatio);
        if (!sharp().rect().contains(pixels))
            return sprite(name);
        QImage cut = sharp().copy(pixels);
        cut.setDevicePixelRatio(sharpRatio);
        sharpCache().insert(key, cut);
        return cut;
    }
    return sprite(name);
}

bool isCached(const QString &name) { return cache().contains(name); }

const QImage &settingsGear()
{
    static const QImage gear = [] {
        QImage bitmap(96, 96, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(Qt::transparent);
        const std::optional<QString> file = AppResources::bundle().resource(u"settings-gear"_s, u"png"_s);
        QImage symbol;
        if (file && symbol.load(*file)) {
            QPainter painter(&bitmap);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(0, 0, 96, 96), symbol);
            // One colour, black, whatever the picture's own colour.
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(bitmap.rect(), Qt::black);
        }
        return bitmap;
    }();
    return gear;
}

} // namespace telvora::ConsoleSkin
