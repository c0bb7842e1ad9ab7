#pragma once

#include "Telvora/Media/NarrationTags.h"
#include "TelvoraCore/Support/CancellationToken.h"

#include <QString>
#include <QStringList>

/// Assembly of the narration's parts into one file ready to publish.
namespace telvora::AudioJoiner {

/// Lays the first audio stream of every part end to end, in list order, each over its whole
/// decoded length (no gap or crossfade), brings the whole to -16 LUFS integrated with its
/// true peak at most -1 dBTP (EBU R128, measured over everything in a first pass), and
/// encodes it with `tags` as one AAC track in an MPEG-4 audio file at `destination` (MP3
/// with an ID3 tag when its name ends in ".mp3"), written atomically: on failure no file
/// is left. The output takes the first part's sample rate (or the nearest the encoder
/// takes) and up to two of its channels; later parts are converted to it. Blocking: call it
/// off the GUI thread.
///
/// Throws TelvoraError "Uma parte do áudio está inválida." for a part without decodable
/// audio, NotMediaError for a part that is no media, MediaError for one that cannot be
/// read, the assembly and export messages when the encoder, the filters or the file format
/// fail, FileError when the destination cannot be written (a full disk included), and
/// Cancelled when `token` is cancelled (checked between frames).
void join(const QStringList &parts, const QString &destination, const NarrationTags &tags,
          const CancellationToken &token);

} // namespace telvora::AudioJoiner
