#pragma once

#include <QByteArray>
#include <QString>

namespace telvora {

/// Writes documents as OpenDocument text, for word processors, with the same reading
/// typography as the RTF export.
class OdtWriter
{
public:
    /// The OpenDocument package of StyledDocument::attributed(text, false); throws
    /// TelvoraError when Qt's writer fails.
    static QByteArray write(const QString &text);
};

} // namespace telvora
