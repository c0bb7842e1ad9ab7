#include "Telvora/Interface/Console/ConsoleKey.h"

#include "Telvora/Interface/Console/ConsoleFonts.h"
#include "Telvora/Interface/Console/MotionPreference.h"

#include <QEasingCurve>

#include <cmath>

namespace telvora {

namespace {

constexpr qreal disabledOpacity = 0.4;

// The release: a spring of response 0.2 s and damping fraction 0.8, played over 0.45 s
// (by then it has settled to well under a pixel).
constexpr int releaseMilliseconds = 450;
qreal spring(qreal t)
{
    if (t >= 1)
        return 1;
    const qreal seconds = t * releaseMilliseconds / 1000.0;
    const qreal omega = 2 * M_PI / 0.2;
    const qreal damping = 0.8;
    const qreal damped = omega * std::sqrt(1 - damping * damping);
    return 1
        - std::exp(-damping * omega * seconds)
        * (std::cos(damped * seconds) + damping * omega / damped * std::sin(damped * seconds));
}

} // namespace

ConsoleKey::ConsoleKey(const QRectF &frame, int captionSize, QWidget *parent)
    : QAbstractButton(parent)
    , CanvasElement(frame)
    , m_captionSize(captionSize)
{
    setFocusPolicy(Qt::TabFocus);
    MotionPreference &motion = MotionPreference::system();
    m_style.reduceMotion = motion.reduced();
    // The desktop's answer may come after the key is made.
    connect(&motion, &MotionPreference::reducedChanged, this, [this] { setKeyStyle(m_style); });
    connect(&m_motion, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { moveFace(true); });
    connect(this, &QAbstractButton::released, this, [this] { moveFace(false); });
}

void ConsoleKey::setKeyStyle(PhysicalKey style)
{
    style.reduceMotion = style.reduceMotion || MotionPreference::system().reduced();
    if (style.lit == m_style.lit && style.dark == m_style.dark && style.deepPress == m_style.deepPress
        && style.reduceMotion == m_style.reduceMotion)
        return;
    m_style = style;
    update();
}

void ConsoleKey::setPicture(const QImage &picture, QSizeF fit)
{
    m_picture = picture;
    m_pictureFit = fit;
    update();
}

qreal ConsoleKey::captionOpacity() const { return isEnabled() ? 1 : disabledOpacity; }

void ConsoleKey::moveFace(bool pressed)
{
    const qreal target = pressed ? 1 : 0;
    m_motion.stop();
    if (!m_style.animatesPress()) {
        m_progress = target;
        update();
        return;
    }
    m_motion.setStartValue(m_progress);
    m_motion.setEndValue(target);
    if (pressed) {
        m_motion.setDuration(PhysicalKey::pressMilliseconds);
        m_motion.setEasingCurve(QEasingCurve::OutQuad);
    } else {
        QEasingCurve curve;
        curve.setCustomType(spring);
        m_motion.setDuration(releaseMilliseconds);
        m_motion.setEasingCurve(curve);
    }
    m_motion.start();
}

void ConsoleKey::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    useCanvasUnits(painter);
    const QRectF face = m_style.paint(painter, localFrame(), m_progress);
    painter.setOpacity(captionOpacity());
    if (!m_picture.isNull()) {
        QSizeF size = m_picture.size();
        size.scale(m_pictureFit, Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(face.center() - QPointF(size.width() / 2, size.height() / 2), size), m_picture);
        return;
    }
    painter.setFont(ConsoleFonts::regular(m_captionSize));
    painter.setPen(m_style.captionColour());
    painter.drawText(face, Qt::AlignCenter, text());
}

} // namespace telvora
