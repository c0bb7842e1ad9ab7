// Opening the largest sources the program accepts (a transcript of 100 000 segments, a
// text of 16 MB) and an hour-long recording: the longest the GUI thread cannot turn its
// event loop, from the call that opens the file until the session holds it (for the
// recording, its player). The reader's own layout is measured by the reader's benchmarks.
// "ReadInLine" does the texts' reading and decoding on the GUI thread, as opening did
// before it moved off it.

#include "Telvora/Session/SourceFile.h"
#include "Telvora/Session/Workflows.h"
#include "TelvoraCore/Transcript/Transcript.h"
#include "bench/support/EventLoopStalls.h"
#include "bench/support/OffscreenBenchmarks.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/InMemoryCredentialBackend.h"
#include "tests/support/RunTask.h"
#include "tests/support/ScriptedUserPrompts.h"

#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

using namespace telvora;
using namespace telvora::bench;
using namespace Qt::Literals::StringLiterals;

namespace {

enum Source : int64_t { transcript, text, recording };

QByteArray transcriptBytes()
{
    QByteArray bytes = "[";
    for (int i = 0; i < SourceFile::mostSegments; ++i)
        bytes += QByteArray(i ? "," : "") + R"({"locutor":"Ana","inicio":)" + QByteArray::number(i) + R"(,"fim":)"
            + QByteArray::number(i + 1) + R"(,"texto":"Um trecho da conversa gravada, o de número )"
            + QByteArray::number(i) + R"(."})";
    return bytes + ']';
}

QByteArray textBytes()
{
    const QByteArray line = "Uma linha de notas da reunião, com acentuação e pontuação.\n";
    QByteArray bytes = line.repeated(SourceFile::largestTextBytes / line.size());
    return bytes.leftJustified(SourceFile::largestTextBytes, '.');
}

struct Opening
{
    explicit Opening(Source source)
        : path(folder.filePath(fileName(source)))
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(source == transcript ? transcriptBytes() : source == text ? textBytes() : test::mp3Tone(3600));
    }

    static QString fileName(Source source)
    {
        return source == transcript ? u"longa.json"_s : source == text ? u"longo.txt"_s : u"entrevista.mp3"_s;
    }

    QTemporaryDir folder;
    QSettings settings{folder.filePath(u"Telvora.ini"_s), QSettings::IniFormat};
    test::InMemoryCredentialBackend credentials;
    test::ScriptedUserPrompts prompts;
    Workflows workflows{{settings, credentials, prompts, ProviderEndpoints::defaults()}};
    QString path;
};

void OpenFile(benchmark::State &state)
{
    Opening opening(Source(state.range(0)));
    EventLoopStalls stalls;
    double slowest = 0;
    for (auto _ : state) {
        opening.workflows.session().setSourceText(QString());
        stalls.start();
        test::runTask(opening.workflows.document().importFile(QUrl::fromLocalFile(opening.path)));
        stalls.stop();
        state.SetIterationTime(stalls.longestMilliseconds() / 1e3);
        slowest = std::max(slowest, stalls.longestMilliseconds());
    }
    if (opening.workflows.session().errorMessage())
        state.SkipWithError(opening.workflows.session().errorMessage()->toStdString().c_str());
    state.counters["slowest_ms"] = slowest;
}
BENCHMARK(OpenFile)->Arg(transcript)->Arg(text)->Arg(recording)->UseManualTime()->Unit(benchmark::kMillisecond);

// The reading and decoding alone, in one stretch on the GUI thread.
void ReadInLine(benchmark::State &state)
{
    Opening opening(Source(state.range(0)));
    for (auto _ : state) {
        const QByteArray bytes = SourceFile::readText(opening.path);
        if (state.range(0) == transcript)
            benchmark::DoNotOptimize(Transcript::decode(bytes, true));
        else if (QUtf8StringView(bytes).isValidUtf8())
            benchmark::DoNotOptimize(QString::fromUtf8(bytes));
    }
}
BENCHMARK(ReadInLine)->Arg(transcript)->Arg(text)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[]) { return telvora::bench::runOffscreenBenchmarks<QGuiApplication>(argc, argv); }
