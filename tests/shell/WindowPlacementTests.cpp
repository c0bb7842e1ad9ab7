#include "Telvora/Shell/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace telvora;

namespace {

// Expected values in Qt's coordinates (y down): the tops stand 42 points below the top of
// the usable area.
TEST(WindowPlacement, FirstLaunchSideBySideCentredAsAPair)
{
    const struct
    {
        const char *name;
        std::optional<QRectF> area;
        QRectF panel;
        double readerX;
        double readerWidth;
    } cases[]{
        {"1440 × 900 caps the panel at 450 and the reader at 840", QRectF(0, 0, 1440, 900),
         QRectF(66, 42, 450, 450 * 1442.0 / 802), 534, 840},
        {"1280 × 720 sizes the panel by the height", QRectF(0, 0, 1280, 720), QRectF(28.854, 42, 364.293, 655), 411.146,
         840},
        {"no screen uses 1440 × 900", std::nullopt, QRectF(66, 42, 450, 450 * 1442.0 / 802), 534, 840},
        {"narrow screen keeps the reader at 560", QRectF(0, 0, 900, 900),
         QRectF(900 / 2.0 - (450 + 560 + 18) / 2.0, 42, 450, 450 * 1442.0 / 802), 900 / 2.0 - 514 + 468, 560},
        {"offset area", QRectF(100, 30, 1440, 900), QRectF(166, 72, 450, 450 * 1442.0 / 802), 634, 840},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const WindowPlacement placement = WindowPlacement::firstLaunch(c.area);
        EXPECT_NEAR(placement.panel.x(), c.panel.x(), 0.01);
        EXPECT_NEAR(placement.panel.y(), c.panel.y(), 0.01);
        EXPECT_NEAR(placement.panel.width(), c.panel.width(), 0.01);
        EXPECT_NEAR(placement.panel.height(), c.panel.height(), 0.01);
        EXPECT_NEAR(placement.reader.x(), c.readerX, 0.01);
        EXPECT_NEAR(placement.reader.y(), placement.panel.y(), 1e-9);
        EXPECT_NEAR(placement.reader.width(), c.readerWidth, 0.01);
        EXPECT_NEAR(placement.reader.height(), placement.panel.height(), 1e-9);
    }
}

// Both windows open whole inside the usable area's height, and the pair is centred on it.
TEST(WindowPlacement, ThePairFitsTheUsableHeightAndIsCentred)
{
    const struct
    {
        const char *name;
        QRectF area;
    } cases[]{
        {"1440 × 900", QRectF(0, 0, 1440, 900)},
        {"1280 × 720", QRectF(0, 0, 1280, 720)},
        {"1920 × 1080 below a top panel", QRectF(0, 32, 1920, 1048)},
        {"second screen to the right", QRectF(1920, 0, 1366, 768)},
        {"narrow screen", QRectF(0, 0, 900, 900)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const WindowPlacement placement = WindowPlacement::firstLaunch(c.area);
        EXPECT_GE(placement.panel.top(), c.area.top());
        EXPECT_LE(placement.panel.bottom(), c.area.bottom());
        EXPECT_LE(placement.reader.bottom(), c.area.bottom());
        EXPECT_NEAR(placement.reader.left() - placement.panel.right(), 18, 1e-9);
        EXPECT_NEAR((placement.panel.left() + placement.reader.right()) / 2, c.area.center().x(), 1e-9);
    }
}

} // namespace
