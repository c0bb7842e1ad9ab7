#include "tests/provider/ProviderTestFixture.h"

#include "TelvoraCore/Errors/Error.h"

using namespace Qt::Literals::StringLiterals;

namespace telvora::test {
namespace {

using Reply = LoopbackServer::Reply;

const QString delivery = u"Fale em português brasileiro, com entonação natural, calor humano e pausas coerentes. "
                         u"Respeite o sentido e a emoção de cada frase, sem teatralizar."_s;

class SpeechTest : public ProviderTest
{
};

TEST_F(SpeechTest, RequestsForEachProviderAndModel)
{
    struct Case
    {
        const char *name;
        VoiceProvider provider;
        QString voice;
        QString openAIModel;
        QByteArray path;
        QByteArray query;
        QJsonObject body;
    };
    const QString text = u"Bom dia, ouvinte."_s;
    const auto openAIBody = [&](const QString &model, const QString &voice, bool instructions) {
        QJsonObject body{
            {u"model"_s, model}, {u"voice"_s, voice}, {u"input"_s, text}, {u"response_format"_s, u"mp3"_s}};
        if (instructions)
            body.insert(u"instructions"_s, delivery);
        return body;
    };
    const QJsonObject elevenBody{{u"text"_s, text}, {u"model_id"_s, u"eleven_v3"_s}};
    const QList<Case> cases{
        {"OpenAI current model, any voice, with instructions", VoiceProvider::openAI, u"marin"_s, u"gpt-4o-mini-tts"_s,
         "/v1/audio/speech", "", openAIBody(u"gpt-4o-mini-tts"_s, u"marin"_s, true)},
        {"OpenAI voice unknown to a current model is the provider's call", VoiceProvider::openAI, u"nobody"_s,
         u"gpt-4o-mini-tts"_s, "/v1/audio/speech", "", openAIBody(u"gpt-4o-mini-tts"_s, u"nobody"_s, true)},
        {"OpenAI tts-1 without instructions", VoiceProvider::openAI, u"nova"_s, u"tts-1"_s, "/v1/audio/speech", "",
         openAIBody(u"tts-1"_s, u"nova"_s, false)},
        {"OpenAI tts-1- prefix is legacy", VoiceProvider::openAI, u"alloy"_s, u"tts-1-2099"_s, "/v1/audio/speech", "",
         openAIBody(u"tts-1-2099"_s, u"alloy"_s, false)},
        {"ElevenLabs plain id", VoiceProvider::elevenLabs, u"21m00Tcm4"_s, u"tts-1"_s, "/v1/text-to-speech/21m00Tcm4",
         "output_format=mp3_44100_128", elevenBody},
        {"ElevenLabs space encoded, slash kept",
         VoiceProvider::elevenLabs,
         u"a b/c"_s,
         {},
         "/v1/text-to-speech/a%20b/c",
         "output_format=mp3_44100_128",
         elevenBody},
        {"ElevenLabs question mark and percent stay in the path",
         VoiceProvider::elevenLabs,
         u"x?y%z#"_s,
         {},
         "/v1/text-to-speech/x%3Fy%25z%23",
         "output_format=mp3_44100_128",
         elevenBody},
        {"ElevenLabs blank voice is sent",
         VoiceProvider::elevenLabs,
         u" "_s,
         {},
         "/v1/text-to-speech/%20",
         "output_format=mp3_44100_128",
         elevenBody},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        server.enqueue(Reply::withStatus(200, "ID3-audio"));
        const QByteArray audio =
            runTask(client().speech(text, row.provider, u"key"_s, row.voice, u"eleven_v3"_s, row.openAIModel));
        EXPECT_EQ(audio, "ID3-audio");
        const auto &request = server.requests().last();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, row.path);
        EXPECT_EQ(request.query, row.query);
        EXPECT_EQ(request.json(), row.body);
        EXPECT_EQ(request.hasHeader("xi-api-key"), row.provider == VoiceProvider::elevenLabs);
    }
}

TEST_F(SpeechTest, VoiceChecksComeBeforeTheKeyAndTheNetwork)
{
    struct Case
    {
        const char *name;
        VoiceProvider provider;
        QString key;
        QString voice;
        QString openAIModel;
        QString message;
    };
    const QList<Case> cases{
        {"ElevenLabs empty voice, no key",
         VoiceProvider::elevenLabs,
         {},
         {},
         {},
         u"Selecione uma voz da ElevenLabs."_s},
        {"ElevenLabs voice with a broken surrogate",
         VoiceProvider::elevenLabs,
         u"k"_s,
         QString(QChar(0xD800)),
         {},
         u"Selecione uma voz da ElevenLabs."_s},
        {"ElevenLabs voice but no key",
         VoiceProvider::elevenLabs,
         u" "_s,
         u"v"_s,
         {},
         u"Configure a chave de API do provedor em Chaves de API."_s},
        {"tts-1-hd refuses marin",
         VoiceProvider::openAI,
         {},
         u"marin"_s,
         u"tts-1-hd"_s,
         u"Escolha uma voz compatível com tts-1-hd no painel de voz."_s},
        {"tts-1- prefix refuses verse", VoiceProvider::openAI, u"k"_s, u"verse"_s, u"tts-1-x"_s,
         u"Escolha uma voz compatível com tts-1-x no painel de voz."_s},
        {"legacy voice ids are case-sensitive", VoiceProvider::openAI, u"k"_s, u"Nova"_s, u"tts-1"_s,
         u"Escolha uma voz compatível com tts-1 no painel de voz."_s},
        {"OpenAI good voice but no key",
         VoiceProvider::openAI,
         {},
         u"nova"_s,
         u"tts-1"_s,
         u"Configure a chave de API do provedor em Chaves de API."_s},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(thrownMessage<TelvoraError>(
                      client().speech(u"t"_s, row.provider, row.key, row.voice, u"eleven_v3"_s, row.openAIModel)),
                  row.message);
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

} // namespace
} // namespace telvora::test
