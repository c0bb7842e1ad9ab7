#include "tests/transcription/FakeRuntime.h"

#include <QtEndian>

#include <cmath>

namespace telvora::test {

namespace {

void append16(QByteArray &bytes, quint16 value)
{
    const quint16 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&little), 2);
}

void append32(QByteArray &bytes, quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&little), 4);
}

} // namespace

QByteArray wavBytes(double seconds, int rate, int channels)
{
    const auto frames = static_cast<quint32>(std::lround(seconds * rate));
    const quint32 dataSize = frames * static_cast<quint32>(channels) * 2;
    QByteArray bytes("RIFF");
    append32(bytes, 36 + dataSize);
    bytes.append("WAVEfmt ");
    append32(bytes, 16);
    append16(bytes, 1);
    append16(bytes, static_cast<quint16>(channels));
    append32(bytes, static_cast<quint32>(rate));
    append32(bytes, static_cast<quint32>(rate * channels * 2));
    append16(bytes, static_cast<quint16>(channels * 2));
    append16(bytes, 16);
    bytes.append("data");
    append32(bytes, dataSize);
    for (quint32 frame = 0; frame < frames; ++frame) {
        const auto sample = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * frame / rate));
        for (int channel = 0; channel < channels; ++channel)
            append16(bytes, static_cast<quint16>(sample));
    }
    return bytes;
}

bool writeWav(const QString &path, double seconds, int rate, int channels)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wavBytes(seconds, rate, channels)) > 0;
}

QStringList workFolders(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("telvora-transcription-*")},
                                  QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace telvora::test
