#include "TelvoraCore/Transcript/TranscriptSegment.h"

#include "TelvoraCore/Support/JsonFields.h"

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
    const JsonFields fields(object, u"O segmento de índice %1 da transcrição não tem"_s.arg(index),
                            u"No segmento de índice %1 da transcrição"_s.arg(index));
    return TranscriptSegment{fields.text(Key::locutor), fields.number(Key::inicio), fields.number(Key::fim),
                             fields.text(Key::texto)};
}

} // namespace telvora
