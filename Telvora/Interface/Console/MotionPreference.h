#pragma once

#include <QObject>

namespace telvora {

/// The user's reduce-motion preference: TELVORA_REDUCE_MOTION (1 or 0) when set, else the
/// desktop's animation switch (org.gnome.desktop.interface enable-animations, through
/// `gsettings`). The desktop is asked once and never waited for on the GUI thread: until it
/// answers, motion is not reduced, and an answer later than a second is not taken.
class MotionPreference : public QObject
{
    Q_OBJECT

public:
    explicit MotionPreference(QObject *parent = nullptr);

    /// The program's one preference, asked on first use.
    static MotionPreference &system();

    bool reduced() const { return m_reduced; }

Q_SIGNALS:
    /// Emitted once the desktop answers that motion is to be reduced.
    void reducedChanged(bool reduced);

private:
    void askTheDesktop();

    bool m_reduced = false;
};

} // namespace telvora
