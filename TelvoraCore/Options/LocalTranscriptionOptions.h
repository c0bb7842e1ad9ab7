#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace telvora {

/// The settings sent to the transcription worker with every transcription.
struct LocalTranscriptionOptions
{
    QString model;
    QString language;
    QString vocabulary;
    bool diarization = false;
    qint64 speakerCount = 0; // 0: let the worker decide
    QString speakerNames;
    QString segmentationModel; // empty: the worker's default
    QString embeddingModel;    // empty: the worker's default

    friend bool operator==(const LocalTranscriptionOptions &, const LocalTranscriptionOptions &) = default;

    /// Compact JSON object with the eight keys in field order.
    QByteArray toJson() const;

    /// Strict decoding: all eight keys with their types, extra keys ignored.
    /// Throws JsonError describing the first fault.
    static LocalTranscriptionOptions fromJson(const QByteArray &bytes);
    /// The same from a parsed object, which can no longer tell a speakerCount written just
    /// below -2^63 from -2^63 itself; the bytes overload checks the number as written.
    static LocalTranscriptionOptions fromJson(const QJsonObject &object);
};

} // namespace telvora
