#pragma once

#include <QByteArray>
#include <QString>

namespace telvora::AtomicFile {

/// Replaces the file at `path` only once every byte is on disk (a temporary name, then a
/// rename), so a failed write never leaves a partial file behind. Throws FileError.
void write(const QString &path, const QByteArray &bytes);

/// Like write(), for a folder others can write to (/tmp): the bytes go to a fresh name
/// created exclusively in that folder, which then replaces `path` by a rename, so a link
/// planted at `path` is replaced itself and never followed. The file is its owner's only.
void writeInSharedFolder(const QString &path, const QByteArray &bytes);

/// The whole content of the file at `path`. Throws FileError.
QByteArray read(const QString &path);

} // namespace telvora::AtomicFile
