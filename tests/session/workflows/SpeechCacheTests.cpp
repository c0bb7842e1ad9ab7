#include "Telvora/Session/SpeechCache.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/SmallFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

class SpeechCacheTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return QDir(temporary.path()).filePath(name); }

    static QByteArray key(const char *text) { return SpeechCache::scriptKey(u"m"_s, u"i"_s, QString::fromUtf8(text)); }

    static void setLastUse(const QString &file, int minutesAgo)
    {
        QFile entry(file);
        ASSERT_TRUE(entry.open(QIODevice::ReadWrite));
        ASSERT_TRUE(entry.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo),
                                      QFileDevice::FileModificationTime));
    }

    QTemporaryDir temporary;
};

} // namespace

TEST_F(SpeechCacheTest, KeysTellEveryFieldApart)
{
    const auto part = [](VoiceProvider provider, const char *model, const char *voice, const char *format,
                         const char *text) {
        return SpeechCache::partKey(provider, QString::fromUtf8(model), QString::fromUtf8(voice),
                                    QString::fromUtf8(format), QString::fromUtf8(text));
    };
    const QByteArray base = part(VoiceProvider::openAI, "tts", "marin", "mp3", "Olá.");
    EXPECT_EQ(base.size(), 32);
    EXPECT_EQ(base, part(VoiceProvider::openAI, "tts", "marin", "mp3", "Olá."));

    struct Case
    {
        const char *name;
        QByteArray other;
    };
    const Case cases[] = {
        {"provider", part(VoiceProvider::elevenLabs, "tts", "marin", "mp3", "Olá.")},
        {"model", part(VoiceProvider::openAI, "tts-1", "marin", "mp3", "Olá.")},
        {"voice", part(VoiceProvider::openAI, "tts", "coral", "mp3", "Olá.")},
        {"format", part(VoiceProvider::openAI, "tts", "marin", "mp3_44100_128", "Olá.")},
        {"text", part(VoiceProvider::openAI, "tts", "marin", "mp3", "Olá!")},
        {"text with a trailing space", part(VoiceProvider::openAI, "tts", "marin", "mp3", "Olá. ")},
        {"a letter moved from the model to the voice", part(VoiceProvider::openAI, "tt", "smarin", "mp3", "Olá.")},
        {"a letter moved from the format to the text", part(VoiceProvider::openAI, "tts", "marin", "mp", "3Olá.")},
        {"the script of the same fields", SpeechCache::scriptKey(u"tts"_s, u"marin"_s, u"mp3"_s)},
    };
    for (const Case &c : cases)
        EXPECT_NE(c.other, base) << c.name;
    EXPECT_NE(SpeechCache::scriptKey(u"ab"_s, u"c"_s, u"d"_s), SpeechCache::scriptKey(u"a"_s, u"bc"_s, u"d"_s));
}

TEST_F(SpeechCacheTest, TheLeastRecentlyUsedEntriesGoBeyondTheCapacity)
{
    const QByteArray content(1000, 'a');
    // Room for three entries and their headers, not for four.
    const SpeechCache cache(path(u"speech"_s), 3 * 1100);
    const char *names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 3; ++i) {
        cache.store(key(names[i]), content);
        setLastUse(cache.entryPath(key(names[i])), 30 - 10 * i); // A oldest, C newest
    }
    ASSERT_TRUE(cache.find(key("A"))); // A becomes the most recent

    cache.store(key("D"), content);
    EXPECT_TRUE(cache.find(key("A")));
    EXPECT_FALSE(cache.find(key("B")));
    EXPECT_TRUE(cache.find(key("C")));
    EXPECT_EQ(cache.find(key("D")), content);

    // One entry larger than the whole cache pushes everything out, itself last.
    cache.store(key("E"), QByteArray(4000, 'e'));
    EXPECT_EQ(QDir(cache.folder()).entryList(QDir::Files), QStringList());
}

