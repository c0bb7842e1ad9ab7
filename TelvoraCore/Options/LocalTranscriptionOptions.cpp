#include "TelvoraCore/Options/LocalTranscriptionOptions.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/Json.h"
#include "TelvoraCore/Support/JsonFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <array>
#include <limits>

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

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

qsizetype skipSpace(const QByteArray &json, qsizetype at)
{
    while (at < json.size() && isJsonSpace(json[at]))
        ++at;
    return at;
}

// The number literal written for `key` among the members of the top-level object (the
// last one, as the parser keeps), or nothing. Only the literal tells -2^63 from a number
// just below it: the parser stores any integral value that fits 64 bits as an integer, and
// the nearest double to -2^63 - 1 is -2^63 itself.
QByteArray memberLiteral(const QByteArray &json, QStringView key)
{
    QByteArray literal;
    int depth = 0;
    for (qsizetype at = 0; at < json.size();) {
        const char c = json[at];
        if (c != '"') {
            depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
            ++at;
            continue;
        }
        const qsizetype start = at++;
        while (at < json.size() && json[at] != '"')
            at += json[at] == '\\' ? 2 : 1;
        ++at;
        const qsizetype colon = skipSpace(json, at);
        if (depth != 1 || colon >= json.size() || json[colon] != ':')
            continue;
        const QString name = QJsonDocument::fromJson('[' + json.mid(start, at - start) + ']').array().at(0).toString();
        if (name != key)
            continue;
        const qsizetype valueStart = skipSpace(json, colon + 1);
        qsizetype valueEnd = valueStart;
        while (valueEnd < json.size() && !isJsonSpace(json[valueEnd]) && json[valueEnd] != ',' && json[valueEnd] != '}'
               && json[valueEnd] != ']')
            ++valueEnd;
        literal = json.mid(valueStart, valueEnd - valueStart);
    }
    return literal;
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
    LocalTranscriptionOptions options = fromJson(document.object());
    if (options.speakerCount == std::numeric_limits<qint64>::min()
        && memberLiteral(bytes, Key::speakerCount) != "-9223372036854775808")
        throw JsonError(u"Nas opções de transcrição, a chave \"speakerCount\" deve ser um número inteiro."_s);
    return options;
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
