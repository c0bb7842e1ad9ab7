#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/SampleDecoder.h"
#include "tests/media/MediaFiles.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/Unprivileged.h"

#include <QFileInfo>
#include <QtConcurrent>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class SampleDecoding : public ::testing::Test
{
protected:
    QString output() const { return files.path(u"audio.f32"_s); }

    // Decodes `source` and answers the error's message, empty when it succeeded.
    QString failureOf(const QString &source)
    {
        try {
            SampleDecoder::decode(source, output(), CancellationToken());
        } catch (const Error &error) {
            return error.message();
        }
        return {};
    }

    MediaFiles files;
};

float peak(const std::vector<float> &samples)
{
    float largest = 0;
    for (float sample : samples)
        largest = std::max(largest, std::abs(sample));
    return largest;
}

} // namespace

TEST_F(SampleDecoding, StereoTenSecondsGiveMonoAtSixteenKilohertz)
{
    const QString source = files.tone(u"estereo.mp3"_s, 10, 44100, 2);
    ASSERT_FALSE(source.isEmpty());
    SampleDecoder::decode(source, output(), CancellationToken());
    const std::vector<float> samples = MediaFiles::samples(output());
    EXPECT_EQ(QFileInfo(output()).size() % 4, 0);
    EXPECT_NEAR(double(samples.size()), 160000.0, 16.0);
    // The tone's level survives the mix to mono (a sine of amplitude 1/8 from the generator).
    EXPECT_NEAR(peak(samples), 0.125, 0.01);
}

TEST_F(SampleDecoding, VideoGivesItsAudioTrackOnly)
{
    const QString source = files.make(
        u"filme.mp4"_s,
        {u"-f"_s, u"lavfi"_s, u"-i"_s, u"testsrc=size=64x48:rate=10:duration=2"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
         u"sine=frequency=440:sample_rate=48000:duration=2"_s, u"-c:v"_s, u"mpeg4"_s, u"-c:a"_s, u"aac"_s});
    ASSERT_FALSE(source.isEmpty());
    SampleDecoder::decode(source, output(), CancellationToken());
    // AAC adds a few milliseconds of tail padding.
    EXPECT_NEAR(double(MediaFiles::samples(output()).size()), 32000.0, 400.0);
}