// Two caches over one folder stand for two processes (two narrations, two batches on the
// command line): each keeps its own index.
TEST_F(SpeechCacheTest, AnotherProcessesUsesAndRemovalsCountWhenTrimming)
{
    const QByteArray content(1000, 'a');
    const QString folder = path(u"speech"_s);
    const struct
    {
        const char *name;
        std::function<void(const SpeechCache &other)> meanwhile;
        QStringList kept;
    } cases[]{
        {"the other used the oldest entry",
         [](const SpeechCache &other) { ASSERT_TRUE(other.find(key("A"))); },
         {u"A"_s, u"C"_s, u"D"_s}},
        {"the other stored the oldest entry again",
         [&](const SpeechCache &other) { other.store(key("A"), content); },
         {u"A"_s, u"C"_s, u"D"_s}},
        {"the other removed an entry",
         [](const SpeechCache &other) { other.forget(key("C")); },
         {u"A"_s, u"B"_s, u"D"_s}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder).removeRecursively();
        // Room for three entries and their headers, not for four.
        const SpeechCache cache(folder, 3 * 1100);
        const SpeechCache other(folder, 3 * 1100);
        const char *names[] = {"A", "B", "C"};
        for (int i = 0; i < 3; ++i) {
            cache.store(key(names[i]), content);
            setLastUse(cache.entryPath(key(names[i])), 30 - 10 * i); // A oldest, C newest
        }
        c.meanwhile(other);

        cache.store(key("D"), content);
        for (const char *name : {"A", "B", "C", "D"}) {
            const bool kept = c.kept.contains(QString::fromLatin1(name));
            EXPECT_EQ(cache.find(key(name)).has_value(), kept) << name;
        }
    }
}

TEST_F(SpeechCacheTest, DamagedEntriesAreMissesAndGo)
{
    const SpeechCache cache(path(u"speech"_s));
    const QByteArray content(100, 'x');
    struct Case
    {
        const char *name;
        std::function<QByteArray(QByteArray)> damage;
    };
    const Case cases[] = {
        {"empty", [](QByteArray) { return QByteArray(); }},
        {"cut short", [](QByteArray bytes) { return bytes.left(bytes.size() - 10); }},
        {"only the header", [](QByteArray bytes) { return bytes.left(48); }},
        {"a byte of the content changed", [](QByteArray bytes) { return bytes.replace(60, 1, "#"); }},
        {"a byte of the checksum changed", [](QByteArray bytes) { return bytes.replace(20, 1, "#"); }},
        {"another format", [](QByteArray bytes) { return bytes.replace(0, 7, "TELVORA"); }},
        {"the same content stored under another key",
         [&](QByteArray) {
             cache.store(key("B"), content);
             QFile other(cache.entryPath(key("B")));
             return other.open(QIODevice::ReadOnly) ? other.readAll() : QByteArray();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        cache.store(key("A"), content);
        const QString entry = cache.entryPath(key("A"));
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray damaged = c.damage(file.readAll());
        file.close();
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
        file.close();

        EXPECT_EQ(cache.find(key("A")), std::nullopt);
        EXPECT_FALSE(QFile::exists(entry));
    }
    cache.store(key("A"), content);
    EXPECT_EQ(cache.find(key("A")), content);
}

TEST_F(SpeechCacheTest, AFullDiskStoresNothingRatherThanAnEmptyEntry)
{
    test::SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    const SpeechCache cache(disk.filePath(u"speech"_s));
    ASSERT_TRUE(QDir().mkpath(cache.folder()));
    ASSERT_TRUE(disk.fill());
    cache.store(key("A"), QByteArray(100, 'a'));
    EXPECT_EQ(QDir(cache.folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(cache.find(key("A")), std::nullopt);
}

TEST_F(SpeechCacheTest, AnUnusableFolderIsOnlyAMiss)
{
    QFile blocker(path(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("x");
    blocker.close();
    struct Case
    {
        const char *name;
        QString folder;
    };
    const Case cases[] = {
        {"the folder is a file", path(u"file"_s)},
        {"the folder would be inside a file", path(u"file/speech"_s)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const SpeechCache cache(c.folder);
        cache.store(key("A"), "audio");
        EXPECT_EQ(cache.find(key("A")), std::nullopt);
        cache.forget(key("A"));
    }

    // An entry that cannot be read, here a folder in its place, is a miss too.
    const SpeechCache cache(path(u"speech"_s));
    ASSERT_TRUE(QDir().mkpath(cache.entryPath(key("A"))));
    EXPECT_EQ(cache.find(key("A")), std::nullopt);
    cache.store(key("A"), "audio");
    EXPECT_EQ(cache.find(key("A")), std::nullopt);
}

TEST_F(SpeechCacheTest, TheFolderFollowsXdgCacheHome)
{
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", "/srv/cache");
    EXPECT_EQ(SpeechCache::defaultFolder(), u"/srv/cache/telvora/speech"_s);
    qputenv("XDG_CACHE_HOME", "relativo");
    EXPECT_EQ(SpeechCache::defaultFolder(), QDir::homePath() + u"/.cache/telvora/speech"_s);
    qunsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(SpeechCache::defaultFolder(), QDir::homePath() + u"/.cache/telvora/speech"_s);
    EXPECT_EQ(SpeechCache().folder(), SpeechCache::defaultFolder());
    if (wasSet)
        qputenv("XDG_CACHE_HOME", saved);
}
