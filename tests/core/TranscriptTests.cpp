#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Transcript/Transcript.h"
#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <limits>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

QString decodeFailure(const QByteArray &bytes)
{
    try {
        Transcript::decode(bytes, true);
    } catch (const JsonError &error) {
        return error.message();
    }
    ADD_FAILURE() << "no JsonError for " << bytes.toStdString();
    return {};
}

} // namespace

TEST(Transcript, RendersEachSegmentOnItsOwnLineWithOrWithoutTimecodes)
{
    const QByteArray json = R"([
        {"locutor": "Ana", "inicio": 3.9, "fim": 65.2, "texto": "Bom dia."},
        {"locutor": "", "inicio": 3600, "fim": 3601.5, "texto": " sem rótulo "},
        {"locutor": "Ana", "inicio": 70, "fim": 71, "texto": "De novo."}
    ])";
    const auto timed = Transcript::decode(json, true);
    EXPECT_EQ(timed.text,
              u"[00:00:03 - 00:01:05] Ana: Bom dia.\n\n"
              u"[01:00:00 - 01:00:01] :  sem rótulo \n\n"
              u"[00:01:10 - 00:01:11] Ana: De novo."_s);
    EXPECT_EQ(timed.speakers, 2);

    const auto plain = Transcript::decode(json, false);
    EXPECT_EQ(plain.text, u"Ana: Bom dia.\n\n:  sem rótulo \n\nAna: De novo."_s);
    EXPECT_EQ(plain.speakers, 2);
}

TEST(Transcript, CountsDistinctSpeakersByExactLabel)
{
    struct Case
    {
        const char *name;
        QByteArray json;
        int speakers;
    };
    const Case cases[] = {
        {"two A and one B",
         R"([{"locutor":"A","inicio":0,"fim":1,"texto":"x"},{"locutor":"B","inicio":1,"fim":2,"texto":"y"},{"locutor":"A","inicio":2,"fim":3,"texto":"z"}])",
         2},
        {"three empty labels",
         R"([{"locutor":"","inicio":0,"fim":1,"texto":"x"},{"locutor":"","inicio":1,"fim":2,"texto":"y"},{"locutor":"","inicio":2,"fim":3,"texto":"z"}])",
         1},
        {"case matters",
         R"([{"locutor":"ana","inicio":0,"fim":1,"texto":"x"},{"locutor":"Ana","inicio":1,"fim":2,"texto":"y"}])", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Transcript::decode(c.json, false).speakers, c.speakers);
    }
}

TEST(Transcript, EmptyArrayIsNoSpeech)
{
    try {
        Transcript::decode("[]", true);
        FAIL() << "an empty transcript was accepted";
    } catch (const TelvoraError &error) {
        EXPECT_EQ(error.message(), u"Nenhuma fala foi detectada no áudio."_s);
    }
}

TEST(Transcript, MalformedInputThrowsTheDecodersErrorNamingElementAndKey)
{
    struct Case
    {
        const char *name;
        QByteArray json;
        QString expected;
    };
    const Case cases[] = {
        {"not JSON", "[{\"locutor\":", u"JSON inválido (posição 12): um objeto não foi fechado."_s},
        {"empty input", "", u"JSON inválido (posição 0): há um valor inválido."_s},
        {"two values without a comma", "[1 2]", u"JSON inválido (posição 4): falta uma vírgula entre dois valores."_s},
        {"object at top", R"({"locutor":"A"})", u"A transcrição deve ser uma lista JSON de segmentos."_s},
        {"element not an object", R"([{"locutor":"A","inicio":0,"fim":1,"texto":"x"}, 5])",
         u"O elemento de índice 1 da transcrição não é um objeto JSON."_s},
        {"missing fim", R"([{"locutor":"A","inicio":0,"texto":"x"}])",
         u"O segmento de índice 0 da transcrição não tem a chave \"fim\"."_s},
        {"inicio as text", R"([{"locutor":"A","inicio":"0","fim":1,"texto":"x"}])",
         u"No segmento de índice 0 da transcrição, a chave \"inicio\" deve ser um número."_s},
        {"null locutor", R"([{"locutor":null,"inicio":0,"fim":1,"texto":"x"}])",
         u"No segmento de índice 0 da transcrição, a chave \"locutor\" deve ser um texto."_s},
        {"texto as number", R"([{"locutor":"A","inicio":0,"fim":1,"texto":7}])",
         u"No segmento de índice 0 da transcrição, a chave \"texto\" deve ser um texto."_s},
        {"lone high surrogate in texto", R"([{"locutor":"A","inicio":0,"fim":1,"texto":"x\ud800y"}])",
         u"No segmento de índice 0 da transcrição, a chave \"texto\" tem um caractere incompleto (metade de um par "
         u"UTF-16)."_s},
        {"lone low surrogate in locutor", R"([{"locutor":"\udc00A","inicio":0,"fim":1,"texto":"x"}])",
         u"No segmento de índice 0 da transcrição, a chave \"locutor\" tem um caractere incompleto (metade de um par "
         u"UTF-16)."_s},
        {"high surrogate ending the text",
         R"([{"locutor":"A","inicio":0,"fim":1,"texto":"x"},{"locutor":"B","inicio":1,"fim":2,"texto":"fim\ud83d"}])",
         u"No segmento de índice 1 da transcrição, a chave \"texto\" tem um caractere incompleto (metade de um par "
         u"UTF-16)."_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeFailure(c.json), c.expected);
    }
}

