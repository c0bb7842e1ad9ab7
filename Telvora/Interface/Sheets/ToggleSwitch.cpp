#include "Telvora/Interface/Sheets/ToggleSwitch.h"

#include <QPainter>

namespace telvora {

namespace {

constexpr QSize trackSize{34, 20};
constexpr int knobInset = 2;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const { return trackSize; }

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    const QRectF track(QPointF(0, (height() - trackSize.height()) / 2.0), QSizeF(trackSize));
    const qreal radius = track.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? QColor::fromRgbF(0.2f, 0.47f, 0.96f) : QColor::fromRgbF(0, 0, 0, 0.16f));
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 2 * knobInset;
    const qreal x = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.12f), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + knobInset, knob, knob));
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor::fromRgbF(0.2f, 0.47f, 0.96f, 0.5f), 2));
        painter.drawRoundedRect(track.adjusted(1, 1, -1, -1), radius, radius);
    }
}

} // namespace telvora
