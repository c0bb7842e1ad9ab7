#include "tests/provider/ProviderTestFixture.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/OpenAIModels.h"

#include <QJsonArray>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

using Reply = LoopbackServer::Reply;

const QString partial = u"A lista de vozes não pôde ser carregada por completo. Tente atualizar novamente."_s;

QJsonObject voice(const QString &id, const QString &name)
{
    return QJsonObject{{u"voice_id"_s, id}, {u"name"_s, name}};
}

QJsonObject page(const QJsonArray &voices, const QJsonValue &hasMore = false, const QJsonValue &token = QJsonValue())
{
    return QJsonObject{{u"voices"_s, voices}, {u"has_more"_s, hasMore}, {u"next_page_token"_s, token}};
}

TEST(OpenAIModelsTest, TextCandidatesFilterAndOrder)
{
    struct Case
    {
        const char *name;
        QStringList ids;
        QStringList expected;
    };
    const QList<Case> cases{
        {"suggestions first, exclusions in any case",
         {u"gpt-4o"_s, u"gpt-4o-mini-tts"_s, u"text-embedding-3-large"_s, u"gpt-image-1"_s, u"GPT-Realtime-x"_s,
          u"o3"_s, u"gpt-5.4-mini"_s},
         {u"gpt-5.4-mini"_s, u"gpt-4o"_s, u"o3"_s}},
        {"empty list stays empty", {}, {}},
        {"empty ids and duplicates dropped", {u""_s, u"b"_s, u"a"_s, u"b"_s}, {u"a"_s, u"b"_s}},
        {"digit runs by value, case ignored",
         {u"gpt-10"_s, u"GPT-4.1"_s, u"gpt-4.1-nano"_s, u"Alpha"_s, u"beta"_s},
         {u"Alpha"_s, u"beta"_s, u"GPT-4.1"_s, u"gpt-4.1-nano"_s, u"gpt-10"_s}},
        {"suggestions keep their own order",
         {u"gpt-5.4-mini"_s, u"gpt-6-luna"_s, u"gpt-6-astra"_s, u"whisper-1"_s, u"sora-2"_s, u"dall-e-3"_s},
         {u"gpt-6-astra"_s, u"gpt-6-luna"_s, u"gpt-5.4-mini"_s}},
        {"differing only in case, a fixed order",
         {u"model"_s, u"Model"_s},
         OpenAIModels::textCandidates({u"Model"_s, u"model"_s})},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(OpenAIModels::textCandidates(row.ids), row.expected);
    }
    EXPECT_EQ(OpenAIModels::textCandidates({u"model"_s, u"Model"_s}).size(), 2);
}

class CatalogTest : public ProviderTest
{
};

TEST_F(CatalogTest, OpenAIModelIDsAreUniqueInCodePointOrder)
{
    const QJsonArray data{QJsonObject{{u"id"_s, u"b"_s}, {u"owned_by"_s, u"x"_s}}, QJsonObject{{u"id"_s, u"B"_s}},
                          QJsonObject{{u"id"_s, u"a"_s}}, QJsonObject{{u"id"_s, u"b"_s}},
                          QJsonObject{{u"id"_s, u"tts-1"_s}}};
    server.enqueue(Reply::json(QJsonObject{{u"data"_s, data}}));
    EXPECT_EQ(runTask(client().openAIModelIDs(u"sk"_s)), (QStringList{u"B"_s, u"a"_s, u"b"_s, u"tts-1"_s}));

    server.enqueue(Reply::json(QJsonObject{{u"data"_s, data}}));
    // Lower case first among names that differ only in case, as the collator ranks them.
    EXPECT_EQ(runTask(client().textModels(u"sk"_s)), (QStringList{u"a"_s, u"b"_s, u"B"_s}));

    server.enqueue(Reply::json(QJsonObject{{u"data"_s, QJsonArray{}}}));
    EXPECT_TRUE(runTask(client().openAIModelIDs(u"sk"_s)).isEmpty());
}

TEST_F(CatalogTest, MalformedModelListsAreRefused)
{
    const QString openAI = u"Lista de modelos inválida. O modelo atual foi preservado."_s;
    const QString eleven = u"Lista de modelos ElevenLabs inválida."_s;
    struct Case
    {
        const char *name;
        bool elevenLabs;
        QByteArray body;
        QString message;
    };
    const QList<Case> cases{
        {"OpenAI element without id", false, R"({"data":[{"id":"a"},{"object":"model"}]})", openAI},
        {"OpenAI id not a string", false, R"({"data":[{"id":4}]})", openAI},
        {"OpenAI top-level array", false, R"([{"id":"a"}])", openAI},
        {"OpenAI data not an array", false, R"({"data":{"id":"a"}})", openAI},
        {"OpenAI data with a string", false, R"({"data":["a"]})", openAI},
        {"ElevenLabs top-level object", true, R"({"models":[]})", eleven},
        {"ElevenLabs element without model_id", true, R"([{"model_id":"a"},{"name":"b"}])", eleven},
        {"ElevenLabs array with a number", true, R"([1])", eleven},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        server.enqueue(Reply::withStatus(200, row.body));
        if (row.elevenLabs)
            EXPECT_EQ(thrownMessage<TelvoraError>(client().elevenModels(u"xi"_s)), row.message);
        else
            EXPECT_EQ(thrownMessage<TelvoraError>(client().openAIModelIDs(u"sk"_s)), row.message);
    }
    server.enqueue(Reply::withStatus(200, "[{\"model_id\":"));
    EXPECT_FALSE(thrownMessage<JsonError>(client().elevenModels(u"xi"_s)).isEmpty());
}

