// The reader following a recording, at 1 000, 10 000 and 100 000 segments (the most a
// transcript may have): one poll that moves the mark, a keystroke in the marked paragraph,
// and anchoring the segments when the text is shown.

#include "ReaderBench.h"

#include "Telvora/Interface/Reader/TranscriptFollower.h"
#include "tests/media/FakeAudioPlayer.h"

#include <QFile>
#include <QTest>

using namespace telvora;
using namespace telvora::bench;

namespace {

// A transcript opened with its recording beside it, played by a player that takes no time.
struct FollowingReader : Reader
{
    test::FakeAudioPlayers players;
    std::shared_ptr<test::FakeAudioPlayer::State> player;

    explicit FollowingReader(qsizetype segments)
    {
        players.duration = double(segments) * 4;
        workflows.playback().setAudioPlayerFactory(players.factory());
        const QString path = folder.filePath(u"entrevista.json"_s);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(transcript(segments));
        file.close();
        QFile(folder.filePath(u"entrevista.wav"_s)).open(QIODevice::WriteOnly);
        QCoro::waitFor(workflows.document().importFile(QUrl::fromLocalFile(path)));
        // A long transcript is built between events, and anchored once all of it is in.
        finishLayout();
        player = players.made.value(folder.filePath(u"entrevista.wav"_s));
        if (!player)
            qFatal("the transcript did not open with its recording: %s",
                   qPrintable(session.errorMessage().value_or(session.status())));
        workflows.playback().playSourceFrom(double(segments) * 2 + 1);
        QApplication::processEvents();
    }

    TranscriptFollower &follower() const { return *view.follower(); }
};

void segmentCounts(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
}

// The recording moves on to the next segment: the mark moves, the view follows.
void pollMovingTheMark(benchmark::State &state)
{
    FollowingReader reader(state.range(0));
    qsizetype segment = state.range(0) / 2;
    for (auto _ : state) {
        // Through every segment of the second half, then again from its middle.
        segment = segment + 1 < state.range(0) ? segment + 1 : state.range(0) / 2;
        reader.player->position = double(segment) * 4 + 1;
        reader.follower().refresh();
        QApplication::processEvents();
        if (reader.follower().markedSegment() != segment)
            state.SkipWithError("the mark did not move");
    }
}
BENCHMARK(pollMovingTheMark)->Apply(segmentCounts);

// A letter typed in the marked paragraph while the recording plays.
// Types a letter in the paragraph being spoken, with the recording playing or stopped.
void typeInTheSpokenParagraph(benchmark::State &state, bool following)
{
    FollowingReader reader(state.range(0));
    const QTextBlock marked = reader.text()->document()->findBlockByNumber(int(*reader.follower().markedSegment()) * 2);
    if (!following)
        reader.workflows.playback().stopSource();
    reader.placeCaret(marked.position() + 10);
    for (auto _ : state) {
        QTest::keyClick(reader.text(), Qt::Key_A);
        QApplication::processEvents();
    }
}

void typeInTheMarkedParagraph(benchmark::State &state) { typeInTheSpokenParagraph(state, true); }
BENCHMARK(typeInTheMarkedParagraph)->Apply(segmentCounts);

// The same keystroke with the recording stopped, nothing marked: what following adds is the
// difference.
void typeWithoutFollowing(benchmark::State &state) { typeInTheSpokenParagraph(state, false); }
BENCHMARK(typeWithoutFollowing)->Apply(segmentCounts);

// Anchoring every segment to its paragraph, as when the transcript is shown again.
void anchorTheSegments(benchmark::State &state)
{
    FollowingReader reader(state.range(0));
    for (auto _ : state)
        reader.follower().reattach();
}
BENCHMARK(anchorTheSegments)->Apply(segmentCounts);

} // namespace

int main(int argc, char *argv[]) { return telvora::bench::runBenchmarks(argc, argv); }
