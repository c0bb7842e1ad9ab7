// Opening a text file in the reader as the program does (reading, decoding, the session,
// replacing the text shown, building the styled document, laying it out and painting): the
// longest time the window cannot answer, from the call that opens the file until the
// document is laid out to its end.

#include "ReaderBench.h"
#include "bench/support/EventLoopStalls.h"

#include <QFile>
#include <QUrl>

using namespace telvora;
using namespace telvora::bench;

namespace {

using Stalls = EventLoopStalls;

bool write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// Opens `path` as the program does and runs the event loop until its text is read, built
// and laid out to its end; the time of day, on the stalls' clock, when it was.
double openAndLayOut(Reader &reader, const QString &path, const Stalls &stalls)
{
    reader.workflows.document().importFile(QUrl::fromLocalFile(path));
    while (reader.session.busy() || !reader.isLaidOut())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return stalls.nowMilliseconds();
}

// Each opening replaces a text of the same length, or a transcript of `segmentsBefore`
// segments, whose paragraphs the reader anchored with a text cursor each.
void openText(benchmark::State &state)
{
    Reader reader;
    const QString book = document(state.range(0));
    const QString texts[] = {reader.folder.filePath(u"livro.txt"_s), reader.folder.filePath(u"outro-livro.txt"_s)};
    const QString transcriptPath = reader.folder.filePath(u"entrevista.json"_s);
    const qsizetype segmentsBefore = state.range(1);
    if (!write(texts[0], book.toUtf8()) || !write(texts[1], (u"Outro livro\n\n"_s + book).toUtf8())
        || (segmentsBefore && !write(transcriptPath, transcript(segmentsBefore)))) {
        state.SkipWithError("could not write the files");
        return;
    }

    Stalls stalls;
    double slowest = 0;
    int next = 0;
    openAndLayOut(reader, texts[next], stalls);
    for (auto _ : state) {
        if (segmentsBefore)
            openAndLayOut(reader, transcriptPath, stalls);
        next = 1 - next;
        stalls.start();
        const double opened = stalls.nowMilliseconds();
        const double laidOut = openAndLayOut(reader, texts[next], stalls);
        stalls.stop();
        state.SetIterationTime(stalls.longestMilliseconds() / 1e3);
        slowest = std::max(slowest, stalls.longestMilliseconds());
        state.counters["laidOutAfter_ms"] = laidOut - opened;
    }
    state.counters["longestStall_ms"] = slowest;
}
BENCHMARK(openText)
    ->ArgNames({"bytes", "segmentsBefore"})
    ->Args({100 << 10, 0})
    ->Args({200 << 10, 0})
    ->Args({1 << 20, 0})
    ->Args({2 << 20, 0})
    ->Args({2 << 20, 3000})
    ->Args({2 << 20, 10000})
    ->Args({2 << 20, 30000})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[]) { return telvora::bench::runBenchmarks(argc, argv); }
