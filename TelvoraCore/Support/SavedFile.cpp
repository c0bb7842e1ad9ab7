#include "TelvoraCore/Support/SavedFile.h"

#include "TelvoraCore/Errors/FileFailure.h"

#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace telvora::SavedFile {

namespace {

using FileFailure::Access;

} // namespace

void open(QSaveFile &file)
{
    if (!file.open(QIODevice::WriteOnly))
        fail(file);
}

void commit(QSaveFile &file)
{
    if (!file.flush())
        fail(file);
    // Some file systems (network ones) report a full disk only when the data is synced.
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL) {
        const int code = errno;
        file.cancelWriting();
        throw FileError(FileFailure::message(Access::writing, file.fileName(), code));
    }
    if (!file.commit())
        throw FileFailure::error(Access::writing, file.fileName(), file);
}

void fail(QSaveFile &file)
{
    const FileError error = FileFailure::error(Access::writing, file.fileName(), file);
    file.cancelWriting();
    throw error;
}

} // namespace telvora::SavedFile
