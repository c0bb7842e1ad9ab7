#pragma once

#include "Telvora/Document/StyledText.h"

#include <QByteArray>
#include <QString>

namespace telvora {

/// Writes documents as RTF with their reading typography.
class RtfWriter
{
public:
    /// The RTF of StyledDocument::attributed(text, false).
    static QByteArray write(const QString &text);
    /// The RTF of any styled text; fonts, sizes, colours and paragraph styles are kept.
    static QByteArray write(const StyledText &styled);
};

} // namespace telvora
