#pragma once

#include "TelvoraCore/Support/CancellationToken.h"

#include <QString>

namespace telvora::LocalTranscriber {

/// Writes the first audio track of `source` to `destination` as headerless 32-bit float
/// little-endian mono samples at 16 000 Hz. Blocking: off the GUI thread only.
void decode(const QString &source, const QString &destination, const CancellationToken &token);

} // namespace telvora::LocalTranscriber
