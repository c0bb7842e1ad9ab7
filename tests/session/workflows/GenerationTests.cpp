#include "tests/session/workflows/WorkflowFixture.h"

#include "Telvora/Document/StyledDocument.h"
#include "tests/support/RunTask.h"

#include <QJsonArray>
#include <QSignalSpy>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

LoopbackServer::Reply document(const QString &text)
{
    const QJsonObject part{{u"type"_s, u"output_text"_s}, {u"text"_s, text}};
    const QJsonObject item{{u"content"_s, QJsonArray{part}}};
    return LoopbackServer::Reply::json(QJsonObject{{u"status"_s, u"completed"_s}, {u"output"_s, QJsonArray{item}}});
}

const QString markedUp = u"# O espaço\n\n## Introdução\n\n**Ideia** central\n- primeiro"_s;

class Generation : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        credentials.items.insert(u"openai"_s, "sk-test");
        makeWorkflowSession();
        session->setSourceText(u"Ana: uma fala."_s);
        session->markSaved();
    }
};

} // namespace

TEST_F(Generation, StoresThePlainDocumentAndMarksItUnsaved)
{
    server.enqueue(document(markedUp));
    session->setOutputKind(OutputKind::synopsis);
    session->setReaderShowsSource(true);
    workflows->generation().generate();

    EXPECT_TRUE(session->busy());
    EXPECT_EQ(session->status(), u"Gerando sinopse…"_s);
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(session->outputText(), StyledDocument::plain(markedUp));
    EXPECT_EQ(session->outputText(), u"O espaço\n\nIntrodução\n\nIdeia central\n• primeiro"_s);
    EXPECT_EQ(session->generatedKind(), OutputKind(OutputKind::synopsis));
    EXPECT_EQ(session->status(), u"Texto pronto"_s);
    EXPECT_FALSE(session->readerShowsSource());
    EXPECT_EQ(readerShown, 1);
    EXPECT_TRUE(session->hasUnsavedChanges());
    EXPECT_FALSE(session->busy());
    EXPECT_FALSE(session->errorMessage());

    ASSERT_EQ(server.requests().size(), 1);
    const auto &request = server.requests().first();
    EXPECT_EQ(request.path, "/v1/responses");
    EXPECT_EQ(request.header("authorization"), "Bearer sk-test");
    EXPECT_EQ(request.json().value(u"model"_s).toString(), u"gpt-5.4-mini"_s);
    EXPECT_EQ(request.json().value(u"input"_s).toString(), u"Ana: uma fala."_s);
    EXPECT_TRUE(
        request.json().value(u"instructions"_s).toString().endsWith(OutputLength(OutputLength::medium).instruction()));
}

TEST_F(Generation, PresentationKeepsItsMarkdown)
{
    server.enqueue(document(markedUp));
    session->setOutputKind(OutputKind::quintara);
    workflows->generation().generate();
    EXPECT_EQ(session->status(), u"Gerando quintara…"_s);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->outputText(), markedUp);
    EXPECT_TRUE(session->readerIsCode());
}

TEST_F(Generation, RefusalIsReportedAndTheOldDocumentStays)
{
    session->setOutputText(u"documento anterior"_s);
    const QJsonObject part{{u"type"_s, u"refusal"_s}, {u"refusal"_s, u"não"_s}};
    server.enqueue(LoopbackServer::Reply::json(QJsonObject{
        {u"status"_s, u"completed"_s}, {u"output"_s, QJsonArray{QJsonObject{{u"content"_s, QJsonArray{part}}}}}}));
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"O provedor não gerou este conteúdo."_s);
    EXPECT_EQ(session->outputText(), u"documento anterior"_s);
}

TEST_F(Generation, AnEditDuringTheRequestDropsTheResult)
{
    server.enqueue(document(u"novo"_s));
    QObject::connect(&server, &LoopbackServer::requestReceived, session,
                     [this] { session->setSourceText(u"fonte revisada"_s); });
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(
        session->errorMessage(),
        u"O texto foi editado durante a geração. Suas alterações foram preservadas; gere novamente a partir da revisão atual."_s);
    EXPECT_EQ(session->sourceText(), u"fonte revisada"_s);
    EXPECT_TRUE(session->outputText().isEmpty());
}

