#include "Telvora/Session/AtomicFile.h"

#include "TelvoraCore/Errors/Error.h"

#include <QFile>
#include <QSaveFile>

namespace telvora::AtomicFile {

void write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString description = file.errorString();
        file.cancelWriting();
        throw FileError(description);
    }
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(file.errorString());
    return bytes;
}

} // namespace telvora::AtomicFile
