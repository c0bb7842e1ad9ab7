#include "Telvora/Media/AudioSamples.h"
#include "Telvora/Media/AudioWaveform.h"
#include "Telvora/Media/MediaError.h"
#include "Telvora/Media/SampleDecoder.h"
#include "tests/media/MediaFiles.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"
#include "tests/support/SmallFileSystem.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Waveform : public ::testing::Test
{
protected:
    QList<double> waveformOf(const QString &path) { return runTask(AudioSamples::waveform(path)); }

    MediaFiles files;
};

QList<double> allBars(double value) { return QList<double>(AudioWaveform::barCount, value); }

} // namespace

TEST_F(Waveform, BarsFollowTheLevelOfEachSlice)
{
    struct Case
    {
        const char *name;
        QString path;
        QList<double> bars;
    };
    const Case cases[] = {
        {"silence gives the floor", files.expression(u"silencio.wav"_s, u"0"_s, 3), allBars(0.05)},
        {"full-scale square wave", files.expression(u"quadrada.wav"_s, u"sgn(sin(2*PI*440*t))"_s, 3), allBars(1.0)},
        {"quiet tone stays at the floor", files.expression(u"baixo.wav"_s, u"0.01*sin(2*PI*440*t)"_s, 2),
         allBars(0.05)},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.path.isEmpty());
        EXPECT_EQ(waveformOf(row.path), row.bars);
    }
}

TEST_F(Waveform, EachBarLooksAtTheStartOfItsSlice)
{
    // A ramp from 1 down to 0 over 128 000 frames: each slice's first 2048 frames peak at
    // the slice's start.
    const QString path = files.expression(u"rampa.wav"_s, u"1-t/(128000/44100)"_s, 128000.0 / 44100);
    ASSERT_FALSE(path.isEmpty());
    const QList<double> bars = waveformOf(path);
    ASSERT_EQ(bars.size(), 64);
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(bars[i], std::max(0.05, 1.0 - i / 64.0), 0.001) << "bar " << i;
}

TEST_F(Waveform, FileShorterThanOneBarsWindow)
{
    // 1000 frames falling from 1: bar 0 sees the whole file, bar i starts at i·1000/64.
    const QString path = files.expression(u"curto.wav"_s, u"1-t/(1000/44100)"_s, 1000.0 / 44100);
    ASSERT_FALSE(path.isEmpty());
    const QList<double> bars = waveformOf(path);
    ASSERT_EQ(bars.size(), 64);
    for (int i = 0; i < 64; ++i) {
        const double start = std::floor(i * 1000.0 / 64);
        EXPECT_NEAR(bars[i], std::max(0.05, 1.0 - start / 1000.0), 0.002) << "bar " << i;
    }
}

TEST_F(Waveform, CompressedRecordingIsReadBySeeking)
{
    const QString path =
        files.make(u"meia.mp3"_s, {u"-f"_s, u"lavfi"_s, u"-i"_s, u"aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=20"_s});
    ASSERT_FALSE(path.isEmpty());
    const QList<double> bars = waveformOf(path);
    ASSERT_EQ(bars.size(), 64);
    for (double bar : bars)
        EXPECT_NEAR(bar, 0.5, 0.03);
}

TEST_F(Waveform, UnreadableFilesHaveNoBars)
{
    QList<MediaFiles::NamedFile> cases = files.withoutPlayableAudio();
    cases.append({"missing file", files.path(u"nada.wav"_s)});
    for (const MediaFiles::NamedFile &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(waveformOf(row.path).isEmpty());
    }
}

namespace {

class Joining : public ::testing::Test
{
protected:
    struct Part
    {
        QString name;
        bool loud;
        double seconds;
    };

    QString makePart(const Part &part)
    {
        const QString formula = part.loud ? u"0.5*sin(2*PI*440*t)"_s : u"0"_s;
        return files.make(part.name,
                          {u"-f"_s, u"lavfi"_s, u"-i"_s, u"aevalsrc=%1:s=44100:d=%2"_s.arg(formula).arg(part.seconds),
                           u"-c:a"_s, u"libmp3lame"_s});
    }

