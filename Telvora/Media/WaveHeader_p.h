#pragma once

#include <QString>

namespace telvora::WaveHeader {

/// The size in bytes a RIFF WAVE file's header gives its audio data; 0 when the file is no
/// such file or the header gives no size (the placeholder of a writer that could not seek
/// back). FFmpeg drops this size when the file ends before the data does, which is just
/// when it tells that the file was cut.
qint64 declaredDataBytes(const QString &path);

} // namespace telvora::WaveHeader
