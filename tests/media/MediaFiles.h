#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>

#include <cstring>
#include <vector>

namespace telvora::test {

/// A temporary folder of media files made by the ffmpeg command.
class MediaFiles
{
public:
    QString path(const QString &name) const { return m_folder.filePath(name); }

    /// Runs ffmpeg with `arguments` (inputs and options) writing `name`; the path, or an
    /// empty string when the command failed.
    QString make(const QString &name, const QStringList &arguments) const
    {
        QProcess ffmpeg;
        ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"),
                                 QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")}
                         + arguments + QStringList{path(name)});
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
            return {};
        return path(name);
    }

    /// A sine tone from FFmpeg's generator, encoded by the file name's extension.
    QString tone(const QString &name, double seconds, int rate = 44100, int channels = 2,
                 const QStringList &options = {}) const
    {
        return make(name,
                    QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds),
                                QStringLiteral("-ac"), QString::number(channels)}
                        + options);
    }

    /// Audio from an expression of t, in 32-bit float WAV, so that levels are exact.
    QString expression(const QString &name, const QString &formula, double seconds, int rate = 44100) const
    {
        return make(name,
                    {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("aevalsrc=%1:s=%2:d=%3").arg(formula).arg(rate).arg(seconds),
                     QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")});
    }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return file.fileName();
    }

    /// A second of MPEG-4 video with no audio track.
    QString videoWithoutAudio(const QString &name) const
    {
        return make(name,
                    {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc=size=64x48:rate=10:duration=1"), QStringLiteral("-c:v"),
                     QStringLiteral("mpeg4")});
    }

    struct NamedFile
    {
        const char *name;
        QString path;
    };

    /// Files that hold no playable audio: empty, text named as MP3, a video without sound.
    QList<NamedFile> withoutPlayableAudio() const
    {
        return {
            {"empty file", write(QStringLiteral("vazio.mp3"), {})},
            {"text renamed as mp3", write(QStringLiteral("texto.mp3"), QByteArray("apenas texto\n").repeated(100))},
            {"video without audio", videoWithoutAudio(QStringLiteral("mudo.mp4"))},
        };
    }

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    /// The samples of a 32-bit float mono file.
    static std::vector<float> samples(const QString &path)
    {
        const QByteArray bytes = read(path);
        std::vector<float> values(std::size_t(bytes.size()) / sizeof(float));
        std::memcpy(values.data(), bytes.constData(), values.size() * sizeof(float));
        return values;
    }

    /// The descriptors this process has open.
    /// How many of this process's descriptors are open on `path`.
    static int descriptorsOn(const QString &path)
    {
        const QString target = QFileInfo(path).canonicalFilePath();
        int count = 0;
        const QDir descriptors(QStringLiteral("/proc/self/fd"));
        for (const QFileInfo &entry : descriptors.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
            count += entry.symLinkTarget() == target ? 1 : 0;
        return count;
    }

private:
    QTemporaryDir m_folder;
};

} // namespace telvora::test
