#pragma once

#include <QStringView>

// The messages of the audio layer, shown to the user unchanged.
namespace telvora::MediaTexts {

// Opening a recording; %1 is its path.
inline constexpr QStringView notMedia = u"O arquivo %1 não é uma gravação de áudio ou vídeo que o Telvora consiga ler.";

// Decoding a recording for transcription.
inline constexpr QStringView noAudioTrack = u"O arquivo não contém uma faixa de áudio compatível.";
inline constexpr QStringView cannotPrepare = u"Não foi possível preparar o áudio para transcrição.";
inline constexpr QStringView readFailed = u"Falha ao ler o áudio.";
inline constexpr QStringView bufferFailed = u"Falha ao decodificar uma parte do áudio.";
inline constexpr QStringView readInterrupted = u"A leitura do áudio foi interrompida.";
inline constexpr QStringView noAudio = u"O arquivo não contém áudio.";
inline constexpr QStringView endedEarly =
    u"A gravação termina antes do previsto: o arquivo está incompleto ou foi cortado, e só parte dela pôde ser lida.";

// Joining the narration parts.
inline constexpr QStringView cannotAssemble = u"Não foi possível montar o áudio.";
inline constexpr QStringView invalidPart = u"Uma parte do áudio está inválida.";
inline constexpr QStringView cannotExport = u"Não foi possível exportar o áudio completo.";
inline constexpr QStringView narrationFileName = u"narracao.m4a";
inline constexpr QStringView singlePartNarrationFileName = u"narracao.mp3";

} // namespace telvora::MediaTexts
