#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Vocabulary/AIModels.h"
#include "TelvoraCore/Vocabulary/OutputKind.h"
#include "TelvoraCore/Vocabulary/OutputLength.h"
#include "TelvoraCore/Vocabulary/VoiceProvider.h"

#include <QJsonDocument>
#include <QSet>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

template<typename E>
QStringList titles()
{
    QStringList list;
    for (E value : E::allCases())
        list.append(value.id());
    return list;
}

QStringList ids(const QList<Voice> &voices)
{
    QStringList list;
    for (const Voice &voice : voices)
        list.append(voice.id);
    return list;
}

} // namespace

TEST(Vocabulary, CasesKeepTheirDeclarationOrder)
{
    EXPECT_EQ(titles<OutputKind>(),
              (QStringList{u"Resumo"_s, u"Sinopse"_s, u"Literária"_s, u"Instrucional"_s, u"Quintara"_s}));
    EXPECT_EQ(titles<OutputLength>(), (QStringList{u"Curta"_s, u"Média"_s, u"Longa"_s}));
    EXPECT_EQ(titles<VoiceProvider>(), (QStringList{u"ElevenLabs"_s, u"OpenAI"_s}));
}

TEST(Vocabulary, ConstructionFromRawValueIsExact)
{
    EXPECT_EQ(OutputKind::fromRawValue(u"Literária"), OutputKind(OutputKind::literary));
    EXPECT_FALSE(OutputKind::fromRawValue(u"literária"));
    EXPECT_FALSE(OutputKind::fromRawValue(u"Literaria"));
    EXPECT_FALSE(OutputKind::fromRawValue(u"Resumo "));
    EXPECT_EQ(OutputLength::fromRawValue(u"Média"), OutputLength(OutputLength::medium));
    EXPECT_FALSE(OutputLength::fromRawValue(u"Media"));
    EXPECT_EQ(VoiceProvider::fromRawValue(u"OpenAI"), VoiceProvider(VoiceProvider::openAI));
    EXPECT_FALSE(VoiceProvider::fromRawValue(u"openai"));
    for (OutputKind kind : OutputKind::allCases())
        EXPECT_EQ(OutputKind::fromRawValue(kind.rawValue()), kind);
}

TEST(Vocabulary, OpenAIVoicesAreCapitalisedIdentifiers)
{
    const QList<Voice> &voices = Voice::openAI();
    ASSERT_EQ(voices.size(), 13);
    EXPECT_EQ(voices.first(), (Voice{u"marin"_s, u"Marin"_s}));
    EXPECT_EQ(voices.last(), (Voice{u"verse"_s, u"Verse"_s}));
    EXPECT_EQ(&Voice::openAI(), &voices);
}

TEST(Vocabulary, VoicesCompareByIdAndName)
{
    EXPECT_NE((Voice{u"a"_s, u"Ana"_s}), (Voice{u"a"_s, u"Bia"_s}));
    const QSet<Voice> set{{u"a"_s, u"Ana"_s}, {u"a"_s, u"Ana"_s}, {u"a"_s, u"Bia"_s}};
    EXPECT_EQ(set.size(), 2);
}

TEST(Vocabulary, VoiceJsonHasExactlyIdAndName)
{
    const Voice voice{u"x/y"_s, u"Voz"_s};
    EXPECT_EQ(QJsonDocument(voice.toJson()).toJson(QJsonDocument::Compact), R"({"id":"x/y","name":"Voz"})");
    EXPECT_EQ(Voice::fromJson(voice.toJson()), voice);
    EXPECT_FALSE(Voice::fromJson(QJsonObject{{u"id"_s, u"x"_s}}));
    EXPECT_FALSE(Voice::fromJson(QJsonObject{{u"id"_s, 1}, {u"name"_s, u"n"_s}}));
}

TEST(Vocabulary, LegacySpeechModelsGetNineVoices)
{
    const QStringList legacy{u"nova"_s,  u"coral"_s, u"alloy"_s, u"ash"_s,    u"echo"_s,
                             u"fable"_s, u"onyx"_s,  u"sage"_s,  u"shimmer"_s};
    for (const QString &model : {u"tts-1"_s, u"tts-1-hd"_s, u"tts-1-"_s, u"tts-1-2099"_s}) {
        SCOPED_TRACE(model.toStdString());
        EXPECT_TRUE(AIModels::legacySpeech(model));
        EXPECT_EQ(ids(AIModels::voices(model)), legacy);
    }
    for (const QString &model : {u"tts-1x"_s, u"tts-10"_s, u"TTS-1"_s, u"TTS-1-HD"_s, u"gpt-4o-mini-tts"_s, u""_s}) {
        SCOPED_TRACE(model.toStdString());
        EXPECT_FALSE(AIModels::legacySpeech(model));
        EXPECT_EQ(AIModels::voices(model), Voice::openAI());
    }
}

TEST(Vocabulary, ModelCataloguesAreFixed)
{
    EXPECT_EQ(AIModels::whisper().first(), u"large-v3-turbo"_s);
    EXPECT_EQ(AIModels::whisper().size(), 6);
    EXPECT_EQ(AIModels::openAISpeech(),
              (QStringList{u"gpt-4o-mini-tts"_s, u"gpt-4o-mini-tts-2025-12-15"_s, u"tts-1"_s, u"tts-1-hd"_s}));
    EXPECT_EQ(AIModels::elevenSpeech().size(), 6);
    EXPECT_EQ(AIModels::elevenSpeech().last(), u"eleven_turbo_v2_5"_s);
}

// What a workflow's report reads: the sentence through the common base, and the same
// sentence in UTF-8 for code that knows only std::exception.
TEST(Vocabulary, TelvoraErrorDescribesItselfWithItsSentence)
{
    const QString sentence = u"Nenhuma fala foi detectada no áudio."_s;
    try {
        throw TelvoraError(sentence);
    } catch (const Error &error) {
        EXPECT_EQ(error.message(), sentence);
    }
    try {
        throw TelvoraError(sentence);
    } catch (const std::exception &error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), sentence);
    }
}
