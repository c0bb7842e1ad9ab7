#pragma once

#include <QByteArray>
#include <QString>

namespace telvora::SourceFile {

/// Sources beyond these are refused rather than frozen on: a text, RTF or transcript file
/// larger than `largestTextBytes`, a transcript of more than `mostSegments` segments.
inline constexpr qint64 largestTextBytes = 16 * 1024 * 1024;
inline constexpr qsizetype mostSegments = 100'000;

/// Refuses, with TelvoraError, a path that names something other than a regular file (a
/// FIFO or a device would block whoever reads it). A path that names nothing passes: the
/// reading reports it.
void checkRegular(const QString &path);

/// The whole content of a regular file of at most `largestTextBytes`. Opening never waits
/// for a writer, even if the file was replaced by a FIFO after checkRegular. Throws
/// TelvoraError for what is not a regular file or too large, FileError otherwise.
QByteArray readText(const QString &path);

/// Refuses, with TelvoraError, a transcript of more than `mostSegments` segments.
void checkSegmentCount(qsizetype segments);

} // namespace telvora::SourceFile
