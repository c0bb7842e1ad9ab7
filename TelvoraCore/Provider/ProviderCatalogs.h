#pragma once

#include "TelvoraCore/Vocabulary/Voice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace telvora::ProviderCatalogs {

// The strict readers of the providers' catalog answers, apart from the network so that
// they can be exercised with any bytes. Each throws JsonError for bytes that are not
// JSON and TelvoraError with the catalog's message for JSON of the wrong shape.

/// OpenAI "/v1/models": every "id", unique, in code-point order.
QStringList openAIModelIDs(const QByteArray &data);

/// ElevenLabs "/v1/models": the "model_id" of models that can do text to speech,
/// unique, in code-point order.
QStringList elevenModels(const QByteArray &data);

/// One page of ElevenLabs "/v2/voices".
struct VoicePage
{
    QList<Voice> voices;   // usable elements, in page order
    bool hasMore = false;  // "has_more" is the boolean true
    QString nextPageToken; // empty when missing, not a string or empty
};
VoicePage voicePage(const QByteArray &data);

/// Drops repeated ids (the first stays) and sorts by name in natural order, stably.
QList<Voice> finishVoices(QList<Voice> voices);

} // namespace telvora::ProviderCatalogs
