#pragma once

#include <QStringView>

// The console's own texts, in the order the panel shows them.
namespace telvora::ConsoleTexts {

inline constexpr QStringView title = u"T E L V O R A";
inline constexpr QStringView openFile = u"Abrir arquivo";
inline constexpr QStringView settingsName = u"Modelos e ajustes";
inline constexpr QStringView settingsTip = u"Modelos e ajustes · transcrição, texto, voz e chaves de API";

inline constexpr QStringView inputSection = u"E N T R A D A";
inline constexpr QStringView play = u"▶";
inline constexpr QStringView pause = u"Ⅱ";
inline constexpr QStringView playName = u"Reproduzir áudio original";
inline constexpr QStringView pauseName = u"Pausar áudio original";
inline constexpr QStringView stop = u"■";
inline constexpr QStringView stopName = u"Parar áudio original";
inline constexpr QStringView speakerSwitch = u"Identificar falantes";
inline constexpr QStringView speakersCaption = u"Falantes: ";
inline constexpr QStringView speakersAuto = u"Auto";
inline constexpr QStringView speakersAutomatic = u"Automático";
inline constexpr QStringView speakersSuffix = u" falantes";
inline constexpr QStringView transcriptionOptions = u"Opções de transcrição…";
inline constexpr QStringView transcribe = u"Transcrever";

inline constexpr QStringView transcriptionSection = u"T R A N S C R I Ç Ã O";
inline constexpr QStringView openText = u"Abrir texto";
inline constexpr QStringView emptyPreview = u"Abra um texto ou transcreva o áudio.";

inline constexpr QStringView outputSection = u"S A Í D A";
inline constexpr QStringView lengthLabel = u"Extensão";
inline constexpr QStringView kindSelected = u"Selecionado";
inline constexpr QStringView lengthSelected = u"Selecionada";
inline constexpr QStringView generate = u"GERAR";
inline constexpr QStringView cancel = u"CANCELAR";
inline constexpr QStringView generateTip = u"Modelo de texto: %1. Altere em Modelos e API.";

inline constexpr QStringView voiceSection = u"V O Z";
inline constexpr QStringView voiceSwitch = u"Gerar áudio";
inline constexpr QStringView providerSelected = u"Selecionado";
inline constexpr QStringView voiceCaption = u"Voz: %1  ⌄";
inline constexpr QStringView voiceNone = u"Selecionar";
inline constexpr QStringView refreshVoices = u"Atualizar vozes";
inline constexpr QStringView loadingVoices = u"Carregando…";
inline constexpr QStringView listen = u"Ouvir";
inline constexpr QStringView pauseVoice = u"Pausar";
inline constexpr QStringView exportAudio = u"Exportar áudio";
inline constexpr QStringView statusName = u"Estado: ";
inline constexpr QStringView errorStatus = u"Erro";

inline constexpr QStringView switchOn = u"Ativado";
inline constexpr QStringView switchOff = u"Desativado";

inline constexpr QStringView sourceClock = u"%1 · %2";
inline constexpr QStringView originalAudio = u"Áudio original";
inline constexpr QStringView exampleInfo = u"Texto de exemplo · 2 falantes";
inline constexpr QStringView characters = u" caracteres";

inline constexpr QStringView alertTitle = u"Telvora";

// After the status line, in the console and the reader, while a transcription reports its
// progress. A no-break space keeps each number with its unit when the small display wraps.
inline constexpr QStringView progressSeparator = u" ";
inline constexpr QStringView percent = u"%1\u00A0%";
inline constexpr QStringView timeLeftSeparator = u" · ";
inline constexpr QStringView underAMinute = u"menos de 1\u00A0min";
inline constexpr QStringView aboutMinutes = u"cerca de %1\u00A0min";
inline constexpr QStringView aboutHours = u"cerca de %1\u00A0h";
inline constexpr QStringView aboutHoursAndMinutes = u"cerca de %1\u00A0h %2\u00A0min";

// The window buttons: label (and accessibility label), then tooltip with the Linux shortcut.
inline constexpr QStringView closePanel = u"Fechar painel";
inline constexpr QStringView closePanelTip = u"Fechar painel · Ctrl+W";
inline constexpr QStringView minimizePanel = u"Minimizar painel";
inline constexpr QStringView minimizePanelTip = u"Minimizar painel · Ctrl+M";
inline constexpr QStringView zoomPanel = u"Ampliar ou restaurar painel";
inline constexpr QStringView zoomPanelTip = u"Ampliar ou restaurar painel";

} // namespace telvora::ConsoleTexts
