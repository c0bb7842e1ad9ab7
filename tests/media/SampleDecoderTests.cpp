#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/SampleDecoder.h"
#include "tests/media/MediaFiles.h"
#include "tests/support/QtPrinters.h"

#include <QFileInfo>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

TEST_F(SampleDecoding, FilesFFmpegCannotOpenGiveItsDescription)
{
    struct Case
    {
        const char *name;
        QString source;
    };
    const Case cases[] = {
        {"empty file", files.write(u"vazio.mp3"_s, {})},
        {"missing file", files.path(u"nada.mp3"_s)},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        try {
            SampleDecoder::decode(row.source, output(), CancellationToken());
            ADD_FAILURE() << "decoded";
        } catch (const PlatformError &error) {
            EXPECT_FALSE(error.message().isEmpty());
        }
        EXPECT_FALSE(QFileInfo::exists(output()));
    }
}

TEST_F(SampleDecoding, TextRenamedAsMp3IsRefused)
{
    const QString source = files.write(u"notas.mp3"_s, QByteArray("Isto é só texto, sem som algum.\n").repeated(40));
    const QString message = failureOf(source);
    EXPECT_FALSE(message.isEmpty());
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
