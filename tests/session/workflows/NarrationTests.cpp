#include "tests/session/workflows/NarrationFixture.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"
#include "tests/support/SmallFileSystem.h"

#include <QRegularExpression>
#include <QSignalSpy>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

TEST_F(Narration, OneChunkBecomesAnMp3OfItsOwnAndExportsAsMp3)
{
    server.enqueue({script(u"Um roteiro curto."_s), speech(0.4)});
    workflows->narration().listen();
    EXPECT_TRUE(session->busy());
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));

    EXPECT_EQ(statuses,
              (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Voz 1/1…"_s, u"Áudio pronto"_s}));
    EXPECT_FALSE(session->errorMessage());
    EXPECT_EQ(narrationFile(), u"narracao.mp3"_s);
    EXPECT_EQ(readFile(QDir(narrationFolder()).filePath(u"parte-0.mp3"_s)), mp3Tone(0.4));
    EXPECT_NEAR(audioDuration(session->narrationAudio().toLocalFile()), 0.4, 0.05);
    const QFileInfo folderInfo(narrationFolder());
    EXPECT_EQ(folderInfo.absolutePath(), QDir::tempPath());
    EXPECT_TRUE(QRegularExpression(u"^telvora-voice-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                    .match(folderInfo.fileName())
                    .hasMatch())
        << folderInfo.fileName().toStdString();
    EXPECT_EQ(QFileInfo(session->narrationAudio().toLocalFile()).absolutePath(), folderInfo.absoluteFilePath());
    EXPECT_TRUE(session->voicePlaying());
    ASSERT_NE(workflows->playback().voicePlayer(), nullptr);
    EXPECT_TRUE(workflows->playback().voicePlayer()->isMeteringEnabled());

    ASSERT_EQ(server.requests().size(), 2);
    const QJsonObject scriptRequest = server.requests()[0].json();
    EXPECT_EQ(server.requests()[0].path, "/v1/responses");
    EXPECT_EQ(scriptRequest.value(u"input"_s).toString(), document);
    EXPECT_EQ(scriptRequest.value(u"instructions"_s).toString(),
              Editorial::speechInstructions(VoiceProvider::openAI, true));
    const QJsonObject speechRequest = server.requests()[1].json();
    EXPECT_EQ(server.requests()[1].path, "/v1/audio/speech");
    EXPECT_EQ(speechRequest.value(u"input"_s).toString(), u"Um roteiro curto."_s);
    EXPECT_EQ(speechRequest.value(u"voice"_s).toString(), session->openAIVoice());
    EXPECT_EQ(speechRequest.value(u"model"_s).toString(), u"gpt-4o-mini-tts"_s);

    const QString saved = folder.filePath(u"narração.mp3"_s);
    prompts.saveAnswers.enqueue(saved);
    workflows->narration().exportAudio();
    ASSERT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(prompts.saveDialogsShown[0].proposedName, u"Telvora-Resumo.mp3"_s);
    EXPECT_EQ(prompts.saveDialogsShown[0].allowedTypes, QList<UserPrompts::FileType>{UserPrompts::FileType::mp3});
    EXPECT_EQ(readFile(saved), readFile(session->narrationAudio().toLocalFile()));
    EXPECT_EQ(session->status(), u"Áudio exportado"_s);
}

TEST_F(Narration, ThreeChunksAreJoinedInOrder)
{
    const QString text = sentences(7000);
    const QStringList chunks = Editorial::speechChunks(text, 3000);
    ASSERT_EQ(chunks.size(), 3);
    server.enqueue({script(text), speech(0.5), speech(1.0), speech(1.5)});
    session->setGeneratedKind(OutputKind::literary);
    workflows->narration().listen();
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));

    EXPECT_EQ(statuses,
              (QStringList{u"Preparando voz…"_s, u"Preparando narração…"_s, u"Voz 1/3…"_s, u"Voz 2/3…"_s, u"Voz 3/3…"_s,
                           u"Áudio pronto"_s}));
    EXPECT_FALSE(session->errorMessage());
    ASSERT_EQ(narrationFile(), u"narracao.m4a"_s);
    EXPECT_NEAR(audioDuration(session->narrationAudio().toLocalFile()), 3.0, 0.05);
    const QDir parts(narrationFolder());
    EXPECT_EQ(readFile(parts.filePath(u"parte-0.mp3"_s)), mp3Tone(0.5));
    EXPECT_EQ(readFile(parts.filePath(u"parte-2.mp3"_s)), mp3Tone(1.5));
    ASSERT_EQ(server.requests().size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(server.requests()[i + 1].json().value(u"input"_s).toString(), chunks[i]) << "chunk " << i;

    const QString saved = folder.filePath(u"narração.m4a"_s);
    prompts.saveAnswers.enqueue(saved);
    workflows->narration().exportAudio();
    ASSERT_EQ(prompts.saveDialogsShown.size(), 1);
    EXPECT_EQ(prompts.saveDialogsShown[0].proposedName, u"Telvora-Literária.m4a"_s);
    EXPECT_EQ(prompts.saveDialogsShown[0].allowedTypes,
              QList<UserPrompts::FileType>{UserPrompts::FileType::mpeg4Audio});
    EXPECT_EQ(readFile(saved), readFile(session->narrationAudio().toLocalFile()));
}

TEST_F(Narration, AnEditOfTheDocumentStopsIt)
{
    struct Case
    {
        const char *name;
        int editAtRequest; // 1 is the first speech request, 2 the last
        QString message;
    };
    const Case cases[] = {
        {"edited before the second chunk", 1,
         u"O documento mudou durante a narração. Gere a voz novamente a partir do texto revisado."_s},
        {"edited during the last chunk", 2, u"O documento foi alterado; o áudio anterior foi descartado."_s},
    };
    const QString text = sentences(4000);
    ASSERT_EQ(Editorial::speechChunks(text, 3000).size(), 2);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        const qsizetype before = server.requests().size();
        session->setOutputText(document);
        server.enqueue({script(text), speech(0.4)});
        if (c.editAtRequest == 2)
            server.enqueue(speech(0.4));
        const auto edit = QObject::connect(&server, &LoopbackServer::requestReceived, session, [&](int index) {
            if (index == before + c.editAtRequest)
                session->setOutputText(document + u" Revisado."_s);
        });
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        QObject::disconnect(edit);
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), c.message);
        EXPECT_EQ(server.requests().size() - before, c.editAtRequest + 1);
        EXPECT_TRUE(session->narrationAudio().isEmpty());
        EXPECT_EQ(narrationFolders(), QStringList());
        EXPECT_EQ(session->outputText(), document + u" Revisado."_s);
    }
}

