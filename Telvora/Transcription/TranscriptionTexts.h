#pragma once

#include <QStringView>

// The messages of the transcription bridge, as the user reads them.
namespace telvora::TranscriptionTexts {

inline constexpr QStringView missingModelOrLanguage = u"Informe o modelo Whisper e o idioma nas opções de transcrição.";
inline constexpr QStringView engineMissing =
    u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine.";
inline constexpr QStringView workerFailed = u"A engine de transcrição não concluiu:\n";

} // namespace telvora::TranscriptionTexts
