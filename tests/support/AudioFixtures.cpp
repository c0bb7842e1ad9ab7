#include "tests/support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {

namespace {

// Runs a command to its end and answers its standard output (empty when it failed).
QByteArray output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

} // namespace

QByteArray mp3Tone(double seconds, int hertz)
{
    return mp3Of(u"sine=frequency=%1:sample_rate=44100"_s.arg(hertz), seconds);
}

QByteArray mp3Of(const QString &lavfi, double seconds)
{
    static QHash<QString, QByteArray> made;
    const QString source = u"%1:duration=%2"_s.arg(lavfi).arg(seconds);
    auto known = made.constFind(source);
    if (known != made.cend())
        return *known;
    // A file, not a pipe: the encoder then writes the header that tells decoders its delay
    // and padding, so the tone decodes to exactly its length.
    QTemporaryDir folder;
    const QString path = folder.filePath(u"tone.mp3"_s);
    output(u"ffmpeg"_s,
           {u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, source, u"-c:a"_s,
            u"libmp3lame"_s, u"-b:a"_s, u"64k"_s, path});
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!bytes.isEmpty())
        made.insert(source, bytes);
    return bytes;
}

LoudnessReading measureLoudness(const QString &path)
{
    QProcess process;
    process.start(u"ffmpeg"_s,
                  {u"-hide_banner"_s, u"-nostats"_s, u"-i"_s, path, u"-af"_s, u"ebur128=peak=true"_s, u"-f"_s,
                   u"null"_s, u"-"_s});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    // The summary closes the log: "I: -16.0 LUFS" … "Peak: -1.5 dBFS".
    const QString log = QString::fromUtf8(process.readAllStandardError());
    const QString summary = log.mid(log.lastIndexOf(u"Summary:"_s));
    const QRegularExpressionMatch integrated = QRegularExpression(u"I:\\s+(-?[0-9.]+) LUFS"_s).match(summary);
    const QRegularExpressionMatch peak = QRegularExpression(u"Peak:\\s+(-?[0-9.]+|-inf) dBFS"_s).match(summary);
    if (!integrated.hasMatch() || !peak.hasMatch())
        return {};
    return {integrated.captured(1).toDouble(), peak.captured(1).toDouble(), true};
}

QJsonObject probe(const QString &path)
{
    return QJsonDocument::fromJson(output(u"ffprobe"_s,
                                          {u"-v"_s, u"error"_s, u"-show_chapters"_s, u"-show_format"_s,
                                           u"-show_streams"_s, u"-of"_s, u"json"_s, path}))
        .object();
}

double audioDuration(const QString &path)
{
    const QByteArray text = output(u"ffprobe"_s,
                                   {u"-v"_s, u"error"_s, u"-show_entries"_s, u"format=duration"_s, u"-of"_s,
                                    u"default=noprint_wrappers=1:nokey=1"_s, path});
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    return ok ? seconds : -1;
}

QStringList narrationFolders()
{
    return QDir(QDir::tempPath()).entryList({u"telvora-voice-*"_s}, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace telvora::test
