#pragma once

#include "Telvora/Document/RtfError.h"

#include <QByteArray>
#include <QString>

namespace telvora {

/// Reads the plain characters of an RTF document, all formatting dropped.
class RtfReader
{
public:
    /// Throws RtfError when the bytes are not a well-formed RTF document.
    static QString read(const QByteArray &rtf);
};

} // namespace telvora
