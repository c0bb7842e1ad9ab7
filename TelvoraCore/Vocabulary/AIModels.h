#pragma once

#include "TelvoraCore/Vocabulary/Voice.h"

#include <QStringList>

namespace telvora::AIModels {

/// Suggestions for the local Whisper model.
const QStringList &whisper();
/// Suggestions for the OpenAI speech model.
const QStringList &openAISpeech();
/// Suggestions for the ElevenLabs speech model.
const QStringList &elevenSpeech();

/// True for the legacy OpenAI speech models ("tts-1", "tts-1-hd", "tts-1-…").
bool legacySpeech(QStringView model);

/// The OpenAI voices the given speech model accepts.
QList<Voice> voices(QStringView model);

} // namespace telvora::AIModels
