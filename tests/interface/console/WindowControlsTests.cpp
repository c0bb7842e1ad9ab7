#include "Telvora/Interface/Console/ConsoleWindowControls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace telvora {
namespace {

using ConsoleWindowArtwork::Control;

TEST(WindowControlsTests, rawValuesNameTheThreeControls)
{
    EXPECT_EQ(ConsoleWindowArtwork::control(0), Control::close);
    EXPECT_EQ(ConsoleWindowArtwork::control(1), Control::minimize);
    EXPECT_EQ(ConsoleWindowArtwork::control(2), Control::zoom);
    EXPECT_EQ(ConsoleWindowArtwork::control(3), std::nullopt);
}

TEST(WindowControlsTests, everyCellIsCutAndTheStatesDiffer)
{
    for (Control control : {Control::close, Control::minimize, Control::zoom}) {
        const QImage &normal = ConsoleWindowArtwork::sprite(control, 0);
        EXPECT_EQ(normal.size(), QSize(380, 380));
        EXPECT_NE(normal, ConsoleWindowArtwork::sprite(control, 1));
        EXPECT_NE(normal, ConsoleWindowArtwork::sprite(control, 2));
    }
    EXPECT_NE(ConsoleWindowArtwork::sprite(Control::close, 0), ConsoleWindowArtwork::sprite(Control::zoom, 0));
}

TEST(WindowControlsTests, styleStateAndOpacity)
{
    struct Case
    {
        const char *name;
        bool enabled;
        bool active;
        bool hovering;
        bool pressed;
        int state;
        qreal opacity;
    };
    const Case cases[] = {
        {"at rest", true, true, false, false, 0, 1},
        {"under the pointer", true, true, true, false, 1, 1},
        {"pressed", true, true, true, true, 2, 1},
        {"inactive window", true, false, false, false, 0, 0.8},
        {"disabled ignores the pointer", false, true, true, true, 0, 0.4},
    };
    for (const Case &c : cases) {
        const ConsoleWindowButtonStyle style{Control::close, c.active, c.enabled, c.hovering};
        EXPECT_EQ(style.state(c.pressed), c.state) << c.name;
        EXPECT_DOUBLE_EQ(style.opacity(), c.opacity) << c.name;
    }
}

TEST(WindowControlsTests, columnHasLabelsTooltipsAndActions)
{
    QStringList called;
    ConsoleWindowControls controls([&] { called << QStringLiteral("close"); },
                                   [&] { called << QStringLiteral("minimize"); },
                                   [&] { called << QStringLiteral("zoom"); });
    EXPECT_EQ(controls.size(), QSize(48, 156));
    struct Case
    {
        Control control;
        const char16_t *label;
        const char16_t *tooltip;
        int top;
    };
    const Case cases[] = {{Control::close, u"Fechar painel", u"Fechar painel · Ctrl+W", 0},
                          {Control::minimize, u"Minimizar painel", u"Minimizar painel · Ctrl+M", 54},
                          {Control::zoom, u"Ampliar ou restaurar painel", u"Ampliar ou restaurar painel", 108}};
    controls.show();
    for (const Case &c : cases) {
        ConsoleWindowButton *button = controls.button(c.control);
        EXPECT_EQ(button->accessibleName(), QString::fromUtf16(c.label));
        EXPECT_EQ(button->text(), QString::fromUtf16(c.label));
        EXPECT_EQ(button->toolTip(), QString::fromUtf16(c.tooltip));
        EXPECT_EQ(button->geometry(), QRect(0, c.top, 48, 48));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(1, 1));
    }
    EXPECT_EQ(called, (QStringList{QStringLiteral("close"), QStringLiteral("minimize"), QStringLiteral("zoom")}));
}

TEST(WindowControlsTests, pointerEnteringAndLeavingTracksHover)
{
    ConsoleWindowControls controls({}, {}, {});
    controls.show();
    ConsoleWindowButton *button = controls.button(Control::zoom);
    EXPECT_FALSE(button->style().hovering);
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->style().hovering);
    EXPECT_EQ(button->style().state(false), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->style().hovering);
    button->setEnabled(false);
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->style().state(true), 0);
    EXPECT_DOUBLE_EQ(button->style().opacity(), 0.4);
}

} // namespace
} // namespace telvora