TEST_F(Narration, CancellingDuringSpeechKeepsThePreviousNarration)
{
    makeFirstNarration();
    QObject::connect(&server, &LoopbackServer::stalled, session, [this] { workflows->cancel(); });
    generateTheSameDocument({script(sentences(4000)), speech(0.4), Reply::stall(mp3Tone(0.4), 100)});
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    EXPECT_EQ(statuses,
              (QStringList{u"Gerando resumo…"_s, u"Texto pronto"_s, u"Preparando narração…"_s, u"Voz 1/2…"_s,
                           u"Voz 2/2…"_s, u"Cancelando…"_s, u"Cancelado"_s}));
    EXPECT_FALSE(session->errorMessage());
    expectFirstNarrationStays();
}

TEST_F(Narration, AProviderFailureMidwayKeepsThePreviousNarration)
{
    makeFirstNarration();
    generateTheSameDocument({script(sentences(4000)), speech(0.4), Reply::withStatus(500)});
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(),
              u"O provedor recusou a operação (HTTP 500). Confira modelo, voz e disponibilidade na sua conta."_s);
    expectFirstNarrationStays();
}

TEST_F(Narration, AFullDiskFailsAtThePartAndKeepsThePreviousNarration)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    makeFirstNarration();
    const QByteArray temporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(disk.path()));
    ASSERT_TRUE(disk.fill());
    generateTheSameDocument({script(u"Outro roteiro."_s), speech(0.4)});
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{u".filler"_s});
    qputenv("TMPDIR", temporary);
    EXPECT_EQ(session->status(), u"Erro"_s);
    const QString message = session->errorMessage().value_or(QString());
    EXPECT_TRUE(message.startsWith(u"Não há espaço livre em disco para gravar "_s + disk.path() + u"/telvora-voice-"_s))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith(u"/parte-0.mp3."_s)) << message.toStdString();
    expectFirstNarrationStays();
}

