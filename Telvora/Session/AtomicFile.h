#pragma once

#include <QByteArray>
#include <QString>

namespace telvora::AtomicFile {

/// Replaces the file at `path` only once every byte is on disk (a temporary name, then a
/// rename), so a failed write never leaves a partial file behind. Throws FileError.
void write(const QString &path, const QByteArray &bytes);

/// The whole content of the file at `path`. Throws FileError.
QByteArray read(const QString &path);

} // namespace telvora::AtomicFile