TEST_F(SampleDecoding, FailuresAreWorded)
{
    struct Case
    {
        const char *name;
        QString source;
        QString message;
    };
    const QString silentVideo = files.videoWithoutAudio(u"mudo.mp4"_s);
    const QString emptyWave =
        files.make(u"vazio.wav"_s, {u"-f"_s, u"lavfi"_s, u"-i"_s, u"anullsrc=sample_rate=16000"_s, u"-t"_s, u"0"_s});
    ASSERT_FALSE(silentVideo.isEmpty());
    ASSERT_FALSE(emptyWave.isEmpty());
    const Case cases[] = {
        {"video without audio", silentVideo, u"O arquivo não contém uma faixa de áudio compatível."_s},
        {"audio stream without samples", emptyWave, u"O arquivo não contém áudio."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(failureOf(row.source), row.message);
    }
}

TEST_F(SampleDecoding, FilesThatAreNoRecordingSayWhatTheyAre)
{
    struct Case
    {
        const char *name;
        QString source;
        QString message;
    };
    const QString empty = files.write(u"vazio.mp3"_s, {});
    const QString text = files.write(u"notas.mp3"_s, QByteArray("Isto é só texto, sem som algum.\n").repeated(40));
    const QString noise = files.write(u"ruido"_s, QByteArray(5000, '\x7f'));
    const QString missing = files.path(u"nada.mp3"_s);
    const QString folder = files.path(u"gravações"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString notMedia = u" não é uma gravação de áudio ou vídeo que o Telvora consiga ler."_s;
    const Case cases[] = {
        {"empty file", empty, u"O arquivo "_s + empty + notMedia},
        {"text renamed as mp3", text, u"O arquivo "_s + text + notMedia},
        {"bytes of no format", noise, u"O arquivo "_s + noise + notMedia},
        {"missing file", missing, u"O arquivo "_s + missing + u" não foi encontrado."_s},
        {"a folder", folder, folder + u" é uma pasta, não um arquivo."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(failureOf(row.source), row.message);
        EXPECT_FALSE(QFileInfo::exists(output()));
    }
}

TEST_F(SampleDecoding, AFileWithoutReadPermissionSaysSo)
{
    const QString source = files.tone(u"trancada.wav"_s, 0.5);
    ASSERT_FALSE(source.isEmpty());
    QFile::setPermissions(files.path(QString()),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    QFile::setPermissions(source, QFile::WriteOwner);
    // In a child process, which gives up root first.
    EXPECT_EXIT(
        {
            if (!becomeUnprivileged())
                std::_Exit(2);
            std::fputs(failureOf(source).toStdString().c_str(), stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "Sem permissão para ler .*/trancada\\.wav\\.");
}

namespace {

// The bytes of `path` up to `count` whole units of `unit` bytes after the first `marker`
// (and the marker's own `skip` bytes): a cut where a packet or frame ends.
qint64 unitBoundary(const QString &path, const QByteArray &marker, qint64 skip, qint64 unit, qint64 count)
{
    const qsizetype at = MediaFiles::read(path).indexOf(marker);
    return at < 0 ? 0 : at + skip + unit * count;
}

qint64 fraction(const QString &path, double keep) { return qint64(double(QFileInfo(path).size()) * keep); }

} // namespace

// FFmpeg ends the stream quietly where a file breaks off; the transcription must not go on
// with the part that was there as if it were the whole recording.
TEST_F(SampleDecoding, ARecordingCutShortSaysItEndsEarly)
{
    struct Case
    {
        const char *name;
        QString source;
        qint64 keep; // the bytes left
        QString message;
    };
    const QString endedEarly = u"A gravação termina antes do previsto: o arquivo está incompleto ou foi cortado, e só "
                               u"parte dela pôde ser lida."_s;
    const QStringList fastStart{u"-c:a"_s, u"aac"_s, u"-movflags"_s, u"+faststart"_s};
    const QString indexLast = files.tone(u"indice-no-fim.m4a"_s, 30, 44100, 2, {u"-c:a"_s, u"aac"_s});
    const QString wave = files.tone(u"corte.wav"_s, 30, 44100, 2);
    const QString mono = files.tone(u"metade.wav"_s, 30, 16000, 1);
    const QString packets = files.tone(u"pacotes.wav"_s, 30, 44100, 2);
    const QString mp3 = files.tone(u"corte.mp3"_s, 30, 44100, 2);
    const QString lastSecond = files.tone(u"fim.mp3"_s, 30, 44100, 2);
    // At 48 kHz and 128 kbit/s every MP3 frame is 384 bytes; the first holds the frame count.
    const QString frames = files.tone(u"quadros.mp3"_s, 30, 48000, 2, {u"-b:a"_s, u"128k"_s});
    const QString m4a = files.tone(u"corte.m4a"_s, 30, 44100, 2, fastStart);
    const QString m4aFrames = files.tone(u"quadros.m4a"_s, 30, 44100, 2, fastStart);
    const Case cases[] = {
        {"WAV, a quarter left", wave, fraction(wave, 0.25), endedEarly},
        {"mono WAV, half left", mono, fraction(mono, 0.5), endedEarly},
        // FFmpeg reads a WAV in packets of 4096 bytes; none of them comes out short.
        {"WAV cut where a packet ends", packets, unitBoundary(packets, "data", 8, 4096, 80), endedEarly},
        {"MP3 with its frame count", mp3, fraction(mp3, 0.25), endedEarly},
        {"MP3, the last second missing", lastSecond, fraction(lastSecond, 0.9), endedEarly},
        {"MP3 cut where a frame ends", frames, unitBoundary(frames, "\xff\xfb", 0, 384, 500), endedEarly},
        {"M4A with its index first", m4a, fraction(m4a, 0.25), endedEarly},
        {"M4A, the last second missing", m4aFrames, fraction(m4aFrames, 0.95), endedEarly},
        {"M4A whose index was at the end", indexLast, fraction(indexLast, 0.25),
         u"O arquivo "_s + indexLast + u" não é uma gravação de áudio ou vídeo que o Telvora consiga ler."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.source.isEmpty());
        ASSERT_GT(row.keep, 0);
        // Whole, each decodes.
        EXPECT_EQ(failureOf(row.source), QString());
        QFile file(row.source);
        ASSERT_LT(row.keep, file.size());
        ASSERT_TRUE(file.resize(row.keep));
        EXPECT_EQ(failureOf(row.source), row.message);
    }
}

// A length the header leaves open is no cut: the writer could not go back to fill it in.
TEST_F(SampleDecoding, AWaveWithoutItsDataSizeDecodesWhole)
{
    for (const quint32 placeholder : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        SCOPED_TRACE(placeholder);
        const QString source = files.tone(u"sem-tamanho.wav"_s, 3, 16000, 1);
        ASSERT_FALSE(source.isEmpty());
        QByteArray bytes = MediaFiles::read(source);
        const qsizetype data = bytes.indexOf("data");
        ASSERT_GT(data, 0);
        qToLittleEndian(placeholder, bytes.data() + data + 4);
        files.write(u"sem-tamanho.wav"_s, bytes);
        EXPECT_EQ(failureOf(source), QString());
        EXPECT_NEAR(double(MediaFiles::samples(output()).size()), 48000.0, 16.0);
    }
}

TEST_F(SampleDecoding, AFullDiskIsSaidSo)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString source = files.tone(u"curto.wav"_s, 0.5);
    ASSERT_FALSE(source.isEmpty());
    ASSERT_TRUE(disk.fill());
    const QString destination = disk.filePath(u"audio.f32"_s);
    try {
        SampleDecoder::decode(source, destination, CancellationToken());
        ADD_FAILURE() << "decoded";
    } catch (const FileError &error) {
        EXPECT_EQ(error.message(), u"Não há espaço livre em disco para gravar "_s + destination + u'.');
    }
}

TEST_F(SampleDecoding, UnwritableDestinationIsAnError)
{
    const QString source = files.tone(u"curto.wav"_s, 0.5);
    ASSERT_FALSE(source.isEmpty());
    EXPECT_THROW(SampleDecoder::decode(source, files.path(u"sem-pasta/audio.f32"_s), CancellationToken()), FileError);
    // A full disk: the short file must not pass as a transcription input.
    if (QFileInfo::exists(u"/dev/full"_s)) {
        EXPECT_THROW(SampleDecoder::decode(source, u"/dev/full"_s, CancellationToken()), FileError);
    }
}

TEST_F(SampleDecoding, ReplacesAnOlderFile)
{
    ASSERT_FALSE(files.write(u"audio.f32"_s, QByteArray(1 << 20, 'x')).isEmpty());
    const QString source = files.tone(u"meio.wav"_s, 0.5, 16000, 1);
    SampleDecoder::decode(source, output(), CancellationToken());
    EXPECT_EQ(QFileInfo(output()).size(), 8000 * 4);
}

TEST_F(SampleDecoding, CancellingStopsWithinABufferAndClosesTheFiles)
{
    const QString source = files.tone(u"longo.mp3"_s, 1200, 8000, 1, {u"-b:a"_s, u"8k"_s});
    ASSERT_FALSE(source.isEmpty());
    const CancellationToken token;
    QFuture<QString> decoding = QtConcurrent::run([&] {
        try {
            SampleDecoder::decode(source, output(), token);
        } catch (const Cancelled &) {
            return u"cancelled"_s;
        } catch (const Error &error) {
            return error.message();
        }
        return u"finished"_s;
    });
    while (!decoding.isFinished() && QFileInfo(output()).size() == 0)
        QThread::msleep(1);
    token.cancel();
    EXPECT_EQ(decoding.result(), u"cancelled"_s);
    EXPECT_LT(QFileInfo(output()).size(), qint64(1200) * 16000 * 4);
    // Other threads may open descriptors of their own meanwhile: look at these two files.
    EXPECT_EQ(MediaFiles::descriptorsOn(source), 0);
    EXPECT_EQ(MediaFiles::descriptorsOn(output()), 0);
}
