#include "TelvoraCore/Errors/FileFailure.h"

#include "TelvoraCore/Errors/FileTexts.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#include <cerrno>

namespace telvora::FileFailure {

namespace {

constexpr int toldApart[] = {ENOSPC, EDQUOT, EACCES, EPERM, ENOENT, ENOTDIR, EISDIR, EROFS};

QStringView sentence(Access access, int code)
{
    const bool reading = access == Access::reading;
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return FileTexts::diskFull;
    case EACCES:
    case EPERM:
        return reading ? FileTexts::noReadPermission : FileTexts::noWritePermission;
    case ENOENT:
    case ENOTDIR:
        return reading ? FileTexts::notFound : FileTexts::folderMissing;
    case EISDIR:
        return FileTexts::isFolder;
    case EROFS:
        return reading ? FileTexts::unreadable : FileTexts::readOnlyDisk;
    default:
        return reading ? FileTexts::unreadable : FileTexts::unwritable;
    }
}

// Qt words some failures itself ("file to open is a directory", "Unknown error"); the
// path then tells what went wrong.
int presentState(Access access, const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return EISDIR;
    if (access == Access::reading)
        return !info.exists() ? ENOENT : !info.isReadable() ? EACCES : 0;
    if (!info.dir().exists())
        return ENOENT;
    return info.exists() && !info.isWritable() ? EACCES : 0;
}

} // namespace

QString message(Access access, const QString &path, int code) { return sentence(access, code).arg(path); }

int systemError(const QString &description)
{
    for (const int code : toldApart) {
        if (description.endsWith(qt_error_string(code)))
            return code;
    }
    return 0;
}

FileError error(Access access, const QString &path, const QFileDevice &file)
{
    int code = systemError(file.errorString());
    if (code == 0)
        code = presentState(access, path);
    return FileError(message(access, path, code));
}

} // namespace telvora::FileFailure
