#pragma once

#include <QStringView>

// The messages of the transcription bridge, as the user reads them.
namespace telvora::TranscriptionTexts {

inline constexpr QStringView missingModelOrLanguage = u"Informe o modelo Whisper e o idioma nas opções de transcrição.";
inline constexpr QStringView engineMissing =
    u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine.";
inline constexpr QStringView workerFailed = u"A engine de transcrição não concluiu:\n";
// %1 is the signal's number, with its name when the system knows it: "9 (SIGKILL)".
inline constexpr QStringView endedBySignal = u"O processo da engine foi encerrado pelo sinal %1.";

} // namespace telvora::TranscriptionTexts