TEST_F(Narration, APartThatIsNotAudioFailsAndLeavesNoFolder)
{
    struct Case
    {
        const char *name;
        QString script;
        int parts;
    };
    const Case cases[] = {
        {"the only part, opened by the player", u"Curto."_s, 1},
        {"one of two parts, read by the join", sentences(4000), 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        server.enqueue(script(c.script));
        for (int i = 1; i < c.parts; ++i)
            server.enqueue(speech(0.4));
        server.enqueue(Reply::withStatus(200, "isto não é áudio"));
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), u"O provedor de voz respondeu com algo que não é áudio. Tente novamente."_s);
        EXPECT_TRUE(session->narrationAudio().isEmpty());
        EXPECT_EQ(narrationFolders(), QStringList());
    }
}

TEST_F(Narration, ExpressiveTagsFollowTheElevenLabsModel)
{
    struct Case
    {
        const char *name;
        QString model;
        bool tags;
    };
    const Case cases[] = {
        {"eleven_v3 takes tags", u"eleven_v3"_s, true},
        {"eleven_v4_turbo takes tags", u"eleven_v4_turbo"_s, true},
        {"eleven_multilingual_v2 does not", u"eleven_multilingual_v2"_s, false},
    };
    credentials.items.insert(u"elevenlabs"_s, "xi-test");
    session->setProvider(VoiceProvider::elevenLabs);
    session->setElevenVoice(u"voz 1"_s);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        const qsizetype before = server.requests().size();
        workflows->settings().setElevenModel(c.model);
        server.enqueue({script(u"Olá."_s), speech(0.4)});
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        EXPECT_EQ(session->status(), u"Áudio pronto"_s);
        ASSERT_EQ(server.requests().size(), before + 2);
        EXPECT_EQ(server.requests()[before].json().value(u"instructions"_s).toString(),
                  Editorial::speechInstructions(VoiceProvider::elevenLabs, c.tags));
        const auto &speechRequest = server.requests()[before + 1];
        EXPECT_EQ(speechRequest.path, "/v1/text-to-speech/voz%201");
        EXPECT_EQ(speechRequest.header("xi-api-key"), "xi-test");
        EXPECT_EQ(speechRequest.json().value(u"model_id"_s).toString(), c.model);
        EXPECT_EQ(speechRequest.json().value(u"text"_s).toString(), u"Olá."_s);
    }
}

TEST_F(Narration, TheChunkLimitDependsOnTheProvider)
{
    struct Case
    {
        const char *name;
        VoiceProvider provider;
        int speechRequests;
    };
    const Case cases[] = {
        {"OpenAI cuts at 3000", VoiceProvider::openAI, 2},
        {"ElevenLabs keeps 3500 whole", VoiceProvider::elevenLabs, 1},
    };
    const QString text = sentences(3500);
    ASSERT_EQ(text.size(), 3500);
    credentials.items.insert(u"elevenlabs"_s, "xi-test");
    session->setElevenVoice(u"v1"_s);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        const qsizetype before = server.requests().size();
        session->setProvider(c.provider);
        server.enqueue(script(text));
        for (int i = 0; i < c.speechRequests; ++i)
            server.enqueue(speech(0.4));
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        EXPECT_EQ(session->status(), u"Áudio pronto"_s);
        ASSERT_EQ(server.requests().size(), before + 1 + c.speechRequests);
        QStringList sent;
        for (qsizetype i = before + 1; i < server.requests().size(); ++i) {
            const QJsonObject body = server.requests()[i].json();
            sent.append(body.value(c.provider == VoiceProvider::openAI ? u"input"_s : u"text"_s).toString());
        }
        EXPECT_EQ(sent, Editorial::speechChunks(text, c.provider == VoiceProvider::openAI ? 3000 : 4500));
        EXPECT_LE(sent.first().size(), 3000 + (c.speechRequests == 1 ? 500 : 0));
    }
}

TEST_F(Narration, TheScriptUsesTheNarrationModelOrElseTheTextModel)
{
    struct Case
    {
        const char *name;
        QString narrationModel;
        QString expected;
    };
    const Case cases[] = {
        {"narration model chosen", u"gpt-narrador"_s, u"gpt-narrador"_s},
        {"empty narration model", u""_s, u"gpt-texto"_s},
    };
    workflows->settings().setTextModel(u"gpt-texto"_s);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emptySpeechCache();
        const qsizetype before = server.requests().size();
        workflows->settings().setNarrationModel(c.narrationModel);
        server.enqueue({script(u"Olá."_s), speech(0.4)});
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        ASSERT_GT(server.requests().size(), before);
        EXPECT_EQ(server.requests()[before].json().value(u"model"_s).toString(), c.expected);
    }
}

