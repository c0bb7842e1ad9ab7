#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/ConsoleKey.h"
#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace telvora {
namespace {

using namespace Qt::Literals::StringLiterals;
namespace Layout = ConsoleLayout;

// The console at the size it opens at on a 1440 × 900 screen.
constexpr qreal consoleScale = 450.0 / 802.0;

struct KeyLook
{
    const char *name;
    QRectF frame;
    PhysicalKey style;
};

const KeyLook looks[] = {
    {"ivory open key", Layout::openKey, PhysicalKey{}},
    {"amber generate key", Layout::generateKey, PhysicalKey{.lit = true, .deepPress = true, .reduceMotion = true}},
    {"dark length key", Layout::lengthKey(2), PhysicalKey{.dark = true}},
};

class KeyFaceTests : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_EQ(ConsoleFonts::registerAll(AppResources::bundle()), 3); }

    // The key as the console draws it at `scale` on a screen of `ratio` device pixels per
    // pixel, over a `background` that only gaps in the face let through.
    static QImage render(const KeyLook &look, qreal ratio, qreal scale, const QColor &background, bool enabled,
                         const QString &caption)
    {
        ConsoleKey key(look.frame, 29);
        key.setKeyStyle(look.style);
        key.setText(caption);
        key.setEnabled(enabled);
        key.placeOnCanvas(key, scale, QPointF(0, 0));
        QImage image((QSizeF(key.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(background);
        key.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        return image;
    }

    // The face's device pixels, less one at each edge.
    static QRect faceInterior(const KeyLook &look, qreal ratio, qreal scale)
    {
        const QRectF widget = QRectF(look.frame.topLeft() * scale, look.frame.size() * scale);
        const QPointF offset = widget.topLeft() - widget.toAlignedRect().topLeft();
        const QRectF device(offset * ratio, widget.size() * ratio);
        return QRect(QPoint(int(std::ceil(device.left())) + 1, int(std::ceil(device.top())) + 1),
                     QPoint(int(std::floor(device.right())) - 2, int(std::floor(device.bottom())) - 2));
    }
};

// A seam is a line of the face through which what lies under the key shows: drawn over
// black and over white, the face must be the same pixel for pixel.
TEST_F(KeyFaceTests, facesShowNoSeamAtAnyScale)
{
    for (const KeyLook &look : looks) {
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
            for (const qreal scale : {consoleScale, 0.61, 1.0}) {
                SCOPED_TRACE(std::string(look.name) + " at ratio " + std::to_string(ratio) + ", scale "
                             + std::to_string(scale));
                const QImage overBlack = render(look, ratio, scale, Qt::black, true, QString());
                const QImage overWhite = render(look, ratio, scale, Qt::white, true, QString());
                const QRect interior = faceInterior(look, ratio, scale);
                ASSERT_TRUE(overBlack.rect().contains(interior));
                int seamPixels = 0;
                for (int y = interior.top(); y <= interior.bottom(); ++y) {
                    for (int x = interior.left(); x <= interior.right(); ++x)
                        seamPixels += overBlack.pixel(x, y) != overWhite.pixel(x, y);
                }
                EXPECT_EQ(seamPixels, 0);
            }
        }
    }
}

// Disabled, a key keeps its face; only its caption is drawn at 0.4 over it.
TEST_F(KeyFaceTests, aDisabledKeyKeepsItsFaceAndDimsItsCaption)
{
    for (const KeyLook &look : looks) {
        SCOPED_TRACE(look.name);
        const qreal ratio = 1.5;
        const QImage face = render(look, ratio, consoleScale, Qt::black, true, QString());
        const QImage disabledFace = render(look, ratio, consoleScale, Qt::black, false, QString());
        EXPECT_EQ(face, disabledFace) << "the face is unchanged";

        const QImage captioned = render(look, ratio, consoleScale, Qt::black, true, u"GERAR"_s);
        const QImage dimmed = render(look, ratio, consoleScale, Qt::black, false, u"GERAR"_s);
        int captionPixels = 0;
        int worst = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const QRgb under = face.pixel(x, y);
                const QRgb full = captioned.pixel(x, y);
                if (std::abs(qGray(full) - qGray(under)) > 60)
                    ++captionPixels;
                const auto expected = [](int a, int b) { return a + 0.4 * (b - a); };
                worst = std::max(
                    {worst, int(std::lround(std::abs(qRed(dimmed.pixel(x, y)) - expected(qRed(under), qRed(full))))),
                     int(std::lround(std::abs(qGreen(dimmed.pixel(x, y)) - expected(qGreen(under), qGreen(full))))),
                     int(std::lround(std::abs(qBlue(dimmed.pixel(x, y)) - expected(qBlue(under), qBlue(full)))))});
            }
        }
        EXPECT_GT(captionPixels, 20) << "the caption is drawn";
        EXPECT_LE(worst, 2) << "the caption is drawn at 0.4 over the unchanged face";
    }
}

} // namespace
} // namespace telvora
