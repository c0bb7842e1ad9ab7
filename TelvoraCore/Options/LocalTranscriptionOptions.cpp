#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

// The keys, in field order: the worker's request file is written in this order.
namespace Key {
constexpr QStringView model = u"model";
constexpr QStringView language = u"language";
constexpr QStringView vocabulary = u"vocabulary";
constexpr QStringView diarization = u"diarization";
constexpr QStringView speakerCount = u"speakerCount";
constexpr QStringView speakerNames = u"speakerNames";
constexpr QStringView segmentationModel = u"segmentationModel";
constexpr QStringView embeddingModel = u"embeddingModel";
} // namespace Key

// QJsonObject sorts its keys, so the object is written member by member; each value
// goes through the JSON writer for correct escaping.
QByteArray encoded(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

QJsonValue required(const QJsonObject &object, QStringView key)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        throw JsonError(u"As opções de transcrição não têm a chave \"%1\"."_s.arg(key));
    return found.value();
}

QString text(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = required(object, key);
    if (!value.isString())
        throw JsonError(u"Nas opções de transcrição, a chave \"%1\" deve ser um texto."_s.arg(key));
    return value.toString();
}

bool flag(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = required(object, key);
    if (!value.isBool())
        throw JsonError(u"Nas opções de transcrição, a chave \"%1\" deve ser true ou false."_s.arg(key));
    return value.toBool();
}

// Any JSON number with a whole value that fits 64 bits: the parser keeps no trace of
// how the number was written, so 2 and 2.0 read the same. The test goes through
// toInteger rather than a double, which would round 2^63 - 1 up to 2^63 and refuse the
// largest count we write ourselves; a value toInteger cannot convert returns the given
// fallback, so two different fallbacks tell it apart from a genuine result.
qint64 integer(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = required(object, key);
    const qint64 number = value.toInteger(1);
    if (!value.isDouble() || number != value.toInteger(2))
        throw JsonError(u"Nas opções de transcrição, a chave \"%1\" deve ser um número inteiro."_s.arg(key));
    return number;
}

} // namespace

QByteArray LocalTranscriptionOptions::toJson() const
{
    const std::array<std::pair<QStringView, QJsonValue>, 8> members{{
        {Key::model, model},
        {Key::language, language},
        {Key::vocabulary, vocabulary},
        {Key::diarization, diarization},
        {Key::speakerCount, speakerCount},
        {Key::speakerNames, speakerNames},
        {Key::segmentationModel, segmentationModel},
        {Key::embeddingModel, embeddingModel},
    }};
    QByteArray json = "{";
    for (const auto &[key, value] : members) {
        if (json.size() > 1)
            json += ',';
        json += encoded(key.toString()) + ':' + encoded(value);
    }
    return json + '}';
}

LocalTranscriptionOptions LocalTranscriptionOptions::fromJson(const QByteArray &bytes)
{
    const QJsonDocument document = Json::parse(bytes);
    if (!document.isObject())
        throw JsonError(u"As opções de transcrição devem ser um objeto JSON."_s);
    return fromJson(document.object());
}

LocalTranscriptionOptions LocalTranscriptionOptions::fromJson(const QJsonObject &object)
{
    return LocalTranscriptionOptions{
        text(object, Key::model),
        text(object, Key::language),
        text(object, Key::vocabulary),
        flag(object, Key::diarization),
        integer(object, Key::speakerCount),
        text(object, Key::speakerNames),
        text(object, Key::segmentationModel),
        text(object, Key::embeddingModel),
    };
}

} // namespace telvora
