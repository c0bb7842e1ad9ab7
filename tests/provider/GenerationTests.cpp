#include "tests/provider/ProviderTestFixture.h"

#include "TelvoraCore/Editorial/Editorial.h"
#include "TelvoraCore/Errors/Error.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

using Reply = LoopbackServer::Reply;

const QString incomplete =
    u"A geração não foi concluída. O documento anterior foi preservado; tente uma extensão menor."_s;
const QString refusal = u"O provedor não gerou este conteúdo."_s;
const QString noDocument = u"O provedor retornou uma resposta sem documento."_s;
const QString invalid = u"Resposta de texto inválida."_s;

QByteArray answer(const char *json) { return QByteArray(json); }

TEST(ResponseTextTest, ExtractsOrRefusesEachShape)
{
    struct Case
    {
        const char *name;
        QByteArray data;
        QString text; // expected text when `error` is empty
        QString error;
    };
    const QList<Case> cases{
        {"completed text kept exactly",
         answer(R"({"status":"completed","output":[{"content":[{"type":"output_text","text":"\n# T\n\n"}]}]})"),
         u"\n# T\n\n"_s,
         {}},
        {"two items joined by a line feed",
         answer(
             R"({"output":[{"content":[{"type":"output_text","text":"A"}]},{"type":"message","content":[{"type":"output_text","text":"B"}]}]})"),
         u"A\nB"_s,
         {}},
        {"parts of other types and items without content skipped",
         answer(
             R"({"status":"completed","output":[{"type":"reasoning"},{"content":[{"type":"reasoning_text","text":"no"},{"type":"output_text"},{"type":"output_text","text":"yes"}]}]})"),
         u"yes"_s,
         {}},
        {"status that is not a string does not stop",
         answer(R"({"status":7,"output":[{"content":[{"type":"output_text","text":"ok"}]}]})"),
         u"ok"_s,
         {}},
        {"unfinished with partial text",
         answer(R"({"status":"incomplete","output":[{"content":[{"type":"output_text","text":"half"}]}]})"),
         {},
         incomplete},
        {"refusal beside text",
         answer(R"({"output":[{"content":[{"type":"output_text","text":"A"},{"type":"refusal","refusal":"no"}]}]})"),
         {},
         refusal},
        {"output missing", answer(R"({"status":"completed"})"), {}, noDocument},
        {"output empty", answer(R"({"output":[]})"), {}, noDocument},
        {"output with a non-object element",
         answer(R"({"output":[{"content":[{"type":"output_text","text":"A"}]},3]})"),
         {},
         noDocument},
        {"content with a non-object part",
         answer(R"({"output":[{"content":[{"type":"output_text","text":"A"},"x"]}]})"),
         {},
         noDocument},
        {"only whitespace",
         answer(R"({"output":[{"content":[{"type":"output_text","text":" \n"},{"type":"output_text","text":"\t"}]}]})"),
         {},
         noDocument},
        {"top-level array", answer(R"([{"output":[]}])"), {}, invalid},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        try {
            const QString text = ProviderClient::responseText(row.data);
            EXPECT_TRUE(row.error.isEmpty()) << "returned " << text.toStdString();
            EXPECT_EQ(text, row.text);
        } catch (const TelvoraError &error) {
            EXPECT_EQ(error.message(), row.error);
        }
    }
}

TEST(ResponseTextTest, InvalidJsonIsTheParsersError)
{
    for (const QByteArray &data : {QByteArray(), QByteArray("{\"output\":"), QByteArray("not json")}) {
        SCOPED_TRACE(data.toStdString());
        EXPECT_THROW(ProviderClient::responseText(data), JsonError);
    }
}

class GenerationTest : public ProviderTest
{
};

const QByteArray documentAnswer =
    R"({"status":"completed","output":[{"content":[{"type":"output_text","text":"Documento"}]}]})";

TEST_F(GenerationTest, GenerateSendsTheFiveMembersAndReturnsTheText)
{
    server.enqueue(Reply::withStatus(200, documentAnswer));
    EXPECT_EQ(runTask(client().generate(u"fonte"_s, u"regras"_s, u"sk-1"_s, u"gpt-x"_s)), u"Documento"_s);
    ASSERT_EQ(server.requests().size(), 1);
    const auto &request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/v1/responses");
    EXPECT_EQ(request.json(),
              (QJsonObject{{u"model"_s, u"gpt-x"_s},
                           {u"instructions"_s, u"regras"_s},
                           {u"input"_s, u"fonte"_s},
                           {u"store"_s, false},
                           {u"max_output_tokens"_s, 16000}}));
}

TEST_F(GenerationTest, EditorialRequestsCarryTheComposedInstructionsAndOneTokenLimit)
{
    for (const OutputLength length : {OutputLength(OutputLength::short_), OutputLength(OutputLength::long_)}) {
        SCOPED_TRACE(length.title().toStdString());
        server.enqueue(Reply::withStatus(200, documentAnswer));
        runTask(client().generateEditorial(u"fonte"_s, OutputKind::summary, length, u"sk-1"_s, u"gpt-x"_s));
        const QJsonObject body = server.requests().last().json();
        EXPECT_EQ(body.value(u"instructions"_s).toString(), Editorial::instructions(OutputKind::summary, length));
        EXPECT_EQ(body.value(u"max_output_tokens"_s).toInteger(), 16000);
    }
}

TEST_F(GenerationTest, AnUnfinishedGenerationReturnsNothing)
{
    server.enqueue(Reply::withStatus(
        200, R"({"status":"incomplete","output":[{"content":[{"type":"output_text","text":"meio"}]}]})"));
    EXPECT_EQ(thrownMessage<TelvoraError>(client().generate(u"f"_s, u"i"_s, u"sk-1"_s, u"m"_s)), incomplete);
}

} // namespace
} // namespace telvora::test
