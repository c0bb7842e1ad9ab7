#include "TelvoraCore/Transcript/Transcript.h"
#include "tests/media/FakeAudioPlayer.h"
#include "tests/media/MediaFiles.h"
#include "tests/session/state/SessionFixture.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <cmath>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

class SessionPlayback : public SessionFixture
{
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        makeSession();
        workflows->playback().setAudioPlayerFactory(players.factory());
    }

    // Opens a recording with a fake player; answers that player's state.
    std::shared_ptr<FakeAudioPlayer::State> openRecording(const QString &name = u"entrevista.mp3"_s)
    {
        const QString path = files.write(name, "not decoded by the fake player");
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
        return players.made.value(path);
    }

    // Installs a narration player as the narration workflow does, playing.
    std::shared_ptr<FakeAudioPlayer::State> playNarration()
    {
        auto state = players.make(30);
        workflows->playback().installVoicePlayer(std::make_unique<FakeAudioPlayer>(state));
        workflows->playback().voicePlayer()->play();
        session->setVoicePlaying(true);
        return state;
    }

    // Waits for `passes` more passes of the meter loop over `player`.
    static bool waitForPasses(const FakeAudioPlayer::State &player, int passes = 1)
    {
        const int target = player.meterUpdates + passes;
        return QTest::qWaitFor([&] { return player.meterUpdates >= target; }, 2000);
    }

    FakeAudioPlayers players;
    MediaFiles files;
};

} // namespace

TEST_F(SessionPlayback, RecordingGetsAMeteredPlayerAndItsDuration)
{
    players.duration = 12.5;
    QSignalSpy playerChanges(&workflows->playback(), &Playback::sourcePlayerChanged);
    const auto player = openRecording();
    ASSERT_TRUE(player);
    EXPECT_EQ(workflows->playback().sourcePlayer() != nullptr, true);
    EXPECT_TRUE(player->metering);
    EXPECT_EQ(session->duration(), 12.5);
    EXPECT_EQ(session->status(), u"Áudio aberto"_s);
    EXPECT_EQ(playerChanges.count(), 1);
}

TEST_F(SessionPlayback, UnplayableRecordingOpensWithoutPlayer)
{
    players.refused = true;
    openRecording();
    EXPECT_EQ(workflows->playback().sourcePlayer(), nullptr);
    EXPECT_EQ(session->duration(), 0);
    EXPECT_EQ(session->status(), u"Áudio aberto"_s);
    EXPECT_FALSE(session->errorMessage());
    workflows->playback().toggleSource();
    EXPECT_FALSE(session->sourcePlaying());
}

TEST_F(SessionPlayback, TextSourceHasNoTransport)
{
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(files.write(u"notas.txt"_s, "texto"))));
    EXPECT_EQ(workflows->playback().sourcePlayer(), nullptr);
    EXPECT_TRUE(players.made.isEmpty());
    workflows->playback().toggleSource();
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(session->meterLevel(), 0);
}

TEST_F(SessionPlayback, PlayPauseAndStop)
{
    const auto player = openRecording();
    workflows->playback().toggleSource();
    EXPECT_TRUE(session->sourcePlaying());
    EXPECT_TRUE(player->playing);
    workflows->playback().toggleSource();
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(player->pauses, 1);
    EXPECT_FALSE(player->playing);
    workflows->playback().toggleSource();
    workflows->playback().stopSource();
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(player->stops, 1);
    EXPECT_EQ(player->plays, 2);
}

TEST_F(SessionPlayback, MeterShowsTheLevelOfWhatPlays)
{
    struct Case
    {
        const char *name;
        double decibels;
        double level;
    };
    const Case cases[] = {
        {"full scale", 0, 1.0},
        {"minus 30 dB", -30, 0.1},
        {"minus 60 dB", -60, 0.01},
    };
    const auto player = openRecording();
    workflows->playback().toggleSource();
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        player->power = row.decibels;
        ASSERT_TRUE(waitForPasses(*player, 2));
        EXPECT_NEAR(session->meterLevel(), row.level, 1e-12);
    }
}

