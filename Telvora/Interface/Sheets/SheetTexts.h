#pragma once

#include <QStringView>

// The words of the settings sheet, the transcription options sheet and the rows they share.
namespace telvora::SheetTexts {

// Settings sheet.
inline constexpr QStringView settingsTitle = u"Modelos e chaves de API";
inline constexpr QStringView settingsIntro =
    u"As chaves ficam no chaveiro do sistema. Texto e voz são enviados ao provedor "
    u"somente quando você aciona a geração. A transcrição é local.";

inline constexpr QStringView openAISection = u"OpenAI · texto editorial e voz";
inline constexpr QStringView openAIKey = u"Chave OpenAI";
inline constexpr QStringView textModel = u"Texto editorial e Quintara";
inline constexpr QStringView narrationModel = u"Preparação da narração";
inline constexpr QStringView narrationNote = u"Narração vazia acompanha o modelo editorial.";
inline constexpr QStringView openAISpeechModel = u"Voz OpenAI";
inline constexpr QStringView refreshOpenAI = u"Atualizar modelos da conta";
inline constexpr QStringView loadingModels = u"Carregando modelos…";
inline constexpr QStringView openAIHint =
    u"Escolha na lista ou digite um identificador. Atualizar consulta a conta com a "
    u"chave informada; Salvar confirma a escolha.";
inline constexpr QStringView speechNote =
    u"Vozes disponíveis dependem do modelo. TTS-1 e TTS-1 HD não aceitam instruções "
    u"de entonação. Chamadas usam o saldo da sua conta.";

inline constexpr QStringView elevenSection = u"ElevenLabs · voz";
inline constexpr QStringView elevenKey = u"Chave ElevenLabs";
inline constexpr QStringView elevenModel = u"Voz ElevenLabs";
inline constexpr QStringView refreshEleven = u"Atualizar modelos ElevenLabs";
inline constexpr QStringView elevenNote = u"Após salvar, selecione ElevenLabs no painel para carregar suas vozes.";

inline constexpr QStringView transcriptionSection = u"Transcrição local";
inline constexpr QStringView engineAvailable = u"Engine local instalada · Whisper / faster-whisper";
inline constexpr QStringView engineMissing = u"Engine local não instalada";

inline constexpr QStringView removeKeyNote = u"Para remover uma chave, deixe o campo vazio e salve.";
inline constexpr QStringView cancel = u"Cancelar";
inline constexpr QStringView save = u"Salvar";

// Outcomes of the refreshes; counts come first.
inline constexpr QStringView modelsFailed = u"Não foi possível atualizar os modelos. Sua escolha foi preservada. ";
inline constexpr QStringView keyChanged = u"A chave mudou durante a consulta. Atualize novamente com a nova chave.";
inline constexpr QStringView textModelsListed = u" modelos listados para texto. O modelo escolhido foi mantido.";
inline constexpr QStringView noTextCandidate =
    u"Nenhum candidato a texto foi listado. Você pode informar o modelo manualmente.";
inline constexpr QStringView elevenFailed = u"Não foi possível atualizar. Sua escolha foi preservada. ";
inline constexpr QStringView elevenListed = u" modelos de voz listados. Sua escolha foi mantida.";
// Only identifiers containing this are offered as OpenAI speech models after a refresh.
inline constexpr QStringView speechMarker = u"tts";

// Failures of "Salvar".
inline constexpr QStringView blankModels = u"Informe os modelos e o idioma da transcrição.";
inline constexpr QStringView busy = u"Conclua ou cancele a operação atual antes de salvar os modelos.";
inline constexpr QStringView keychainFailed = u"Não foi possível salvar a chave no chaveiro do sistema: ";

// Model rows.
inline constexpr QStringView choose = u"Escolher";
inline constexpr QStringView chooseAccessiblePrefix = u"Escolher ";
inline constexpr QStringView whisperModel = u"Modelo Whisper";
inline constexpr QStringView whisperNote =
    u"Escolha um modelo ou informe um repositório/pasta de pesos Whisper compatíveis com faster-whisper "
    u"(CTranslate2). O primeiro uso baixa os pesos; os seguintes usam o cache local.";
inline constexpr QStringView segmentationModel = u"Segmentação de falantes";
inline constexpr QStringView segmentationDefault = u"pyannote 3.0";
inline constexpr QStringView embeddingModel = u"Identificação da voz";
inline constexpr QStringView embeddingDefault = u"WeSpeaker ResNet34";
inline constexpr QStringView onnxNote = u"Modelos ONNX personalizados precisam ser compatíveis com os respectivos "
                                        u"componentes do sherpa-onnx. Campo vazio usa o padrão.";
inline constexpr QStringView chooseFile = u"Arquivo…";
inline constexpr QStringView defaultModel = u"Padrão";

// Transcription options sheet.
inline constexpr QStringView optionsTitle = u"Transcrição local";
inline constexpr QStringView identifySpeakers = u"Identificar falantes";
inline constexpr QStringView speakerCount = u"Número de falantes";
inline constexpr QStringView automatic = u"Automático";
inline constexpr QStringView speakerNames = u"Nomes na ordem de fala";
inline constexpr QStringView speakerNamesPlaceholder = u"Ana, Bruno, Carla";
inline constexpr QStringView timecodes = u"Incluir timecodes";
inline constexpr QStringView language = u"Idioma";
inline constexpr QStringView vocabulary = u"Vocabulário de apoio";
inline constexpr QStringView vocabularyPlaceholder = u"Nomes próprios, siglas, contexto…";
inline constexpr QStringView optionsCaption =
    u"A primeira transcrição pode baixar os modelos locais. Depois desse download, a engine funciona sem enviar áudio "
    u"aos provedores de texto e voz.";
inline constexpr QStringView done = u"Concluir";

} // namespace telvora::SheetTexts