TEST_F(Generation, OutputTypedAndRestoredCountsAsUnedited)
{
    session->setOutputText(u"antes"_s);
    server.enqueue(document(u"depois"_s));
    QObject::connect(&server, &LoopbackServer::requestReceived, session, [this] {
        session->setOutputText(u"antes, com acréscimo"_s);
        session->setOutputText(u"antes"_s);
    });
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Texto pronto"_s);
    EXPECT_EQ(session->outputText(), u"depois"_s);
}

TEST_F(Generation, CancellationDuringTheRequestLeavesTheMessageAlone)
{
    server.enqueue(LoopbackServer::Reply::stall(R"({"status":"completed","output":[)", 10));
    QObject::connect(&server, &LoopbackServer::stalled, session, [this] {
        session->setErrorMessage(u"aviso anterior"_s);
        workflows->cancel();
        EXPECT_EQ(session->status(), u"Cancelando…"_s);
    });
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Cancelado"_s);
    EXPECT_EQ(session->errorMessage(), u"aviso anterior"_s);
    EXPECT_TRUE(session->outputText().isEmpty());
    EXPECT_FALSE(session->busy());
}

TEST_F(Generation, ASecondStartWhileBusyChangesNothing)
{
    server.enqueue(LoopbackServer::Reply::stall(R"({"status":"completed"})", 1));
    workflows->generation().generate();
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    ASSERT_TRUE(stalled.wait(5000));
    session->setOutputKind(OutputKind::literary);
    QSignalSpy statusChanges(session, &Session::statusChanged);
    workflows->generation().generate();
    QTest::qWait(100);
    EXPECT_EQ(statusChanges.count(), 0);
    EXPECT_EQ(server.requests().size(), 1);
    workflows->cancel();
    ASSERT_TRUE(waitUntilIdle());
}

TEST_F(Generation, MissingKeysAskForTheSettings)
{
    struct Case
    {
        const char *name;
        QByteArray openAIKey;
        bool voice;
        QByteArray elevenKey;
        QString elevenVoice;
        QString status;
    };
    const Case cases[] = {
        {"no OpenAI key", "", false, "", u""_s, u"Configure a chave OpenAI"_s},
        {"ElevenLabs narration without key", "sk", true, "", u"v1"_s, u"Configure ElevenLabs e selecione uma voz"_s},
        {"ElevenLabs narration without voice", "sk", true, "xi", u""_s, u"Configure ElevenLabs e selecione uma voz"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Through the store, which keeps what it read before.
        runTask(workflows->keychain().save(KeychainAccount::openAI, QString::fromUtf8(c.openAIKey)));
        runTask(workflows->keychain().save(KeychainAccount::elevenLabs, QString::fromUtf8(c.elevenKey)));
        settingsShown = 0;
        session->setVoiceEnabled(c.voice);
        session->setProvider(VoiceProvider::elevenLabs);
        session->setElevenVoice(c.elevenVoice);
        workflows->generation().generate();
        EXPECT_EQ(session->status(), c.status);
        EXPECT_EQ(settingsShown, 1);
        EXPECT_FALSE(session->busy());
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(Generation, BlankSourceDoesNothing)
{
    session->setSourceText(u" \n\t\n "_s);
    workflows->generation().generate();
    EXPECT_EQ(session->status(), u"Pronto"_s);
    EXPECT_FALSE(session->busy());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(Generation, TransportFailureIsAnErrorNotACancellation)
{
    server.enqueue(LoopbackServer::Reply::cutOff(R"({"status":"completed"})", 5));
    workflows->generation().generate();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(session->status(), u"Erro"_s);
    ASSERT_TRUE(session->errorMessage());
    EXPECT_FALSE(session->errorMessage()->isEmpty());
}

TEST_F(Generation, ClosingMidRequestAbortsItAndTouchesNothingOnceGone)
{
    server.enqueue(LoopbackServer::Reply::stall(R"({"status":"completed"})", 1));
    workflows->generation().generate();
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    ASSERT_TRUE(stalled.wait(5000));
    QSignalSpy closed(&server, &LoopbackServer::connectionClosed);
    QSignalSpy busy(session, &Session::busyChanged);

    // The destructor only cancels: nothing of the job runs inside it.
    workflows.reset();
    session = nullptr;
    EXPECT_EQ(busy.count(), 0);
    // The request is aborted from the event loop, and the job then ends without a session.
    EXPECT_TRUE(closed.wait(5000));
    QTest::qWait(50);
}
