#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include "TelvoraCore/Errors/Error.h"

#include <QJsonValue>

using namespace Qt::Literals::StringLiterals;

namespace telvora {

namespace {

namespace Key {
constexpr auto locutor = u"locutor";
constexpr auto inicio = u"inicio";
constexpr auto fim = u"fim";
constexpr auto texto = u"texto";
} // namespace Key

QJsonValue required(const QJsonObject &object, QStringView key, qsizetype index)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        throw JsonError(u"O segmento de índice %1 da transcrição não tem a chave \"%2\"."_s.arg(index).arg(key));
    return found.value();
}

QString text(const QJsonObject &object, QStringView key, qsizetype index)
{
    const QJsonValue value = required(object, key, index);
    if (!value.isString())
        throw JsonError(
            u"No segmento de índice %1 da transcrição, a chave \"%2\" deve ser um texto."_s.arg(index).arg(key));
    return value.toString();
}

double seconds(const QJsonObject &object, QStringView key, qsizetype index)
{
    const QJsonValue value = required(object, key, index);
    if (!value.isDouble())
        throw JsonError(
            u"No segmento de índice %1 da transcrição, a chave \"%2\" deve ser um número."_s.arg(index).arg(key));
    return value.toDouble();
}

} // namespace

QJsonObject TranscriptSegment::toJson() const
{
    return QJsonObject{{QString::fromUtf16(Key::locutor), locutor},
                       {QString::fromUtf16(Key::inicio), inicio},
                       {QString::fromUtf16(Key::fim), fim},
                       {QString::fromUtf16(Key::texto), texto}};
}

TranscriptSegment TranscriptSegment::fromJson(const QJsonObject &object, qsizetype index)
{
    return TranscriptSegment{text(object, Key::locutor, index), seconds(object, Key::inicio, index),
                             seconds(object, Key::fim, index), text(object, Key::texto, index)};
}

} // namespace telvora
