#include "Telvora/Session/AtomicFile.h"

#include "TelvoraCore/Errors/FileFailure.h"
#include "TelvoraCore/Support/SavedFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::AtomicFile {

void write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    SavedFile::open(file);
    if (file.write(bytes) != bytes.size())
        SavedFile::fail(file);
    SavedFile::commit(file);
}

void writeInSharedFolder(const QString &path, const QByteArray &bytes)
{
    using FileFailure::Access;
    // QSaveFile would write to wherever a link at `path` points.
    QTemporaryFile file(path + u".XXXXXX"_s);
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        throw FileFailure::error(Access::writing, path, file);
    const QByteArray from = QFile::encodeName(file.fileName());
    const QByteArray to = QFile::encodeName(path);
    // rename(2) replaces a link at `to` itself; QFile::rename() refuses an existing target.
    if (::fdatasync(file.handle()) != 0 || std::rename(from.constData(), to.constData()) != 0)
        throw FileError(FileFailure::message(Access::writing, path, errno));
    file.setAutoRemove(false);
}

QByteArray read(const QString &path)
{
    using FileFailure::Access;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileFailure::error(Access::reading, path, file);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileFailure::error(Access::reading, path, file);
    return bytes;
}

} // namespace telvora::AtomicFile
