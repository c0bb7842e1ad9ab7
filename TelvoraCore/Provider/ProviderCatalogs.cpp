#include "TelvoraCore/Provider/ProviderCatalogs.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/NaturalOrder.h"
#include "TelvoraCore/Provider/ProviderMessages.h"
#include "TelvoraCore/Support/Json.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace telvora::ProviderCatalogs {

namespace {

[[noreturn]] void fail(QStringView message) { throw TelvoraError(message.toString()); }

bool allObjects(const QJsonArray &array)
{
    return std::all_of(array.begin(), array.end(), [](const QJsonValue &v) { return v.isObject(); });
}

} // namespace

QStringList openAIModelIDs(const QByteArray &data)
{
    const QJsonDocument document = Json::parse(data);
    const QJsonValue list = document.object().value(u"data"_s);
    if (!document.isObject() || !list.isArray() || !allObjects(list.toArray()))
        fail(ProviderMessages::invalidModels);
    QStringList ids;
    for (const QJsonValue element : list.toArray()) {
        const QJsonValue id = element.toObject().value(u"id"_s);
        if (!id.isString())
            fail(ProviderMessages::invalidModels);
        ids.append(id.toString());
    }
    return NaturalOrder::uniqueInCodePointOrder(ids);
}

QStringList elevenModels(const QByteArray &data)
{
    const QJsonDocument document = Json::parse(data);
    if (!document.isArray() || !allObjects(document.array()))
        fail(ProviderMessages::invalidElevenModels);
    QStringList ids;
    for (const QJsonValue element : document.array()) {
        const QJsonObject model = element.toObject();
        const QJsonValue id = model.value(u"model_id"_s);
        if (!id.isString())
            fail(ProviderMessages::invalidElevenModels);
        // Only a real boolean counts; a string "true" is not a promise of speech.
        const QJsonValue speaks = model.value(u"can_do_text_to_speech"_s);
        if (speaks.isBool() && speaks.toBool())
            ids.append(id.toString());
    }
    return NaturalOrder::uniqueInCodePointOrder(ids);
}

VoicePage voicePage(const QByteArray &data)
{
    const QJsonDocument document = Json::parse(data);
    const QJsonObject page = document.object();
    const QJsonValue voices = page.value(u"voices"_s);
    if (!document.isObject() || !voices.isArray() || !allObjects(voices.toArray()))
        fail(ProviderMessages::invalidVoices);
    VoicePage result;
    for (const QJsonValue element : voices.toArray()) {
        const QJsonObject voice = element.toObject();
        const QJsonValue id = voice.value(u"voice_id"_s);
        const QJsonValue name = voice.value(u"name"_s);
        if (id.isString() && name.isString())
            result.voices.append(Voice{id.toString(), name.toString()});
    }
    const QJsonValue hasMore = page.value(u"has_more"_s);
    result.hasMore = hasMore.isBool() && hasMore.toBool();
    const QJsonValue token = page.value(u"next_page_token"_s);
    if (token.isString())
        result.nextPageToken = token.toString();
    return result;
}

QList<Voice> finishVoices(QList<Voice> voices)
{
    QSet<QString> seen;
    QList<Voice> unique;
    for (Voice &voice : voices) {
        if (!seen.contains(voice.id)) {
            seen.insert(voice.id);
            unique.append(std::move(voice));
        }
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [](const Voice &a, const Voice &b) { return NaturalOrder::less(a.name, b.name); });
    return unique;
}

} // namespace telvora::ProviderCatalogs
