#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/ProviderCatalogs.h"
#include "TelvoraCore/Provider/ProviderClient.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace telvora {
namespace {

struct Reader
{
    const char *name;
    std::function<void(const QByteArray &)> read;
    QByteArray valid;
};

const QList<Reader> &readers()
{
    static const QList<Reader> list{
        {"responseText", [](const QByteArray &d) { (void)ProviderClient::responseText(d); },
         R"({"status":"completed","output":[{"type":"message","content":[{"type":"output_text","text":"Olá, mundo"},{"type":"output_text","text":"B"}]}]})"},
        {"openAIModelIDs", [](const QByteArray &d) { (void)ProviderCatalogs::openAIModelIDs(d); },
         R"({"object":"list","data":[{"id":"gpt-4o","object":"model"},{"id":"o3"}]})"},
        {"elevenModels", [](const QByteArray &d) { (void)ProviderCatalogs::elevenModels(d); },
         R"([{"model_id":"eleven_v3","can_do_text_to_speech":true},{"model_id":"x","can_do_text_to_speech":false}])"},
        {"voicePage", [](const QByteArray &d) { (void)ProviderCatalogs::voicePage(d); },
         R"({"voices":[{"voice_id":"a","name":"Ana"},{"voice_id":"b"}],"has_more":true,"next_page_token":"t"})"},
    };
    return list;
}

enum class Outcome { value, ownMessage, parserError, other };

Outcome outcomeOf(const Reader &reader, const QByteArray &data)
{
    try {
        reader.read(data);
        return Outcome::value;
    } catch (const TelvoraError &) {
        return Outcome::ownMessage;
    } catch (const JsonError &error) {
        return error.message().isEmpty() ? Outcome::other : Outcome::parserError;
    } catch (...) {
        return Outcome::other;
    }
}

TEST(ProviderFuzzTest, ValidSamplesAreRead)
{
    for (const Reader &reader : readers()) {
        SCOPED_TRACE(reader.name);
        EXPECT_EQ(outcomeOf(reader, reader.valid), Outcome::value);
    }
}

TEST(ProviderFuzzTest, EveryTruncationIsTheParsersError)
{
    for (const Reader &reader : readers()) {
        SCOPED_TRACE(reader.name);
        for (qsizetype length = 0; length < reader.valid.size(); ++length)
            ASSERT_EQ(outcomeOf(reader, reader.valid.left(length)), Outcome::parserError) << "length " << length;
    }
}

TEST(ProviderFuzzTest, MutatedAndRandomInputsFailOnlyWithTheirOwnErrors)
{
    std::mt19937 random(20240611);
    const QByteArray alphabet = R"({}[]":,0123456789.-+eE truefalsnul\/"abc	
)";
    for (const Reader &reader : readers()) {
        SCOPED_TRACE(reader.name);
        for (int round = 0; round < 1500; ++round) {
            QByteArray data = reader.valid;
            const int edits = 1 + int(random() % 4);
            for (int e = 0; e < edits && !data.isEmpty(); ++e) {
                const qsizetype at = qsizetype(random() % quint32(data.size()));
                switch (random() % 3) {
                case 0:
                    data[at] = alphabet[qsizetype(random() % quint32(alphabet.size()))];
                    break;
                case 1:
                    data.remove(at, 1 + qsizetype(random() % 8));
                    break;
                default:
                    data.insert(at, alphabet.mid(qsizetype(random() % quint32(alphabet.size())), 3));
                    break;
                }
            }
            ASSERT_NE(outcomeOf(reader, data), Outcome::other) << data.toStdString();

            QByteArray noise(qsizetype(random() % 64), '\0');
            for (char &byte : noise)
                byte = char(random() % 256);
            ASSERT_NE(outcomeOf(reader, noise), Outcome::other) << noise.toHex().toStdString();
        }
        // Deep nesting must be refused by the parser, not exhaust the stack.
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        EXPECT_EQ(outcomeOf(reader, deep), Outcome::parserError);
    }
}

} // namespace
} // namespace telvora
