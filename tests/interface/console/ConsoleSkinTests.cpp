#include "Telvora/Interface/Console/ConsoleSkin.h"
#include "Telvora/Interface/Console/SkinSprites.h"

#include <QColor>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora {
namespace {

TEST(ConsoleSkinTests, skinHoldsThePanelAndEverySpriteRegion)
{
    const QImage &skin = ConsoleSkin::original();
    ASSERT_FALSE(skin.isNull());
    EXPECT_GE(skin.width(), SkinSprites::minimumSkinSize.width());
    EXPECT_GE(skin.height(), SkinSprites::minimumSkinSize.height());
    for (const SkinSprites::Sprite &sprite : SkinSprites::all) {
        EXPECT_TRUE(SkinSprites::panel.rect.contains(sprite.rect)) << sprite.name.toString().toStdString();
        const QImage cut = ConsoleSkin::sprite(sprite.name);
        EXPECT_EQ(cut.size(), sprite.rect.size()) << sprite.name.toString().toStdString();
        EXPECT_EQ(cut, skin.copy(sprite.rect)) << sprite.name.toString().toStdString();
    }
}

// Dense screens draw from the 2× picture: every sprite at twice the pixels, the same size
// in points, and the same picture as the 1× one once reduced.
TEST(ConsoleSkinTests, theSharpSkinHoldsEverySpriteAtTwiceThePixels)
{
    const QImage &sharp = ConsoleSkin::sharp();
    ASSERT_EQ(sharp.size(), ConsoleSkin::original().size() * 2);
    for (const SkinSprites::Sprite &sprite : SkinSprites::all) {
        SCOPED_TRACE(sprite.name.toString().toStdString());
        const QImage cut = ConsoleSkin::sprite(sprite.name, 1.5);
        EXPECT_EQ(cut.devicePixelRatio(), 2);
        EXPECT_EQ(cut.size(), sprite.rect.size() * 2);
        EXPECT_EQ(cut.deviceIndependentSize(), QSizeF(sprite.rect.size()));
        EXPECT_EQ(ConsoleSkin::sprite(sprite.name, 1), ConsoleSkin::sprite(sprite.name))
            << "1× screens keep the 1× cut";
        const QImage reduced = cut.scaled(sprite.rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QColor middle =
            ConsoleSkin::sprite(sprite.name).pixelColor(sprite.rect.width() / 2, sprite.rect.height() / 2);
        const QColor sharpMiddle = reduced.pixelColor(sprite.rect.width() / 2, sprite.rect.height() / 2);
        EXPECT_NEAR(middle.lightness(), sharpMiddle.lightness(), 12);
    }
}

// The panel's rounded corners are open: what lies around the canvas shows through them.
TEST(ConsoleSkinTests, thePanelsCornersAreTransparentAndItsFaceOpaque)
{
    for (const QImage *skin : {&ConsoleSkin::original(), &ConsoleSkin::sharp()}) {
        const int ratio = skin->width() / SkinSprites::minimumSkinSize.width();
        SCOPED_TRACE(ratio);
        const QRect panel(SkinSprites::panel.rect.topLeft() * ratio, SkinSprites::panel.rect.size() * ratio);
        for (const QPoint corner : {panel.topLeft(), panel.topRight(), panel.bottomLeft(), panel.bottomRight()})
            EXPECT_EQ(qAlpha(skin->pixel(corner)), 0);
        EXPECT_EQ(qAlpha(skin->pixel(panel.center())), 255);
        for (const SkinSprites::Sprite &sprite : {SkinSprites::ivory, SkinSprites::amber, SkinSprites::dark}) {
            const QImage face = skin->copy(QRect(sprite.rect.topLeft() * ratio, sprite.rect.size() * ratio));
            int seeThrough = 0;
            for (int y = 0; y < face.height(); ++y) {
                for (int x = 0; x < face.width(); ++x)
                    seeThrough += qAlpha(face.pixel(x, y)) != 255;
            }
            EXPECT_EQ(seeThrough, 0) << "key faces are opaque";
        }
    }
}

TEST(ConsoleSkinTests, secondCropByNameReturnsTheFirstCutWhateverTheRectangle)
{
    const QRect first(200, 200, 10, 12);
    const QImage cut = ConsoleSkin::crop(u"test-cache"_s, first);
    ASSERT_EQ(cut.size(), first.size());
    EXPECT_TRUE(ConsoleSkin::isCached(u"test-cache"_s));
    const QImage again = ConsoleSkin::crop(u"test-cache"_s, QRect(400, 900, 30, 30));
    EXPECT_EQ(again.size(), first.size());
    EXPECT_EQ(again, ConsoleSkin::original().copy(first));
}

TEST(ConsoleSkinTests, cropOutsideTheSkinReturnsTheWholeSkinAndCachesNothing)
{
    const QImage &skin = ConsoleSkin::original();
    const QImage outside = ConsoleSkin::crop(u"test-outside"_s, QRect(skin.width() - 5, 10, 20, 20));
    EXPECT_EQ(outside.size(), skin.size());
    EXPECT_FALSE(ConsoleSkin::isCached(u"test-outside"_s));
    // A later call with a good rectangle cuts and caches.
    const QImage inside = ConsoleSkin::crop(u"test-outside"_s, QRect(10, 10, 20, 20));
    EXPECT_EQ(inside.size(), QSize(20, 20));
    EXPECT_TRUE(ConsoleSkin::isCached(u"test-outside"_s));
}

TEST(ConsoleSkinTests, gearIsBlackOnTransparentAt96)
{
    const QImage &gear = ConsoleSkin::settingsGear();
    ASSERT_EQ(gear.size(), QSize(96, 96));
    EXPECT_EQ(qAlpha(gear.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(gear.pixel(48, 48)), 0) << "the bore is open";
    int opaque = 0;
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) {
            const QColor colour = QColor::fromRgba(gear.pixel(x, y));
            if (colour.alpha() == 255) {
                ++opaque;
                EXPECT_EQ(colour.rgb() & 0xffffff, 0u);
            }
        }
    }
    EXPECT_GT(opaque, 96 * 96 / 4);
}

// The sprites must show what the panel uses them for: cream glass is dark, the lit face
// warm, the dark face dark, the ivory face light.
TEST(ConsoleSkinTests, spritesShowTheirMaterials)
{
    struct Case
    {
        const char *name;
        QStringView sprite;
        int minimumLightness;
        int maximumLightness;
    };
    const Case cases[] = {{"display glass is near black", u"display", 0, 50},
                          {"ivory face is light", u"ivory", 190, 255},
                          {"dark face is graphite", u"dark", 20, 95},
                          {"needle is dark", u"needle", 0, 60},
                          {"waveform bar glows amber", u"wave", 120, 255}};
    for (const Case &c : cases) {
        const QImage sprite = ConsoleSkin::sprite(c.sprite);
        const QColor middle = QColor::fromRgb(sprite.pixel(sprite.width() / 2, sprite.height() / 2));
        EXPECT_GE(middle.lightness(), c.minimumLightness) << c.name;
        EXPECT_LE(middle.lightness(), c.maximumLightness) << c.name;
    }
    const QColor amber = QColor::fromRgb(ConsoleSkin::sprite(u"amber").pixel(187, 61));
    EXPECT_GT(amber.red(), amber.blue() + 80) << "the lit face is amber";
}

} // namespace
} // namespace telvora
