#include "TelvoraCore/Transcript/Transcript.h"

#include "TelvoraCore/Errors/Error.h"
#include "TelvoraCore/Support/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QStringList>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace telvora::Transcript {

namespace {

QList<TranscriptSegment> segments(const QByteArray &bytes)
{
    const QJsonDocument document = Json::parse(bytes);
    if (!document.isArray())
        throw JsonError(u"A transcrição deve ser uma lista JSON de segmentos."_s);
    const QJsonArray array = document.array();
    QList<TranscriptSegment> result;
    result.reserve(array.size());
    for (qsizetype index = 0; index < array.size(); ++index) {
        const QJsonValue element = array.at(index);
        if (!element.isObject())
            throw JsonError(u"O elemento de índice %1 da transcrição não é um objeto JSON."_s.arg(index));
        result.append(TranscriptSegment::fromJson(element.toObject(), index));
    }
    return result;
}

QString line(const TranscriptSegment &segment, bool timecodes)
{
    const QString spoken = segment.locutor + u": "_s + segment.texto;
    if (!timecodes)
        return spoken;
    return u'[' + clock(segment.inicio) + u" - "_s + clock(segment.fim) + u"] "_s + spoken;
}

} // namespace

Decoded decode(const QByteArray &bytes, bool timecodes)
{
    const QList<TranscriptSegment> all = segments(bytes);
    if (all.isEmpty())
        throw TelvoraError(u"Nenhuma fala foi detectada no áudio."_s);

    QStringList lines;
    lines.reserve(all.size());
    QSet<QString> speakers;
    for (const TranscriptSegment &segment : all) {
        lines.append(line(segment, timecodes));
        speakers.insert(segment.locutor);
    }
    return Decoded{lines.join(u"\n\n"_s), int(speakers.size()), all};
}

QByteArray encode(const QList<TranscriptSegment> &segments)
{
    QJsonArray array;
    for (const TranscriptSegment &segment : segments)
        array.append(segment.toJson());
    // Compact: never larger than the worker's indented file, so whatever opened reopens.
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QString clock(double seconds)
{
    // A double at or above 2^63 has no signed 64-bit whole-second count; such times
    // (hundreds of billions of years) are shown as the largest count instead.
    constexpr double limit = 9223372036854775808.0;
    qint64 total = 0;
    if (std::isfinite(seconds) && seconds > 0)
        total = seconds >= limit ? std::numeric_limits<qint64>::max() : qint64(seconds);
    return QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                             static_cast<long long>(total % 3600 / 60), static_cast<long long>(total % 60));
}

} // namespace telvora::Transcript
