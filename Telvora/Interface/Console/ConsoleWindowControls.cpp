#include "Telvora/Interface/Console/ConsoleWindowControls.h"

#include "Telvora/Interface/Console/ConsoleTexts.h"

#include <QEvent>
#include <QPainter>

namespace telvora {

namespace {

struct ButtonText
{
    QStringView label;
    QStringView tooltip;
};

// Indexed by the control's raw value.
constexpr std::array<ButtonText, 3> buttonTexts{{
    {ConsoleTexts::closePanel, ConsoleTexts::closePanelTip},
    {ConsoleTexts::minimizePanel, ConsoleTexts::minimizePanelTip},
    {ConsoleTexts::zoomPanel, ConsoleTexts::zoomPanelTip},
}};

} // namespace

ConsoleWindowButton::ConsoleWindowButton(ConsoleWindowArtwork::Control control, QWidget *parent)
    : QAbstractButton(parent)
    , m_control(control)
{
    const ButtonText &text = buttonTexts[size_t(control)];
    setText(text.label.toString());
    setAccessibleName(text.label.toString());
    setToolTip(text.tooltip.toString());
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(int(ConsoleWindowButtonStyle::hitSize), int(ConsoleWindowButtonStyle::hitSize));
}

ConsoleWindowButtonStyle ConsoleWindowButton::style() const
{
    return {m_control, window()->isActiveWindow(), isEnabled(), m_hovering};
}

void ConsoleWindowButton::setCanvasScale(qreal scale)
{
    m_scale = scale;
    const int side = qRound(ConsoleWindowButtonStyle::hitSize * scale);
    setFixedSize(side, side);
}

void ConsoleWindowButton::paintEvent(QPaintEvent *)
{
    const ConsoleWindowButtonStyle current = style();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(current.opacity());
    const qreal side = ConsoleWindowArtwork::pictureSize * m_scale;
    const QRectF picture((width() - side) / 2, (height() - side) / 2, side, side);
    painter.drawImage(picture, ConsoleWindowArtwork::sprite(m_control, current.state(isDown())));
}

void ConsoleWindowButton::enterEvent(QEnterEvent *event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ConsoleWindowButton::leaveEvent(QEvent *event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ConsoleWindowButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange || event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

ConsoleWindowControls::ConsoleWindowControls(std::function<void()> close, std::function<void()> minimize,
                                             std::function<void()> zoom, QWidget *parent)
    : QWidget(parent)
{
    const std::array<std::function<void()>, 3> actions{std::move(close), std::move(minimize), std::move(zoom)};
    for (int raw = 0; raw < 3; ++raw) {
        auto *button = new ConsoleWindowButton(*ConsoleWindowArtwork::control(raw), this);
        connect(button, &QAbstractButton::clicked, this, [action = actions[size_t(raw)]] {
            if (action)
                action();
        });
        m_buttons[size_t(raw)] = button;
    }
    setCanvasScale(1);
}

ConsoleWindowButton *ConsoleWindowControls::button(ConsoleWindowArtwork::Control control) const
{
    return m_buttons[size_t(control)];
}

void ConsoleWindowControls::setCanvasScale(qreal scale)
{
    setFixedSize(qRound(width * scale), qRound(height * scale));
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->setCanvasScale(scale);
        const qreal top = i * (ConsoleWindowButtonStyle::hitSize + spacing) * scale;
        m_buttons[i]->move(0, qRound(top));
    }
}

} // namespace telvora
