#pragma once

#include <QString>

#include <optional>

namespace telvora::RecordingBeside {

/// The recording a transcript was made from, found beside it: a regular file in the same
/// folder with one of the audio or video extensions the program opens (in lower or upper
/// case), named like the transcript ("entrevista.json", "entrevista.mp3") or as the export
/// proposes to name the transcript of that recording ("entrevista-mp3-original.json").
/// None when there is no such file.
std::optional<QString> of(const QString &transcriptPath);

} // namespace telvora::RecordingBeside