TEST_F(CatalogTest, ElevenModelsKeepOnlyRealSpeechModels)
{
    server.enqueue(Reply::withStatus(200, R"([
        {"model_id":"z_speaks","can_do_text_to_speech":true},
        {"model_id":"silent","can_do_text_to_speech":false},
        {"model_id":"unknown"},
        {"model_id":"string_true","can_do_text_to_speech":"true"},
        {"model_id":"a_speaks","can_do_text_to_speech":true,"name":"A"},
        {"model_id":"z_speaks","can_do_text_to_speech":true}])"));
    EXPECT_EQ(runTask(client().elevenModels(u"xi"_s)), (QStringList{u"a_speaks"_s, u"z_speaks"_s}));
    EXPECT_EQ(server.requests()[0].path, "/v1/models");
}

TEST_F(CatalogTest, VoicesArePagedDedupedAndSortedByName)
{
    server.enqueue({
        Reply::json(page({voice(u"v10"_s, u"Voz 10"_s), voice(u"dup"_s, u"primeira"_s),
                          QJsonObject{{u"voice_id"_s, u"nameless"_s}}, voice(u"b2"_s, u"beta"_s)},
                         true, u"tok/1+2 3&x=%"_s)),
        Reply::json(page({voice(u"v2"_s, u"voz 2"_s), voice(u"dup"_s, u"segunda"_s), voice(u"b1"_s, u"beta"_s),
                          QJsonObject{{u"voice_id"_s, 7}, {u"name"_s, u"number id"_s}}})),
    });
    const QList<Voice> voices = runTask(client().elevenVoices(u"xi"_s));
    EXPECT_EQ(voices,
              (QList<Voice>{{u"b2"_s, u"beta"_s},
                            {u"b1"_s, u"beta"_s},
                            {u"dup"_s, u"primeira"_s},
                            {u"v2"_s, u"voz 2"_s},
                            {u"v10"_s, u"Voz 10"_s}}));

    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].path, "/v2/voices");
    EXPECT_EQ(server.requests()[0].query, "page_size=100");
    const QUrlQuery second(QString::fromLatin1(server.requests()[1].query));
    EXPECT_EQ(server.requests()[1].query.left(30), "page_size=100&next_page_token=");
    EXPECT_EQ(second.queryItemValue(u"next_page_token"_s, QUrl::FullyDecoded), u"tok/1+2 3&x=%"_s);
}

TEST_F(CatalogTest, VoicePagingStopsOnUnusableTokens)
{
    struct Case
    {
        const char *name;
        QList<QJsonObject> pages;
        QString message;
        qsizetype requests;
    };
    const QJsonArray one{voice(u"a"_s, u"A"_s)};
    const QList<Case> cases{
        {"token null", {page(one, true, QJsonValue::Null)}, partial, 1},
        {"token empty", {page(one, true, u""_s)}, partial, 1},
        {"token a number", {page(one, true, 5)}, partial, 1},
        {"token repeated by the second page", {page(one, true, u"t1"_s), page(one, true, u"t1"_s)}, partial, 2},
        {"page without voices",
         {page(one, true, u"t1"_s), QJsonObject{{u"has_more"_s, false}}},
         u"Lista de vozes inválida."_s,
         2},
        {"voices with a string element",
         {QJsonObject{{u"voices"_s, QJsonArray{u"a"_s}}}},
         u"Lista de vozes inválida."_s,
         1},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        const qsizetype before = server.requests().size();
        for (const QJsonObject &body : row.pages)
            server.enqueue(Reply::json(body));
        EXPECT_EQ(thrownMessage<TelvoraError>(client().elevenVoices(u"xi"_s)), row.message);
        EXPECT_EQ(server.requests().size() - before, row.requests);
    }
}

TEST_F(CatalogTest, AFailingLaterPageDiscardsTheEarlierOnes)
{
    server.enqueue({Reply::json(page({voice(u"a"_s, u"A"_s)}, true, u"t1"_s)), Reply::withStatus(500)});
    EXPECT_EQ(thrownMessage<TelvoraError>(client().elevenVoices(u"xi"_s)),
              u"O provedor recusou a operação (HTTP 500). Confira modelo, voz e disponibilidade na sua conta."_s);
}

} // namespace
} // namespace telvora::test
