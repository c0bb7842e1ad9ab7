#include "tests/session/workflows/NarrationFixture.h"
#include "tests/shell/commandline/CommandLineFixture.h"
#include "tests/support/ProgramOutput.h"

#include "Telvora/Session/SpeechCache.h"
#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Provider/ProviderClient.h"

#include <QFileInfo>

#include <QSet>
#include <csignal>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString environmentKey = u"sk-ambiente"_s;

// Generation and narration with the key from the environment, on a machine without a
// display or a session bus: nothing may need either.
class ProviderCommand : public CommandLineFixture
{
protected:
    void SetUp() override
    {
        CommandLineFixture::SetUp();
        ASSERT_FALSE(mp3Tone(0.4).isEmpty()) << "the ffmpeg command could not make an MP3";
        withoutDesktop();
        environment.insert(u"TELVORA_OPENAI_API_KEY"_s, environmentKey);
    }

    QString speechCacheFolder() const { return folder.filePath(u"cache/telvora/speech"_s); }

    void expectKeyInEveryRequest() const
    {
        for (const LoopbackServer::Request &request : server.requests())
            EXPECT_EQ(request.header("Authorization"), "Bearer " + environmentKey.toUtf8());
    }
};

TEST_F(ProviderCommand, TextsAndRecordingsBecomeDocuments)
{
    FakeRuntime runtime(u"twoSpeakers"_s);
    const QString notes = writeFile(u"notas.md"_s, "Notas da reunião sobre o orçamento.");
    const QString recording = writeFile(u"reuniao.wav"_s, wavBytes(0.5));
    server.enqueue({script(u"Sinopse das notas."_s), script(u"Sinopse da reunião."_s)});

    const Outcome outcome = run({u"generate"_s, u"--kind"_s, u"SINOPSE"_s, u"--length"_s, u"curta"_s, u"--model"_s,
                                 u"gpt-teste"_s, notes, recording});

    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString();
    EXPECT_EQ(readFile(work(u"notas-md-sinopse.txt"_s)), "Sinopse das notas.");
    EXPECT_EQ(readFile(work(u"reuniao-wav-sinopse.txt"_s)), "Sinopse da reunião.");
    ASSERT_EQ(server.requests().size(), 2);
    expectKeyInEveryRequest();
    const QJsonObject fromNotes = server.requests()[0].json();
    EXPECT_EQ(fromNotes[u"model"_s].toString(), u"gpt-teste"_s);
    EXPECT_EQ(fromNotes[u"input"_s].toString(), u"Notas da reunião sobre o orçamento."_s);
    EXPECT_EQ(fromNotes[u"instructions"_s].toString(),
              Editorial::instructions(OutputKind::synopsis, OutputLength::short_));
    // The recording was transcribed first; its rendered transcript is the source.
    EXPECT_TRUE(server.requests()[1].json()[u"input"_s].toString().contains(u"Bruno: Tudo bem?"_s));
    EXPECT_TRUE(outcome.out.contains(u"[1/2] notas.md: Gerando sinopse…"_s));
}

TEST_F(ProviderCommand, DocumentsAreWrittenAsOpenDocumentText)
{
    const QString notes = writeFile(u"notas.txt"_s, "Notas.");
    server.enqueue(script(u"Um resumo em OpenDocument."_s));

    const Outcome outcome = run({u"generate"_s, u"-f"_s, u"odt"_s, notes});

    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString();
    const QString document = work(u"notas-txt-resumo.odt"_s);
    EXPECT_TRUE(readFile(document).startsWith("PK"));
    EXPECT_TRUE(programOutput(u"odt2txt"_s, {document}).contains("Um resumo em OpenDocument."));
}

TEST_F(ProviderCommand, WithoutAKeyNothingStartsAndTheWayToGiveOneIsSaid)
{
    environment.remove(u"TELVORA_OPENAI_API_KEY"_s);
    const QString notes = writeFile(u"notas.txt"_s, "Notas.");

    const Outcome outcome = run({u"generate"_s, notes});

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.out.contains(
        u"Falta a chave OpenAI. Guarde-a nas configurações do Telvora ou defina TELVORA_OPENAI_API_KEY."_s))
        << outcome.out.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(work(u"notas-txt-resumo.txt"_s)));
}

