#pragma once

#include <QJsonObject>
#include <QString>

namespace telvora {

/// One timed, attributed stretch of speech, as the transcription worker writes it.
struct TranscriptSegment
{
    QString locutor;
    double inicio = 0;
    double fim = 0;
    QString texto;

    friend bool operator==(const TranscriptSegment &, const TranscriptSegment &) = default;

    /// The object with the four keys "locutor", "inicio", "fim" and "texto".
    QJsonObject toJson() const;

    /// Reads one segment; all four keys are required, others are ignored. Throws
    /// JsonError naming `index` (the element's position in its transcript) and the key.
    static TranscriptSegment fromJson(const QJsonObject &object, qsizetype index = 0);
};

} // namespace telvora
