#include "Telvora/Media/AudioSamples.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/media/MediaFiles.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// Published spoken audio: -16 LUFS integrated, true peak at most -1 dBTP.
constexpr double targetLoudness = -16;
constexpr double loudnessTolerance = 0.5;
constexpr double peakCeiling = -1;

class Publishing : public ::testing::Test
{
protected:
    // An MP3 part of `seconds` of an ffmpeg source such as "anoisesrc=amplitude=0.5".
    QString part(const QString &name, const QString &source, double seconds)
    {
        return files.write(name, mp3Of(source + u":sample_rate=44100"_s, seconds));
    }

    QString join(const QStringList &parts, const NarrationTags &tags = {})
    {
        return runTask(AudioSamples::join(parts, folder(), tags));
    }

    QString folder() const { return files.path(u"voz"_s); }

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(folder())); }

    MediaFiles files;
};

QJsonArray chaptersOf(const QString &path) { return probe(path).value(u"chapters"_s).toArray(); }

} // namespace

TEST_F(Publishing, TheWholeNarrationIsBroughtToTheTargetLoudness)
{
    struct Case
    {
        const char *name;
        QList<std::pair<QString, double>> parts; // ffmpeg source, seconds
        QString file;
    };
    const QString quietTone = u"aevalsrc=0.0316*sin(2*PI*440*t)"_s;    // -30 dBFS
    const QString loudNoise = u"anoisesrc=color=pink:amplitude=0.5"_s; // peaks at -6 dBFS
    const QString faintNoise = u"anoisesrc=color=white:amplitude=0.01"_s;
    const QString fullTone = u"aevalsrc=0.99*sin(2*PI*1000*t)"_s;
    // Near-full-scale clicks over quiet noise: the gain the noise needs would clip them, and
    // limiting them takes away much of the loudness first measured.
    const QString clicks = u"aevalsrc=0.1*(random(0)-0.5)+0.9*lt(mod(t\\,0.25)\\,0.0005)"_s;
    const Case cases[] = {
        {"a -30 dBFS tone, then loud noise", {{quietTone, 3}, {loudNoise, 4}}, u"narracao.m4a"_s},
        {"loud noise, then the quiet tone", {{loudNoise, 4}, {quietTone, 3}}, u"narracao.m4a"_s},
        {"faint noise is raised", {{faintNoise, 3}, {faintNoise, 3}}, u"narracao.m4a"_s},
        {"a full-scale tone is lowered", {{fullTone, 3}, {quietTone, 2}}, u"narracao.m4a"_s},
        {"clicks are held under the ceiling", {{clicks, 3}, {clicks, 3}}, u"narracao.m4a"_s},
        {"one part becomes a normalised MP3", {{loudNoise, 5}}, u"narracao.mp3"_s},
        {"clicks in one MP3 part", {{clicks, 5}}, u"narracao.mp3"_s},
        {"one faint part too", {{faintNoise, 5}}, u"narracao.mp3"_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        QStringList parts;
        double seconds = 0;
        for (const auto &[source, length] : row.parts) {
            parts.append(part(u"parte-%1.mp3"_s.arg(parts.size()), source, length));
            seconds += length;
        }
        const QString joined = join(parts);
        EXPECT_EQ(QFileInfo(joined).fileName(), row.file);
        const LoudnessReading loudness = measureLoudness(joined);
        ASSERT_TRUE(loudness.read);
        EXPECT_NEAR(loudness.integrated, targetLoudness, loudnessTolerance);
        EXPECT_LE(loudness.truePeak, peakCeiling);
        EXPECT_NEAR(audioDuration(joined), seconds, 0.1);
        ASSERT_TRUE(QFile::remove(joined));
    }
}

TEST_F(Publishing, ChaptersStartWhereTheirPlaceInAPartIs)
{
    // Parts of 2 s and 3 s: half-way through the second is 3.5 s.
    const QStringList parts{part(u"parte-0.mp3"_s, u"sine=frequency=440"_s, 2),
                            part(u"parte-1.mp3"_s, u"sine=frequency=660"_s, 3)};
    NarrationTags tags;
    tags.chapters = {{u"Título"_s, 0, 0.0},
                     {u"Início da segunda"_s, 1, 0.0},
                     {u"Mesmo lugar"_s, 1, 0.0}, // not after the previous one: left out
                     {u"Meio da segunda"_s, 1, 0.5},
                     {u"Parte que não existe"_s, 7, 0.0}};
    const QJsonArray chapters = chaptersOf(join(parts, tags));
    struct Expected
    {
        QString title;
        double start;
        double end;
    };
    const Expected expected[] = {{u"Título"_s, 0, 2}, {u"Início da segunda"_s, 2, 3.5}, {u"Meio da segunda"_s, 3.5, 5}};
    ASSERT_EQ(chapters.size(), std::size(expected));
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonObject chapter = chapters[i].toObject();
        EXPECT_EQ(chapter[u"tags"_s][u"title"_s].toString(), expected[i].title);
        EXPECT_NEAR(chapter[u"start_time"_s].toString().toDouble(), expected[i].start, 0.001);
        EXPECT_NEAR(chapter[u"end_time"_s].toString().toDouble(), expected[i].end, 0.03);
    }
}

