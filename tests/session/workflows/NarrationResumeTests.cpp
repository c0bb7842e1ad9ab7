#include "tests/session/workflows/NarrationFixture.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "tests/support/QtPrinters.h"

#include <QDirIterator>

#include <ostream>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Requests
{
    int scripts = 0;
    int speech = 0;
    bool operator==(const Requests &) const = default;
};

void PrintTo(const Requests &requests, std::ostream *out)
{
    *out << requests.scripts << " script + " << requests.speech << " speech";
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (entries.hasNext())
        files.append(entries.next());
    return files;
}

class ResumedNarration : public Narration
{
protected:
    Requests requestsSince(qsizetype first) const
    {
        Requests count;
        for (qsizetype i = first; i < server.requests().size(); ++i) {
            const QByteArray &path = server.requests()[i].path;
            if (path == "/v1/responses")
                ++count.scripts;
            else if (path == "/v1/audio/speech" || path.startsWith("/v1/text-to-speech/"))
                ++count.speech;
        }
        return count;
    }

    // Listens from scratch and waits; `statuses` then holds this narration's lines only.
    void narrate(const QList<Reply> &replies)
    {
        workflows->narration().discardVoice();
        statuses.clear();
        before = server.requests().size();
        server.enqueue(replies);
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    }

    QString speechInput(qsizetype index) const
    {
        return server.requests()[before + index].json().value(u"input"_s).toString();
    }

    qsizetype before = 0;
};

} // namespace

TEST_F(ResumedNarration, AFailureAtPartThreeIsResumedWithTwoSpeechRequests)
{
    const QString fourParts = sentences(10000);
    const QStringList chunks = Editorial::speechChunks(fourParts, 3000);
    ASSERT_EQ(chunks.size(), 4);
    // Parts of distinct lengths, so a part out of place changes the joined audio.
    const QList<Reply> whole{speech(0.4), speech(0.5), speech(0.6), speech(0.7)};

    qputenv("XDG_CACHE_HOME", folder.filePath(u"fresh-cache"_s).toLocal8Bit());
    narrate(QList<Reply>{script(fourParts)} + whole);
    ASSERT_EQ(session->status(), u"Áudio pronto"_s);
    EXPECT_EQ(requestsSince(before), (Requests{1, 4}));
    const QByteArray uninterrupted = readFile(session->narrationAudio().toLocalFile());
    ASSERT_FALSE(uninterrupted.isEmpty());
    qputenv("XDG_CACHE_HOME", folder.filePath(u"cache"_s).toLocal8Bit());

    struct Case
    {
        const char *name;
        Reply failure;
    };
    const QByteArray third = mp3Tone(0.6);
    const Case cases[] = {
        {"the provider refuses part 3", Reply::withStatus(500)},
        {"part 3 is cut short", Reply::cutOff(third, third.size() / 2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        narrate({script(fourParts), whole[0], whole[1], c.failure});
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(requestsSince(before), (Requests{1, 3}));
        EXPECT_EQ(narrationFolders(), QStringList());
        // The script and the two whole parts; nothing of the third.
        EXPECT_EQ(filesUnder(SpeechCache::defaultFolder()).size(), 3);

        // What the user reads while each missing part is on its way.
        QStringList whileRequesting;
        const QMetaObject::Connection watch = QObject::connect(&server, &LoopbackServer::requestReceived,
                                                               [&] { whileRequesting.append(session->status()); });
        narrate({whole[2], whole[3]});
        QObject::disconnect(watch);
        EXPECT_EQ(whileRequesting, (QStringList{u"Voz 3/4… · 2 reaproveitadas"_s, u"Voz 4/4… · 2 reaproveitadas"_s}));
        EXPECT_EQ(statuses,
                  (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Reaproveitando 2 de 4 partes…"_s,
                               u"Voz 3/4… · 2 reaproveitadas"_s, u"Voz 4/4… · 2 reaproveitadas"_s, u"Áudio pronto"_s}));
        EXPECT_EQ(requestsSince(before), (Requests{0, 2}));
        ASSERT_EQ(server.requests().size(), before + 2);
        EXPECT_EQ(speechInput(0), chunks[2]);
        EXPECT_EQ(speechInput(1), chunks[3]);
        EXPECT_EQ(readFile(session->narrationAudio().toLocalFile()), uninterrupted);
        EXPECT_EQ(filesUnder(SpeechCache::defaultFolder()).size(), 5);
    }
}

TEST_F(ResumedNarration, TheSameNarrationAgainRequestsNothingAndTheCacheHoldsNoKey)
{
    struct Case
    {
        const char *name;
        VoiceProvider provider;
    };
    const Case cases[] = {
        {"OpenAI", VoiceProvider::openAI},
        {"ElevenLabs", VoiceProvider::elevenLabs},
    };
    const QString twoParts = sentences(5000);
    credentials.items.insert(u"elevenlabs"_s, "xi-test");
    session->setElevenVoice(u"v1"_s);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        session->setProvider(c.provider);
        narrate({script(twoParts), speech(0.4), speech(0.5)});
        ASSERT_EQ(session->status(), u"Áudio pronto"_s);
        ASSERT_EQ(requestsSince(before), (Requests{1, 2}));
        const QByteArray first = readFile(session->narrationAudio().toLocalFile());

        narrate({});
        EXPECT_EQ(statuses,
                  (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Reaproveitando 2 de 2 partes…"_s,
                               u"Áudio pronto"_s}));
        EXPECT_EQ(requestsSince(before), (Requests{0, 0}));
        EXPECT_EQ(readFile(session->narrationAudio().toLocalFile()), first);

        const QStringList files = filesUnder(SpeechCache::defaultFolder());
        ASSERT_EQ(files.size(), 3);
        for (const QString &file : files) {
            const QByteArray content = readFile(file);
            EXPECT_FALSE(content.contains("sk-test")) << file.toStdString();
            EXPECT_FALSE(content.contains("xi-test")) << file.toStdString();
            EXPECT_FALSE(QFileInfo(file).fileName().contains(u"test"_s));
        }
    }
}

