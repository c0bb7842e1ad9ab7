#include "TelvoraCore/Provider/ProviderClient.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Provider/ProviderMessages.h"
#include "TelvoraCore/Support/Json.h"

#include <QJsonArray>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// An array of objects, or nothing at all: a malformed list contributes no parts.
QList<QJsonObject> objectsOf(const QJsonValue &value)
{
    if (!value.isArray())
        return {};
    QList<QJsonObject> objects;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isObject())
            return {};
        objects.append(element.toObject());
    }
    return objects;
}

} // namespace

QString ProviderClient::responseText(const QByteArray &data)
{
    const QJsonDocument document = Json::parse(data);
    if (!document.isObject())
        throw TelvoraError(ProviderMessages::invalidText.toString());
    const QJsonObject response = document.object();

    // An unfinished generation may carry partial text; it must never replace a document.
    const QJsonValue status = response.value(u"status"_s);
    if (status.isString() && status.toString() != u"completed")
        throw TelvoraError(ProviderMessages::incomplete.toString());

    QList<QJsonObject> parts;
    for (const QJsonObject &item : objectsOf(response.value(u"output"_s)))
        parts += objectsOf(item.value(u"content"_s));

    QStringList texts;
    for (const QJsonObject &part : std::as_const(parts)) {
        if (part.value(u"type"_s) == u"refusal"_s)
            throw TelvoraError(ProviderMessages::refusal.toString());
        const QJsonValue text = part.value(u"text"_s);
        if (part.value(u"type"_s) == u"output_text"_s && text.isString())
            texts.append(text.toString());
    }
    const QString joined = texts.join(u'\n');
    if (joined.trimmed().isEmpty())
        throw TelvoraError(ProviderMessages::noDocument.toString());
    return joined;
}

} // namespace telvora
