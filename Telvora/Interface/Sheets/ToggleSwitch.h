#pragma once

#include <QAbstractButton>

namespace telvora {

/// An on/off switch: a rounded track with a knob, blue when on. Checkable; `clicked`
/// reports the user's changes, `toggled` every change.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace telvora
