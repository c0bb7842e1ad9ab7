// How much the transcription bridge adds on top of decoding, for a 60-minute recording:
// the time from transcribe() to the worker's first instruction, against decoding alone.
// The recording (stereo 44.1 kHz MP3) is made once in /tmp with the ffmpeg command.

#include "Telvora/Transcription/AudioPreparation.h"
#include "Telvora/Transcription/LocalTranscriber.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString recording = u"/tmp/telvora-bench-60min.mp3"_s;

bool ensureRecording()
{
    if (QFile::exists(recording))
        return true;
    std::fprintf(stderr, "making %s…\n", qPrintable(recording));
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s,
                 {u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                  u"sine=frequency=220:sample_rate=44100:duration=3600"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                  u"anoisesrc=color=pink:sample_rate=44100:amplitude=0.1:duration=3600"_s, u"-filter_complex"_s,
                  u"[0][1]amerge=inputs=2"_s, u"-ac"_s, u"2"_s, u"-b:a"_s, u"128k"_s, recording});
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0;
}

qint64 nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A runtime whose interpreter notes the wall-clock time it started at and writes an empty
// transcript, so that the run measures the bridge and not a transcription.
class StampingRuntime
{
public:
    StampingRuntime()
    {
        QDir().mkpath(m_folder.filePath(u"bin"_s));
        QFile interpreter(m_folder.filePath(u"bin/python3.13"_s));
        interpreter.open(QIODevice::WriteOnly);
        interpreter.write("#!/bin/sh\ndate +%s%N > \"$(dirname \"$0\")/../started\"\n"
                          "output=$(sed 's/.*\"output\":\"\\([^\"]*\\)\".*/\\1/' \"$4\")\n"
                          "echo '[]' > \"$output\"\n");
        interpreter.close();
        interpreter.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TELVORA_TRANSCRIPTION_RUNTIME", m_folder.path().toUtf8());
    }

    qint64 started() const
    {
        QFile stamp(m_folder.filePath(u"started"_s));
        return stamp.open(QIODevice::ReadOnly) ? stamp.readAll().trimmed().toLongLong() : 0;
    }

private:
    QTemporaryDir m_folder;
};

void decodeOnly(benchmark::State &state)
{
    if (!ensureRecording()) {
        state.SkipWithError("could not make the recording");
        return;
    }
    QTemporaryDir folder;
    const QString destination = folder.filePath(u"audio.f32"_s);
    for (auto _ : state) {
        telvora::LocalTranscriber::decode(recording, destination, telvora::CancellationToken());
        QFile::remove(destination);
    }
}

void transcribeUntilWorkerStarts(benchmark::State &state)
{
    if (!ensureRecording()) {
        state.SkipWithError("could not make the recording");
        return;
    }
    StampingRuntime runtime;
    const telvora::LocalTranscriptionOptions options{u"small"_s, u"pt"_s, {}, false, 0, {}, {}, {}};
    for (auto _ : state) {
        const qint64 begin = nowNanoseconds();
        bool finished = false;
        QEventLoop loop;
        QCoro::connect(telvora::LocalTranscriber::transcribe(recording, options, telvora::CancellationToken()), &loop,
                       [&](const QByteArray &) {
                           finished = true;
                           loop.quit();
                       });
        if (!finished)
            loop.exec();
        state.SetIterationTime(static_cast<double>(runtime.started() - begin) / 1e9);
    }
}

} // namespace

// The machine is shared: the process's CPU time (every thread) is the steadier figure, wall
// time the one a user feels.
BENCHMARK(decodeOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
BENCHMARK(transcribeUntilWorkerStarts)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime()
    ->MeasureProcessCPUTime();

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
