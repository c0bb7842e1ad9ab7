// The speech cache runs on the GUI thread during a narration: what a lookup of a part and
// a store (with its trim over every entry) cost as the cache fills up.

#include "Telvora/Session/SpeechCache.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <optional>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray key(qint64 index)
{
    return SpeechCache::partKey(VoiceProvider::openAI, u"gpt-4o-mini-tts"_s, u"marin"_s, u"mp3"_s,
                                u"Parte %1 da narração."_s.arg(index));
}

// A cache folder holding `entries` small parts, written directly: storing them one by one
// would trim after each. The cache over it is made afterwards, so it lists them itself.
struct FilledCache
{
    explicit FilledCache(qint64 entries, qint64 capacity = SpeechCache::defaultCapacity)
    {
        SpeechCache(folder.path()).store(key(0), QByteArray(1024, 'a'));
        const QString first = SpeechCache(folder.path()).entryPath(key(0));
        for (qint64 i = 1; i < entries; ++i)
            QFile::copy(first, SpeechCache(folder.path()).entryPath(key(i)));
        entrySize = QFileInfo(first).size();
        cache.emplace(folder.path(), capacity);
    }
    QTemporaryDir folder;
    qint64 entrySize = 0;
    std::optional<SpeechCache> cache;
};

// Finding a 1 MB part (about a minute of speech): read, checksum, touch.
void FindOnePart(benchmark::State &state)
{
    FilledCache filled(0);
    filled.cache->store(key(-1), QByteArray(1 << 20, 'p'));
    for (auto _ : state)
        benchmark::DoNotOptimize(filled.cache->find(key(-1)));
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(FindOnePart)->Unit(benchmark::kMillisecond);

// Storing a 1 MB part into a cache of N entries; the trim lists and sorts all of them.
void StoreIntoCacheOf(benchmark::State &state)
{
    FilledCache filled(state.range(0));
    const QByteArray part(1 << 20, 'p');
    qint64 next = state.range(0);
    for (auto _ : state)
        filled.cache->store(key(next++), part);
}
BENCHMARK(StoreIntoCacheOf)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(20);

// Storing into a full cache of N entries: every store trims, listing and sorting them all.
void StoreIntoFullCacheOf(benchmark::State &state)
{
    const qint64 entries = state.range(0);
    const qint64 entrySize = FilledCache(1).entrySize;
    FilledCache filled(entries, entries * entrySize);
    qint64 next = entries;
    for (auto _ : state)
        filled.cache->store(key(next++), QByteArray(1024, 'a'));
}
BENCHMARK(StoreIntoFullCacheOf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
