#include "Telvora/Session/SourceFile.h"

#include "Telvora/Session/SessionTexts.h"
#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Errors/FileFailure.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace telvora::SourceFile {

namespace {

FileError unreadable(const QString &path, int code)
{
    return FileError(FileFailure::message(FileFailure::Access::reading, path, code));
}

// A folder is told as such; a FIFO or a device by what the opening refuses.
[[noreturn]] void refuseNotRegular(const QString &path, const struct stat &status)
{
    if (S_ISDIR(status.st_mode))
        throw unreadable(path, EISDIR);
    throw TelvoraError(SessionTexts::notARegularFile.toString().arg(QFileInfo(path).fileName()));
}

TelvoraError tooLarge()
{
    return TelvoraError(SessionTexts::sourceTooLarge.toString().arg(largestTextBytes / (1024 * 1024)));
}

} // namespace

void checkRegular(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
        refuseNotRegular(path, status);
}

QByteArray readText(const QString &path)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        throw unreadable(path, errno);
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        throw FileFailure::error(FileFailure::Access::reading, path, file);
    }
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0)
        throw unreadable(path, errno);
    if (!S_ISREG(status.st_mode))
        refuseNotRegular(path, status);
    if (status.st_size > largestTextBytes)
        throw tooLarge();
    // A file that grows while it is read is cut at the limit, never read without end.
    QByteArray bytes = file.read(largestTextBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileFailure::error(FileFailure::Access::reading, path, file);
    if (bytes.size() > largestTextBytes)
        throw tooLarge();
    return bytes;
}

void checkSegmentCount(qsizetype segments)
{
    if (segments > mostSegments)
        throw TelvoraError(SessionTexts::tooManySegments.toString().arg(
            QLocale(QLocale::Portuguese, QLocale::Brazil).toString(mostSegments)));
}

} // namespace telvora::SourceFile
