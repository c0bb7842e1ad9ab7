#include "tests/session/workflows/WorkflowFixture.h"

#include "TelvoraCore/Vocabulary/AIModels.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RunTask.h"

#include <QJsonArray>
#include <QSignalSpy>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

LoopbackServer::Reply voicePage(const QList<Voice> &voices)
{
    QJsonArray list;
    for (const Voice &voice : voices)
        list.append(QJsonObject{{u"voice_id"_s, voice.id}, {u"name"_s, voice.name}});
    return LoopbackServer::Reply::json(QJsonObject{{u"voices"_s, list}, {u"has_more"_s, false}});
}

const Voice ana{u"a1"_s, u"Ana"_s};
const Voice bia{u"b2"_s, u"Bia"_s};
const Voice caio{u"c3"_s, u"Caio"_s};

class Voices : public WorkflowFixture
{
protected:
    void SetUp() override
    {
        WorkflowFixture::SetUp();
        credentials.items.insert(u"elevenlabs"_s, "xi-test");
        makeWorkflowSession();
    }

    void refresh()
    {
        workflows->narration().refreshVoices();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !session->voicesLoading(); }, 10000));
    }
};

} // namespace

TEST_F(Voices, VoiceIDFollowsTheProviderAndKeepsTheOtherChoice)
{
    session->setOpenAIVoice(u"nova"_s);
    session->setElevenVoice(u"e1"_s);
    EXPECT_EQ(session->voiceID(), u"nova"_s);
    EXPECT_EQ(workflows->narration().voices(), AIModels::voices(workflows->settings().openAISpeechModel()));

    session->setProvider(VoiceProvider::elevenLabs);
    session->setElevenVoices({ana, bia});
    EXPECT_EQ(session->voiceID(), u"e1"_s);
    EXPECT_EQ(workflows->narration().voices(), (QList<Voice>{ana, bia}));

    session->setVoiceID(u"e2"_s);
    EXPECT_EQ(session->elevenVoice(), u"e2"_s);
    EXPECT_EQ(session->openAIVoice(), u"nova"_s);

    session->setProvider(VoiceProvider::openAI);
    session->setVoiceID(u"coral"_s);
    EXPECT_EQ(session->openAIVoice(), u"coral"_s);
    EXPECT_EQ(session->elevenVoice(), u"e2"_s);
}

TEST_F(Voices, ChoosingAVoiceDiscardsTheNarrationOnlyWhenItChanges)
{
    session->setVoiceID(u"coral"_s);
    makeNarration();
    const QString narrationFolder = this->narrationFolder();
    session->setVoiceID(u"coral"_s);
    EXPECT_TRUE(hasNarration());
    session->setVoiceID(u"nova"_s);
    EXPECT_FALSE(hasNarration());
    EXPECT_FALSE(QFileInfo::exists(narrationFolder));
}

TEST_F(Voices, RefreshChoosesOnlyWhenNothingIsChosen)
{
    struct Case
    {
        const char *name;
        QString chosen;
        QList<Voice> fetched;
        QString expected;
    };
    const Case cases[] = {
        {"no choice takes the first voice", u""_s, {ana, bia, caio}, ana.id},
        {"a chosen voice stays", bia.id, {ana, bia, caio}, bia.id},
        {"a voice gone from the account stays chosen", u"gone"_s, {ana, bia, caio}, u"gone"_s},
        {"an empty list leaves no choice", u""_s, {}, u""_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        session->setElevenVoice(c.chosen);
        server.enqueue(voicePage(c.fetched));
        refresh();
        EXPECT_EQ(session->elevenVoices(), c.fetched);
        EXPECT_EQ(session->elevenVoice(), c.expected);
        EXPECT_FALSE(session->voicesLoading());
    }
    ASSERT_EQ(server.requests().size(), 4);
    EXPECT_EQ(server.requests().first().path, "/v2/voices");
    EXPECT_EQ(server.requests().first().header("xi-api-key"), "xi-test");
}

TEST_F(Voices, ASecondRefreshWhileOneRunsIsIgnored)
{
    server.enqueue(LoopbackServer::Reply::stall(R"({"voices":[)", 5));
    QSignalSpy stalled(&server, &LoopbackServer::stalled);
    QSignalSpy loading(session, &Session::voicesLoadingChanged);
    workflows->narration().refreshVoices();
    ASSERT_TRUE(stalled.wait(5000));
    EXPECT_TRUE(session->voicesLoading());

    // The guard does not depend on busy: no workflow runs here.
    EXPECT_FALSE(session->busy());
    workflows->narration().refreshVoices();
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(loading.count(), 1);
    // Closing ends the stalled fetch from the event loop, touching nothing that went.
    QSignalSpy closed(&server, &LoopbackServer::connectionClosed);
    closeAll();
    EXPECT_TRUE(QTest::qWaitFor([&closed] { return !closed.isEmpty(); }, 5000));
}

TEST_F(Voices, AFailedRefreshKeepsTheListAndTheChoice)
{
    session->setElevenVoices({ana, bia});
    session->setElevenVoice(bia.id);
    server.enqueue(LoopbackServer::Reply::withStatus(401));
    refresh();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_EQ(session->errorMessage(), u"A chave ou a permissão da conta não permite esta operação."_s);
    EXPECT_EQ(session->elevenVoices(), (QList<Voice>{ana, bia}));
    EXPECT_EQ(session->elevenVoice(), bia.id);
    EXPECT_FALSE(session->voicesLoading());
}

TEST_F(Voices, AMissingKeyIsReportedWithoutARequest)
{
    credentials.items.clear();
    refresh();
    EXPECT_EQ(session->status(), u"Erro"_s);
    EXPECT_TRUE(session->errorMessage().has_value());
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(session->voicesLoading());
}