TEST_F(Narration, GenerationWithTheVoiceSwitchNarratesInTheSameJob)
{
    session->setOutputText(QString());
    session->setSourceText(u"Fonte."_s);
    server.enqueue({script(document), script(u"Roteiro."_s), speech(0.4)});
    QSignalSpy busy(session, &Session::busyChanged);
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
    EXPECT_EQ(statuses,
              (QStringList{u"Gerando resumo…"_s, u"Texto pronto"_s, u"Preparando narração…"_s, u"Voz 1/1…"_s,
                           u"Áudio pronto"_s}));
    ASSERT_EQ(busy.count(), 2);
    EXPECT_TRUE(busy[0][0].toBool());
    EXPECT_FALSE(busy[1][0].toBool());
    EXPECT_EQ(session->outputText(), document);
    EXPECT_EQ(narrationFile(), u"narracao.mp3"_s);
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_EQ(server.requests()[1].json().value(u"input"_s).toString(), document);
}

TEST_F(Narration, MissingKeysOrVoiceRefuse)
{
    struct Case
    {
        const char *name;
        QByteArray openAIKey;
        VoiceProvider provider;
        QByteArray elevenKey;
        QString elevenVoice;
    };
    const Case cases[] = {
        {"no OpenAI key for the script", "", VoiceProvider::elevenLabs, "xi", u"v1"_s},
        {"no ElevenLabs key", "sk", VoiceProvider::elevenLabs, "", u"v1"_s},
        {"no ElevenLabs voice", "sk", VoiceProvider::elevenLabs, "xi", u""_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Through the store, which keeps what it read before.
        runTask(workflows->keychain().save(KeychainAccount::openAI, QString::fromUtf8(c.openAIKey)));
        runTask(workflows->keychain().save(KeychainAccount::elevenLabs, QString::fromUtf8(c.elevenKey)));
        session->setProvider(c.provider);
        session->setElevenVoice(c.elevenVoice);
        workflows->narration().listen();
        ASSERT_TRUE(waitUntilIdle(narrationWatchdog));
        EXPECT_EQ(session->status(), u"Erro"_s);
        EXPECT_EQ(session->errorMessage(), u"Configure as chaves e selecione uma voz antes de gerar áudio."_s);
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(narrationFolders(), QStringList());
}

TEST_F(Narration, ListenPausesResumesAndOtherwiseNeedsTheSwitchAndText)
{
    session->setVoiceEnabled(false);
    workflows->narration().listen();
    session->setVoiceEnabled(true);
    session->setOutputText(QString());
    workflows->narration().listen();
    EXPECT_FALSE(session->busy());
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_TRUE(server.requests().isEmpty());

    session->setOutputText(document);
    makeFirstNarration(); // ends paused
    AudioPlayer *player = workflows->playback().voicePlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->isPlaying());
    workflows->narration().listen();
    EXPECT_TRUE(session->voicePlaying());
    EXPECT_TRUE(player->isPlaying());
    workflows->narration().listen();
    EXPECT_FALSE(session->voicePlaying());
    EXPECT_FALSE(player->isPlaying());
    EXPECT_EQ(server.requests().size(), 2); // the narration was made once
}

TEST_F(Narration, ExportingToAFullDiskKeepsTheOldFile)
{
    SmallFileSystem disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    makeFirstNarration();
    const QString path = disk.filePath(u"narração.mp3"_s);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("a narração anterior");
    }
    ASSERT_TRUE(disk.fill());
    prompts.saveAnswers.enqueue(path);
    workflows->narration().exportAudio();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"Não há espaço livre em disco para gravar "_s + path + u'.');
    EXPECT_EQ(readFile(path), "a narração anterior");
}

TEST_F(Narration, ExportFailuresAndCancelledDialogs)
{
    makeFirstNarration();
    prompts.saveAnswers.enqueue(std::nullopt);
    workflows->narration().exportAudio();
    EXPECT_EQ(session->status(), u"Áudio pronto"_s);

    prompts.saveAnswers.enqueue(folder.filePath(u"não-existe/narração.mp3"_s));
    workflows->narration().exportAudio();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_TRUE(session->errorMessage().has_value());
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(u"não-existe"_s)));

    session->setOutputText(u"outro texto"_s); // discards the narration
    workflows->narration().exportAudio();
    EXPECT_EQ(prompts.saveDialogsShown.size(), 2);
}