    // The joined file decoded to 16 kHz mono samples.
    std::vector<float> decoded(const QString &path)
    {
        const QString samples = files.path(u"check.f32"_s);
        SampleDecoder::decode(path, samples, CancellationToken());
        return MediaFiles::samples(samples);
    }

    static double onsetSeconds(const std::vector<float> &samples)
    {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) > 0.1f)
                return double(i) / 16000;
        }
        return -1;
    }

    QString folder() const { return files.path(u"voz"_s); }

    MediaFiles files;
};

// One AAC frame at 44.1 kHz.
constexpr double aacFrame = 1024.0 / 44100;

} // namespace

TEST_F(Joining, PartsFollowEachOtherInListOrder)
{
    struct Case
    {
        const char *name;
        QList<Part> parts;
        double onset;
    };
    const Case cases[] = {
        {"silence then tone", {{u"parte-0.mp3"_s, false, 2.0}, {u"parte-1.mp3"_s, true, 3.0}}, 2.0},
        {"list order, not name order", {{u"parte-9.mp3"_s, false, 3.0}, {u"parte-10.mp3"_s, true, 2.0}}, 3.0},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(QDir().mkpath(folder()));
        QStringList parts;
        for (const Part &part : row.parts)
            parts.append(makePart(part));
        ASSERT_FALSE(parts.contains(QString()));

        const QString joined = runTask(AudioSamples::join(parts, folder()));
        EXPECT_EQ(joined, QDir(folder()).filePath(u"narracao.m4a"_s));
        EXPECT_EQ(MediaFiles::read(joined).mid(4, 8), QByteArray("ftypM4A "));
        const std::vector<float> samples = decoded(joined);
        EXPECT_NEAR(double(samples.size()) / 16000, 5.0, aacFrame);
        EXPECT_NEAR(onsetSeconds(samples), row.onset, aacFrame);
        ASSERT_TRUE(QDir(folder()).removeRecursively());
    }
}

TEST_F(Joining, InvalidPartsLeaveNoFile)
{
    struct Case
    {
        const char *name;
        QString part;
        QString message;
    };
    const QString empty = files.write(u"vazia.mp3"_s, {});
    const QString text = files.write(u"resposta.mp3"_s, R"({"error": {"message": "quota"}})");
    const Case cases[] = {
        {"video without audio", files.videoWithoutAudio(u"mudo.mp4"_s), u"Uma parte do áudio está inválida."_s},
        {"empty file", empty,
         u"O arquivo "_s + empty + u" não é uma gravação de áudio ou vídeo que o Telvora consiga ler."_s},
        {"a JSON reply saved as MP3", text,
         u"O arquivo "_s + text + u" não é uma gravação de áudio ou vídeo que o Telvora consiga ler."_s},
    };
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QString good = makePart({u"boa.mp3"_s, true, 1.0});
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        try {
            runTask(AudioSamples::join({good, row.part}, folder()));
            ADD_FAILURE() << "joined";
        } catch (const Error &error) {
            EXPECT_EQ(error.message(), row.message);
        }
        EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

TEST_F(Joining, AFullDiskKeepsTheOldNarrationAndSaysSo)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const QString part = makePart({u"parte-0.mp3"_s, true, 1.0});
    const QString joined = disk.filePath(u"narracao.m4a"_s);
    QFile old(joined);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("a narração anterior");
    old.close();
    ASSERT_TRUE(disk.fill());
    try {
        runTask(AudioSamples::join({part, part}, disk.path()));
        ADD_FAILURE() << "joined";
    } catch (const FileError &error) {
        EXPECT_EQ(error.message(), u"Não há espaço livre em disco para gravar "_s + joined + u'.');
    }
    EXPECT_EQ(MediaFiles::read(joined), "a narração anterior");
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{u".filler"_s, u"narracao.m4a"_s}));
}

TEST_F(Joining, UnwritableFolderIsAnError)
{
    const QString part = makePart({u"parte-0.mp3"_s, true, 1.0});
    EXPECT_THROW(runTask(AudioSamples::join({part, part}, files.path(u"sem-pasta"_s))), FileError);
}
