#pragma once

#include "TelvoraCore/Support/CancellationToken.h"

#include <QString>
#include <QStringList>

/// Assembly of the narration's parts into one file.
namespace telvora::AudioJoiner {

/// Lays the first audio stream of every part end to end, in list order, each over its whole
/// decoded length (no gap, crossfade or level change), and encodes them as one AAC track in
/// an MPEG-4 audio file at `destination`, written atomically: on failure no file is left.
/// The output takes the first part's sample rate (or the nearest AAC rate) and up to two of
/// its channels; later parts are converted to it. Blocking: call it off the GUI thread.
///
/// Throws TelvoraError "Uma parte do áudio está inválida." for a part without decodable
/// audio, NotMediaError for a part that is no media, MediaError for one that cannot be
/// read, the assembly and
/// export messages when the encoder or the file format fail, FileError when the destination
/// cannot be written (a full disk included), and Cancelled when `token` is cancelled
/// (checked between frames).
void join(const QStringList &parts, const QString &destination, const CancellationToken &token);

} // namespace telvora::AudioJoiner