TEST_F(SessionPlayback, MeterWritesOnlyChanges)
{
    const auto player = openRecording();
    player->power = -30;
    QSignalSpy levels(session, &Session::meterLevelChanged);
    workflows->playback().toggleSource();
    ASSERT_TRUE(waitForPasses(*player, 4));
    EXPECT_EQ(levels.count(), 1);
}

TEST_F(SessionPlayback, EndOfPlaybackIsNoticedWithinOnePass)
{
    const auto player = openRecording();
    player->power = -30;
    workflows->playback().toggleSource();
    ASSERT_TRUE(waitForPasses(*player, 2));
    ASSERT_GT(session->meterLevel(), 0);

    player->playing = false; // the player reached the end of the file
    ASSERT_TRUE(waitForPasses(*player));
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_EQ(session->meterLevel(), 0);
    // Nothing plays: the loop has ended.
    const int passes = player->meterUpdates;
    QTest::qWait(250);
    EXPECT_EQ(player->meterUpdates, passes);
}

TEST_F(SessionPlayback, SourceAndNarrationExcludeEachOther)
{
    const auto source = openRecording();
    source->power = -60;
    const auto voice = playNarration();
    voice->power = 0;
    workflows->playback().startAudioPoll();
    ASSERT_TRUE(waitForPasses(*voice));
    EXPECT_EQ(session->meterLevel(), 1.0);

    workflows->playback().toggleSource();
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_FALSE(voice->playing);
    EXPECT_EQ(voice->pauses, 1);
    EXPECT_TRUE(session->sourcePlaying());
    ASSERT_TRUE(waitForPasses(*source, 2));
    EXPECT_NEAR(session->meterLevel(), 0.01, 1e-12);
}

TEST_F(SessionPlayback, NarrationEndingClearsItsFlag)
{
    const auto voice = playNarration();
    workflows->playback().startAudioPoll();
    voice->playing = false;
    ASSERT_TRUE(waitForPasses(*voice));
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_EQ(session->meterLevel(), 0);
}

TEST_F(SessionPlayback, OpeningAnotherFileResetsAllAudio)
{
    const auto source = openRecording();
    source->power = -30;
    const auto voice = playNarration();
    workflows->playback().toggleSource();
    ASSERT_TRUE(waitForPasses(*source));
    QSignalSpy sourceChanges(&workflows->playback(), &Playback::sourcePlayerChanged);
    QSignalSpy voiceChanges(&workflows->playback(), &Playback::voicePlayerChanged);

    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(files.write(u"notas.txt"_s, "texto"))));
    EXPECT_EQ(workflows->playback().sourcePlayer(), nullptr);
    EXPECT_EQ(workflows->playback().voicePlayer(), nullptr);
    EXPECT_FALSE(source->alive);
    EXPECT_FALSE(voice->alive);
    EXPECT_GE(source->stops, 1);
    EXPECT_GE(voice->stops, 1);
    EXPECT_FALSE(session->sourcePlaying());
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_EQ(session->meterLevel(), 0);
    EXPECT_EQ(sourceChanges.count(), 1);
    EXPECT_EQ(voiceChanges.count(), 1);
}

TEST_F(SessionPlayback, DiscardingTheNarrationStopsItsPlayer)
{
    const auto voice = playNarration();
    session->setOutputText(u"outro documento"_s);
    EXPECT_EQ(workflows->playback().voicePlayer(), nullptr);
    EXPECT_FALSE(voice->alive);
    EXPECT_EQ(voice->stops, 1);
    EXPECT_FALSE(session->voicePlaying());
}

TEST_F(SessionPlayback, StoppingTheLoopZeroesTheLevel)
{
    const auto player = openRecording();
    player->power = 0;
    workflows->playback().toggleSource();
    ASSERT_EQ(session->meterLevel(), 1.0);
    workflows->playback().stopAudioPoll();
    EXPECT_EQ(session->meterLevel(), 0);
    const int passes = player->meterUpdates;
    QTest::qWait(250);
    EXPECT_EQ(player->meterUpdates, passes);
}

