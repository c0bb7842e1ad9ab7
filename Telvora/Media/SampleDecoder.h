#pragma once

#include "TelvoraCore/Support/CancellationToken.h"

#include <QString>

#include <functional>

/// Decoding of recordings into the transcription worker's sample file.
namespace telvora::SampleDecoder {

/// Writes the first audio stream of `source` (any audio or video file FFmpeg opens) to
/// `destination` as headerless 32-bit float little-endian mono samples at 16 000 Hz,
/// replacing the file. Blocking: call it off the GUI thread. Streams buffer by buffer, so
/// memory stays bounded whatever the length.
///
/// Throws TelvoraError with the audio layer's messages (no audio stream, no decoder, reading
/// failed or interrupted, a recording that ends before its header says, a buffer that does
/// not convert, no samples at all), NotMediaError or MediaError for a file FFmpeg does not
/// know or cannot read, FileError when the destination cannot be written, and Cancelled
/// when `token` is cancelled (checked once per buffer).
/// A destination already written stays on failure; the caller owns its folder.
///
/// `onProgress`, when given, is called on the decoding thread after every buffer with the
/// fraction of the stream's length decoded so far (never above 1; not at all when the
/// length is unknown).
void decode(const QString &source, const QString &destination, const CancellationToken &token,
            const std::function<void(double)> &onProgress = {});

} // namespace telvora::SampleDecoder