TEST_F(Publishing, TheFirstChapterOpensTheNarration)
{
    const QStringList parts{part(u"parte-0.mp3"_s, u"sine=frequency=440"_s, 2),
                            part(u"parte-1.mp3"_s, u"sine=frequency=660"_s, 2)};
    NarrationTags tags;
    tags.chapters = {{u"Primeiro título dito tarde"_s, 0, 0.4}, {u"Segundo"_s, 1, 0.5}};
    const QJsonArray chapters = chaptersOf(join(parts, tags));
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(chapters[0][u"start_time"_s].toString().toDouble(), 0);
    EXPECT_NEAR(chapters[1][u"start_time"_s].toString().toDouble(), 3, 0.001);
}

TEST_F(Publishing, TagsAndCoverTravelInBothFormats)
{
    const QString cover =
        files.make(u"capa.png"_s, {u"-f"_s, u"lavfi"_s, u"-i"_s, u"color=c=red:s=64x64:d=1"_s, u"-frames:v"_s, u"1"_s});
    ASSERT_FALSE(cover.isEmpty());
    NarrationTags tags;
    tags.title = u"Memórias do mar — “edição”"_s;
    tags.genre = u"Literária"_s;
    tags.date = QDate(2026, 12, 10);
    tags.cover = cover;
    const QString sound = part(u"parte-0.mp3"_s, u"sine=frequency=440"_s, 1);
    const struct
    {
        const char *name;
        QStringList parts;
        QString format;
    } cases[] = {{"M4A", {sound, sound}, u"mov,mp4,m4a,3gp,3g2,mj2"_s}, {"MP3", {sound}, u"mp3"_s}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        const QJsonObject probed = probe(join(row.parts, tags));
        const QJsonObject format = probed[u"format"_s].toObject();
        EXPECT_EQ(format[u"format_name"_s].toString(), row.format);
        const QJsonObject found = format[u"tags"_s].toObject();
        EXPECT_EQ(found[u"title"_s].toString(), tags.title);
        EXPECT_EQ(found[u"genre"_s].toString(), u"Literária"_s);
        EXPECT_EQ(found[u"date"_s].toString(), u"2026-12-10"_s);
        qsizetype audio = 0, pictures = 0;
        for (const QJsonValue &stream : probed[u"streams"_s].toArray()) {
            audio += stream[u"codec_type"_s].toString() == u"audio";
            if (stream[u"disposition"_s][u"attached_pic"_s].toInt() == 1) {
                ++pictures;
                EXPECT_EQ(stream[u"codec_name"_s].toString(), u"png"_s);
            }
        }
        EXPECT_EQ(audio, 1);
        EXPECT_EQ(pictures, 1);
    }
}

TEST_F(Publishing, AMissingCoverFailsAndLeavesNoFile)
{
    const QString sound = part(u"parte-0.mp3"_s, u"sine=frequency=440"_s, 1);
    NarrationTags tags;
    tags.cover = files.path(u"sem-capa.png"_s);
    EXPECT_THROW(join({sound, sound}, tags), FileError);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
