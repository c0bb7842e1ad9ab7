// Opening a text file in the reader as the program does (reading, decoding, the session,
// building the styled document, laying it out and painting): the longest time the window
// cannot answer, from the call that opens the file until the document is laid out to its end.

#include "ReaderBench.h"
#include "bench/support/EventLoopStalls.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QUrl>

using namespace telvora;
using namespace telvora::bench;

namespace {

using Stalls = EventLoopStalls;

// Runs the event loop until the document's layout has stopped growing for a while: Qt
// lays out the rest of a long text in steps of up to 200 000 characters, 10 ms apart, and
// on a loaded machine one step can take a few hundred milliseconds.
double runUntilLaidOut(const Reader &reader, const Stalls &stalls)
{
    QAbstractTextDocumentLayout *layout = reader.text()->document()->documentLayout();
    double lastChange = stalls.nowMilliseconds();
    const QMetaObject::Connection watch = QObject::connect(layout, &QAbstractTextDocumentLayout::documentSizeChanged,
                                                           [&] { lastChange = stalls.nowMilliseconds(); });
    const QMetaObject::Connection painted =
        QObject::connect(layout, &QAbstractTextDocumentLayout::update, [&] { lastChange = stalls.nowMilliseconds(); });
    constexpr double quiet = 1500;
    while (stalls.nowMilliseconds() - lastChange < quiet)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(watch);
    QObject::disconnect(painted);
    return lastChange;
}

void openText(benchmark::State &state)
{
    Reader reader;
    const QString path = reader.folder.filePath(u"livro.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(document(state.range(0)).toUtf8()) < 0) {
        state.SkipWithError("could not write the text file");
        return;
    }
    file.close();

    Stalls stalls;
    double slowest = 0;
    double slowestOpening = 0; // the call that opens the file, before the first turn
    for (auto _ : state) {
        stalls.start();
        const double opened = stalls.nowMilliseconds();
        reader.workflows.document().importFile(QUrl::fromLocalFile(path));
        slowestOpening = std::max(slowestOpening, stalls.nowMilliseconds() - opened);
        const double laidOut = runUntilLaidOut(reader, stalls);
        stalls.stop();
        state.SetIterationTime(stalls.longestMilliseconds() / 1e3);
        slowest = std::max(slowest, stalls.longestMilliseconds());
        state.counters["laidOutAfter_ms"] = std::max(0.0, laidOut - opened);
        // The next opening replaces a document, as opening another file does.
        reader.session.setSourceText(QString());
        QApplication::processEvents();
    }
    state.counters["longestStall_ms"] = slowest;
    state.counters["openingCall_ms"] = slowestOpening;
    state.counters["bytes"] = double(state.range(0));
}
BENCHMARK(openText)->Arg(100 << 10)->Arg(200 << 10)->Arg(1 << 20)->Arg(2 << 20)->UseManualTime()->Unit(
    benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[]) { return telvora::bench::runBenchmarks(argc, argv); }
