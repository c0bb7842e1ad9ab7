#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace telvora::test {

/// The bytes of an MP3 file holding a sine tone of `seconds` (44.1 kHz mono), made by the
/// `ffmpeg` command with its MP3 encoder. Made once per length and tone, then kept.
/// Returns an empty array when the command fails.
QByteArray mp3Tone(double seconds, int hertz = 440);

/// The bytes of an MP3 file of `seconds` of the `ffmpeg` expression or source `lavfi`
/// (for example "anoisesrc=amplitude=0.5"), 44.1 kHz mono; made once per source, then kept.
QByteArray mp3Of(const QString &lavfi, double seconds);

/// What FFmpeg's ebur128 filter measures over a whole file.
struct LoudnessReading
{
    double integrated = 0; // LUFS
    double truePeak = 0;   // dBTP
    bool read = false;
};
LoudnessReading measureLoudness(const QString &path);

/// `ffprobe -show_chapters -show_format -show_streams` of the file, as JSON (empty when
/// it cannot read it).
QJsonObject probe(const QString &path);

/// The length in seconds of the audio file at `path` as `ffprobe` reads it; negative when
/// it cannot read the file.
double audioDuration(const QString &path);

/// Names of the "telvora-voice-" folders now in the temporary folder.
QStringList narrationFolders();

} // namespace telvora::test
