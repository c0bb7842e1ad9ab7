#include "Telvora/Interface/Console/ConsoleLayout.h"
#include "tests/interface/console/ConsoleFixture.h"

#include <QFontInfo>
#include <QtMath>

#include <cmath>

namespace telvora::test {
namespace {

namespace Layout = ConsoleLayout;

class ControllerLayoutTests : public ConsoleFixture
{
};

TEST_F(ControllerLayoutTests, canvasScalesUniformlyAndCentres)
{
    struct Case
    {
        const char *name;
        QSize window;
        qreal scale;
        QRectF canvas;
    };
    const Case cases[] = {
        {"design size fills the window", QSize(802, 1442), 1, QRectF(0, 0, 802, 1442)},
        {"narrow window: half size, centred vertically", QSize(401, 1442), 0.5, QRectF(0, 360.5, 401, 721)},
        {"wide window: full size, centred horizontally", QSize(1604, 1442), 1, QRectF(401, 0, 802, 1442)},
    };
    ControllerView &console = makeView();
    for (const Case &c : cases) {
        console.resize(c.window);
        EXPECT_DOUBLE_EQ(console.canvasScale(), c.scale) << c.name;
        EXPECT_EQ(console.canvasRect(), c.canvas) << c.name;
        // Every control follows the canvas.
        ConsoleKey *generate = element<ConsoleKey>(Layout::generateKey);
        const QRectF expected(c.canvas.topLeft() + Layout::generateKey.topLeft() * c.scale,
                              Layout::generateKey.size() * c.scale);
        EXPECT_EQ(generate->geometry(), expected.toAlignedRect()) << c.name;
        ConsoleKey *lastKind = element<ConsoleKey>(Layout::kindKey(4));
        EXPECT_EQ(lastKind->geometry(),
                  QRectF(c.canvas.topLeft() + QPointF(82, 1003) * c.scale, QSizeF(224, 65) * c.scale).toAlignedRect())
            << c.name;
    }
}

TEST_F(ControllerLayoutTests, everyControlSitsAtItsFrame)
{
    ControllerView &console = makeView();
    console.resize(802, 1442);
    struct Case
    {
        const char16_t *name;
        QRect frame;
    };
    const Case cases[] = {
        {u"Abrir arquivo", QRect(85, 72, 304, 62)},
        {u"Modelos e ajustes", QRect(656, 72, 62, 62)},
        {u"Reproduzir áudio original", QRect(101, 310, 92, 61)},
        {u"Parar áudio original", QRect(212, 310, 88, 61)},
        {u"Identificar falantes", QRect(95, 393, 225, 44)},
        {u"Transcrever", QRect(547, 385, 173, 64)},
        {u"Abrir texto", QRect(549, 490, 166, 47)},
        {u"Resumo", QRect(82, 731, 224, 65)},
        {u"Quintara", QRect(82, 1003, 224, 65)},
        {u"Curta", QRect(349, 795, 115, 66)},
        {u"Longa", QRect(587, 795, 115, 66)},
        {u"GERAR", QRect(341, 920, 371, 121)},
        {u"Gerar áudio", QRect(94, 1155, 177, 37)},
        {u"ElevenLabs", QRect(92, 1197, 140, 42)},
        {u"OpenAI", QRect(234, 1197, 140, 42)},
        {u"Ouvir", QRect(85, 1327, 205, 63)},
        {u"Exportar áudio", QRect(318, 1327, 230, 63)},
        {u"Fechar painel", QRect(4, 13, 48, 48)},
        {u"Ampliar ou restaurar painel", QRect(4, 121, 48, 48)},
    };
    for (const Case &c : cases) {
        QAbstractButton *button = control(QString::fromUtf16(c.name));
        ASSERT_NE(button, nullptr);
        const QRect where(button->mapTo(&console, QPoint(0, 0)), button->size());
        EXPECT_EQ(where, c.frame) << QString::fromUtf16(c.name).toStdString();
    }
}

// The three shipped typefaces are the ones the console draws with, not a fallback.
TEST_F(ControllerLayoutTests, consoleFontsResolveToTheShippedFaces)
{
    const QFontInfo regular(ConsoleFonts::regular(24));
    const QFontInfo semiBold(ConsoleFonts::semiBold(27));
    const QFontInfo mono(ConsoleFonts::mono(22));
    EXPECT_EQ(regular.family(), QStringLiteral("Barlow Condensed"));
    EXPECT_EQ(semiBold.family(), QStringLiteral("Barlow Condensed"));
    EXPECT_EQ(semiBold.weight(), QFont::DemiBold);
    EXPECT_EQ(regular.weight(), QFont::Normal);
    EXPECT_EQ(mono.family(), QStringLiteral("IBM Plex Mono"));
    EXPECT_TRUE(mono.fixedPitch());
}

TEST_F(ControllerLayoutTests, needleTurnsAboutItsFoot)
{
    EXPECT_DOUBLE_EQ(ControllerView::needleAngle(0), -48);
    EXPECT_DOUBLE_EQ(ControllerView::needleAngle(1), 37);
    EXPECT_DOUBLE_EQ(ControllerView::needleAngle(0.5), -5.5);
    EXPECT_EQ(Layout::needlePivot, QPointF(Layout::needle.center().x(), Layout::needle.bottom()));
}

// The needle as drawn: 48 degrees left of vertical at rest, 37 right at full level.
TEST_F(ControllerLayoutTests, needleIsDrawnAtItsAngle)
{
    ControllerView &console = makeView();
    console.resize(802, 1442);
    const auto pointAt = [](qreal degrees) {
        const qreal radians = qDegreesToRadians(degrees);
        return (Layout::needlePivot + QPointF(std::sin(radians), -std::cos(radians)) * 70).toPoint();
    };
    const QPoint rest = pointAt(-48);
    const QPoint full = pointAt(37);
    const auto lightnessAt = [&](QPoint point) { return console.grab().toImage().pixelColor(point).lightness(); };
    session->setMeterLevel(0);
    EXPECT_LT(lightnessAt(rest), 90);
    EXPECT_GT(lightnessAt(full), 150);
    session->setMeterLevel(1);
    EXPECT_GT(lightnessAt(rest), 150);
    EXPECT_LT(lightnessAt(full), 90);
}

TEST_F(ControllerLayoutTests, waveformBarsAreCentredRowsWithAMinimumHeight)
{
    const std::vector<QRectF> bars = ControllerView::waveformBars({0, 1, 0.5});
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].height(), 3) << "silence still shows a bar";
    EXPECT_EQ(bars[1].height(), 45);
    EXPECT_EQ(bars[2].height(), 22.5);
    for (const QRectF &bar : bars) {
        EXPECT_EQ(bar.width(), 4);
        EXPECT_DOUBLE_EQ(bar.center().y(), Layout::waveform.center().y());
    }
    EXPECT_EQ(bars[1].left() - bars[0].left(), 7) << "width 4 and spacing 3";
    EXPECT_DOUBLE_EQ((bars.front().left() + bars.back().right()) / 2, Layout::waveform.center().x());
    EXPECT_TRUE(ControllerView::waveformBars({}).empty());
}

} // namespace
// A recording's waveform has 64 values; at their natural width and gap they would need 445
// points of a strip of 270. All of them fit, bars and gaps narrowed in the same proportion.
TEST_F(ControllerLayoutTests, allSixtyFourWaveformBarsFitTheStrip)
{
    QList<double> values;
    for (int i = 0; i < 64; ++i)
        values.append((i % 8) / 7.0);
    const std::vector<QRectF> bars = ControllerView::waveformBars(values);
    ASSERT_EQ(bars.size(), 64u);
    const QRectF strip = Layout::waveform;
    const qreal fit = strip.width() / (64 * 4 + 63 * 3);
    for (size_t i = 0; i < bars.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(bars[i].left(), strip.left() - 1e-9);
        EXPECT_LE(bars[i].right(), strip.right() + 1e-9);
        EXPECT_NEAR(bars[i].width(), 4 * fit, 1e-9);
        if (i > 0) {
            EXPECT_NEAR(bars[i].left() - bars[i - 1].right(), 3 * fit, 1e-9) << "the gap keeps its proportion";
        }
    }
    EXPECT_NEAR(bars.front().left(), strip.left(), 1e-9);
    EXPECT_NEAR(bars.back().right(), strip.right(), 1e-9);
    EXPECT_EQ(bars[7].height(), 45) << "the heights are those of the natural strip";
}

// Painted: across the strip's middle every one of the 64 bars shows as its own light run.
TEST_F(ControllerLayoutTests, theStripShowsSixtyFourBars)
{
    makeView();
    view->resize(QSize(802, 1442) * 2);
    QList<double> full(64, 1.0);
    session->setWaveform(full);
    const QImage withBars = view->grab().toImage();
    session->setWaveform({});
    const QImage without = view->grab().toImage();
    const QRect strip = view->toWidget(Layout::waveform).toAlignedRect();
    const int y = strip.center().y();
    int runs = 0;
    bool inBar = false;
    for (int x = strip.left() - 4; x <= strip.right() + 4; ++x) {
        const bool bar = std::abs(qGray(withBars.pixel(x, y)) - qGray(without.pixel(x, y))) > 40;
        runs += bar && !inBar;
        inBar = bar;
        if (bar) {
            EXPECT_TRUE(strip.adjusted(-1, 0, 1, 0).contains(QPoint(x, y))) << "a bar outside the strip at " << x;
        }
    }
    EXPECT_EQ(runs, 64);
}

} // namespace telvora::test
