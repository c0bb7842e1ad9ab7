#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <limits>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray complete =
    R"({"model":"large-v3-turbo","language":"pt","vocabulary":"","diarization":true,"speakerCount":2,)"
    R"("speakerNames":"Ana, Bruno","segmentationModel":"","embeddingModel":""})";

QByteArray replaced(const QByteArray &from, const QByteArray &to)
{
    QByteArray json = complete;
    EXPECT_TRUE(json.contains(from));
    return json.replace(from, to);
}

} // namespace

TEST(LocalTranscriptionOptions, EncodesTheEightKeysInFieldOrder)
{
    const LocalTranscriptionOptions empty{};
    EXPECT_EQ(empty.toJson(),
              R"({"model":"","language":"","vocabulary":"","diarization":false,"speakerCount":0,)"
              R"("speakerNames":"","segmentationModel":"","embeddingModel":""})");
}

TEST(LocalTranscriptionOptions, EscapesTextsAndRoundTrips)
{
    const LocalTranscriptionOptions options{u"/home/ana/pesos \"whisper\""_s,
                                            u"pt"_s,
                                            u"Telvora, ONNX\nlinha\t\\ \u0001 ç 🎙️"_s,
                                            true,
                                            9007199254740993,
                                            u"Ana, Bruno"_s,
                                            u"/modelos/seg.onnx"_s,
                                            u"/modelos/emb.onnx"_s};
    const QByteArray json = options.toJson();
    EXPECT_FALSE(QJsonDocument::fromJson(json).isNull()) << json.toStdString();
    EXPECT_TRUE(json.contains(R"("speakerCount":9007199254740993,)")) << json.toStdString();
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(json), options);

    // The extreme counts survive the trip too, written and read back as exact integers.
    for (const qint64 count : {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min(), qint64(-1)}) {
        SCOPED_TRACE(count);
        LocalTranscriptionOptions extreme = options;
        extreme.speakerCount = count;
        const QByteArray written = extreme.toJson();
        EXPECT_TRUE(written.contains(QByteArray("\"speakerCount\":" + QByteArray::number(count) + ',')))
            << written.toStdString();
        EXPECT_EQ(LocalTranscriptionOptions::fromJson(written), extreme);
    }
}

TEST(LocalTranscriptionOptions, DecodesCompleteObjectsIgnoringExtraKeys)
{
    const LocalTranscriptionOptions expected{u"large-v3-turbo"_s, u"pt"_s, u""_s, true, 2,
                                             u"Ana, Bruno"_s,     u""_s,   u""_s};
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(complete), expected);
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(replaced("{", R"({"extra":[1,2],)")), expected);
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(QJsonDocument::fromJson(complete).object()), expected);
    // The parser does not keep how a number was written: a whole 2.0 reads as 2.
    EXPECT_EQ(LocalTranscriptionOptions::fromJson(replaced(R"("speakerCount":2)", R"("speakerCount":2.0)")), expected);
}

TEST(LocalTranscriptionOptions, StrictDecodingRejectsMissingAndMistypedKeys)
{
    struct Case
    {
        const char *name;
        QByteArray json;
        QString message;
    };
    const Case cases[] = {
        {"missing embeddingModel", replaced(R"(,"embeddingModel":"")", ""),
         u"As opções de transcrição não têm a chave \"embeddingModel\"."_s},
        {"model as number", replaced(R"("model":"large-v3-turbo")", R"("model":3)"),
         u"Nas opções de transcrição, a chave \"model\" deve ser um texto."_s},
        {"language null", replaced(R"("language":"pt")", R"("language":null)"),
         u"Nas opções de transcrição, a chave \"language\" deve ser um texto."_s},
        {"diarization as text", replaced(R"("diarization":true)", R"("diarization":"true")"),
         u"Nas opções de transcrição, a chave \"diarization\" deve ser true ou false."_s},
        {"diarization as number", replaced(R"("diarization":true)", R"("diarization":1)"),
         u"Nas opções de transcrição, a chave \"diarization\" deve ser true ou false."_s},
        {"fractional speakerCount", replaced(R"("speakerCount":2)", R"("speakerCount":2.5)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount as text", replaced(R"("speakerCount":2)", R"("speakerCount":"2")"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount as bool", replaced(R"("speakerCount":2)", R"("speakerCount":true)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount beyond 64 bits", replaced(R"("speakerCount":2)", R"("speakerCount":1e19)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount of 2^63", replaced(R"("speakerCount":2)", R"("speakerCount":9223372036854775808)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount one below -2^63", replaced(R"("speakerCount":2)", R"("speakerCount":-9223372036854775809)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"speakerCount far below 64 bits", replaced(R"("speakerCount":2)", R"("speakerCount":-1e19)"),
         u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s},
        {"array instead of object", "[]", u"As opções de transcrição devem ser um objeto JSON."_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            LocalTranscriptionOptions::fromJson(c.json);
            ADD_FAILURE() << "accepted " << c.json.toStdString();
        } catch (const JsonError &error) {
            EXPECT_EQ(error.message(), c.message);
        }
    }
    EXPECT_THROW(LocalTranscriptionOptions::fromJson(QByteArray("{\"model\":")), JsonError);
}
