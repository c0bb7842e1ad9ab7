#include "Telvora/Interface/Console/ConsoleKey.h"
#include "Telvora/Interface/Console/PhysicalKey.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace telvora {
namespace {

TEST(PhysicalKeyTests, faceInsetAndCaptionFollowTheFlags)
{
    struct Case
    {
        const char *name;
        bool lit;
        bool dark;
        QStringView face;
        qreal inset;
        QColor caption;
    };
    const Case cases[] = {
        {"plain key: ivory, black caption", false, false, u"ivory", 16, Qt::black},
        {"lit key: amber, black caption", true, false, u"amber", 16, Qt::black},
        {"dark key: graphite, white caption", false, true, u"dark", 5, Qt::white},
        {"dark and lit: dark face, black caption", true, true, u"dark", 5, Qt::black},
    };
    for (const Case &c : cases) {
        const PhysicalKey key{.lit = c.lit, .dark = c.dark};
        EXPECT_EQ(key.faceSprite(), c.face) << c.name;
        EXPECT_EQ(key.inset(), c.inset) << c.name;
        EXPECT_EQ(key.captionColour(), c.caption) << c.name;
    }
}

TEST(PhysicalKeyTests, pressMovesShallowAndDeepKeysByTheirAmounts)
{
    const PhysicalKey shallow{};
    const PhysicalKey deep{.lit = true, .deepPress = true};
    EXPECT_EQ(shallow.faceShift(false), 0);
    EXPECT_DOUBLE_EQ(shallow.faceShift(true), -0.08);
    EXPECT_EQ(shallow.faceDrop(true), 1);
    EXPECT_EQ(shallow.faceScale(true), QSizeF(1, 1));
    EXPECT_DOUBLE_EQ(deep.faceShift(true), -0.14);
    EXPECT_EQ(deep.faceDrop(true), 5.5);
    EXPECT_EQ(deep.faceScale(true), QSizeF(0.984, 0.9));
    EXPECT_EQ(deep.faceDrop(false), 0);
    EXPECT_TRUE(deep.animatesPress());
    EXPECT_FALSE(shallow.animatesPress());
    EXPECT_FALSE((PhysicalKey{.deepPress = true, .reduceMotion = true}.animatesPress()));
}

TEST(PhysicalKeyTests, brightnessShiftAddsToEveryComponentAndKeepsAlpha)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(100, 20, 250, 128));
    image.setPixel(1, 0, qRgba(255, 255, 255, 255));
    const QImage darker = brightnessShifted(image, -0.08);
    EXPECT_EQ(darker.pixel(0, 0), qRgba(80, 0, 230, 128));
    EXPECT_EQ(darker.pixel(1, 0), qRgba(235, 235, 235, 255));
    const QImage well = brightnessShifted(image, -0.75);
    EXPECT_EQ(well.pixel(1, 0), qRgba(64, 64, 64, 255));
}

TEST(PhysicalKeyTests, ninePartKeepsCornersAndStretchesTheMiddle)
{
    QImage source(10, 10, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            source.setPixel(i, j, qRgb(255, 0, 0));
    QImage target(100, 40, QImage::Format_ARGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        drawNinePart(painter, QRectF(0, 0, 100, 40), source, 4);
    }
    EXPECT_EQ(QColor(target.pixel(1, 1)).red(), 255) << "the corner stays red";
    EXPECT_EQ(QColor(target.pixel(6, 6)).blue(), 255) << "the red square is not stretched";
    EXPECT_EQ(QColor(target.pixel(50, 20)).blue(), 255);
}

// A face pressed on screen: the ordinary key goes down at once, the deep one is animated
// unless motion is reduced.
TEST(PhysicalKeyTests, ordinaryKeyPressIsImmediateAndDeepKeyAnimates)
{
    ConsoleKey ordinary(QRectF(0, 0, 100, 60), 20);
    ordinary.resize(100, 60);
    ordinary.show();
    QTest::mousePress(&ordinary, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(ordinary.pressProgress(), 1);
    QTest::mouseRelease(&ordinary, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(ordinary.pressProgress(), 0);

    ConsoleKey deep(QRectF(0, 0, 100, 60), 20);
    deep.setKeyStyle(PhysicalKey{.lit = true, .deepPress = true, .reduceMotion = false});
    deep.resize(100, 60);
    deep.show();
    if (deep.keyStyle().reduceMotion)
        GTEST_SKIP() << "the desktop asks for reduced motion";
    QTest::mousePress(&deep, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_LT(deep.pressProgress(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return deep.pressProgress() == 1; }, 1000));
    QTest::mouseRelease(&deep, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_GT(deep.pressProgress(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return deep.pressProgress() == 0; }, 2000));

    ConsoleKey calm(QRectF(0, 0, 100, 60), 20);
    calm.setKeyStyle(PhysicalKey{.lit = true, .deepPress = true, .reduceMotion = true});
    calm.resize(100, 60);
    calm.show();
    QTest::mousePress(&calm, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(calm.pressProgress(), 1);
}

// The face's centre, drawn at rest and pressed: darker by the key's shift.
TEST(PhysicalKeyTests, pressedFaceIsDarkerByItsShift)
{
    struct Case
    {
        const char *name;
        PhysicalKey style;
        int darker;
    };
    const Case cases[] = {
        {"ordinary ivory key", PhysicalKey{}, 20},
        {"deep amber key, without motion", PhysicalKey{.lit = true, .deepPress = true, .reduceMotion = true}, 36},
    };
    for (const Case &c : cases) {
        ConsoleKey key(QRectF(0, 0, 200, 80), 20);
        key.setKeyStyle(c.style);
        key.resize(200, 80);
        key.show();
        const QColor rest = key.grab().toImage().pixelColor(100, 40);
        QTest::mousePress(&key, Qt::LeftButton, {}, QPoint(100, 40));
        const QColor pressed = key.grab().toImage().pixelColor(100, 40);
        QTest::mouseRelease(&key, Qt::LeftButton, {}, QPoint(100, 40));
        EXPECT_NEAR(rest.red() - pressed.red(), c.darker, 3) << c.name;
        EXPECT_NEAR(rest.green() - pressed.green(), c.darker, 3) << c.name;
    }
}

TEST(PhysicalKeyTests, disabledKeyDimsOnlyItsCaption)
{
    ConsoleKey key(QRectF(0, 0, 100, 60), 20);
    EXPECT_EQ(key.captionOpacity(), 1);
    key.setEnabled(false);
    EXPECT_DOUBLE_EQ(key.captionOpacity(), 0.4);
}

} // namespace
} // namespace telvora
