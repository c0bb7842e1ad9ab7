#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace telvora::test {

/// The bytes of an MP3 file holding a sine tone of `seconds` (44.1 kHz mono), made by the
/// `ffmpeg` command with its MP3 encoder. Made once per length and tone, then kept.
/// Returns an empty array when the command fails.
QByteArray mp3Tone(double seconds, int hertz = 440);

/// The length in seconds of the audio file at `path` as `ffprobe` reads it; negative when
/// it cannot read the file.
double audioDuration(const QString &path);

/// Names of the "telvora-voice-" folders now in the temporary folder.
QStringList narrationFolders();

} // namespace telvora::test
