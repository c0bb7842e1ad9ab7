#include "Telvora/Media/FileAudioPlayer.h"
#include "TelvoraCore/Errors/Error.h"
#include "tests/media/MediaFiles.h"
#include "tests/support/QtPrinters.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class Playback : public ::testing::Test
{
protected:
    std::unique_ptr<AudioPlayer> open(const QString &path) { return FileAudioPlayer::factory()(path); }

    // Plays until the player stops by itself; answers the real time it took, in ms.
    static qint64 playToTheEnd(AudioPlayer &player)
    {
        QElapsedTimer clock;
        clock.start();
        player.play();
        if (!QTest::qWaitFor([&] { return !player.isPlaying(); }, 10000))
            return -1;
        return clock.elapsed();
    }

    MediaFiles files;
};

} // namespace

TEST_F(Playback, PlaysAtRealTimeSpeedAndEndsByItself)
{
    const QString path = files.expression(u"curto.wav"_s, u"0.5*sin(2*PI*440*t)"_s, 0.4);
    ASSERT_FALSE(path.isEmpty());
    const auto player = open(path);
    EXPECT_NEAR(player->duration(), 0.4, 0.001);
    EXPECT_FALSE(player->isPlaying());
    const qint64 elapsed = playToTheEnd(*player);
    EXPECT_GE(elapsed, 350);
    // After the end it starts over from the beginning.
    EXPECT_GE(playToTheEnd(*player), 350);
}

TEST_F(Playback, PauseHoldsAndStopRewinds)
{
    const QString path = files.expression(u"medio.wav"_s, u"0.5*sin(2*PI*440*t)"_s, 0.6);
    const auto player = open(path);
    player->play();
    QTest::qWait(200);
    player->pause();
    EXPECT_FALSE(player->isPlaying());
    QTest::qWait(700); // longer than the whole file: paused, it does not advance
    EXPECT_FALSE(player->isPlaying());
    // Resumed, it plays what was left: about 0.4 s, less than the whole file.
    const qint64 rest = playToTheEnd(*player);
    EXPECT_GE(rest, 300);
    EXPECT_LT(rest, 600);

    player->play();
    QTest::qWait(200);
    player->stop();
    EXPECT_FALSE(player->isPlaying());
    EXPECT_GE(playToTheEnd(*player), 550);
}

TEST_F(Playback, MeterReadsTheAveragePowerOfChannelZero)
{
    // Channel 0 a square wave at half scale (−6.02 dB), channel 1 silent.
    const QString path =
        files.make(u"canais.wav"_s,
                   {u"-f"_s, u"lavfi"_s, u"-i"_s, u"aevalsrc=0.5*sgn(sin(2*PI*441*t+0.1))|0:s=44100:d=3"_s, u"-c:a"_s,
                    u"pcm_f32le"_s});
    ASSERT_FALSE(path.isEmpty());
    const auto player = open(path);
    player->setMeteringEnabled(true);
    player->play();
    QTest::qWait(300);
    player->updateMeters();
    EXPECT_NEAR(player->averagePower(), 20 * std::log10(0.5), 0.1);

    player->setMeteringEnabled(false);
    player->updateMeters();
    EXPECT_EQ(player->averagePower(), -160);
    player->stop();
}

// Silent for two seconds, then a half-scale square wave: the meter tells which side of the
// step is playing, so a seek is checked by what it plays, not only by what it reports.
TEST_F(Playback, SeekingPlaysFromTheNewPositionInEveryFormat)
{
    const QStringList step{u"-f"_s, u"lavfi"_s, u"-i"_s,
                           u"aevalsrc=if(lt(t\\,2)\\,0\\,0.5*sgn(sin(2*PI*441*t+0.1))):s=44100:d=4"_s};
    const QList<std::pair<QString, QStringList>> formats{{u"degrau.wav"_s, {u"-c:a"_s, u"pcm_f32le"_s}},
                                                         {u"degrau.flac"_s, {}},
                                                         {u"degrau.mp3"_s, {u"-b:a"_s, u"192k"_s}}};
    for (const auto &[name, options] : formats) {
        SCOPED_TRACE(name.toStdString());
        const QString path = files.make(name, step + options);
        ASSERT_FALSE(path.isEmpty());
        const auto player = open(path);
        player->setMeteringEnabled(true);
        const auto levelAfterAWhile = [&player] {
            QTest::qWait(250);
            player->updateMeters();
            return player->averagePower();
        };

        player->play();
        EXPECT_LT(levelAfterAWhile(), -60) << "the silent start";
        player->seek(2.5);
        EXPECT_TRUE(player->isPlaying()) << "a seek keeps playing";
        EXPECT_NEAR(player->position(), 2.5, 0.05);
        EXPECT_NEAR(levelAfterAWhile(), 20 * std::log10(0.5), 1.0) << "the square after the step";
        EXPECT_GT(player->position(), 2.5);
        EXPECT_LT(player->position(), 3.5);

        player->seek(0.5);
        EXPECT_LT(levelAfterAWhile(), -60) << "back before the step";
        player->pause();
        const double paused = player->position();
        QTest::qWait(200);
        EXPECT_DOUBLE_EQ(player->position(), paused) << "a paused player stands still";

        // Paused, a seek moves without playing; the next play starts there.
        player->seek(3.7);
        EXPECT_FALSE(player->isPlaying());
        EXPECT_NEAR(player->position(), 3.7, 0.001);
        const qint64 rest = playToTheEnd(*player);
        EXPECT_LT(rest, 1000) << "only the last 0.3 s were left";
        EXPECT_DOUBLE_EQ(player->position(), 0) << "the end goes back to the start";

        player->seek(99);
        EXPECT_NEAR(player->position(), player->duration(), 0.001);
        player->seek(-3);
        EXPECT_DOUBLE_EQ(player->position(), 0);
        player->stop();
    }
}

TEST_F(Playback, FilesWithoutPlayableAudioAreRefused)
{
    for (const MediaFiles::NamedFile &row : files.withoutPlayableAudio()) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(open(row.path), Error);
    }
}
