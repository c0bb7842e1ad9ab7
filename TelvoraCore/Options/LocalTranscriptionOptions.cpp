#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/Json.h"
#include "TelvoraCore/Support/JsonFields.h"

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
    const JsonFields fields(object, u"As opções de transcrição não têm"_s, u"Nas opções de transcrição"_s);
    return LocalTranscriptionOptions{
        fields.text(Key::model),
        fields.text(Key::language),
        fields.text(Key::vocabulary),
        fields.flag(Key::diarization),
        fields.integer(Key::speakerCount),
        fields.text(Key::speakerNames),
        fields.text(Key::segmentationModel),
        fields.text(Key::embeddingModel),
    };
}

} // namespace telvora