TEST_F(ResumedNarration, ADamagedPartIsRequestedAgain)
{
    const QString twoParts = sentences(5000);
    const QStringList chunks = Editorial::speechChunks(twoParts, 3000);
    ASSERT_EQ(chunks.size(), 2);
    narrate({script(twoParts), speech(0.4), speech(0.5)});
    ASSERT_EQ(session->status(), u"Áudio pronto"_s);

    const QByteArray key = SpeechCache::partKey(VoiceProvider::openAI, workflows->settings().openAISpeechModel(),
                                                session->openAIVoice(), u"mp3"_s, chunks[1]);
    QFile entry(SpeechCache().entryPath(key));
    ASSERT_TRUE(entry.open(QIODevice::ReadWrite));
    ASSERT_TRUE(entry.seek(entry.size() - 1));
    const char last = char(~entry.peek(1).at(0));
    entry.write(&last, 1);
    entry.close();

    narrate({speech(0.5)});
    EXPECT_EQ(statuses,
              (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Reaproveitando 1 de 2 partes…"_s,
                           u"Voz 2/2… · 1 reaproveitada"_s, u"Áudio pronto"_s}));
    EXPECT_EQ(requestsSince(before), (Requests{0, 1}));
    EXPECT_EQ(speechInput(0), chunks[1]);
    EXPECT_EQ(readFile(QDir(narrationFolder()).filePath(u"parte-1.mp3"_s)), mp3Tone(0.5));
}

TEST_F(ResumedNarration, AChunkRepeatedInTheScriptIsRequestedOnce)
{
    const QString paragraph = sentences(2998); // the next space is the last break of the first window
    const QString repeated = paragraph + u' ' + paragraph;
    ASSERT_EQ(Editorial::speechChunks(repeated, 3000), (QStringList{paragraph, paragraph}));
    qputenv("XDG_CACHE_HOME", writeFile(u"not-a-folder"_s, "x").toLocal8Bit()); // not even the cache helps

    narrate({script(repeated), speech(0.4)});
    EXPECT_EQ(statuses,
              (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Voz 1/2…"_s, u"Áudio pronto"_s}));
    EXPECT_EQ(requestsSince(before), (Requests{1, 1}));
    const QDir parts(narrationFolder());
    EXPECT_EQ(readFile(parts.filePath(u"parte-1.mp3"_s)), mp3Tone(0.4));
    EXPECT_NEAR(audioDuration(session->narrationAudio().toLocalFile()), 0.8, 0.05);
}

TEST_F(ResumedNarration, PartsTheJoinRefusesAreNotOfferedAgain)
{
    const QString twoParts = sentences(5000);
    narrate({script(twoParts), speech(0.4), Reply::withStatus(200, "isto não é áudio")});
    ASSERT_EQ(session->status(), u"Erro"_s);

    narrate({speech(0.4), speech(0.5)});
    EXPECT_EQ(statuses,
              (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Voz 1/2…"_s, u"Voz 2/2…"_s,
                           u"Áudio pronto"_s}));
    EXPECT_EQ(requestsSince(before), (Requests{0, 2}));
}

TEST_F(ResumedNarration, AnUnwritableCacheNeverStopsANarration)
{
    const QString blocker = writeFile(u"not-a-folder"_s, "x");
    ASSERT_FALSE(blocker.isEmpty());
    qputenv("XDG_CACHE_HOME", blocker.toLocal8Bit());
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        narrate({script(u"Um roteiro curto."_s), speech(0.4)});
        EXPECT_EQ(statuses,
                  (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Voz 1/1…"_s, u"Áudio pronto"_s}));
        EXPECT_EQ(requestsSince(before), (Requests{1, 1}));
    }
    EXPECT_EQ(readFile(blocker), "x");
}