TEST(Transcript, AnEscapedSurrogatePairIsOneCharacter)
{
    const Transcript::Decoded decoded =
        Transcript::decode(R"([{"locutor":"Ana","inicio":0,"fim":1,"texto":"Oi \ud83d\ude00"}])", false);
    EXPECT_EQ(decoded.text, u"Ana: Oi \U0001F600"_s);
}

TEST(Transcript, SegmentDecodingAcceptsIntegersAndIgnoresExtraKeys)
{
    const QJsonObject object =
        QJsonDocument::fromJson(R"({"locutor":"Ana","inicio":12,"fim":13.5,"texto":"Oi","confianca":0.93})").object();
    const TranscriptSegment segment = TranscriptSegment::fromJson(object);
    EXPECT_EQ(segment, (TranscriptSegment{u"Ana"_s, 12.0, 13.5, u"Oi"_s}));
}

TEST(Transcript, SegmentEncodingWritesTheFourKeysAndRoundTrips)
{
    const TranscriptSegment segment{u"Bruno \"B\""_s, 0.25, 1e6, u"Olá\nmundo"_s};
    const QJsonObject object = segment.toJson();
    EXPECT_EQ(object.keys(), (QStringList{u"fim"_s, u"inicio"_s, u"locutor"_s, u"texto"_s}));
    const QByteArray bytes = QJsonDocument(object).toJson();
    EXPECT_EQ(TranscriptSegment::fromJson(QJsonDocument::fromJson(bytes).object()), segment);
}

// What the reader exports to be resumed reads back the same, whatever the segments hold,
// and takes less room than an indented file of the same segments.
TEST(Transcript, EncodedSegmentsDecodeToThemselves)
{
    const QList<TranscriptSegment> segments{
        {u"Ana \"Souza\""_s, 0, 0.1, u"Aspas \", barra \\ e\nquebra."_s},
        {u"Bruno"_s, 0.1 + 0.2, 1e9 + 0.123456789, u"Olá, 🇧🇷 e\u0301 \u2028 \t fim"_s},
        {QString(), 5e-324, std::numeric_limits<double>::max(), QString()},
    };
    const QByteArray encoded = Transcript::encode(segments);
    EXPECT_EQ(Transcript::decode(encoded, true).segments, segments);
    QJsonArray array;
    for (const TranscriptSegment &segment : segments)
        array.append(segment.toJson());
    EXPECT_LT(encoded.size(), QJsonDocument(array).toJson(QJsonDocument::Indented).size());
    EXPECT_TRUE(encoded.contains("Olá")) << "UTF-8 as it is, not escaped";
}

TEST(Transcript, ClockFormatsWholeSecondsWithUnboundedHours)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char *name;
        double seconds;
        QString expected;
    };
    const Case cases[] = {
        {"zero", 0, u"00:00:00"_s},
        {"negative", -5, u"00:00:00"_s},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), u"00:00:00"_s},
        {"positive infinity", infinity, u"00:00:00"_s},
        {"negative infinity", -infinity, u"00:00:00"_s},
        {"just under a minute", 59.999, u"00:00:59"_s},
        {"one hour", 3600, u"01:00:00"_s},
        {"mixed", 3723.4, u"01:02:03"_s},
        {"a hundred hours", 360000, u"100:00:00"_s},
        {"largest exact count", 9223372036854774784.0, u"2562047788015215:13:04"_s},
        {"beyond 64 bits is clamped", 1e300, u"2562047788015215:30:07"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Transcript::clock(c.seconds), c.expected);
    }
}
