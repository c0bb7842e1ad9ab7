#pragma once

#include <QStringView>

// What the command-line mode says: progress, outcomes and usage problems.
namespace telvora::CommandLineTexts {

// The subcommands, as typed.
inline constexpr QStringView transcribe = u"transcribe";
inline constexpr QStringView generate = u"generate";
inline constexpr QStringView narrate = u"narrate";

// Steps of a file.
inline constexpr QStringView decoding = u"Decodificando o áudio…";
inline constexpr QStringView loading = u"Carregando o modelo…";
inline constexpr QStringView recognition = u"Reconhecendo a fala…";
inline constexpr QStringView diarization = u"Identificando os locutores…";
inline constexpr QStringView reading = u"Lendo o documento…";

// Outcomes of a file: "[2/5] entrevista.mp3: pronto → entrevista.json".
inline constexpr QStringView fileDone = u"pronto";
inline constexpr QStringView fileFailed = u"erro";
inline constexpr QStringView fileCancelled = u"cancelado";
inline constexpr QStringView fileNotStarted = u"não iniciado";

// The end of a batch.
inline constexpr QStringView summaryDone = u"%1 de %2 arquivo(s) concluído(s).";
inline constexpr QStringView summaryFailed = u"Falharam %1:";
inline constexpr QStringView summaryInterrupted =
    u"Interrompido: nada parcial foi gravado; %1 arquivo(s) não iniciado(s).";

// Problems with a file before any work.
inline constexpr QStringView fileMissing = u"Arquivo não encontrado.";
inline constexpr QStringView fileIsFolder = u"É uma pasta, não um arquivo.";
inline constexpr QStringView sameOutput = u"Outro arquivo deste lote grava o mesmo resultado: %1";
inline constexpr QStringView outputIsSource = u"O resultado substituiria o próprio arquivo: %1";
inline constexpr QStringView notADocument =
    u"Este arquivo é uma gravação: narre o documento gerado a partir dela (telvora generate).";
inline constexpr QStringView nothingToNarrate = u"O documento está vazio.";
inline constexpr QStringView nothingToGenerateFrom = u"O texto de origem está vazio.";

// Keys.
inline constexpr QStringView missingKey = u"Falta a chave %1. Guarde-a nas configurações do Telvora ou defina %2.";

// Usage.
inline constexpr QStringView usageHint = u"Use “telvora %1 --help” para ver as opções.";
inline constexpr QStringView noFiles = u"Indique ao menos um arquivo.";
inline constexpr QStringView unknownValue = u"Valor inválido para %1: “%2”. Use um destes: %3.";
inline constexpr QStringView badSpeakers = u"O número de locutores deve ser um inteiro de 0 (automático) a 100: “%1”.";
inline constexpr QStringView presentationFormat =
    u"Uma apresentação Quintara é Markdown: use --format md ou --format txt.";
inline constexpr QStringView elevenVoiceNeeded =
    u"Indique a voz da ElevenLabs com --voice (o identificador da voz, como nas configurações do Telvora).";
inline constexpr QStringView voiceNotOffered = u"O modelo %1 não oferece a voz “%2”. Vozes: %3.";
inline constexpr QStringView outputFolderFailed = u"Não foi possível criar a pasta de saída: %1";

} // namespace telvora::CommandLineTexts
