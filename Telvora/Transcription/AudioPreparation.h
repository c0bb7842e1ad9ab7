#pragma once

#include "Telvora/Transcription/TranscriptionProgress.h"
#include "TelvoraCore/Support/CancellationToken.h"

#include <QString>

namespace telvora::LocalTranscriber {

/// Writes the first audio track of `source` to `destination` as headerless 32-bit float
/// little-endian mono samples at 16 000 Hz. Blocking: off the GUI thread only. The
/// decoding stage's progress goes to `onProgress`, on the decoding thread.
void decode(const QString &source, const QString &destination, const CancellationToken &token,
            const ProgressCallback &onProgress = {});

} // namespace telvora::LocalTranscriber
