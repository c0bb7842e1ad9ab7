#pragma once

#include "Telvora/Interface/Console/ConsoleWindowButtonStyle.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>

namespace telvora {

/// One wooden window button: a 48-point square showing its 44-point picture.
class ConsoleWindowButton : public QAbstractButton
{
    Q_OBJECT

public:
    ConsoleWindowButton(ConsoleWindowArtwork::Control control, QWidget *parent = nullptr);

    /// The style as it stands (state, hover, window activity).
    ConsoleWindowButtonStyle style() const;
    /// Points per canvas point: the console scales its window buttons with the canvas.
    void setCanvasScale(qreal scale);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    ConsoleWindowArtwork::Control m_control;
    bool m_hovering = false;
    qreal m_scale = 1;
};

/// The column of the close, minimize and zoom buttons: 48 × 156 points, spacing 6.
class ConsoleWindowControls : public QWidget
{
    Q_OBJECT

public:
    ConsoleWindowControls(std::function<void()> close, std::function<void()> minimize, std::function<void()> zoom,
                          QWidget *parent = nullptr);

    ConsoleWindowButton *button(ConsoleWindowArtwork::Control control) const;
    void setCanvasScale(qreal scale);

    static constexpr qreal width = 48;
    static constexpr qreal height = 156;
    static constexpr qreal spacing = 6;

private:
    std::array<ConsoleWindowButton *, 3> m_buttons{};
};

} // namespace telvora
