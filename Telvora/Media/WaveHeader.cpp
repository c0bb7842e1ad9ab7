#include "Telvora/Media/WaveHeader_p.h"

#include <QFile>
#include <QtEndian>

namespace telvora::WaveHeader {

namespace {

// The chunks ahead of the data (format, facts, tags) fit well within this.
constexpr qint64 headerReach = 64 * 1024;
// Writers that stream leave 0, 0xFFFFFFFF or just under 2 GiB in place of the size.
constexpr quint32 largestTrueSize = 0x7FFFF000;

} // namespace

qint64 declaredDataBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(headerReach);
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return 0;
    for (qsizetype at = 12; at + 8 <= header.size();) {
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + at + 4);
        if (header.mid(at, 4) == "data")
            return size < largestTrueSize ? size : 0;
        // Chunks are padded to an even length.
        at += 8 + qsizetype(size) + qsizetype(size & 1);
    }
    return 0;
}

} // namespace telvora::WaveHeader
