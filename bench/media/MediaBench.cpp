// Decoding for transcription, the waveform and the narration join, each beside the ffmpeg
// command doing the same work on the same input. The inputs are generated once in
// /tmp/telvora-media-bench (a 60-minute stereo MP3, a 2-hour recording, 20 one-minute parts).

#include "Telvora/Media/AudioJoiner.h"
#include "Telvora/Media/AudioWaveform.h"
#include "Telvora/Media/SampleDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString folder = u"/tmp/telvora-media-bench"_s;

QString at(const QString &name) { return folder + u'/' + name; }

bool run(const QString &command) { return std::system(command.toUtf8().constData()) == 0; }

const QString ffmpeg = u"ffmpeg -hide_banner -nostdin -loglevel error -y "_s;

// Makes the inputs that are not there yet.
bool prepareInputs()
{
    QDir().mkpath(folder);
    if (!QFileInfo::exists(at(u"hora.mp3"_s))
        && !run(ffmpeg
                + u"-f lavfi -i 'sine=frequency=440:sample_rate=44100:duration=3600' "
                  u"-f lavfi -i 'anoisesrc=color=pink:amplitude=0.05:sample_rate=44100:duration=3600' "
                  u"-filter_complex '[0][1]amix=inputs=2,aformat=channel_layouts=stereo' "
                  u"-c:a libmp3lame -b:a 128k "_s
                + at(u"hora.mp3"_s)))
        return false;
    if (!QFileInfo::exists(at(u"duas-horas.mp3"_s))) {
        QFile list(at(u"duas-horas.txt"_s));
        if (!list.open(QIODevice::WriteOnly))
            return false;
        list.write(QStringLiteral("file '%1'\nfile '%1'\n").arg(at(u"hora.mp3"_s)).toUtf8());
        list.close();
        if (!run(ffmpeg + u"-f concat -safe 0 -i "_s + list.fileName() + u" -c copy "_s + at(u"duas-horas.mp3"_s)))
            return false;
    }
    if (!QFileInfo::exists(at(u"parte-19.mp3"_s))) {
        if (!run(ffmpeg + u"-ss 600 -t 60 -i "_s + at(u"hora.mp3"_s) + u" -ac 1 -c:a libmp3lame -b:a 128k "_s
                 + at(u"parte-0.mp3"_s)))
            return false;
        for (int i = 1; i < 20; ++i)
            QFile::copy(at(u"parte-0.mp3"_s), at(u"parte-%1.mp3"_s.arg(i)));
    }
    return true;
}

QStringList parts()
{
    QStringList list;
    for (int i = 0; i < 20; ++i)
        list.append(at(u"parte-%1.mp3"_s.arg(i)));
    return list;
}

// The peak resident memory, in MiB, of a child process that decodes `argument` once.
double childPeakMiB(const std::string &program, const std::string &argument)
{
    const pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), "--decode-once", argument.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

std::string self;

void decodeSamples(benchmark::State &state)
{
    for (auto _ : state)
        SampleDecoder::decode(at(u"hora.mp3"_s), at(u"ours.f32"_s), CancellationToken());
    state.counters["peak_MiB"] = childPeakMiB(self, at(u"hora.mp3"_s).toStdString());
}

double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The machine is shared, so the command's CPU time (its own, not the benchmark's) is
// reported beside the wall time: compare it with the CPU column of ours.
void runCommand(benchmark::State &state, const QString &command)
{
    const double before = childrenCpuMs();
    for (auto _ : state)
        run(command);
    state.counters["command_cpu_ms"] = (childrenCpuMs() - before) / double(state.iterations());
}

void decodeSamplesWithCommand(benchmark::State &state)
{
    runCommand(state, ffmpeg + u"-i "_s + at(u"hora.mp3"_s) + u" -ac 1 -ar 16000 -f f32le "_s + at(u"command.f32"_s));
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["children_peak_MiB"] = double(usage.ru_maxrss) / 1024.0;
}

void waveformOfTwoHours(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(AudioWaveform::bars(at(u"duas-horas.mp3"_s)));
}

void joinTwentyParts(benchmark::State &state)
{
    const QStringList list = parts();
    for (auto _ : state)
        AudioJoiner::join(list, at(u"ours.m4a"_s), NarrationTags(), CancellationToken());
}

void joinTwentyPartsWithCommand(benchmark::State &state)
{
    QFile list(at(u"partes.txt"_s));
    list.open(QIODevice::WriteOnly);
    for (const QString &part : parts())
        list.write(QStringLiteral("file '%1'\n").arg(part).toUtf8());
    list.close();
    const QString command =
        ffmpeg + u"-f concat -safe 0 -i "_s + list.fileName() + u" -c:a aac -b:a 64k -f ipod "_s + at(u"command.m4a"_s);
    for (auto _ : state)
        run(command);
}

} // namespace

BENCHMARK(decodeSamples)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(decodeSamplesWithCommand)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(waveformOfTwoHours)->Unit(benchmark::kMillisecond);
BENCHMARK(joinTwentyParts)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(joinTwentyPartsWithCommand)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char **argv)
{
    // The child of the memory measurement: one decode and nothing else.
    if (argc == 3 && std::strcmp(argv[1], "--decode-once") == 0) {
        SampleDecoder::decode(QString::fromLocal8Bit(argv[2]), at(u"peak.f32"_s), CancellationToken());
        return 0;
    }
    self = argv[0];
    if (!prepareInputs()) {
        std::fprintf(stderr, "could not generate the inputs with ffmpeg\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
