#pragma once

#include <QStringView>

// The session's status lines, messages and fixed values.
namespace telvora::SessionTexts {

inline constexpr QStringView noSource = u"Nenhum arquivo";
inline constexpr QStringView ready = u"Pronto";

// The OpenAI voice used when the stored speech model offers no voice at all, and the one
// a speech-model change falls back to when it no longer offers the chosen voice.
inline constexpr QStringView initialVoiceFallback = u"marin";
inline constexpr QStringView voiceFallback = u"coral";

// Outcomes shared by every long workflow.
inline constexpr QStringView cancelled = u"Cancelado";
inline constexpr QStringView cancelling = u"Cancelando…";
inline constexpr QStringView failed = u"Erro";
inline constexpr QStringView unexpectedFailure = u"Ocorreu uma falha inesperada.";

// Generation.
inline constexpr QStringView generatingPrefix = u"Gerando ";
inline constexpr QStringView generatingSuffix = u"…";
inline constexpr QStringView textReady = u"Texto pronto";
inline constexpr QStringView configureOpenAI = u"Configure a chave OpenAI";
inline constexpr QStringView configureElevenLabs = u"Configure ElevenLabs e selecione uma voz";
inline constexpr QStringView editedDuringGeneration = u"O texto foi editado durante a geração. Suas alterações foram "
                                                      u"preservadas; gere novamente a partir da revisão atual.";

// Transcription.
inline constexpr QStringView transcribingPrefix = u"Transcrevendo · ";
inline constexpr QStringView transcribingSuffix = u"…";
inline constexpr QStringView transcribed = u"Transcrito";
inline constexpr QStringView transcriptionEngineMissing =
    u"A engine local de transcrição não está instalada. Instale-a com telvora-install-engine.";
inline constexpr QStringView editedDuringTranscription =
    u"O texto foi editado durante a transcrição. Suas alterações foram preservadas.";

// Reader and export.
inline constexpr QStringView originalTitle = u"Original";
inline constexpr QStringView exported = u"Exportado";
inline constexpr QStringView noOpenerPrefix = u"Nenhum aplicativo pôde abrir o texto. A cópia está em ";
inline constexpr QStringView noOpenerSuffix = u"; abra-a por conta própria ou instale o xdg-utils.";
inline constexpr QStringView copied = u"Copiado";

// Opening.
inline constexpr QStringView opening = u"Abrindo…";
inline constexpr QStringView busyOpening = u"Cancele a operação atual antes de abrir outro arquivo.";
inline constexpr QStringView unsavedMessage = u"Há texto que ainda não foi exportado.";
inline constexpr QStringView unsavedInformative =
    u"Exporte o documento para guardar suas alterações antes de substituir o arquivo.";
inline constexpr QStringView unsavedCancel = u"Cancelar";
inline constexpr QStringView unsavedDiscard = u"Descartar e continuar";
inline constexpr QStringView unsavedExport = u"Exportar";
inline constexpr QStringView openDialogMessage = u"Abra um áudio, texto, transcrição ou legenda.";
inline constexpr QStringView unreadableText = u"Não foi possível ler o texto. Exporte-o como UTF-8 ou RTF.";
// %1 is the file's name.
inline constexpr QStringView notARegularFile =
    u"“%1” não é um arquivo comum (é um pipe ou um dispositivo) e não pode ser aberto.";
// %1 is the limit in MB.
inline constexpr QStringView sourceTooLarge =
    u"O arquivo passa do limite de %1 MB para textos, RTF e transcrições e não foi aberto.";
// %1 is the limit, written as Brazilian Portuguese writes numbers.
inline constexpr QStringView tooManySegments = u"A transcrição passa do limite de %1 trechos e não foi aberta.";
inline constexpr QStringView audioOpened = u"Áudio aberto";
inline constexpr QStringView transcriptWithRecording = u"Transcrição aberta com a gravação";
inline constexpr QStringView example = u"Exemplo";

// Narration.
inline constexpr QStringView configureVoice = u"Configure as chaves e selecione uma voz antes de gerar áudio.";
inline constexpr QStringView preparingNarration = u"Preparando narração…";
inline constexpr QStringView preparingVoice = u"Preparando voz…";
inline constexpr QStringView noAudio = u"Nenhum áudio foi gerado.";
inline constexpr QStringView changedDuringNarration =
    u"O documento mudou durante a narração. Gere a voz novamente a partir do texto revisado.";
inline constexpr QStringView changedAfterNarration = u"O documento foi alterado; o áudio anterior foi descartado.";
inline constexpr QStringView voicePartPrefix = u"Voz ";
inline constexpr QStringView voicePartSuffix = u"…";
inline constexpr QStringView reusingPartsPrefix = u"Reaproveitando ";
inline constexpr QStringView reusingPartsMiddle = u" de ";
inline constexpr QStringView reusingPartsSuffix = u" partes…";
inline constexpr QStringView reusedPartsSeparator = u" · ";
inline constexpr QStringView reusedPartSingular = u" reaproveitada";
inline constexpr QStringView reusedPartsPlural = u" reaproveitadas";
inline constexpr QStringView audioReady = u"Áudio pronto";
inline constexpr QStringView audioExported = u"Áudio exportado";
inline constexpr QStringView narrationPartPrefix = u"parte-";
inline constexpr QStringView exportedAudioPrefix = u"Telvora-";
inline constexpr QStringView folderNotCreated = u"Não foi possível criar a pasta temporária da narração.";
inline constexpr QStringView speechNotAudio = u"O provedor de voz respondeu com algo que não é áudio. Tente novamente.";

// Playback.
inline constexpr QStringView unplayableAudio = u"Não foi possível reproduzir o áudio.";

} // namespace telvora::SessionTexts
