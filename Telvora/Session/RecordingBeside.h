#pragma once

#include <QString>

#include <optional>

namespace telvora::RecordingBeside {

/// The recording a transcript was made from, found beside it: a regular file in the same
/// folder with the same name and one of the audio or video extensions the program opens
/// (in lower or upper case). None when there is no such file.
std::optional<QString> of(const QString &transcriptPath);

} // namespace telvora::RecordingBeside