TEST_F(SessionPlayback, FactoryAnsweringNothingIsAnError)
{
    workflows->playback().setAudioPlayerFactory([](const QString &) { return std::unique_ptr<AudioPlayer>(); });
    EXPECT_THROW(workflows->playback().openAudioPlayer(u"x.m4a"_s), TelvoraError);
}

// With the program's own player and waveform, on real files.
class RecordingPlayback : public SessionFixture
{
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        makeSession();
    }

    MediaFiles files;
};

TEST_F(RecordingPlayback, WaveformArrivesForTheOpenedRecording)
{
    const QString path = files.expression(u"quadrada.wav"_s, u"sgn(sin(2*PI*440*t))"_s, 2);
    ASSERT_FALSE(path.isEmpty());
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
    EXPECT_NEAR(session->duration(), 2.0, 0.001);
    ASSERT_NE(workflows->playback().sourcePlayer(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session->waveform().isEmpty(); }, 5000));
    EXPECT_EQ(session->waveform(), QList<double>(64, 1.0));
}

TEST_F(RecordingPlayback, LateWaveformOfAnEarlierFileIsDropped)
{
    const QString first = files.expression(u"quadrada.wav"_s, u"sgn(sin(2*PI*440*t))"_s, 2);
    const QString second = files.expression(u"baixa.wav"_s, u"0.1*sin(2*PI*440*t)"_s, 2);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    QSignalSpy waveforms(session, &Session::waveformChanged);
    // A recording opens without reading anything off the thread, so the second replaces the
    // first before the first's waveform can arrive.
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(first)));
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(second)));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session->waveform().isEmpty(); }, 5000));
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(100);
    EXPECT_EQ(waveforms.count(), 1);
    EXPECT_NE(session->waveform(), QList<double>(64, 1.0)) << "the square wave's bars are the first file's";
}

// Under its own name or the one the export proposes, a transcript beside its recording
// gets the recording's player, duration and waveform, while the source stays the transcript.
TEST_F(RecordingPlayback, ATranscriptBesideItsRecordingGetsItsPlayerAndWaveform)
{
    const QString recording = files.expression(u"aula.wav"_s, u"sgn(sin(2*PI*440*t))"_s, 2);
    ASSERT_FALSE(recording.isEmpty());
    for (const QString &name : {u"aula.json"_s, u"aula-wav-original.json"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QString transcript = files.write(name, Transcript::encode({{u"Ana"_s, 0, 2, u"Oi."_s}}));
        test::runTask(workflows->document().importFile(QUrl::fromLocalFile(transcript)));
        EXPECT_EQ(session->sourceURL(), QUrl::fromLocalFile(transcript));
        EXPECT_EQ(session->sourceText(), u"[00:00:00 - 00:00:02] Ana: Oi."_s);
        ASSERT_NE(workflows->playback().sourcePlayer(), nullptr);
        EXPECT_NEAR(session->duration(), 2.0, 0.001);
        EXPECT_EQ(session->status(), u"Transcrição aberta com a gravação"_s);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !session->waveform().isEmpty(); }, 5000));
        EXPECT_EQ(session->waveform(), QList<double>(64, 1.0));
        QFile::remove(transcript);
    }
}

TEST_F(RecordingPlayback, PlayingToTheEndStopsAndDropsTheNeedle)
{
    const QString path = files.expression(u"curto.wav"_s, u"0.5*sin(2*PI*440*t)"_s, 0.5);
    test::runTask(workflows->document().importFile(QUrl::fromLocalFile(path)));
    ASSERT_NE(workflows->playback().sourcePlayer(), nullptr);
    workflows->playback().toggleSource();
    // The first pass comes before any sample was played.
    ASSERT_TRUE(QTest::qWaitFor([this] { return session->meterLevel() > 0.1; }, 2000));
    // A sine at half scale: −9 dB average power, level 10^(−9.03/30).
    EXPECT_NEAR(session->meterLevel(), std::pow(10.0, 20 * std::log10(0.5 / std::sqrt(2.0)) / 30), 0.01);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !session->sourcePlaying(); }, 5000));
    EXPECT_EQ(session->meterLevel(), 0);
}