TEST_F(ProviderCommand, EachDocumentIsNarratedAsMp3OrM4a)
{
    const QString shortDocument = writeFile(u"curto.txt"_s, "Um documento curto.");
    const QString longDocument = writeFile(u"longo.md"_s, "Um documento longo.");
    // One part for the first, two for the second (OpenAI takes 3000 characters at a time).
    server.enqueue({script(sentences(500)), speech(0.4), script(sentences(4000)), speech(0.4), speech(0.6)});

    const Outcome outcome = run({u"narrate"_s, u"--voice"_s, u"coral"_s, shortDocument, longDocument});

    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString();
    // The one part comes out as the program exports it: normalised, with its title.
    EXPECT_TRUE(readFile(work(u"curto.mp3"_s)).startsWith("ID3"));
    EXPECT_NEAR(audioDuration(work(u"curto.mp3"_s)), 0.4, 0.1);
    EXPECT_NEAR(audioDuration(work(u"longo.m4a"_s)), 1.0, 0.1);
    ASSERT_EQ(server.requests().size(), 5);
    expectKeyInEveryRequest();
    EXPECT_EQ(server.requests()[1].path, "/v1/audio/speech");
    EXPECT_EQ(server.requests()[1].json()[u"voice"_s].toString(), u"coral"_s);
    EXPECT_TRUE(outcome.out.contains(u"[2/2] longo.md: Voz 2/2…"_s)) << outcome.out.toStdString();
    EXPECT_EQ(temporaryLeftovers(), QStringList());
    // The program's speech cache holds both scripts and the three parts.
    EXPECT_EQ(QDir(speechCacheFolder()).entryList({u"*.entry"_s}, QDir::Files).size(), 5);
}

TEST_F(ProviderCommand, AnInterruptedNarrationLeavesNothing)
{
    const QString document = writeFile(u"longo.txt"_s, "Um documento longo.");
    const QString next = writeFile(u"outro.txt"_s, "Outro documento.");
    // The first part arrives, the second stalls until the program gives up on it.
    server.enqueue({script(sentences(4000)), speech(0.4), Reply::stall(mp3Tone(0.6), 100)});

    const std::unique_ptr<QProcess> process = start({u"narrate"_s, u"--voice"_s, u"coral"_s, document, next});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 3; }, 30000));
    ::kill(pid_t(process->processId()), SIGINT);
    const Outcome outcome = finish(*process);

    EXPECT_EQ(outcome.exitCode, 130);
    EXPECT_TRUE(outcome.out.contains(u"[1/2] longo.txt: cancelado\n"_s)) << outcome.out.toStdString();
    EXPECT_EQ(server.requests().size(), 3);
    const QStringList results = QDir(work(QString())).entryList({u"*.m4a"_s, u"*.mp3"_s}, QDir::Files);
    EXPECT_EQ(results, QStringList());
    EXPECT_EQ(temporaryLeftovers(), QStringList());
}

TEST_F(ProviderCommand, TwoProcessesStoreIntoOneSpeechCacheAtOnce)
{
    // Each document gets a script of its own, cut into four parts.
    const auto scriptFor = [](const QString &document) -> QString { return document + u' ' + sentences(10000); };
    server.setHandler([&](const LoopbackServer::Request &request) {
        if (request.path == "/v1/responses")
            return script(scriptFor(request.json()[u"input"_s].toString()));
        return speech(0.4);
    });
    const QStringList documents{u"Primeiro documento."_s, u"Segundo documento."_s};
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < 2; ++i) {
        const QString file = writeFile(u"doc%1.txt"_s.arg(i), documents[i].toUtf8());
        processes.push_back(start({u"narrate"_s, u"--model"_s, u"gpt-4o-mini-tts"_s, u"--voice"_s, u"coral"_s, file}));
    }
    for (const auto &process : processes)
        EXPECT_EQ(finish(*process).exitCode, 0);

    const SpeechCache cache(speechCacheFolder());
    // Past their first sentence the two scripts are the same, so both processes store those
    // parts under the same keys at about the same time.
    QSet<QString> entries;
    const QString instructions =
        Editorial::speechInstructions(VoiceProvider::openAI, true); // the default ElevenLabs model reads tags
    for (const QString &document : documents) {
        const QString script = scriptFor(document);
        const QByteArray scriptKey = SpeechCache::scriptKey(u"gpt-5.4-mini"_s, instructions, document);
        EXPECT_EQ(cache.find(scriptKey), script.toUtf8());
        entries.insert(cache.entryPath(scriptKey));
        const QStringList chunks = Editorial::speechChunks(script, 3000);
        ASSERT_EQ(chunks.size(), 4);
        for (const QString &chunk : chunks) {
            const QByteArray key = SpeechCache::partKey(VoiceProvider::openAI, u"gpt-4o-mini-tts"_s, u"coral"_s,
                                                        ProviderClient::speechFormat(VoiceProvider::openAI), chunk);
            EXPECT_EQ(cache.find(key), mp3Tone(0.4));
            entries.insert(cache.entryPath(key));
        }
    }
    // Nothing else is left there: no temporary file of an interrupted write.
    EXPECT_EQ(QDir(speechCacheFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              entries.size());
}

} // namespace
