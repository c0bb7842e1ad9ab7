#pragma once

#include "Telvora/Interface/Console/ConsoleWindowArtwork.h"

namespace telvora {

/// How a wooden window button looks in each situation.
struct ConsoleWindowButtonStyle
{
    ConsoleWindowArtwork::Control control;
    bool windowActive = true;
    bool isEnabled = true;
    bool hovering = false;

    /// 2 pressed, 1 under the pointer, 0 otherwise; a disabled button stays at 0.
    int state(bool pressed) const
    {
        if (!isEnabled)
            return 0;
        return pressed ? 2 : hovering ? 1 : 0;
    }

    /// 0.4 disabled; 0.8 in an inactive window; else 1.
    qreal opacity() const { return !isEnabled ? 0.4 : !windowActive ? 0.8 : 1.0; }

    /// The button's square; the whole of it takes the pointer.
    static constexpr qreal hitSize = 48;
};

} // namespace telvora
